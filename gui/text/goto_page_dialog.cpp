#include "gui/text/goto_page_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"&Gehe zu Seite", "&Go to page"};
constexpr LangText kPageLabel{"Geben Sie die Seitennummer ein (arabische oder römische Zahlen)",
                              "Enter page number (arabic or roman numbers)"};
constexpr LangText kInfoLabel{"Öffnet im aktuellen Text die angegebene Seite.",
                              "Go to indicated page in the current text."};

}  // namespace

TGeheZuSeiteForm::TGeheZuSeiteForm(QWidget* parent)
    : QDialog(parent),
      page_label_(new QLabel(this)),
      info_label_(new QLabel(this)),
      page_edit_(new QLineEdit(this)),
      ok_button_(new QPushButton(this)),
      cancel_button_(new QPushButton(this)) {
  setObjectName("GeheZuSeiteForm");
  page_label_->setObjectName("SeitenLabel");
  info_label_->setObjectName("InfoLabel");
  page_edit_->setObjectName("SeitenEdit");
  ok_button_->setObjectName("OKButton");
  cancel_button_->setObjectName("CancelButton");
  page_label_->setBuddy(page_edit_);
  ok_button_->setDefault(true);

  QHBoxLayout* buttons = RightAlignedRow({ok_button_, cancel_button_});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page_label_);
  layout->addWidget(page_edit_);
  layout->addWidget(info_label_);
  layout->addLayout(buttons);

  connect(ok_button_, &QPushButton::clicked, this, &TGeheZuSeiteForm::OKButtonClick);
  connect(cancel_button_, &QPushButton::clicked, this, &TGeheZuSeiteForm::CancelButtonClick);
  SetCaptions();
}

void TGeheZuSeiteForm::SetCaptions() {
  setWindowTitle(Text(kCaption).remove('&') + "...");
  page_label_->setText(Text(kPageLabel));
  info_label_->setText(Text(kInfoLabel));
  ok_button_->setText(Text(captions::kOpen));
  cancel_button_->setText(Text(captions::kCancel));
}

QString TGeheZuSeiteForm::PageText() const { return page_edit_->text(); }

int TGeheZuSeiteForm::exec() {
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  page_edit_->setFocus();
  page_edit_->selectAll();
  return QDialog::exec();
}

void TGeheZuSeiteForm::OKButtonClick() {
  page_edit_->setText(page_edit_->text().trimmed());
  done(page_edit_->text().isEmpty() ? kCancelled : kOpened);
}

void TGeheZuSeiteForm::CancelButtonClick() {
  page_edit_->clear();
  done(kCancelled);
}

}  // namespace quillmar::gui
