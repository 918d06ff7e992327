#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace quillmar {

// One cross-reference record. The meaning of the second text, the numbers and the flag belongs
// to the cross-reference interface that asks.
struct CrossReferenceRecord {
  std::string KeyText;  // key text as stored; the key is the part before its first "*"
  std::string SecondText;
  std::array<int32_t, 3> Numbers{-1, -1, -1};
  uint8_t Flag = 0;
};

// Binary search in a cross-reference file: 128-byte records sorted by key. The file stays open
// from SetFile until the object is destroyed or another file is set.
class TCReferenceLookUp {
 public:
  // Record, 128 bytes: key text (length byte + 30) at 0, second text (length byte + 30) at 31,
  // padding 62..63, three int32 at 64, flag byte at 76, 77..127 not read.
  static constexpr size_t kRecordSize = 128;
  static constexpr size_t kKeyOffset = 0;
  static constexpr size_t kSecondOffset = 31;
  static constexpr size_t kTextCapacity = 30;
  static constexpr size_t kNumbersOffset = 64;
  static constexpr size_t kFlagOffset = 76;

  // Opens the file (any letter case and either separator). A missing file is the internal
  // error "RFU-SFN 001"; one that cannot be opened raises EInOutError. Either way a file set
  // before is closed.
  void SetFile(const std::string& fileName);
  const std::string& FileName() const { return file_name_; }

  // The record whose key is a prefix of the wanted key (normalised like a search word), found
  // by binary search over the whole records; the empty record (texts empty, numbers -1, flag 0)
  // when there is none. An empty key (wanted or stored) never matches. Without a file: internal
  // error "RLU-F 001". Raises EInOutError when a read fails.
  CrossReferenceRecord LookUp(std::string_view key);

  // The search's middle between low and high: (low + high) / 2 with halves rounded to even.
  static int64_t Middle(int64_t low, int64_t high);

 private:
  int64_t RecordCount();
  void ReadRecord(int64_t index, std::array<uint8_t, kRecordSize>& out);

  std::ifstream file_;
  std::string file_name_;
};

}  // namespace quillmar
