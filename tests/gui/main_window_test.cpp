#include "gui/app/main_window.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <fstream>
#include <map>
#include <sstream>

#include "base/bytes.h"
#include "collection/settings_store.h"
#include "collection/text_info.h"
#include "gui/app/companion_placement.h"
#include "gui/app/help_window.h"
#include "gui/app/single_instance.h"
#include "gui/gui_fixture.h"
#include "gui/navigation/navigation_form.h"
#include "gui/search_ui/result_form.h"
#include "gui/text/cross_reference_links.h"
#include "gui/text/print_form.h"
#include "support/collection_writer.h"
#include "text/davur_ured.h"
#include "text/document.h"
#include "text/paragraph_cutter.h"
#include "text/text_style.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

constexpr const char* kCD = test::kSampleCD;
constexpr char kLinkTable[] = "links.dat";

// One 83-byte link-table record.
std::vector<uint8_t> LinkRecord(int32_t key, const std::string& cdid, uint8_t text, uint8_t layer,
                                int32_t paragraph) {
  std::vector<uint8_t> r(83, 0);
  WriteInt32(r, 0, key);
  WriteShortString(r, 8, 8, cdid);
  r[17] = text;
  r[21] = layer;
  WriteInt32(r, 25, paragraph);
  return r;
}

// A main window on an in-memory settings store with scripted prompts.
struct Reader : test::TestContext {
  explicit Reader(int language = kEnglish, const std::string& collection = {})
      : TestContext(collection, language) {
    form = std::make_unique<TCalderwickForm>(*context);
    form->resize(1000, 800);
    form->setWindowState(Qt::WindowNoState);
  }
  SettingsStore& Settings() { return context->Catalog().Settings(); }
  QString FirstMenu() const { return form->menuBar()->actions().first()->text(); }

  std::unique_ptr<TCalderwickForm> form;
};

// Lets deferred deletions of closed windows happen.
void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

std::vector<int32_t> Layers(TCalderwickForm& form) {
  std::vector<int32_t> layers;
  for (TTextChild* t : form.TextWindows()) layers.push_back(t->Layer());
  return layers;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void windowListShowsFirstNineChildren();
  void newWindowsStayInsideTheArea();
  void standardKeysCloseAndPrint();
  void marginSteps_data();
  void marginSteps();
  void fontStepsStopAtTheirLimits();
  void languageOutsideOneAndTwoIsEnglish();
  void closeAllKeepsNavigation();
  void referenceReusesMainTextWindow();
  void companionClosingRules();
  void companionPlacedBesideText();
  void placeAndTableLinks();
  void crossReferenceLinks();
  void searchNeedsACollection();
  void hitsReuseOneTextWindow();
  void backAndNextRetraceJumps();
  void printCommandsOpenThePrintDialog();
  void addCollectionDirectory();
  void helpTopicsReachTheirAnchors();
  void secondInstanceExitsSilently();
  void synchronisedWindowsFollow();

 private:
  test::TempDir dir_;
  std::string collection_;
};

void MainWindowTest::initTestCase() {
  collection_ = test::BuildSampleCollection(dir_);
  // The link table the collection information names, declared in front of the end record.
  const std::string metaFile = ResolvePath(collection_ + "/ID/metainfo.dat");
  std::string meta = test::ReadFile(metaFile);
  const std::vector<uint8_t> property = test::MetaProperty('p', kLinkTable);
  meta.insert(meta.size() - property.size(), std::string(property.begin(), property.end()));
  test::WriteFile(metaFile, meta);
  std::vector<uint8_t> table = test::Concat(
      {LinkRecord(5, kCD, 1, 1, 0), LinkRecord(7, kCD, 2, 1, 0), LinkRecord(7, kCD, 1, 2, 0)});
  const std::vector<uint8_t> partial = LinkRecord(9, kCD, 2, 1, 0);
  table.insert(table.end(), partial.begin(), partial.begin() + 40);
  test::WriteFile(JoinPath(ResolvePath(collection_ + "/data"), kLinkTable), table);
}

void MainWindowTest::windowListShowsFirstNineChildren() {
  Reader r;
  r.form->CreateNavigation();
  std::vector<QMdiSubWindow*> children{r.form->MdiArea()->subWindowList().first()};
  for (int i = 2; i <= 10; ++i) {
    auto* w = new QWidget;
    w->setWindowTitle(QStringLiteral("child %1").arg(i));
    children.push_back(r.form->MdiArea()->addSubWindow(w));
    children.back()->show();
  }
  r.form->RebuildWindowList();
  const std::vector<QMdiSubWindow*> list = r.form->WindowList();
  QCOMPARE(list.size(), size_t{9});
  QVERIFY(std::equal(list.begin(), list.end(), children.begin()));

  children[9]->close();
  children[3]->close();
  Settle();
  r.form->RebuildWindowList();
  QCOMPARE(r.form->WindowList().size(), size_t{8});
}

// Result lists open inside the client area, each a step
// down and to the right of the one before, and start again at the top left: no scroll bar.
void MainWindowTest::newWindowsStayInsideTheArea() {
  Reader r;
  r.form->resize(700, 500);
  r.form->show();
  QMdiArea* mdi = r.form->MdiArea();
  QPoint previous(-1, -1);
  bool wrapped = false;
  for (int i = 0; i < 12; ++i) {
    TSuchResultForm* list = r.form->CreateResultList();
    list->Zeigen();
    QCoreApplication::processEvents();
    const QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(list->parentWidget());
    QVERIFY(sub != nullptr);
    QVERIFY2(mdi->viewport()->rect().contains(sub->geometry()), qPrintable(QString::number(i)));
    if (sub->pos().x() <= previous.x() && sub->pos().y() <= previous.y()) wrapped = true;
    previous = sub->pos();
  }
  QVERIFY(wrapped);
  QVERIFY(!mdi->horizontalScrollBar()->isVisible());
  QVERIFY(!mdi->verticalScrollBar()->isVisible());
}

// The platform's keys for Close reach the active sub-window, and those for Print the print command.
void MainWindowTest::standardKeysCloseAndPrint() {
  Reader r;
  r.form->show();
  QVERIFY(QTest::qWaitForWindowActive(r.form.get()));
  for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Close)) {
    QPointer<TSuchResultForm> list = r.form->CreateResultList();
    list->Zeigen();
    r.form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    QTest::keySequence(r.form.get(), key);
    Settle();
    QVERIFY2(list.isNull(), qPrintable(key.toString()));
  }
  // The Print keys print the active result list: its format dialog comes up.
  QPointer<TSuchResultForm> list = r.form->CreateResultList();
  list->Zeigen();
  r.form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
  QString shown;
  QTimer::singleShot(0, [&shown] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = modal->metaObject()->className();
      modal->close();
    }
  });
  QTest::keySequence(r.form.get(), QKeySequence(QKeySequence::Print));
  QCOMPARE(shown, QString("quillmar::gui::TSuchFormatForm"));
}

void MainWindowTest::marginSteps_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<bool>("wider");
  QTest::addColumn<int>("expected");
  QTest::newRow("19 wider") << 19 << true << 30;
  QTest::newRow("60 wider") << 60 << true << 73;
  QTest::newRow("29 narrower") << 29 << false << 0;
  QTest::newRow("60 narrower") << 60 << false << 51;
  QTest::newRow("30 narrower") << 30 << false << 26;
}

void MainWindowTest::marginSteps() {
  QFETCH(int, width);
  QFETCH(bool, wider);
  QFETCH(int, expected);
  Reader r(kEnglish, collection_);
  r.form->CreateNavigation();
  r.Settings().SetBorderWidth(width);
  r.form->OpenTextFromReference(kCD, 1, 0);
  wider ? r.form->MarginWider() : r.form->MarginNarrower();
  QCOMPARE(r.Settings().GetBorderWidth(), expected);
  QCOMPARE(r.form->CurrentViewSettings().borderWidth, expected);
}

void MainWindowTest::fontStepsStopAtTheirLimits() {
  Reader r;
  auto font3 = [&] { return r.context->Style().Fonts(false).FontOf(3).size; };
  r.Settings().SetFontSize(79);
  r.context->RebuildTextStyle();
  r.form->FontBigger();
  QCOMPARE(r.Settings().GetFontSize(), 80);
  QCOMPARE(font3(), 80);
  r.form->FontBigger();
  QCOMPARE(r.Settings().GetFontSize(), 80);

  r.Settings().SetFontSize(4);
  r.context->RebuildTextStyle();
  r.form->FontSmaller();
  QCOMPARE(font3(), 3);
  r.form->FontSmaller();
  QCOMPARE(r.Settings().GetFontSize(), 3);
  QCOMPARE(font3(), 3);

  // Ctrl+plus, Ctrl+= and Ctrl+minus step the size like the menu.
  r.form->show();
  QVERIFY(QTest::qWaitForWindowActive(r.form.get()));
  QTest::keyClick(r.form.get(), Qt::Key_Plus, Qt::ControlModifier);
  const int once = font3();
  QVERIFY(once > 3);
  QTest::keyClick(r.form.get(), Qt::Key_Equal, Qt::ControlModifier);
  QVERIFY(font3() > once);
  QTest::keyClick(r.form.get(), Qt::Key_Minus, Qt::ControlModifier);
  QCOMPARE(font3(), once);
}

void MainWindowTest::languageOutsideOneAndTwoIsEnglish() {
  for (int language : {0, 3}) {
    Reader r(language);
    QCOMPARE(r.FirstMenu(), QStringLiteral("&File"));
  }
  Reader german(kGerman);
  QCOMPARE(german.FirstMenu(), QStringLiteral("&Datei"));
  // A language change takes effect when the captions are set again.
  SetCurrentLanguage(kEnglish);
  german.form->SetCaptions();
  QCOMPARE(german.FirstMenu(), QStringLiteral("&File"));
}

void MainWindowTest::closeAllKeepsNavigation() {
  Reader r(kEnglish, collection_);
  TNavigationForm* navigation = r.form->CreateNavigation();
  r.form->OpenTextFromReference(kCD, 1, 0);
  r.form->OpenTextInNewWindow(kCD, 2, 0);
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  r.form->CloseAll();
  Settle();
  QVERIFY(r.form->TextWindows().empty());
  QCOMPARE(r.form->MdiArea()->subWindowList().size(), qsizetype{1});
  QCOMPARE(r.form->Navigation(), navigation);

  // Closing the navigation window itself only minimises it.
  QMdiSubWindow* sub = r.form->MdiArea()->subWindowList().first();
  sub->close();
  Settle();
  QCOMPARE(r.form->MdiArea()->subWindowList().size(), qsizetype{1});
  QVERIFY(sub->isMinimized());
  r.form->ShowNavigation();
  QVERIFY(!sub->isMinimized());
}

void MainWindowTest::referenceReusesMainTextWindow() {
  Reader r(kEnglish, collection_);
  r.form->OpenTextFromReference(kCD, 1, 0);
  r.form->OpenTextFromReference(kCD, 1, 100);
  QCOMPARE(r.form->TextWindows().size(), size_t{1});
  r.form->OpenTextInNewWindow(kCD, 1, 0);
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  // Only a synoptic window is reused for a synoptic request.
  r.form->OpenTextSynoptic(kCD, 1, 0);
  QCOMPARE(r.form->TextWindows().size(), size_t{3});
  // A collection that is not catalogued opens nothing.
  r.form->OpenTextFromReference("NONE0001", 1, 0);
  QCOMPARE(r.form->TextWindows().size(), size_t{3});
}

void MainWindowTest::companionClosingRules() {
  Reader r(kEnglish, collection_);
  r.form->show();
  auto openAll = [&] {
    r.form->OpenTextFromReference(kCD, 1, 0);
    TTextChild* main = r.form->TextWindows().front();
    r.form->OpenCompanion(main, 2, 0);
    r.form->OpenCompanion(main, 3, 0);
    r.form->OpenCompanion(main, 2, 0);  // reused
    return main;
  };
  TTextChild* main = openAll();
  r.form->OpenTextInNewWindow(kCD, 2, 0);  // another text stays open throughout
  QCOMPARE(Layers(*r.form), (std::vector<int32_t>{1, 2, 3, 1}));

  // Closing the scholia window closes the footnotes of that text.
  r.form->TextWindows()[2]->parentWidget()->close();
  Settle();
  QCOMPARE(Layers(*r.form), (std::vector<int32_t>{1, 1}));

  r.form->OpenCompanion(main, 2, 0);
  r.form->OpenCompanion(main, 3, 0);
  QCOMPARE(Layers(*r.form), (std::vector<int32_t>{1, 1, 2, 3}));
  // Closing a footnote window leaves the others.
  r.form->TextWindows()[2]->parentWidget()->close();
  Settle();
  QCOMPARE(Layers(*r.form), (std::vector<int32_t>{1, 1, 3}));
  // Closing the main text closes its companions, not the other text.
  r.form->OpenCompanion(main, 2, 0);
  main->parentWidget()->close();
  Settle();
  QCOMPARE(Layers(*r.form), (std::vector<int32_t>{1}));
  QCOMPARE(r.form->TextWindows().front()->TextNr(), 2);
}

void MainWindowTest::companionPlacedBesideText() {
  const QRect client(0, 0, 1000, 800);
  // Room on the right: the companion covers nothing.
  const QRect text(0, 0, 500, 800);
  QRect r = CompanionPlacement::Place(client, text, std::nullopt);
  QCOMPARE(CompanionPlacement::Covered(r, text), 0LL);
  QVERIFY(client.contains(r));
  // With the right side taken by the other companion, it goes below or covers least.
  const QRect narrow(0, 0, 500, 400);
  const QRect other(501, 0, 499, 800);
  r = CompanionPlacement::Place(client, narrow, other);
  QCOMPARE(CompanionPlacement::Covered(r, narrow) + CompanionPlacement::Covered(r, other), 0LL);
  // A text window filling the client area: the companion stays inside, 4 pixels smaller.
  r = CompanionPlacement::Place(client, client, std::nullopt);
  QVERIFY(client.contains(r));
  QVERIFY(r.width() <= 996 && r.height() <= 796);
  QCOMPARE(CompanionPlacement::Covered(QRect(0, 0, 2, 3), QRect(1, 1, 5, 5)), 2LL);
}

void MainWindowTest::placeAndTableLinks() {
  Reader r(kEnglish, collection_);
  r.form->OpenTextFromReference(kCD, 1, 0);
  TTextChild* from = r.form->TextWindows().front();

  // Kind 100: four fields separated by runs of blanks.
  r.form->ResolveLink(from, 100, std::string(kCD) + "   2  1 0");
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  QCOMPARE(r.form->TextWindows().back()->TextNr(), 2);

  // Kind 101: the first record with the key counts (text 2 layer 1, already open: reused).
  r.form->ResolveLink(from, 101, "7");
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  QVERIFY(r.prompts->errors.empty());
  // Key 5 leads to text 1 layer 1, the window itself.
  r.form->ResolveLink(from, 102, "5");
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  QVERIFY(r.prompts->errors.empty());

  // Unknown key, key in the cut-off last record, not a number: the error box, no window.
  for (const char* key : {"8", "9", "x7"}) {
    r.form->ResolveLink(from, 101, key);
    QCOMPARE(r.prompts->errors.size(), size_t{1});
    QCOMPARE(r.prompts->errors.back(), std::string("Unable to detect link target."));
    r.prompts->errors.clear();
  }
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
}

// The words of the document's paragraph that holds text position `start`.
std::vector<const TWortListRecord*> ParagraphWords(const TTextChild& w, int32_t start) {
  std::vector<const TWortListRecord*> words;
  const TAbsaetze& doc = w.Document();
  for (int32_t i = 0; i < doc.Count(); ++i) {
    if (!doc.Paragraph(i).Contains(start)) continue;
    const TZeilen& lines = doc.Paragraph(i).Lines();
    for (int32_t l = 0; l < lines.Count(); ++l)
      for (const TWortListRecord& word : lines.Line(l).Words()) words.push_back(&word);
  }
  return words;
}

// "kind:target" of each word ("-" for a word without a link), joined by blanks.
QString LinksOf(const std::vector<const TWortListRecord*>& words) {
  QStringList out;
  for (const TWortListRecord* w : words)
    out << (w->Link ? QString("%1:%2")
                          .arg(w->LinkKind)
                          .arg(QString::fromStdString(w->LinkTarget ? w->LinkTarget->Target : ""))
                    : QString("-"));
  out.removeDuplicates();
  return out.join(' ');
}

void MainWindowTest::crossReferenceLinks() {
  // The sample as built, without the link table the other tests add.
  test::TempDir dir;
  std::ifstream in(test::kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  const std::string cd = dir.Sub("cd");
  test::BuildCollection(source.str(), cd, (test::kSampleDir / "media").string());
  Reader r(kEnglish, cd);
  r.form->show();
  r.form->CreateNavigation();  // its refresh reads the collections' lookup files
  CrossReferenceLinks& links = *r.form->CrossReferences();
  QCOMPARE(links.Lookups().Count(), size_t{1});
  QCOMPARE(links.MainWindow(), static_cast<QWidget*>(r.form.get()));

  // Paragraph starts of text 1 by reference key.
  std::map<std::string, int32_t> keyed;
  std::vector<int32_t> starts;
  TTextInfo info;
  info.Load(r.Catalog().GetTextInfoFile(kCD));
  info.Select(1);
  for (const TAbsatzDataRecord& p :
       ParagraphCutter::Split(test::ReadFile(info.GetLayer1DateiName())))
    if (const std::string key = TDavurUredInterface::ReferenceKeyOf(p.text); !key.empty())
      keyed[key] = p.start;
    else if (keyed.count("3.") == 0)
      starts.push_back(p.start);
  QCOMPARE(keyed.size(), size_t{3});  // the Greek proem, I 2 (with a footnote), Io

  r.form->OpenTextFromReference(kCD, 1, 0);
  TTextChild* w = r.form->TextWindows().front();
  auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
  sub->resize(700, 500);
  Settle();
  auto moveOver = [&](const std::string& key, size_t index = 0) {
    w->GoToPosition(keyed[key]);
    const std::vector<const TWortListRecord*> words = ParagraphWords(*w, keyed[key]);
    QVERIFY(index < words.size() && words[index]->Drawn());
    const QPointF at((words[index]->Box.Left + words[index]->Box.Right) / 2.0,
                     (words[index]->Box.Top + words[index]->Box.Bottom) / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
  };
  auto key = [&](QEvent::Type type, Qt::Key k, Qt::KeyboardModifiers mods) {
    QKeyEvent event(type, k, mods);
    QApplication::sendEvent(w, &event);
  };

  // Off (the default): nothing is marked.
  moveOver("1.");
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["1."])), QString("-"));
  QCOMPARE(links.TextWindow(), static_cast<TTextChild*>(nullptr));

  r.Settings().SetSmartLinks(true);
  moveOver("1.");
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["1."])), QString("102:1"));
  QCOMPARE(links.TextWindow(), w);

  // I 2 has a footnote of its own: it stays as it is, and the last link goes.
  moveOver("2.");
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["2."])), QString("- 1:"));
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["1."])), QString("-"));

  // Releasing a key removes the links; the same paragraph links again on the next move.
  moveOver("3.");
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["3."])), QString("102:3"));
  key(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["3."])), QString("-"));
  moveOver("3.", 1);
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["3."])), QString("102:3"));

  // Ctrl marks every shown paragraph with a known key, from the first shown one on.
  key(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  w->GoToPosition(starts.back());  // I 3, just above the paragraph on Io
  // As from the platform: the Ctrl key's own press reports Ctrl as the only modifier.
  key(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["3."])), QString("102:3"));
  key(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
  QCOMPARE(LinksOf(ParagraphWords(*w, keyed["3."])), QString("-"));

  // A click on the link opens the commentary at the note on Io.
  moveOver("3.");
  const TWortListRecord* word = ParagraphWords(*w, keyed["3."]).front();
  QTest::mouseClick(
      w, Qt::LeftButton, {},
      QPoint((word->Box.Left + word->Box.Right) / 2, (word->Box.Top + word->Box.Bottom) / 2));
  QVERIFY(r.prompts->errors.empty());
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  TTextChild* target = r.form->TextWindows().back();
  QCOMPARE(target->TextNr(), 2);
  const TWortListRecord* first = target->Document().FirstVisibleWord();
  QVERIFY(first != nullptr);
  QCOMPARE(QString::fromStdString(first->Parts.front().Text), QString("The"));

  // The window being served closes: nothing refers to it any more.
  QCOMPARE(links.TextWindow(), w);
  sub->close();
  QCOMPARE(links.TextWindow(), static_cast<TTextChild*>(nullptr));
  Settle();
  QCOMPARE(r.form->TextWindows().size(), size_t{1});
}

void MainWindowTest::searchNeedsACollection() {
  Reader empty;
  QVERIFY(!empty.form->Find());
  QCOMPARE(empty.prompts->errors, std::vector<std::string>{"There is no CD available."});
  Reader withCD(kEnglish, collection_);
  QVERIFY(withCD.form->SearchPossible());
  QVERIFY(withCD.prompts->errors.empty());
}

void MainWindowTest::hitsReuseOneTextWindow() {
  Reader r(kEnglish, collection_);
  r.form->OpenTextFromReference(kCD, 1, 0);
  auto hit = [](int32_t text, int32_t part, int32_t at) {
    retrieval::TFundPosition p;
    p.CD = retrieval::CDIdentifier(kCD);
    p.TextNr = static_cast<uint8_t>(text);
    p.Textteil = static_cast<uint8_t>(part);
    p.Anfang = p.Ende = p.WortPos[0] = at;
    return p;
  };
  // The window opened from the tree shows no hits: the first hit gets a window of its own,
  // every further one (also in another text or layer) reuses that window.
  r.form->OpenResultPosition(hit(1, 0, 20));
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  TTextChild* hits = r.form->TextWindows().back();
  QVERIFY(hits->HasHitMarking());
  r.form->OpenResultPosition(hit(2, 0, 20));
  r.form->OpenResultPosition(hit(1, 11, 3));
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
  QCOMPARE(hits->Layer(), 2);
  QCOMPARE(r.form->ActiveTextWindow(), hits);
  // A hit in a collection the catalog does not know opens nothing.
  retrieval::TFundPosition unknown = hit(1, 0, 20);
  unknown.CD = retrieval::CDIdentifier("NONE0001");
  r.form->OpenResultPosition(unknown);
  QCOMPARE(r.form->TextWindows().size(), size_t{2});
}

// Every jump the main window makes in a text window (a reference, a companion, a hit) can be
// retraced with back and next.
void MainWindowTest::backAndNextRetraceJumps() {
  Reader r(kEnglish, collection_);
  r.form->show();
  auto top = [](const TTextChild* t) { return t->Document().FirstVisibleWord()->StartPos; };
  r.form->OpenTextFromReference(kCD, 1, 0);
  TTextChild* text = r.form->TextWindows().front();
  const int32_t start = top(text);
  QVERIFY(!text->CanGoBack() && !text->CanGoNext());
  // The View menu, opened while there is nowhere to go, disables its back item; the tool bar's
  // back button triggers that item and must work later all the same.
  QMenu* view = nullptr;
  for (QMenu* menu : r.form->findChildren<QMenu*>())
    for (QAction* action : menu->actions())
      if (action->text() == "&Back") view = menu;
  QAction* toolBack = nullptr;
  for (QAction* action : r.form->findChild<QToolBar*>()->actions())
    if (action->toolTip() == "Back") toolBack = action;
  QVERIFY(view != nullptr && toolBack != nullptr);
  emit view->aboutToShow();
  emit view->aboutToHide();
  for (int i = 0; i < 3; ++i) QTest::keyClick(text, Qt::Key_PageDown);
  const int32_t scrolled = top(text);
  QVERIFY(scrolled > start);
  // Back returns to where the user had scrolled to, next to where the jump went.
  r.form->OpenTextFromReference(kCD, 1, 0);
  QCOMPARE(top(text), start);
  toolBack->trigger();
  QCOMPARE(top(text), scrolled);
  text->Next();
  QCOMPARE(top(text), start);
  QVERIFY(!text->CanGoNext());

  r.form->OpenCompanion(text, 2, 0);
  TTextChild* notes = r.form->TextWindows().back();
  const int32_t note = top(notes);
  QTest::keyClick(notes, Qt::Key_Down);  // the notes fit on one page
  r.form->OpenCompanion(text, 2, 0);     // the reused window jumps back to the note
  notes->Back();
  QVERIFY(top(notes) > note);

  auto hit = [](int32_t textNr, int32_t at) {
    retrieval::TFundPosition p;
    p.CD = retrieval::CDIdentifier(kCD);
    p.TextNr = static_cast<uint8_t>(textNr);
    p.Anfang = p.Ende = p.WortPos[0] = at;
    return p;
  };
  r.form->OpenResultPosition(hit(1, 20));
  TTextChild* hits = r.form->TextWindows().back();
  const int32_t first = top(hits);
  r.form->OpenResultPosition(hit(2, 40));
  hits->Back();
  QCOMPARE(hits->TextNr(), 1);
  QCOMPARE(top(hits), first);
  // The second hit's marking belongs to text 2: text 1 shows it nowhere.
  QVERIFY(hits->Document().HitMarkings().Empty() && hits->HasHitMarking());
  hits->Next();
  QCOMPARE(hits->TextNr(), 2);
  QCOMPARE(hits->Document().HitMarkings().Count(), 1);
  QVERIFY(r.prompts->errors.empty());
}

// Answers the next modal dialog: records whether it is a print dialog ready to print, then
// closes it.
void AnswerPrintDialog(QStringList& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* dialog = qobject_cast<TPrintTextForm*>(QApplication::activeModalWidget());
    seen << (dialog ? (dialog->CanPrint() ? "ready" : "nothing selected") : "no dialog");
    if (dialog) dialog->reject();
  });
}

void MainWindowTest::printCommandsOpenThePrintDialog() {
  Reader r(kEnglish, collection_);
  r.form->show();
  r.form->OpenTextFromReference(kCD, 1, 0);
  TTextChild* t = r.form->TextWindows().front();
  QVERIFY(QTest::qWaitForWindowExposed(r.form.get()));
  QStringList seen;
  AnswerPrintDialog(seen);
  r.form->Print();  // nothing marked yet
  const TWortListRecord* word = t->Document().FirstVisibleWord();
  QVERIFY(word != nullptr);
  QTest::mouseClick(
      t, Qt::LeftButton, {},
      QPoint((word->Box.Left + word->Box.Right) / 2, (word->Box.Top + word->Box.Bottom) / 2));
  t->MarkParagraph();
  QVERIFY(t->HasSelection());
  AnswerPrintDialog(seen);
  emit t->PrintRequested(t);  // the text window's own print command
  // A generated file prints whole.
  AnswerPrintDialog(seen);
  r.form->PrintFile(t->FileName(), "Fundstellenliste");
  QCOMPARE(seen, QStringList({"nothing selected", "ready", "ready"}));
  QVERIFY(r.prompts->errors.empty());
}

void MainWindowTest::addCollectionDirectory() {
  Reader r;
  r.form->CreateNavigation();
  QVERIFY(!r.form->AddCollectionDirectory(dir_.Sub("nothing-here")));
  QCOMPARE(r.prompts->errors.size(), size_t{1});
  QVERIFY(r.form->AddCollectionDirectory(collection_));
  QVERIFY(r.context->Catalog().IsRegistered(kCD));
  QVERIFY(r.context->Catalog().GetCDIndex(kCD) >= 0);
}

void MainWindowTest::helpTopicsReachTheirAnchors() {
  QStringList topics = HelpWindow::Topics();
  topics << QString();
  for (int language : {kGerman, kEnglish}) {
    for (const QString& topic : topics) {
      const QUrl url = HelpWindow::TopicUrl(topic, language);
      QFile page(QLatin1Char(':') + url.path());
      QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(url.toString()));
      const QByteArray html = page.readAll();
      if (url.hasFragment())
        QVERIFY2(html.contains("name=\"" + url.fragment().toUtf8() + "\""),
                 qPrintable(url.toString()));
    }
  }
  QCOMPARE(HelpWindow::TopicUrl(QStringLiteral("IDH_99999"), kEnglish),
           HelpWindow::TopicUrl(QString(), kEnglish));

  // The help window goes to the contents and back and forward through the pages read.
  HelpWindow help;
  auto* browser = help.findChild<QTextBrowser*>();
  auto button = [&](const char* name) { return help.findChild<QToolButton*>(name); };
  const auto url = [](const char* topic) { return HelpWindow::TopicUrl(topic, kEnglish); };
  help.ShowTopic("IDH_11000");
  QVERIFY(!button("BackButton")->isEnabled());
  help.ShowTopic("IDH_13000");
  button("BackButton")->click();
  QCOMPARE(browser->source(), url("IDH_11000"));
  QVERIFY(button("ForwardButton")->isEnabled());
  button("ForwardButton")->click();
  QCOMPARE(browser->source(), url("IDH_13000"));
  button("ContentsButton")->click();
  QCOMPARE(browser->source(), url(""));
  QCOMPARE(button("BackButton")->text(), QString("Back"));
}

void MainWindowTest::secondInstanceExitsSilently() {
  const std::string config = dir_.Sub("instance");
  const std::unique_ptr<QLockFile> first = SingleInstance::Acquire(config);
  QVERIFY(first);
  QVERIFY(!SingleInstance::Acquire(config));

  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QUILLMAR_CONFIG_DIR"), QString::fromStdString(config));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  second.setProcessEnvironment(env);
  second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../gui/quillmar-reader"));
  QVERIFY(second.waitForStarted());
  const bool ended = second.waitForFinished(10000);
  if (!ended) second.kill();
  QVERIFY(ended);
  QCOMPARE(second.exitStatus(), QProcess::NormalExit);
  QCOMPARE(second.exitCode(), 0);
  QVERIFY(second.readAllStandardOutput().isEmpty());
}

// Two parallel texts with synchronisation points 1..40 at their paragraphs (the second text's
// paragraphs are longer): a main-text window in synchronise mode follows the one scrolled.
void MainWindowTest::synchronisedWindowsFollow() {
  std::string source =
      "@collection PARA0001\n@title Parallel\n@version 1.0\n"
      "@text a\n@number 1\n@title Original\n@lang en\n";
  std::string second = "@text b\n@number 2\n@title Translation\n@lang en\n";
  for (int n = 1; n <= 40; ++n) {
    source += "{sync " + std::to_string(n) + "} verse " + std::to_string(n) + " of the text\n\n";
    second += "{sync " + std::to_string(n) + "} the translated verse " + std::to_string(n) +
              " runs somewhat longer than the original\n\n";
  }
  const std::string dir = dir_.Sub("parallel");
  test::BuildCollection(source + second, dir);
  Reader r(kEnglish, dir);
  r.form->show();
  r.form->OpenTextInNewWindow("PARA0001", 1, 0);
  r.form->OpenTextInNewWindow("PARA0001", 2, 0);
  const std::vector<TTextChild*> windows = r.form->TextWindows();
  QCOMPARE(windows.size(), size_t{2});
  TTextChild* original = windows[0]->TextNr() == 1 ? windows[0] : windows[1];
  TTextChild* translation = original == windows[0] ? windows[1] : windows[0];
  original->Synchronise();
  translation->Synchronise();
  QVERIFY(original->Synoptic() && translation->Synoptic());

  // Verse 30 of the original: the translation goes to its own verse 30, far further on.
  const int32_t before = translation->CurrentPosition();
  original->GoToPosition(original->FileLength() * 29 / 40);
  original->Synchronise();
  QVERIFY(translation->CurrentPosition() > before + 1000);
  QVERIFY(translation->CurrentPosition() > original->CurrentPosition());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
