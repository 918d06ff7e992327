// The derived hit index must give exactly the hits fundst.dat gives, be used only while it was
// made from the collection files as they are, and never be trusted when its bytes are damaged.

#include "retrieval/hit_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/paths.h"
#include "builder/build_collection.h"
#include "builder/source_parser.h"
#include "retrieval/hit_cache.h"
#include "retrieval/hit_file.h"
#include "retrieval/hit_query.h"
#include "retrieval/index_layout.h"
#include "support/temp_dir.h"

namespace quillmar::retrieval {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Every field of a hit, so that two lists compare field by field.
std::string Text(const std::vector<TFundstelle>& hits) {
  std::ostringstream s;
  for (const TFundstelle& h : hits) {
    s << int{h.TextNr} << ' ' << int{h.Textteil} << ' ' << h.Position << ' ' << h.Seite << ' '
      << h.Zeile << ' ' << h.AbsatzKennung1 << ' ' << h.WortNr << ' ' << int{h.Sprache} << ' '
      << int{h.Datum1.Tag} << '.' << int{h.Datum1.Monat} << '.' << h.Datum1.Jahr << '/'
      << h.Datum1.Jahr2 << ' ' << int{h.Datum2.Tag} << '.' << int{h.Datum2.Monat} << '.'
      << h.Datum2.Jahr << '/' << h.Datum2.Jahr2 << ' ' << int{h.Kapitel} << ' '
      << int{h.Unterkapitel} << ' ' << int{h.AbsatzKennung2} << ' ' << h.AbsatzKennung3 << '\n';
  }
  return s.str();
}

class HitIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HitIndexStore::Instance().Leeren();
    HitCache::Instance().Leeren();
    const fs::path sample = fs::path(QUILLMAR_SOURCE_DIR) / "samples/sample";
    std::ifstream in(sample / "sample.qms", std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    builder::BuildCollection(builder::MergeSources({builder::ParseSource(source.str(), "s.qms")}),
                             cd_.path(), (sample / "media").string());
    data_ = JoinPath(cd_.path(), "data");
    beside_ = JoinPath(data_, HitIndex::kFileName);
    fundst_ = JoinPath(data_, index_layout::kFundstellenName);
    wortlst_ = JoinPath(data_, index_layout::kWortListeName);
  }
  void TearDown() override {
    HitIndexStore::Instance().Leeren();
    HitCache::Instance().Leeren();
  }

  HitIndexSources Sources() const {
    return HitIndexSources{*StampFile(wortlst_), *StampFile(fundst_)};
  }
  std::vector<HitRange> Ranges() const {
    const std::string bytes = test::ReadFile(wortlst_);
    std::vector<HitRange> ranges;
    for (size_t at = 0; at + 40 <= bytes.size(); at += 40) {
      const std::span<const uint8_t> rec(reinterpret_cast<const uint8_t*>(bytes.data()) + at, 40);
      ranges.push_back(HitRange{ReadInt32(rec, 32), ReadInt32(rec, 36)});
    }
    return ranges;
  }
  // The range's hits read with `index` bound (null: from fundst.dat alone).
  std::vector<TFundstelle> Load(const HitRange& range, std::shared_ptr<const HitIndex> index) {
    TFundstellenDateiAnfrage datei;
    datei.Binden(fundst_);
    datei.BindIndex(std::move(index));
    return datei.LoadSorted(range);
  }
  // Every word's hits, as a search reads them with the given use of indexes.
  std::string Search(HitIndexUse use, const std::string& cache = {}) {
    HitCache::Instance().Leeren();
    SearchCatalog katalog;
    CollectionSearchInfo info;
    info.CDID = "QMSA0001";
    info.Path = cd_.path();
    katalog.Hinzufuegen(info);
    katalog.HitIndexes = use;
    katalog.CacheDirectory = cache;
    TFundstellenAnfrage anfrage(katalog, nullptr);
    anfrage.Stufe = 0;
    anfrage.SetzeCD("QMSA0001");
    std::string out;
    for (const char* word : {"the", "and", "of", "a*", "*s", "light", "nothing-like-it"}) {
      anfrage.Suche(word);
      for (const auto& e : anfrage.Ergebnis().EntryList())
        out += Text({e.Fundstelle}) + e.Anzeige.AnzeigeText() + "\n";
      out += "--\n";
    }
    return out;
  }
  // Sets a file's modification time to `t` (writes within one clock tick may leave it as it was).
  static void SetTime(const std::string& path, fs::file_time_type t) {
    fs::last_write_time(FsPath(path), t);
  }

  TempDir cd_;
  TempDir cache_;
  std::string data_, beside_, fundst_, wortlst_;
};

// Every word of the collection in cd_ read through its index exactly as from fundst.dat, also
// from any hit's key on; returns the most hits of a word.
size_t CheckEveryWord(
    const std::string& beside, const HitIndexSources& sources, const std::vector<HitRange>& ranges,
    const std::function<std::vector<TFundstelle>(const HitRange&, std::shared_ptr<const HitIndex>)>&
        load) {
  const auto index = HitIndex::Open(beside, sources);
  EXPECT_TRUE(index);
  if (!index) return 0;
  EXPECT_EQ(index->WordCount(), ranges.size());
  std::ifstream in;
  EXPECT_TRUE(OpenForReading(in, beside));
  std::vector<uint8_t> buffer;
  size_t longest = 0;
  for (const HitRange& r : ranges) {
    const std::vector<TFundstelle> plain = load(r, nullptr);
    EXPECT_EQ(Text(plain), Text(load(r, index))) << r.Von << ".." << r.Bis;
    longest = std::max(longest, plain.size());
    HitIndex::Word word;
    EXPECT_EQ(index->Find(in, r.Von, r.Bis + 1, word, buffer), HitIndex::Lookup::kMissing);
    EXPECT_EQ(index->Find(in, r.Von, r.Bis, word, buffer), HitIndex::Lookup::kFound);
    // From any hit's key on: the skip entries find the block, and no hit before the key comes.
    for (size_t k = 0; k < plain.size(); k += 1 + plain.size() / 7) {
      std::vector<TFundstelle> tail;
      EXPECT_TRUE(index->Read(in, word, tail, buffer, HitKey(plain[k])));
      size_t first = k;
      while (first > 0 && HitKey(plain[first - 1]) == HitKey(plain[k])) --first;
      EXPECT_EQ(Text(tail),
                Text({plain.begin() + static_cast<std::ptrdiff_t>(first), plain.end()}));
    }
  }
  return longest;
}

TEST_F(HitIndexTest, EveryWordReadsExactlyAsFromTheHitFileAlsoFromAnyKey) {
  const auto load = [this](const HitRange& r, std::shared_ptr<const HitIndex> index) {
    return Load(r, std::move(index));
  };
  EXPECT_GT(Ranges().size(), 100u);
  CheckEveryWord(beside_, Sources(), Ranges(), load);
  EXPECT_EQ(Search(HitIndexUse::kOff), Search(HitIndexUse::kBeside));

  // Words of many blocks, over text parts, layers, chapters, pages and dates.
  std::mt19937 rng(4);
  const char* const vocabulary[] = {"the", "of", "and", "light", "darkness", "a", "is"};
  std::string source =
      "@collection QMSA0001\n@title Many\n@version 1.0\n@text t\n@number 1\n@title One\n"
      "@lang en\n@date 3.4.1850\n";
  for (int p = 0; p < 600; ++p) {
    if (p % 40 == 0) source += "@chapter C" + std::to_string(p / 40) + "\n";
    if (p % 15 == 0) source += "@page " + std::to_string(p / 15 + 1) + "\n";
    if (p % 11 == 3) source += "@heading the " + std::string(vocabulary[rng() % 7]) + "\n";
    for (int w = 3 + static_cast<int>(rng() % 9); w > 0; --w) {
      source += std::string(vocabulary[rng() % 7]) + " ";
      if (rng() % 19 == 0) source += "{fn:the of} ";
    }
    source += "\n\n";
  }
  builder::BuildCollection(builder::MergeSources({builder::ParseSource(source, "m.qms")}),
                           cd_.path(), "");
  HitIndexStore::Instance().Leeren();
  EXPECT_GT(CheckEveryWord(beside_, Sources(), Ranges(), load), 3 * HitIndex::kBlockHits);
  EXPECT_EQ(Search(HitIndexUse::kOff), Search(HitIndexUse::kBeside));
}

TEST_F(HitIndexTest, AStaleIndexIsNeverUsedAndIsRebuiltInTheCache) {
  const std::string plain = Search(HitIndexUse::kOff);
  const auto built = fs::last_write_time(FsPath(fundst_));
  const std::vector<HitRange> ranges = Ranges();
  const HitRange most = *std::max_element(
      ranges.begin(), ranges.end(), [](auto& a, auto& b) { return a.Bis - a.Von < b.Bis - b.Von; });
  // A hit's position changes in place: the same size, a later modification time.
  {
    std::fstream f(FsPath(fundst_), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(most.Von * 44 + static_cast<std::streamoff>(index_layout::kPositionOffset) + 1);
    f.put('\x7f');
  }
  SetTime(fundst_, built + std::chrono::seconds(2));
  const std::string changed = Search(HitIndexUse::kOff);
  ASSERT_NE(changed, plain);
  EXPECT_FALSE(HitIndex::Open(beside_, Sources()));
  EXPECT_EQ(Search(HitIndexUse::kBeside), changed);
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), changed);
  const std::string cached = HitIndexStore::CachePath(cache_.path(), Sources().fundstellen.path);
  const auto rebuilt =
      HitIndexStore::Instance().Find(Sources(), HitIndexUse::kBesideOrCache, cache_.path());
  ASSERT_TRUE(rebuilt);
  EXPECT_EQ(rebuilt->Path(), cached);

  // A record more at the end and the old time again: only the size tells.
  test::WriteFile(fundst_, test::ReadFile(fundst_) + std::string(44, '\0'));
  SetTime(fundst_, built + std::chrono::seconds(2));
  HitIndexStore::Instance().Leeren();
  EXPECT_FALSE(HitIndex::Open(cached, Sources()));
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), changed);
  EXPECT_TRUE(HitIndex::Open(cached, Sources()));  // rebuilt for the files as they are now

  // An index used from the cache is marked as used, so that pruning the cache keeps it.
  SetTime(cached, fs::file_time_type::clock::now() - std::chrono::hours(24 * 100));
  HitIndexStore::Instance().Leeren();
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), changed);
  EXPECT_LT(fs::file_time_type::clock::now() - fs::last_write_time(FsPath(cached)),
            std::chrono::hours(1));
}

// The cache of derived indexes stays bounded: unused indexes go after 90 days, then the least
// recently used beyond the size limit, and temporary files of builds that died after an hour.
// The index just built, a build in progress and files of other names stay.
TEST(HitIndexCacheTest, PruningKeepsTheCacheBounded) {
  TempDir dir;
  const auto now = fs::file_time_type::clock::now();
  auto file = [&](const std::string& name, size_t size, int hoursOld) {
    const std::string path = JoinPath(dir.path(), name);
    test::WriteFile(path, std::string(size, 'x'));
    fs::last_write_time(FsPath(path), now - std::chrono::hours(hoursOld));
    return path;
  };
  file("00000000000000a1.qmx", 100, 24 * 100);
  file("00000000000000a2.qmx", 100, 24 * 10);
  file("00000000000000a3.qmx", 100, 24 * 5);
  file("00000000000000a4.qmx", 100, 1);
  const std::string built = file("00000000000000a5.qmx", 100, 24 * 200);
  file("00000000000000a6.qmx.new-0000000000000001", 50, 2);
  file("00000000000000a7.qmx.new-0000000000000002", 50, 0);
  file("notes.txt", 10, 24 * 365);
  PruneHitIndexCache(dir.path(), built, 350);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(FsPath(dir.path())))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{
                      "00000000000000a3.qmx", "00000000000000a4.qmx", "00000000000000a5.qmx",
                      "00000000000000a7.qmx.new-0000000000000002", "notes.txt"}));
}

TEST_F(HitIndexTest, ADamagedIndexIsIgnoredAndRebuilt) {
  const std::string plain = Search(HitIndexUse::kOff);
  const std::string good = test::ReadFile(beside_);
  const auto index = HitIndex::Open(beside_, Sources());
  ASSERT_TRUE(index);
  // The word with the most hits, which the searches below read.
  const std::vector<HitRange> ranges = Ranges();
  const HitRange most = *std::max_element(
      ranges.begin(), ranges.end(), [](auto& a, auto& b) { return a.Bis - a.Von < b.Bis - b.Von; });
  std::ifstream in;
  ASSERT_TRUE(OpenForReading(in, beside_));
  std::vector<uint8_t> buffer;
  HitIndex::Word the;
  ASSERT_EQ(index->Find(in, most.Von, most.Bis, the, buffer), HitIndex::Lookup::kFound);
  in.close();
  const uint64_t table =
      ReadInt32(std::span(reinterpret_cast<const uint8_t*>(good.data()), good.size()), 48);
  struct Damage {
    const char* what;
    std::function<void(std::string&)> apply;
  };
  const Damage damages[] = {
      {"empty", [](std::string& b) { b.clear(); }},
      {"header cut", [](std::string& b) { b.resize(40); }},
      {"table cut", [](std::string& b) { b.resize(b.size() - 10); }},
      {"bytes appended", [](std::string& b) { b += "xx"; }},
      {"wrong magic", [](std::string& b) { b[0] = 'X'; }},
      {"newer version", [](std::string& b) { b[8] = 2; }},
      {"table offset past the end", [](std::string& b) { b[55] = 0x40; }},
      {"word count huge", [](std::string& b) { b[59] = 0x7f; }},
      {"a word's length huge", [&](std::string& b) { b[table + 19] = 0x7f; }},
      {"the table's directory", [](std::string& b) { b[b.size() - 5] ^= 1; }},
      {"a skip entry", [&](std::string& b) { b[the.offset + 5] ^= 1; }},
      {"a block's bytes", [&](std::string& b) { b[the.offset + the.length - 3] ^= 0x10; }},
      {"the last byte of a word", [&](std::string& b) { b[the.offset + the.length - 1] ^= 1; }},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::string bytes = good;
    d.apply(bytes);
    test::WriteFile(beside_, bytes);
    HitIndexStore::Instance().Leeren();
    EXPECT_EQ(Search(HitIndexUse::kBeside), plain);
    // With a cache: the damaged index is passed over and a sound one built there.
    EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), plain);
    const auto used =
        HitIndexStore::Instance().Find(Sources(), HitIndexUse::kBesideOrCache, cache_.path());
    ASSERT_TRUE(used);
    EXPECT_NE(used->Path(), beside_);
  }

  // Any byte flipped anywhere: never a different result (nor a crash).
  std::mt19937 rng(12);
  for (int i = 0; i < 60; ++i) {
    std::string bytes = good;
    const size_t at = rng() % bytes.size();
    bytes[at] = static_cast<char>(bytes[at] ^ (1 + rng() % 255));
    test::WriteFile(beside_, bytes);
    HitIndexStore::Instance().Leeren();
    ASSERT_EQ(Search(HitIndexUse::kBeside), plain) << "byte " << at;
  }

  // A damaged index in the cache is removed when found out and built anew by the next search.
  fs::remove(FsPath(beside_));
  HitIndexStore::Instance().Leeren();
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), plain);
  const std::string cached = HitIndexStore::CachePath(cache_.path(), Sources().fundstellen.path);
  test::FlipByte(cached, the.offset + the.length - 2, 0x04);
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), plain);
  EXPECT_FALSE(fs::exists(FsPath(cached)));
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.path()), plain);
  EXPECT_TRUE(HitIndex::Open(cached, Sources()));
}

TEST_F(HitIndexTest, WithoutAWritableCacheTheHitFileServes) {
  fs::remove(FsPath(beside_));
  const std::string plain = Search(HitIndexUse::kOff);
  test::WriteFile(cache_.Sub("blocked"), "a file where the cache directory should be");
  EXPECT_EQ(Search(HitIndexUse::kBesideOrCache, cache_.Sub("blocked")), plain);
  EXPECT_FALSE(HitIndexStore::Instance().Find(Sources(), HitIndexUse::kBesideOrCache,
                                              cache_.Sub("blocked")));
  // Nothing half-written is left behind when a build fails.
  EXPECT_EQ(std::distance(fs::directory_iterator(FsPath(cache_.path())), fs::directory_iterator()),
            1);
}

}  // namespace
}  // namespace quillmar::retrieval
