// Runs "quillmar check" on the sample collection as built by "quillmar build", then on damaged
// copies of its index.

#include <filesystem>
#include <regex>

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

class CheckCommandTest : public test::CliTest {
 protected:
  // Builds the sample collection into `name`; returns its directory.
  std::string BuildSample(const std::string& name) {
    const std::string out = dir.Sub(name);
    const test::CliResult r =
        Run("build " + std::string(QUILLMAR_SOURCE_DIR) + "/samples/sample/sample.qms -o " + out);
    EXPECT_EQ(r.status, 0) << r.err;
    return out;
  }
};

TEST_F(CheckCommandTest, BuiltSamplePassesAndShiftedHitFails) {
  const std::string coll = BuildSample("sample");
  test::CliResult r = Run("check --collection " + coll);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::smatch m;
  ASSERT_TRUE(
      std::regex_match(r.out, m, std::regex("(\\d+) words, (\\d+) hits checked, 0 problems\n")))
      << r.out;
  const uintmax_t hits = std::stoull(m[2].str());
  ASSERT_GT(hits, 2u);
  EXPECT_EQ(std::filesystem::file_size(coll + "/data/fundst.dat"), hits * 44);

  // Shift the position (bytes 4..7 of the 44-byte record) of the middle hit by one byte: it then
  // points into or before its word.
  test::FlipByte(coll + "/data/fundst.dat", hits / 2 * 44 + 4, 0x01);
  r = Run("check --collection " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(", 1 problems"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("no indexed word starts here"), std::string::npos) << r.err;
}

TEST_F(CheckCommandTest, DamagedIndexFilesAreProblemsNotCrashes) {
  const std::string coll = BuildSample("sample");
  const std::string words = coll + "/data/wortlst.dat";
  const std::string hits = coll + "/data/fundst.dat";
  const std::string wordBytes = test::ReadFile(words);
  const std::string hitBytes = test::ReadFile(hits);
  ASSERT_GE(wordBytes.size(), 80u);

  // A hit file cut inside a record; a range end far beyond the hit file; a text part that sends
  // the reader to a notes layer; a text number beyond the catalog; two word records swapped.
  test::TruncateFile(hits, hitBytes.size() - 10);
  EXPECT_EQ(Run("check --collection " + coll).status, 1);
  test::WriteFile(hits, hitBytes);

  test::FlipByte(words, 36 + 3, 0x40);
  EXPECT_EQ(Run("check --collection " + coll).status, 1);
  test::WriteFile(words, wordBytes);

  for (size_t offset : {8u, 0u}) {
    test::FlipByte(hits, offset, offset == 0 ? 0xF0 : 0x0B);
    const test::CliResult r = Run("check --collection " + coll);
    EXPECT_EQ(r.status, 1) << offset;
    EXPECT_NE(r.err.find(offset == 0 ? "no such text" : "layer "), std::string::npos) << r.err;
    test::WriteFile(hits, hitBytes);
  }

  std::string swapped = wordBytes;
  std::swap_ranges(swapped.begin(), swapped.begin() + 32, swapped.begin() + 40);
  test::WriteFile(words, swapped);
  const test::CliResult r = Run("check --collection " + coll);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("out of order"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quillmar
