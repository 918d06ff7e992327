#include "builder/index_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <numeric>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "builder/fuzzy_lists.h"
#include "builder/word_splitter.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"

namespace quillmar::builder {

namespace {

namespace layout = index_layout;

constexpr LangText kCannotCreate{"Die Datei '%s' kann nicht angelegt werden.",
                                 "Cannot create the file '%s'."};
constexpr LangText kCannotWrite{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};
constexpr LangText kFieldTooLarge{
    "Wortindex: %s = %s (Text %s, Position %s) passt nicht in den Fundstellensatz.",
    "Word index: %s = %s (text %s, position %s) does not fit the hit record."};
constexpr LangText kTooManyHits{"Wortindex: zu viele Fundstellen (%s).",
                                "Word index: too many hits (%s)."};

constexpr uint32_t kNoWord = std::numeric_limits<uint32_t>::max();
constexpr uint32_t kMaxWordNumber = 65535;
constexpr size_t kBufferSize = 64 * 1024;

// A file written through a buffer; every failure raises EInOutError naming the file.
class OutputFile {
 public:
  explicit OutputFile(std::string path) : path_(std::move(path)) {
    file_ = FOpenUtf8(path_, "wb");
    if (file_ == nullptr) throw EInOutError(Format(Tr(kCannotCreate), {path_}));
    buffer_.reserve(kBufferSize);
  }
  ~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(std::span<const uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  }

  void Close() {
    Flush();
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) Fail();
  }

 private:
  void Flush() {
    if (buffer_.empty()) return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) Fail();
    buffer_.clear();
  }
  [[noreturn]] void Fail() const { throw EInOutError(Format(Tr(kCannotWrite), {path_})); }

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<uint8_t> buffer_;
};

// Checks that an entry value fits its field of the hit record.
void CheckField(const IndexEntry& entry, const char* field, int64_t value, int64_t max) {
  if (value >= 0 && value <= max) return;
  throw Exception(Format(
      Tr(kFieldTooLarge),
      {field, std::to_string(value), std::to_string(entry.text), std::to_string(entry.position)}));
}

void WriteDatum(std::span<uint8_t> record, size_t offset, const IndexEntry& entry, int32_t day,
                int32_t month, int32_t year, int32_t year2) {
  CheckField(entry, "day", day, 255);
  CheckField(entry, "month", month, 255);
  CheckField(entry, "year", year, 65535);
  CheckField(entry, "year2", year2, 65535);
  record[offset + layout::kTagOffset] = static_cast<uint8_t>(day);
  record[offset + layout::kMonatOffset] = static_cast<uint8_t>(month);
  WriteUInt16(record, offset + layout::kJahrOffset, static_cast<uint16_t>(year));
  WriteUInt16(record, offset + layout::kJahr2Offset, static_cast<uint16_t>(year2));
}

using HitRecord = std::array<uint8_t, layout::kFundstelleSize>;

HitRecord MakeHitRecord(const IndexEntry& entry, uint16_t wordNumber) {
  CheckField(entry, "chapter", entry.chapter, 255);
  HitRecord record{};
  record[layout::kTextNrOffset] = entry.text;
  WriteInt32(record, layout::kPositionOffset, entry.position);
  record[layout::kTextteilOffset] = entry.textPart;
  WriteUInt16(record, layout::kSeiteOffset, entry.page);
  WriteUInt16(record, layout::kZeileOffset, entry.line);
  WriteUInt16(record, layout::kAbsatzKennung1Offset, entry.chapter);
  WriteUInt16(record, layout::kWortNrOffset, wordNumber);
  record[layout::kSpracheOffset] = entry.language;
  WriteDatum(record, layout::kDatum1Offset, entry, entry.dateDay, entry.dateMonth, entry.dateYear,
             entry.dateExtra);
  WriteDatum(record, layout::kDatum2Offset, entry, entry.dateDayTo, entry.dateMonthTo,
             entry.dateYearTo, entry.dateExtraTo);
  record[layout::kKapitelOffset] = static_cast<uint8_t>(entry.chapter);
  record[layout::kUnterkapitelOffset] = entry.subChapter;
  record[layout::kAbsatzKennung2Offset] = entry.layer;
  WriteInt32(record, layout::kAbsatzKennung3Offset, entry.paragraphKey);
  return record;
}

// Word numbers of all entries: kept where a text carries them all, else counted afresh.
std::vector<uint16_t> WordNumbers(const std::vector<IndexEntry>& entries) {
  std::vector<uint16_t> numbers(entries.size());
  std::array<bool, 256> renumber{};
  for (size_t i = 0; i < entries.size(); ++i) {
    numbers[i] = entries[i].wordNumber;
    if (entries[i].wordNumber == 0) renumber[entries[i].text] = true;
  }
  std::vector<uint32_t> order;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (renumber[entries[i].text]) order.push_back(static_cast<uint32_t>(i));
  }
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    const IndexEntry& x = entries[a];
    const IndexEntry& y = entries[b];
    if (x.text != y.text) return x.text < y.text;
    if (x.layer != y.layer) return x.layer < y.layer;
    if (x.position != y.position) return x.position < y.position;
    return a < b;
  });
  uint32_t counter = 0;
  int previousText = -1;
  for (uint32_t i : order) {
    if (entries[i].text != previousText) {
      previousText = entries[i].text;
      counter = 0;
    }
    counter = counter % kMaxWordNumber + 1;
    numbers[i] = static_cast<uint16_t>(counter);
  }
  return numbers;
}

}  // namespace

void WriteIndex(const std::vector<IndexEntry>& entries, const std::string& dataDir,
                const BuildOptions& options) {
  if (entries.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw Exception(Format(Tr(kTooManyHits), {std::to_string(entries.size())}));
  }

  // Distinct index words and the word of each entry.
  std::vector<std::string> words;
  std::vector<uint32_t> wordOf(entries.size(), kNoWord);
  {
    std::unordered_map<std::string, uint32_t> ids;
    for (size_t i = 0; i < entries.size(); ++i) {
      std::string word = WordListForm(entries[i].word);
      if (word.empty()) continue;
      const auto [it, inserted] = ids.emplace(std::move(word), static_cast<uint32_t>(words.size()));
      if (inserted) words.push_back(it->first);
      wordOf[i] = it->second;
    }
  }

  // Word-list order: by word key (the order WortVergleich gives), equal keys by their bytes.
  std::vector<uint32_t> rank(words.size());
  {
    std::vector<std::string> keys;
    keys.reserve(words.size());
    for (const std::string& word : words) keys.push_back(Normalisieren(word));
    std::vector<uint32_t> byKey(words.size());
    std::iota(byKey.begin(), byKey.end(), 0u);
    std::sort(byKey.begin(), byKey.end(), [&](uint32_t a, uint32_t b) {
      if (const int c = keys[a].compare(keys[b]); c != 0) return c < 0;
      return words[a] < words[b];
    });
    for (uint32_t r = 0; r < byKey.size(); ++r) rank[byKey[r]] = r;
  }

  // Hit order: by word, then text, position and layer.
  std::vector<uint32_t> hits;
  hits.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (wordOf[i] != kNoWord) hits.push_back(static_cast<uint32_t>(i));
  }
  std::sort(hits.begin(), hits.end(), [&](uint32_t a, uint32_t b) {
    if (rank[wordOf[a]] != rank[wordOf[b]]) return rank[wordOf[a]] < rank[wordOf[b]];
    const IndexEntry& x = entries[a];
    const IndexEntry& y = entries[b];
    if (x.text != y.text) return x.text < y.text;
    if (x.position != y.position) return x.position < y.position;
    if (x.layer != y.layer) return x.layer < y.layer;
    return a < b;
  });

  const std::vector<uint16_t> numbers = WordNumbers(entries);

  // Hit file; the hit range of each word-list record is noted on the way.
  std::vector<int32_t> first(words.size(), -1);
  std::vector<int32_t> last(words.size(), -1);
  OutputFile hitFile(NativeSeparators(JoinPath(dataDir, layout::kFundstellenName)));
  for (size_t h = 0; h < hits.size(); ++h) {
    const uint32_t i = hits[h];
    const uint32_t r = rank[wordOf[i]];
    if (first[r] < 0) first[r] = static_cast<int32_t>(h);
    last[r] = static_cast<int32_t>(h);
    hitFile.Write(MakeHitRecord(entries[i], numbers[i]));
  }
  hitFile.Close();

  std::vector<uint32_t> byRank(words.size());
  for (uint32_t w = 0; w < words.size(); ++w) byRank[rank[w]] = w;
  OutputFile wordFile(NativeSeparators(JoinPath(dataDir, layout::kWortListeName)));
  for (uint32_t r = 0; r < byRank.size(); ++r) {
    std::array<uint8_t, layout::kWortRecordSize> record{};
    WriteShortString(record, layout::kWortOffset, layout::kWortCapacity, words[byRank[r]]);
    WriteInt32(record, layout::kVonOffset, first[r]);
    WriteInt32(record, layout::kBisOffset, last[r]);
    wordFile.Write(record);
  }
  wordFile.Close();

  if (options.fuzzy) {
    std::vector<std::string> listed;
    listed.reserve(byRank.size());
    for (uint32_t w : byRank) listed.push_back(words[w]);
    WriteFuzzyLists(listed, *options.fuzzy, dataDir);
  }
}

}  // namespace quillmar::builder
