#include "builder/fuzzy_lists.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "builder/build_collection.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "phonetic_rules.h"
#include "retrieval/complex_query.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_key.h"
#include "support/catalog_fixture.h"
#include "support/temp_dir.h"

namespace quillmar::builder {
namespace {

struct ListRecord {
  std::string key;
  int32_t von = 0;
  int32_t bis = 0;
};

std::vector<ListRecord> ReadList(const std::string& path) {
  const std::string bytes = test::ReadFile(path);
  EXPECT_EQ(bytes.size() % 40, 0u) << path;
  std::vector<ListRecord> records;
  for (size_t at = 0; at + 40 <= bytes.size(); at += 40) {
    const std::span<const uint8_t> r(reinterpret_cast<const uint8_t*>(bytes.data()) + at, 40);
    records.push_back({ReadShortString(r, 0, 30), ReadInt32(r, 32), ReadInt32(r, 36)});
  }
  return records;
}

std::vector<int32_t> ReadLinks(const std::string& path) {
  const std::string bytes = test::ReadFile(path);
  EXPECT_EQ(bytes.size() % 4, 0u) << path;
  std::vector<int32_t> links;
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4)
    links.push_back(
        ReadInt32(std::span(reinterpret_cast<const uint8_t*>(bytes.data()) + at, 4), 0));
  return links;
}

IndexEntry Entry(int32_t position, std::string word) {
  IndexEntry e;
  e.text = 1;
  e.position = position;
  e.word = std::move(word);
  return e;
}

// Keys: the first `level` letters of the word in capitals; "Ü" for words starting with "u" (its
// word key is "ue"), nothing for "x".
std::string FakeKey(const std::string& word, int level) {
  if (word[0] == 'x') return "";
  if (word[0] == 'u') return "\xDC";
  std::string key = word.substr(0, static_cast<size_t>(level));
  for (char& c : key) c = static_cast<char>(c - 'a' + 'A');
  return key;
}

TEST(FuzzyListsTest, EveryLevelListsEachKeyOnceAndLinksEveryWordOnce) {
  test::TempDir dir;
  BuildOptions options;
  options.fuzzy = FuzzyKeySource{"FAKE", FakeKey};
  // Word-list order: abend abraham ada uhu x zorn.
  WriteIndex({Entry(1, "Zorn"), Entry(2, "abraham"), Entry(3, "Abend"), Entry(4, "ada"),
              Entry(5, "uhu"), Entry(6, "x"), Entry(7, "abend")},
             dir.path(), options);
  const std::vector<std::vector<std::string>> expected = {
      {"|0-0", "a|1-3", "ue|4-4", "z|5-5"},  // level 1: abend abraham ada share "a"
      {"|0-0", "ab|1-2", "ad|3-3", "ue|4-4", "zo|5-5"},
      {"|0-0", "abe|1-1", "abr|2-2", "ada|3-3", "ue|4-4", "zor|5-5"},
      {"|0-0", "aben|1-1", "abra|2-2", "ada|3-3", "ue|4-4", "zorn|5-5"}};
  for (int level = 1; level <= kFuzzyLevels; ++level) {
    std::vector<std::string> listed;
    for (const ListRecord& r : ReadList(dir.Sub(FuzzyWordListName(level))))
      listed.push_back(r.key + "|" + std::to_string(r.von) + "-" + std::to_string(r.bis));
    EXPECT_EQ(listed, expected[static_cast<size_t>(level - 1)]) << level;
    const std::vector<int32_t> links = ReadLinks(dir.Sub(FuzzyLinkFileName(level)));
    // Each key's words in word-list order: x (4), then abend abraham ada (0 1 2), uhu, zorn.
    EXPECT_EQ(links, (std::vector<int32_t>{4, 0, 1, 2, 3, 5})) << level;
  }
  EXPECT_EQ(FuzzyListKey("  M\xDCLLER-" + std::string(40, 'x')), "mueller-" + std::string(22, 'x'));
  EXPECT_EQ(FuzzyListKey(std::string(29, 'a') + " b"), std::string(29, 'a'));
}

// The rules of the phonetic module as the plug-in manager would call them.
class RulesConversion : public retrieval::PhoneticConversion {
 public:
  std::string Phoneme(const std::string& libraryId, const std::string& word, int level) override {
    return libraryId == "QMPHONET" ? phonetic::Key(word, level) : std::string();
  }
};

constexpr char kSource[] =
    "@collection FUZZ0001\n"
    "@title Fuzzy\n"
    "@property o OLDLIB\n"
    "@text j\n"
    "@title Joshua\n"
    "Adonizedek king of Jerusalem heard how Joshua had taken Ai.\n"
    "\n"
    "The king of Jerusalem sent unto the king of Hebron.\n";

TEST(FuzzyListsTest, AMisspelledWordFindsTheHitsOfItsLevel) {
  test::CatalogFixture fixture;
  const std::string root = fixture.dir.Sub("fuzz");
  BuildOptions options;
  options.fuzzy = FuzzyKeySource{"QMPHONET", phonetic::Key};
  BuildCollection(MergeSources({ParseSource(kSource, "fuzz.qms")}), root, fixture.dir.Sub("media"),
                  options);
  EXPECT_EQ(TCDInfo(root).GetFSLibraryID(), "QMPHONET");

  fixture.drives.drives = {root};
  TCalderwickData& catalog = *fixture.catalog;
  catalog.ScanCDs();
  const retrieval::SearchCatalog katalog =
      retrieval::SearchCatalog::FromCatalog(catalog, {"FUZZ0001"});
  RulesConversion rules;
  const auto positions = [&](const std::string& query, int32_t level) {
    retrieval::TKomplexAnfrage q(katalog, &rules);
    q.CDs = {"FUZZ0001"};
    q.Stufe = level;
    q.Modus = 1;
    q.Ausfuehren(query);
    EXPECT_EQ(q.Status, 0) << query;
    std::vector<int32_t> out;
    for (const auto& e : q.Ergebnis.EntryList()) out.push_back(e.Fundstelle.Position);
    return out;
  };
  const std::vector<int32_t> jerusalem = positions("Jerusalem", 0);
  ASSERT_EQ(jerusalem.size(), 2u);
  EXPECT_TRUE(positions("Jerusalm", 0).empty());
  EXPECT_TRUE(positions("Jerusalm", 1).empty());
  EXPECT_EQ(positions("Jerusalm", 2), jerusalem);
  EXPECT_EQ(positions("Hierusalem", 1), jerusalem);
  EXPECT_EQ(positions("Hebron", 2).size(), 1u);
  const std::vector<int32_t> both = positions("Jerusalem AND Hebron", 0);
  ASSERT_EQ(both.size(), 1u);
  EXPECT_EQ(positions("Jerusalm AND Hebrn", 2), both);

  // Rebuilt without a key source: no lists of the earlier build are left behind.
  BuildCollection(MergeSources({ParseSource(kSource, "fuzz.qms")}), root, fixture.dir.Sub("media"));
  EXPECT_FALSE(std::filesystem::exists(root + "/data/s2wl.dat"));
  EXPECT_FALSE(std::filesystem::exists(root + "/data/s4lnk.dat"));
}

}  // namespace
}  // namespace quillmar::builder
