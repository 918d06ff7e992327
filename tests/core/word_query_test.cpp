#include "retrieval/word_query.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "retrieval/word_key.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"
#include "word_list_bytes.h"

namespace quillmar::retrieval {
namespace {

using Vons = std::vector<int32_t>;

// What the wildcard pattern describes: "*" any run of characters, "?" exactly one.
bool Referenz(std::string_view m, std::string_view w) {
  if (m.empty()) return w.empty();
  if (m[0] == '*') return Referenz(m.substr(1), w) || (!w.empty() && Referenz(m, w.substr(1)));
  return !w.empty() && (m[0] == '?' || m[0] == w[0]) && Referenz(m.substr(1), w.substr(1));
}

TEST(MaskTest, PartsAndMatching) {
  TMaske m;
  m.Setzen("a?c*");
  ASSERT_EQ(m.Anzahl(), 2);
  EXPECT_EQ(m.Part(1).Text + m.Part(2).Text, "ac");
  EXPECT_EQ(Vons({m.Part(1).MinNach, m.Part(1).MaxNach, m.Part(2).MinVor, m.Part(2).MaxNach}),
            Vons({1, 1, 1, TMaske::kUnbounded}));
  m.Setzen("*?*");
  EXPECT_EQ(m.Anzahl(), 0);
  EXPECT_EQ(TMaske::Praefix("m\xFCl*er?"), "m\xFCl");

  const struct {
    const char *maske, *wort;
    bool passt;
  } faelle[] = {{"*e?s", "deeds", true}, {"*s?s", "asses", true},  {"ab?d", "abcd", true},
                {"ab?d", "abd", false},  {"ab?d", "abccd", false}, {"ab*d", "abd", true},
                {"ab*d", "abccd", true}, {"a*a", "aa", true},      {"an?", "an", false},
                {"?", "a", false},       {"*", "abc", false},      {"abc", "abc", true}};
  for (const auto& f : faelle) {
    m.Setzen(f.maske);
    EXPECT_EQ(m.Passt(f.wort), f.passt) << f.maske << " " << f.wort;
  }
  // Generated masks with a literal against generated words over small alphabets, where
  // overlapping and repeated parts are frequent.
  std::mt19937 rng(7);
  const auto erzeuge = [&](const std::string& alphabet, unsigned laenge) {
    std::string s;
    while (s.size() < laenge) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int i = 0; i < 60000; ++i) {
    const std::string maske = erzeuge(i % 2 ? "ab*?" : "abc*?", 1 + rng() % 9);
    const std::string wort = erzeuge(i % 2 ? "ab" : "abc", rng() % 13);
    m.Setzen(maske);
    if (m.Anzahl() == 0) continue;
    ASSERT_EQ(m.Passt(wort), Referenz(maske, wort)) << maske << " " << wort;
  }
  std::string lang;  // more literal parts than a mask holds: no match, no overrun
  for (int i = 0; i < 120; ++i) lang += "a*";
  m.Setzen(lang);
  EXPECT_FALSE(m.Passt(std::string(300, 'a')));
}

class FakePhonetik : public PhoneticConversion {
 public:
  std::string Phoneme(const std::string& libraryId, const std::string& word, int level) override {
    aufrufe.push_back(libraryId + "/" + word + "/" + std::to_string(level));
    return schluessel[word];
  }
  std::map<std::string, std::string> schluessel;
  std::vector<std::string> aufrufe;
};

class WordQueryTest : public ::testing::Test {
 protected:
  CollectionSearchInfo& Sammlung(const std::string& cdid, const std::string& woerter) {
    CollectionSearchInfo& cd = infos[cdid];
    cd.CDID = cdid;
    cd.Path = dir.Sub(cdid);
    test::WriteFile(cd.Path + "/data/wortlst.dat", woerter);
    return cd;
  }
  // Von of the records a query finds, in result order.
  Vons Finde(const std::string& cdid, const std::string& word, int stufe = 0) {
    SearchCatalog katalog;
    for (const auto& [id, info] : infos) katalog.Hinzufuegen(info);
    TWoerterAnfrage q(katalog, &phonetik);
    q.SetzeCD(cdid);
    q.Stufe = stufe;
    q.Suche(word);
    Vons von;
    for (const auto& r : q.Ergebnis().Records()) von.push_back(r.Von);
    return von;
  }
  test::TempDir dir;
  std::map<std::string, CollectionSearchInfo> infos;
  FakePhonetik phonetik;
};

TEST_F(WordQueryTest, PlainWordsAndMasks) {
  Sammlung("TEST0001",
           test::WortListeAus("ae \xE4 \xC6 daheim heim muel M\xFCl M\xFCller muem zuheim"));
  // Every record with the same key, the found one first, the others in file order.
  for (const char* w : {"ae", "\xC4", "\xE6"}) {
    Vons von = Finde("TEST0001", w);
    ASSERT_EQ(von.size(), 3u) << w;
    Vons andere = {1, 2, 3};
    andere.erase(std::find(andere.begin(), andere.end(), von[0]));
    EXPECT_EQ(Vons(von.begin() + 1, von.end()), andere) << w;
  }
  EXPECT_TRUE(Finde("TEST0001", "af").empty());
  // A prefix scan starts at the first record of the prefix's run and ends after its block.
  EXPECT_EQ(Finde("TEST0001", "M\xFCl*"), Vons({6, 7, 8}));
  EXPECT_EQ(Finde("TEST0001", "m\xFCl?er"), Vons({8}));
  EXPECT_EQ(Finde("TEST0001", "*heim"), Vons({4, 5, 10}));
  EXPECT_EQ(Finde("TEST0001", "?uem"), Vons({9}));
  for (const char* nichts : {"muek*", "zz*", "*", "?"})
    EXPECT_TRUE(Finde("TEST0001", nichts).empty());

  // Whole-list and prefix scans over 4000 words agree with the reference.
  std::vector<TWortDateiRecord> woerter;
  for (int i = 0; i < 4000; ++i) {
    char w[16];
    std::snprintf(w, sizeof w, "w%c%c%d", 'a' + i % 7, 'a' + i / 7 % 5, i);
    woerter.push_back({w, i, 0});
  }
  std::stable_sort(woerter.begin(), woerter.end(),
                   [](const auto& x, const auto& y) { return WortVergleich(x.Wort, y.Wort) < 0; });
  Sammlung("GROSS001", test::WortListeBytes(woerter));
  for (const char* maske : {"*a1*", "w?c*", "*9", "wb*7", "W*E?1*"}) {
    Vons erwartet;
    for (const auto& r : woerter)
      if (Referenz(Normalisieren(maske), r.Wort)) erwartet.push_back(r.Von);
    EXPECT_EQ(Finde("GROSS001", maske), erwartet) << maske;
  }
}

TEST_F(WordQueryTest, FuzzyLevelsGoThroughTheLinkFile) {
  CollectionSearchInfo& cd = Sammlung("TEST0001", test::WortListeAus("maier meyer moos zorn"));
  cd.FSID = "PHON";
  cd.FSWordFiles[0] = dir.Sub("TEST0001/data/s1wl.dat");
  cd.FSLinkFiles[0] = dir.Sub("TEST0001/data/s1lnk.dat");
  test::WriteFile(cd.FSWordFiles[0],
                  test::WortListeBytes({{"mr", 0, 1}, {"ms", 2, 2}, {"zrn", 3, 9999}}));
  std::string links;  // 0-based indexes into wortlst.dat; the last points nowhere
  for (char index : {0, 1, 2, 3, 77}) links += std::string{index, 0, 0, 0};
  test::WriteFile(cd.FSLinkFiles[0], links);
  phonetik.schluessel = {{"Maier", "MR"}, {"M*", "m*"}, {"Zorn", "zrn"}};

  EXPECT_EQ(Finde("TEST0001", "Maier", 1), Vons({1, 2}));
  EXPECT_EQ(phonetik.aufrufe.back(), "PHON/Maier/1");
  EXPECT_EQ(Finde("TEST0001", "M*", 1), Vons({1, 2, 3}));
  EXPECT_EQ(Finde("TEST0001", "Zorn", 1), Vons({4}));  // damaged range and index skipped
  EXPECT_TRUE(Finde("TEST0001", "Unbekannt", 1).empty());
  try {
    Finde("TEST0001", "Maier", 2);  // no word list for level 2
    ADD_FAILURE();
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "File '' not found.(TWDA 001)");
  }
  EXPECT_THROW(Finde("TEST0001", "Maier", 5), InternalError);  // "TWA-SSW-1"
  // Without a fuzzy library the search is exact, whatever the level.
  infos["TEST0001"].FSID = "";
  phonetik.aufrufe.clear();
  EXPECT_EQ(Finde("TEST0001", "Maier", 9), Vons({1}));
  EXPECT_TRUE(phonetik.aufrufe.empty());
}

TEST_F(WordQueryTest, TheOutOfOrderWordsOfKRVC) {
  std::string bytes;
  for (int i = 1; i <= 144834; ++i) {
    char w[16];
    std::snprintf(w, sizeof w, "k%06d", i);
    bytes += test::WortSatz(w, i, 0);
  }
  int32_t nr = 144835;  // four words outside the sort order at records 144835 to 144838
  for (const char* w : {"\xC4"
                        "delberhdus",
                        "\xC4ggihardi", "\xC4id", "\xC4llio"})
    bytes += test::WortSatz(w, nr++, 0);
  Sammlung("KRVC0001", bytes);
  Sammlung("TEST0002", bytes);
  EXPECT_EQ(Finde("KRVC0001", "\xE4id"), Vons{144837});
  EXPECT_EQ(Finde("KRVC0001", "\xC4g*"), Vons{144836});
  EXPECT_EQ(Finde("KRVC0001", "k00000?"), Vons({1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(Finde("TEST0002", "\xE4id").empty());
  EXPECT_TRUE(Finde("TEST0002", "\xC4g*").empty());
}

// From the catalog (user-interface thread) to a query: a collection mastered in capitals, and
// one the catalog does not know.
TEST_F(WordQueryTest, SnapshotOfTheCatalog) {
  test::CollectionSpec layout;
  layout.cdid = "KJVB0001";
  layout.fs_id = "KJVPHON";
  layout.year_offset = 3000;
  layout.upper = true;
  const std::string root = test::WriteCollection(dir.Sub("cdrom"), layout);
  test::WriteFile(root + "/DATA/WORTLST.DAT", test::WortListeBytes({{"wort", 5, 6}}));
  test::WriteFile(root + "/DATA/S2WL.DAT", test::WortListeBytes({{"wrt", 0, 0}}));
  AppEnvironment env;
  env.default_program_directory = dir.Sub("program");
  std::filesystem::create_directories(env.default_program_directory);
  MemoryRegistryStore store;
  test::FakeDrives drives;
  drives.drives = {root};
  test::ScriptedPrompts prompts;
  RecordingPlugInHost plugins;
  TCalderwickData catalog({store, drives, prompts, plugins, env});
  catalog.ScanCDs();

  const SearchCatalog katalog = SearchCatalog::FromCatalog(catalog, {"kjvb0001", "NOPE0001"});
  const CollectionSearchInfo& info = katalog.Info(" KJVB0001");
  EXPECT_EQ(info.CDID + "|" + info.Path + "|" + info.FSID, "KJVB0001|" + root + "|KJVPHON");
  EXPECT_EQ(info.FSWordFiles[0], "");
  EXPECT_EQ(info.FSWordFiles[1], ResolvePath(root + "/data/s2wl.dat"));
  EXPECT_EQ(info.YearOffset, 3000);
  TWoerterAnfrage q(katalog, nullptr);
  q.SetzeCD("KJVB0001");
  q.Stufe = 0;
  q.Suche("WORT");
  ASSERT_EQ(q.Ergebnis().Anzahl(), 1);
  EXPECT_EQ(q.Ergebnis().Records()[0].Bis, 6);

  EXPECT_EQ(katalog.Info("NOPE0001").Path, "");
  try {
    q.SetzeCD("NOPE0001");
    ADD_FAILURE();
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()),
              "File 'wortlst.dat' not found in '" + JoinPath("NOPE0001", "data") + "'.(TWDA 001)");
  }
}

}  // namespace
}  // namespace quillmar::retrieval
