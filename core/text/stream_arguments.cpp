#include "text/stream_arguments.h"

#include <limits>

#include "base/errors.h"
#include "text/stream_codes.h"

namespace quillmar {

namespace {

// Offset of the terminator's escape byte at or after `offset`, walking code by code; raises
// "AEZ 007" when the text ends first (a lone escape byte at the end included).
size_t FindTerminator(std::string_view text, size_t offset) {
  size_t i = offset;
  while (i < text.size()) {
    if (text[i] != stream::kEscape) {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    if (text[i + 1] == stream::kTerminator) return i;
    i += 2;
  }
  RaiseInternalError("AEZ 007");
}

}  // namespace

int32_t NumberAt(std::string_view text, size_t& offset) {
  const size_t end = FindTerminator(text, offset);
  const std::string_view digits = text.substr(offset, end - offset);
  if (digits.empty()) RaiseInternalError("AEZ 001");
  size_t i = 0;
  const bool negative = digits[0] == '-';
  if (negative || digits[0] == '+') ++i;
  if (i == digits.size()) RaiseInternalError("AEZ 002");
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < digits.size(); ++i) {
    const char c = digits[i];
    if (c < '0' || c > '9') RaiseInternalError("AEZ 002");
    value = value * 10 + (c - '0');
    if (value > kLimit) RaiseInternalError("AEZ 002");
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) RaiseInternalError("AEZ 002");
  offset = end + 2;
  return static_cast<int32_t>(value);
}

std::string TextAt(std::string_view text, size_t& offset) {
  std::string result;
  size_t i = offset;
  while (true) {
    if (i >= text.size()) RaiseInternalError("AEZ 007");
    const char c = text[i];
    if (c != stream::kEscape) {
      result += c;
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) RaiseInternalError("AEZ 007");
    const char code = text[i + 1];
    if (code == stream::kTerminator) break;
    if (code == 0) RaiseInternalError("AEZ 006");
    result += c;
    result += code;
    i += 2;
  }
  offset = i + 2;
  return result;
}

}  // namespace quillmar
