#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmar {

// Reading Unicode Greek into the transliteration the collections store (docs/greek.md): the
// inverse of GreekToUnicode. Any normalisation form is accepted (precomposed letters, combining
// marks after the letter, oxia or tonos forms); marks on a letter are read as a set, so their
// order does not matter. A Greek word is written as one word part: the letter after a blank (or,
// for a query, after any character other than a wildcard) takes the breathing, and a word that
// starts with a diphthong carrying the breathing gets its diphthong key. Where the display cannot
// show what was written (a breathing inside a word, a grave on the first letter), the nearest
// form it can show is written.

struct GreekTransliteration {
  std::string text;  // UTF-8: the Greek words transliterated, everything else unchanged
  // Byte offset in the input of the first Greek character that has no transliteration (a
  // letter with a macron or breve, a lunate sigma, a mark without its letter, two accents on
  // one letter), or npos. Such a character is copied unchanged.
  size_t error = std::string_view::npos;
};

// Whether the character belongs to the Greek and Coptic or the Greek Extended block, or is one
// of the combining marks Greek uses.
bool IsGreekCharacter(char32_t ch);

// Transliterates the Greek words of UTF-8 text; parts start after blanks.
GreekTransliteration TransliterateGreek(std::string_view utf8);

// Transliterates the Greek words of a query line (UTF-8) into Windows-1252 (characters it lacks
// become "?"); the mask wildcards "*" and "?" stay inside their word, and a word starts after
// any other character that is not Greek. A full stop of a Greek word (the rough breathing) is
// written as `fullStop`. With `flagGreek`, a Greek word whose transliteration carries no mark
// that identifies Greek (HasGreekMarks) gets a leading smooth breathing, so that a fuzzy search
// folds it by the Greek rules.
std::string TransliterateGreekQuery(std::string_view utf8, bool flagGreek, char fullStop);

// Whether a transliterated word carries a mark that only Greek uses: a backquote, tilde or
// colon, a full stop at its start, or an apostrophe before a vowel.
bool HasGreekMarks(std::string_view word);

}  // namespace quillmar
