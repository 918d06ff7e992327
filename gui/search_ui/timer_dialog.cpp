#include "gui/search_ui/timer_dialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace quillmar::gui {

namespace {

constexpr int kWidth = 402;
constexpr int kHeight = 127;
constexpr int kButtonWidth = 209;

}  // namespace

TTimerDialogForm::TTimerDialogForm(const QString& text, const QString& buttonCaption, int seconds,
                                   int tickPeriodMs, QWidget* parent)
    : QDialog(parent),
      caption_(buttonCaption),
      remaining_(seconds * kStepMs),
      label_(new QLabel(text, this)),
      button_(new QPushButton(buttonCaption, this)),
      timer_(new QTimer(this)) {
  setObjectName("TimerDialogForm");
  label_->setObjectName("TheLabel");
  button_->setObjectName("TheButton");
  setWindowTitle(QApplication::applicationDisplayName());
  label_->setAlignment(Qt::AlignCenter);
  label_->setWordWrap(true);
  button_->setDefault(true);
  button_->setFixedWidth(kButtonWidth);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(button_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_, 1);
  layout->addLayout(buttons);
  resize(kWidth, kHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  connect(button_, &QPushButton::clicked, this, &QDialog::accept);
  connect(timer_, &QTimer::timeout, this, &TTimerDialogForm::TimerTick);
  timer_->start(tickPeriodMs);
}

void TTimerDialogForm::TimerTick() {
  remaining_ -= kStepMs;
  button_->setText(QString::number(remaining_ / kStepMs) + " = " + caption_);
  emit Ticked(remaining_);
  if (remaining_ < 1) {
    timer_->stop();
    accept();
  }
}

int TTimerDialogForm::Zeigen(const QString& text, const QString& buttonCaption, int seconds) {
  TTimerDialogForm dialog(text, buttonCaption, seconds, TickPeriodMs);
  return dialog.exec();
}

}  // namespace quillmar::gui
