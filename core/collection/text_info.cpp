#include "collection/text_info.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/fixed_record_file.h"
#include "collection/not_found.h"

namespace quillmar {

namespace {

// textinfo.dat, 496 bytes: number int32 at 0 (-1 empty slot), title string[80] at 4, long label
// string[40] at 85, short label string[20] at 126, then string[20] file names: layer 1 at 147,
// layer 2 at 168, layer 3 at 189, pages at 210, chapters at 252, pictures at 294; sync flag
// int32 at 380, sync file string[20] at 384, margin flag int32 at 492.
constexpr size_t kNumber = 0;
constexpr size_t kTitle = 4, kTitleCap = 80;
constexpr size_t kLongLabel = 85, kLongLabelCap = 40;
constexpr size_t kShortLabel = 126, kShortLabelCap = 20;
constexpr size_t kLayer1 = 147, kLayer2 = 168, kLayer3 = 189;
constexpr size_t kPageFile = 210, kChapterFile = 252, kPictureFile = 294;
constexpr size_t kSyncFlag = 380, kSyncFile = 384;
constexpr size_t kMargin = 492;
constexpr size_t kFileNameCap = 20;
constexpr int32_t kEmptySlot = -1;

// Chapter file, 200 bytes: names string[60] at 0, 61, 122; 183 unused; levels L1, L2, L3 int32 at
// 184, 188, 192; start position int32 at 196.
constexpr size_t kChapterName[3] = {0, 61, 122};
constexpr size_t kChapterNameCap = 60;
constexpr size_t kLevel1 = 184, kLevel2 = 188, kLevel3 = 192, kChapterStart = 196;

// Page file, 200 bytes: number int32 at 0, text string[180] at 4, numbering flag at 185 (non-zero
// Arabic, 0 Roman), 186-187 unused, start positions int32 in layers 1, 2, 3 at 188, 192, 196.
constexpr size_t kPageRecordSize = 200;
constexpr size_t kPageNumber = 0, kPageText = 4, kPageTextCap = 180, kPageArabic = 185;
constexpr size_t kPageStart[3] = {188, 192, 196};

// Picture file, 28 bytes: number int32 at 0, name string[23] at 4.
constexpr size_t kPictureRecordSize = 28;
constexpr size_t kPictureNumber = 0, kPictureName = 4, kPictureNameCap = 23;

// Synchronisation file, 8 bytes: position int32 at 0, target int32 at 4; in position order.
constexpr size_t kSyncRecordSize = 8;
constexpr size_t kSyncPosition = 0, kSyncTarget = 4;

// Hit record (44 bytes): chapter byte at 33, sub-chapter byte at 34.
constexpr size_t kHitChapter = 33, kHitSubChapter = 34;

// How far in front of the first synchronisation point a visible range still walks the points.
constexpr int64_t kSyncLookBehind = 120;

constexpr size_t kTreeNameCap = 80;
constexpr size_t kChapterShown = 59;  // longer chapter names are cut to this and get "..."

// A Roman numeral in upper case: M… then CM | CD | D? C{0,4}, then XC | XL | L? X…, then
// IX | IV | V? I…, worth less than 5000.
std::optional<int32_t> RomanValue(std::string_view s) {
  size_t i = 0;
  int32_t value = 0;
  auto at = [&](char c) { return i < s.size() && s[i] == c; };
  auto pair = [&](char a, char b) { return i + 1 < s.size() && s[i] == a && s[i + 1] == b; };
  auto add = [&](int32_t v) {
    value += v;
    return value < 5000;
  };
  // One decimal digit: nine = the subtractive pair for 9, four = for 4, five/one the letters;
  // `maxOnes` limits the repeated one-letters (0 = no limit below the value bound).
  auto digit = [&](char one, char five, char ten, int32_t unit, int maxOnes) {
    if (pair(one, ten)) {
      i += 2;
      return add(9 * unit);
    }
    if (pair(one, five)) {
      i += 2;
      return add(4 * unit);
    }
    if (at(five)) {
      ++i;
      if (!add(5 * unit)) return false;
    }
    for (int n = 1; at(one); ++n) {
      if (maxOnes > 0 && n > maxOnes) return false;
      ++i;
      if (!add(unit)) return false;
    }
    return true;
  };
  for (; at('M'); ++i)
    if (!add(1000)) return std::nullopt;
  if (!digit('C', 'D', 'M', 100, 4) || !digit('X', 'L', 'C', 10, 0) || !digit('I', 'V', 'X', 1, 0))
    return std::nullopt;
  if (s.empty() || i != s.size()) return std::nullopt;
  return value;
}

// A decimal number with an optional sign that fits 32 bits.
std::optional<int32_t> DecimalValue(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    value = value * 10 + (s[i] - '0');
    if (value > int64_t{1} << 31) return std::nullopt;
  }
  value = negative ? -value : value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string CutChapterName(std::string name) {
  if (name.size() > kChapterShown) name = name.substr(0, kChapterShown) + "...";
  return name;
}

PageFileRecord ToPageRecord(std::span<const uint8_t> record) {
  PageFileRecord page;
  page.Number = ReadInt32(record, kPageNumber);
  page.Text = ReadShortString(record, kPageText, kPageTextCap);
  page.Arabic = record[kPageArabic] != 0;
  for (int l = 0; l < 3; ++l) page.Position[l] = ReadInt32(record, kPageStart[l]);
  return page;
}

}  // namespace

TTextInfo::TTextInfo(UserPrompts* prompts) : prompts_(prompts) {}

void TTextInfo::ResetText() {
  current_ = -1;
  record_.fill(0);
  dir_.clear();
  chapter_.fill(0);
  chapter_valid_ = false;
  chapter_name_.clear();
}

bool TTextInfo::Load(const std::string& fileName) {
  ResetText();
  while (!FileExists(fileName)) {
    if (prompts_ == nullptr ||
        TNotFoundForm::ShowFileNotFound(*prompts_, fileName) == PromptResult::kCancel) {
      file_name_.clear();
      return false;
    }
  }
  file_name_ = fileName;
  return true;
}

int32_t TTextInfo::RecordCount() const {
  const auto count = FixedRecordFile(file_name_, kRecordSize).TryCount();
  return static_cast<int32_t>(std::min<int64_t>(count.value_or(0), INT32_MAX));
}

void TTextInfo::Select(int32_t n) {
  if (n == current_) return;
  const FixedRecordFile catalog(file_name_, kRecordSize);
  if (n < 1 || catalog.Count() < n) RaiseInternalError("TTI-STN 001");
  Record record{};
  if (!catalog.TryRead(n - 1, record))
    throw EInOutError(FixedRecordFile::ReadErrorText(file_name_));
  const int32_t number = ReadInt32(record, kNumber);
  if (number != kEmptySlot && number != n) RaiseInternalError("TTI-STN 002");

  ResetText();
  if (number == kEmptySlot) return;
  current_ = n;
  record_ = record;
  // A layer-1 name that does not exist as given (relative names against the working directory)
  // is looked for beside the catalog; when found there, all of the text's files are.
  const std::string layer1 = RecordString(kLayer1, kFileNameCap);
  if (!layer1.empty() && !FileExists(layer1)) {
    const std::string dir = DirectoryOf(ResolvePath(file_name_));
    if (FileExists(JoinPath(dir.empty() ? "." : dir, layer1))) dir_ = dir.empty() ? "." : dir;
  }
}

std::string TTextInfo::RecordString(size_t offset, size_t capacity) const {
  return ReadShortString(record_, offset, capacity);
}

void TTextInfo::RequireText(const char* errorCode) const {
  if (current_ < 1) RaiseInternalError(errorCode);
}

std::string TTextInfo::FileNameAt(size_t offset, const char* errorCode) const {
  RequireText(errorCode);
  const std::string name = RecordString(offset, kFileNameCap);
  if (name.empty()) return name;
  // A name leading outside the collection ("..", absolute, a drive) is refused with a message.
  const std::string dir = DirectoryOf(ResolvePath(file_name_));
  if (!StaysInside(name)) (void)JoinInside(dir.empty() ? "." : dir, name);
  return ResolvePath(dir_.empty() ? name : JoinPath(dir_, name));
}

std::string TTextInfo::GetLayer1DateiName() { return FileNameAt(kLayer1, "TTI-GTDN 001"); }
std::string TTextInfo::GetLayer2DateiName() { return FileNameAt(kLayer2, "TTI-GFDN 001"); }
std::string TTextInfo::GetLayer3DateiName() { return FileNameAt(kLayer3, "TTI-GSDN 001"); }
std::string TTextInfo::GetSeitenDateiName() { return FileNameAt(kPageFile, "TTI-GSDN 002"); }
std::string TTextInfo::GetKapitelDateiName() { return FileNameAt(kChapterFile, "TTI-GKDN 001"); }
std::string TTextInfo::GetBildDateiName() { return FileNameAt(kPictureFile, "TTI-GBDN 001"); }
std::string TTextInfo::GetSyncFileName() { return FileNameAt(kSyncFile, "TTI-GSYDN 001"); }

std::string TTextInfo::Title() const { return RecordString(kTitle, kTitleCap); }
std::string TTextInfo::LongLabel() const { return RecordString(kLongLabel, kLongLabelCap); }
std::string TTextInfo::ShortLabel() const { return RecordString(kShortLabel, kShortLabelCap); }
bool TTextInfo::HasMargin() const { return current_ >= 1 && ReadInt32(record_, kMargin) != 0; }

std::string TTextInfo::GetShortTextName() {
  RequireText("TTI-GATN 001");
  const std::string title = Title(), label = ShortLabel();
  if (label.empty()) return title;
  if (title.empty()) return label;
  return label + "/" + title;
}

std::string TTextInfo::GetLongTextName() {
  RequireText("TTI-GALTN 001");
  const std::string title = Title();
  const std::string label = LongLabel().empty() ? ShortLabel() : LongLabel();
  if (label.empty()) return title;
  if (title.empty()) return label;
  return label + ": " + title;
}

int32_t TTextInfo::GetSeitenPosition(const std::string& pageText, int layer) {
  RequireText("TTI-GSP 001");
  const std::string text = UpperAscii(Trim(pageText));
  if (text.empty() || layer < 1 || layer > 3) return -1;
  const auto roman = RomanValue(text);
  const auto number = roman ? roman : DecimalValue(text);
  if (!number) return -1;
  const std::string path = GetSeitenDateiName();
  if (path.empty()) return -1;
  const bool want_arabic = !roman.has_value();
  int32_t position = -1;
  FixedRecordFile(path, kPageRecordSize).Scan([&](int64_t, std::span<const uint8_t> record) {
    const bool arabic = record[kPageArabic] != 0;
    if (arabic == want_arabic && ReadInt32(record, kPageNumber) == *number) {
      position = ReadInt32(record, kPageStart[layer - 1]);
      return false;
    }
    return true;
  });
  return position;
}

PageFileRecord TTextInfo::GetPositionSeite(int32_t position, int layer) {
  RequireText("TTI-GPS 001");
  if (layer < 1 || layer > 3) return {};
  const std::string path = GetSeitenDateiName();
  if (path.empty()) return {};
  const size_t start = kPageStart[layer - 1];
  // Pages run from their start to the next page's start in the layer; pages that the layer
  // does not have (start -1) are passed over, and the last page runs to the end of the text.
  std::vector<uint8_t> previous;  // empty: in front of the first page
  bool found = false;
  FixedRecordFile(path, kPageRecordSize).Scan([&](int64_t, std::span<const uint8_t> record) {
    const int32_t next = ReadInt32(record, start);
    if (next < 0) return true;
    const int32_t from = previous.empty() ? -1 : ReadInt32(previous, start);
    if (from <= position && position < next) {
      found = true;
      return false;
    }
    previous.assign(record.begin(), record.end());
    return true;
  });
  if (previous.empty()) return {};
  if (found || ReadInt32(previous, start) <= position) return ToPageRecord(previous);
  return {};
}

std::string TTextInfo::GetBildName(int32_t number) {
  const std::string path = GetBildDateiName();
  if (path.empty()) return {};
  std::string name;
  FixedRecordFile(path, kPictureRecordSize).Scan([&](int64_t, std::span<const uint8_t> record) {
    if (ReadInt32(record, kPictureNumber) != number) return true;
    name = ReadShortString(record, kPictureName, kPictureNameCap);
    return false;
  });
  return name;
}

bool TTextInfo::HasSync() const { return current_ >= 1 && record_[kSyncFlag] != 0; }

template <typename Visit>
bool TTextInfo::WalkSync(SyncPoint& first, SyncPoint& last, Visit visit) {
  if (!HasSync()) return false;
  const std::string path = GetSyncFileName();
  if (path.empty()) return false;
  const FixedRecordFile file(path, kSyncRecordSize);
  if (file.Count() < 2) return false;
  file.Scan([&](int64_t index, std::span<const uint8_t> record) {
    const SyncPoint point{ReadInt32(record, kSyncPosition), ReadInt32(record, kSyncTarget)};
    if (index == 0) first = point;
    const bool more = index == 0 || visit(last, point);
    last = point;
    return more;
  });
  return true;
}

int32_t TTextInfo::GetSyncPosition(int32_t target) {
  SyncPoint first{}, last{};
  int32_t result = -1;
  const bool any = WalkSync(first, last, [&](const SyncPoint& prev, const SyncPoint& cur) {
    if (prev.target >= target) {
      result = prev.position;
      return false;
    }
    if (cur.target >= target) {
      result = cur.position;
      return false;
    }
    return true;
  });
  if (!any) return -1;
  return result >= 1 ? result : last.position;
}

int32_t TTextInfo::GetSyncTarget(int32_t from, int32_t to) {
  SyncPoint first{}, last{};
  int32_t result = -1;
  bool matched = false, first_pair = true, by_first = false;
  const bool any = WalkSync(first, last, [&](const SyncPoint& prev, const SyncPoint& cur) {
    if (first_pair) {
      first_pair = false;
      // The first point decides when it lies in the range or well behind `from`.
      by_first = (from <= first.position && first.position <= to) ||
                 int64_t{from} + kSyncLookBehind < first.position;
      if (by_first) return false;
    }
    if (prev.position <= from && from <= cur.position) {  // a later pair overrides
      matched = true;
      if (cur.position >= to)
        result = prev.target;
      else
        result = int64_t{from} - prev.position <= int64_t{cur.position} - from ? prev.target
                                                                               : cur.target;
    }
    return true;
  });
  if (!any) return -1;
  if (by_first) return first.target;
  if (matched) return result;
  // Past the last point its target stays in force.
  if (from > last.position) return last.target;
  return first.target;
}

SyncRange TTextInfo::GetSyncRange(int32_t from, int32_t to) {
  SyncPoint first{}, last{};
  SyncRange range;
  const bool any = WalkSync(first, last, [&](const SyncPoint& prev, const SyncPoint& cur) {
    if (prev.position <= from && from <= cur.position) range.AtFrom = prev.target;
    if (prev.position <= to && to <= cur.position) range.AtTo = cur.target;
    return true;
  });
  if (!any) return {};
  // Past the last point its target stays in force.
  if (from > last.position) range.AtFrom = last.target;
  if (to > last.position) range.AtTo = last.target;
  range.Target = std::min(std::max(GetSyncTarget(from, to), range.AtFrom), range.AtTo);
  return range;
}

void TTextInfo::SetHitPosition(std::span<const uint8_t> hitRecord) {
  const auto byte_at = [&](size_t i) -> int32_t { return i < hitRecord.size() ? hitRecord[i] : 0; };
  const int32_t chapter = byte_at(kHitChapter), sub_chapter = byte_at(kHitSubChapter);
  if (chapter_valid_ && ReadInt32(chapter_, kLevel1) == chapter &&
      ReadInt32(chapter_, kLevel2) == sub_chapter)
    return;
  chapter_name_.clear();
  chapter_valid_ = false;
  const std::string path = GetKapitelDateiName();
  if (path.empty()) return;
  FixedRecordFile(path, kChapterRecordSize).Scan([&](int64_t, std::span<const uint8_t> record) {
    if (ReadInt32(record, kLevel1) != chapter || ReadInt32(record, kLevel2) != sub_chapter)
      return true;
    std::copy(record.begin(), record.end(), chapter_.begin());
    chapter_valid_ = true;
    chapter_name_ = ReadShortString(record, kChapterName[0], kChapterNameCap);
    const std::string second = ReadShortString(record, kChapterName[1], kChapterNameCap);
    if (!second.empty()) chapter_name_ += "/" + second;
    return false;
  });
}

TTextTreeInfos TTextInfo::ListTexts() {
  std::lock_guard guard(list_lock_);
  TTextTreeInfos texts;
  FixedRecordFile(file_name_, kRecordSize).Scan([&](int64_t index, std::span<const uint8_t> r) {
    const int32_t number = ReadInt32(r, kNumber);
    if (number >= 1 && number <= 255) {
      const std::string title = ReadShortString(r, kTitle, kTitleCap);
      const std::string label = ReadShortString(r, kLongLabel, kLongLabelCap);
      std::string name = label.empty() ? title : title.empty() ? label : label + ": " + title;
      if (name.size() > kTreeNameCap) name.resize(kTreeNameCap);
      TextTreeInfo info;
      info.TextNr = static_cast<uint8_t>(number);
      info.Name = std::move(name);
      texts.push_back(std::move(info));
    }
    // Text numbers are bytes: nothing after text 255 or the 255th record can be listed.
    const int64_t taken = number == kEmptySlot ? index : number;
    return taken != 255 && index < 254;
  });
  return texts;
}

TTextTreeInfos TTextInfo::ListChapters(const TextTreeInfo& parent) {
  std::lock_guard guard(list_lock_);
  Select(parent.TextNr);
  if (current_ != parent.TextNr) RaiseInternalError("TI-TTI-GSN-1");
  const std::string path = GetKapitelDateiName();
  const FixedRecordFile file(path, kChapterRecordSize);
  if (path.empty() || file.Count() == 0) RaiseInternalError("TI-TTI-GNS-2");

  TTextTreeInfos chapters;
  file.Scan([&](int64_t, std::span<const uint8_t> record) {
    const int32_t l1 = ReadInt32(record, kLevel1), l2 = ReadInt32(record, kLevel2),
                  l3 = ReadInt32(record, kLevel3);
    bool child = false;
    if (parent.L1 == 0)
      child = l1 != 0 && l2 == 0 && l3 == 0;
    else if (parent.L2 == 0)
      child = l1 == parent.L1 && l2 != 0 && l3 == 0;
    else if (parent.L3 == 0)
      child = l1 == parent.L1 && l2 == parent.L2 && l3 != 0;
    if (!child) return true;
    TextTreeInfo info;
    info.TextNr = parent.TextNr;
    info.L1 = static_cast<uint8_t>(l1);
    info.L2 = static_cast<uint8_t>(l2);
    info.L3 = static_cast<uint8_t>(l3);
    info.Name1 = CutChapterName(ReadShortString(record, kChapterName[0], kChapterNameCap));
    info.Name2 = CutChapterName(ReadShortString(record, kChapterName[1], kChapterNameCap));
    info.Name3 = CutChapterName(ReadShortString(record, kChapterName[2], kChapterNameCap));
    info.Position = ReadInt32(record, kChapterStart);
    chapters.push_back(std::move(info));
    return true;
  });
  return chapters;
}

int TTextInfo::KindLayer(int code) {
  if (code == 11) return 2;
  if (code == 10) return 3;
  return 1;
}

}  // namespace quillmar
