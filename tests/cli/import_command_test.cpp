#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "cli/cli_fixture.h"

namespace quillmar::test {
namespace {

const std::string kTei = std::string(QUILLMAR_SOURCE_DIR) + "/tests/data/import/homer-caesar.xml";

class ImportCommandTest : public CliTest {};

// A TEI file with Greek verse, Latin prose, notes, pages, lines, a table and a missing picture
// builds into a collection whose Greek shows and searches in Unicode.
TEST_F(ImportCommandTest, TeiBuildsAndItsGreekSearchesInUnicode) {
  const std::string source = dir.Sub("two.qms");
  CliResult r = Run("import tei " + kTei + " -o " + source + " --id TEITEST1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("1 texts, 3 chapters, 4 page breaks, 3 notes, 7 verse lines"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("1 missing pictures kept as captions; kept as text: unknownThing (1)"),
            std::string::npos)
      << r.out;
  const std::string qms = ReadFile(source);
  for (const char* expected :
       {"@page 1\n{line 1}", "{fn a:The wrath of {i:Achilles}", "{margin:1}Gallia", "{margin:Gaul}",
        "{line 10}Horum", "{b:Belgae}", "{page iv}", "@section Chapter 1", "@page iii",
        "@table The three parts\n| Belgae | north", "@lang la"})
    EXPECT_NE(qms.find(expected), std::string::npos) << expected;

  r = Run("build --from tei " + kTei + " -o " + dir.Sub("coll") + " --id TEITEST1");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("check --collection " + dir.Sub("coll"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(", 0 problems"), std::string::npos) << r.out;

  r = Run("show --plain --unicode --collection " + dir.Sub("coll") + " --text 1");
  EXPECT_NE(r.out.find("οὐλομένην, ἣ μυρί’ Ἀχαιοῖς"), std::string::npos) << r.out;
  r = Run("show --plain --unicode --collection " + dir.Sub("coll") + " --text 1 --layer 2");
  EXPECT_EQ(
      r.out,
      "The wrath of Achilles, the subject of the poem.\nCaesar's κλέος rests on these books.");
  // The Greek of the verses and of a note, written in Greek letters, found exactly.
  r = Run("search --format tsv --collection " + dir.Sub("coll") + " -- \"Ἀχιλλεύς\" \"OR\" κλέος");
  EXPECT_NE(r.out.find("`acille'u's"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("kl'eo's"), std::string::npos) << r.out;
}

TEST_F(ImportCommandTest, MalformedXmlNamesFileLineAndColumn) {
  WriteFile(dir.Sub("bad.xml"), "<TEI>\n  <text><body><p>open</body></text>\n</TEI>\n");
  CliResult r = Run("import tei " + dir.Sub("bad.xml") + " -o " + dir.Sub("bad.qms"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(dir.Sub("bad.xml") + ":2:"), std::string::npos) << r.err;
  r = Run("import odt " + dir.Sub("bad.xml") + " -o " + dir.Sub("bad.qms"));
  EXPECT_EQ(r.status, 2);
}

// A Bible exported from a Debian SWORD module with diatheke (packages diatheke and
// sword-text-web) builds, and the check finds no problem.
TEST_F(ImportCommandTest, DiathekeExportOfASwordBibleBuilds) {
  const std::string listing = dir.Sub("web.txt");
  const std::string export_ = "diatheke -b engWEB2015eb -o fh -f OSIS -k ";
  ASSERT_EQ(std::system((export_ + "'Gen 1-2' > " + listing + " && " + export_ + "'Ps 3' >> " +
                         listing + " && " + export_ + "Jude >> " + listing)
                            .c_str()),
            0)
      << "diatheke and the SWORD module engWEB2015eb (sword-text-web) are needed";
  CliResult r = Run("build --from osis " + listing + " -o " + dir.Sub("web") + " --id WEBTEST1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("OSIS: 3 books, 4 chapters, 89 verses, 10 notes, 1 headings"),
            std::string::npos)
      << r.out;
  r = Run("check --collection " + dir.Sub("web"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(", 0 problems"), std::string::npos) << r.out;
  // Books are texts; a psalm's heading stands before its first verse, which has line number 1.
  r = Run("texts --collection " + dir.Sub("web"));
  EXPECT_EQ(r.out, "1\tGenesis\n2\tPsalms\n3\tJude\n");
  r = Run("show --plain --collection " + dir.Sub("web") + " --text 2");
  EXPECT_EQ(r.out.rfind("Chapter 3\nA Psalm by David, when he fled from Absalom his son.\n", 0), 0u)
      << r.out;
  // Verse 1:1's footnote, with its Hebrew, is in the footnote text.
  r = Run("show --plain --collection " + dir.Sub("web") + " --text 1 --layer 2");
  EXPECT_NE(r.out.find("1:1 The Hebrew word rendered"), std::string::npos) << r.out;
  r = Run("search --format tsv --collection " + dir.Sub("web") + " -- beginning");
  EXPECT_NE(r.out.find("\t1\t"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace quillmar::test
