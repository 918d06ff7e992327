// The command-line conventions every command shares: version, help, usage errors, output
// formats and the exit status of an interrupted search.

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

const char kSource[] =
    "@collection QTST0001\n@title Conventions\n@nodate 0\n"
    "@text gen\n@number 1\n@title Genesis\n@lang en\n\n"
    "@page 1\nAnd God said, Let there be light: and there was light.\n\n"
    "@text ps\n@number 2\n@title Psalms\n@lang en\n\n"
    "@page 5\nThe light shineth in darkness.\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ConventionsTest : public test::CliTest {
 protected:
  // Builds the collection into `where` (a directory name of any bytes) and returns its path.
  std::string Build(const std::string& where) {
    test::WriteFile(dir.Sub("c.qms"), kSource);
    const std::string coll = dir.Sub(where);
    const test::CliResult r = Run("build " + dir.Sub("c.qms") + " -o '" + coll + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    return coll;
  }
};

TEST_F(ConventionsTest, VersionHelpAndOneLineUsageErrors) {
  for (const char* line : {"--version", "-V", "search --version"}) {
    const test::CliResult r = Run(line);
    EXPECT_EQ(r.status, 0) << line;
    EXPECT_TRUE(std::regex_match(r.out, std::regex("quillmar [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << line << ": " << r.out;
  }

  // Each command's own help, also through "help COMMAND"; the overview names every command.
  const test::CliResult search = Run("search --help");
  EXPECT_EQ(search.status, 0);
  EXPECT_EQ(search.out.rfind("usage: quillmar search ", 0), 0u) << search.out;
  EXPECT_NE(search.out.find("--fuzzy N"), std::string::npos);
  EXPECT_EQ(search.err, "");
  EXPECT_EQ(Run("help search").out, search.out);
  const test::CliResult texts = Run("texts -h");
  EXPECT_EQ(texts.out.rfind("usage: quillmar texts --collection DIR", 0), 0u) << texts.out;
  EXPECT_EQ(texts.out.find("--fuzzy"), std::string::npos) << "search options are not texts'";
  const test::CliResult overview = Run("--help");
  EXPECT_EQ(overview.status, 0);
  for (const char* name : {"collections", "search", "words", "modules", "dump-stream"})
    EXPECT_NE(overview.out.find("\n  " + std::string(name) + " "), std::string::npos) << name;

  // A usage error: one line naming the problem and the help to read, exit status 2.
  const std::pair<std::string, std::string> errors[] = {
      {"texts --fuzzy 2 --collection x", "texts"},
      {"search --collection x --fuzzy many -- light", "search"},
      {"texts --collection x --format xml", "texts"},
      {"show --collection x", "show"},
      {"texts --collection x --format json --header", "texts"},
      {"search --collection x --header -- light", "search"},
      {"words --collection x", "words"},
      {"frobnicate", ""},
      {"", ""},
  };
  for (const auto& [line, command] : errors) {
    const test::CliResult r = Run(line);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.out, "") << line;
    const std::string hint =
        "; see 'quillmar" + (command.empty() ? "" : " " + command) + " --help'\n";
    EXPECT_EQ(r.err.rfind("quillmar: ", 0), 0u) << line << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << line << ": " << r.err;
    EXPECT_TRUE(r.err.ends_with(hint)) << line << ": " << r.err;
  }
}

TEST_F(ConventionsTest, JsonIsTypedAndValidUtf8UnderANonUtf8DirectoryName) {
  // "café" in Latin-1: the byte E9 alone is no UTF-8.
  const std::string coll = Build("caf\xe9/coll");
  const std::string escaped = dir.Sub("caf") + "\\udce9/coll";
  auto ascii = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
  };

  test::CliResult r = Run("collections --format json --collection '" + coll + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[\n  {\"cdid\": \"QTST0001\", \"name\": \"Conventions\", \"path\": \"" +
                       escaped + "\", \"version\": \"0.0\", \"available\": true}\n]\n");
  // tsv keeps the bytes of the name as they are.
  r = Run("collections --collection '" + coll + "'");
  EXPECT_NE(r.out.find("\t" + coll + "\t"), std::string::npos) << r.out;

  r = Run("texts --format json --collection '" + coll + "'");
  EXPECT_EQ(r.out,
            "[\n  {\"number\": 1, \"name\": \"Genesis\"},\n  {\"number\": 2, \"name\": \"Psalms\"}"
            "\n]\n");

  r = Run("search --format json --collection '" + coll + "' -- darkness");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ascii(r.out)) << r.out;
  EXPECT_NE(r.out.find("{\"cdid\": \"QTST0001\", \"text\": 2, \"part\": 0, \"start\": "),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(std::regex_search(
      r.out, std::regex("\"end\": [0-9]+, \"positions\": \\[[0-9]+\\], \"words\": \"darkness\", "
                        "\"page\": 5, \"line\": 0, \"title\": \"Psalms\"\\}")))
      << r.out;

  // jsonl: one whole object per line, one line per hit.
  r = Run("search --format jsonl --collection '" + coll + "' -- light");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.front(), '{') << line;
    EXPECT_EQ(line.back(), '}') << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '{'), 1) << line;
  }
  EXPECT_NE(lines[2].find("\"text\": 2,"), std::string::npos) << lines[2];

  // tsv with --header: the column names, then the rows.
  r = Run("search --format tsv --header --context 1 --collection '" + coll + "' -- darkness");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> tsv = Lines(r.out);
  ASSERT_EQ(tsv.size(), 2u) << r.out;
  EXPECT_EQ(tsv[0], "cdid\ttext\tpart\tstart\tend\tpositions\twords\tpage\tline\ttitle\tcontext");
  EXPECT_EQ(tsv[1].rfind("QTST0001\t2\t0\t", 0), 0u) << tsv[1];
  r = Run("words --format tsv --header --collection '" + coll + "' light");
  EXPECT_TRUE(std::regex_match(
      r.out, std::regex("relation\tword\trecord\thits\nmatch\tlight\t[0-9]+\t3\n")))
      << r.out;
}

#ifdef __linux__  // the test watches the tool's signal handlers in /proc
// Ctrl-C while a search runs ends the tool with status 130. The search is made long by
// repeating it; the signal is sent once the tool has taken over SIGINT, which /proc shows.
TEST_F(ConventionsTest, InterruptedSearchExitsWith130) {
  const std::string coll = Build("coll");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(QUILLMAR_CLI_PATH, QUILLMAR_CLI_PATH, "search", "--collection", coll.c_str(), "--repeat",
          "10000000", "--", "light OR darkness", static_cast<char*>(nullptr));
    _exit(127);
  }
  // SigCgt, the caught signals in hex; SIGINT (2) is bit 1.
  auto catchesInterrupt = [pid] {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) & 2) != 0;
    return false;
  };
  int raw = 0;
  while (!catchesInterrupt()) {
    ASSERT_EQ(waitpid(pid, &raw, WNOHANG), 0) << "the search ended before it was interrupted";
    sched_yield();
  }
  ASSERT_EQ(kill(pid, SIGINT), 0);
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal instead of exiting";
  EXPECT_EQ(WEXITSTATUS(raw), 130);
}
#endif

}  // namespace
}  // namespace quillmar
