#pragma once

#include <string>

#include "system/user_prompts.h"

namespace quillmar {

// Each line of a message (lines end at "\r", "\n" or "\r\n", as the reader's message boxes
// take them) after "quillmar: ", every line ended by "\n": the form of the tool's error lines.
std::string PrefixedLines(const std::string& message);

// Prompts for the command-line tool: every message goes to stderr, and a question that offers
// Retry or Cancel is answered Cancel, since nobody is there to change the medium.
class StderrPrompts : public UserPrompts {
 public:
  PromptResult AskRetryCancel(const std::string& message) override;
  void ShowError(const std::string& message) override;
  void ShowInformation(const std::string& message) override;
};

}  // namespace quillmar
