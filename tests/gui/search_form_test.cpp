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
#include <functional>

#include "base/errors.h"
#include "gui/common/window_services.h"
#include "gui/gui_fixture.h"
#include "gui/search_ui/search_options_form.h"
#include "gui/search_ui/search_progress.h"
#include "gui/search_ui/timer_dialog.h"
#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"

using namespace quillmar;
using namespace quillmar::gui;
using search_ui::SearchSettings;
using test::kSampleCD;

namespace {

// An English reader with the sample collection announced when `collection` is set.
struct Reader : test::TestContext {
  explicit Reader(const std::string& collection, const MemoryRegistryStore& saved = {})
      : TestContext(collection, kEnglish, saved) {}
  // A form whose searches are only recorded.
  std::unique_ptr<TSuchFormular> Form(std::vector<OpenTextEntry> texts = {}) {
    auto form = std::make_unique<TSuchFormular>(*context, services, std::move(texts));
    form->Starter = [this](const SearchSettings& e) { started.push_back(e); };
    return form;
  }
  // Records the help topics asked for.
  struct Services : WindowServices {
    void ShowHelp(const QString& topic) override { help << topic; }
    QStringList help;
  } services;
  std::vector<SearchSettings> started;
};

template <typename T>
T* Child(QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

QLineEdit* Query(TSuchFormular& f) { return Child<QLineEdit>(f, "AnfrageEdit"); }
QListWidget* List(TSuchFormular& f, const char* name) { return Child<QListWidget>(f, name); }
void Click(QObject& parent, const char* name) { Child<QAbstractButton>(parent, name)->click(); }
void Start(TSuchFormular& f) { Click(f, "SucheStartenButton"); }
void Check(QListWidget* list, int row, bool on) {
  list->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

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
    if (dialog->isVisible()) Click(*dialog, "CancelButton");
  });
  timer->start(5);
}

// The result-list filters a search with these settings gets.
retrieval::TFundstellenListe Filters(const SearchSettings& e, TCalderwickData& catalog) {
  const auto katalog =
      retrieval::SearchCatalog::FromCatalog(catalog, search_ui::CollectionsToSearch(e));
  retrieval::TSuchThread thread(katalog, nullptr);
  search_ui::SetUpSearch(e, thread, katalog, [](const std::string&) { return true; });
  retrieval::TFundstellenListe list;
  list.EinstellungenKopieren(thread.Anfrage().Ergebnis);
  return list;
}

}  // namespace

class SearchFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { collection_ = test::BuildSampleCollection(dir_); }
  void startIsRefusedWithoutQueryOrCollection();
  void startPassesSelectionsAndOptions();
  void historyNavigationAndLastQuery();
  void optionsDialogValidation();
  void timedNoticeCountsDownAndCloses();
  void f1ShowsTheHelpOfTheDialog();
  void fuzzySearchNamesCollectionsWithoutIt();

 private:
  test::TempDir dir_;
  std::string collection_;
};

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

  Reader none("");
  auto bare = none.Form();
  Query(*bare)->setText("gott");
  Start(*bare);
  QCOMPARE(none.prompts->errors.back(), std::string("There is no CD available for search."));
  QVERIFY(none.started.empty());
}

void SearchFormTest::startPassesSelectionsAndOptions() {
  Reader r(collection_);
  auto form = r.Form({{kSampleCD, 1, "One"}, {kSampleCD, 1, "One again"}, {kSampleCD, 2, "Two"}});
  QListWidget* texts = List(*form, "OpenTextsCheckListBox");
  QCOMPARE(texts->count(), 3);  // "all", text 1 once, text 2

  // "all" unchecked, only text 2 checked: one text condition; fuzzy level 2; UTF-8 in the
  // line, Windows-1252 in the settings.
  Check(texts, 0, false);
  Check(texts, 1, false);
  Query(*form)->setText(QString::fromUtf8("größe"));
  Click(*form, "FS2Button");
  Start(*form);
  QCOMPARE(r.started.size(), size_t{1});
  QCOMPARE(form->result(), int(QDialog::Accepted));
  SearchSettings e = r.started.back();
  QCOMPARE(e.Anfrage, std::string("gr\xF6\xDF"
                                  "e"));
  QCOMPARE(e.Stufe, 2);
  auto filters = Filters(e, r.Catalog());
  QCOMPARE(filters.TextBedingungen.size(), size_t{1});
  QCOMPARE(filters.TextBedingungen[0].TextNr, 2);

  // "all" unchecked with no text checked: no text condition at all. An interval first, then an
  // exact date: the exact date bounds the filter on both sides.
  auto second = r.Form({{kSampleCD, 1, "One"}});
  Check(List(*second, "OpenTextsCheckListBox"), 0, false);
  Check(List(*second, "OpenTextsCheckListBox"), 1, false);
  Query(*second)->setText("gott");
  WithOptions([](TSearchOptionsForm& d) {
    Child<QRadioButton>(d, "VonBisRadioButton")->setChecked(true);
    Child<QLineEdit>(d, "DateVonEdit")->setText("1100");
    Child<QLineEdit>(d, "DateBisEdit")->setText("1300");
    Click(d, "OKButton");
  });
  Click(*second, "ChangeButton");
  WithOptions([](TSearchOptionsForm& d) {
    QCOMPARE(Child<QLineEdit>(d, "DateBisEdit")->text(), QString("1300"));
    Child<QRadioButton>(d, "GenauRadioButton")->setChecked(true);
    Child<QLineEdit>(d, "DateGenauEdit")->setText("1200");
    Click(d, "OKButton");
  });
  Click(*second, "ChangeButton");
  QCOMPARE(Child<QLabel>(*second, "ZeitLabel")->text(),
           QString("Chronological restrictions: 1200."));
  Start(*second);
  QCOMPARE(r.started.size(), size_t{2});
  e = r.started.back();
  QVERIFY(search_ui::IsNoDate(e.DatumVon) && search_ui::IsNoDate(e.DatumBis));
  filters = Filters(e, r.Catalog());
  QVERIFY(filters.TextBedingungen.empty());
  QCOMPARE(filters.DatumVon.Jahr, 1200);
  QCOMPARE(filters.DatumBis.Jahr, 1200);

  // Options changed, an OK refused for want of a language, then Cancel: nothing changes.
  auto third = r.Form();
  const SearchSettings before = third->Einstellungen();
  const QString languages = Child<QLabel>(*third, "SprachLabel")->text();
  WithOptions([](TSearchOptionsForm& d) {
    auto* list = Child<QListWidget>(d, "lvTextLanguage");
    for (int i = 0; i < list->count(); ++i) Check(list, i, false);
    Child<QCheckBox>(d, "TextCB")->setChecked(false);
    Child<QRadioButton>(d, "SectionRadioButton")->setChecked(true);
    Click(d, "OKButton");
    QVERIFY(d.isVisible());
  });
  Click(*third, "ChangeButton");
  QCOMPARE(r.prompts->errors.back(), std::string("You have to select at least one language."));
  const SearchSettings& after = third->Einstellungen();
  QCOMPARE(after.Textarten, before.Textarten);
  QCOMPARE(after.UndModus, before.UndModus);
  for (uint8_t code : search_ui::kLanguages)
    QCOMPARE(after.Sprachen.Enthaelt(code), before.Sprachen.Enthaelt(code));
  QCOMPARE(Child<QLabel>(*third, "SprachLabel")->text(), languages);
}

void SearchFormTest::historyNavigationAndLastQuery() {
  MemoryRegistryStore saved;
  {
    Reader r(collection_);
    auto first = r.Form();
    QTest::keyClick(Query(*first), Qt::Key_PageUp);  // a new query has nothing newer
    QCOMPARE(first->HistorienIndex(), 0);
    Query(*first)->setText("alpha");
    Start(*first);

    // Started from a history entry: the next form opens on the newest search.
    auto second = r.Form();
    QCOMPARE(Query(*second)->text(), QString());
    Click(*second, "DownButton");
    QCOMPARE(Query(*second)->text(), QString("alpha"));
    Query(*second)->setText("beta");
    Click(*second, "FS3Button");
    Start(*second);

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
    Click(*third, "DownButton");
    QVERIFY(third->LetzteAnfrageZeigen());
    Check(List(*third, "OpenTextsCheckListBox"), 0, false);
    QVERIFY(!third->LetzteAnfrageZeigen());
    saved = *r.store;
  }
  // A new reader on the saved settings store finds the history and the last-query flag.
  Reader again(collection_, saved);
  auto form = again.Form();
  QCOMPARE(form->HistorienIndex(), 1);
  QCOMPARE(Query(*form)->text(), QString("beta"));
}

// F1 anywhere in the search form or its options dialog shows the dialog's help topic.
void SearchFormTest::f1ShowsTheHelpOfTheDialog() {
  Reader r(collection_);
  auto form = r.Form();
  form->show();
  QVERIFY(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(Query(*form), Qt::Key_F1);
  form->hide();
  test::ScriptedPrompts prompts;
  TSearchOptionsForm options(prompts, r.services);
  options.show();
  QVERIFY(QTest::qWaitForWindowActive(&options));
  QTest::keyClick(&options, Qt::Key_F1);
  QCOMPARE(r.services.help, (QStringList{"IDH_11000", "IDH_12000"}));
}

void SearchFormTest::optionsDialogValidation() {
  test::ScriptedPrompts prompts;
  WindowServices services;
  TSearchOptionsForm d(prompts, services);
  QVERIFY_THROWS_EXCEPTION(Exception, d.Sprachen());  // no language set bound

  retrieval::TSmallIntSet sprachen;
  sprachen.Aufnehmen(0);
  sprachen.Aufnehmen(103);
  d.SetzeSprachen(sprachen);
  SearchSettings e = SearchSettings::Standard();
  d.Fuellen(e);
  d.show();
  auto* languages = Child<QListWidget>(d, "lvTextLanguage");
  QCOMPARE(languages->item(1)->checkState(), Qt::Checked);  // deutsch, 0
  QCOMPARE(languages->item(7)->checkState(), Qt::Checked);  // griechisch, 103
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
  auto* genau = Child<QLineEdit>(d, "DateGenauEdit");
  QTest::mouseClick(von, Qt::LeftButton);
  von->setText("31.13.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), std::string("The date 31.13.1200 is not valid.\nA date can be: "
                                              "dd.mm.yyyy | mm.yyyy | yyyy."));
  von->setText("3.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), search_ui::InvalidDateMessage(""));
  QTest::mouseClick(genau, Qt::LeftButton);
  genau->setText("5.0.1200");
  ok->click();
  QCOMPARE(prompts.errors.back(), search_ui::InvalidDateMessage("5.0.1200"));
  QVERIFY(d.isVisible());
  QTest::mouseClick(Child<QLineEdit>(d, "DateBisEdit"), Qt::LeftButton);
  Child<QLineEdit>(d, "DateBisEdit")->setText("12.3.1300");
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
  QVERIFY(search_ui::IsNoDate(e.DatumGenau));
  QCOMPARE(e.UndModus, 1);
  QCOMPARE(e.Wortabstand, 50);

  // Filling again shows the same choices.
  TSearchOptionsForm again(prompts, services);
  again.Fuellen(e);
  QVERIFY(Child<QRadioButton>(again, "VonBisRadioButton")->isChecked());
  QCOMPARE(Child<QLineEdit>(again, "DateBisEdit")->text(), QString("12.3.1300"));
  QVERIFY(Child<QRadioButton>(again, "FixiertRadioButton")->isChecked());
}

void SearchFormTest::timedNoticeCountsDownAndCloses() {
  TTimerDialogForm notice("Will be ignored.", "&OK", 8, 5);
  QStringList captions;
  auto* button = Child<QAbstractButton>(notice, "TheButton");
  connect(&notice, &TTimerDialogForm::Ticked, [&] { captions << button->text(); });
  notice.show();
  QTRY_VERIFY(!notice.isVisible());
  QCOMPARE(captions.size(), 8);
  QCOMPARE(captions.first(), QString("7 = &OK"));
  QCOMPARE(captions.last(), QString("0 = &OK"));
  QCOMPARE(notice.result(), int(QDialog::Accepted));

  TTimerDialogForm clicked("text", "&OK", 8);
  clicked.show();
  Click(clicked, "TheButton");
  QVERIFY(!clicked.isVisible());
  QCOMPARE(clicked.result(), int(QDialog::Accepted));
  QCOMPARE(clicked.Remaining(), 8000);
}

void SearchFormTest::fuzzySearchNamesCollectionsWithoutIt() {
  Reader r(collection_);
  QVERIFY(!r.Catalog().HasFS(kSampleCD));
  TSuchFormular form(*r.context, r.services, {});
  QStringList notices;
  form.Notice = [&](const QString& text) { notices << text; };
  Query(form)->setText("gott");
  Start(form);
  QVERIFY(notices.isEmpty());  // exact search: no notice
  Click(form, "FS2Button");
  Start(form);
  QCOMPARE(notices, QStringList{QString::fromStdString(
                        search_ui::FuzzyNotice({r.Catalog().GetCDName(kSampleCD)}))});
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
