#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "base/version.h"
#include "collection/settings_store.h"
#include "gui/gui_fixture.h"
#include "gui/text/page_setup_form.h"
#include "gui/text/print_form.h"
#include "text/print_file.h"
#include "text/text_generator.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

using test::kSampleCD;
constexpr double kPointsPerMm = 72.0 / 27.1;  // PDF points per millimetre of page margin

// A word of pdftotext -bbox output: its text and its box in points.
struct PdfWord {
  QString text;
  double x = 0;
  double y = 0;
  int page = 0;
};

QString Run(const QStringList& args) {
  QProcess p;
  p.start("pdftotext", args);
  if (!p.waitForFinished(30000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The page text; ligatures such as "ﬁ" come back as their letters.
QString LayoutText(const QString& pdf) {
  return Run({"-layout", pdf, "-"}).normalized(QString::NormalizationForm_KC);
}

std::vector<PdfWord> Words(const QString& pdf) {
  const QString html = Run({"-bbox", pdf, "-"});
  std::vector<PdfWord> words;
  static const QRegularExpression kWord(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
  int page = 0;
  for (const QString& line : html.split('\n')) {
    if (line.contains("<page ")) ++page;
    const QRegularExpressionMatch m = kWord.match(line);
    if (m.hasMatch())
      words.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble(), page});
  }
  return words;
}

const PdfWord* Find(const std::vector<PdfWord>& words, const QString& text) {
  for (const PdfWord& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void labelsAndNothingSelected();
  void marksPrintExactlyTheSelectedWords();
  void pageMarginsMoveTheText();
  void wholeGeneratedFileSpansPages();
  void pageSetupStoresMarginsAndLettersReadAsZero();

 private:
  std::unique_ptr<TPPFFile> Text(int kind = 1, int32_t textNr = 1) {
    return std::make_unique<TPPFFile>(context_->Catalog(), kSampleCD, kind, textNr);
  }
  std::string Stream() { return test::ReadFile(Text()->FileName()); }
  // Position of the first byte of `word` in the first text's stream (after `after`).
  int32_t Pos(const std::string& word, const std::string& after = {}) {
    const std::string s = Stream();
    return static_cast<int32_t>(s.find(word, after.empty() ? 0 : s.find(after))) + 1;
  }
  // Prints first..last of the first text into a PDF; its path.
  QString PrintRange(int32_t first, int32_t last, const char* name) {
    TPrintTextForm form(*context_, Text(), first, last, 0, false);
    const QString pdf = QString::fromStdString(dir_.Sub(name));
    form.SetPdfOutput(pdf);
    if (!form.Print()) return {};
    return pdf;
  }

  // "PBorders" as the store holds it.
  QString StoredPBorders() {
    const std::string key = "Software\\Quillmar\\Reader\\" + std::to_string(kVersionMajor) + "." +
                            std::to_string(kVersionMinor) + "\\Options";
    return QString::fromStdString(context_->Store().ReadString(key, "PBorders").value_or(""));
  }

  test::TempDir dir_;
  std::unique_ptr<test::TestContext> reader_;
  test::ScriptedPrompts* prompts_ = nullptr;
  AppContext* context_ = nullptr;
};

void PrintTest::initTestCase() {
  reader_ = std::make_unique<test::TestContext>();
  prompts_ = reader_->prompts;
  context_ = reader_->context.get();
  QVERIFY(context_->Catalog().AnnounceDirectory(test::BuildSampleCollection(dir_)));
}

void PrintTest::init() {
  prompts_->errors.clear();
  context_->Catalog().Settings().SetPBorders({10, 10, 10, 10});
}

void PrintTest::labelsAndNothingSelected() {
  TPrintTextForm form(*context_, Text(), 5, 9, 0, false);
  QCOMPARE(form.findChild<QLabel*>("PrintTextLabel")->text(),
           QString("Selected: Histories, Book I (Clio), 1-7"));

  const TPPFFile footnotes(context_->Catalog(), kSampleCD, 2, 1);
  QVERIFY(footnotes.Valid());
  QVERIFY(footnotes.FileName() != Text()->FileName());
  QCOMPARE(footnotes.HeaderText(), std::string("Herodotus: Histories, Book I (Clio), 1-7"));
  const TPPFFile plain("/some/file", "Fundstellenliste");
  QCOMPARE(plain.HeaderText(), std::string("Fundstellenliste"));

  // A text the catalog does not hold, a kind outside 1..3, or no range: nothing to print.
  std::vector<std::unique_ptr<TPPFFile>> files;
  files.push_back(Text(1, 99));
  files.push_back(Text(4, 1));
  files.push_back(Text());
  for (auto& file : files) {
    const bool ranged = !file->Valid();
    TPrintTextForm none(*context_, std::move(file), ranged ? 5 : 0, 9, 0, false);
    none.SetPdfOutput(QString::fromStdString(dir_.Sub("none.pdf")));
    QCOMPARE(none.findChild<QLabel*>("PrintTextLabel")->text(), QString("No text selected."));
    QVERIFY(!none.Print());
    QVERIFY(!std::filesystem::exists(dir_.Sub("none.pdf")));
  }
  QVERIFY(prompts_->errors.empty());
}

void PrintTest::marksPrintExactlyTheSelectedWords() {
  // "...declare that the Phenicians first began the quarrel. These, they say, came..."
  const int32_t from = Pos("Phenicians");
  const int32_t to = Pos("quarrel", "Phenicians");
  const QString pdf = PrintRange(from, to, "range.pdf");
  QVERIFY2(!pdf.isEmpty(), prompts_->errors.empty() ? "" : prompts_->errors.front().c_str());
  const QString text = LayoutText(pdf);
  for (const char* word : {"Phenicians", "first", "began", "quarrel"})
    QVERIFY2(text.contains(word), qPrintable(text));
  for (const char* word : {"that", "These", "Persians"})
    QVERIFY2(!text.contains(word), qPrintable(text));
  QVERIFY2(text.contains("Herodotus: Histories, Book I (Clio), 1-7, page(s): 1"), qPrintable(text));
  QCOMPARE(text.count('\f'), 1);

  // From the translator's note (Roman page iii) into page 1.
  const QString roman = PrintRange(Pos("Stein"), Pos("Showing"), "roman.pdf");
  QVERIFY(!roman.isEmpty());
  const QString romanText = LayoutText(roman);
  QVERIFY2(romanText.contains("1-7, page(s)III - 1"), qPrintable(romanText));
  QVERIFY(!romanText.contains("follows"));
  QVERIFY(!romanText.contains("Inquiry"));
}

void PrintTest::pageMarginsMoveTheText() {
  // From the first word of a paragraph, which stands at the text's left edge plus the indent.
  const int32_t from = Pos("Those");
  const int32_t to = Pos("quarrel", "Phenicians");
  const std::vector<PdfWord> before = Words(PrintRange(from, to, "m1.pdf"));
  context_->Catalog().Settings().SetPBorders({40, 10, 10, 30});  // left, right, bottom, top
  QCOMPARE(StoredPBorders(), QString("40 10 30 10"));
  const std::vector<PdfWord> after = Words(PrintRange(from, to, "m2.pdf"));

  const PdfWord* header1 = Find(before, "page(s):");
  const PdfWord* header2 = Find(after, "page(s):");
  const PdfWord* word1 = Find(before, "Those");
  const PdfWord* word2 = Find(after, "Those");
  QVERIFY(header1 && header2 && word1 && word2);
  // The header starts at the left edge, its top at the top margin.
  QVERIFY(qAbs(Find(before, "Herodotus:")->x - 10 * kPointsPerMm) < 1.0);
  QVERIFY(qAbs(Find(after, "Herodotus:")->x - 40 * kPointsPerMm) < 1.0);
  QVERIFY(qAbs((header2->y - header1->y) - 20 * kPointsPerMm) < 1.0);
  // The body moves with the margins: 30 mm right, 20 mm down.
  QVERIFY(qAbs((word2->x - word1->x) - 30 * kPointsPerMm) < 1.0);
  QVERIFY(qAbs((word2->y - word1->y) - 20 * kPointsPerMm) < 1.0);
}

void PrintTest::wholeGeneratedFileSpansPages() {
  const std::string file = dir_.Sub("result.tmp");
  {
    // Laid out as the result list's document: a heading, then one paragraph per row.
    TTextGenerator g(file);
    g.NewChapter(1, "Search results");
    for (int i = 0; i < 150; ++i) {
      g.StartParagraph();
      g.AddText("item" + std::to_string(1000 + i) + " of the list");
    }
    g.Close();
  }
  TPrintTextForm form(*context_, std::make_unique<TPPFFile>(file, "Fundstellenliste"), 0, 0, 0,
                      true);
  const QString pdf = QString::fromStdString(dir_.Sub("whole.pdf"));
  form.SetPdfOutput(pdf);
  QVERIFY(form.Print());
  const QString text = LayoutText(pdf);
  const int pages = text.count('\f');
  QVERIFY2(pages >= 2, qPrintable(text));
  // The headers count the printed pages; the generated file has no source pages of its own.
  for (int page = 1; page <= pages; ++page)
    QCOMPARE(text.count(QRegularExpression(
                 QString("Fundstellenliste, page\\(s\\): %1\\b(?! -)").arg(page))),
             1);
  QVERIFY(!text.contains(QString("page(s): %1").arg(pages + 1)));
  for (int i = 0; i < 150; ++i) QCOMPARE(text.count(QString("item%1 ").arg(1000 + i)), 1);
}

void PrintTest::pageSetupStoresMarginsAndLettersReadAsZero() {
  TSeitenForm seiten;
  seiten.SetMargins({12, 13, 14, 15});
  seiten.findChild<QLineEdit*>("LeftEdit")->setText("abc");
  seiten.findChild<QLineEdit*>("BottomEdit")->setText(" 7 ");
  const PageMargins m = seiten.Margins();
  QCOMPARE(m.Left, 0);
  QCOMPARE(m.Right, 13);
  QCOMPARE(m.Top, 14);
  QCOMPARE(m.Bottom, 7);

  // Through the print dialog's Page... button: the store keeps left, right, top, bottom.
  TPrintTextForm form(*context_, Text(), 1, 5, 0, false);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TSeitenForm*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->findChild<QLineEdit*>("TopEdit")->text(), QString("10"));
    dialog->findChild<QLineEdit*>("LeftEdit")->setText("x1");
    dialog->findChild<QLineEdit*>("RightEdit")->setText("21");
    dialog->findChild<QLineEdit*>("TopEdit")->setText("22");
    dialog->findChild<QLineEdit*>("BottomEdit")->setText("23");
    dialog->findChild<QPushButton*>("OKButton")->click();
  });
  form.findChild<QPushButton*>("SeiteButton")->click();
  QCOMPARE(StoredPBorders(), QString("0 21 22 23"));
  QCOMPARE(form.Settings().Margins.Top, 22);
}

QTEST_MAIN(PrintTest)
#include "print_test.moc"
