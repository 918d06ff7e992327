#include "text/link_file.h"

#include <span>

#include "base/bytes.h"
#include "collection/calderwick_data.h"
#include "collection/fixed_record_file.h"
#include "collection/text_info.h"

namespace quillmar {

namespace {

// Chapter file, 200 bytes: levels L1, L2, L3 int32 at 184, 188, 192; start position int32 at 196.
constexpr size_t kChapterRecordSize = 200;
constexpr size_t kChapterLevelsOffset = 184;
constexpr size_t kChapterPositionOffset = 196;

LinkFileRecord DecodeRecord(std::span<const uint8_t> r) {
  LinkFileRecord rec;
  rec.SourceCDID =
      UpperAscii(ReadShortString(r, TLinkFile::kSourceCDIDOffset, TLinkFile::kCDIDCapacity));
  rec.SourceTextNr = ReadInt32(r, TLinkFile::kSourceTextOffset);
  rec.TargetCDID =
      UpperAscii(ReadShortString(r, TLinkFile::kTargetCDIDOffset, TLinkFile::kCDIDCapacity));
  rec.TargetTextNr = ReadInt32(r, TLinkFile::kTargetTextOffset);
  for (size_t k = 0; k < 3; ++k) {
    rec.SourceNumbers[k] = ReadInt32(r, TLinkFile::kSourceNumbersOffset + 4 * k);
    rec.TargetNumbers[k] = ReadInt32(r, TLinkFile::kTargetNumbersOffset + 4 * k);
  }
  return rec;
}

}  // namespace

TLinkFile::TLinkFile(TCalderwickData& catalog) : catalog_(catalog) {}

void TLinkFile::Load(const std::string& fileName) {
  std::lock_guard<std::mutex> guard(lock_);
  records_.clear();
  const FixedRecordFile file(fileName, kRecordSize);
  const int64_t count = file.Count();  // raises when the file cannot be opened
  std::vector<LinkFileRecord> records;
  records.reserve(static_cast<size_t>(count));
  file.Scan([&records](int64_t, std::span<const uint8_t> r) {
    records.push_back(DecodeRecord(r));
    return true;
  });
  records_ = std::move(records);
  file_name_ = fileName;
}

size_t TLinkFile::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return records_.size();
}

LinkFileRecord TLinkFile::Find(const std::string& cdid, int32_t textNr) const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const LinkFileRecord& r : records_) {
      if (r.SourceTextNr == textNr && SameCDID(r.SourceCDID, cdid)) return r;
    }
  }
  LinkFileRecord none;
  none.SourceCDID = cdid;
  none.SourceTextNr = textNr;
  return none;
}

int32_t TLinkFile::Resolve(const LinkFileRecord& record) const {
  if (record.TargetCDID.empty() || catalog_.GetCDIndex(record.TargetCDID) < 0) return 0;
  TTextInfo info(&catalog_.Prompts());
  if (!info.Load(catalog_.GetTextInfoFile(record.TargetCDID))) return 0;
  // A damaged link may name a text the catalog does not hold: no place rather than an error.
  if (record.TargetTextNr < 1 || record.TargetTextNr > info.RecordCount()) return 0;
  info.Select(record.TargetTextNr);
  if (info.CurrentText() != record.TargetTextNr) return 0;  // empty slot
  const std::string chapters = info.GetKapitelDateiName();
  if (chapters.empty()) return 0;

  int32_t position = 0;
  FixedRecordFile(chapters, kChapterRecordSize).Scan([&](int64_t, std::span<const uint8_t> r) {
    for (size_t k = 0; k < 3; ++k) {
      if (ReadInt32(r, kChapterLevelsOffset + 4 * k) != record.TargetNumbers[k]) return true;
    }
    position = ReadInt32(r, kChapterPositionOffset);
    return false;
  });
  return position;
}

}  // namespace quillmar
