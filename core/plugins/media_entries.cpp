// The entries of the multimedia tree as a collection stores them; running them is TMultiMedia's.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <span>
#include <string_view>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "plugins/multimedia.h"

namespace quillmar {
namespace {

constexpr char kMediaDirectory[] = "media";

using Record = ShortInfoRecord;

size_t StringOffset(int part, int string) {
  return kShortInfoPartsOffset + static_cast<size_t>(part) * kShortInfoPartSize +
         static_cast<size_t>(string) * kShortInfoStringSize;
}

// Clamps every length byte of the record to its field, so that neither this code nor a module
// ever reads a string into the next field.
void ClampLengths(Record& record) {
  record[0] = std::min<uint8_t>(record[0], kShortInfoCaptionBytes);
  for (int part = 0; part < kShortInfoParts; ++part)
    for (int string = 0; string < 3; ++string) {
      uint8_t& length = record[StringOffset(part, string)];
      length = std::min<uint8_t>(length, kShortInfoStringBytes);
    }
}

}  // namespace

std::vector<ShortInfoRecord> ReadShortInfoFile(const std::string& path) {
  std::vector<ShortInfoRecord> records;
  if (path.empty() || !FileExists(path)) return records;
  std::ifstream in;
  if (!OpenForReading(in, ResolvePath(path))) return records;
  ShortInfoRecord record{};
  while (records.size() < kMaxShortInfoRecords &&
         in.read(reinterpret_cast<char*>(record.data()), record.size())) {
    ClampLengths(record);
    records.push_back(record);
  }
  return records;
}

std::vector<TShortInfoPart> TMediaEntry::Parts() const {
  std::vector<TShortInfoPart> parts;
  if (Type != kMediaShortInfo) return parts;
  const std::span<const uint8_t> record(ShortInfo);
  for (int part = 0; part < kShortInfoParts; ++part) {
    TShortInfoPart p;
    p.First = ReadShortString(record, StringOffset(part, 0), kShortInfoStringBytes);
    if (p.First.empty()) break;
    p.Second = ReadShortString(record, StringOffset(part, 1), kShortInfoStringBytes);
    p.Third = ReadShortString(record, StringOffset(part, 2), kShortInfoStringBytes);
    parts.push_back(std::move(p));
  }
  return parts;
}

std::vector<TMediaEntry> ReadMediaEntries(TCalderwickData& catalog, const std::string& cdid) {
  std::vector<TMediaEntry> entries;
  for (const Record& record : ReadShortInfoFile(catalog.GetKiFile(cdid))) {
    TMediaEntry entry;
    entry.CDID = cdid;
    entry.Type = kMediaShortInfo;
    entry.ShortInfo = record;
    entry.Caption = ReadShortString(record, 0, kShortInfoCaptionBytes);
    entries.push_back(std::move(entry));
  }
  if (catalog.GetCDIndex(cdid) < 0) return entries;
  const std::string root = catalog.GetCDPath(cdid);
  const TCDInfo info(root);
  for (const TCDMedia4& m : info.Media4()) {
    TMediaEntry entry;
    entry.CDID = cdid;
    entry.Type = m.Number;
    entry.Caption = m.Text;
    entry.ModuleID = m.Code;
    entry.FromPresentationList = true;
    entries.push_back(std::move(entry));
  }
  for (const TCDMedia5& m : info.Media5()) {
    TMediaEntry entry;
    entry.CDID = cdid;
    entry.Type = kMediaProgram;
    entry.Caption = m.Text;
    entry.ProgramPath = JoinPath(JoinPath(root, kMediaDirectory), Cp1252ToUtf8(m.Code));
    entries.push_back(std::move(entry));
  }
  return entries;
}

TMediaEntry WithMediaPaths(TMediaEntry entry, const std::string& mediaDir) {
  if (entry.Type != kMediaShortInfo) return entry;
  const std::string prefix = Utf8ToCp1252(mediaDir);
  const std::span<uint8_t> record(entry.ShortInfo);
  for (int part = 0; part < kShortInfoParts; ++part) {
    if (ReadShortString(record, StringOffset(part, 0), kShortInfoStringBytes).empty()) break;
    for (int string = 0; string < 2; ++string) {
      const size_t offset = StringOffset(part, string);
      const std::string name = ReadShortString(record, offset, kShortInfoStringBytes);
      // A name that would leave the media directory names no file.
      if (!name.empty())
        WriteShortString(record, offset, kShortInfoStringBytes,
                         StaysInside(name) ? JoinPath(prefix, name) : std::string());
    }
  }
  return entry;
}

}  // namespace quillmar
