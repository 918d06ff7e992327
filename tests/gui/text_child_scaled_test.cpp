// A text window on a screen scaled to 200 %: the process runs with a scale factor of 2.
#include <QtTest>
#include <filesystem>

#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "gui/gui_fixture.h"
#include "gui/text/text_child.h"
#include "support/fakes.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"
#include "text/document.h"
#include "text/text_style.h"

using namespace quillmar;
using namespace quillmar::gui;

class TextChildScaledTest : public QObject {
  Q_OBJECT

 private slots:
  void textIsDrawnInDevicePixels();

 private:
  test::TempDir dir_;
  AppEnvironment env_;
  MemoryRegistryStore store_;
  test::FakeDrives drives_;
  test::ScriptedPrompts prompts_;
  RecordingPlugInHost plugins_;
  TextStyle style_;
};

void TextChildScaledTest::textIsDrawnInDevicePixels() {
  SetCurrentLanguage(kEnglish);
  const std::string collection = test::BuildSampleCollection(dir_);
  env_.default_program_directory = dir_.Sub("program");
  std::filesystem::create_directories(dir_.Sub("program"));
  TCalderwickData catalog(TCalderwickData::Platform{store_, drives_, prompts_, plugins_, env_});
  QVERIFY(catalog.AnnounceDirectory(collection));

  TTextChild w(catalog, style_, nullptr);
  w.resize(480, 260);
  w.show();
  w.SetCollection("QMSA0001");
  QVERIFY(w.OpenText(1, 1, false));
  w.GoToPosition(1);
  QCOMPARE(w.devicePixelRatioF(), 2.0);
  const QImage& image = w.TextImage();
  QCOMPARE(image.devicePixelRatio(), 2.0);
  QVERIFY(image.width() > 2 * 400 && image.height() > 2 * 200);
  // The layout keeps the widget's coordinates: words stand inside the 480 x 260 window.
  const TWortListRecord* last = w.Document().LastVisibleWord();
  QVERIFY(last != nullptr && last->Box.Bottom <= 260 && last->Box.Right <= 480);
  // Both halves of the image carry text: nothing is drawn at half size into one corner.
  auto inked = [&](int x0, int y0) {
    for (int y = y0; y < y0 + image.height() / 2; ++y)
      for (int x = x0; x < x0 + image.width() / 2; ++x)
        if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
  };
  QVERIFY(inked(0, image.height() / 2));
}

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  TextChildScaledTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "text_child_scaled_test.moc"
