#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillmar {

// A place that a link leads to: a layer of a text of a collection, at a text position.
struct LinkTableEntry {
  std::string cdid;
  int32_t textNr = 0;
  int32_t layer = 0;
  int32_t paragraph = 0;
};

// The targets of a text's links: place links written out in the link itself (kind 100) and
// links whose number is a key into a link table file of the collection (kinds 101 and 102).
// See docs/formats/link-table.md.
class LinkTable {
 public:
  // Link table, 83-byte records, little-endian: key int32 at 0, bytes 4..7 unused, target CD
  // identifier (length byte + 8) at 8, target text number (8-bit) at 17, bytes 18..20 unused,
  // target layer (8-bit) at 21, bytes 22..24 unused, target paragraph int32 at 25, rest unused.
  static constexpr size_t kRecordSize = 83;
  static constexpr size_t kKeyOffset = 0;
  static constexpr size_t kCDIDOffset = 8;
  static constexpr size_t kCDIDCapacity = 8;
  static constexpr size_t kTextOffset = 17;
  static constexpr size_t kLayerOffset = 21;
  static constexpr size_t kParagraphOffset = 25;

  // A place link (kind 100): "CDID text layer paragraph", fields separated by runs of blanks;
  // numbers that do not parse and missing fields count as 0.
  static LinkTableEntry ParsePlace(const std::string& link);

  // The key of a link-table link (kinds 101 and 102): its number, -1 when it is not numeric.
  static int32_t ParseKey(const std::string& link);

  // The first record of the link table `fileName` (any letter case, either separator) whose key
  // is `key`. Nothing when the file cannot be read or no whole record matches; a trailing
  // partial record is ignored.
  static std::optional<LinkTableEntry> FindInTable(const std::string& fileName, int32_t key);
};

}  // namespace quillmar
