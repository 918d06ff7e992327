// The reader's icons: drawn from the bundled drawings when the desktop theme has none.
#include "gui/app/app_icons.h"

#include <QImage>
#include <QImageReader>
#include <QtTest>

namespace quillmar::gui {

class AppIconsTest : public QObject {
  Q_OBJECT

 private slots:
  void bundledDrawingsStandInForTheTheme() {
    if (!QImageReader::supportedImageFormats().contains("svg"))
      QSKIP("no image plug-in for scalable drawings");
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    const QImage app = ApplicationIcon().pixmap(64, 64).toImage();
    QCOMPARE(app.size(), QSize(64, 64));
    QVERIFY(app.pixelColor(32, 32).alpha() > 0);
    for (const char* name : {"navigation", "back", "forward", "search", "print", "font-bigger",
                             "font-smaller", "margin-narrower", "margin-wider"}) {
      const QImage image = ToolIcon("no-such-icon", name).pixmap(16, 16).toImage();
      QVERIFY2(!image.isNull(), name);
      bool drawn = false;
      for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
          drawn = image.pixelColor(x, y).alpha() > 0;
      QVERIFY2(drawn, name);
    }
  }
};

}  // namespace quillmar::gui

QTEST_MAIN(quillmar::gui::AppIconsTest)
#include "app_icons_test.moc"
