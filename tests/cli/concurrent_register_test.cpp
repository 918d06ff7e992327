// Two shells registering collections at the same time: every registration survives, since each
// save of the settings file is a locked read-modify-write.

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "cli/cli_fixture.h"
#include "support/collection_writer.h"

namespace quillmar {
namespace {

class ConcurrentRegisterTest : public test::CliTest {};

TEST_F(ConcurrentRegisterTest, TwoProcessesRegisteringFiftyEachLeaveAllHundred) {
  constexpr int kEach = 50;
  std::string scripts[2];
  for (int shell = 0; shell < 2; ++shell) {
    for (int i = 0; i < kEach; ++i) {
      char cdid[9];
      std::snprintf(cdid, sizeof cdid, "C%c%06d", 'A' + shell, i);
      test::CollectionSpec layout;
      layout.cdid = cdid;
      layout.title = cdid;
      test::TextRecord text;
      text.title = "Text";
      layout.texts.push_back(text);
      const std::string root = test::WriteCollection(dir.Sub(cdid), layout);
      scripts[shell] += std::string(QUILLMAR_CLI_PATH) + " register '" + root +
                        "' >/dev/null || echo failed " + cdid + ";";
    }
  }
  std::string failures[2];
  auto run = [&](int shell) {
    FILE* pipe = popen(("{ " + scripts[shell] + " } 2>&1").c_str(), "r");
    if (pipe == nullptr) return;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) failures[shell].append(buf, n);
    pclose(pipe);
  };
  std::thread first(run, 0);
  std::thread second(run, 1);
  first.join();
  second.join();
  EXPECT_EQ(failures[0] + failures[1], "");

  const test::CliResult r = Run("collections");
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  int registered = 0;
  for (std::string line; std::getline(lines, line);) ++registered;
  EXPECT_EQ(registered, 2 * kEach) << r.out;
}

}  // namespace
}  // namespace quillmar
