#include "gui/text/text_child.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/source_parser.h"
#include "collection/calderwick_data.h"
#include "collection/text_info.h"
#include "gui/text/goto_page_dialog.h"
#include "support/fakes.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"
#include "text/document.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/text_style.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

const std::filesystem::path kSampleDir =
    std::filesystem::path(QUILLMAR_SOURCE_DIR) / "samples/sample";
constexpr char kCD[] = "QMSA0001";

// Records the requests a text window makes of the main window.
class RecordingServices : public WindowServices {
 public:
  void OpenCompanion(TTextChild*, int32_t layer, int32_t position) override {
    calls << QString("companion %1 %2").arg(layer).arg(position);
  }
  void ResolveLink(TTextChild*, int32_t type, const std::string& target) override {
    calls << QString("link %1 %2").arg(type).arg(QString::fromStdString(target));
  }
  void OpenPicture(TTextChild*, const std::string& file, const QString& caption) override {
    calls << QString("picture %1 %2").arg(QString::fromStdString(file), caption);
  }
  void OpenTable(TTextChild*, int32_t position) override {
    calls << QString("table %1").arg(position);
  }
  void SynchroniseOthers(TTextChild*, int32_t line) override {
    calls << QString("sync %1").arg(line);
  }
  void ShowHelp(const QString& topic) override { calls << "help " + topic; }
  void ChangeFontSize(int steps) override { calls << QString("font %1").arg(steps); }
  void TextWindowClosed(TTextChild*) override { calls << "closed"; }
  QStringList calls;
};

// Every word of a stream file by start position, as the reader decodes it.
class AllWords : public ParagraphSink {
 public:
  std::vector<StreamWord> words;
  void AddWord(const StreamWord& w) override { words.push_back(w); }
  void AddMarginWord(const StreamWord& w) override { words.push_back(w); }
  void SetCentred(bool) override {}
  void SetJustified(bool) override {}
  void SetIndentMode(uint8_t) override {}
  void SetParagraphNumber(int32_t) override {}
};

std::string WordText(const TWortListRecord& w) {
  std::string text;
  for (const TWortTeil& part : w.Parts) text += part.Text;
  return text;
}

// Calls f for every drawn word (and margin word) of the visible paragraphs.
template <typename F>
void ForVisibleWords(const TTextChild& w, F f) {
  const TAbsaetze& doc = w.Document();
  for (int32_t i = std::max(0, doc.FirstVisible()); i <= doc.LastVisible(); ++i) {
    const TZeilen& lines = doc.Paragraph(i).Lines();
    for (int32_t l = 0; l < lines.Count(); ++l) {
      for (const TWortListe* list : {&lines.Line(l).Words(), &lines.Line(l).MarginWords()})
        for (const TWortListRecord& word : *list)
          if (word.Drawn()) f(word);
    }
  }
}

const TWortListRecord* Visible(const TTextChild& w, std::function<bool(const TWortListRecord&)> p) {
  const TWortListRecord* found = nullptr;
  ForVisibleWords(w, [&](const TWortListRecord& word) {
    if (found == nullptr && p(word)) found = &word;
  });
  return found;
}

QPoint Centre(const TWortListRecord& w) {
  return {(w.Box.Left + w.Box.Right) / 2, (w.Box.Top + w.Box.Bottom) / 2};
}

QString Panel(const TTextChild& w, const char* name) {
  const auto* label = w.findChild<QLabel*>(name);
  return label != nullptr ? label->text() : QString("<none>");
}

}  // namespace

class TextChildTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void scrollingStopsAtBothEndsAndTheBottomIsLengthMinusTen();
  void pageDownStopsAtTheLastPage();
  void scrolledViewLooksLikeAFreshOne();
  void ctrlWheelChangesTheFontSize();
  void clickShiftClickCopyAndExport();
  void marginColumnOnlyForMainTextsWithTheFlag();
  void goToPageArabicAndRoman();
  void backAndNextReturnToRememberedPlaces();
  void backToAVanishedCollectionIsReported();
  void linkClicksAskTheMainWindow();
  void synchroniseAndHelpAskTheMainWindow();
  void missingTextFileAsksAndClosesOnCancel();
  void goToPageDialogRules();

 private:
  std::unique_ptr<TTextChild> Open(int layer, int32_t textNr = 1, ViewSettings view = {});
  std::string Stream(int32_t textNr, int layer);
  std::vector<StreamWord> Words(int32_t textNr);

  test::TempDir dir_;
  AppEnvironment env_;
  MemoryRegistryStore store_;
  test::FakeDrives drives_;
  test::ScriptedPrompts prompts_;
  RecordingPlugInHost plugins_;
  std::unique_ptr<TCalderwickData> catalog_;
  TextStyle style_;
  RecordingServices services_;
};

void TextChildTest::initTestCase() {
  SetCurrentLanguage(kEnglish);
  std::ifstream in(kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  builder::WriteCollection(
      builder::MergeSources({builder::ParseSource(source.str(), "sample.qms")}), dir_.Sub("cd"),
      (kSampleDir / "media").string());
  env_.default_program_directory = dir_.Sub("program");
  env_.version_major = 1;
  env_.version_minor = 7;
  std::filesystem::create_directories(dir_.Sub("program"));
  catalog_ = std::make_unique<TCalderwickData>(
      TCalderwickData::Platform{store_, drives_, prompts_, plugins_, env_});
  QVERIFY(catalog_->AnnounceDirectory(dir_.Sub("cd")));
}

void TextChildTest::init() {
  prompts_.asked.clear();
  prompts_.errors.clear();
  prompts_.infos.clear();
  prompts_.answers.clear();
  prompts_.on_ask = nullptr;
  services_.calls.clear();
}

std::unique_ptr<TTextChild> TextChildTest::Open(int layer, int32_t textNr, ViewSettings view) {
  auto w = std::make_unique<TTextChild>(*catalog_, style_, &services_);
  w->resize(480, 260);
  w->show();
  w->ApplyViewSettings(view);
  w->SetCollection(kCD);
  if (!w->OpenText(textNr, layer, false)) return w;
  w->GoToPosition(1);
  return w;
}

std::string TextChildTest::Stream(int32_t textNr, int layer) {
  TTextInfo info;
  info.Load(catalog_->GetTextInfoFile(kCD));
  info.Select(textNr);
  return layer == 1   ? info.GetLayer1DateiName()
         : layer == 2 ? info.GetLayer2DateiName()
                      : info.GetLayer3DateiName();
}

std::vector<StreamWord> TextChildTest::Words(int32_t textNr) {
  AllWords sink;
  for (const TAbsatzDataRecord& p : ParagraphCutter::Split(test::ReadFile(Stream(textNr, 1))))
    ParagraphParser().Parse(p.text, p.start, sink);
  return sink.words;
}

void TextChildTest::scrollingStopsAtBothEndsAndTheBottomIsLengthMinusTen() {
  auto w = Open(1);
  QCOMPARE(w->CurrentPosition(), 1);
  QTest::keyClick(w.get(), Qt::Key_Up);
  QTest::keyClick(w.get(), Qt::Key_PageUp);
  QCOMPARE(w->CurrentPosition(), 1);

  QTest::keyClick(w.get(), Qt::Key_Down);
  const int32_t second_line = w->CurrentPosition();
  QVERIFY(second_line > 1);
  QTest::keyClick(w.get(), Qt::Key_PageDown);
  QVERIFY(w->CurrentPosition() > second_line);

  auto* bar = w->findChild<QScrollBar*>("TextScrollBar");
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  QCOMPARE(w->CurrentPosition(), w->FileLength() - 10);
  QCOMPARE(bar->value(), bar->maximum());

  // Line by line to the very end, then further keys change nothing.
  int32_t last = -1;
  for (int i = 0; i < 100 && last != w->CurrentPosition(); ++i) {
    last = w->CurrentPosition();
    QTest::keyClick(w.get(), Qt::Key_Down);
  }
  QTest::keyClick(w.get(), Qt::Key_PageDown);
  QTest::keyClick(w.get(), Qt::Key_Down);
  QCOMPARE(w->CurrentPosition(), last);

  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  QCOMPARE(w->CurrentPosition(), 1);
  QCOMPARE(bar->value(), 1);

  // Dragging the thumb previews the page there; releasing it goes there.
  bar->setSliderDown(true);
  bar->setSliderPosition(9000);
  QCOMPARE(Panel(*w, "PagePanel"), QString("2"));
  QCOMPARE(Panel(*w, "LinePanel"), QString());
  QCOMPARE(w->CurrentPosition(), 1);
  bar->setSliderDown(false);
  QCOMPARE(w->CurrentPosition(), static_cast<int32_t>(std::lround(0.9 * w->FileLength())));
  QVERIFY2(prompts_.errors.empty(), prompts_.errors.empty() ? "" : prompts_.errors[0].c_str());
}

void TextChildTest::pageDownStopsAtTheLastPage() {
  auto w = Open(1);
  int32_t last = -1;
  int presses = 0;
  for (; presses < 200 && last != w->CurrentPosition(); ++presses) {
    last = w->CurrentPosition();
    QTest::keyClick(w.get(), Qt::Key_PageDown);
  }
  QVERIFY(presses > 2);
  // The window is still full and shows the end of the text; one line more would not be.
  const TAbsaetze& doc = w->Document();
  const int area = w->height() - w->findChild<QWidget*>("TextStatusBar")->sizeHint().height();
  QVERIFY(doc.HeightFromCurrent() >= area);
  QVERIFY(doc.HeightFromCurrent() - doc.CurrentLineHeight() < area);
  const StreamWord end = Words(1).back();
  QVERIFY(Visible(*w, [&](const TWortListRecord& r) { return r.StartPos == end.start_position; }));
}

void TextChildTest::scrolledViewLooksLikeAFreshOne() {
  auto w = Open(1);
  const QRect area(0, 0, w->width() - w->findChild<QScrollBar*>("TextScrollBar")->width(),
                   w->height() - w->findChild<QWidget*>("TextStatusBar")->height());
  // Centred chapter headings come along; nothing of an earlier view may stay around them.
  const Qt::Key keys[] = {Qt::Key_PageDown, Qt::Key_Down,   Qt::Key_PageDown, Qt::Key_Down,
                          Qt::Key_Up,       Qt::Key_PageUp, Qt::Key_PageDown};
  for (const Qt::Key key : keys) {
    QTest::keyClick(w.get(), key);
    auto fresh = std::make_unique<TTextChild>(*catalog_, style_, &services_);
    fresh->resize(w->size());
    fresh->show();
    fresh->ApplyViewSettings({});
    fresh->SetCollection(kCD);
    QVERIFY(fresh->OpenText(1, 1, false));
    fresh->GoToPosition(w->CurrentPosition());
    QCOMPARE(fresh->CurrentPosition(), w->CurrentPosition());
    QVERIFY2(w->grab(area).toImage() == fresh->grab(area).toImage(),
             qPrintable(QTest::toString(key)));
  }
}

void TextChildTest::ctrlWheelChangesTheFontSize() {
  auto w = Open(1);
  auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF at(20, 20);
    QWheelEvent event(at, w->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.get(), &event);
  };
  wheel(-120, Qt::ControlModifier);
  wheel(60, Qt::ControlModifier);  // half a notch back does nothing yet
  wheel(300, Qt::ControlModifier);
  QCOMPARE(services_.calls, (QStringList{"font -1", "font 3"}));
  // Without Ctrl the wheel scrolls and leaves the font alone.
  wheel(-120, Qt::NoModifier);
  QVERIFY(w->CurrentPosition() > 1);
  QCOMPARE(services_.calls.size(), 2);
}

void TextChildTest::clickShiftClickCopyAndExport() {
  auto w = Open(1);
  auto named = [&](const char* text) {
    return Visible(*w, [&](const TWortListRecord& r) { return WordText(r) == text; });
  };
  auto marked = [&] {
    QStringList words;
    ForVisibleWords(*w, [&](const TWortListRecord& r) {
      if (r.MarkingKind == 1) words << QString::fromStdString(WordText(r));
    });
    return words;
  };
  const TWortListRecord* translated = named("Translated");
  const TWortListRecord* english = named("English");
  QVERIFY(translated != nullptr && english != nullptr);
  const int32_t from = translated->StartPos;
  const int32_t to = english->StartPos;
  const QPoint english_at = Centre(*english);

  QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*translated));
  QCOMPARE(marked(), QStringList{"Translated"});
  QCOMPARE(w->MarkedFrom(), from);
  QCOMPARE(w->MarkedTo(), from);

  QTest::mouseClick(w.get(), Qt::LeftButton, Qt::ShiftModifier, english_at);
  QCOMPARE(marked(), (QStringList{"Translated", "into", "English"}));
  QCOMPARE(w->MarkedFrom(), from);
  QCOMPARE(w->MarkedTo(), to);

  w->Copy();
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("Translated into English"));
  const std::string out = dir_.Sub("export/selection.txt");
  std::filesystem::create_directories(dir_.Sub("export"));
  QVERIFY(w->Export(QString::fromStdString(out)));
  std::string written = test::ReadFile(out);
  std::erase(written, '\r');
  QCOMPARE(written, std::string("Translated into English\n"));
  QVERIFY(w->BookmarkCaption().endsWith(", Page: 3"));

  // Shift-click from the anchor backwards; then a click on empty space clears everything.
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, english_at);
  QCOMPARE(marked(), QStringList{"English"});
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, QPoint(1, 1));
  QVERIFY(marked().isEmpty());
  QVERIFY(!w->HasSelection());
  QCOMPARE(w->MarkedFrom(), 0);
  w->MarkParagraph();
  QCOMPARE(prompts_.infos.size(), size_t{1});

  // With Unicode Greek shown, words taken from inside a Greek passage are copied and saved in
  // Unicode (the passage's font code stands before its first word).
  ViewSettings unicode;
  unicode.unicodeGreek = true;
  w->ApplyViewSettings(unicode);
  QVERIFY(w->GoToPage("1"));
  std::vector<const TWortListRecord*> greekWords;
  ForVisibleWords(*w, [&](const TWortListRecord& r) {
    if (!r.Margin &&
        std::any_of(r.Parts.begin(), r.Parts.end(), [](const TWortTeil& t) { return t.Wide; }))
      greekWords.push_back(&r);
  });
  QVERIFY(greekWords.size() >= 4);
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, Centre(*greekWords[2]));
  QTest::mouseClick(w.get(), Qt::LeftButton, Qt::ShiftModifier, Centre(*greekWords[3]));
  w->Copy();
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("ἱστορίης ἀπόδεξις"));
  QVERIFY(w->Export(QString::fromStdString(out)));
  written = test::ReadFile(out);
  std::erase(written, '\r');
  QCOMPARE(written, std::string("ἱστορίης ἀπόδεξις\n"));
}

void TextChildTest::marginColumnOnlyForMainTextsWithTheFlag() {
  auto drawnMargin = [](const TTextChild& w) {
    return Visible(w, [](const TWortListRecord& r) { return r.Margin; }) != nullptr;
  };
  // The proem paragraph carries margin notes and a scholion link in the margin column.
  auto main = Open(1);
  QVERIFY(main->GoToPage("1"));
  QCOMPARE(main->LeftBorder(), ViewSettings{}.borderWidth);
  QVERIFY(drawnMargin(*main));

  auto wide = [](const TTextChild& w) {
    return Visible(w, [](const TWortListRecord& r) {
             return std::any_of(r.Parts.begin(), r.Parts.end(),
                                [](const TWortTeil& t) { return t.Wide; });
           }) != nullptr;
  };
  QVERIFY(!wide(*main));
  ViewSettings greek;
  greek.unicodeGreek = true;
  main->ApplyViewSettings(greek);
  QVERIFY(wide(*main));
  QVERIFY(drawnMargin(*main));

  ViewSettings narrow;
  narrow.borderWidth = 10;
  auto thin = Open(1, 1, narrow);
  QVERIFY(thin->GoToPage("1"));
  QVERIFY(!drawnMargin(*thin));

  for (int layer : {2, 3}) {
    auto companion = Open(layer);
    QVERIFY(companion->HasText());
    QCOMPARE(companion->LeftBorder(), 2);
    QVERIFY(!drawnMargin(*companion));
  }
}

void TextChildTest::goToPageArabicAndRoman() {
  auto w = Open(1);
  TTextInfo info;
  info.Load(catalog_->GetTextInfoFile(kCD));
  info.Select(1);

  QVERIFY(w->GoToPage(" 2 "));
  QCOMPARE(w->CurrentPosition(), info.GetSeitenPosition("2", 1));
  QCOMPARE(Panel(*w, "PagePanel"), QString("2"));
  QVERIFY(w->GoToPage("iii"));
  QCOMPARE(w->CurrentPosition(), info.GetSeitenPosition("iii", 1));
  QCOMPARE(Panel(*w, "PagePanel"), QString("III"));

  QVERIFY(!w->GoToPage("77"));
  QCOMPARE(prompts_.infos, std::vector<std::string>{"The page not exists."});
  QCOMPARE(w->CurrentPosition(), info.GetSeitenPosition("iii", 1));

  // A file window has no pages.
  TTextChild file(*catalog_, style_, nullptr);
  file.resize(300, 200);
  QVERIFY(file.OpenFile(Stream(1, 1), "file", 1));
  QVERIFY(!file.GoToPage("2"));
  QCOMPARE(file.CurrentPosition(), 1);
}

void TextChildTest::backAndNextReturnToRememberedPlaces() {
  auto w = Open(1);
  QVERIFY(!w->CanGoBack() && !w->CanGoNext());
  const int32_t start = w->Document().FirstVisibleWord()->StartPos;
  w->RememberPosition();
  w->RememberPosition();
  QVERIFY(!w->CanGoBack());
  QVERIFY(w->GoToPage("2"));
  const int32_t page2 = w->Document().FirstVisibleWord()->StartPos;
  w->RememberPosition();
  QVERIFY(w->CanGoBack());

  w->Back();
  QCOMPARE(w->CurrentPosition(), start);
  QVERIFY(w->CanGoNext() && !w->CanGoBack());
  w->Next();
  QCOMPARE(w->CurrentPosition(), page2);
  QVERIFY(!w->CanGoNext());
}

void TextChildTest::backToAVanishedCollectionIsReported() {
  // The collection is found in a drive; its medium is taken out while a window shows it.
  test::FakeDrives drives;
  drives.drives = {dir_.Sub("cd")};
  MemoryRegistryStore store;
  TCalderwickData catalog(TCalderwickData::Platform{store, drives, prompts_, plugins_, env_});
  catalog.ScanCDs();
  QVERIFY(catalog.GetCDIndex(kCD) >= 0);
  TTextChild w(catalog, style_, &services_);
  w.resize(480, 260);
  w.show();
  w.SetCollection(kCD);
  QVERIFY(w.OpenText(1, 1, false));
  w.GoToPosition(1);
  w.RememberPosition();
  QVERIFY(w.GoToPage("2"));
  w.RememberPosition();
  drives.drives.clear();
  catalog.ScanCDs();
  QVERIFY(catalog.GetCDIndex(kCD) < 0);
  w.Back();
  QCOMPARE(prompts_.errors.size(), size_t{1});
}

void TextChildTest::linkClicksAskTheMainWindow() {
  auto click = [&](TTextChild& w, int32_t position, uint8_t kind) {
    w.GoToPosition(position);
    const TWortListRecord* word =
        Visible(w, [&](const TWortListRecord& r) { return r.Link && r.LinkKind == kind; });
    if (word == nullptr) return QString("no visible link of kind %1").arg(kind);
    services_.calls.clear();
    QTest::mouseClick(&w, Qt::LeftButton, {}, Centre(*word));
    return services_.calls.join("|");
  };
  auto first_of_kind = [](const std::vector<StreamWord>& words, uint8_t kind) {
    for (const StreamWord& s : words)
      if (s.link && s.link_kind == kind) return s;
    return StreamWord{};
  };

  auto main = Open(1);
  const std::vector<StreamWord> words = Words(1);
  const StreamWord footnote = first_of_kind(words, 1);
  const StreamWord scholion = first_of_kind(words, 2);
  const StreamWord remark = first_of_kind(words, 3);
  const StreamWord picture = first_of_kind(words, 4);
  const StreamWord place = first_of_kind(words, 100);
  QCOMPARE(click(*main, footnote.start_position, 1),
           QString("companion 2 %1").arg(footnote.link_number));
  QCOMPARE(click(*main, scholion.start_position, 2),
           QString("companion 3 %1").arg(scholion.link_number));
  QCOMPARE(click(*main, remark.start_position, 3),
           QString("companion 3 %1").arg(remark.link_number));
  QCOMPARE(
      click(*main, picture.start_position, 4),
      QString("picture lydia.png %1 (picture %2)").arg(main->Title()).arg(picture.link_number));
  QCOMPARE(click(*main, place.start_position, 100),
           "link 100 " + QString::fromStdString(place.link_target));

  auto comm = Open(1, 2);
  const StreamWord reference = first_of_kind(Words(2), 101);
  QCOMPARE(click(*comm, reference.start_position, 101),
           "link 101 " + QString::fromStdString(reference.link_target));
  int32_t table = -1;
  for (const TAbsatzDataRecord& p : ParagraphCutter::Split(test::ReadFile(Stream(2, 1))))
    if (p.text.find("\x01<") < 5) table = p.start;
  QVERIFY(table > 0);
  QCOMPARE(click(*comm, table, 5), QString("table %1").arg(table));
}

void TextChildTest::synchroniseAndHelpAskTheMainWindow() {
  auto w = Open(1);
  QVERIFY(w->GoToPage("1"));
  QVERIFY(!w->Synoptic());
  w->Synchronise();
  QVERIFY(w->Synoptic());
  QCOMPARE(services_.calls.size(), 1);
  QVERIFY(services_.calls[0].startsWith("sync "));
  const bool found = services_.calls[0] != "sync -1";
  QVERIFY(Panel(*w, "LabelPanel").endsWith(found ? "(synchron)" : "(not synchron)"));
  // Every move in synchronise mode synchronises again.
  QTest::keyClick(w.get(), Qt::Key_Down);
  QCOMPARE(services_.calls.size(), 2);

  services_.calls.clear();
  QTest::keyClick(w.get(), Qt::Key_F1);
  QCOMPARE(services_.calls, QStringList{"help IDH_13000"});
  // A footnote window has no synchronise mode.
  auto notes = Open(2);
  notes->Synchronise();
  QVERIFY(!notes->Synoptic());
}

void TextChildTest::missingTextFileAsksAndClosesOnCancel() {
  try {
    TTextChild w(*catalog_, style_, nullptr);
    w.SetCollection("NONE0001");
    QFAIL("an unknown collection was accepted");
  } catch (const InternalError& e) {
    QCOMPARE(e.Code(), std::string("TC-SID-001"));
  }

  // The medium comes back while the user is asked: Retry goes on.
  const std::string scholia = Stream(1, 3);
  std::filesystem::rename(scholia, scholia + ".away");
  ClearPathCache();
  prompts_.answers = {PromptResult::kRetry};
  prompts_.on_ask = [&] { std::filesystem::rename(scholia + ".away", scholia); };
  auto back = Open(3);
  QCOMPARE(prompts_.asked.size(), size_t{1});
  QVERIFY(back->HasText());
  QVERIFY(back->isVisible());

  // Cancel closes the window and the operation does nothing.
  prompts_.asked.clear();
  prompts_.on_ask = nullptr;
  TTextChild w(*catalog_, style_, &services_);
  w.show();
  QVERIFY(!w.OpenFile(dir_.Sub("cd/data/missing.txt"), "missing", 1));
  QCOMPARE(prompts_.asked.size(), size_t{1});
  QVERIFY(!w.isVisible());
  QCOMPARE(services_.calls, QStringList{"closed"});
  w.GoToPosition(5);
  QVERIFY(!w.HasText());
}

void TextChildTest::goToPageDialogRules() {
  TGeheZuSeiteForm dialog;
  QCOMPARE(dialog.windowTitle(), QString("Go to page..."));
  auto run = [&](const QString& text, const char* button) {
    QTimer::singleShot(0, [&] {
      dialog.findChild<QLineEdit*>("SeitenEdit")->setText(text);
      QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    });
    return dialog.exec();
  };
  QCOMPARE(run(" xii ", "OKButton"), TGeheZuSeiteForm::kOpened);
  QCOMPARE(dialog.PageText(), QString("xii"));
  QCOMPARE(run("   ", "OKButton"), TGeheZuSeiteForm::kCancelled);
  QCOMPARE(run("12", "CancelButton"), TGeheZuSeiteForm::kCancelled);
  QCOMPARE(dialog.PageText(), QString());
}

QTEST_MAIN(TextChildTest)
#include "text_child_test.moc"
