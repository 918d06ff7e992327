#include "gui/text/page_setup_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Seite einrichten", "Page setup"};
constexpr LangText kLeft{"linker Rand", "left margin"};
constexpr LangText kRight{"rechter Rand", "right margin"};
constexpr LangText kTop{"oberer Rand", "upper margin"};
constexpr LangText kBottom{"unterer Rand", "lower margin"};
constexpr LangText kNote{"Alle Maße in Millimeter.", "All measurements in millimeter."};
constexpr LangText kOK{"&OK", "&OK"};
constexpr LangText kCancel{"&Abbrechen", "&Cancel"};
constexpr int kWidth = 194;
constexpr int kHeight = 185;

QString T(const LangText& text) { return QString::fromUtf8(Tr(text)); }

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
      ok_button_(new QPushButton(T(kOK), this)),
      cancel_button_(new QPushButton(T(kCancel), this)) {
  setObjectName("SeitenForm");
  setWindowTitle(T(kCaption));
  left_->setObjectName("LeftEdit");
  right_->setObjectName("RightEdit");
  top_->setObjectName("TopEdit");
  bottom_->setObjectName("BottomEdit");
  ok_button_->setObjectName("OKButton");
  cancel_button_->setObjectName("CancelButton");
  ok_button_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(T(kLeft), left_);
  fields->addRow(T(kRight), right_);
  fields->addRow(T(kTop), top_);
  fields->addRow(T(kBottom), bottom_);
  auto* note = new QLabel(T(kNote), this);
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
