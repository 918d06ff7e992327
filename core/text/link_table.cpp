#include "text/link_table.h"

#include <span>
#include <sstream>

#include "base/bytes.h"
#include "base/errors.h"
#include "collection/fixed_record_file.h"

namespace quillmar {

LinkTableEntry LinkTable::ParsePlace(const std::string& link) {
  std::istringstream in(link);
  std::string fields[4];
  for (std::string& field : fields) in >> field;
  LinkTableEntry target;
  target.cdid = Trim(fields[0]);
  target.textNr = ParseInt32(fields[1]).value_or(0);
  target.layer = ParseInt32(fields[2]).value_or(0);
  target.paragraph = ParseInt32(fields[3]).value_or(0);
  return target;
}

int32_t LinkTable::ParseKey(const std::string& link) { return ParseInt32(link).value_or(-1); }

std::optional<LinkTableEntry> LinkTable::FindInTable(const std::string& fileName, int32_t key) {
  const FixedRecordFile file(fileName, kRecordSize);
  std::optional<LinkTableEntry> found;
  try {
    file.Scan([&](int64_t, std::span<const uint8_t> record) {
      if (ReadInt32(record, kKeyOffset) != key) return true;
      LinkTableEntry target;
      target.cdid = Trim(ReadShortString(record, kCDIDOffset, kCDIDCapacity));
      target.textNr = record[kTextOffset];
      target.layer = record[kLayerOffset];
      target.paragraph = ReadInt32(record, kParagraphOffset);
      found = std::move(target);
      return false;
    });
  } catch (const EInOutError&) {
    // A table that cannot be read leads nowhere, like a key that is not in it.
    return std::nullopt;
  }
  return found;
}

}  // namespace quillmar
