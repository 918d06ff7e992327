#include "gui/search_ui/search_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "base/errors.h"
#include "base/language.h"
#include "build/collection_writer.h"
#include "build/source_parser.h"
#include "collection/calderwick_data.h"
#include "gui/app/app_context.h"
#include "gui/app/window_services.h"
#include "gui/search_ui/search_options_form.h"
#include "gui/search_ui/search_progress.h"
#include "gui/search_ui/timer_dialog.h"
#include "platform/memory_registry_store.h"
#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

using namespace quillmar;
using namespace quillmar::gui;
using search_ui::TSuchEinstellungen;

namespace {

const std::filesystem::path kSampleDir =
    std::filesystem::path(__FILE__).parent_path() / "../../samples/sample";
constexpr char kCD[] = "QMSA0001";

class HelpServices : public TWindowServices {
 public:
  void ShowHelp(const QString& topic) override { topics << topic; }
  QStringList topics;
};

// An English reader on a copy of `store`, with the sample collection announced when
// `collection` is set.
struct Reader {
  explicit Reader(const std::string& collection, const MemoryRegistryStore& store = {}) {
    auto scripted = std::make_unique<test::ScriptedPrompts>();
    prompts = scripted.get();
    context = std::make_unique<TAppContext>(
        TAppContext::Parts{std::make_unique<MemoryRegistryStore>(store),
                           std::make_unique<test::FakeDrives>(), std::move(scripted), "reader"});
    SetCurrentLanguage(kEnglish);
    if (!collection.empty()) context->Catalog().AnnounceDirectory(collection);
  }
  // A form whose searches are only recorded.
  std::unique_ptr<TSuchFormular> Form(std::vector<TOffenerText> texts = {}) {
    auto form = std::make_unique<TSuchFormular>(*context, services, std::move(texts));
    form->Starter = [this](const TSuchEinstellungen& e) { started.push_back(e); };
    return form;
  }
  test::ScriptedPrompts* prompts = nullptr;
  std::unique_ptr<TAppContext> context;
  HelpServices services;
  std::vector<TSuchEinstellungen> started;
};

template <typename T>
T* Child(QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

QLineEdit* Query(TSuchFormular& f) { return Child<QLineEdit>(f, "AnfrageEdit"); }
QListWidget* List(TSuchFormular& f, const char* name) { return Child<QListWidget>(f, name); }
void Start(TSuchFormular& f) { Child<QAbstractButton>(f, "SucheStartenButton")->click(); }

// Runs `f` on the options dialog once the search form has opened it modally; a dialog still
// open afterwards is cancelled, so a refused OK cannot hang the test.
void WithOptions(std::function<void(TSearchOptionsForm&)> f) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, f] {
    auto* dialog = qobject_cast<TSearchOptionsForm*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    f(*dialog);
    if (dialog->isVisible()) Child<QAbstractButton>(*dialog, "CancelButton")->click();
  });
  timer->start(5);
}

void Check(QListWidget* list, int row, bool on) {
  list->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// The result-list filters a search with these settings gets.
retrieval::TFundstellenListe Filters(const TSuchEinstellungen& e, TCalderwickData& catalog) {
  const auto katalog =
      retrieval::TSuchKatalog::FromCatalog(catalog, search_ui::ZuDurchsuchendeCDs(e));
  retrieval::TSuchThread thread(katalog, nullptr);
  search_ui::SucheEinrichten(e, thread, katalog, [](const std::string&) { return true; });
  retrieval::TFundstellenListe list;
  list.EinstellungenKopieren(thread.Anfrage().Ergebnis);
  return list;
}

}  // namespace

class SearchFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void startIsRefusedWithoutQueryOrCollection();
  void startPassesSelectionsAndOptions();
  void historyNavigationAndLastQuery();
  void optionsDialogValidation();
  void optionsCancelKeepsTheFormsOptions();
  void timedNoticeCountsDownAndCloses();
  void fuzzySearchNamesCollectionsWithoutIt();

 private:
  test::TempDir dir_;
  std::string collection_;
};

void SearchFormTest::initTestCase() {
  qputenv("QUILLMAR_CONFIG_DIR", QByteArray::fromStdString(dir_.Sub("config")));
  qputenv("QUILLMAR_DATA_DIR", QByteArray::fromStdString(dir_.Sub("data")));
  std::ifstream in(kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  collection_ = dir_.Sub("cd");
  build::WriteCollection(build::MergeSources({build::ParseSource(source.str(), "sample.qms")}),
                         collection_, (kSampleDir / "media").string());
}

void SearchFormTest::startIsRefusedWithoutQueryOrCollection() {
  Reader r(collection_);
  auto form = r.Form();
  Query(*form)->setText("   ");
  Start(*form);
  QCOMPARE(r.prompts->errors.back(), std::string("You have to input a word you want to search."));

  Query(*form)->setText("gott");
  Check(List(*form, "CDCheckListBox"), 0, false);
  Start(*form);
  QCOMPARE(r.prompts->errors.back(), std::string("You have to select at least one CD."));
  QVERIFY(r.started.empty());
  QVERIFY(form->result() != QDialog::Accepted);

  Reader none("");
  auto bare = none.Form();
  Query(*bare)->setText("gott");
  Start(*bare);
  QCOMPARE(none.prompts->errors.back(), std::string("There is no CD available for search."));
  QVERIFY(none.started.empty());

  Child<QAbstractButton>(*bare, "HelpButton")->click();
  QCOMPARE(none.services.topics, QStringList{"IDH_11000"});
}

void SearchFormTest::startPassesSelectionsAndOptions() {
  Reader r(collection_);
  auto form = r.Form({{kCD, 1, "One"}, {kCD, 1, "One again"}, {kCD, 2, "Two"}});
  QListWidget* texts = List(*form, "OpenTextsCheckListBox");
  QCOMPARE(texts->count(), 3);  // "all", text 1 once, text 2
  QCOMPARE(texts->item(0)->text(), QString("all"));
  QCOMPARE(List(*form, "CDCheckListBox")->count(), 1);

  // "all" unchecked, only text 2 checked: one text condition; fuzzy level 2; UTF-8 in the
  // line, Windows-1252 in the settings.
  Check(texts, 0, false);
  Check(texts, 1, false);
  Query(*form)->setText(QString::fromUtf8("größe"));
  Child<QAbstractButton>(*form, "FS2Button")->click();
  Start(*form);
  QCOMPARE(r.started.size(), size_t{1});
  QCOMPARE(form->result(), int(QDialog::Accepted));
  TSuchEinstellungen e = r.started.back();
  QCOMPARE(e.Anfrage, std::string("gr\xF6\xDF"
                                  "e"));
  QCOMPARE(e.Stufe, 2);
  auto filters = Filters(e, r.context->Catalog());
  QCOMPARE(filters.TextBedingungen.size(), size_t{1});
  QCOMPARE(filters.TextBedingungen[0].TextNr, 2);

  // "all" unchecked with no text checked: no text condition at all.
  auto second = r.Form({{kCD, 1, "One"}});
  Check(List(*second, "OpenTextsCheckListBox"), 0, false);
  Check(List(*second, "OpenTextsCheckListBox"), 1, false);
  Query(*second)->setText("gott");
  // An interval first, then an exact date: the exact date bounds the filter on both sides.
  WithOptions([](TSearchOptionsForm& d) {
    Child<QRadioButton>(d, "VonBisRadioButton")->setChecked(true);
    Child<QLineEdit>(d, "DateVonEdit")->setText("1100");
    Child<QLineEdit>(d, "DateBisEdit")->setText("1300");
    Child<QAbstractButton>(d, "OKButton")->click();
  });
  Child<QAbstractButton>(*second, "ChangeButton")->click();
  QCOMPARE(second->Einstellungen().DatumVon.Jahr, 1100);
  QCOMPARE(Child<QLabel>(*second, "ZeitLabel")->text(),
           QString("Chronological restrictions: 1100 - 1300."));
  WithOptions([](TSearchOptionsForm& d) {
    QCOMPARE(Child<QLineEdit>(d, "DateBisEdit")->text(), QString("1300"));
    Child<QRadioButton>(d, "GenauRadioButton")->setChecked(true);
    Child<QLineEdit>(d, "DateGenauEdit")->setText("1200");
    Child<QAbstractButton>(d, "OKButton")->click();
  });
  Child<QAbstractButton>(*second, "ChangeButton")->click();
  QCOMPARE(Child<QLabel>(*second, "ZeitLabel")->text(),
           QString("Chronological restrictions: 1200."));
  Start(*second);
  QCOMPARE(r.started.size(), size_t{2});
  e = r.started.back();
  QVERIFY(search_ui::IstKeinDatum(e.DatumVon) && search_ui::IstKeinDatum(e.DatumBis));
  filters = Filters(e, r.context->Catalog());
  QVERIFY(filters.TextBedingungen.empty());
  QCOMPARE(filters.DatumVon.Jahr, 1200);
  QCOMPARE(filters.DatumBis.Jahr, 1200);
}

void SearchFormTest::historyNavigationAndLastQuery() {
  MemoryRegistryStore saved;
  {
    Reader r(collection_);
    auto first = r.Form();
    QCOMPARE(first->HistorienIndex(), 0);
    QTest::keyClick(Query(*first), Qt::Key_PageUp);  // a new query has nothing newer
    QCOMPARE(first->HistorienIndex(), 0);
    Query(*first)->setText("alpha");
    QTest::keyClick(Query(*first), Qt::Key_Down);  // the sample has no word list to browse
    QCOMPARE(Query(*first)->text(), QString("alpha"));
    Start(*first);

    // Started from a history entry: the next form opens on the newest search.
    auto second = r.Form();
    QCOMPARE(Query(*second)->text(), QString());
    Child<QAbstractButton>(*second, "DownButton")->click();
    QCOMPARE(Query(*second)->text(), QString("alpha"));
    Query(*second)->setText("beta");
    Child<QAbstractButton>(*second, "FS3Button")->click();
    Start(*second);
    QCOMPARE(r.started.size(), size_t{2});

    auto third = r.Form();
    QCOMPARE(third->HistorienIndex(), 1);
    QCOMPARE(Query(*third)->text(), QString("beta"));
    QVERIFY(Child<QAbstractButton>(*third, "FS3Button")->isChecked());
    QTest::keyClick(Query(*third), Qt::Key_PageDown);
    QCOMPARE(Query(*third)->text(), QString("alpha"));
    QVERIFY(Child<QAbstractButton>(*third, "FS0Button")->isChecked());
    QTest::keyClick(Query(*third), Qt::Key_PageDown);  // past the oldest: nothing
    QCOMPARE(third->HistorienIndex(), 2);
    QCOMPARE(Query(*third)->text(), QString("alpha"));
    QTest::keyClick(Query(*third), Qt::Key_PageUp);
    QCOMPARE(Query(*third)->text(), QString("beta"));
    QVERIFY(third->LetzteAnfrageZeigen());
    QTest::keyClick(Query(*third), Qt::Key_PageUp);  // back to a new query
    QCOMPARE(third->HistorienIndex(), 0);
    QCOMPARE(Query(*third)->text(), QString());
    QVERIFY(!third->LetzteAnfrageZeigen());

    // Clicking a list forgets the history entry.
    Child<QAbstractButton>(*third, "DownButton")->click();
    QVERIFY(third->LetzteAnfrageZeigen());
    Check(List(*third, "OpenTextsCheckListBox"), 0, false);
    QVERIFY(!third->LetzteAnfrageZeigen());
    saved = static_cast<MemoryRegistryStore&>(r.context->Store());
  }
  // A new reader on the saved settings store finds the history and the last-query flag.
  Reader again(collection_, saved);
  auto form = again.Form();
  QCOMPARE(form->HistorienIndex(), 1);
  QCOMPARE(Query(*form)->text(), QString("beta"));
}

void SearchFormTest::optionsDialogValidation() {
  test::ScriptedPrompts prompts;
  HelpServices services;
  TSearchOptionsForm d(prompts, services);
  try {
    d.Sprachen();
    QFAIL("no language set bound");
  } catch (const Exception& error) {
    QCOMPARE(std::string(error.what()), std::string("Textsprachbedingung nicht gesetzt."));
  }

  retrieval::TSmallIntSet sprachen;
  sprachen.Aufnehmen(0);
  sprachen.Aufnehmen(103);
  d.SetzeSprachen(sprachen);
  TSuchEinstellungen e = TSuchEinstellungen::Standard();
  d.Fuellen(e);
  d.show();
  auto* languages = Child<QListWidget>(d, "lvTextLanguage");
  QCOMPARE(languages->count(), 9);
  QCOMPARE(languages->item(1)->checkState(), Qt::Checked);  // deutsch, 0
  QCOMPARE(languages->item(7)->checkState(), Qt::Checked);  // griechisch, 103
  QCOMPARE(languages->item(0)->checkState(), Qt::Unchecked);
  QAbstractButton* ok = Child<QAbstractButton>(d, "OKButton");

  Check(languages, 1, false);
  Check(languages, 7, false);
  ok->click();
  QCOMPARE(prompts.errors.back(), std::string("You have to select at least one language."));
  QVERIFY(d.isVisible());
  QVERIFY(sprachen.Enthaelt(0) && sprachen.Enthaelt(103));  // a refused OK changes nothing
  Check(languages, 0, true);

  for (const char* box :
       {"HeaderCB", "subtitleCB", "TextCB", "remarksCB", "ScholienCB", "FootnotesCB"})
    Child<QCheckBox>(d, box)->setChecked(false);
  ok->click();
  QCOMPARE(prompts.errors.back(), std::string("You have to select at least one kind of text."));
  Child<QCheckBox>(d, "FootnotesCB")->setChecked(true);
  Child<QCheckBox>(d, "HeaderCB")->setChecked(true);

  // Clicking a date field chooses its radio button; the von date is checked first; an empty
  // bis date is refused.
  auto* von = Child<QLineEdit>(d, "DateVonEdit");
  auto* bis = Child<QLineEdit>(d, "DateBisEdit");
  auto* genau = Child<QLineEdit>(d, "DateGenauEdit");
  QTest::mouseClick(von, Qt::LeftButton);
  QVERIFY(Child<QRadioButton>(d, "VonBisRadioButton")->isChecked());
  von->setText("31.13.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), std::string("The date 31.13.1200 is not valid.\nA date can be: "
                                              "dd.mm.yyyy | mm.yyyy | yyyy."));
  von->setText("3.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), search_ui::UngueltigesDatum(""));
  QVERIFY(d.isVisible());
  QTest::mouseClick(genau, Qt::LeftButton);
  QVERIFY(Child<QRadioButton>(d, "GenauRadioButton")->isChecked());
  genau->setText("5.0.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), search_ui::UngueltigesDatum("5.0.1200"));
  QTest::mouseClick(bis, Qt::LeftButton);
  bis->setText("12.3.1300");
  const size_t messages = prompts.errors.size();

  auto* spin = Child<QSpinBox>(d, "WordDistanceRxSpinEdit");
  spin->setValue(0);
  QCOMPARE(spin->value(), 1);
  spin->setValue(99);
  QCOMPARE(spin->value(), 50);
  Child<QRadioButton>(d, "FixiertRadioButton")->setChecked(true);

  ok->click();
  QCOMPARE(prompts.errors.size(), messages);
  QCOMPARE(d.result(), int(QDialog::Accepted));
  QCOMPARE(genau->text(), QString());  // the interval was chosen
  QVERIFY(sprachen.Enthaelt(255) && !sprachen.Enthaelt(0));
  d.Zuruecklesen(e);
  QCOMPARE(e.Textarten, (TTextArtArray{1, 11}));
  QCOMPARE(e.DatumVon.Monat, uint8_t{3});
  QCOMPARE(e.DatumVon.Jahr, 1200);
  QCOMPARE(e.DatumBis.Tag, uint8_t{12});
  QVERIFY(search_ui::IstKeinDatum(e.DatumGenau));
  QCOMPARE(e.UndModus, 1);
  QCOMPARE(e.Wortabstand, 50);

  // Filling again shows the same choices.
  TSearchOptionsForm again(prompts, services);
  again.Fuellen(e);
  QVERIFY(Child<QRadioButton>(again, "VonBisRadioButton")->isChecked());
  QCOMPARE(Child<QLineEdit>(again, "DateBisEdit")->text(), QString("12.3.1300"));
  QVERIFY(Child<QRadioButton>(again, "FixiertRadioButton")->isChecked());
  QCOMPARE(Child<QSpinBox>(again, "WordDistanceRxSpinEdit")->value(), 50);
  Child<QAbstractButton>(again, "HelpButton")->click();
  QCOMPARE(services.topics, QStringList{"IDH_12000"});
}

void SearchFormTest::optionsCancelKeepsTheFormsOptions() {
  Reader r(collection_);
  auto form = r.Form();
  const TSuchEinstellungen before = form->Einstellungen();
  const QString languages = Child<QLabel>(*form, "SprachLabel")->text();

  // Changes, then an OK refused for want of a language, then Cancel.
  WithOptions([](TSearchOptionsForm& d) {
    auto* list = Child<QListWidget>(d, "lvTextLanguage");
    for (int i = 0; i < list->count(); ++i) Check(list, i, false);
    Child<QCheckBox>(d, "TextCB")->setChecked(false);
    Child<QRadioButton>(d, "SectionRadioButton")->setChecked(true);
    Child<QAbstractButton>(d, "OKButton")->click();
    QVERIFY(d.isVisible());
    Child<QAbstractButton>(d, "CancelButton")->click();
  });
  Child<QAbstractButton>(*form, "ChangeButton")->click();
  QCOMPARE(r.prompts->errors.back(), std::string("You have to select at least one language."));
  const TSuchEinstellungen& after = form->Einstellungen();
  QCOMPARE(after.Textarten, before.Textarten);
  QCOMPARE(after.UndModus, before.UndModus);
  QCOMPARE(after.Wortabstand, before.Wortabstand);
  for (uint8_t code : search_ui::kSprachen)
    QCOMPARE(after.Sprachen.Enthaelt(code), before.Sprachen.Enthaelt(code));
  QCOMPARE(Child<QLabel>(*form, "SprachLabel")->text(), languages);
}

void SearchFormTest::timedNoticeCountsDownAndCloses() {
  TTimerDialogForm notice("Will be ignored.", "&OK", 8, 5);
  QStringList captions;
  auto* button = Child<QAbstractButton>(notice, "TheButton");
  QCOMPARE(button->text(), QString("&OK"));
  connect(&notice, &TTimerDialogForm::Ticked, [&] { captions << button->text(); });
  notice.show();
  QTRY_VERIFY(!notice.isVisible());
  QCOMPARE(captions.size(), 8);
  QCOMPARE(captions.first(), QString("7 = &OK"));
  QCOMPARE(captions.last(), QString("0 = &OK"));
  QCOMPARE(notice.result(), int(QDialog::Accepted));

  TTimerDialogForm clicked("text", "&OK", 8);
  clicked.show();
  Child<QAbstractButton>(clicked, "TheButton")->click();
  QVERIFY(!clicked.isVisible());
  QCOMPARE(clicked.result(), int(QDialog::Accepted));
  QCOMPARE(clicked.Remaining(), 8000);

  TTimerDialogForm::TickPeriodMs = 1;
  QCOMPARE(TTimerDialogForm::Zeigen("text", "&OK", 3), int(QDialog::Accepted));
  TTimerDialogForm::TickPeriodMs = TTimerDialogForm::kStepMs;
}

void SearchFormTest::fuzzySearchNamesCollectionsWithoutIt() {
  Reader r(collection_);
  QVERIFY(!r.context->Catalog().HasFS(kCD));
  TSuchFormular form(*r.context, r.services, {});
  QStringList notices;
  form.Notice = [&](const QString& text) { notices << text; };
  Query(form)->setText("gott");
  Start(form);
  QVERIFY(notices.isEmpty());  // exact search: no notice
  Child<QAbstractButton>(form, "FS2Button")->click();
  Start(form);
  QCOMPARE(notices, QStringList{QString::fromStdString(
                        search_ui::UnscharfHinweis({r.context->Catalog().GetCDName(kCD)}))});
  // Both searches run to their end and report.
  // Both searches ran; their progress dialogs reported and went away.
  const auto running = [] {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::count_if(windows.begin(), windows.end(),
                         [](QWidget* w) { return qobject_cast<TSucheLauftForm*>(w) != nullptr; });
  };
  QTRY_COMPARE(running(), 0);
  QVERIFY(r.prompts->errors.size() + r.prompts->infos.size() >= 2);
}

QTEST_MAIN(SearchFormTest)
#include "search_form_test.moc"
