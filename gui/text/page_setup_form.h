#pragma once

#include <QDialog>

#include "text/print_layout.h"

class QLineEdit;
class QPushButton;

namespace quillmar::gui {

// The page-setup dialog: the four page margins of a printout in millimetres. A field whose text
// is not a whole number reads as 0.
class TSeitenForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSeitenForm(QWidget* parent = nullptr);

  void SetMargins(const PageMargins& margins);
  PageMargins Margins() const;

 private:
  QLineEdit* left_;
  QLineEdit* right_;
  QLineEdit* top_;
  QLineEdit* bottom_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
};

}  // namespace quillmar::gui
