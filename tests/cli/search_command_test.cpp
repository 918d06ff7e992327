// Runs "quillmar search" and "quillmar words" on a small collection built from source.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

// Text 1 (English, undated): a chapter heading and two paragraphs, one with a footnote.
// Text 2 (English, dated 1200): one paragraph.
const char kSource[] =
    "@collection QTST0001\n@title Search test\n@nodate 0\n"
    "@text gen\n@number 1\n@title Genesis\n@lang en\n\n"
    "@page 1\n@chapter Light and darkness\n"
    "In the beginning God created the heaven and the earth.\n\n"
    "And God said, Let there be light: and there was light.{fn:A note on light.}\n\n"
    "@text ps\n@number 2\n@title Psalms\n@lang en\n@date 1200\n\n"
    "@page 5\nThe light shineth in darkness.\n";

using Rows = std::vector<std::vector<std::string>>;

Rows Split(const std::string& tsv) {
  Rows rows;
  std::istringstream lines(tsv);
  for (std::string line; std::getline(lines, line);) {
    rows.emplace_back();
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) rows.back().push_back(f);
  }
  return rows;
}

class SearchCommandTest : public test::CliTest {
 protected:
  SearchCommandTest() {
    test::WriteFile(dir.Sub("t.qms"), kSource);
    const test::CliResult r = Run("build " + dir.Sub("t.qms") + " -o " + dir.Sub("coll"));
    EXPECT_EQ(r.status, 0) << r.err;
  }
  test::CliResult Search(const std::string& options, const std::string& query) {
    return Run("search --collection " + dir.Sub("coll") + " " + options + " -- '" + query + "'");
  }
  Rows Tsv(const std::string& options, const std::string& query) {
    const test::CliResult r = Search("--format tsv " + options, query);
    EXPECT_EQ(r.status, 0) << r.err;
    return Split(r.out);
  }
};

TEST_F(SearchCommandTest, TsvRowsCarryTheHitRecordInResultOrder) {
  const Rows rows = Tsv("", "LIGHT");
  // Heading of text 1, its two verse hits, the footnote (sorted last in its text), text 2.
  ASSERT_EQ(rows.size(), 5u);
  const std::vector<std::string> parts = {"1", "0", "0", "11", "0"};
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    ASSERT_EQ(r.size(), 10u) << i;
    EXPECT_EQ(r[0], "QTST0001");
    EXPECT_EQ(r[1], i < 4 ? "1" : "2");
    EXPECT_EQ(r[2], parts[i]) << i;
    EXPECT_EQ(r[5], r[3]) << "one word: its position is the first";
    EXPECT_EQ(std::stoi(r[4]), std::stoi(r[3]) + 4) << "last byte of a five-letter word";
    EXPECT_EQ(r[6], "light");  // as the word list has it
    EXPECT_EQ(r[9], i < 4 ? "Genesis" : "Psalms");
  }
  EXPECT_LT(std::stoi(rows[1][3]), std::stoi(rows[2][3]));
  EXPECT_EQ(rows[4][7], "5");  // page

  const Rows phrase = Tsv("", "let there be light");
  ASSERT_EQ(phrase.size(), 1u);
  EXPECT_EQ(phrase[0][6], "let...there...be...light");
  std::vector<int> pos;
  std::istringstream list(phrase[0][5]);
  for (std::string p; std::getline(list, p, ',');) pos.push_back(std::stoi(p));
  ASSERT_EQ(pos.size(), 4u);
  EXPECT_EQ(pos[0], std::stoi(phrase[0][3]));
  EXPECT_EQ(pos[3] + 4, std::stoi(phrase[0][4]));
}

TEST_F(SearchCommandTest, FiltersFollowTheOptions) {
  EXPECT_EQ(Tsv("--texts QTST0001:2", "light").size(), 1u);
  EXPECT_EQ(Tsv("--texts qtst0001:1,QTST0001:2", "light").size(), 5u);
  const Rows headings = Tsv("--parts 1", "light");
  ASSERT_EQ(headings.size(), 1u);
  EXPECT_EQ(headings[0][2], "1");
  EXPECT_EQ(Tsv("--parts 0,11", "light").size(), 4u);
  EXPECT_EQ(Tsv("--languages 0", "light").size(), 0u);
  EXPECT_EQ(Tsv("--from 1199 --to 1201", "light").size(), 1u);
  EXPECT_EQ(Tsv("--date 5..1200", "light").size(), 1u);  // reads as the year 1200
  EXPECT_EQ(Tsv("--distance 3", "god AND light").size(), 0u);
  EXPECT_EQ(Tsv("--distance 5", "god AND light").size(), 1u);
  EXPECT_EQ(Tsv("--mode section", "beginning AND light").size(), 1u);

  EXPECT_EQ(Search("--texts OTHER001:1", "light").status, 2);
  EXPECT_EQ(Search("--parts 2", "light").status, 2);
  EXPECT_EQ(Search("--mode section --distance 4", "light").status, 2);
}

TEST_F(SearchCommandTest, ErrorsGoToStderrInTheChosenLanguage) {
  const std::pair<std::string, std::string> cases[] = {
      {"--lang en|AND light", "Error in question: Wrong use of 'AND'"},
      {"--lang de|UND light", "Fehler in der Anfrageformulierung: Schlüsselwort 'UND' falsch"},
      {"--lang en|light OR", "Wrong use of 'OR'"},
      {"--lang de|light (dark", "Klammer falsch gesetzt"},
      {"--lang en --from 31.13.1200|light",
       "The date 31.13.1200 is not valid.\nquillmar: A date can be"},
      {"--lang de --to 5.0.1200|light", "Das eingegebene Datum 5.0.1200 ist ungültig."},
      {"--lang en --date 1.1.1200.5|light", "The date 1.1.1200.5 is not valid."},
      {"--lang en --from x|light", "The date x is not valid."},
      {"--lang en| ", "You have to input a word"},
  };
  for (const auto& [line, message] : cases) {
    const size_t bar = line.find('|');
    const test::CliResult r = Search(line.substr(0, bar), line.substr(bar + 1));
    EXPECT_EQ(r.status, 1) << line;
    EXPECT_NE(r.err.find(message), std::string::npos) << line << ": " << r.err;
    EXPECT_EQ(r.out, "") << line;
  }
  // German keywords are plain words in English.
  EXPECT_EQ(Tsv("--lang en", "light UND darkness").size(), 0u);
  EXPECT_EQ(Tsv("--lang de", "light UND darkness").size(), 2u);
}

TEST_F(SearchCommandTest, TextJsonAndContextOutput) {
  test::CliResult r = Search("--context 2 --texts QTST0001:2", "light");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("light\tQTST0001 2 Psalms, page 5, line 0 (text)\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("    The [[light]] shineth in\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 occurrence(s)  Question: light\n"), std::string::npos) << r.out;

  const Rows rows = Tsv("--context 1", "be light");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 11u);
  EXPECT_EQ(rows[0][10], "there [[be]] [[light:]] and");

  r = Search("--format json --lang de", "darkness");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"cdid\": \"QTST0001\", \"text\": 2, \"part\": 0"), std::string::npos);
  EXPECT_NE(r.out.find("\"words\": \"darkness\", \"page\": 5"), std::string::npos) << r.out;
  r = Search("--lang de", "nothing");
  EXPECT_EQ(r.out, "Keine Stellen gefunden.\n");

  r = Search("--format tsv --repeat 3", "light");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("time_us_per_query="), std::string::npos);
  EXPECT_NE(r.err.find(" hits=5 first_us="), std::string::npos) << r.err;
}

TEST_F(SearchCommandTest, CollectionsAreSearchedTogetherAndSortedByIdentifier) {
  // A second collection whose identifier sorts first, given second on the command line.
  std::string source = kSource;
  source.replace(source.find("QTST0001"), 8, "AAAA0001");
  test::WriteFile(dir.Sub("a.qms"), source);
  ASSERT_EQ(Run("build " + dir.Sub("a.qms") + " -o " + dir.Sub("a")).status, 0);
  const test::CliResult r =
      Run("search --format tsv --collection " + dir.Sub("coll") + " --collection " + dir.Sub("a") +
          " --texts AAAA0001:2,QTST0001:1 -- light");
  ASSERT_EQ(r.status, 0) << r.err;
  const Rows rows = Split(r.out);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0][0] + ":" + rows[0][1], "AAAA0001:2");
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][0] + ":" + rows[i][1], "QTST0001:1");
}

// A collection without its hit file, given first: named with its error, the other collection's
// hits written, exit status 1; searched alone it gives the message and no result at all.
TEST_F(SearchCommandTest, ACollectionThatCannotBeSearchedIsNamedAndTheOthersAreWritten) {
  std::string source = kSource;
  source.replace(source.find("QTST0001"), 8, "AAAA0001");
  source.replace(source.find("Search test"), 11, "Broken copy");
  test::WriteFile(dir.Sub("a.qms"), source);
  ASSERT_EQ(Run("build " + dir.Sub("a.qms") + " -o " + dir.Sub("a")).status, 0);
  std::filesystem::remove(dir.Sub("a/data/fundst.dat"));
  const std::string message =
      "quillmar: The collection 'Broken copy' could not be searched; the result has none of its "
      "hits.\nquillmar: File 'fundst.dat' not found in '" +
      dir.Sub("a/data") + "'.(TFDA 001)\n";
  test::CliResult r = Run("search --format tsv --collection " + dir.Sub("a") + " --collection " +
                          dir.Sub("coll") + " -- light");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, message);
  const Rows rows = Split(r.out);
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& row : rows) EXPECT_EQ(row[0], "QTST0001");

  r = Run("search --collection " + dir.Sub("a") + " -- light");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, message);
  EXPECT_EQ(r.out, "");
}

TEST_F(SearchCommandTest, WordsListsRecordsNeighboursAndMaskExpansions) {
  const std::string coll = " --collection " + dir.Sub("coll") + " ";
  test::CliResult r = Run("words" + coll + "Light");
  ASSERT_EQ(r.status, 0) << r.err;
  Rows rows = Split(r.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "match");
  EXPECT_EQ(rows[0][1], "light");
  EXPECT_EQ(rows[0][3], "5");

  r = Run("words" + coll + "lighz");
  ASSERT_EQ(r.status, 0) << r.err;
  rows = Split(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "before");
  EXPECT_EQ(rows[0][1], "light");
  EXPECT_EQ(rows[1][0], "after");
  EXPECT_EQ(rows[1][1], "note");
  EXPECT_EQ(std::stoi(rows[1][2]), std::stoi(rows[0][2]) + 1);

  r = Run("words" + coll + "'th*'");
  ASSERT_EQ(r.status, 0) << r.err;
  rows = Split(r.out);
  std::string words;
  for (const auto& row : rows) words += row[1] + "/" + row[3] + " ";
  EXPECT_EQ(words, "the/4 there/2 ");
}

}  // namespace
}  // namespace quillmar
