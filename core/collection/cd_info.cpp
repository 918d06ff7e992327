#include "collection/cd_info.h"

#include <algorithm>
#include <span>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/fixed_record_file.h"

namespace quillmar {

const char* const kKRVTTitle = "Kirchenrechtliche Volltexte";
const char* const kKRVTCopyright = "Copyright (c) Quillmar Verlag. Alle Rechte vorbehalten.";

namespace {

// Every record: type, 32-bit signed at bytes 0-3 (-1 marks a record that could not be read).
constexpr size_t kType = 0;
constexpr int32_t kUnreadable = -1;

// Header (record 1): 4-11 unused, minor 12-15, major 16-19, title string[128] at 20,
// CD identifier string[8] at 149, 158-159 unused.
constexpr size_t kMinor = 12;
constexpr size_t kMajor = 16;
constexpr size_t kTitle = 20, kTitleCap = 128;
constexpr size_t kCdid = 149, kCdidCap = 8;

// Record types after the header.
constexpr int32_t kProperty = 1;   // value string[131] at 4, key character at 136
constexpr int32_t kCopyright = 2;  // line string[139] at 20
constexpr int32_t kPlugIn = 3;     // library string[20] at 4, plug-in name string[20] at 25
constexpr int32_t kMedia4 = 4;     // number int32 at 4, string[80] at 8, string[10] at 89
constexpr int32_t kMedia5 = 5;     // string[80] at 4, string[30] at 85
constexpr int32_t kNoDate = 6;     // uint16 at 4
constexpr int32_t kYearOff = 7;    // uint16 at 4
constexpr int32_t kLink = 9;       // string[30] at 4, string[20] at 35, string[20] at 56

constexpr size_t kPropValue = 4, kPropValueCap = 131, kPropKey = 136;
constexpr size_t kCopyrightText = 20, kCopyrightCap = 139;
constexpr size_t kPlugInLibrary = 4, kPlugInName = 25, kPlugInCap = 20;
constexpr size_t kMedia4Number = 4, kMedia4Text = 8, kMedia4TextCap = 80, kMedia4Code = 89,
                 kMedia4CodeCap = 10;
constexpr size_t kMedia5Text = 4, kMedia5TextCap = 80, kMedia5Code = 85, kMedia5CodeCap = 30;
constexpr size_t kUInt16Value = 4;
constexpr size_t kLinkTitle = 4, kLinkTitleCap = 30, kLinkFile = 35, kLinkThird = 56,
                 kLinkNameCap = 20;

int32_t TypeOf(std::span<const uint8_t> record) { return ReadInt32(record, kType); }

}  // namespace

TCDInfo::TCDInfo(const std::string& path)
    : path_(StripTrailingSeparator(path)),
      data_path_(JoinPath(path_, "data")),
      meta_path_(JoinPath(JoinPath(path_, "ID"), "metainfo.dat")) {
  if (FileExists(JoinPath(path_, "bin/mauninst.exe"))) {
    is_krvt_ = true;
    major_ = 1;
    name_ = kKRVTTitle;
    cdid_ = kKRVT0001;
    copyright_ = kKRVTCopyright;
    return;
  }
  ReadMetadata();
}

void TCDInfo::ReadMetadata() {
  std::lock_guard guard(lock_);
  const auto bytes = FixedRecordFile(meta_path_, kRecordSize).TryReadAll(kMaxRecords);
  if (!bytes || bytes->empty()) return;  // no metadata: untitled, version 0.0, no properties
  count_ = static_cast<int32_t>(bytes->size() / kRecordSize);

  const std::span<const uint8_t> header(bytes->data(), kRecordSize);
  minor_ = ReadInt32(header, kMinor);
  major_ = ReadInt32(header, kMajor);
  name_ = ReadShortString(header, kTitle, kTitleCap);
  cdid_ = ReadShortString(header, kCdid, kCdidCap);

  for (int32_t i = 0; i < count_; ++i) {
    Record record;
    std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(i * kRecordSize), kRecordSize,
                record.begin());
    const int32_t type = TypeOf(record);
    if (type == kUnreadable) break;  // a type -1 record ends every scan
    switch (type) {
      case kCopyright:
        copyright_ = ReadShortString(record, kCopyrightText, kCopyrightCap);
        break;
      case kPlugIn:
        plugins_.push_back({ReadShortString(record, kPlugInName, kPlugInCap),
                            ReadShortString(record, kPlugInLibrary, kPlugInCap)});
        break;
      case kMedia4:
        media4_.push_back({ReadInt32(record, kMedia4Number),
                           ReadShortString(record, kMedia4Text, kMedia4TextCap),
                           ReadShortString(record, kMedia4Code, kMedia4CodeCap)});
        break;
      case kMedia5:
        media5_.push_back({ReadShortString(record, kMedia5Text, kMedia5TextCap),
                           ReadShortString(record, kMedia5Code, kMedia5CodeCap)});
        break;
      case kLink:
        links_.push_back({ReadShortString(record, kLinkTitle, kLinkTitleCap),
                          ReadShortString(record, kLinkFile, kLinkNameCap),
                          ReadShortString(record, kLinkThird, kLinkNameCap)});
        break;
      default:
        break;
    }
    records_.push_back(record);
  }
}

bool TCDInfo::IsKRVTHeader() const { return SameCDID(cdid_, kKRVT0001); }

std::array<uint8_t, TCDInfo::kRecordSize> TCDInfo::GetRecord(int32_t i) const {
  if (i < 1 || i > count_) RaiseInternalError("AD-TCI-GIR-1");
  Record record{};
  std::lock_guard guard(lock_);
  if (!FixedRecordFile(meta_path_, kRecordSize).TryRead(i - 1, record)) {
    record.fill(0);
    WriteInt32(record, kType, kUnreadable);
  }
  return record;
}

std::string TCDInfo::Property(char key, bool firstWins) const {
  std::string value;
  for (const Record& record : records_) {
    if (TypeOf(record) != kProperty || record[kPropKey] != static_cast<uint8_t>(key)) continue;
    value = ReadShortString(record, kPropValue, kPropValueCap);
    if (firstWins) break;
  }
  return value;
}

std::string TCDInfo::GetLiFileName() const {
  return IsKRVTHeader() ? std::string() : Property('e', false);
}
std::string TCDInfo::GetWbFileName() const {
  return IsKRVTHeader() ? std::string() : Property('f', false);
}
std::string TCDInfo::GetKiFileName() const {
  return IsKRVTHeader() ? std::string() : Property('h', false);
}
std::string TCDInfo::GetSetupFileName() const {
  return IsKRVTHeader() ? std::string() : Property('i', false);
}
std::string TCDInfo::GetTextInfoFileName() const {
  return IsKRVTHeader() ? std::string("textinfo.dat") : Property('j', false);
}
std::string TCDInfo::GetAboutFileName() const {
  return IsKRVTHeader() ? std::string() : Property('l', false);
}
std::string TCDInfo::GetLinkTableFileName() const {
  return IsKRVTHeader() ? std::string() : Property('p', false);
}
std::string TCDInfo::GetFSLibraryID() const {
  return IsKRVTHeader() ? std::string() : Property('o', true);
}

std::vector<std::string> TCDInfo::GetSchemas() const {
  std::vector<std::string> schemas;
  if (IsKRVTHeader()) return schemas;
  for (char key : {'m', 'n'}) {
    if (key == 'n' && schemas.empty()) break;  // further schemas only after a first one
    for (const Record& record : records_) {
      if (TypeOf(record) == kProperty && record[kPropKey] == static_cast<uint8_t>(key))
        schemas.push_back(ReadShortString(record, kPropValue, kPropValueCap));
    }
  }
  return schemas;
}

uint16_t TCDInfo::GetNoDateMarker() const {
  if (IsKRVTHeader()) return 0;
  for (const Record& record : records_)
    if (TypeOf(record) == kNoDate) return ReadUInt16(record, kUInt16Value);
  return 0;
}

uint16_t TCDInfo::GetYearOffset() const {
  if (IsKRVTHeader()) return 0;
  for (const Record& record : records_)
    if (TypeOf(record) == kYearOff) return ReadUInt16(record, kUInt16Value);
  return 0;
}

bool TCDInfo::VersionOK(int32_t major, int32_t minor) const {
  if (major_ == 0 && minor_ == 0) return true;
  return major > major_ || (major == major_ && minor >= minor_);
}

}  // namespace quillmar
