// Runs the real command-line tool on collections written into temporary directories.

#include <algorithm>
#include <filesystem>
#include <string>

#include "cli/cli_fixture.h"
#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

class CatalogCommandsTest : public test::CliTest {
 protected:
  std::string Collection(const std::string& name, bool upper) {
    test::CollectionSpec layout;
    layout.cdid = "KJVB0001";
    layout.title = "King James Bible";
    layout.upper = upper;
    layout.year_offset = 1000;
    for (const char* title : {"Genesis", "Exodus", "Lamentations"}) {
      test::TextRecord t;
      t.title = title;
      t.long_label = "King James Version";
      t.short_label = "KJV";
      layout.texts.push_back(t);
    }
    layout.texts[1].number = -1;                         // an empty slot is skipped
    layout.texts[2].title = "Klagelieder \xe4\xf6\xfc";  // Windows-1252 bytes come out as UTF-8
    return test::WriteCollection(dir.Sub(name), layout);
  }
};

TEST_F(CatalogCommandsTest, TextsListsNumberAndLongNameInEitherLayout) {
  const std::string expected =
      "1\tKing James Version: Genesis\n"
      "3\tKing James Version: Klagelieder \u00e4\u00f6\u00fc\n";
  for (bool upper : {false, true}) {
    const test::CliResult r = Run("texts --collection " + Collection(upper ? "up" : "low", upper));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected) << "upper=" << upper;
  }
  // --collection leaves the user's settings alone.
  EXPECT_FALSE(std::filesystem::exists(dir.Sub("config/quillmar.ini")));
}

TEST_F(CatalogCommandsTest, JsonOutputEscapesAndKeepsOrder) {
  const test::CliResult r = Run("texts --format json --collection " + Collection("c", false));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "[\n  {\"number\": 1, \"name\": \"King James Version: Genesis\"},\n"
            "  {\"number\": 3, \"name\": \"King James Version: Klagelieder "
            "\u00e4\u00f6\u00fc\"}\n]\n");
}

TEST_F(CatalogCommandsTest, InfoShowsTheMetadata) {
  const test::CliResult r = Run("info --collection " + Collection("c", true));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("identifier\tKJVB0001\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("title\tKing James Bible\n"), std::string::npos);
  EXPECT_NE(r.out.find("year-offset\t1000\n"), std::string::npos);
}

TEST_F(CatalogCommandsTest, MediaListsTheBuiltSamplesEntriesInOrder) {
  const std::string coll = dir.Sub("sample");
  test::CliResult r =
      Run("build " + std::string(QUILLMAR_SOURCE_DIR) + "/samples/sample/sample.qms -o " + coll);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("media --collection " + coll);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string media = coll + "/media/";
  EXPECT_EQ(r.out, "0\t1000\tAbout Herodotus\t" + media + "herodotus.txt; " + media +
                       "herodotus.html; " + media + "lydia.png\n" +
                       "1\t1500\tSlides: Herodotus and Lydia\tQMSLIDES\n" +
                       "2\t9900\tHerodotus (web page)\t" + media + "herodotus.html\n");
  r = Run("media --collection " + Collection("plain", false));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CatalogCommandsTest, XrefListsWhereTheSamplesKeysLeadAndReportsBrokenOnes) {
  const std::string coll = dir.Sub("sample");
  test::CliResult r =
      Run("build " + std::string(QUILLMAR_SOURCE_DIR) + "/samples/sample/sample.qms -o " + coll);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("xref --collection " + coll);
  ASSERT_EQ(r.status, 0) << r.err;
  // text, position, key, link, target: each key of the Herodotus leads into the commentary.
  for (const char* key :
       {"\t1.\t1\tQMSA0001 2 1 ", "\t2.\t2\tQMSA0001 2 1 ", "\t3.\t3\tQMSA0001 2 1 "})
    EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);

  std::filesystem::remove(coll + "/data/qmsa0001lk.dat");
  r = Run("xref --collection " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("key 1. leads to no link-table record"), std::string::npos) << r.err;
  r = Run("xref --collection " + Collection("plain", false));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CatalogCommandsTest, RegisteredCollectionsAppearInTheCatalog) {
  const std::string coll = Collection("installed", false);
  test::CliResult r = Run("collections");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  // A relative path is kept as the absolute one, for starts from any other directory.
  const std::filesystem::path where(coll);
  r = Run("--version >/dev/null && cd '" + where.parent_path().string() + "' && " +
          QUILLMAR_CLI_PATH + " register ../" + where.parent_path().filename().string() + "/" +
          where.filename().string() + "/.");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("collections");
  EXPECT_EQ(r.out, "KJVB0001\tKing James Bible\t" + coll + "\t0.0\tyes\n");
  std::filesystem::rename(coll, dir.Sub("moved"));
  r = Run("collections");
  EXPECT_EQ(r.out, "KJVB0001\tKing James Bible\t" + coll + "\t0.0\tno\n");
}

TEST_F(CatalogCommandsTest, FailuresExitNonZeroWithAMessage) {
  test::CliResult r = Run("texts --collection " + dir.Sub("nothing"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not a valid data directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  r = Run("register " + dir.path());
  EXPECT_EQ(r.status, 1);

  r = Run("texts");
  EXPECT_EQ(r.status, 2);
  r = Run("texts --format xml --collection x");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown format"), std::string::npos);

  // A collection whose text catalog is missing.
  const std::string coll = Collection("broken", false);
  std::filesystem::remove(coll + "/data/textinfo.dat");
  r = Run("texts --collection " + coll);
  EXPECT_EQ(r.status, 1);
  // The name looked for and the directory searched, as spelled on disk.
  EXPECT_NE(r.err.find("File 'textinfo.dat' not found in '" + coll + "/data'."), std::string::npos)
      << r.err;
  // Registering it says why it cannot be used and leaves the settings as they were.
  r = Run("register " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("The collection 'King James Bible' in '" + coll + "' cannot be used."),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("textinfo.dat"), std::string::npos) << r.err;
  EXPECT_EQ(Run("collections").out, "");
}

}  // namespace
}  // namespace quillmar
