// Runs the text commands of the command-line tool on hand-made stream files.

#include <string>

#include "cli/cli_fixture.h"
#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

// Stream bytes written with "~" for the escape byte 0x01 (codes in octal).
std::string S(std::string text) {
  for (char& c : text)
    if (c == '~') c = '\001';
  return text;
}

// Page 12 (arabic), paragraph number, label, a font change inside a word, a footnote link, a
// line-number code, Windows-1252 bytes and a CR LF inside the text.
const std::string kParagraph1 =
    S("~\024~'12~d~\0251~d~)Gen 1~dIn the ~\006begin~\003ning God~(7~dnote text~d created.");
const std::string kParagraph2 = S("~\0262~dK\344se \200 5");
const std::string kParagraph3 = "Tail\r\nline";
const std::string kSeparator = S("~\013");
const std::string kStream = kParagraph1 + kSeparator + kParagraph2 + kSeparator + kParagraph3;

class TextCommandsTest : public test::CliTest {
 protected:
  // Text 1 has kStream as layer 1 and a footnote layer 2 whose file is `footnotes` (not written
  // when empty); no layer 3. Text 2 is an empty slot.
  std::string Collection(bool upper, const std::string& footnotes = "f1.txt") {
    test::CollectionSpec layout;
    layout.upper = upper;
    layout.texts.resize(2);
    layout.texts[0].title = "Genesis";
    layout.texts[0].layer1 = "t1.txt";
    layout.texts[0].layer2 = "f1.txt";
    layout.texts[1].number = -1;
    const std::string root = test::WriteCollection(dir.Sub(upper ? "up" : "low"), layout);
    const std::string data = root + (upper ? "/DATA/" : "/data/");
    test::WriteFile(data + (upper ? "T1.TXT" : "t1.txt"), kStream);
    if (!footnotes.empty())
      test::WriteFile(data + (upper ? "F1.TXT" : "f1.txt"), S("~\010Footnote 7~\013"));
    return root;
  }
};

TEST_F(TextCommandsTest, ShowPlainRendersTheWholeLayerExactly) {
  for (bool upper : {false, true}) {
    const std::string coll = Collection(upper);
    test::CliResult r = Run("show --plain --collection " + coll + " --text 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "In the beginning God created.\n\nK\u00e4se \u20ac 5\nTail\nline") << upper;

    r = Run("show --plain --collection " + coll + " --text 1 --layer 2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Footnote 7\n");
  }
}

TEST_F(TextCommandsTest, ShowWithoutPlainHeadsEachParagraphWithItsPosition) {
  const test::CliResult r = Run("show --text 1 --collection " + Collection(false));
  ASSERT_EQ(r.status, 0) << r.err;
  const size_t second = kParagraph1.size() + 3;
  const size_t third = second + kParagraph2.size() + 2;
  EXPECT_EQ(r.out, "--- position 1\nIn the beginning God created.\n--- position " +
                       std::to_string(second) + "\n\nK\u00e4se \u20ac 5\n--- position " +
                       std::to_string(third) + "\nTail\nline\n");
}

TEST_F(TextCommandsTest, ShowFailsOnMissingTextsLayersAndFiles) {
  const std::string coll = Collection(false, "");
  const std::pair<std::string, std::string> failures[] = {
      {"--text 3", "no text 3"},
      {"--text 2", "no text 2"},  // an empty slot
      {"--text 1 --layer 3", "text 1 has no layer 3"},
      {"--text 1 --layer 2", "f1.txt"},  // named in the catalog, missing on disk
  };
  for (const auto& [options, message] : failures) {
    const test::CliResult r = Run("show --collection " + coll + " " + options);
    EXPECT_EQ(r.status, 1) << options;
    EXPECT_EQ(r.out, "") << options;
    EXPECT_NE(r.err.find(message), std::string::npos) << options << ": " << r.err;
  }
  const test::CliResult missing = Run("dump-stream " + dir.Sub("missing.txt"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("File 'missing.txt' not found in '" + dir.path() + "'."),
            std::string::npos)
      << missing.err;
  for (const char* usage : {"--text 0", "--text 1 --layer 4", "--text x", "--layer 2"}) {
    const test::CliResult r = Run("show --collection " + coll + " " + usage);
    EXPECT_EQ(r.status, 2) << usage;
  }
}

TEST_F(TextCommandsTest, DumpStreamListsParagraphsWordsAndCodes) {
  const std::string file = dir.Sub("s.txt");
  test::WriteFile(file, S("~\0254~d~\014~\021Hi ~]lo~\006gos~,m1 m2~d~(3~dsee~d~\013"
                          "~<~=T\344b~>~@~?a~?b~\013"
                          "~\024~'1~d~\0265~dx~\013"
                          "~\024~x"));
  const test::CliResult r = Run("dump-stream " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("1 paragraph(s) could not be decoded"), std::string::npos) << r.err;
  const std::string expected =
      "paragraph\t1\t40\n"
      "paragraph-number\t4\n"
      "centred\ton\n"
      "indent\t1\n"
      "word\t10\t03\tHi\n"
      "word\t15\t5d\tlo{06}gos\n"
      "margin\t24\t5a\tm1\n"
      "margin\t27\t5a\tm2\n"
      "word\t36\t08\tsee\n"
      "link\t1\t3\t\n"
      "paragraph\t43\t17\n"
      "table\t1\t2\tT\u00e4b\n"
      "paragraph\t62\t13\n"
      "page\t1\tarabic\n"
      "line\t5\n"
      "word\t74\t03\tx\n"
      "paragraph\t77\t4\n"
      "error\t";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_NE(r.out.find("AEZ 004", expected.size()), std::string::npos) << r.out;
}

}  // namespace
}  // namespace quillmar
