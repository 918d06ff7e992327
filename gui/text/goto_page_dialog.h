#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmar::gui {

// The go-to-page dialog: asks for a page number in arabic or roman numerals. exec() answers
// kOpened when the user confirmed a non-empty page text (PageText() holds it, trimmed) and
// kCancelled otherwise; Escape rejects with 0. The entered text stays for the next use.
class TGeheZuSeiteForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOpened = 1;
  static constexpr int kCancelled = 2;

  explicit TGeheZuSeiteForm(QWidget* parent = nullptr);

  // Sets every caption for the current interface language.
  void SetCaptions();
  QString PageText() const;
  // Centred on the screen, the edit focused with its text selected.
  int exec() override;

 private:
  void OKButtonClick();
  void CancelButtonClick();

  QLabel* page_label_;
  QLabel* info_label_;
  QLineEdit* page_edit_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
};

}  // namespace quillmar::gui
