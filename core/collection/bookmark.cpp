#include "collection/bookmark.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/fixed_record_file.h"

namespace fs = std::filesystem;

namespace quillmar {

namespace {

constexpr LangText kCannotWrite{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};
constexpr LangText kCannotDelete{"Die Datei '%s' kann nicht gelöscht werden.",
                                 "Cannot delete the file '%s'."};

constexpr char kDirectoryName[] = "Bookmark";
constexpr char kFileName[] = "bookmark.dat";
// A note file that starts with these bytes is UTF-8; any other is Windows-1252.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// bookmark.dat record, 192 bytes: identifier | title | CD identifier | CD name | unused byte |
// text number | layer | first paragraph | last paragraph (integers 32-bit little-endian, strings
// a length byte followed by their capacity).
constexpr size_t kId = 0;
constexpr size_t kTitle = 4;    // string[80]
constexpr size_t kCDID = 85;    // string[8]
constexpr size_t kCDName = 94;  // string[80]; byte 175 unused
constexpr size_t kTextNo = 176;
constexpr size_t kLayer = 180;
constexpr size_t kFirst = 184;
constexpr size_t kLast = 188;

// The Windows-1252 bytes of `utf8`, or nothing when a character has no byte there (malformed
// UTF-8 counts as such a character).
std::optional<std::string> TryCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t ch = DecodeUtf8(utf8, pos);
    const unsigned char b = CharToByte(ch, CodePage::k1252);
    if (b == 0 && ch != 0) return std::nullopt;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

TBookmarkRecord Decode(std::span<const uint8_t> r) {
  TBookmarkRecord record;
  record.Id = ReadInt32(r, kId);
  record.Title = ReadShortString(r, kTitle, TBookmark::kTitleCap);
  record.CDID = ReadShortString(r, kCDID, TBookmark::kCDIDCap);
  record.CDName = ReadShortString(r, kCDName, TBookmark::kCDNameCap);
  record.TextNo = ReadInt32(r, kTextNo);
  record.Layer = ReadInt32(r, kLayer);
  record.FirstParagraph = ReadInt32(r, kFirst);
  record.LastParagraph = ReadInt32(r, kLast);
  return record;
}

void Encode(const TBookmarkRecord& record, std::span<uint8_t> r) {
  WriteInt32(r, kId, record.Id);
  WriteShortString(r, kTitle, TBookmark::kTitleCap, record.Title);
  WriteShortString(r, kCDID, TBookmark::kCDIDCap, record.CDID);
  WriteShortString(r, kCDName, TBookmark::kCDNameCap, record.CDName);
  WriteInt32(r, kTextNo, record.TextNo);
  WriteInt32(r, kLayer, record.Layer);
  WriteInt32(r, kFirst, record.FirstParagraph);
  WriteInt32(r, kLast, record.LastParagraph);
}

}  // namespace

TBookmark::TBookmark(const std::string& programDirectory, FileWriter* writer)
    : writer_(writer != nullptr ? writer : &standard_writer_),
      directory_(JoinPath(programDirectory, kDirectoryName)),
      file_name_(JoinPath(directory_, kFileName)) {
  try {
    Load();
  } catch (const EInOutError& e) {
    load_error_ = e.what();
  }
}

TBookmark::TBookmark(TCalderwickData& catalog, FileWriter* writer)
    : TBookmark(catalog.GetAppPath(), writer) {}

void TBookmark::ReplaceFile(const std::string& path, std::string_view bytes) {
  if (!writer_->ReplaceFile(path, bytes)) throw EInOutError(Format(Tr(kCannotWrite), {path}));
}

TBookmark::~TBookmark() {
  try {
    Save();
  } catch (const std::exception&) {
    // Nothing can be reported from here; the previous file is intact.
  }
}

void TBookmark::Load() {
  std::lock_guard guard(lock_);
  std::error_code ec;
  fs::create_directories(directory_, ec);  // a failure shows when something is written
  items_.clear();
  modified_ = false;
  loaded_ = false;
  if (fs::exists(file_name_, ec) || ec) {
    const auto bytes = FixedRecordFile(file_name_, kRecordSize).TryReadAll(kMaxRecords);
    if (!bytes) throw EInOutError(FixedRecordFile::ReadErrorText(file_name_));
    const std::span<const uint8_t> all(*bytes);
    for (size_t offset = 0; offset + kRecordSize <= all.size(); offset += kRecordSize)
      items_.push_back(Decode(all.subspan(offset, kRecordSize)));
  }
  // The list shows bookmarks by identifier: give damaged or repeated ones a fresh one (a record
  // that none is left for is dropped).
  int32_t largest = 0;
  for (const auto& item : items_) largest = std::max(largest, item.Id);
  std::set<int32_t> seen;
  TBookmarkRecords kept;
  for (auto& item : items_) {
    if (item.Id < 1 || !seen.insert(item.Id).second) {
      modified_ = true;
      if (largest == std::numeric_limits<int32_t>::max()) continue;
      item.Id = ++largest;
      seen.insert(item.Id);
    }
    kept.push_back(std::move(item));
  }
  items_ = std::move(kept);
  loaded_ = true;
  load_error_.clear();
}

void TBookmark::Save() {
  std::lock_guard guard(lock_);
  if (!modified_) return;
  if (!loaded_) throw EInOutError(Format(Tr(kCannotWrite), {file_name_}));
  if (items_.empty()) {
    std::error_code ec;
    fs::remove(file_name_, ec);
    if (ec) throw EInOutError(Format(Tr(kCannotDelete), {file_name_}));
  } else {
    std::string bytes(items_.size() * kRecordSize, '\0');
    const std::span<uint8_t> all(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    for (size_t i = 0; i < items_.size(); ++i)
      Encode(items_[i], all.subspan(i * kRecordSize, kRecordSize));
    std::error_code ec;
    fs::create_directories(directory_, ec);
    ReplaceFile(file_name_, bytes);
  }
  modified_ = false;
}

int32_t TBookmark::Count() const {
  std::lock_guard guard(lock_);
  return static_cast<int32_t>(items_.size());
}

bool TBookmark::Modified() const {
  std::lock_guard guard(lock_);
  return modified_;
}

TBookmarkRecord TBookmark::GetItem(int32_t i) const {
  std::lock_guard guard(lock_);
  if (i < 0 || static_cast<size_t>(i) >= items_.size()) RaiseInternalError("BM-GI-1");
  return items_[static_cast<size_t>(i)];
}

void TBookmark::SetItem(int32_t i, const TBookmarkRecord& record) {
  std::lock_guard guard(lock_);
  if (i < 0 || static_cast<size_t>(i) >= items_.size()) RaiseInternalError("BM-SI-1");
  TBookmarkRecord& item = items_[static_cast<size_t>(i)];
  const int32_t id = item.Id;
  item = Cut(record);
  item.Id = id;
  modified_ = true;
}

int32_t TBookmark::IndexOf(int32_t id) const {
  std::lock_guard guard(lock_);
  for (size_t i = items_.size(); i-- > 0;)
    if (items_[i].Id == id) return static_cast<int32_t>(i);
  return -1;
}

int32_t TBookmark::Add(const TBookmarkRecord& record) {
  std::lock_guard guard(lock_);
  int32_t largest = 0;
  for (const auto& item : items_) largest = std::max(largest, item.Id);
  if (largest == std::numeric_limits<int32_t>::max()) RaiseInternalError("BM-AD-1");
  TBookmarkRecord item = Cut(record);
  item.Id = largest + 1;
  std::error_code ec;
  fs::remove(NoteFileName(item.Id), ec);
  items_.push_back(item);
  modified_ = true;
  return item.Id;
}

void TBookmark::Delete(int32_t id) {
  std::lock_guard guard(lock_);
  const auto it = std::find_if(items_.rbegin(), items_.rend(),
                               [id](const TBookmarkRecord& r) { return r.Id == id; });
  if (it == items_.rend()) RaiseInternalError("BM-DI-1");
  items_.erase(std::next(it).base());
  modified_ = true;
  std::error_code ec;
  fs::remove(NoteFileName(id), ec);
}

std::string TBookmark::NoteFileName(int32_t id) const {
  char name[32];
  std::snprintf(name, sizeof name, "b%04d.txt", static_cast<int>(id));
  return JoinPath(directory_, name);
}

std::vector<std::string> TBookmark::LoadNote(int32_t id) const {
  const std::string path = NoteFileName(id);
  std::vector<std::string> lines;
  std::error_code ec;
  if (!fs::exists(path, ec) && !ec) return lines;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError(FixedRecordFile::ReadErrorText(path));
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw EInOutError(FixedRecordFile::ReadErrorText(path));
  if (text.starts_with(kUtf8Mark))
    text.erase(0, kUtf8Mark.size());
  else
    text = Cp1252ToUtf8(text);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void TBookmark::SaveNote(int32_t id, const std::vector<std::string>& lines) {
  std::lock_guard guard(lock_);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  // A Windows-1252 text that began with the mark's bytes would be read back as UTF-8.
  const std::optional<std::string> narrow = TryCp1252(text);
  if (narrow && !narrow->starts_with(kUtf8Mark))
    text = *narrow;
  else
    text.insert(0, kUtf8Mark);
  std::error_code ec;
  fs::create_directories(directory_, ec);
  ReplaceFile(NoteFileName(id), text);
}

TBookmarkRecord TBookmark::Cut(TBookmarkRecord record) {
  if (record.Title.size() > kTitleCap) record.Title.resize(kTitleCap);
  if (record.CDID.size() > kCDIDCap) record.CDID.resize(kCDIDCap);
  if (record.CDName.size() > kCDNameCap) record.CDName.resize(kCDNameCap);
  return record;
}

}  // namespace quillmar
