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
constexpr LangText kArtGroup{"Textart", "Kind of text"};
constexpr LangText kSprachGroup{"Sprache der Texte", "Language of texts"};
constexpr LangText kTimeGroup{"Chronologische Einschränkungen", "Chronological restrictions"};
constexpr LangText kKeineZeit{"Keine chronologischen Einschränkungen.",
                              "No chronological restrictions."};
constexpr LangText kVonBis{"Datum befindet sich im Intervall:", "Date is within interval:"};
constexpr LangText kFrom{"von", "from"};
constexpr LangText kTo{"bis", "to"};
constexpr LangText kGenau{"Datum ist genau:", "Date is exactly:"};
constexpr LangText kUndGroup{"Wortabstand bei UND-Verknüpfung",
                             "Distance between words for AND-conjunction"};
constexpr LangText kSection{"Wortabstand im Abschnitt beliebig.",
                            "Arbitrary word distance in section."};
constexpr LangText kParagraph{"Wortabstand im Absatz beliebig.",
                              "Arbitrary word distance in paragraph."};
constexpr LangText kFixiert{"Wortabstand gewählt:", "Word distance chosen:"};
constexpr LangText kKeineSprache{"Sie müssen mindestens eine Sprache wählen.",
                                 "You have to select at least one language."};
constexpr LangText kKeineTextart{"Sie müssen mindestens eine Textart wählen.",
                                 "You have to select at least one kind of text."};
// Not translated: a programming error, never a user's doing.
constexpr char kSprachenUngebunden[] = "Textsprachbedingung nicht gesetzt.";
constexpr char kHelpTopic[] = "IDH_12000";

// Object names of the text-kind boxes, in the order of search_ui::kTextKinds (1, 3, 0, 12, 10, 11).
constexpr const char* kArtNames[] = {"HeaderCB",  "subtitleCB", "TextCB",
                                     "remarksCB", "ScholienCB", "FootnotesCB"};
constexpr int kArtCount = 6;
static_assert(std::size(search_ui::kTextKinds) == kArtCount);

constexpr int kMinAbstand = 1;
constexpr int kMaxAbstand = 50;
constexpr int kStandardAbstand = 20;
constexpr int32_t kModusAbsatz = 1;
constexpr int32_t kSubsectionMode = 2;
constexpr int kCodeRole = Qt::UserRole;

// A passage kind's name with a capital first letter.
QString ArtCaption(uint8_t code) {
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
      sprachListe_(new QListWidget(this)),
      keineZeit_(new QRadioButton(this)),
      vonBis_(new QRadioButton(this)),
      genau_(new QRadioButton(this)),
      dateVon_(new QLineEdit(this)),
      dateBis_(new QLineEdit(this)),
      dateGenau_(new QLineEdit(this)),
      section_(new QRadioButton(this)),
      paragraph_(new QRadioButton(this)),
      fixiert_(new QRadioButton(this)),
      wortabstand_(new QSpinBox(this)) {
  setObjectName("SearchOptionsForm");
  setWindowTitle(Text(kCaption));

  auto* artGroup = new QGroupBox(Text(kArtGroup), this);
  artGroup->setObjectName("ArtGroupBox");
  auto* artLayout = new QGridLayout(artGroup);
  for (int i = 0; i < kArtCount; ++i) {
    artBoxes_[i] = new QCheckBox(ArtCaption(search_ui::kTextKinds[i]), artGroup);
    artBoxes_[i]->setObjectName(kArtNames[i]);
    artLayout->addWidget(artBoxes_[i], i % 3, i / 3);
  }

  auto* sprachGroup = new QGroupBox(Text(kSprachGroup), this);
  sprachGroup->setObjectName("SprachGroupBox");
  sprachListe_->setObjectName("lvTextLanguage");
  for (uint8_t code : search_ui::kLanguages) {
    auto* item = new QListWidgetItem(Utf8(search_ui::LanguageName(code)), sprachListe_);
    item->setData(kCodeRole, code);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  (new QVBoxLayout(sprachGroup))->addWidget(sprachListe_);

  auto* timeGroup = new QGroupBox(Text(kTimeGroup), this);
  timeGroup->setObjectName("TimeGroupBox");
  keineZeit_->setObjectName("KeineZeitRadioButton");
  vonBis_->setObjectName("VonBisRadioButton");
  genau_->setObjectName("GenauRadioButton");
  dateVon_->setObjectName("DateVonEdit");
  dateBis_->setObjectName("DateBisEdit");
  dateGenau_->setObjectName("DateGenauEdit");
  keineZeit_->setText(Text(kKeineZeit));
  vonBis_->setText(Text(kVonBis));
  genau_->setText(Text(kGenau));
  auto* fromLabel = new QLabel(Text(kFrom), timeGroup);
  fromLabel->setObjectName("FromLabel");
  auto* toLabel = new QLabel(Text(kTo), timeGroup);
  toLabel->setObjectName("ToLabel");
  auto* timeLayout = new QGridLayout(timeGroup);
  timeLayout->addWidget(keineZeit_, 0, 0, 1, 5);
  timeLayout->addWidget(vonBis_, 1, 0);
  timeLayout->addWidget(fromLabel, 1, 1);
  timeLayout->addWidget(dateVon_, 1, 2);
  timeLayout->addWidget(toLabel, 1, 3);
  timeLayout->addWidget(dateBis_, 1, 4);
  timeLayout->addWidget(genau_, 2, 0);
  timeLayout->addWidget(dateGenau_, 2, 2);
  for (QLineEdit* edit : {dateVon_, dateBis_, dateGenau_}) edit->installEventFilter(this);

  auto* undGroup = new QGroupBox(Text(kUndGroup), this);
  undGroup->setObjectName("UndGroupBox");
  section_->setObjectName("SectionRadioButton");
  paragraph_->setObjectName("ParagraphRadioButton");
  fixiert_->setObjectName("FixiertRadioButton");
  wortabstand_->setObjectName("WordDistanceRxSpinEdit");
  section_->setText(Text(kSection));
  paragraph_->setText(Text(kParagraph));
  fixiert_->setText(Text(kFixiert));
  wortabstand_->setRange(kMinAbstand, kMaxAbstand);
  wortabstand_->setValue(kStandardAbstand);
  auto* undLayout = new QGridLayout(undGroup);
  undLayout->addWidget(section_, 0, 0, 1, 2);
  undLayout->addWidget(paragraph_, 1, 0, 1, 2);
  undLayout->addWidget(fixiert_, 2, 0);
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

  keineZeit_->setChecked(true);
  paragraph_->setChecked(true);

  connect(ok, &QPushButton::clicked, this, &TSearchOptionsForm::OKButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { services_.ShowHelp(kHelpTopic); });
}

void TSearchOptionsForm::SetzeSprachen(retrieval::TSmallIntSet& sprachen) {
  sprachen_ = &sprachen;
  for (int i = 0; i < sprachListe_->count(); ++i) {
    QListWidgetItem* item = sprachListe_->item(i);
    const auto code = static_cast<uint8_t>(item->data(kCodeRole).toInt());
    item->setCheckState(sprachen.Enthaelt(code) ? Qt::Checked : Qt::Unchecked);
  }
}

retrieval::TSmallIntSet& TSearchOptionsForm::Sprachen() const {
  if (sprachen_ == nullptr) throw Exception(kSprachenUngebunden);
  return *sprachen_;
}

void TSearchOptionsForm::Fuellen(const search_ui::SearchSettings& e) {
  for (int i = 0; i < kArtCount; ++i) {
    const uint8_t code = search_ui::kTextKinds[i];
    artBoxes_[i]->setChecked(std::find(e.Textarten.begin(), e.Textarten.end(), code) !=
                             e.Textarten.end());
  }

  dateVon_->clear();
  dateBis_->clear();
  dateGenau_->clear();
  if (!search_ui::IsNoDate(e.DatumGenau)) {
    genau_->setChecked(true);
    dateGenau_->setText(Utf8(search_ui::DateAsNumbers(e.DatumGenau)));
  } else if (!search_ui::IsNoDate(e.DatumVon) || !search_ui::IsNoDate(e.DatumBis)) {
    vonBis_->setChecked(true);
    dateVon_->setText(Utf8(search_ui::DateAsNumbers(e.DatumVon)));
    dateBis_->setText(Utf8(search_ui::DateAsNumbers(e.DatumBis)));
  } else {
    keineZeit_->setChecked(true);
  }

  if (e.UndModus == kSubsectionMode) {
    section_->setChecked(true);
  } else if (e.Wortabstand == 0) {
    paragraph_->setChecked(true);
  } else {
    fixiert_->setChecked(true);
    wortabstand_->setValue(std::clamp(e.Wortabstand, kMinAbstand, kMaxAbstand));
  }
}

void TSearchOptionsForm::Zuruecklesen(search_ui::SearchSettings& e) const {
  e.Textarten.clear();
  for (int i = 0; i < kArtCount; ++i)
    if (artBoxes_[i]->isChecked()) e.Textarten.push_back(search_ui::kTextKinds[i]);

  e.DatumVon = e.DatumBis = e.DatumGenau = search_ui::DateBound{};
  if (vonBis_->isChecked()) {
    e.DatumVon = OrNone(ReadBound(dateVon_));
    e.DatumBis = OrNone(ReadBound(dateBis_));
  } else if (genau_->isChecked()) {
    e.DatumGenau = OrNone(ReadBound(dateGenau_));
  }

  if (section_->isChecked()) {
    e.UndModus = kSubsectionMode;
    e.Wortabstand = 0;
  } else if (fixiert_->isChecked()) {
    e.UndModus = kModusAbsatz;
    e.Wortabstand = wortabstand_->value();
  } else {
    e.UndModus = kModusAbsatz;
    e.Wortabstand = 0;
  }
}

bool TSearchOptionsForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == dateVon_ || watched == dateBis_) vonBis_->setChecked(true);
    if (watched == dateGenau_) genau_->setChecked(true);
  }
  return QDialog::eventFilter(watched, event);
}

bool TSearchOptionsForm::DatumPruefen(QLineEdit* edit) {
  if (ReadBound(edit)) return true;
  prompts_.ShowError(search_ui::InvalidDateMessage(edit->text().toStdString()));
  edit->setFocus();
  return false;
}

void TSearchOptionsForm::OKButtonClick() {
  // The bound set changes only once everything is valid, so a refused OK followed by Cancel
  // leaves the search form's languages as they were.
  retrieval::TSmallIntSet neu;
  for (int i = 0; i < sprachListe_->count(); ++i) {
    const QListWidgetItem* item = sprachListe_->item(i);
    if (item->checkState() == Qt::Checked)
      neu.Aufnehmen(static_cast<uint8_t>(item->data(kCodeRole).toInt()));
  }
  if (neu.IstLeer()) {
    prompts_.ShowError(Tr(kKeineSprache));
    return;
  }
  if (std::none_of(std::begin(artBoxes_), std::end(artBoxes_),
                   [](const QCheckBox* box) { return box->isChecked(); })) {
    prompts_.ShowError(Tr(kKeineTextart));
    return;
  }
  if (vonBis_->isChecked()) {
    if (!DatumPruefen(dateVon_) || !DatumPruefen(dateBis_)) return;
    dateGenau_->clear();
  } else if (genau_->isChecked()) {
    if (!DatumPruefen(dateGenau_)) return;
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
