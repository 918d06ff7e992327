#include "gui/text/page_setup_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Seite einrichten", "Page setup"};
constexpr LangText kLeft{"linker Rand", "left margin"};
constexpr LangText kRight{"rechter Rand", "right margin"};
constexpr LangText kTop{"oberer Rand", "upper margin"};
constexpr LangText kBottom{"unterer Rand", "lower margin"};
constexpr LangText kNote{"Alle Maße in Millimeter.", "All measurements in millimeter."};
constexpr int kWidth = 194;
constexpr int kHeight = 185;

int32_t ReadInt(const QLineEdit* edit) {
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

TSeitenForm::TSeitenForm(QWidget* parent)
    : QDialog(parent),
      left_(new QLineEdit(this)),
      right_(new QLineEdit(this)),
      top_(new QLineEdit(this)),
      bottom_(new QLineEdit(this)),
      ok_button_(MakeButton(captions::kOK, "OKButton", this)),
      cancel_button_(MakeButton(captions::kCancel, "CancelButton", this)) {
  setObjectName("SeitenForm");
  setWindowTitle(Text(kCaption));
  left_->setObjectName("LeftEdit");
  right_->setObjectName("RightEdit");
  top_->setObjectName("TopEdit");
  bottom_->setObjectName("BottomEdit");
  ok_button_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(Text(kLeft), left_);
  fields->addRow(Text(kRight), right_);
  fields->addRow(Text(kTop), top_);
  fields->addRow(Text(kBottom), bottom_);
  auto* note = new QLabel(Text(kNote), this);
  note->setObjectName("NoteLabel");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok_button_);
  buttons->addWidget(cancel_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(note);
  layout->addLayout(buttons);
  resize(kWidth, kHeight);

  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
}

void TSeitenForm::SetMargins(const PageMargins& m) {
  left_->setText(QString::number(m.Left));
  right_->setText(QString::number(m.Right));
  top_->setText(QString::number(m.Top));
  bottom_->setText(QString::number(m.Bottom));
}

PageMargins TSeitenForm::Margins() const {
  return {ReadInt(left_), ReadInt(right_), ReadInt(top_), ReadInt(bottom_)};
}

}  // namespace quillmar::gui
