#pragma once

#include <string>

#include "system/user_prompts.h"

namespace quillmar {

// The not-found dialog: builds its message in the current language and asks through the
// prompt interface, which answers Retry or Cancel.
class TNotFoundForm {
 public:
  // "File '%s' not found." with the name trimmed and folded to upper case.
  static PromptResult ShowFileNotFound(UserPrompts& prompts, const std::string& name);
  // "Can't access the CD-ROM '%s' in directory '%s'." with both trimmed.
  static PromptResult ShowCDNotFound(UserPrompts& prompts, const std::string& name,
                                     const std::string& directory);

  static std::string FileNotFoundMessage(const std::string& name);
  static std::string CDNotFoundMessage(const std::string& name, const std::string& directory);
  // Texts the dialog shows around the message.
  static const char* Caption();
  static const char* NoMediumHint();
  static const char* RetryLabel();
  static const char* CancelLabel();
};

}  // namespace quillmar
