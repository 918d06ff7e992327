#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <thread>

#include "base/language.h"
#include "gui/app/main_window.h"
#include "gui/gui_fixture.h"
#include "gui/navigation/navigation_form.h"
#include "gui/plugins/dialog_plugin_prompts.h"
#include "gui/plugins/module_view_form.h"
#include "gui/plugins/pim_form.h"
#include "platform/native_dynamic_library.h"
#include "plugins/multimedia.h"
#include "plugins/plugin_manager.h"
#include "support/counting_libraries.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

// What a TPIMForm showed: its labels, its buttons and the thread it was shown on.
struct Shown {
  bool errorVisible = false;
  QString error, info;
  bool cancelEnabled = false;
  QSize size;
  bool onGuiThread = false;
};

// Answers every TPIMForm with `answer` instead of running it modally and records it.
struct ScriptedBoxes {
  explicit ScriptedBoxes(int answer = QDialog::Accepted) {
    TPIMForm::SetShowFunction([this, answer](TPIMForm& form) {
      shown.push_back({!form.ErrorLabel()->isHidden(), form.ErrorLabel()->text(),
                       form.InfoLabel()->text(), form.CancelButton()->isEnabled(), form.size(),
                       QThread::currentThread() == qApp->thread()});
      return answer;
    });
  }
  ~ScriptedBoxes() { TPIMForm::SetShowFunction({}); }
  std::vector<Shown> shown;
};

class RecordingLauncher : public ProgramLauncher {
 public:
  bool StartDetached(const std::string& program) override {
    calls.push_back("start " + program);
    return true;
  }
  bool OpenDocument(const std::string& path) override {
    calls.push_back("open " + path);
    return true;
  }
  std::vector<std::string> calls;
};

class HelpServices : public WindowServices {
 public:
  void OpenTextFromReference(const std::string&, int32_t, int32_t) override {}
  void OpenTextInNewWindow(const std::string&, int32_t, int32_t) override {}
  void OpenTextSynoptic(const std::string&, int32_t, int32_t) override {}
  TTextChild* OpenTextByIds(const std::string&, int32_t, int32_t, int32_t, bool) override {
    return nullptr;
  }
  void ShowHelp(const QString& topic) override { topics << topic; }
  QStringList topics;
};

// The reader's context with the real module loader on the modules built with the program, a
// recording launcher, and the sample collection announced.
struct PlugInReader {
  explicit PlugInReader(const std::string& collection) {
    auto store = std::make_unique<MemoryRegistryStore>();
    store->CreateKey(test::kOptionsKey);
    store->WriteInteger(test::kOptionsKey, "language", kEnglish);
    auto recording = std::make_unique<RecordingLauncher>();
    launcher = recording.get();
    gui::AppContext::Parts parts{std::move(store), std::make_unique<test::FakeDrives>(),
                                 std::make_unique<test::ScriptedPrompts>(), "reader"};
    parts.libraries = std::make_unique<test::CountingLibraries>(
        std::make_unique<NativeDynamicLibraries>(), loaded);
    parts.launcher = std::move(recording);
    parts.pluginDirectory = QUILLMAR_PLUGIN_DIR;
    parts.greekFonts = [] { return QStringList(); };
    context = std::make_unique<gui::AppContext>(std::move(parts));
    context->Catalog().AnnounceDirectory(collection);
  }
  TNavigationForm::MediaParts Media() {
    return {context->Plugins(), context->PluginPrompts(), context->Launcher()};
  }

  std::atomic<int> loaded{0};
  RecordingLauncher* launcher = nullptr;
  std::unique_ptr<gui::AppContext> context;
};

// Waits for the next modal window, hands it to `check` and closes it. `seen` tells whether one
// came.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> check) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this, check] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      timer_.stop();
      seen = true;
      check(modal);
      modal->close();
    });
    timer_.start();
  }
  bool seen = false;

 private:
  QTimer timer_;
};

}  // namespace

class PlugInsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void questionAndErrorReportBoxes();
  void reportFromWorkerArrivesOnGuiThread();
  void multimediaPageListsAndRunsTheSampleEntries();
  void moduleListUnloadsLoadedModules();

 private:
  test::TempDir dir_;
  std::string collection_;
};

void PlugInsTest::initTestCase() {
  SetCurrentLanguage(kEnglish);
  collection_ = test::BuildSampleCollection(dir_);
  // A second picture for the slide show to step through; it sorts before "lydia.png".
  const std::string media = ResolvePath(collection_ + "/media");
  QVERIFY(QFile::copy(QString::fromStdString(media + "/lydia.png"),
                      QString::fromStdString(media + "/Athens.PNG")));
}

void PlugInsTest::questionAndErrorReportBoxes() {
  DialogPlugInPrompts prompts;
  {
    ScriptedBoxes boxes(QDialog::Accepted);
    QVERIFY(prompts.Question("An additional modul has to be installed.\r\rInsert the CD 'X'."));
    QCOMPARE(boxes.shown.size(), size_t{1});
    const Shown& question = boxes.shown[0];
    QVERIFY(!question.errorVisible);
    QVERIFY(question.cancelEnabled);
    QCOMPARE(question.info,
             QString("An additional modul has to be installed.\n\nInsert the CD 'X'."));
    QCOMPARE(question.size, QSize(TPIMForm::kWidth, TPIMForm::kHeight));
  }
  {
    ScriptedBoxes boxes(QDialog::Rejected);
    QVERIFY(!prompts.Question("Install?"));
  }
  {
    ScriptedBoxes boxes;
    prompts.ErrorReport("File '/x/m.so' not found.\rTo restore modul, restart Quillmar reader.");
    QCOMPARE(boxes.shown.size(), size_t{1});
    const Shown& report = boxes.shown[0];
    QVERIFY(report.errorVisible);
    QCOMPARE(report.error, QString("Error"));
    QVERIFY(!report.cancelEnabled);
    QCOMPARE(report.info, QString("Error on loading/installing a modul.\n\nFile '/x/m.so' not "
                                  "found.\nTo restore modul, restart Quillmar reader."));

    // A long report makes the box taller, never cuts it.
    QString longText;
    for (int i = 0; i < 40; ++i) longText += QString("line %1\r").arg(i);
    prompts.ErrorReport(longText.toStdString());
    QCOMPARE(boxes.shown[1].size.width(), TPIMForm::kWidth);
    QVERIFY(boxes.shown[1].size.height() > 40 * QFontMetrics(QFont()).height() / 2);
  }
  SetCurrentLanguage(kGerman);
  {
    ScriptedBoxes boxes;
    prompts.ErrorReport("x");
    QCOMPARE(boxes.shown[0].error, QString("Fehler"));
    QVERIFY(boxes.shown[0].info.startsWith("Fehler beim Laden/Installieren eines Moduls.\n\n"));
  }
  SetCurrentLanguage(kEnglish);
}

// The search thread reports without waiting; the box appears later on the GUI thread. A
// question from a worker is refused without a window.
void PlugInsTest::reportFromWorkerArrivesOnGuiThread() {
  ScriptedBoxes boxes;
  DialogPlugInPrompts prompts;
  bool asked = true;
  std::thread worker([&] {
    prompts.ErrorReport("'/x/phonetic.so' has wrong format.");
    asked = prompts.Question("Install?");
  });
  worker.join();
  QVERIFY(!asked);
  QVERIFY(boxes.shown.empty());
  QTRY_COMPARE(boxes.shown.size(), size_t{1});
  QVERIFY(boxes.shown[0].onGuiThread);
  QVERIFY(boxes.shown[0].info.endsWith("'/x/phonetic.so' has wrong format."));
}

// One node for the sample collection with its three entries; each runs: the short information
// and the slide show through the modules built with the program, the document after the
// confirmation through the launcher.
void PlugInsTest::multimediaPageListsAndRunsTheSampleEntries() {
  PlugInReader reader(collection_);
  ScriptedBoxes boxes(QDialog::Rejected);
  HelpServices services;
  const TNavigationForm::MediaParts media = reader.Media();
  TNavigationForm form(reader.context->Catalog(), reader.context->Bookmarks(), &services, nullptr,
                       &media);
  auto* tree = form.findChild<QTreeWidget*>("MediaTreeView");
  auto* open = form.findChild<QPushButton*>("KurzOpenButton");
  QVERIFY(tree && open);
  form.Refresh();  // rebuilt, not added to
  QCOMPARE(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* cd = tree->topLevelItem(0);
  QCOMPARE(cd->childCount(), 3);
  QCOMPARE(cd->child(0)->text(0), QString("About Herodotus"));
  QCOMPARE(cd->child(1)->text(0), QString("Slides: Herodotus and Lydia"));
  QCOMPARE(cd->child(2)->text(0), QString("Herodotus (web page)"));
  tree->setCurrentItem(cd);
  QVERIFY(!open->isEnabled());  // the collection's own node runs nothing

  // Short information: a window on the reader's window with a page per file.
  QStringList pages;
  QWidget* parent = nullptr;
  {
    ModalWatcher watcher([&](QWidget* modal) {
      parent = modal->parentWidget();
      auto* tabs = modal->findChild<QTabWidget*>("FilePages");
      if (!tabs) return;
      for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        const char* kind = qobject_cast<QPlainTextEdit*>(page) ? "text"
                           : qobject_cast<QTextBrowser*>(page) ? "html"
                           : qobject_cast<QScrollArea*>(page)  ? "picture"
                                                               : "other";
        pages << tabs->tabText(i) + " " + kind;
      }
      auto* text = qobject_cast<QPlainTextEdit*>(tabs->widget(0));
      if (!text || !text->toPlainText().contains("Herodotus")) pages << "text missing";
    });
    tree->setCurrentItem(cd->child(0));
    QVERIFY(open->isEnabled());
    open->click();
    QVERIFY(watcher.seen);
  }
  QCOMPARE(pages, QStringList({"Life and work text", "The same as a web page html",
                               "The kingdom of Lydia picture"}));
  QCOMPARE(parent, form.window());

  // The slide show steps through the two pictures both ways and wraps; the window's state is
  // restored afterwards.
  form.setWindowState(Qt::WindowMaximized);
  QStringList steps;
  {
    ModalWatcher watcher([&](QWidget* modal) {
      auto* status = modal->findChild<QLabel*>("Status");
      if (!status) return;
      steps << status->text();
      for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) {
        QTest::keyClick(modal, key);
        steps << status->text();
      }
      form.setWindowState(Qt::WindowMinimized);
    });
    emit tree->itemDoubleClicked(cd->child(1), 0);
    QVERIFY(watcher.seen);
  }
  QCOMPARE(steps, QStringList({"1 / 2   Athens.PNG", "2 / 2   lydia.png", "1 / 2   Athens.PNG",
                               "2 / 2   lydia.png"}));
  QCOMPARE(form.windowState(), Qt::WindowMaximized);

  // The document opens only after the user agreed.
  tree->setCurrentItem(cd->child(2));
  open->click();
  QCOMPARE(boxes.shown.size(), size_t{1});
  QVERIFY(boxes.shown[0].info.contains("Herodotus (web page)"));
  QVERIFY(reader.launcher->calls.empty());
  ScriptedBoxes agree(QDialog::Accepted);
  open->click();
  QCOMPARE(reader.launcher->calls.size(), size_t{1});
  QVERIFY(reader.launcher->calls[0].starts_with("open "));
  QVERIFY(reader.launcher->calls[0].ends_with("/media/herodotus.html"));

  SetCurrentLanguage(kGerman);
  form.SetCaptions();
  QCOMPARE(open->text(), QString("Ö&ffnen"));
  auto* help = form.findChild<QPushButton*>("KurzHelpButton");
  QCOMPARE(help->text(), QString("&Hilfe"));
  SetCurrentLanguage(kEnglish);
  form.SetCaptions();
  QCOMPARE(help->text(), QString("&Help"));
  help->click();
  QCOMPARE(services.topics, QStringList({"IDH_06000"}));
}

// The Module command lists the shipped modules sorted by name; reading them unloads the module
// that was loaded for the short information.
void PlugInsTest::moduleListUnloadsLoadedModules() {
  PlugInReader reader(collection_);
  TCalderwickForm window(*reader.context);
  // Length bytes beyond their fields (caption 80, file name 128 characters) are cut to them.
  std::array<uint8_t, kShortInfoRecordSize> record{};
  std::fill(record.begin(), record.begin() + kShortInfoPartsOffset, 'c');
  std::fill(record.begin() + kShortInfoPartsOffset, record.end(), 'f');
  record[0] = 200;
  record[kShortInfoPartsOffset] = 255;
  record[kShortInfoPartsOffset + kShortInfoStringSize] = 0;
  record[kShortInfoPartsOffset + 2 * kShortInfoStringSize] = 0;
  record[kShortInfoPartsOffset + 3 * kShortInfoStringSize] = 0;  // the list ends
  QString caption, tabs;
  {
    ModalWatcher watcher([&](QWidget* modal) {
      caption = modal->windowTitle();
      if (auto* pages = modal->findChild<QTabWidget*>("FilePages"))
        for (int i = 0; i < pages->count(); ++i) tabs += pages->tabText(i) + ";";
    });
    QCOMPARE(reader.context->Plugins().ShowShortInformation("10001", &window, record.data()), 0);
    QVERIFY(watcher.seen);
  }
  QCOMPARE(caption, QString(80, 'c'));
  QCOMPARE(tabs, QString(128, 'f') + ";");
  QCOMPARE(reader.loaded.load(), 1);  // stays loaded for the next entry

  QAction* command = nullptr;
  for (QAction* menu : window.menuBar()->actions())
    for (QAction* item : menu->menu()->actions())
      if (item->text() == "&Moduls...") command = item;
  QVERIFY(command);
  QStringList rows;
  QString title;
  int loadedWhileShown = -1;
  {
    ModalWatcher watcher([&](QWidget* modal) {
      auto* list = qobject_cast<TModulViewForm*>(modal);
      if (!list) return;
      title = list->windowTitle();
      loadedWhileShown = reader.loaded.load();
      QTableWidget* table = list->List();
      for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
          cells << QFileInfo(table->item(row, column)->text()).fileName();
        rows << cells.join('|');
      }
    });
    command->trigger();
    QVERIFY(watcher.seen);
  }
  QCOMPARE(title, QString("Moduls"));
  QCOMPARE(loadedWhileShown, 0);
  QCOMPARE(rows, QStringList({"Quillmar phonetic matcher|1.0.0.0|(c) The Quillmar "
                              "developers|quillmar_phonetic.so|QMPHONET",
                              "Quillmar short information|1.0.0.0|(c) The Quillmar "
                              "developers|quillmar_short_info.so|10001",
                              "Quillmar slide show|1.0.0.0|(c) The Quillmar "
                              "developers|quillmar_slide_show.so|QMSLIDES"}));
}

QTEST_MAIN(PlugInsTest)
#include "plugins_test.moc"
