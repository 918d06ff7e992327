#include "gui/app/qt_prompts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "base/language.h"
#include "collection/not_found.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {
namespace {

constexpr LangText kErrorCaption{"Fehler", "Error"};
constexpr LangText kInfoCaption{"Information", "Information"};

// Shows a box with the override cursor lifted, so that a prompt raised during a long operation
// is not covered by the hourglass.
int Run(QMessageBox& box) {
  int restored = 0;
  while (QGuiApplication::overrideCursor()) {
    QGuiApplication::restoreOverrideCursor();
    ++restored;
  }
  const int result = box.exec();
  for (int i = 0; i < restored; ++i) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  return result;
}

}  // namespace

PromptResult QtPrompts::AskRetryCancel(const std::string& message) {
  QMessageBox box(QMessageBox::Warning, Utf8(TNotFoundForm::Caption()), Utf8(message),
                  QMessageBox::NoButton, parent_);
  box.setInformativeText(Utf8(TNotFoundForm::NoMediumHint()));
  QPushButton* retry = box.addButton(Utf8(TNotFoundForm::RetryLabel()), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(Utf8(TNotFoundForm::CancelLabel()), QMessageBox::RejectRole);
  box.setDefaultButton(retry);
  box.setEscapeButton(cancel);
  Run(box);
  return box.clickedButton() == retry ? PromptResult::kRetry : PromptResult::kCancel;
}

void QtPrompts::ShowError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, Text(kErrorCaption), Utf8(message), QMessageBox::Ok,
                  parent_);
  Run(box);
}

void QtPrompts::ShowInformation(const std::string& message) {
  QMessageBox box(QMessageBox::Information, Text(kInfoCaption), Utf8(message), QMessageBox::Ok,
                  parent_);
  Run(box);
}

}  // namespace quillmar::gui
