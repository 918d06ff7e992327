#include "cli/check_command.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/paths.h"
#include "builder/word_splitter.h"
#include "cli/fuzzy_check.h"
#include "cli/session.h"
#include "collection/text_info.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/stream_codes.h"
#include "text/word_collector.h"

namespace quillmar::cli {

namespace layout = index_layout;

namespace {

constexpr int kShownProblems = 20;
constexpr size_t kHitsPerBlock = 1 << 16;  // 2.8 MB of hit records per read

// Counts problems and shows the first kShownProblems of them.
class Problems {
 public:
  explicit Problems(std::ostream& err) : err_(err) {}
  void Add(const std::string& line) {
    if (++count_ <= kShownProblems) err_ << "quillmar: " << line << "\n";
  }
  int64_t Count() const { return count_; }

 private:
  std::ostream& err_;
  int64_t count_ = 0;
};

struct WordRecord {
  std::string word;  // Windows-1252, at most 30 bytes
  int32_t first = 0;
  int32_t last = -1;
  bool usable = false;  // the range lies inside the hit file
};

std::string Quoted(std::string_view word) { return "\"" + Cp1252ToUtf8(word) + "\""; }

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in;
  if (!OpenForReading(in, path)) return std::nullopt;
  std::string bytes = ReadAll(in);
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::optional<std::string> FindDataFile(const std::string& dataDir, const char* name) {
  return ResolveExisting(JoinPath(dataDir, name));
}

// Reads hit records through a buffer of kHitsPerBlock records.
class HitReader {
 public:
  HitReader(const std::string& path, int64_t count) : count_(count) { OpenForReading(in_, path); }
  bool IsOpen() const { return in_.is_open(); }

  // The record of hit i (0 <= i < count), or an empty span when it cannot be read.
  std::span<const uint8_t> Get(int64_t i) {
    if (i < first_ || i >= first_ + loaded_) {
      first_ = i;
      loaded_ = std::min<int64_t>(static_cast<int64_t>(kHitsPerBlock), count_ - i);
      buffer_.resize(static_cast<size_t>(loaded_) * layout::kFundstelleSize);
      in_.clear();
      in_.seekg(i * static_cast<int64_t>(layout::kFundstelleSize));
      in_.read(reinterpret_cast<char*>(buffer_.data()),
               static_cast<std::streamsize>(buffer_.size()));
      loaded_ = in_.gcount() / static_cast<int64_t>(layout::kFundstelleSize);
      if (loaded_ <= 0) return {};
    }
    return std::span<const uint8_t>(buffer_).subspan(
        static_cast<size_t>(i - first_) * layout::kFundstelleSize, layout::kFundstelleSize);
  }

 private:
  std::ifstream in_;
  int64_t count_;
  int64_t first_ = 0;
  int64_t loaded_ = 0;
  std::vector<uint8_t> buffer_;
};

// The indexed words of one layer of one text: word-list form by start position.
struct LayerWords {
  std::string failure;  // why the layer could not be decoded; empty when it was
  std::vector<std::pair<int32_t, std::string>> words;  // sorted by position
};

// Collects the words of a paragraph the way the index builder sees them.
// The index words of a paragraph's words with their start positions, as the index writer forms
// them: link marks and shown texts are not indexed.
void AddIndexWords(const std::vector<StreamWord>& found,
                   std::vector<std::pair<int32_t, std::string>>& words) {
  for (const StreamWord& w : found) {
    if (w.link) continue;
    std::string word =
        builder::WordListForm(builder::IndexWord(w.bytes, w.font_code == stream::kGreekFont));
    if (!word.empty()) words.emplace_back(w.start_position, std::move(word));
  }
}

class IndexCheck {
 public:
  IndexCheck(TTextInfo& info, Problems& problems) : info_(info), problems_(problems) {}

  // Reads the word list and checks its records and ranges against `hitCount` hits.
  void ReadWordList(const std::string& bytes, int64_t hitCount) {
    const size_t n = bytes.size() / layout::kWortRecordSize;
    if (bytes.size() % layout::kWortRecordSize != 0)
      problems_.Add("word list: partial record at the end");
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    int64_t expected = 0;  // the next record's Von
    for (size_t r = 0; r < n; ++r) {
      const std::span<const uint8_t> rec(data + r * layout::kWortRecordSize,
                                         layout::kWortRecordSize);
      WordRecord w;
      w.word = ReadShortString(rec, layout::kWortOffset, layout::kWortCapacity);
      w.first = ReadInt32(rec, layout::kVonOffset);
      w.last = ReadInt32(rec, layout::kBisOffset);
      const std::string where = "word list record " + std::to_string(r + 1) + " " + Quoted(w.word);
      if (rec[layout::kWortOffset] > layout::kWortCapacity)
        problems_.Add(where + ": length above 30");
      if (!words_.empty()) {
        const std::string& prev = words_.back().word;
        const int c = WortVergleich(prev, w.word);
        if (c > 0 || (c == 0 && prev >= w.word)) problems_.Add(where + ": out of order");
      }
      if (w.first < 0 || w.first > w.last || w.last >= hitCount) {
        problems_.Add(where + ": bad hit range " + std::to_string(w.first) + ".." +
                      std::to_string(w.last) + " (" + std::to_string(hitCount) + " hits)");
      } else {
        w.usable = true;
        if (w.first != expected)
          problems_.Add(where + ": range starts at " + std::to_string(w.first) + ", expected " +
                        std::to_string(expected));
        expected = static_cast<int64_t>(w.last) + 1;
      }
      words_.push_back(std::move(w));
    }
    if (expected != hitCount)
      problems_.Add("word list: the ranges end at hit " + std::to_string(expected) + " of " +
                    std::to_string(hitCount));
  }

  // Checks the hits of every usable range; returns the number of hits checked.
  int64_t CheckHits(HitReader& hits) {
    int64_t checked = 0;
    for (const WordRecord& w : words_) {
      if (!w.usable) continue;
      std::tuple<int, int32_t, int> previous{0, 0, 0};
      for (int64_t i = w.first; i <= w.last; ++i) {
        const std::span<const uint8_t> rec = hits.Get(i);
        if (rec.empty()) {
          problems_.Add("hit file: cannot read hit " + std::to_string(i));
          return checked;
        }
        ++checked;
        const int text = rec[layout::kTextNrOffset];
        // The layer the reader opens a hit in follows from its text part.
        const int layer = TTextInfo::KindLayer(rec[layout::kTextteilOffset]);
        const int32_t position = ReadInt32(rec, layout::kPositionOffset);
        const std::tuple<int, int32_t, int> here{text, position, layer};
        // Built only for a problem: most hits have none, and there are hundreds of thousands.
        const auto where = [&] {
          return "word " + Quoted(w.word) + " text " + std::to_string(text) + " layer " +
                 std::to_string(layer) + " position " + std::to_string(position) + ": ";
        };
        if (here < previous) problems_.Add(where() + "hit out of order");
        previous = here;
        const LayerWords& layerWords = Layer(text, layer);
        if (!layerWords.failure.empty()) {
          problems_.Add(where() + layerWords.failure);
          continue;
        }
        const auto& v = layerWords.words;
        auto it = std::lower_bound(v.begin(), v.end(), position,
                                   [](const auto& e, int32_t p) { return e.first < p; });
        if (it == v.end() || it->first != position) {
          problems_.Add(where() + "no indexed word starts here");
          continue;
        }
        bool same = false;
        for (auto j = it; j != v.end() && j->first == position && !same; ++j)
          same = j->second == w.word;
        if (!same) problems_.Add(where() + "the text has " + Quoted(it->second) + " here");
      }
    }
    return checked;
  }

  size_t WordCount() const { return words_.size(); }
  std::vector<std::string> Words() const {
    std::vector<std::string> words;
    words.reserve(words_.size());
    for (const WordRecord& w : words_) words.push_back(w.word);
    return words;
  }

 private:
  const LayerWords& Layer(int text, int layer) {
    const auto key = std::make_pair(text, layer);
    auto found = layers_.find(key);
    if (found != layers_.end()) return found->second;
    LayerWords& out = layers_[key];
    try {
      if (text < 1 || text > info_.RecordCount()) {
        out.failure = "no such text in the catalog";
        return out;
      }
      info_.Select(text);
      if (info_.CurrentText() != text) {
        out.failure = "the text's catalog slot is empty";
        return out;
      }
      const std::string file = layer == 1   ? info_.GetLayer1DateiName()
                               : layer == 2 ? info_.GetLayer2DateiName()
                                            : info_.GetLayer3DateiName();
      const std::optional<std::string> bytes =
          file.empty() ? std::nullopt : ReadBytes(ResolveExisting(file).value_or(file));
      if (!bytes) {
        out.failure = "the layer's stream file cannot be read";
        return out;
      }
      for (const TAbsatzDataRecord& paragraph : ParagraphCutter::Split(*bytes)) {
        WordCollector collector;
        try {
          ParagraphParser().Parse(paragraph.text, paragraph.start, collector);
        } catch (const Exception& e) {
          problems_.Add("text " + std::to_string(text) + " layer " + std::to_string(layer) +
                        ": paragraph at " + std::to_string(paragraph.start) +
                        " cannot be decoded: " + e.what());
        }
        // The words read before a damaged paragraph's fault count as well.
        AddIndexWords(collector.Words(), out.words);
      }
      std::stable_sort(out.words.begin(), out.words.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
    } catch (const Exception& e) {
      out.failure = std::string("the catalog cannot be read: ") + e.what();
      out.words.clear();
    }
    return out;
  }

  TTextInfo& info_;
  Problems& problems_;
  std::vector<WordRecord> words_;
  std::map<std::pair<int, int>, LayerWords> layers_;
};

// The key conversion of --fuzzy MODULE through the session's plug-in manager; none without it.
std::function<std::string(const std::string&, int)> ModuleKeys(Session& session,
                                                               const std::string& module,
                                                               const std::string& libraryId,
                                                               Problems& problems) {
  if (module.empty()) return {};
  const std::string id = session.Plugins().RegisterModule(
      Utf8Path(std::filesystem::absolute(FsPath(module)).lexically_normal()));
  if (id.empty()) throw AlreadyReported{};
  const std::string moduleId = Utf8ToCp1252(id);
  if (moduleId != libraryId)
    problems.Add("the module is " + id + ", the collection's fuzzy library is " +
                 Quoted(libraryId));
  TPlugInManager& manager = session.Plugins();
  return [&manager, moduleId](const std::string& word, int level) {
    return manager.Phoneme(moduleId, word, level);
  };
}

}  // namespace

int RunCheck(const Arguments& args, const std::string& argv0, std::ostream& out,
             std::ostream& err) {
  if (args.collections.size() != 1) throw UsageError("check needs one --collection DIR");
  if (!args.positional.empty())
    throw UsageError("unexpected argument '" + args.positional[0] + "'");
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  const std::string catalogFile = catalog.GetTextInfoFile(session.Selected().front());
  TTextInfo info(&catalog.Prompts());
  if (!info.Load(catalogFile)) throw AlreadyReported{};
  const std::string dataDir = DirectoryOf(catalogFile);

  Problems problems(err);
  const std::optional<std::string> wordPath = FindDataFile(dataDir, layout::kWortListeName);
  const std::optional<std::string> hitPath = FindDataFile(dataDir, layout::kFundstellenName);
  const std::optional<std::string> wordBytes = wordPath ? ReadBytes(*wordPath) : std::nullopt;
  std::ifstream::pos_type hitSize = -1;
  if (hitPath) {
    std::ifstream hits;
    if (OpenForReading(hits, *hitPath)) hitSize = hits.seekg(0, std::ios::end).tellg();
  }
  if (!wordBytes) problems.Add(std::string("cannot read ") + layout::kWortListeName);
  if (hitSize < 0) problems.Add(std::string("cannot read ") + layout::kFundstellenName);

  IndexCheck check(info, problems);
  int64_t checked = 0;
  if (wordBytes && hitSize >= 0) {
    const int64_t size = hitSize;
    if (size % static_cast<int64_t>(layout::kFundstelleSize) != 0)
      problems.Add("hit file: partial record at the end");
    const int64_t hitCount = size / static_cast<int64_t>(layout::kFundstelleSize);
    check.ReadWordList(*wordBytes, hitCount);
    HitReader hits(*hitPath, hitCount);
    checked = check.CheckHits(hits);
  }
  if (wordBytes) {
    const std::string cdid = session.Selected().front();
    const FuzzyCheckResult fuzzy =
        CheckFuzzyLists(dataDir, catalog.GetFSID(cdid), check.Words(),
                        ModuleKeys(session, args.fuzzyModule, catalog.GetFSID(cdid), problems),
                        [&problems](const std::string& line) { problems.Add(line); });
    if (fuzzy.present)
      out << "fuzzy lists: " << fuzzy.keys << " keys, " << fuzzy.links << " links checked"
          << (args.fuzzyModule.empty() ? "" : ", every word found from its key") << "\n";
  }
  out << check.WordCount() << " words, " << checked << " hits checked, " << problems.Count()
      << " problems\n";
  return problems.Count() == 0 ? 0 : 1;
}

}  // namespace quillmar::cli
