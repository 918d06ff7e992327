#include "platform/stderr_prompts.h"

#include <iostream>
#include <mutex>

namespace quillmar {

std::string PrefixedLines(const std::string& message) {
  std::string out = "quillmar: ";
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\n' && i > 0 && message[i - 1] == '\r') continue;
    if (message[i] == '\r' || message[i] == '\n')
      out += "\nquillmar: ";
    else
      out += message[i];
  }
  return out + "\n";
}

namespace {

// Messages from several threads come out whole, each line after the tool's name.
void PrintLine(const std::string& message) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::cerr << PrefixedLines(message) << std::flush;
}

}  // namespace

PromptResult StderrPrompts::AskRetryCancel(const std::string& message) {
  PrintLine(message);
  return PromptResult::kCancel;
}

void StderrPrompts::ShowError(const std::string& message) { PrintLine(message); }

void StderrPrompts::ShowInformation(const std::string& message) { PrintLine(message); }

}  // namespace quillmar
