#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "retrieval/word_file.h"

namespace quillmar::test {

// One 40-byte word list record: length byte, 30 word bytes, pad, Von, Bis (little-endian).
inline std::string WortSatz(std::string_view wort, int32_t von, int32_t bis) {
  std::array<uint8_t, 40> satz{};
  WriteShortString(satz, 0, 30, wort);
  WriteInt32(satz, 32, von);
  WriteInt32(satz, 36, bis);
  return std::string(satz.begin(), satz.end());
}

// The bytes of a word list with the records in the given order.
inline std::string WortListeBytes(const std::vector<retrieval::TWortDateiRecord>& records) {
  std::string bytes;
  bytes.reserve(records.size() * 40);
  for (const auto& r : records) bytes += WortSatz(r.Wort, r.Von, r.Bis);
  return bytes;
}

// A word list of the blank-separated words, each with Von = its record number and Bis = 0.
inline std::string WortListeAus(std::string_view woerter) {
  std::string bytes;
  int32_t nr = 0;
  for (size_t at = 0; at < woerter.size();) {
    const size_t ende = std::min(woerter.find(' ', at), woerter.size());
    if (ende > at) bytes += WortSatz(woerter.substr(at, ende - at), ++nr, 0);
    at = ende + 1;
  }
  return bytes;
}

}  // namespace quillmar::test
