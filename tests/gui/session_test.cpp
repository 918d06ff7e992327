// The reader's session through a real settings file: text windows that come back at the next
// start and the File menu's recently opened texts.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QtTest>
#include <memory>
#include <string>

#include "collection/session_store.h"
#include "gui/app/main_window.h"
#include "gui/gui_fixture.h"
#include "platform/file_registry_store.h"
#include "system/memory_registry_store.h"

namespace quillmar::gui {
namespace {

// A reader start on the settings file `file` with the sample collection announced.
struct Start {
  Start(const std::string& file, const std::string& collection)
      : context(Parts(file)), form(context) {
    context.Catalog().AnnounceDirectory(collection);
    form.resize(1000, 800);
  }
  static AppContext::Parts Parts(const std::string& file) {
    AppContext::Parts parts{std::make_unique<FileRegistryStore>(file),
                            std::make_unique<test::FakeDrives>(),
                            std::make_unique<test::ScriptedPrompts>(), "reader"};
    parts.greekFonts = [] { return QStringList(); };
    return parts;
  }
  QMenu* Recent() { return form.findChild<QMenu*>("RecentMenu"); }
  QMdiSubWindow* Sub(TTextChild* t) { return qobject_cast<QMdiSubWindow*>(t->parentWidget()); }

  AppContext context;
  TCalderwickForm form;
};

}  // namespace

class SessionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { collection_ = test::BuildSampleCollection(dir_); }

  void windowsComeBackWhereTheyWere() {
    const std::string file = dir_.Sub("windows/quillmar.ini");
    std::vector<int32_t> positions;
    {
      Start run(file, collection_);
      TTextChild* first = run.form.OpenTextByIds(test::kSampleCD, 1, 1, 0, true);
      TTextChild* second = run.form.OpenTextByIds(test::kSampleCD, 1, 1, 600, true);
      QVERIFY(first && second);
      run.Sub(first)->setGeometry(10, 20, 400, 300);
      run.Sub(second)->setGeometry(200, 120, 500, 350);
      positions = {first->CurrentPosition(), second->CurrentPosition()};
      QVERIFY(positions[0] != positions[1]);
      // A window whose collection is gone at the next start is left out.
      SessionWindow gone{"GONE0001", 1, 1, 0, {0, 0, 300, 200}};
      run.form.close();
      SessionStore store(run.context.Catalog().Reg());
      auto saved = store.ReadWindows();
      saved.insert(saved.begin(), gone);
      store.WriteWindows(saved);
    }
    Start run(file, collection_);
    run.form.RestoreSession();
    const std::vector<TTextChild*> windows = run.form.TextWindows();
    QCOMPARE(windows.size(), size_t{2});
    QCOMPARE(windows[0]->CurrentPosition(), positions[0]);
    QCOMPARE(windows[1]->CurrentPosition(), positions[1]);
    QCOMPARE(windows[0]->TextNr(), 1);
    QCOMPARE(run.Sub(windows[0])->geometry(), QRect(10, 20, 400, 300));
    QCOMPARE(run.Sub(windows[1])->geometry(), QRect(200, 120, 500, 350));
  }

  void recentTextsOpenFromTheFileMenu() {
    const std::string file = dir_.Sub("recent/quillmar.ini");
    {
      Start run(file, collection_);
      QVERIFY(run.form.OpenTextByIds(test::kSampleCD, 1, 1, 0, true));
      QVERIFY(run.form.OpenTextByIds(test::kSampleCD, 2, 1, 0, true));
      QVERIFY(run.form.OpenTextByIds(test::kSampleCD, 1, 1, 0, true));  // moves to the top
    }
    Start run(file, collection_);
    QMenu* recent = run.Recent();
    QVERIFY(recent);
    emit qobject_cast<QMenu*>(recent->parentWidget())->aboutToShow();  // the File menu
    const QList<QAction*> items = recent->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QStringLiteral("&1 Herodotus: Histories, Book I (Clio), 1-7"));
    QCOMPARE(items[1]->text(),
             QStringLiteral("&2 Quillmar sample authors: Commentary on Herodotus I 1-7"));
    items[1]->trigger();
    QCOMPARE(run.form.TextWindows().size(), size_t{1});
    QCOMPARE(run.form.TextWindows()[0]->TextNr(), 2);
  }

  // At most eight entries; damaged ones are skipped.
  void recentListIsBounded() {
    MemoryRegistryStore memory;
    RegistryAccess reg(memory);
    SessionStore store(reg);
    for (int32_t n = 1; n <= 10; ++n)
      store.AddRecent({"ABCD0001", n, 1, 0, "T|" + std::to_string(n)});
    auto recent = store.ReadRecent();
    QCOMPARE(recent.size(), SessionStore::kMaxRecent);
    QCOMPARE(recent[0].TextNr, 10);
    QCOMPARE(recent[0].Title, std::string("T|10"));
    reg.WriteString("Software\\Quillmar\\Reader\\Session", "Recent1", "ABCD0001|x|1|0|T");
    QCOMPARE(store.ReadRecent().size(), SessionStore::kMaxRecent - 1);
  }

 private:
  test::TempDir dir_;
  std::string collection_;
};

}  // namespace quillmar::gui

QTEST_MAIN(quillmar::gui::SessionTest)
#include "session_test.moc"
