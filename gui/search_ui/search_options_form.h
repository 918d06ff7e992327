#pragma once

#include <QDialog>
#include <QString>

#include "retrieval/integer_set.h"
#include "search_ui/search_settings.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace quillmar {
class UserPrompts;
}  // namespace quillmar

namespace quillmar::gui {

class WindowServices;

// The search options: text kinds, languages of the texts, the chronological restriction and
// the word distance for AND. The search form fills it (SetzeSprachen, Fuellen), shows it and,
// after Accepted, reads it back (Zuruecklesen). OK validates and keeps the dialog open with a
// message (through `prompts`) while anything is missing or a date is invalid; Cancel changes
// nothing, and neither does an OK that was refused.
class TSearchOptionsForm : public QDialog {
  Q_OBJECT

 public:
  TSearchOptionsForm(UserPrompts& prompts, WindowServices& services, QWidget* parent = nullptr);

  // Binds the language set that OK rebuilds and checks the list items of its codes.
  void SetzeSprachen(retrieval::TSmallIntSet& sprachen);
  // The bound set; raises Exception "Textsprachbedingung nicht gesetzt." before SetzeSprachen.
  retrieval::TSmallIntSet& Sprachen() const;

  // Text kinds, dates and the AND rule from `e` into the controls.
  void Fuellen(const search_ui::SearchSettings& e);
  // The controls into `e`: Textarten in the order 1, 3, 0, 12, 10, 11, the three dates (the
  // ones of the unchosen radio buttons none) and UndModus/Wortabstand. Languages are written
  // to the bound set by OK itself.
  void Zuruecklesen(search_ui::SearchSettings& e) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OKButtonClick();
  // True when `edit` holds a valid date; otherwise shows the invalid-date message.
  bool CheckDate(QLineEdit* edit);

  UserPrompts& prompts_;
  WindowServices& services_;
  retrieval::TSmallIntSet* languages_ = nullptr;

  QCheckBox* kindBoxes_[6];  // in the order of search_ui::kTextKinds
  QListWidget* languageList_;
  QRadioButton* noDate_;
  QRadioButton* vonBis_;
  QRadioButton* exact_;
  QLineEdit* dateVon_;
  QLineEdit* dateBis_;
  QLineEdit* dateExact_;
  QRadioButton* section_;
  QRadioButton* paragraph_;
  QRadioButton* fixed_;
  QSpinBox* wortabstand_;
};

}  // namespace quillmar::gui
