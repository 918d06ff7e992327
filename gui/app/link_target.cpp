#include "gui/app/link_target.h"

#include <array>
#include <fstream>
#include <sstream>

#include "base/bytes.h"
#include "base/paths.h"

namespace quillmar::gui {

TLinkTarget TLinkTargets::ParsePlace(const std::string& link) {
  std::istringstream in(link);
  std::string fields[4];
  for (std::string& field : fields) in >> field;
  TLinkTarget target;
  target.cdid = Trim(fields[0]);
  target.textNr = ParseInt32(fields[1]).value_or(0);
  target.layer = ParseInt32(fields[2]).value_or(0);
  target.paragraph = ParseInt32(fields[3]).value_or(0);
  return target;
}

int32_t TLinkTargets::ParseKey(const std::string& link) { return ParseInt32(link).value_or(-1); }

std::optional<TLinkTarget> TLinkTargets::FindInTable(const std::string& fileName, int32_t key) {
  const std::optional<std::string> path = ResolveExisting(fileName);
  if (!path) return std::nullopt;
  std::ifstream file(*path, std::ios::binary);
  if (!file) return std::nullopt;
  std::array<uint8_t, kRecordSize> record{};
  while (file.read(reinterpret_cast<char*>(record.data()), kRecordSize)) {
    if (ReadInt32(record, kKeyOffset) != key) continue;
    TLinkTarget target;
    target.cdid = Trim(ReadShortString(record, kCDIDOffset, kCDIDCapacity));
    target.textNr = record[kTextOffset];
    target.layer = record[kLayerOffset];
    target.paragraph = ReadInt32(record, kParagraphOffset);
    return target;
  }
  return std::nullopt;
}

}  // namespace quillmar::gui
