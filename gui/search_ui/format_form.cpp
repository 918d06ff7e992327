#include "gui/search_ui/format_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"
#include "collection/settings_store.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Drucken", "Print"};
constexpr LangText kInfo{
    "Wählen Sie die Felder der Fundstellenliste aus, die gedruckt werden sollen.",
    "Choose the fields of the search result list, which you want to be "
    "printed."};
constexpr LangText kNext{"&Weiter >", "&Next >"};

// The boxes in the setting's order, with their names and where they sit (column, row).
struct Box {
  const char* name;
  LangText caption;
  int column, row;
};
constexpr Box kBoxes[7] = {
    {"WortCB", {"Wörter", "Words"}, 0, 0},       {"AutorCB", {"Autor", "Author"}, 0, 1},
    {"TitelCB", {"Titel", "Title"}, 0, 2},       {"SeiteCB", {"Seite", "Page"}, 1, 0},
    {"ZeileCB", {"Zeile", "Line"}, 1, 1},        {"TextartCB", {"Textart", "Kind of text"}, 1, 2},
    {"KapitelCB", {"Kapitel", "Chapter"}, 0, 3},
};

}  // namespace

TSuchFormatForm::TSuchFormatForm(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(Text(kCaption));
  auto* layout = new QVBoxLayout(this);
  auto* info = new QLabel(Text(kInfo), this);
  info->setObjectName("InfoLabel");
  info->setWordWrap(true);
  layout->addWidget(info);

  auto* grid = new QGridLayout;
  const std::array<bool, 7> felder = settings_.GetResultDocFormat();
  for (size_t i = 0; i < boxes_.size(); ++i) {
    boxes_[i] = new QCheckBox(Text(kBoxes[i].caption), this);
    boxes_[i]->setObjectName(kBoxes[i].name);
    boxes_[i]->setChecked(felder[i]);
    grid->addWidget(boxes_[i], kBoxes[i].row, kBoxes[i].column);
  }
  layout->addLayout(grid);

  auto* next = MakeButton(kNext, "NextButton", this);
  next->setDefault(true);
  auto* cancel = MakeButton(captions::kCancel, "CancelButton", this);
  layout->addLayout(RightAlignedRow({next, cancel}));

  connect(next, &QPushButton::clicked, this, &TSuchFormatForm::NextButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::array<bool, 7> TSuchFormatForm::Felder() const {
  std::array<bool, 7> felder{};
  for (size_t i = 0; i < boxes_.size(); ++i) felder[i] = boxes_[i]->isChecked();
  return felder;
}

void TSuchFormatForm::NextButtonClick() {
  settings_.SetResultDocFormat(Felder());
  accept();
}

}  // namespace quillmar::gui
