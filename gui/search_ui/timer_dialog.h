#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

namespace quillmar::gui {

// A notice that closes itself after a count-down. Its button shows the remaining whole seconds
// and the caption ("7 = &OK") after every tick; the count reaching zero or a click on the
// button ends it with Accepted.
class TTimerDialogForm : public QDialog {
  Q_OBJECT

 public:
  // The count-down step: each tick takes this much off the remaining time.
  static constexpr int kStepMs = 1000;
  // Real milliseconds between two ticks for dialogs shown through Zeigen; kStepMs normally,
  // shorter in tests.
  static inline int TickPeriodMs = kStepMs;

  // Shows the notice modally, without an owner, and returns the dialog's result.
  static int Zeigen(const QString& text, const QString& buttonCaption, int seconds);

  TTimerDialogForm(const QString& text, const QString& buttonCaption, int seconds,
                   int tickPeriodMs = kStepMs, QWidget* parent = nullptr);

  // Milliseconds left of the count-down.
  int Remaining() const { return remaining_; }

 signals:
  // After a tick has updated the button.
  void Ticked(int remainingMs);

 private:
  void TimerTick();

  QString caption_;
  int remaining_;
  QLabel* label_;
  QPushButton* button_;
  QTimer* timer_;
};

}  // namespace quillmar::gui
