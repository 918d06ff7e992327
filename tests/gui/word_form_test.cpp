#include "gui/search_ui/word_form.h"

#include <QImage>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include "base/codepage.h"
#include "gui/gui_fixture.h"
#include "retrieval/word_file.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

using test::kSampleCD;

// A dark theme: dark rows with light text, a blue selection.
QPalette DarkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(45, 45, 45));
  palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
  palette.setColor(QPalette::Base, QColor(30, 30, 30));
  palette.setColor(QPalette::Text, QColor(220, 220, 220));
  palette.setColor(QPalette::Highlight, QColor(40, 90, 160));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  return palette;
}

}  // namespace

class WordFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void keysSelectAndEnterReturnsTheEditedLine();
  void doubleClickTakesTheRowAndEscapeLeavesTheLine();
  void unavailableListClosesAtOnce();

 private:
  QString Wort(int32_t n) { return QString::fromStdString(Cp1252ToUtf8(liste_.Lies(n).Wort)); }
  QWidget* Zeilen(TWortForm& f) { return f.findChild<QWidget*>("WortZeilen"); }

  test::TempDir dir_;
  std::unique_ptr<test::TestContext> reader_;
  retrieval::TLesenWortDatei liste_;
};

void WordFormTest::initTestCase() {
  const std::string cd = test::BuildSampleCollection(dir_, true);
  reader_ = std::make_unique<test::TestContext>();
  QVERIFY(reader_->Catalog().AnnounceDirectory(cd));
  liste_.SetzeDateiName(JoinPath(JoinPath(cd, "data"), "wortlst.dat"));
  QVERIFY(liste_.Anzahl() > 50);
}

void WordFormTest::keysSelectAndEnterReturnsTheEditedLine() {
  TWortForm form(reader_->Catalog(), kSampleCD);
  QVERIFY(form.Verfuegbar());
  form.setPalette(DarkPalette());  // the rows take the colours of the theme
  form.show();
  const QString line = Wort(5) + " AND x";
  form.Positionieren({line, 1, -1, 0});

  // Row 5 (record 5 in the first row's page) is selected in the highlight colour, its neighbour
  // has the dark base colour.
  QWidget* zeilen = Zeilen(form);
  QVERIFY(zeilen != nullptr);
  const int hoehe = zeilen->height() / 20;
  const QImage bild = zeilen->grab().toImage();
  const int x = zeilen->width() - 3;
  QCOMPARE(QColor(bild.pixel(x, 4 * hoehe + hoehe / 2)), QColor(40, 90, 160));
  QCOMPARE(QColor(bild.pixel(x, 3 * hoehe + hoehe / 2)), QColor(30, 30, 30));

  QTest::keyClick(&form, Qt::Key_Down);
  QTest::keyClick(&form, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&form, Qt::Key_PageDown);
  QTest::keyClick(&form, Qt::Key_PageUp);  // 7 -> 27 -> 7
  QTest::keyClick(&form, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&form, Qt::Key_Return);
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(form.Ergebnis(), 101);
  const QueryLine out = form.Line();
  const QString erwartet = "(" + Wort(7) + " OR " + Wort(8) + ")";
  QCOMPARE(out.text, erwartet + " AND x");
  QCOMPARE(out.cursor, erwartet.size());
  QVERIFY(reader_->prompts->errors.empty());
}

void WordFormTest::doubleClickTakesTheRowAndEscapeLeavesTheLine() {
  {
    TWortForm form(reader_->Catalog(), kSampleCD);
    form.show();
    // A word of the first page that is one word in a query line; the list stays on that page.
    int32_t r = 1;
    while (r < 20 && Wort(r).contains(QRegularExpression("[ ().]"))) ++r;
    form.Positionieren({"(" + Wort(r), 0, -1, 0});
    QWidget* zeilen = Zeilen(form);
    const int hoehe = zeilen->height() / 20;
    QTest::mouseDClick(zeilen, Qt::LeftButton, {}, QPoint(10, 2 * hoehe + 2));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.Line().text, "(" + Wort(3));
  }
  TWortForm form(reader_->Catalog(), kSampleCD);
  form.show();
  form.Positionieren({"a b", 3, 0, 1});
  QTest::mouseClick(Zeilen(form), Qt::LeftButton, {}, QPoint(10, 2));
  QTest::keyClick(&form, Qt::Key_Escape);
  QCOMPARE(form.result(), int(QDialog::Rejected));
  QCOMPARE(form.Ergebnis(), 102);
  QCOMPARE(form.Line().text, QString("a b"));
  QCOMPARE(form.Line().selectionStart, 0);
}

void WordFormTest::unavailableListClosesAtOnce() {
  TWortForm form(reader_->Catalog(), "NONE0001");
  QVERIFY(!form.Verfuegbar());
  bool blockiert = false;
  QTimer::singleShot(3000, &form, [&] {
    blockiert = true;
    static_cast<QDialog&>(form).reject();
  });
  QCOMPARE(form.exec(), int(QDialog::Rejected));
  QVERIFY(!blockiert);
  QCOMPARE(form.Ergebnis(), 102);
  QVERIFY(!form.grab().isNull());
}

QTEST_MAIN(WordFormTest)
#include "word_form_test.moc"
