#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "collection/text_info.h"
#include "gui/app/main_window.h"
#include "gui/gui_fixture.h"
#include "gui/text/picture_form.h"
#include "gui/text/table_form.h"
#include "text/paragraph_cutter.h"
#include "text/simple_table.h"
#include "text/text_style.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

using test::kSampleCD;

// A shown main window on the sample collection.
struct Reader : test::TestContext {
  explicit Reader(const std::string& collection) : TestContext(collection) {
    form = std::make_unique<TCalderwickForm>(*context);
    form->resize(1000, 800);
    form->show();
  }
  template <typename T>
  std::vector<T*> Children() const {
    std::vector<T*> list;
    for (QMdiSubWindow* sub : form->MdiArea()->subWindowList(QMdiArea::CreationOrder))
      if (auto* w = qobject_cast<T*>(sub->widget()); w && sub->isVisible()) list.push_back(w);
    return list;
  }
  QMdiSubWindow* Sub(QWidget* w) const { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

  std::unique_ptr<TCalderwickForm> form;
};

void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// A table in markup: rows of cells, the first row the headings.
std::string Markup(const std::string& title, const std::vector<std::vector<std::string>>& rows) {
  std::string m = "\x01<\x01=" + title + "\x01>";
  for (const auto& row : rows) {
    m += "\x01@";
    for (const std::string& cell : row) m += "\x01?" + cell;
  }
  return m;
}

int TextHeight(const QWidget* w) { return QFontMetrics(w->font()).size(0, "Fg").height(); }

}  // namespace

class MediaWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void picturesOpenOnceAndMissingOnesExplain();
  void zoomAndScrollMoveThePicture();
  void tableLinkShowsTheTableShrunkToFit();
  void tableWindowOnlyShrinks();

 private:
  test::TempDir dir_;
  std::string collection_;
};

void MediaWindowsTest::initTestCase() {
  SetCurrentLanguage(kEnglish);
  collection_ = test::BuildSampleCollection(dir_);
}

void MediaWindowsTest::picturesOpenOnceAndMissingOnesExplain() {
  Reader r(collection_);
  r.form->OpenTextFromReference(kSampleCD, 1, 0);
  TTextChild* from = r.form->TextWindows().front();

  r.form->OpenPicture(from, "LYDIA.png", "Clio (picture 1)");
  QCOMPARE(r.Children<TBildForm>().size(), size_t{1});
  TBildForm* picture = r.Children<TBildForm>().front();
  QVERIFY(picture->HasPicture());
  QCOMPARE(r.Sub(picture)->size(), QSize(421, 296));

  // The same link again: the window comes back from being minimised instead of a second one.
  r.Sub(picture)->showMinimized();
  r.form->OpenPicture(from, "lydia.png", "Clio (picture 1)");
  QCOMPARE(r.Children<TBildForm>().size(), size_t{1});
  QVERIFY(!r.Sub(picture)->isMinimized());
  QCOMPARE(r.form->MdiArea()->activeSubWindow(), r.Sub(picture));

  // Missing, and a name that would leave the media directory: a small window that says so.
  for (const char* file : {"gone.png", "../ID/metainfo.dat"}) {
    r.form->OpenPicture(from, file, "Clio (picture 2)");
    QCOMPARE(r.Children<TBildForm>().size(), size_t{2});
    TBildForm* missing = r.Children<TBildForm>().back();
    QVERIFY(missing->LinkKey().isEmpty());
    QCOMPARE(r.Sub(missing)->size(), QSize(300, 200));
    QVERIFY(missing->findChild<QWidget*>("BildPanel")->isHidden());
    QVERIFY(missing->findChild<QScrollBar*>("VertScrollBar")->isHidden());
    const QString text = missing->findChild<QLabel*>("InfoLabel")->text();
    QVERIFY2(text.startsWith("File '" + QString::fromStdString(collection_)) &&
                 text.endsWith(QString("media") + QDir::separator() + file + "' not found."),
             qPrintable(text));
    auto* ok = missing->findChild<QPushButton*>("OKButton");
    QTRY_VERIFY(ok->hasFocus());
    ok->click();
    Settle();
    QCOMPARE(r.Children<TBildForm>().size(), size_t{1});
  }

  // Tiling closes the picture windows and keeps the text window.
  r.form->OpenPicture(from, "gone.png", "other");
  r.form->TileVertically();
  Settle();
  QVERIFY(r.Children<TBildForm>().empty());
  QCOMPARE(r.form->TextWindows().size(), size_t{1});

  // A file that is no picture, and a text without a collection: explained, never shown.
  test::WriteFile(collection_ + "/media/broken.png", "not a picture");
  TBildForm broken;
  broken.Open(collection_, "broken.png", "x");
  QVERIFY(broken.findChild<QLabel*>("InfoLabel")->text().startsWith("Cannot read file '"));
  TBildForm noCollection;
  noCollection.Open("", "lydia.png", "x");
  QVERIFY(!noCollection.HasPicture() && noCollection.LinkKey().isEmpty());
}

void MediaWindowsTest::zoomAndScrollMoveThePicture() {
  TBildForm form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.Open(collection_, "lydia.png", "map");
  auto* area = form.findChild<QWidget*>("BildImage");
  auto* vertical = form.findChild<QScrollBar*>("VertScrollBar");

  // Drawn fitted: sea at the top left, land at the right, the area's own colour beside it.
  const Rect d = form.View().Destination();
  QVERIFY(d.Left == 0 || d.Top == 0);
  QCOMPARE(d.Left, (area->width() - (d.Right - d.Left)) / 2);
  const QImage shown = area->grab().toImage();
  const QColor sea = shown.pixelColor(d.Left + 3, d.Top + 3);
  const QColor land = shown.pixelColor(d.Right - 3, (d.Top + d.Bottom) / 2);
  QVERIFY(sea.blue() > 150 && sea.red() < 80);
  QVERIFY(land.red() > 180 && land.blue() < 160);
  if (d.Left > 0) QCOMPARE(shown.pixelColor(0, d.Top), area->palette().window().color());

  // "+" shows a part of the bitmap; line down moves it and the bar follows in percent.
  form.findChild<QPushButton*>("btnGroesser")->click();
  const Rect s = form.View().Source();
  QVERIFY(s.Bottom - s.Top < 12);
  vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QCOMPARE(form.View().Source().Top, s.Top + 1);
  QCOMPARE(vertical->value(), std::lround((s.Top + 1) * 100.0 / 12));
  vertical->triggerAction(QAbstractSlider::SliderToMaximum);
  QCOMPARE(form.View().Source().Bottom, 12);
  QCOMPARE(vertical->value(), form.View().VerticalPercent());
}

void MediaWindowsTest::tableLinkShowsTheTableShrunkToFit() {
  Reader r(collection_);
  // The table paragraph of the commentary.
  TTextInfo info;
  info.Load(r.Catalog().GetTextInfoFile(kSampleCD));
  int32_t textNr = 0;
  int32_t start = -1;
  for (int32_t n = 1; n <= 2 && start < 0; ++n) {
    info.Select(n);
    std::ifstream in(info.GetLayer1DateiName(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    for (const TAbsatzDataRecord& p : ParagraphCutter::Split(bytes.str()))
      if (TSimpleTable::TableStart(p.text) != std::string::npos) {
        textNr = n;
        start = p.start;
      }
  }
  QVERIFY(start > 0);
  r.form->OpenTextByIds(kSampleCD, textNr, 1, start, false);
  TTextChild* from = r.form->TextWindows().front();
  r.form->OpenTable(from, start + 1000000);  // no table there: nothing opens
  QVERIFY(r.Children<TTableForm>().empty());
  r.form->OpenTable(from, start);
  QCOMPARE(r.Children<TTableForm>().size(), size_t{1});
  TTableForm* table = r.Children<TTableForm>().front();
  QTreeWidget* list = table->List();
  QCOMPARE(r.Sub(table)->windowTitle(), QString("The Mermnad kings of Lydia (Hdt. I 14-86)"));
  QCOMPARE(list->headerItem()->text(2), QString("Chapters"));
  // The list shows the reader's font size.
  QCOMPARE(list->font().pointSize(), std::abs(r.context->Style().Fonts(false).FontOf(3).size));
  QCOMPARE(list->topLevelItemCount(), 5);
  QCOMPARE(list->topLevelItem(4)->text(0), QString("Croesus"));
  QCOMPARE(list->topLevelItem(4)->text(2), QString("I 26-86"));
  QVERIFY(list->topLevelItem(0)->textAlignment(1) & Qt::AlignRight);
  QCOMPARE(table->height(), static_cast<int>(std::lround(8 * 1.5 * TextHeight(list))));
  QCOMPARE(list->columnWidth(1), QFontMetrics(list->font()).horizontalAdvance("Years12"));
  QCOMPARE(table->width(), list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2) + 12);
}

void MediaWindowsTest::tableWindowOnlyShrinks() {
  const TSimpleTable headingsOnly(Markup("Only headings", {{"Alpha", "Beta"}}));
  TTableForm small;
  small.Show(headingsOnly);
  QCOMPARE(small.List()->headerItem()->text(1), QString("Beta"));
  QCOMPARE(small.List()->topLevelItemCount(), 0);
  QCOMPARE(small.height(), static_cast<int>(std::lround(3 * 1.5 * TextHeight(small.List()))));

  // Many rows and wide cells: the window keeps its default size.
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 200; ++i) rows.push_back({std::string(40, 'W'), std::string(40, 'M')});
  TTableForm big;
  big.Show(TSimpleTable(Markup("Big", rows)));
  QCOMPARE(big.size(), QSize(TTableForm::kDefaultWidth, TTableForm::kDefaultHeight));
  QCOMPARE(big.List()->topLevelItemCount(), 199);

  // No cells at all: the height shrinks, the width is left alone.
  TTableForm empty;
  empty.Show(TSimpleTable(Markup("Empty", {})));
  QCOMPARE(empty.width(), TTableForm::kDefaultWidth);
}

QTEST_MAIN(MediaWindowsTest)
#include "media_windows_test.moc"
