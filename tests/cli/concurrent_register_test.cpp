// Registrations in a shell at the same time as other writers of the settings file: another shell,
// or the reader saving its session. Nothing is lost, since each save of the settings file is a
// locked read-modify-write.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_fixture.h"
#include "collection/registry_access.h"
#include "collection/session_store.h"
#include "platform/user_store.h"
#include "support/collection_writer.h"

namespace quillmar {
namespace {

class ConcurrentRegisterTest : public test::CliTest {
 protected:
  static constexpr int kEach = 50;

  // A shell script that registers kEach new collections, one `quillmar register` each, and
  // prints "failed <CDID>" for every registration that fails.
  std::string RegisterScript(char series) {
    std::string script;
    for (int i = 0; i < kEach; ++i) {
      char cdid[9];
      std::snprintf(cdid, sizeof cdid, "C%c%06d", series, i);
      test::CollectionSpec layout;
      layout.cdid = cdid;
      layout.title = cdid;
      test::TextRecord text;
      text.title = "Text";
      layout.texts.push_back(text);
      const std::string root = test::WriteCollection(dir.Sub(cdid), layout);
      script += std::string(QUILLMAR_CLI_PATH) + " register '" + root +
                "' >/dev/null || echo failed " + cdid + ";";
    }
    return script;
  }

  // Runs the script in a shell; its output (failures) lands in `output`.
  static void RunShell(const std::string& script, std::string& output) {
    FILE* pipe = popen(("{ " + script + " } 2>&1").c_str(), "r");
    if (pipe == nullptr) {
      output = "popen failed";
      return;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
    pclose(pipe);
  }

  int RegisteredCount() {
    const test::CliResult r = Run("collections");
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    int registered = 0;
    for (std::string line; std::getline(lines, line);) ++registered;
    return registered;
  }
};

TEST_F(ConcurrentRegisterTest, TwoProcessesRegisteringFiftyEachLeaveAllHundred) {
  const std::string scripts[2] = {RegisterScript('A'), RegisterScript('B')};
  std::string failures[2];
  std::thread first([&] { RunShell(scripts[0], failures[0]); });
  std::thread second([&] { RunShell(scripts[1], failures[1]); });
  first.join();
  second.join();
  EXPECT_EQ(failures[0] + failures[1], "");
  EXPECT_EQ(RegisteredCount(), 2 * kEach);
}

// The reader keeps one store for its whole run and saves its session into it again and again
// while a shell registers collections: the last session saved and every registration are there.
TEST_F(ConcurrentRegisterTest, TheReaderSavingItsSessionWhileAShellRegistersLosesNeither) {
  const std::string script = RegisterScript('R');
  auto store = OpenUserStore();  // the reader's settings file, as the fixture's environment sets
  RegistryAccess reg(*store);
  SessionStore session(reg);

  std::atomic<bool> shell_done{false};
  std::string failures;
  std::thread shell([&] {
    RunShell(script, failures);
    shell_done = true;
  });
  // Each save writes a different set of windows; the generation is in the last one's position.
  int32_t generation = 0;
  int saves_during_shell = 0;
  std::string save_error;
  try {
    while (!shell_done) {
      ++generation;
      std::vector<SessionWindow> windows(1 + generation % 8);
      for (SessionWindow& w : windows) w.CDID = "QMSA0001";
      windows.back().Position = generation;
      session.WriteWindows(windows);
      if (!shell_done) ++saves_during_shell;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  } catch (const std::exception& e) {
    save_error = e.what();
  }
  shell.join();
  ASSERT_EQ(save_error, "");
  EXPECT_EQ(failures, "");
  EXPECT_GT(saves_during_shell, 10);

  // Read back by a new store, as at the next start.
  auto again = OpenUserStore();
  RegistryAccess reg_again(*again);
  const std::vector<SessionWindow> windows = SessionStore(reg_again).ReadWindows();
  ASSERT_EQ(windows.size(), static_cast<size_t>(1 + generation % 8));
  EXPECT_EQ(windows.back().Position, generation);
  EXPECT_EQ(RegisteredCount(), kEach);
}

}  // namespace
}  // namespace quillmar
