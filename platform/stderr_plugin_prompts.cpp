#include "platform/stderr_plugin_prompts.h"

#include <iostream>
#include <mutex>

#include "base/language.h"
#include "platform/stderr_prompts.h"

namespace quillmar {

namespace {

constexpr LangText kLoadError{"Fehler beim Laden/Installieren eines Moduls.",
                              "Error on loading/installing a modul."};
constexpr LangText kAnsweredNo{"(nicht interaktiv: nein)", "(not interactive: no)"};

void Print(const std::string& text) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::cerr << PrefixedLines(text) << std::flush;
}

}  // namespace

bool StderrPlugInPrompts::Question(const std::string& text) {
  Print(text + "\n" + Tr(kAnsweredNo));
  return false;
}

void StderrPlugInPrompts::ErrorReport(const std::string& message) {
  Print(std::string(Tr(kLoadError)) + "\n" + message);
}

}  // namespace quillmar
