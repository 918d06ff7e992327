#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillmar {

// Interface languages: 1 German, 2 English. Anything else counts as English.
inline constexpr int kGerman = 1;
inline constexpr int kEnglish = 2;

// One entry of a language table: the same text in German and English (UTF-8).
struct LangText {
  const char* de;
  const char* en;
};

// The process-wide language number, read from the settings at start and after a language
// change. Safe to read from any thread.
int CurrentLanguage();
void SetCurrentLanguage(int language);

// Clamps a stored language value: 1 stays German, everything else is English.
constexpr int NormalizeLanguage(int value) { return value == kGerman ? kGerman : kEnglish; }

// The entry's text in the current language, or in the given one.
const char* Tr(const LangText& text);
const char* Tr(const LangText& text, int language);

// Replaces each "%s" in turn by the next argument; surplus "%s" stay as they are.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace quillmar
