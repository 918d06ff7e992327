#include "gui/app/help_window.h"

#include <QTextBrowser>
#include <QVBoxLayout>
#include <utility>

#include "base/language.h"
#include "gui/app/main_window_texts.h"
#include "gui/common/gui_strings.h"

// The pages live in a static library: make sure its resources are registered.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace quillmar::gui {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 520;

// Topic string -> page and anchor.
constexpr std::pair<const char*, const char*> kTopics[] = {
    {"IDH_02000", "navigation.html#content"},  {"IDH_03000", "navigation.html#bookmarks"},
    {"IDH_05000", "navigation.html#internet"}, {"IDH_06000", "navigation.html#multimedia"},
    {"IDH_07000", "settings.html#settings"},   {"IDH_07100", "settings.html#greek"},
    {"IDH_08000", "settings.html#printing"},   {"IDH_11000", "searching.html#search"},
    {"IDH_12000", "searching.html#options"},   {"IDH_13000", "reading.html#textwindow"},
};
constexpr char kContents[] = "index.html";

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(kWidth, kHeight);
  SetCaptions();
}

QUrl HelpWindow::TopicUrl(const QString& topic, int language) {
  static const bool registered = (InitHelpResources(), true);
  (void)registered;
  QString page = QString::fromLatin1(kContents);
  for (const auto& [name, target] : kTopics)
    if (topic.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
      page = QString::fromLatin1(target);
  const QString folder = language == kGerman ? QStringLiteral("de") : QStringLiteral("en");
  return QUrl(QStringLiteral("qrc:/help/%1/%2").arg(folder, page));
}

QStringList HelpWindow::Topics() {
  QStringList list;
  for (const auto& topic : kTopics) list << QString::fromLatin1(topic.first);
  return list;
}

void HelpWindow::ShowTopic(const QString& topic) {
  SetCaptions();
  browser_->setSource(TopicUrl(topic, CurrentLanguage()));
  show();
  raise();
  activateWindow();
}

void HelpWindow::SetCaptions() { setWindowTitle(Text(texts::kHelpCaption)); }

}  // namespace quillmar::gui
