#include "base/language.h"

#include <atomic>

namespace quillmar {

namespace {
std::atomic<int> g_language{kEnglish};
}

int CurrentLanguage() { return g_language.load(std::memory_order_relaxed); }

void SetCurrentLanguage(int language) {
  g_language.store(NormalizeLanguage(language), std::memory_order_relaxed);
}

const char* Tr(const LangText& text) { return Tr(text, CurrentLanguage()); }

const char* Tr(const LangText& text, int language) {
  return NormalizeLanguage(language) == kGerman ? text.de : text.en;
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
        next != args.end()) {
      out.append(*next++);
      ++i;
    } else {
      out.push_back(pattern[i]);
    }
  }
  return out;
}

}  // namespace quillmar
