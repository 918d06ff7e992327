#include "gui/common/app_context.h"

#include <QImage>
#include <QPainter>

#include "collection/bookmark.h"
#include "collection/calderwick_data.h"
#include "gui/app/qt_prompts.h"
#include "gui/options/font_info.h"
#include "gui/plugins/dialog_plugin_prompts.h"
#include "gui/text/cross_reference_links.h"
#include "platform/app_paths.h"
#include "platform/gui/qt_canvas.h"
#include "platform/gui/qt_program_launcher.h"
#include "platform/native_dynamic_library.h"
#include "platform/system_drive_list.h"
#include "platform/user_store.h"
#include "plugins/plugin_manager.h"
#include "text/text_style.h"

namespace quillmar::gui {

AppContext::AppContext(Parts parts)
    : store_(parts.store ? std::move(parts.store) : OpenUserStore()),
      drives_(parts.drives ? std::move(parts.drives) : std::make_unique<SystemDriveList>()),
      prompts_(parts.prompts ? std::move(parts.prompts) : std::make_unique<QtPrompts>()),
      libraries_(parts.libraries ? std::move(parts.libraries)
                                 : std::make_unique<NativeDynamicLibraries>()),
      pluginPrompts_(parts.pluginPrompts ? std::move(parts.pluginPrompts)
                                         : std::make_unique<DialogPlugInPrompts>()),
      launcher_(parts.launcher ? std::move(parts.launcher) : std::make_unique<QtProgramLauncher>()),
      greekFonts_(parts.greekFonts ? std::move(parts.greekFonts) : &TFontInfo::GetGreekFonts) {
  const AppEnvironment environment = CurrentAppEnvironment(parts.argv0);
  plugins_ = std::make_unique<TPlugInManager>(TPlugInManager::Platform{
      *libraries_, *pluginPrompts_,
      parts.pluginDirectory.empty() ? PluginDirectory(parts.argv0) : parts.pluginDirectory,
      UserModuleDirectory(environment.default_program_directory)});
  catalog_ = std::make_unique<TCalderwickData>(
      TCalderwickData::Platform{*store_, *drives_, *prompts_, *plugins_, environment});
  plugins_->Attach(*catalog_);
  catalog_->StartUp();
  // Without a Unicode font for Greek, Greek would show in the 8-bit form: take an installed
  // font that covers polytonic Greek when there is one.
  if (catalog_->Settings().GetUCFont().empty()) {
    const QString font = TFontInfo::PreferredGreekFont(
        GreekFonts(), QString::fromStdString(catalog_->Settings().GetFont()));
    if (!font.isEmpty()) catalog_->Settings().SetUCFont(font.toStdString());
  }
  style_ = std::make_unique<TextStyle>();
  RebuildTextStyle();
  bookmarks_ = std::make_unique<TBookmark>(*catalog_, &fileWriter_);
  crossReferences_ = std::make_unique<CrossReferenceLinks>(*catalog_);
}

AppContext::~AppContext() = default;

QStringList AppContext::GreekFonts() const { return greekFonts_(); }

void AppContext::RebuildTextStyle() {
  style_->Apply(TextStyle::ReadSettings(catalog_->Settings(), catalog_->UCFontSet()));
  QImage image(1, 1, QImage::Format_RGB32);
  QPainter painter(&image);
  QtCanvas canvas(painter, *style_);
  style_->Measure(canvas);
}

}  // namespace quillmar::gui
