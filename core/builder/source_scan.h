#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "builder/source_model.h"

// Small lexical helpers of the source parser: UTF-8 checks, columns, numbers, roman numerals and
// the error report with its place.
namespace quillmar::builder {

// Raises `Exception` "<file>:<line>[:<column>]: <what>" (no column when it is 0).
[[noreturn]] void RaiseSourceError(const SourcePlace& place, const std::string& what);

// Byte offset of the first malformed UTF-8 sequence (overlong forms and surrogates included), or
// npos when the whole text is well-formed.
size_t FirstBadUtf8(std::string_view s);

// 1-based character column of a byte offset in a line of UTF-8.
int ColumnOf(std::string_view line, size_t offset);

inline bool IsSpace(char c) { return c == ' ' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Characters of text keys, anchor names and file names.
inline bool IsNameChar(char c) { return IsAlnum(c) || c == '_' || c == '-' || c == '.'; }

// The text without blanks and tabs at either end.
std::string_view TrimView(std::string_view s);

// A decimal integer with optional minus sign within [lo, hi]; false (out unchanged) otherwise.
bool ParseInt(std::string_view s, int64_t lo, int64_t hi, int32_t& out);

// Value of a roman numeral below 5000 in either case, in the canonical spelling or with the
// additive forms IIII, XXXX, CCCC; 0 when the text is not one.
int32_t RomanValue(std::string_view s);

}  // namespace quillmar::builder
