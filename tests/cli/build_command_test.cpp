// Builds collections from source files with the command-line tool and reads them back.

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

class BuildCommandTest : public test::CliTest {};

constexpr char kHeader[] =
    "@collection TEST0001\n@title Two Files\n@yearoffset 1000\n"
    "@schema tree.ini\n@group 1 All = one two\n";

constexpr char kTexts[] =
    "@text one\n@title First\n@long An Author\n@lang en\n"
    "@chapter Chapter One\n@page iv\nIn the beginning{fn:A note.} was the word.\n\n"
    "@text two\n@title Second\n@chapter Only\nThe end.\n";

TEST_F(BuildCommandTest, SourcesInSeveralFilesMakeOneCollection) {
  test::WriteFile(dir.Sub("src/header.qms"), kHeader);
  test::WriteFile(dir.Sub("src/texts.qms"), kTexts);
  const std::string out = dir.Sub("coll");
  test::CliResult r =
      Run("build " + dir.Sub("src/header.qms") + " " + dir.Sub("src/texts.qms") + " -o " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("TEST0001: 2 texts", 0), 0u) << r.out;

  r = Run("texts --collection " + out);
  EXPECT_EQ(r.out, "1\tAn Author: First\n2\tSecond\n");
  r = Run("show --plain --text 1 --layer 2 --collection " + out);
  EXPECT_NE(r.out.find("A note."), std::string::npos) << r.out;
}

TEST_F(BuildCommandTest, MalformedSourceNamesFileAndLine) {
  const std::string source = dir.Sub("bad.qms");
  test::WriteFile(source, std::string(kHeader) + "@text one\n@title T\nfine\n{unknown:x}\n");
  const test::CliResult r = Run("build " + source + " -o " + dir.Sub("coll"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(source + ":9"), std::string::npos) << r.err;

  EXPECT_EQ(Run("build " + source).status, 2);  // no -o
  EXPECT_EQ(Run("build -o " + dir.Sub("x")).status, 2);
  EXPECT_EQ(Run("build " + dir.Sub("missing.qms") + " -o " + dir.Sub("x")).status, 1);
}

}  // namespace
}  // namespace quillmar
