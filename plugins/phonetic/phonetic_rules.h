#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The rules of the phonetic module: Windows-1252 words to the keys of the four fuzzy levels.
// Levels grow more tolerant; each level's key is computed from the previous level's key alone,
// so two words that share a key at one level share it at every higher level. Keys are lower-case
// ASCII letters and digits (plus the wildcards "*" and "?" of a mask, which are kept), at most 30
// bytes, never empty for a non-empty word: they are unchanged by the word key of the word index,
// so the fuzzy word lists can be searched like the main word list. docs/plugins.md lists the
// rules of every level.
namespace quillmar::phonetic {

inline constexpr int kLevels = 4;
inline constexpr size_t kMaxKeyLength = 30;  // the capacity of a word-list record
inline constexpr size_t kBufferSize = 255;   // the module's text buffers

// The key of a word at level 1..4 (levels outside are clamped). The word is trimmed and cut to
// 30 bytes first, as the word list stores it. A word without letters, digits and wildcards has
// the key "_".
std::string Key(std::string_view word, int level);

// The exported "phonem": reads the zero-terminated word from the 255-byte buffer (at most 254
// bytes are read) and overwrites it with the key of `level`, zero-terminated; the rest of the
// buffer is zero-filled. Never writes beyond kBufferSize bytes.
void ConvertBuffer(char* buffer, int32_t level);

}  // namespace quillmar::phonetic
