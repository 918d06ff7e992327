#include "platform/stderr_plugin_prompts.h"

#include <iostream>
#include <mutex>

#include "base/language.h"

namespace quillmar {

namespace {

constexpr LangText kLoadError{"Fehler beim Laden/Installieren eines Moduls.",
                              "Error on loading/installing a modul."};
constexpr LangText kAnsweredNo{"(nicht interaktiv: nein)", "(not interactive: no)"};

// Messages use "\r" as line break, as the reader's message boxes do.
std::string Lines(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\r') c = '\n';
  return out;
}

void Print(const std::string& text) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::cerr << text << '\n' << std::flush;
}

}  // namespace

bool StderrPlugInPrompts::Question(const std::string& text) {
  Print("quillmar: " + Lines(text) + "\n" + Tr(kAnsweredNo));
  return false;
}

void StderrPlugInPrompts::ErrorReport(const std::string& message) {
  Print("quillmar: " + std::string(Tr(kLoadError)) + "\n" + Lines(message));
}

}  // namespace quillmar
