// Runs the real command-line tool on collections written into temporary directories.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    // Each test has its own settings file and program directory.
    setenv("QUILLMAR_CONFIG_DIR", dir.Sub("config").c_str(), 1);
    setenv("QUILLMAR_DATA_DIR", dir.Sub("data").c_str(), 1);
  }

  Result Run(const std::string& args) {
    const std::string err = dir.Sub("stderr.txt");
    const std::string command = std::string(QUILLMAR_CLI_PATH) + " " + args + " 2>" + err;
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = test::ReadFile(err);
    return r;
  }

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

  test::TempDir dir;
};

TEST_F(CliTest, TextsListsNumberAndLongNameInEitherLayout) {
  const std::string expected =
      "1\tKing James Version: Genesis\n"
      "3\tKing James Version: Klagelieder \u00e4\u00f6\u00fc\n";
  for (bool upper : {false, true}) {
    const Result r = Run("texts --collection " + Collection(upper ? "up" : "low", upper));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected) << "upper=" << upper;
  }
  // --collection leaves the user's settings alone.
  EXPECT_FALSE(std::filesystem::exists(dir.Sub("config/quillmar.ini")));
}

TEST_F(CliTest, JsonOutputEscapesAndKeepsOrder) {
  const Result r = Run("texts --format json --collection " + Collection("c", false));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "[\n  {\"number\": \"1\", \"name\": \"King James Version: Genesis\"},\n"
            "  {\"number\": \"3\", \"name\": \"King James Version: Klagelieder "
            "\u00e4\u00f6\u00fc\"}\n]\n");
}

TEST_F(CliTest, InfoShowsTheMetadata) {
  const Result r = Run("info --collection " + Collection("c", true));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("identifier\tKJVB0001\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("title\tKing James Bible\n"), std::string::npos);
  EXPECT_NE(r.out.find("year-offset\t1000\n"), std::string::npos);
}

TEST_F(CliTest, RegisteredCollectionsAppearInTheCatalog) {
  const std::string coll = Collection("installed", false);
  Result r = Run("collections");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  r = Run("register " + coll);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("collections");
  EXPECT_EQ(r.out, "KJVB0001\tKing James Bible\t" + coll + "\t0.0\tyes\n");
  std::filesystem::rename(coll, dir.Sub("moved"));
  r = Run("collections");
  EXPECT_EQ(r.out, "KJVB0001\tKing James Bible\t" + coll + "\t0.0\tno\n");
}

TEST_F(CliTest, FailuresExitNonZeroWithAMessage) {
  Result r = Run("texts --collection " + dir.Sub("nothing"));
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
  EXPECT_NE(r.err.find("TEXTINFO.DAT"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quillmar
