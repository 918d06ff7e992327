#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace quillmar {

class TCalderwickData;

// One record of a link file: a text of one collection and the place in a text of another
// collection that it leads to.
struct LinkFileRecord {
  std::string SourceCDID;
  int32_t SourceTextNr = 0;
  std::array<int32_t, 3> SourceNumbers{};  // kept, not used for finding
  std::string TargetCDID;
  int32_t TargetTextNr = -1;
  // Chapter levels L1, L2, L3 of the target text's chapter file; the place is that chapter's
  // start position.
  std::array<int32_t, 3> TargetNumbers{-1, -1, -1};
};

// A link file (bibliography or reference-work links) loaded into memory. One object serves the
// whole run; it is reloaded whenever it is needed.
class TLinkFile {
 public:
  // Link file, 56-byte records, little-endian: source CD identifier (length byte + 8) at 0,
  // padding 9..11, source text number int32 at 12, three int32 at 16, target CD identifier
  // (length byte + 8) at 28, padding 37..39, target text number int32 at 40, three int32 at 44.
  static constexpr size_t kRecordSize = 56;
  static constexpr size_t kSourceCDIDOffset = 0;
  static constexpr size_t kSourceTextOffset = 12;
  static constexpr size_t kSourceNumbersOffset = 16;
  static constexpr size_t kTargetCDIDOffset = 28;
  static constexpr size_t kTargetTextOffset = 40;
  static constexpr size_t kTargetNumbersOffset = 44;
  static constexpr size_t kCDIDCapacity = 8;

  // `catalog` (not owned) outlives the object; Resolve uses it.
  explicit TLinkFile(TCalderwickData& catalog);

  // Replaces the records by the whole records of the file, both identifiers folded to upper
  // case; a trailing partial record is ignored. Raises EInOutError when the file cannot be
  // opened or read; the table is empty then.
  void Load(const std::string& fileName);
  const std::string& FileName() const { return file_name_; }
  size_t Count() const;

  // The first record for the source collection (compared trimmed, in any case) and text
  // number. When none matches: that identifier and number, the source numbers 0, an empty
  // target identifier, target text number and numbers -1.
  LinkFileRecord Find(const std::string& cdid, int32_t textNr) const;

  // The text position a record leads to: the start of the chapter with the record's three
  // levels in the target text. 0 when the target collection is not installed, its text catalog
  // cannot be loaded, the target text is not in it, or the text has no such chapter. Raises
  // EInOutError when the text's chapter file is named but cannot be read.
  int32_t Resolve(const LinkFileRecord& record) const;

 private:
  TCalderwickData& catalog_;
  mutable std::mutex lock_;
  std::vector<LinkFileRecord> records_;
  std::string file_name_;
};

}  // namespace quillmar
