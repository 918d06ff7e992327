#pragma once

#include <string>

namespace quillmar {

enum class PromptResult { kRetry, kCancel };

// How the core asks the user something or tells them about trouble. All texts are UTF-8 and
// already in the interface language. The GUI shows dialogs; the command-line tool prints to
// stderr and cancels; tests script the answers.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // The not-found dialog: caption "Error", the message, the hint that the CD may be missing from
  // its drive, and the buttons Retry (default) and Cancel.
  virtual PromptResult AskRetryCancel(const std::string& message) = 0;
  virtual void ShowError(const std::string& message) = 0;
  virtual void ShowInformation(const std::string& message) = 0;
};

}  // namespace quillmar
