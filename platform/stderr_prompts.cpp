#include "platform/stderr_prompts.h"

#include <iostream>
#include <mutex>

namespace quillmar {

namespace {

// Messages from several threads come out whole, one per line.
void PrintLine(const std::string& message) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::cerr << message << '\n' << std::flush;
}

}  // namespace

PromptResult StderrPrompts::AskRetryCancel(const std::string& message) {
  PrintLine(message);
  return PromptResult::kCancel;
}

void StderrPrompts::ShowError(const std::string& message) { PrintLine(message); }

void StderrPrompts::ShowInformation(const std::string& message) { PrintLine(message); }

}  // namespace quillmar
