#include "cli/fuzzy_check.h"

#include <fstream>
#include <optional>
#include <span>
#include <unordered_map>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/paths.h"
#include "builder/fuzzy_lists.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"

namespace quillmar::cli {

namespace layout = index_layout;

namespace {

constexpr int64_t kNotLinked = -1;

std::optional<std::string> ReadData(const std::string& dataDir, const std::string& name) {
  const std::optional<std::string> path = ResolveExisting(JoinPath(dataDir, name));
  if (!path) return std::nullopt;
  std::ifstream in;
  if (!OpenForReading(in, *path)) return std::nullopt;
  std::string bytes = ReadAll(in);
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::string Quoted(const std::string& word) { return "\"" + Cp1252ToUtf8(word) + "\""; }

struct Record {
  std::string key;
  int32_t von = 0;
  int32_t bis = -1;
};

class LevelCheck {
 public:
  LevelCheck(int level, const std::vector<std::string>& words,
             const std::function<void(const std::string&)>& problem)
      : level_(level), words_(words), problem_(problem) {}

  void Run(const std::string& listBytes, const std::string& linkBytes,
           const std::function<std::string(const std::string&, int)>& keyOf,
           FuzzyCheckResult& result) {
    ReadRecords(listBytes);
    ReadLinks(linkBytes);
    result.keys += static_cast<int64_t>(records_.size());
    result.links += static_cast<int64_t>(links_.size());
    LinkWords();
    if (keyOf) CheckKeys(keyOf);
  }

 private:
  std::string Where() const { return "fuzzy level " + std::to_string(level_) + ": "; }
  void Problem(const std::string& text) const { problem_(Where() + text); }

  void ReadRecords(const std::string& bytes) {
    if (bytes.size() % layout::kWortRecordSize != 0) Problem("partial key record at the end");
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t r = 0; r < bytes.size() / layout::kWortRecordSize; ++r) {
      const std::span<const uint8_t> rec(data + r * layout::kWortRecordSize,
                                         layout::kWortRecordSize);
      Record record{ReadShortString(rec, layout::kWortOffset, layout::kWortCapacity),
                    ReadInt32(rec, layout::kVonOffset), ReadInt32(rec, layout::kBisOffset)};
      const std::string where = "key record " + std::to_string(r + 1) + " " + Quoted(record.key);
      if (rec[layout::kWortOffset] > layout::kWortCapacity) Problem(where + ": length above 30");
      if (!records_.empty() && WortVergleich(records_.back().key, record.key) >= 0)
        Problem(where + ": out of order or repeated");
      records_.push_back(std::move(record));
    }
  }

  void ReadLinks(const std::string& bytes) {
    if (bytes.size() % 4 != 0) Problem("partial link at the end");
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t k = 0; k < bytes.size() / 4; ++k) {
      const int32_t index = ReadInt32(std::span<const uint8_t>(data + k * 4, 4), 0);
      if (index < 0 || static_cast<size_t>(index) >= words_.size())
        Problem("link " + std::to_string(k) + " names word record " + std::to_string(index) +
                " outside the word list (" + std::to_string(words_.size()) + " words)");
      links_.push_back(index);
    }
  }

  // Walks the ranges: contiguous from 0 to the last link; notes the record linking each word.
  void LinkWords() {
    linkedFrom_.assign(words_.size(), kNotLinked);
    int64_t expected = 0;
    const auto size = static_cast<int64_t>(links_.size());
    for (size_t r = 0; r < records_.size(); ++r) {
      const Record& record = records_[r];
      const std::string where = "key record " + std::to_string(r + 1) + " " + Quoted(record.key);
      if (record.von < 0 || record.von > record.bis || record.bis >= size) {
        Problem(where + ": bad link range " + std::to_string(record.von) + ".." +
                std::to_string(record.bis) + " (" + std::to_string(size) + " links)");
        continue;
      }
      if (record.von != expected)
        Problem(where + ": range starts at " + std::to_string(record.von) + ", expected " +
                std::to_string(expected));
      expected = static_cast<int64_t>(record.bis) + 1;
      for (int32_t k = record.von; k <= record.bis; ++k) {
        const int32_t index = links_[static_cast<size_t>(k)];
        if (index < 0 || static_cast<size_t>(index) >= words_.size()) continue;
        int64_t& from = linkedFrom_[static_cast<size_t>(index)];
        if (from != kNotLinked)
          Problem("word " + Quoted(words_[static_cast<size_t>(index)]) + " linked more than once");
        from = static_cast<int64_t>(r);
      }
    }
    if (expected != size)
      Problem("the ranges end at link " + std::to_string(expected) + " of " + std::to_string(size));
    for (size_t i = 0; i < words_.size(); ++i)
      if (linkedFrom_[i] == kNotLinked) Problem("word " + Quoted(words_[i]) + " is not linked");
  }

  // Every word must be found from its own key, as the word query looks it up.
  void CheckKeys(const std::function<std::string(const std::string&, int)>& keyOf) {
    std::unordered_map<std::string, size_t> byKey;
    for (size_t r = 0; r < records_.size(); ++r) byKey.emplace(Normalisieren(records_[r].key), r);
    for (size_t i = 0; i < words_.size(); ++i) {
      const std::string key = Normalisieren(keyOf(words_[i], level_));
      const auto found = byKey.find(key);
      if (key.empty()) {
        Problem("word " + Quoted(words_[i]) + " has no key");
      } else if (found == byKey.end()) {
        Problem("word " + Quoted(words_[i]) + ": its key " + Quoted(key) + " is not listed");
      } else if (linkedFrom_[i] != static_cast<int64_t>(found->second)) {
        Problem("word " + Quoted(words_[i]) + " is not linked from its key " + Quoted(key));
      }
    }
  }

  int level_;
  const std::vector<std::string>& words_;
  const std::function<void(const std::string&)>& problem_;
  std::vector<Record> records_;
  std::vector<int32_t> links_;
  std::vector<int64_t> linkedFrom_;  // per word: the record linking it, kNotLinked when none
};

}  // namespace

FuzzyCheckResult CheckFuzzyLists(const std::string& dataDir, const std::string& libraryId,
                                 const std::vector<std::string>& words,
                                 const std::function<std::string(const std::string&, int)>& keyOf,
                                 const std::function<void(const std::string&)>& problem) {
  FuzzyCheckResult result;
  result.present = !libraryId.empty();
  for (int level = 1; level <= builder::kFuzzyLevels && !result.present; ++level) {
    result.present = ResolveExisting(JoinPath(dataDir, builder::FuzzyWordListName(level))) ||
                     ResolveExisting(JoinPath(dataDir, builder::FuzzyLinkFileName(level)));
  }
  if (!result.present) return result;
  if (libraryId.empty()) problem("fuzzy word lists without a fuzzy library identifier ('o')");
  for (int level = 1; level <= builder::kFuzzyLevels; ++level) {
    const std::string listName = builder::FuzzyWordListName(level);
    const std::string linkName = builder::FuzzyLinkFileName(level);
    const std::optional<std::string> list = ReadData(dataDir, listName);
    const std::optional<std::string> links = ReadData(dataDir, linkName);
    if (!list) problem("cannot read " + listName);
    if (!links) problem("cannot read " + linkName);
    if (list && links) LevelCheck(level, words, problem).Run(*list, *links, keyOf, result);
  }
  return result;
}

}  // namespace quillmar::cli
