#pragma once

#include <string>

#include "system/user_prompts.h"

class QWidget;

namespace quillmar::gui {

// The user prompts of the reader as modal message boxes: errors as an error box with OK,
// information with OK, and the not-found dialog with its caption, the message, the hint that the
// CD may be missing and the buttons Retry (default) and Cancel.
class QtPrompts : public UserPrompts {
 public:
  // Boxes are centred on `parent` when it is set and visible, else on the screen.
  void SetParent(QWidget* parent) { parent_ = parent; }

  PromptResult AskRetryCancel(const std::string& message) override;
  void ShowError(const std::string& message) override;
  void ShowInformation(const std::string& message) override;

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace quillmar::gui
