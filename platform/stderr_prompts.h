#pragma once

#include <string>

#include "system/user_prompts.h"

namespace quillmar {

// Prompts for the command-line tool: every message goes to stderr, and a question that offers
// Retry or Cancel is answered Cancel, since nobody is there to change the medium.
class StderrPrompts : public UserPrompts {
 public:
  PromptResult AskRetryCancel(const std::string& message) override;
  void ShowError(const std::string& message) override;
  void ShowInformation(const std::string& message) override;
};

}  // namespace quillmar
