// Builds the sample collection with the shipped phonetic module, searches it at fuzzy levels and
// checks its fuzzy word lists, also after damaging them.

#include <string>

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

#ifdef QUILLMAR_PHONETIC_MODULE

namespace quillmar {
namespace {

class FuzzyListsCliTest : public test::CliTest {
 protected:
  void SetUp() override {
    coll = dir.Sub("sample");
    const test::CliResult r = Run("build " + std::string(QUILLMAR_SOURCE_DIR) +
                                  "/samples/sample/sample.qms -o " + coll + " --fuzzy " + kModule);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("fuzzy lists of QMPHONET"), std::string::npos) << r.out;
  }
  std::string Search(const std::string& level, const std::string& word) {
    return Run("search --format tsv --collection " + coll + " --fuzzy " + level + " -- " + word)
        .out;
  }

  static constexpr const char* kModule = QUILLMAR_PHONETIC_MODULE;
  std::string coll;
};

TEST_F(FuzzyListsCliTest, AMisspellingFindsTheWordFromLevelTwo) {
  const std::string exact = Search("0", "Herodotus");
  ASSERT_NE(exact.find("herodotus"), std::string::npos) << exact;
  EXPECT_EQ(Search("0", "Herodots"), "");
  EXPECT_EQ(Search("1", "Herodots"), "");
  EXPECT_EQ(Search("2", "Herodots"), exact);
  EXPECT_NE(Run("info --collection " + coll).out.find("fuzzy-library\tQMPHONET"),
            std::string::npos);
}

// Greek typed in Greek letters finds what its transliteration finds; unaccented at level 1.
TEST_F(FuzzyListsCliTest, GreekLettersSearchTheTransliteration) {
  const std::string exact = Search("0", "\"kl'eo's\"");
  ASSERT_NE(exact.find("kl'eo's"), std::string::npos) << exact;
  EXPECT_EQ(Search("0", "κλέος"), exact);
  EXPECT_EQ(Search("0", "κλεος"), "");
  EXPECT_EQ(Search("1", "κλεος"), exact);
  // A rough breathing at the start of a word, and a mask.
  const std::string herodotus = Search("0", "Ἡροδότου");
  EXPECT_NE(herodotus.find(".hrod'otou"), std::string::npos) << herodotus;
  EXPECT_EQ(Search("0", "'Ἡροδ*'"), herodotus);
  EXPECT_EQ(Search("1", "ηροδοτου"), herodotus);
  const std::string shown = Run("show --plain --unicode --collection " + coll + " --text 1").out;
  EXPECT_NE(shown.find("Ἡροδότου Ἁλικαρνησσέος ἱστορίης ἀπόδεξις ἥδε"), std::string::npos);
  EXPECT_NE(Run("show --plain --collection " + coll + " --text 1").out.find(".Hrod'otou"),
            std::string::npos);
}

TEST_F(FuzzyListsCliTest, CheckFindsEveryWordFromItsKeyAndReportsDamage) {
  test::CliResult r = Run("check --collection " + coll + " --fuzzy " + kModule);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("every word found from its key"), std::string::npos) << r.out;

  const std::string links = coll + "/data/s2lnk.dat";
  const std::string bytes = test::ReadFile(links);
  test::FlipByte(links, 3, 0x40);  // the first link far beyond the word list
  r = Run("check --collection " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("fuzzy level 2: link 0 names word record"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("is not linked"), std::string::npos) << r.err;

  // Two links swapped: the structure holds, but two words hang under each other's keys.
  std::string swapped = bytes;
  std::swap_ranges(swapped.begin(), swapped.begin() + 4, swapped.end() - 4);
  test::WriteFile(links, swapped);
  EXPECT_EQ(Run("check --collection " + coll).status, 0);
  r = Run("check --collection " + coll + " --fuzzy " + kModule);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not linked from its key"), std::string::npos) << r.err;

  test::WriteFile(links, bytes);
  std::remove((coll + "/data/s4wl.dat").c_str());
  r = Run("check --collection " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read s4wl.dat"), std::string::npos) << r.err;

  EXPECT_EQ(Run("build x.qms -o " + dir.Sub("none") + " --fuzzy " + dir.Sub("no-module.so")).status,
            1);
}

}  // namespace
}  // namespace quillmar

#endif
