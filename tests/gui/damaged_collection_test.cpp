// The reader with a damaged collection beside a good one, and with a collection that goes away
// while it is searched: one message each time, and everything else keeps working.
#include <QPointer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/bytes.h"
#include "collection/calderwick_data.h"
#include "collection/session_store.h"
#include "gui/app/main_window.h"
#include "gui/gui_fixture.h"
#include "gui/navigation/navigation_form.h"
#include "gui/search_ui/result_form.h"
#include "gui/search_ui/search_progress.h"
#include "retrieval/hit_file.h"
#include "search_ui/search_settings.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

using test::kSampleCD;
constexpr char kCopyCD[] = "QMSD0001";
constexpr char kCopyTitle[] = "Damaged copy";

// A main window over the good sample collection and `other`, on scripted prompts.
struct Reader : test::TestContext {
  // `other` is registered as it is, then `damage` is done to it (an announcement refuses a
  // collection that is damaged already).
  Reader(const std::string& good, const std::string& other,
         const std::function<void()>& damage = {})
      : TestContext(good) {
    if (!Catalog().AnnounceDirectory(other)) qFatal("the copy is no collection");
    if (damage) damage();
    form = std::make_unique<TCalderwickForm>(*context);
    form->resize(1000, 800);
  }
  int TextWindows() const { return static_cast<int>(form->TextWindows().size()); }

  std::unique_ptr<TCalderwickForm> form;
};

QTreeWidgetItem* TopItem(QTreeWidget* tree, const QString& caption) {
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    if (tree->topLevelItem(i)->text(0) == caption) return tree->topLevelItem(i);
  return nullptr;
}

// Replaces the file at `path` by damage of the given kind.
void Damage(const std::string& path, const QString& kind) {
  if (kind == "truncated") return test::TruncateFile(path, 100);
  std::filesystem::remove(path);
  if (kind == "directory") std::filesystem::create_directory(path);
#ifndef _WIN32
  if (kind == "pipe") QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
#endif
}

}  // namespace

class DamagedCollectionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void damagedCollectionIsReportedOnceAndTheRestStaysUsable_data();
  void damagedCollectionIsReportedOnceAndTheRestStaysUsable();
  void searchLeavesOutACollectionItCannotRead();
  void collectionRemovedWhileSearchedEndsItsSearchWithAMessage();

 private:
  // A fresh copy of the second collection (the sample under another identifier and title) at
  // dir/<name>.
  std::string Copy(const std::string& name);
  // Searches `query` in the collections from the progress dialog, as the search form starts it,
  // and waits for its report.
  void Search(Reader& r, const std::vector<std::string>& cdids, const QString& query);

  test::TempDir dir_;
  std::string good_;
  std::string copy_;
};

void DamagedCollectionTest::initTestCase() {
  good_ = test::BuildSampleCollection(dir_, true);
  std::ifstream in(test::kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  std::string text = ReplaceFirst(source.str(), std::string("@collection ") + kSampleCD,
                                  std::string("@collection ") + kCopyCD);
  text = ReplaceFirst(text, "@title Quillmar Sample: Herodotus, Histories I 1-7",
                      std::string("@title ") + kCopyTitle);
  copy_ = dir_.Sub("copy");
  test::BuildCollection(text, copy_, (test::kSampleDir / "media").string(), true);
}

void DamagedCollectionTest::init() { ClearPathCache(); }

void DamagedCollectionTest::cleanup() { retrieval::TFundstellenDateiAnfrage::SetOpenHook(nullptr); }

std::string DamagedCollectionTest::Copy(const std::string& name) {
  const std::string root = dir_.Sub(name);
  std::filesystem::copy(copy_, root, std::filesystem::copy_options::recursive);
  return root;
}

void DamagedCollectionTest::Search(Reader& r, const std::vector<std::string>& cdids,
                                   const QString& query) {
  auto e = search_ui::SearchSettings::Standard();
  e.Anfrage = query.toStdString();
  for (const std::string& cdid : cdids)
    e.CDAuswahl.push_back(TCDSelect{cdid, r.Catalog().GetCDName(cdid), true});
  e.TextAuswahl.push_back(TTextSelect{"0", 0, "", true});
  auto katalog = std::make_shared<const retrieval::SearchCatalog>(
      retrieval::SearchCatalog::FromCatalog(r.Catalog(), search_ui::CollectionsToSearch(e)));
  auto* progress = new TSucheLauftForm(*r.context, *r.form, katalog, r.form.get());
  search_ui::SetUpSearch(e, progress->Thread(), *katalog, [](const std::string&) { return false; });
  QPointer<TSucheLauftForm> alive(progress);
  progress->Start();
  QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 20000);
}

void DamagedCollectionTest::damagedCollectionIsReportedOnceAndTheRestStaysUsable_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("kind");
  // Of the damaged collection's node: its registered title, also when its metadata is gone.
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("what");  // the end of the message
  QTest::newRow("metadata missing")
      << "ID/metainfo.dat"
      << "missing" << kCopyTitle << "File 'metainfo.dat' not found in '%1/ID'.";
  QTest::newRow("metadata cut short")
      << "ID/metainfo.dat"
      << "truncated" << kCopyTitle
      << "'%1/ID/metainfo.dat' holds no whole record (the file is empty or cut short).";
  QTest::newRow("catalog a directory")
      << "data/textinfo.dat"
      << "directory" << kCopyTitle << "'%1/data/textinfo.dat' is a directory, not a file.";
#ifndef _WIN32
  QTest::newRow("catalog a pipe")
      << "data/textinfo.dat"
      << "pipe" << kCopyTitle
      << "'%1/data/textinfo.dat' is not a regular file (a pipe or a device).";
#endif
}

void DamagedCollectionTest::damagedCollectionIsReportedOnceAndTheRestStaysUsable() {
  QFETCH(QString, file);
  QFETCH(QString, kind);
  QFETCH(QString, caption);
  QFETCH(QString, what);
  const std::string root = Copy(QTest::currentDataTag());
  Reader r(good_, root, [&] { Damage(JoinPath(root, file.toStdString()), kind); });
  // A window of each collection was open at the end of the last run.
  SessionStore(r.Catalog().Reg())
      .WriteWindows({{kSampleCD, 1, 1, 1, {0, 0, 400, 300}}, {kCopyCD, 1, 1, 1, {0, 0, 400, 300}}});

  TNavigationForm* navigation = r.form->CreateNavigation();
  r.form->RestoreSession();
  QCOMPARE(r.TextWindows(), 1);
  // The message comes once the event loop runs, after the start.
  QVERIFY(r.prompts->errors.empty());
  QTRY_COMPARE(r.prompts->errors.size(), size_t{1});
  const QString message = QString::fromStdString(r.prompts->errors[0]);
  QCOMPARE(message, QString("The collection '%1' in '%2' cannot be used.\n")
                            .arg(caption, QString::fromStdString(root)) +
                        what.arg(QString::fromStdString(root)));
  QVERIFY(r.prompts->asked.empty());

  // The damaged collection is there, greyed, with the reason as its tip; the good one reads.
  auto* tree = navigation->findChild<QTreeWidget*>("TextTreeView");
  QCOMPARE(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* damaged = TopItem(tree, caption);
  QVERIFY(damaged != nullptr);
  QVERIFY(!(damaged->flags() & Qt::ItemIsEnabled));
  QCOMPARE(damaged->toolTip(0), message.section('\n', 1));
  QCOMPARE(damaged->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
  QTreeWidgetItem* good = tree->topLevelItem(tree->indexOfTopLevelItem(damaged) == 0 ? 1 : 0);
  QVERIFY(good->flags() & Qt::ItemIsEnabled);
  good->setExpanded(true);
  QVERIFY(good->childCount() > 0);

  // Refreshing finds the same damage: no second message.
  navigation->Refresh();
  QCoreApplication::processEvents();
  QCOMPARE(r.prompts->errors.size(), size_t{1});

  // Opening a text: the good collection's opens; the damaged one's gives one message and no
  // window, from the tree's caller as from a bookmark.
  r.form->OpenTextInNewWindow(kSampleCD, 1, 0);
  QCOMPARE(r.TextWindows(), 2);
  QVERIFY(r.form->OpenTextByIds(kCopyCD, 1, 1, 0, true) == nullptr);
  QCOMPARE(r.prompts->errors.size(), size_t{2});
  QCOMPARE(QString::fromStdString(r.prompts->errors[1]), message);
  QCOMPARE(r.TextWindows(), 2);
  QVERIFY(r.prompts->asked.empty() && r.prompts->infos.empty());
}

// The hit file of the copy is a pipe: the search reports the copy once and lists the hits of the
// sample collection; where the sample has none either, that is said in the same message.
void DamagedCollectionTest::searchLeavesOutACollectionItCannotRead() {
#ifdef _WIN32
  QSKIP("named pipes");
#else
  const std::string root = Copy("pipe");
  Damage(JoinPath(root, "data/fundst.dat"), "pipe");
  Reader r(good_, root);
  r.form->CreateNavigation();
  QCoreApplication::processEvents();
  QVERIFY(r.prompts->errors.empty());  // the catalog does not look at the word index

  Search(r, {kCopyCD, kSampleCD}, "Herodotus");
  QCOMPARE(r.prompts->errors.size(), size_t{1});
  QCOMPARE(QString::fromStdString(r.prompts->errors[0]),
           QString("The collection '%1' could not be searched; the result has none of its "
                   "hits.\n'%2/data/fundst.dat' is not a regular file (a pipe or a device).(TFDA "
                   "001)")
               .arg(kCopyTitle, QString::fromStdString(root)));
  TSuchResultForm* list = r.form->ResultList();
  QVERIFY(list != nullptr);
  QTRY_VERIFY(!list->Filling());
  QVERIFY(list->RowCount() > 0);
  for (int row = 0; row < list->RowCount(); ++row)
    QCOMPARE(QString::fromStdString(list->Position(row).CD.Str()), QString(kSampleCD));

  Search(r, {kSampleCD, kCopyCD}, "Zzyzx");
  QCOMPARE(r.prompts->errors.size(), size_t{2});
  QVERIFY(r.prompts->errors[1].ends_with("(TFDA 001)\n\nNo occurrences found."));
  QVERIFY(r.prompts->infos.empty());
  QCOMPARE(r.form->ResultList(), list);
#endif
}

// The copy's directory goes after its words were looked up, as its hit file is opened: the
// search ends with one message naming the copy and the missing file, and no result list.
void DamagedCollectionTest::collectionRemovedWhileSearchedEndsItsSearchWithAMessage() {
  const std::string root = Copy("vanishing");
  // The copy's files are newer than the derived hit index beside them, so the search reads a
  // hit index built in the cache, which would still answer for the vanished collection: it
  // goes with the collection, so that the search has to reach the collection's own files.
  const std::string cache = qEnvironmentVariable("QUILLMAR_CACHE_DIR").toStdString();
  retrieval::TFundstellenDateiAnfrage::SetOpenHook([&root, &cache](const std::string& path) {
    if (!path.starts_with(root)) return;
    std::filesystem::remove_all(root);
    if (!cache.empty()) std::filesystem::remove_all(cache);
  });
  Reader r(good_, root);
  Search(r, {kCopyCD}, "Herodotus");
  QVERIFY(!std::filesystem::exists(root));
  QCOMPARE(r.prompts->errors.size(), size_t{1});
  QCOMPARE(QString::fromStdString(r.prompts->errors[0]),
           QString("The collection '%1' could not be searched; the result has none of its "
                   "hits.\nFile 'fundst.dat' not found in '%2/data'.(TFDA 001)")
               .arg(kCopyTitle, QString::fromStdString(root)));
  QVERIFY(r.prompts->infos.empty());
  QVERIFY(r.form->ResultList() == nullptr);
}

QTEST_MAIN(DamagedCollectionTest)
#include "damaged_collection_test.moc"
