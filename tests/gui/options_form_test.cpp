#include "gui/options/options_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <set>
#include <sstream>

#include "collection/settings_store.h"
#include "gui/app/main_window.h"
#include "gui/common/window_services.h"
#include "gui/gui_fixture.h"
#include "gui/options/font_info.h"
#include "gui/options/uc_install_form.h"
#include "platform/file_registry_store.h"
#include "text/text_style.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

// A font the tests may rely on: scripts/install-deps.sh installs it.
const QString kGreekFont = QStringLiteral("DejaVu Sans");

template <typename T>
T* Child(QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

void Click(QObject& parent, const char* name) { Child<QAbstractButton>(parent, name)->click(); }

// A shown settings dialog on the font page.
struct Dialog {
  explicit Dialog(AppContext& context) : form(context, services) {
    form.show();
    Child<QTabWidget>(form, "OptPageControl")->setCurrentIndex(1);
  }
  void Press(const char* label, Qt::MouseButton button, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::mouseClick(Child<QLabel>(form, label), button);
  }
  WindowServices services;
  TOptionsForm form;
};

AppContext::Parts PartsWith(std::unique_ptr<RegistryStore> store, QStringList greekFonts) {
  AppContext::Parts parts{std::move(store), std::make_unique<test::FakeDrives>(),
                          std::make_unique<test::ScriptedPrompts>(), "reader"};
  parts.greekFonts = [greekFonts] { return greekFonts; };
  return parts;
}

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// The lines of `after` that `before` lacks.
std::set<std::string> NewLines(const std::string& before, const std::string& after) {
  std::set<std::string> added;
  const std::set<std::string> old = Lines(before);
  for (const std::string& line : Lines(after))
    if (!old.count(line)) added.insert(line);
  return added;
}

}  // namespace

class OptionsFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void lineSpacingRoundTrips();
  void sampleClicksFollowTheSizeRules();
  void driveEntry();
  void greekFonts();
  void firstStartShowsGreekInUnicodeWhenAFontCoversIt();
  void cancelAfterRestoreKeepsEverything();
  void okWritesExactlyTheChangedValues();
  void languageChangeRecaptionsOpenWindows();

 private:
  test::TempDir dir_;
  std::string collection_;
};

void OptionsFormTest::initTestCase() { collection_ = test::BuildSampleCollection(dir_); }

void OptionsFormTest::lineSpacingRoundTrips() {
  test::TestContext c;
  SettingsStore& s = c.Catalog().Settings();
  for (int32_t code : {12, 5}) {
    s.SetLineSpacing(code);
    Dialog d(*c.context);
    const bool own = code != 5;
    QCOMPARE(Child<QRadioButton>(d.form, "selfZARadioButton")->isChecked(), own);
    if (own) QCOMPARE(Child<QDoubleSpinBox>(d.form, "SelfZARxSpinEdit")->value(), code / 10.0);
    s.SetLineSpacing(0);
    Click(d.form, "OKButton");
    QCOMPARE(s.GetLineSpacing(), code);
  }

  // Clicking the own value selects "own choice".
  Dialog d(*c.context);
  QVERIFY(Child<QRadioButton>(d.form, "halfZARadioButton")->isChecked());
  Child<QTabWidget>(d.form, "OptPageControl")->setCurrentIndex(0);
  QTest::mouseClick(Child<QDoubleSpinBox>(d.form, "SelfZARxSpinEdit"), Qt::LeftButton);
  QVERIFY(Child<QRadioButton>(d.form, "selfZARadioButton")->isChecked());
}

void OptionsFormTest::sampleClicksFollowTheSizeRules() {
  test::TestContext c;
  {
    Dialog d(*c.context);
    d.Press("Header1Label", Qt::RightButton, 3);
    QCOMPARE(d.form.Relations()[0], 162);  // 153 + 9
    d.Press("TextKleinLabel", Qt::LeftButton);
    QCOMPARE(d.form.Relations()[13], 100);
    QCOMPARE(d.form.Relations()[14], 82);
    QCOMPARE(d.form.Relations()[16], 82);
    QCOMPARE(d.form.Relations()[17], 100);
    d.Press("Unter1Label", Qt::MiddleButton);
    QCOMPARE(d.form.Relations()[3], 147);
  }
  {
    // "text" one point larger: the other styles keep their size.
    Dialog d(*c.context);
    d.Press("TextNormalLabel", Qt::RightButton);
    QCOMPARE(d.form.BaseSize(), 16);
    QCOMPARE(d.form.Relations()[0], 143);  // round(153 x 15 / 16)
    QCOMPARE(d.form.Relations()[2], 100);
    QCOMPARE(d.form.Relations()[5], 100);
    QCOMPARE(Child<QLabel>(d.form, "Header1Label")->font().pointSize(), 23);
  }
  {
    // Percentages stop at the least one that still gives a 1-point font (4 % of 15 points);
    // the base size beyond what the field takes when typed, up to 80.
    Dialog d(*c.context);
    d.Press("RemarkLabel", Qt::LeftButton, 40);
    QCOMPARE(d.form.Relations()[10], 4);
    QCOMPARE(Child<QLabel>(d.form, "RemarkLabel")->font().pointSize(), 1);
    Child<QSpinBox>(d.form, "FontSizeSpinEdit1")->setValue(60);
    d.Press("TextNormalLabel", Qt::RightButton, 25);
    QCOMPARE(d.form.BaseSize(), TOptionsForm::kMaxFontSize);
    QVERIFY(d.form.Relations()[10] >= TOptionsForm::AtLeastSmallest(1, 80));
    Click(d.form, "OKButton");
    QCOMPARE(c.Catalog().Settings().GetFontSize(), 80);
  }
  QCOMPARE(TOptionsForm::AtLeastSmallest(1, 3), 17);  // 3 x 16 % = 0.48 points rounds to 0
  QCOMPARE(TOptionsForm::AtLeastSmallest(-5, 15), 4);
}

void OptionsFormTest::driveEntry() {
  QCOMPARE(TOptionsForm::StoredDrive("e:", true), std::string("E"));
  QCOMPARE(TOptionsForm::StoredDrive("1", true), std::string());
  QCOMPARE(TOptionsForm::StoredDrive("", true), std::string());
  QCOMPARE(TOptionsForm::StoredDrive(" /media/cd copy/ ", false), std::string("/media/cd copy/"));
  QCOMPARE(TOptionsForm::StoredDrive("1", false), std::string("1"));

#ifndef _WIN32
  test::TestContext c;
  Dialog d(*c.context);
  QVERIFY(d.form.findChild<QAbstractButton*>("DriveButton") != nullptr);
  Child<QLineEdit>(d.form, "DriveEdit")->setText("/mnt/cd");
  Click(d.form, "OKButton");
  QCOMPARE(c.Catalog().Settings().GetCDROMDrive(), std::string("/mnt/cd"));
#endif
}

void OptionsFormTest::greekFonts() {
  WindowServices services;
  TUCInstallForm none({}, services);
  QVERIFY(!Child<QAbstractButton>(none, "OKButton")->isEnabled());
  QVERIFY(!Child<QComboBox>(none, "FontComboBox")->isEnabled());
  QVERIFY(none.Chosen().isEmpty());

  TUCInstallForm two({"A", "B"}, services);
  QVERIFY(Child<QAbstractButton>(two, "OKButton")->isEnabled());
  QCOMPARE(two.Chosen(), QStringLiteral("A"));

  const TFontInfo dejavu(kGreekFont);
  QVERIFY(dejavu.HasUnicodeSubset(TFontInfo::kGreekAndCoptic));
  QVERIFY(dejavu.HasUnicodeSubset(TFontInfo::kGreekExtended));
  QVERIFY(!dejavu.HasUnicodeSubset(128));
  QVERIFY(TFontInfo::GetGreekFonts().contains(kGreekFont));
  // The font system substitutes a font for a family it lacks: that must not count.
  QVERIFY(!TFontInfo(QStringLiteral("No Such Family Quillmar")).CoversGreek());

  QCOMPARE(TFontInfo::PreferredGreekFont({"DejaVu Sans Mono", kGreekFont}, "Arial"), kGreekFont);
  QCOMPARE(TFontInfo::PreferredGreekFont({"DejaVu Sans Mono", kGreekFont}, "dejavu sans mono"),
           QStringLiteral("DejaVu Sans Mono"));
  QVERIFY(TFontInfo::PreferredGreekFont({}, "Arial").isEmpty());
}

void OptionsFormTest::firstStartShowsGreekInUnicodeWhenAFontCoversIt() {
  auto store = std::make_unique<MemoryRegistryStore>();
  MemoryRegistryStore* saved = store.get();
  {
    AppContext first(PartsWith(std::move(store), {"DejaVu Sans Mono", kGreekFont}));
    QCOMPARE(first.Catalog().Settings().GetUCFont(), kGreekFont.toStdString());
    QVERIFY(first.Catalog().UCFontSet());
    QCOMPARE(first.Style().Fonts(false).FontOf(14).face, kGreekFont.toStdString());
    // A chosen font stays; an empty one (an older settings file, or Restore default settings)
    // is filled again at the next start.
    first.Catalog().Settings().SetUCFont("Other Greek");
    AppContext chosen(PartsWith(std::make_unique<MemoryRegistryStore>(*saved), {kGreekFont}));
    QCOMPARE(chosen.Catalog().Settings().GetUCFont(), std::string("Other Greek"));
    first.Catalog().Settings().SetUCFont("");
    AppContext later(PartsWith(std::make_unique<MemoryRegistryStore>(*saved), {kGreekFont}));
    QCOMPARE(later.Catalog().Settings().GetUCFont(), kGreekFont.toStdString());
  }
  AppContext noFont(PartsWith(std::make_unique<MemoryRegistryStore>(), {}));
  QVERIFY(noFont.Catalog().Settings().GetUCFont().empty());
  QVERIFY(!noFont.Catalog().UCFontSet());
}

void OptionsFormTest::cancelAfterRestoreKeepsEverything() {
  const std::string file = dir_.Sub("restored/quillmar.ini");
  AppContext context(PartsWith(std::make_unique<FileRegistryStore>(file), {}));
  SettingsStore& s = context.Catalog().Settings();
  s.SetUCFont(kGreekFont.toStdString());
  s.SetFont("DejaVu Serif");
  s.SetFontSize(20);
  s.SetBackColor(0x00FFFF);
  {
    // Opening reads every setting, storing the defaults of those never read before.
    Dialog d(context);
    const std::string before = test::ReadFile(file);
    QVERIFY(Child<QLabel>(d.form, "UCInfoLabel")->text().contains(kGreekFont));
    Click(d.form, "RestoreButton");
    QCOMPARE(Child<QLabel>(d.form, "UCInfoLabel")->text(), QStringLiteral("No Unicode support."));
    QCOMPARE(d.form.BaseSize(), 15);
    Click(d.form, "CancelButton");
    QCOMPARE(test::ReadFile(file), before);
  }
  QVERIFY(context.Catalog().UCFontSet());

  Dialog d(context);
  Click(d.form, "RestoreButton");
  Click(d.form, "OKButton");
  QVERIFY(s.GetUCFont().empty());
  QVERIFY(!context.Catalog().UCFontSet());
  QCOMPARE(s.GetFont(), std::string("Times New Roman"));
  QCOMPARE(s.GetFontSize(), 15);
  QCOMPARE(s.GetBackColor(), 0xFFFFFF);
}

void OptionsFormTest::okWritesExactlyTheChangedValues() {
  const std::string file = dir_.Sub("written/quillmar.ini");
  AppContext context(PartsWith(std::make_unique<FileRegistryStore>(file), {}));
  TOptionsForm::SetColourChooser([](const QColor& current, QWidget*) -> std::optional<QColor> {
    if (current != QColor(0, 0, 255)) return std::nullopt;  // the link colour starts blue
    return QColor(255, 0, 0);
  });
  Dialog d(context);
  const std::string before = test::ReadFile(file);
  Child<QRadioButton>(d.form, "selfZARadioButton")->setChecked(true);
  Child<QDoubleSpinBox>(d.form, "SelfZARxSpinEdit")->setValue(2.3);
  Child<QCheckBox>(d.form, "CrossReferenceCheckBox")->setChecked(true);
  Click(d.form, "ChangeLinkColorButton");
  Click(d.form, "OKButton");
  TOptionsForm::SetColourChooser(nullptr);

  QCOMPARE(d.form.result(), int(QDialog::Accepted));
  QVERIFY(!d.form.LanguageChanged());
  const std::set<std::string> expected{"LineSpacing=dword:00000017", "smrtlnk2=dword:00000001",
                                       "LinkColor=dword:000000ff"};  // red as 0x00BBGGRR
  QCOMPARE(NewLines(before, test::ReadFile(file)), expected);
  QCOMPARE(NewLines(test::ReadFile(file), before).size(), expected.size());
}

void OptionsFormTest::languageChangeRecaptionsOpenWindows() {
  test::TestContext c(collection_);
  TCalderwickForm main(*c.context);
  main.resize(1000, 800);
  TTextChild* text = main.OpenTextByIds(test::kSampleCD, 1, 1, 0, true);
  QVERIFY(text != nullptr);
  QCOMPARE(Child<QAction>(*text, "mnItemBack")->text(), QStringLiteral("&Back"));

  bool seen = false;
  QTimer::singleShot(0, [&seen] {
    auto* dialog = qobject_cast<TOptionsForm*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    seen = true;
    Child<QComboBox>(*dialog, "LangComboBox")->setCurrentIndex(0);
    Child<QSpinBox>(*dialog, "FontSizeSpinEdit1")->setValue(20);
    Click(*dialog, "OKButton");
  });
  QMenu* view = main.menuBar()->actions().at(3)->menu();
  QAction* settings = view->actions().last();
  QCOMPARE(settings->text(), QStringLiteral("&Settings"));
  settings->trigger();
  QVERIFY(seen);

  QCOMPARE(CurrentLanguage(), kGerman);
  QCOMPARE(main.menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
  QCOMPARE(settings->text(), QStringLiteral("&Einstellungen"));
  QCOMPARE(Child<QAction>(*text, "mnItemBack")->text(), QStringLiteral("&Zurück"));
  QCOMPARE(Child<QLabel>(*text, "PageCaption")->text(), QStringLiteral("Seite"));
  QCOMPARE(c.context->Style().Fonts(false).FontOf(3).size, 20);
  SetCurrentLanguage(kEnglish);
}

QTEST_MAIN(OptionsFormTest)
#include "options_form_test.moc"
