#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmar {

// Little-endian integers at a byte offset of a fixed-size record. The caller guarantees that
// offset + width lies inside the record.
int32_t ReadInt32(std::span<const uint8_t> record, size_t offset);
uint16_t ReadUInt16(std::span<const uint8_t> record, size_t offset);
void WriteInt32(std::span<uint8_t> record, size_t offset, int32_t value);
void WriteUInt16(std::span<uint8_t> record, size_t offset, uint16_t value);

// A length-prefixed string of `capacity` bytes at `offset` (length byte + capacity bytes). A
// length byte larger than the capacity is clamped to it, so a damaged record never reads past
// its field. The bytes are returned unchanged (Windows-1252).
std::string ReadShortString(std::span<const uint8_t> record, size_t offset, size_t capacity);
// Writes a length-prefixed string, cut to the capacity and padded with zero bytes.
void WriteShortString(std::span<uint8_t> record, size_t offset, size_t capacity,
                      std::string_view value);

// Blanks and control characters (bytes <= 32) removed from both ends.
std::string Trim(std::string_view s);
// ASCII letters folded to upper case; other bytes unchanged.
std::string UpperAscii(std::string_view s);
// ASCII letters folded to lower case; other bytes unchanged.
std::string LowerAscii(std::string_view s);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);
// CD identifiers compare after trimming and folding to upper case.
bool SameCDID(std::string_view a, std::string_view b);

// A decimal 32-bit integer, optionally signed with "-", blanks and control characters around it
// allowed; std::nullopt for anything else (empty, other characters, out of range).
std::optional<int32_t> ParseInt32(std::string_view text);

// Replaces the first occurrence of `what` by `with`; the string is unchanged when absent.
std::string ReplaceFirst(std::string_view s, std::string_view what, std::string_view with);

}  // namespace quillmar
