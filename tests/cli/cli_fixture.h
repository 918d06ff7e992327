#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/temp_dir.h"

namespace quillmar::test {

struct CliResult {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

// Runs the real command-line tool (QUILLMAR_CLI_PATH) with a settings file, program directory
// and cache directory of its own in a temporary directory.
class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    setenv("QUILLMAR_CONFIG_DIR", dir.Sub("config").c_str(), 1);
    setenv("QUILLMAR_DATA_DIR", dir.Sub("data").c_str(), 1);
    setenv("QUILLMAR_CACHE_DIR", dir.Sub("cache").c_str(), 1);
  }

  // `args` is passed through the shell as it stands.
  CliResult Run(const std::string& args) {
    const std::string err = dir.Sub("stderr.txt");
    CliResult r;
    FILE* pipe = popen((std::string(QUILLMAR_CLI_PATH) + " " + args + " 2>" + err).c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadFile(err);
    return r;
  }

  TempDir dir;
};

}  // namespace quillmar::test
