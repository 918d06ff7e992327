#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "system/memory_registry_store.h"

namespace quillmar {

// The text of the settings file: UTF-8, one entry per line, INI-like with typed values.
//
//   ; Quillmar settings
//   [Software\Quillmar\Reader\Options]
//   Path="/home/reader/.local/share/quillmar"
//   language=dword:00000002
//   [Software\Quillmar\Reader\1.7\SearchHistory\01]
//   Date1=hex:00,00,00,00,30,75,00,00,30,75,00,00
//
// - Every key has a section header with its full path ("\"-separated), empty keys too. A key's
//   section precedes those of its sub-keys; sub-keys and values keep their stored order. Value
//   lines in front of the first section belong to the root key.
// - String: in double quotes; inside, \\ \" \n \r \t stand for those characters and \xHH for a
//   byte. The writer escapes other control characters and bytes that are not UTF-8 as \xHH.
// - Integer: "dword:" and 8 hex digits, the 32-bit two's complement (dword:ffffffff is -1). The
//   reader takes 1 to 8 digits.
// - Binary: "hex:" and the bytes as two hex digits each, separated by commas; "hex:" alone is
//   empty.
// - A value name is written as it is unless it is empty, has blanks at either end, contains "=",
//   starts with '"', ';', '#' or '[' or needs an escape; then it is quoted like a string
//   ("a=b"="x"). A section's path is quoted on the same terms except for "=", ';', '#', '['
//   (["\tkey"]).
//
// Reading tolerates hand edits: blank lines, comment lines starting with ";" or "#", CR LF line
// ends and a byte order mark are ignored; blanks around names and values are dropped; a comment
// may follow a quoted string. A value without quotes or type prefix is a string (`language=2`
// then still reads as an integer). Names compare without regard to ASCII case; of values named
// twice the last counts. Lines that cannot be parsed are skipped, and so are the value lines of a
// section whose header cannot be parsed (or whose key exceeds the limits below). Bytes outside
// escapes that are not UTF-8 read as U+FFFD.

// Limits that keep a damaged or hostile file from costing unbounded time or memory. The writer
// refuses trees beyond them, so every file it writes can be read back.
inline constexpr size_t kMaxSettingsFileSize = 4 << 20;  // bytes
inline constexpr size_t kMaxSettingsEntries = 65536;     // keys and values; also entry lines
inline constexpr size_t kMaxSettingsKeyDepth = 64;       // components of a key path
inline constexpr size_t kMaxSettingsKeyPath = 1024;      // bytes of a key path

// The file text of `tree`; std::nullopt when the tree exceeds the limits.
std::optional<std::string> FormatSettingsFile(const MemoryRegistryStore& tree);

// Adds what `text` holds to `tree` (normally empty). False when the text exceeds the limits; the
// tree then holds part of it.
bool ParseSettingsFile(std::string_view text, MemoryRegistryStore& tree);

}  // namespace quillmar
