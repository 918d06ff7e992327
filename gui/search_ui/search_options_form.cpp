#include "gui/search_ui/search_options_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <optional>

#include "base/errors.h"
#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "system/user_prompts.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Suchoptionen", "Search options"};
constexpr LangText kKindGroup{"Textart", "Kind of text"};
constexpr LangText kLanguageGroup{"Sprache der Texte", "Language of texts"};
constexpr LangText kTimeGroup{"Chronologische Einschränkungen", "Chronological restrictions"};
constexpr LangText kNoDateLimit{"Keine chronologischen Einschränkungen.",
                                "No chronological restrictions."};
constexpr LangText kFromTo{"Datum befindet sich im Intervall:", "Date is within interval:"};
constexpr LangText kFrom{"von", "from"};
constexpr LangText kTo{"bis", "to"};
constexpr LangText kExactly{"Datum ist genau:", "Date is exactly:"};
constexpr LangText kAndGroup{"Wortabstand bei UND-Verknüpfung",
                             "Distance between words for AND-conjunction"};
constexpr LangText kSection{"Wortabstand im Abschnitt beliebig.",
                            "Arbitrary word distance in section."};
constexpr LangText kParagraph{"Wortabstand im Absatz beliebig.",
                              "Arbitrary word distance in paragraph."};
constexpr LangText kFixedDistance{"Wortabstand gewählt:", "Word distance chosen:"};
constexpr LangText kNoLanguage{"Sie müssen mindestens eine Sprache wählen.",
                               "You have to select at least one language."};
constexpr LangText kNoTextKind{"Sie müssen mindestens eine Textart wählen.",
                               "You have to select at least one kind of text."};
// Not translated: a programming error, never a user's doing.
constexpr char kLanguagesUnbound[] = "Textsprachbedingung nicht gesetzt.";
constexpr char kHelpTopic[] = "IDH_12000";

// Object names of the text-kind boxes, in the order of search_ui::kTextKinds (1, 3, 0, 12, 10, 11).
constexpr const char* kKindNames[] = {"HeaderCB",  "subtitleCB", "TextCB",
                                      "remarksCB", "ScholienCB", "FootnotesCB"};
constexpr int kKindCount = 6;
static_assert(std::size(search_ui::kTextKinds) == kKindCount);

constexpr int kMinDistance = 1;
constexpr int kMaxDistance = 50;
constexpr int kDefaultDistance = 20;
constexpr int32_t kParagraphMode = 1;
constexpr int32_t kSubsectionMode = 2;
constexpr int kCodeRole = Qt::UserRole;

// A passage kind's name with a capital first letter.
QString KindCaption(uint8_t code) {
  QString name = Utf8(search_ui::TextKindName(code));
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

std::optional<search_ui::DateBound> ReadBound(const QLineEdit* edit) {
  return search_ui::ParseDate(edit->text().trimmed().toStdString());
}

search_ui::DateBound OrNone(const std::optional<search_ui::DateBound>& d) {
  return d ? *d : search_ui::DateBound{};
}

}  // namespace

TSearchOptionsForm::TSearchOptionsForm(UserPrompts& prompts, WindowServices& services,
                                       QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      services_(services),
      languageList_(new QListWidget(this)),
      noDate_(new QRadioButton(this)),
      vonBis_(new QRadioButton(this)),
      exact_(new QRadioButton(this)),
      dateVon_(new QLineEdit(this)),
      dateBis_(new QLineEdit(this)),
      dateExact_(new QLineEdit(this)),
      section_(new QRadioButton(this)),
      paragraph_(new QRadioButton(this)),
      fixed_(new QRadioButton(this)),
      wortabstand_(new QSpinBox(this)) {
  setObjectName("SearchOptionsForm");
  setWindowTitle(Text(kCaption));

  auto* artGroup = new QGroupBox(Text(kKindGroup), this);
  artGroup->setObjectName("ArtGroupBox");
  auto* artLayout = new QGridLayout(artGroup);
  for (int i = 0; i < kKindCount; ++i) {
    kindBoxes_[i] = new QCheckBox(KindCaption(search_ui::kTextKinds[i]), artGroup);
    kindBoxes_[i]->setObjectName(kKindNames[i]);
    artLayout->addWidget(kindBoxes_[i], i % 3, i / 3);
  }

  auto* sprachGroup = new QGroupBox(Text(kLanguageGroup), this);
  sprachGroup->setObjectName("SprachGroupBox");
  languageList_->setObjectName("lvTextLanguage");
  for (uint8_t code : search_ui::kLanguages) {
    auto* item = new QListWidgetItem(Utf8(search_ui::LanguageName(code)), languageList_);
    item->setData(kCodeRole, code);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  (new QVBoxLayout(sprachGroup))->addWidget(languageList_);

  auto* timeGroup = new QGroupBox(Text(kTimeGroup), this);
  timeGroup->setObjectName("TimeGroupBox");
  noDate_->setObjectName("KeineZeitRadioButton");
  vonBis_->setObjectName("VonBisRadioButton");
  exact_->setObjectName("GenauRadioButton");
  dateVon_->setObjectName("DateVonEdit");
  dateBis_->setObjectName("DateBisEdit");
  dateExact_->setObjectName("DateGenauEdit");
  noDate_->setText(Text(kNoDateLimit));
  vonBis_->setText(Text(kFromTo));
  exact_->setText(Text(kExactly));
  auto* fromLabel = new QLabel(Text(kFrom), timeGroup);
  fromLabel->setObjectName("FromLabel");
  auto* toLabel = new QLabel(Text(kTo), timeGroup);
  toLabel->setObjectName("ToLabel");
  auto* timeLayout = new QGridLayout(timeGroup);
  timeLayout->addWidget(noDate_, 0, 0, 1, 5);
  timeLayout->addWidget(vonBis_, 1, 0);
  timeLayout->addWidget(fromLabel, 1, 1);
  timeLayout->addWidget(dateVon_, 1, 2);
  timeLayout->addWidget(toLabel, 1, 3);
  timeLayout->addWidget(dateBis_, 1, 4);
  timeLayout->addWidget(exact_, 2, 0);
  timeLayout->addWidget(dateExact_, 2, 2);
  for (QLineEdit* edit : {dateVon_, dateBis_, dateExact_}) edit->installEventFilter(this);

  auto* undGroup = new QGroupBox(Text(kAndGroup), this);
  undGroup->setObjectName("UndGroupBox");
  section_->setObjectName("SectionRadioButton");
  paragraph_->setObjectName("ParagraphRadioButton");
  fixed_->setObjectName("FixiertRadioButton");
  wortabstand_->setObjectName("WordDistanceRxSpinEdit");
  section_->setText(Text(kSection));
  paragraph_->setText(Text(kParagraph));
  fixed_->setText(Text(kFixedDistance));
  wortabstand_->setRange(kMinDistance, kMaxDistance);
  wortabstand_->setValue(kDefaultDistance);
  auto* undLayout = new QGridLayout(undGroup);
  undLayout->addWidget(section_, 0, 0, 1, 2);
  undLayout->addWidget(paragraph_, 1, 0, 1, 2);
  undLayout->addWidget(fixed_, 2, 0);
  undLayout->addWidget(wortabstand_, 2, 1);

  auto* ok = MakeButton(captions::kOK, "OKButton", this);
  ok->setDefault(true);
  auto* cancel = MakeButton(captions::kCancel, "CancelButton", this);
  auto* help = MakeButton(captions::kHelp, "HelpButton", this);
  QHBoxLayout* buttons = RightAlignedRow({ok, cancel, help});

  auto* top = new QHBoxLayout;
  top->addWidget(artGroup);
  top->addWidget(sprachGroup);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(timeGroup);
  layout->addWidget(undGroup);
  layout->addLayout(buttons);

  noDate_->setChecked(true);
  paragraph_->setChecked(true);

  connect(ok, &QPushButton::clicked, this, &TSearchOptionsForm::OKButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  HelpOnF1(this, help);
  connect(help, &QPushButton::clicked, this, [this] { services_.ShowHelp(kHelpTopic); });
}

void TSearchOptionsForm::SetzeSprachen(retrieval::TSmallIntSet& sprachen) {
  languages_ = &sprachen;
  for (int i = 0; i < languageList_->count(); ++i) {
    QListWidgetItem* item = languageList_->item(i);
    const auto code = static_cast<uint8_t>(item->data(kCodeRole).toInt());
    item->setCheckState(sprachen.Enthaelt(code) ? Qt::Checked : Qt::Unchecked);
  }
}

retrieval::TSmallIntSet& TSearchOptionsForm::Sprachen() const {
  if (languages_ == nullptr) throw Exception(kLanguagesUnbound);
  return *languages_;
}

void TSearchOptionsForm::Fuellen(const search_ui::SearchSettings& e) {
  for (int i = 0; i < kKindCount; ++i) {
    const uint8_t code = search_ui::kTextKinds[i];
    kindBoxes_[i]->setChecked(std::find(e.Textarten.begin(), e.Textarten.end(), code) !=
                              e.Textarten.end());
  }

  dateVon_->clear();
  dateBis_->clear();
  dateExact_->clear();
  if (!search_ui::IsNoDate(e.DatumGenau)) {
    exact_->setChecked(true);
    dateExact_->setText(Utf8(search_ui::DateAsNumbers(e.DatumGenau)));
  } else if (!search_ui::IsNoDate(e.DatumVon) || !search_ui::IsNoDate(e.DatumBis)) {
    vonBis_->setChecked(true);
    dateVon_->setText(Utf8(search_ui::DateAsNumbers(e.DatumVon)));
    dateBis_->setText(Utf8(search_ui::DateAsNumbers(e.DatumBis)));
  } else {
    noDate_->setChecked(true);
  }

  if (e.UndModus == kSubsectionMode) {
    section_->setChecked(true);
  } else if (e.Wortabstand == 0) {
    paragraph_->setChecked(true);
  } else {
    fixed_->setChecked(true);
    wortabstand_->setValue(std::clamp(e.Wortabstand, kMinDistance, kMaxDistance));
  }
}

void TSearchOptionsForm::Zuruecklesen(search_ui::SearchSettings& e) const {
  e.Textarten.clear();
  for (int i = 0; i < kKindCount; ++i)
    if (kindBoxes_[i]->isChecked()) e.Textarten.push_back(search_ui::kTextKinds[i]);

  e.DatumVon = e.DatumBis = e.DatumGenau = search_ui::DateBound{};
  if (vonBis_->isChecked()) {
    e.DatumVon = OrNone(ReadBound(dateVon_));
    e.DatumBis = OrNone(ReadBound(dateBis_));
  } else if (exact_->isChecked()) {
    e.DatumGenau = OrNone(ReadBound(dateExact_));
  }

  if (section_->isChecked()) {
    e.UndModus = kSubsectionMode;
    e.Wortabstand = 0;
  } else if (fixed_->isChecked()) {
    e.UndModus = kParagraphMode;
    e.Wortabstand = wortabstand_->value();
  } else {
    e.UndModus = kParagraphMode;
    e.Wortabstand = 0;
  }
}

bool TSearchOptionsForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == dateVon_ || watched == dateBis_) vonBis_->setChecked(true);
    if (watched == dateExact_) exact_->setChecked(true);
  }
  return QDialog::eventFilter(watched, event);
}

bool TSearchOptionsForm::CheckDate(QLineEdit* edit) {
  if (ReadBound(edit)) return true;
  prompts_.ShowError(search_ui::InvalidDateMessage(edit->text().toStdString()));
  edit->setFocus();
  return false;
}

void TSearchOptionsForm::OKButtonClick() {
  // The bound set changes only once everything is valid, so a refused OK followed by Cancel
  // leaves the search form's languages as they were.
  retrieval::TSmallIntSet neu;
  for (int i = 0; i < languageList_->count(); ++i) {
    const QListWidgetItem* item = languageList_->item(i);
    if (item->checkState() == Qt::Checked)
      neu.Aufnehmen(static_cast<uint8_t>(item->data(kCodeRole).toInt()));
  }
  if (neu.IstLeer()) {
    prompts_.ShowError(Tr(kNoLanguage));
    return;
  }
  if (std::none_of(std::begin(kindBoxes_), std::end(kindBoxes_),
                   [](const QCheckBox* box) { return box->isChecked(); })) {
    prompts_.ShowError(Tr(kNoTextKind));
    return;
  }
  if (vonBis_->isChecked()) {
    if (!CheckDate(dateVon_) || !CheckDate(dateBis_)) return;
    dateExact_->clear();
  } else if (exact_->isChecked()) {
    if (!CheckDate(dateExact_)) return;
    dateVon_->clear();
    dateBis_->clear();
  }
  try {
    Sprachen().Assign(neu);
  } catch (const Exception& error) {
    prompts_.ShowError(error.what());
    return;
  }
  accept();
}

}  // namespace quillmar::gui
