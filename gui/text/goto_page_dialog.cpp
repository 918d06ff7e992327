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
constexpr LangText kSeitenLabel{"Geben Sie die Seitennummer ein (arabische oder römische Zahlen)",
                                "Enter page number (arabic or roman numbers)"};
constexpr LangText kInfoLabel{"Öffnet im aktuellen Text die angegebene Seite.",
                              "Go to indicated page in the current text."};

}  // namespace

TGeheZuSeiteForm::TGeheZuSeiteForm(QWidget* parent)
    : QDialog(parent),
      seiten_label_(new QLabel(this)),
      info_label_(new QLabel(this)),
      seiten_edit_(new QLineEdit(this)),
      ok_button_(new QPushButton(this)),
      cancel_button_(new QPushButton(this)) {
  setObjectName("GeheZuSeiteForm");
  seiten_label_->setObjectName("SeitenLabel");
  info_label_->setObjectName("InfoLabel");
  seiten_edit_->setObjectName("SeitenEdit");
  ok_button_->setObjectName("OKButton");
  cancel_button_->setObjectName("CancelButton");
  seiten_label_->setBuddy(seiten_edit_);
  ok_button_->setDefault(true);

  QHBoxLayout* buttons = RightAlignedRow({ok_button_, cancel_button_});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(seiten_label_);
  layout->addWidget(seiten_edit_);
  layout->addWidget(info_label_);
  layout->addLayout(buttons);

  connect(ok_button_, &QPushButton::clicked, this, &TGeheZuSeiteForm::OKButtonClick);
  connect(cancel_button_, &QPushButton::clicked, this, &TGeheZuSeiteForm::CancelButtonClick);
  SetCaptions();
}

void TGeheZuSeiteForm::SetCaptions() {
  setWindowTitle(Text(kCaption).remove('&') + "...");
  seiten_label_->setText(Text(kSeitenLabel));
  info_label_->setText(Text(kInfoLabel));
  ok_button_->setText(Text(captions::kOpen));
  cancel_button_->setText(Text(captions::kCancel));
}

QString TGeheZuSeiteForm::PageText() const { return seiten_edit_->text(); }

int TGeheZuSeiteForm::exec() {
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  seiten_edit_->setFocus();
  seiten_edit_->selectAll();
  return QDialog::exec();
}

void TGeheZuSeiteForm::OKButtonClick() {
  seiten_edit_->setText(seiten_edit_->text().trimmed());
  done(seiten_edit_->text().isEmpty() ? kCancelled : kOpened);
}

void TGeheZuSeiteForm::CancelButtonClick() {
  seiten_edit_->clear();
  done(kCancelled);
}

}  // namespace quillmar::gui
