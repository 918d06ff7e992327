#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// Terminated arguments of stream codes. Both readers start at `offset` (0-based, the first byte
// after the code) inside a paragraph text and leave `offset` just after the terminator 0x01 "d".
// They walk the text in codes: an escape byte and its code byte are always taken together, so
// the byte "d" only terminates when it follows an escape that is not itself a code byte.

// A decimal number argument, optionally signed. Raises "AEZ 001" when nothing stands before
// the terminator, "AEZ 002" when the bytes are not a number that fits 32 bits (codes included),
// "AEZ 007" when the paragraph ends before the terminator.
int32_t NumberAt(std::string_view text, size_t& offset);

// A text argument: plain bytes as they are, codes other than the terminator kept as escape and
// code byte. Raises "AEZ 006" for a code byte 0 and "AEZ 007" when the paragraph ends before
// the terminator.
std::string TextAt(std::string_view text, size_t& offset);

}  // namespace quillmar
