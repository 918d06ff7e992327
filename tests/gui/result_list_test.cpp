// A search from the progress dialog to the filled result list, and the print-format dialog.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <filesystem>

#include "collection/settings_store.h"
#include "gui/common/window_services.h"
#include "gui/gui_fixture.h"
#include "gui/search_ui/format_form.h"
#include "gui/search_ui/result_form.h"
#include "gui/search_ui/search_progress.h"
#include "search_ui/search_settings.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

using test::kSampleCD;
constexpr char kBig[] = "BIGR0001";

// A collection of many short paragraphs over a small vocabulary, so that a word has thousands
// of hits: the list fills in many batches and a search runs long enough to be cancelled.
std::string BigSource() {
  const char* const words[] = {"alpha", "beta", "gamma", "delta", "the", "of", "and", "light"};
  std::string s =
      "@collection BIGR0001\n@title Big\n@version 1.0\n@text t\n@number 1\n@title One\n"
      "@long Someone\n@lang en\n";
  unsigned seed = 7;
  for (int p = 0; p < 4000; ++p) {
    if (p % 50 == 0) s += "@chapter Chapter " + std::to_string(p / 50 + 1) + "\n";
    if (p % 20 == 0) s += "@page " + std::to_string(p / 20 + 1) + "\n";
    for (int w = 0; w < 8; ++w) {
      seed = seed * 1103515245u + 12345u;
      s += std::string(words[(seed >> 16) % 8]) + " ";
    }
    s += "\n\n";
  }
  return s;
}

// The main window's part: a standalone result list, and a record of what the list asks for.
class FakeServices : public WindowServices {
 public:
  explicit FakeServices(AppContext& context) : context_(context) {}
  TSuchResultForm* CreateResultList() override {
    list = new TSuchResultForm(context_, *this);
    return list;
  }
  void OpenResultPosition(const retrieval::TFundPosition& hit) override { opened.push_back(hit); }
  bool Find() override {
    ++finds;
    return findAnswer;
  }
  void PrintFile(const std::string& file, const QString& title) override {
    printed = file;
    printTitle = title;
  }

  QPointer<TSuchResultForm> list;
  std::vector<retrieval::TFundPosition> opened;
  int finds = 0;
  bool findAnswer = false;
  std::string printed;
  QString printTitle;

 private:
  AppContext& context_;
};

// The fields the command line writes for a hit: collection, text, part, start, end, positions.
QString Key(const retrieval::TFundPosition& p) {
  QStringList positions;
  for (int32_t w : p.WortPos)
    if (w != -1) positions << QString::number(w);
  return QString("%1\t%2\t%3\t%4\t%5\t%6")
      .arg(QString::fromStdString(p.CD.Str()))
      .arg(p.TextNr)
      .arg(p.Textteil)
      .arg(p.Anfang)
      .arg(p.Ende)
      .arg(positions.join(","));
}

// Presses a button of the next modal dialog once it is shown.
void PressInModal(const char* button) {
  QTimer::singleShot(0, [button] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* b = modal->findChild<QPushButton*>(button)) b->click();
  });
}

}  // namespace

class ResultListTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void rowsEqualTheCommandLineSearch();
  void nextPreviousOpenAndFind();
  void selectedRowStaysVisibleWithoutFocus();
  void noHitsOrCancelReportsAndOpensNoList();
  void closingTheListWhileItFills();
  void dateSearchShowsTheDateColumn();
  void formatDialogRoundTripAndPrinting();

 private:
  // Starts a search for `query` (default options, the sample collection) and waits for its end.
  void Search(const QString& query, const char* cdid = kSampleCD, bool cancel = false,
              const std::function<void(search_ui::SearchSettings&)>& options = {});

  test::TempDir dir_;
  std::unique_ptr<test::TestContext> reader_;
  test::ScriptedPrompts* prompts_ = nullptr;
  AppContext* context_ = nullptr;
  std::unique_ptr<FakeServices> services_;
  std::function<void()> atFinish_;  // runs as the search reports its end
};

void ResultListTest::initTestCase() {
  test::BuildSampleCollection(dir_, true);
  test::BuildCollection(BigSource(), dir_.Sub("big"), "", true);
  reader_ = std::make_unique<test::TestContext>();
  prompts_ = reader_->prompts;
  context_ = reader_->context.get();
  QVERIFY(context_->Catalog().AnnounceDirectory(dir_.Sub("cd")));
  QVERIFY(context_->Catalog().AnnounceDirectory(dir_.Sub("big")));
  context_->Catalog().ScanCDs();  // reads the collections' date values
  std::filesystem::create_directories(dir_.Sub("program"));
  context_->Catalog().Settings().SetPath(dir_.Sub("program"));
}

void ResultListTest::init() {
  services_ = std::make_unique<FakeServices>(*context_);
  atFinish_ = nullptr;
  prompts_->errors.clear();
  prompts_->infos.clear();
}

void ResultListTest::cleanup() {
  delete services_->list.data();
  services_.reset();
}

void ResultListTest::Search(const QString& query, const char* cdid, bool cancel,
                            const std::function<void(search_ui::SearchSettings&)>& options) {
  TCalderwickData& catalog = context_->Catalog();
  auto katalog = std::make_shared<const retrieval::SearchCatalog>(
      retrieval::SearchCatalog::FromCatalog(catalog, {cdid}));
  auto* progress = new TSucheLauftForm(*context_, *services_, katalog);
  auto e = search_ui::SearchSettings::Standard();
  e.Anfrage = query.toStdString();
  e.CDAuswahl.push_back(TCDSelect{cdid, catalog.GetCDName(cdid), true});
  e.TextAuswahl.push_back(TTextSelect{"0", 0, "", true});
  if (options) options(e);
  search_ui::SetUpSearch(e, progress->Thread(), *katalog, [](const std::string&) { return false; });
  progress->SetQueryText(query);
  bool finished = false;
  connect(progress, &TSucheLauftForm::SearchFinished, [this, &finished] {
    finished = true;
    if (atFinish_) atFinish_();
  });
  QPointer<TSucheLauftForm> alive(progress);
  progress->Start();
  QVERIFY(progress->isVisible());
  if (cancel) progress->findChild<QPushButton*>("CancelButton")->click();
  QTRY_VERIFY_WITH_TIMEOUT(finished, 20000);
  QTRY_VERIFY(alive.isNull());  // the dialog has gone after reporting
}

void ResultListTest::rowsEqualTheCommandLineSearch() {
  Search("the", kBig);
  QVERIFY(prompts_->errors.empty() && prompts_->infos.empty());
  TSuchResultForm* list = services_->list;
  QVERIFY(list != nullptr && list->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!list->Filling(), 20000);  // a loaded machine fills slowly

  QProcess cli;
  cli.start(QUILLMAR_CLI_PATH, {"search", "--collection", QString::fromStdString(dir_.Sub("big")),
                                "--format", "tsv", "--", "the"});
  QVERIFY(cli.waitForFinished(30000));
  QCOMPARE(cli.exitCode(), 0);
  QStringList expected;
  for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split('\n')) {
    if (line.isEmpty()) continue;
    const QStringList f = line.split('\t');
    // Collection, text, part, start, end, positions; then words, page, line, title.
    expected << f.mid(0, 6).join('\t') + "|" + f.mid(6, 4).join('\t');
  }
  QVERIFY(expected.size() > 1000);  // many batches of rows

  auto* view = list->findChild<QTreeView*>("ListView1");
  QStringList actual;
  for (int row = 0; row < list->RowCount(); ++row) {
    QStringList shown;
    for (int column : {0, 4, 5, 1}) shown << view->model()->index(row, column).data().toString();
    actual << Key(list->Position(row)) + "|" + shown.join('\t');
  }
  QCOMPARE(actual, expected);
  QCOMPARE(list->StatusText(), QString("%1 occurrence(s)  Question: the").arg(expected.size()));
  QCOMPARE(list->windowTitle(), QString("Search results - the"));
}

void ResultListTest::nextPreviousOpenAndFind() {
  Search("Croesus");
  TSuchResultForm* list = services_->list;
  QVERIFY(list != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(!list->Filling(), 20000);  // a loaded machine fills slowly
  const int n = list->RowCount();
  QVERIFY(n >= 3);
  auto opened = [&] {
    QList<int> rows;
    for (const auto& p : services_->opened)
      for (int r = 0; r < n; ++r)
        if (Key(list->Position(r)) == Key(p)) {
          rows << r;
          break;
        }
    return rows;
  };

  list->PreviousHit();  // no selection: the first row
  list->PreviousHit();  // the first row: nothing
  list->NextHit();
  QCOMPARE(opened(), (QList<int>{0, 1}));
  QCOMPARE(list->SelectedRow(), 1);

  auto* view = list->findChild<QTreeView*>("ListView1");
  view->selectionModel()->select(view->model()->index(n - 1, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list->NextHit();  // the last row: nothing
  list->PreviousHit();
  QCOMPARE(opened(), (QList<int>{0, 1, n - 2}));

  QTest::keyClick(view, Qt::Key_Return);  // Enter opens the selected row
  view->selectionModel()->clearSelection();
  list->findChild<QPushButton*>("OpenButton")->click();  // nothing selected: the first row
  QCOMPARE(opened(), (QList<int>{0, 1, n - 2, n - 2, 0}));

  // « hides the buttons, a double-click on the status bar brings them back.
  auto* panel = list->findChild<QWidget*>("ButtonPanel");
  list->findChild<QPushButton*>("WegButton")->click();
  QVERIFY(!panel->isVisible());
  QTest::mouseDClick(list->findChild<QLabel*>("StatusPanel"), Qt::LeftButton);
  QVERIFY(panel->isVisible());

  // Find...: the list stays when the search form is cancelled and closes when it started one.
  list->findChild<QPushButton*>("NewButton")->click();
  QVERIFY(list->isVisible());
  services_->findAnswer = true;
  list->findChild<QPushButton*>("NewButton")->click();
  QCOMPARE(services_->finds, 2);
  QVERIFY(!list->isVisible());
}

// After a hit is opened the text window is active: the list's selected row keeps the
// selection colour. The rows take the colours of the theme.
void ResultListTest::selectedRowStaysVisibleWithoutFocus() {
  Search("Croesus");
  TSuchResultForm* list = services_->list;
  QVERIFY(list != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(!list->Filling(), 20000);  // a loaded machine fills slowly
  list->NextHit();
  QCOMPARE(list->SelectedRow(), 0);
  QWidget other;  // stands for the text window that shows the hit
  other.show();
  other.activateWindow();
  QTRY_VERIFY(other.isActiveWindow());
  QVERIFY(!list->isActiveWindow());

  auto* view = list->findChild<QTreeView*>("ListView1");
  const QColor highlight = view->palette().color(QPalette::Inactive, QPalette::Highlight);
  QVERIFY(highlight != view->palette().color(QPalette::Inactive, QPalette::Base));
  const QImage image = view->viewport()->grab().toImage();
  const auto share = [&](int row) {
    QRect rect = view->visualRect(view->model()->index(row, 0));
    rect.setRight(view->viewport()->width() - 1);
    int hits = 0, all = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x, ++all)
        if (image.pixelColor(x, y) == highlight) ++hits;
    return all == 0 ? 0.0 : double(hits) / all;
  };
  QVERIFY2(share(0) > 0.5, qPrintable(QString::number(share(0))));
  QVERIFY(share(1) < 0.1);

  // A dark theme gives dark rows.
  QPalette dark = list->palette();
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(220, 220, 220));
  list->setPalette(dark);
  const QImage darkImage = view->viewport()->grab().toImage();
  const QRect row1 = view->visualRect(view->model()->index(1, 0));
  QCOMPARE(darkImage.pixelColor(view->viewport()->width() - 3, row1.center().y()),
           QColor(30, 30, 30));
}

void ResultListTest::noHitsOrCancelReportsAndOpensNoList() {
  Search("xylophonequux");
  Search("a* OR b* OR d* OR g* OR l* OR o* OR t*", kBig, true);
  QCOMPARE(prompts_->infos, (std::vector<std::string>{"No occurrences found.", "Search canceled"}));
  QVERIFY(prompts_->errors.empty());
  Search("(the");  // a syntax error: the status text, no list
  QCOMPARE(prompts_->errors.size(), size_t{1});
  QVERIFY(services_->list.isNull());
}

void ResultListTest::closingTheListWhileItFills() {
  // Closed right after the hand-over: the display thread has just started, no row is shown yet.
  bool filling = false;
  QPointer<TSuchResultForm> list;
  atFinish_ = [&] {
    list = services_->list;
    filling = list->Filling();
    delete list.data();  // stops the display thread; batches still queued go with the list
  };
  Search("a* OR b* OR d* OR g* OR l* OR o* OR t*", kBig);
  QVERIFY(filling);
  QVERIFY(list.isNull());
  QCoreApplication::processEvents();
}

void ResultListTest::dateSearchShowsTheDateColumn() {
  Search("Herodotus", kSampleCD, false, [](search_ui::SearchSettings& e) {
    e.DatumVon = *search_ui::ParseDate("-500");
    e.DatumBis = *search_ui::ParseDate("-400");
  });
  TSuchResultForm* list = services_->list;
  QVERIFY(list != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(!list->Filling(), 20000);  // a loaded machine fills slowly
  QVERIFY(list->RowCount() > 0);
  const QAbstractItemModel* model = list->findChild<QTreeView*>("ListView1")->model();
  QCOMPARE(model->columnCount(), 8);
  // The sample's main text: -440 to -425, stored with the collection's year offset.
  QCOMPARE(model->index(0, 7).data().toString(), QString("-440 - -425"));
}

void ResultListTest::formatDialogRoundTripAndPrinting() {
  SettingsStore& settings = context_->Catalog().Settings();
  settings.SetResultDocFormat({true, true, true, true, false, false, false});
  // Cancel keeps the stored format, Next stores the boxes.
  for (const char* button : {"CancelButton", "NextButton"}) {
    TSuchFormatForm form(settings);
    QVERIFY(form.findChild<QCheckBox*>("WortCB")->isChecked());
    QVERIFY(!form.findChild<QCheckBox*>("KapitelCB")->isChecked());
    form.findChild<QCheckBox*>("WortCB")->setChecked(false);
    form.findChild<QCheckBox*>("KapitelCB")->setChecked(true);
    form.findChild<QPushButton*>(button)->click();
  }
  QCOMPARE(settings.GetResultDocFormat(),
           (std::array<bool, 7>{false, true, true, true, false, false, true}));

  Search("Croesus");
  TSuchResultForm* list = services_->list;
  QVERIFY(list != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(!list->Filling(), 20000);  // a loaded machine fills slowly
  PressInModal("CancelButton");
  list->Print();
  QVERIFY(services_->printed.empty());
  PressInModal("NextButton");
  list->Print();
  QCOMPARE(services_->printed, JoinPath(dir_.Sub("program"), "result.tmp"));
  QCOMPARE(services_->printTitle, QString("Fundstellenliste"));
  QVERIFY(FileExists(services_->printed));
  QVERIFY(prompts_->errors.empty());
}

QTEST_MAIN(ResultListTest)
#include "result_list_test.moc"
