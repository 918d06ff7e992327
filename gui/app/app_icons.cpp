#include "gui/app/app_icons.h"

#include <QImageReader>
#include <QString>

static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace quillmar::gui {
namespace {

// The bundled drawing, or a null icon when no image plug-in reads scalable drawings: a file icon
// that cannot be drawn would leave an empty button.
QIcon Bundled(const char* name) {
  static const bool registered = (InitIconResources(), true);
  static const bool drawable = QImageReader::supportedImageFormats().contains("svg");
  if (!registered || !drawable) return QIcon();
  return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

}  // namespace

QIcon ApplicationIcon() { return Bundled("quillmar-reader"); }

QIcon ToolIcon(const char* themeName, const char* bundled) {
  const QString name = QLatin1String(themeName);
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return Bundled(bundled);
}

}  // namespace quillmar::gui
