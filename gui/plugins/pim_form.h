#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;

namespace quillmar::gui {

// The plug-in manager's message box: navy, with the header " reader modul manager   ", an error
// label, the message and OK / Cancel. It asks a question (both buttons) or reports an error
// (the error label shown, Cancel disabled, after a beep).
class TPIMForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 452;
  static constexpr int kHeight = 182;

  explicit TPIMForm(QWidget* parent = nullptr);

  // Prepares the question: the error label hidden, the text in the info label, both buttons.
  void SetQuestion(const QString& text);
  // Prepares the report: "Error on loading/installing a modul.", a blank line and the message.
  void SetErrorReport(const QString& message);

  QLabel* ErrorLabel() const { return errorLabel_; }
  QLabel* InfoLabel() const { return infoLabel_; }
  QPushButton* OKButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

  // Asks `text` on the user-interface thread; true for OK.
  static bool Ask(const QString& text);
  // Beeps and shows the error report on the user-interface thread.
  static void Report(const QString& message);

  // Shows a prepared form modally and returns its result (QDialog::Accepted for OK). By default
  // exec(); tests set their own to answer without a modal loop (an empty function restores it).
  // Process-wide, since the manager's prompts are made before any window.
  using ShowFunction = std::function<int(TPIMForm& form)>;
  static void SetShowFunction(ShowFunction show);

 private:
  void SetInfo(const QString& text);

  QLabel* errorLabel_ = nullptr;
  QLabel* infoLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace quillmar::gui
