#include "gui/navigation/navigation_form.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/paths.h"
#include "collection/bookmark.h"
#include "support/catalog_fixture.h"

namespace quillmar::gui {
namespace {

using test::CollectionSpec;
using test::TextRecord;

// Records every request as one line: what, collection, text, layer or "-", position.
class RecordingServices : public WindowServices {
 public:
  void OpenTextFromReference(const std::string& cdid, int32_t textNr, int32_t position) override {
    Log("reuse", cdid, textNr, "-", position);
  }
  void OpenTextInNewWindow(const std::string& cdid, int32_t textNr, int32_t position) override {
    Log("new", cdid, textNr, "-", position);
  }
  void OpenTextSynoptic(const std::string& cdid, int32_t textNr, int32_t position) override {
    Log("synoptic", cdid, textNr, "-", position);
  }
  TTextChild* OpenTextByIds(const std::string& cdid, int32_t textNr, int32_t layer,
                            int32_t position, bool newWindow) override {
    Log(newWindow ? "ids-new" : "ids", cdid, textNr, std::to_string(layer), position);
    return nullptr;
  }
  void ShowHelp(const QString& topic) override { calls.push_back("help " + topic.toStdString()); }

  std::vector<std::string> calls;

 private:
  void Log(const char* what, const std::string& cdid, int32_t textNr, const std::string& layer,
           int32_t position) {
    calls.push_back(std::string(what) + " " + cdid + " " + std::to_string(textNr) + " " + layer +
                    " " + std::to_string(position));
  }
};

TextRecord Text(const std::string& title, const std::string& shortLabel) {
  TextRecord text;
  text.title = title;
  text.short_label = shortLabel;
  return text;
}

TBookmarkRecord Bookmark(const std::string& title, const std::string& cdid,
                         const std::string& cdName) {
  TBookmarkRecord r;
  r.Title = title;
  r.CDID = cdid;
  r.CDName = cdName;
  r.TextNo = 2;
  r.Layer = 3;
  r.FirstParagraph = 1000;
  r.LastParagraph = 1100;
  return r;
}

// Alpha (schema: group "Law" with text 2, which has chapters), Beta (no schema) and Gamma (needs
// reader 9.2; its setup program is missing).
struct Setup : test::CatalogFixture {
  Setup() {
    CollectionSpec alpha;
    alpha.cdid = "AAAA0001";
    alpha.title = "Alpha";
    alpha.schemas = {"tree.ini"};
    alpha.texts = {Text("Genesis", "Gen"), Text("Exodus", "Ex")};
    alpha.texts[1].chapter_file = "k2.dat";
    alpha_root = AddCollection("alpha", alpha);
    test::WriteFile(JoinPath(alpha_root, "data/tree.ini"), "[1]\r\nname=Law\r\ntexts=2\r\n");
    test::WriteFile(JoinPath(alpha_root, "data/k2.dat"),
                    test::Concat({test::ChapterRecord("One", "", "", 1, 0, 0, 10),
                                  test::ChapterRecord("Two", "", "", 2, 0, 0, 40)}));

    CollectionSpec beta;
    beta.cdid = "BBBB0001";
    beta.title = "Beta";
    beta.texts = {Text("Psalms", "Ps")};
    beta_root = AddCollection("beta", beta);

    CollectionSpec gamma;
    gamma.cdid = "CCCC0001";
    gamma.title = "Gamma";
    gamma.texts = {Text("Job", "Job")};
    const std::string root = AddCollection("gamma", gamma);
    test::WriteFile(JoinPath(root, "id/metainfo.dat"),
                    test::Concat({test::MetaHeader("Gamma", "CCCC0001", 9, 2),
                                  test::MetaProperty('j', "textinfo.dat"),
                                  test::MetaProperty('i', "setup.exe")}));
  }

  std::string ProgramDir() const { return dir.Sub("program"); }

  std::string alpha_root, beta_root;
};

class NavigationFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Setup> env;
  std::unique_ptr<TBookmark> store;
  RecordingServices services;
  std::unique_ptr<TNavigationForm> form;
  std::vector<QString> questions;
  bool answer = false;

  void MakeForm() { form = std::make_unique<TNavigationForm>(*env->catalog, *store, &services); }
  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(name);
    if (!widget) qFatal("no widget %s", name);
    return widget;
  }
  void Click(const char* button) { Find<QPushButton>(button)->click(); }
  QListWidgetItem* Row(const QString& caption) {
    const auto found = Find<QListWidget>("BookmarkListView")->findItems(caption, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
  }
  void Select(const QString& caption) {
    Find<QListWidget>("BookmarkListView")->setCurrentItem(Row(caption));
  }

 private slots:
  void init() {
    SetCurrentLanguage(kEnglish);
    env = std::make_unique<Setup>();
    store = std::make_unique<TBookmark>(env->ProgramDir());
    services.calls.clear();
    questions.clear();
    answer = false;
    TNavigationForm::SetQuestion([this](const QString& text, const QString&) {
      questions.push_back(text);
      return answer;
    });
  }
  void cleanup() {
    form.reset();
    store.reset();
    env.reset();
    TNavigationForm::SetQuestion({});
  }

  void treeLoadsLazilyAndOpensTheSelectedText() {
    MakeForm();
    auto* tree = Find<QTreeWidget>("TextTreeView");
    // Gamma needs a newer reader: it is offered, not shown.
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(questions.size(), size_t{1});
    QCOMPARE(questions[0], QString("The CD-ROM 'Gamma' needs a newer version of the Quillmar "
                                   "reader.\nDo You want install Quillmar reader 9.2 now?"));

    QTreeWidgetItem* alpha = tree->topLevelItem(0);
    QCOMPARE(alpha->text(0), QString("Alpha"));
    QCOMPARE(alpha->childCount(), 0);
    alpha->setExpanded(true);
    QCOMPARE(alpha->childCount(), 1);
    QTreeWidgetItem* law = alpha->child(0);
    QCOMPARE(law->text(0), QString("Law"));
    law->setExpanded(true);
    QTreeWidgetItem* exodus = law->child(0);
    QCOMPARE(exodus->text(0), QString("Ex/Exodus"));
    exodus->setExpanded(true);
    QCOMPARE(exodus->childCount(), 2);
    QTreeWidgetItem* two = exodus->child(1);
    QCOMPARE(two->text(0), QString("Two"));
    two->setExpanded(true);  // no sub-chapters
    QCOMPARE(two->childCount(), 0);
    alpha->setExpanded(false);
    alpha->setExpanded(true);  // loaded once only
    QCOMPARE(alpha->childCount(), 1);

    // Only text and chapter nodes can be opened.
    tree->setCurrentItem(law);
    QVERIFY(!Find<QPushButton>("TextOpenButton")->isEnabled());
    Click("TextOpenButton");
    QVERIFY(services.calls.empty());
    tree->setCurrentItem(exodus);
    QVERIFY(Find<QPushButton>("TextSynOpenButton")->isEnabled());
    Click("TextOpenButton");
    tree->setCurrentItem(two);
    Click("TextNewOpenButton");
    Click("TextSynOpenButton");
    Click("TextHelpButton");
    QTest::keyClick(tree, Qt::Key_Return);  // Enter opens like a double-click
    tree->setCurrentItem(law);
    QTest::keyClick(tree, Qt::Key_Enter);  // a group: nothing
    QCOMPARE(services.calls,
             (std::vector<std::string>{"reuse AAAA0001 2 - 0", "new AAAA0001 2 - 40",
                                       "synoptic AAAA0001 2 - 40", "help IDH_02000",
                                       "reuse AAAA0001 2 - 40"}));

    // A collection whose medium is gone: the user is asked, cancels, the node stays closed.
    std::filesystem::remove(ResolvePath(JoinPath(env->beta_root, "id/BBBB0001.hid")));
    ClearPathCache();
    QTreeWidgetItem* beta = tree->topLevelItem(1);
    beta->setExpanded(true);
    QCOMPARE(env->prompts.asked.size(), size_t{1});
    QVERIFY(!beta->isExpanded());
    QCOMPARE(beta->childCount(), 0);
    test::WriteFile(JoinPath(env->beta_root, "id/BBBB0001.hid"), "BBBB0001");
    ClearPathCache();
    beta->setExpanded(true);
    QCOMPARE(beta->childCount(), 1);
    beta->child(0)->setExpanded(true);  // a text without chapters: no children, no error
    QCOMPARE(beta->child(0)->childCount(), 0);
    QVERIFY(env->prompts.errors.empty());

    // Accepting the offer without a setup program on the collection reports the file.
    answer = true;
    form->Refresh();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QVERIFY(tree->topLevelItem(0)->childCount() == 0);  // rebuilt, not loaded yet
    QCOMPARE(env->prompts.errors.size(), size_t{1});
    QVERIFY(env->prompts.errors[0].starts_with("File '"));
    QVERIFY(env->prompts.errors[0].ends_with("setup.exe' not found."));

    SetCurrentLanguage(kGerman);
    form->SetCaptions();
    QCOMPARE(Find<QTabWidget>("NavPageControl")->tabText(0), QString("&Inhalt"));
    QCOMPARE(Find<QTabWidget>("NavPageControl")->count(), 4);
    QCOMPARE(Find<QTabWidget>("NavPageControl")->tabText(2), QString("In&ternet"));
    QCOMPARE(Find<QTabWidget>("NavPageControl")->tabText(3), QString("&Multimedia"));
  }

  void bookmarksOpenRenameAndDelete() {
    store->Add(Bookmark("Zeta", "AAAA0001", "Alpha"));
    store->Add(Bookmark("Lost", "GONE0001", "Gone Collection"));
    MakeForm();
    auto* list = Find<QListWidget>("BookmarkListView");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QString("Lost"));  // sorted by caption

    // A collection that is not installed: the two-line error, nothing opened.
    Select("Lost");
    Click("BookmarkOpenButton");
    QVERIFY(services.calls.empty());
    QCOMPARE(env->prompts.errors,
             (std::vector<std::string>{"The CD 'Gone Collection' is not available.\nInsert the CD "
                                       "'Gone Collection' and choose 'Refresh' in main menu."}));
    Select("Zeta");
    Click("BookmarkOpenButton");
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(services.calls, std::vector<std::string>(2, "ids-new AAAA0001 2 3 1000"));

    // Renaming in place stores at most 80 characters.
    Row("Zeta")->setText(QString(100, QChar(0xE4)));
    QCOMPARE(store->GetItem(store->IndexOf(1)).Title, std::string(80, '\xe4'));
    QCOMPARE(list->currentItem()->text(), QString(80, QChar(0xE4)));

    // Delete asks first; only OK deletes.
    Click("BookmarkDeleteButton");
    QCOMPARE(questions.back(),
             QString("'%1' will be deleted. Are You sure?").arg(QString(80, QChar(0xE4))));
    QCOMPARE(store->Count(), 2);
    answer = true;
    Click("BookmarkDeleteButton");
    QCOMPARE(store->Count(), 1);
    QCOMPARE(list->count(), 1);
    QVERIFY(!Find<QPlainTextEdit>("BookmarkMemo")->isEnabled());

    // A new bookmark from the main window shows up selected on the bookmark page.
    form->AddBookmark(Bookmark("New place", "AAAA0001", "Alpha"));
    QCOMPARE(store->Count(), 2);
    QCOMPARE(Find<QTabWidget>("NavPageControl")->currentWidget()->objectName(),
             QString("BookmarkTabSheet"));
    QCOMPARE(list->currentItem()->text(), QString("New place"));
    Click("BookmarkHelpButton");
    QCOMPARE(services.calls.back(), std::string("help IDH_03000"));
  }

  // What a fresh store reads from disk while the form and its store stay open.
  std::vector<std::string> TitlesOnDisk() const {
    const TBookmark disk(env->ProgramDir());
    std::vector<std::string> titles;
    for (int32_t i = 0; i < disk.Count(); ++i) titles.push_back(disk.GetItem(i).Title);
    return titles;
  }
  std::vector<std::string> NoteOnDisk(int32_t id) const {
    return TBookmark(env->ProgramDir()).LoadNote(id);
  }

  void everyChangeReachesTheDiskAtOnce() {
    MakeForm();
    form->AddBookmark(Bookmark("New", "AAAA0001", "Alpha"));
    QCOMPARE(TitlesOnDisk(), std::vector<std::string>{"New"});
    Row("New")->setText("Renamed");
    QCOMPARE(TitlesOnDisk(), std::vector<std::string>{"Renamed"});

    // A note a moment after the last keystroke, and at once when the field loses the focus.
    auto* memo = Find<QPlainTextEdit>("BookmarkMemo");
    QTest::keyClicks(memo, "typed");
    QTRY_COMPARE(NoteOnDisk(1), std::vector<std::string>{"typed"});
    memo->setPlainText("left");
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(memo, &leave);
    QCOMPARE(NoteOnDisk(1), std::vector<std::string>{"left"});

    form->AddBookmark(Bookmark("Second", "AAAA0001", "Alpha"));
    answer = true;
    Click("BookmarkDeleteButton");
    QCOMPARE(TitlesOnDisk(), std::vector<std::string>{"Renamed"});
    QVERIFY(!store->Modified());
  }

  void notesAreSavedOnSwitchAndCloseAndSurviveAReload() {
    const int32_t a = store->Add(Bookmark("A", "AAAA0001", "Alpha"));
    const int32_t b = store->Add(Bookmark("B", "AAAA0001", "Alpha"));
    MakeForm();
    auto* memo = Find<QPlainTextEdit>("BookmarkMemo");
    Select("A");
    // Greek, an emoji and a non-breaking space are kept as typed.
    const QString noteA =
        QString::fromUtf8("note A \xc3\xbc \xce\xb1\xf0\x9f\x98\x80\xc2\xa0!\nline 2");
    memo->setPlainText(noteA);
    Select("B");
    QCOMPARE(
        store->LoadNote(a),
        (std::vector<std::string>{"note A \xc3\xbc \xce\xb1\xf0\x9f\x98\x80\xc2\xa0!", "line 2"}));
    QVERIFY(memo->toPlainText().isEmpty());
    memo->setPlainText("note B");
    form->resize(500, 450);
    form.reset();  // saves the current note and the window size

    store.reset();
    store = std::make_unique<TBookmark>(env->ProgramDir());
    QCOMPARE(store->LoadNote(b), std::vector<std::string>{"note B"});
    QCOMPARE(env->catalog->Settings().GetNavWinSize()[0], 500);
    MakeForm();
    Select("A");
    QString shown = Find<QPlainTextEdit>("BookmarkMemo")->document()->toRawText();
    QCOMPARE(shown.replace(QChar::ParagraphSeparator, '\n'), noteA);
  }
};

}  // namespace
}  // namespace quillmar::gui

QTEST_MAIN(quillmar::gui::NavigationFormTest)
#include "navigation_form_test.moc"
