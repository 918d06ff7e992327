#pragma once

#include <string>
#include <vector>

namespace quillmar::cli {

// The command-line arguments after the program name, as UTF-8. On Windows they are taken from
// the wide command line, so names outside the ANSI code page arrive intact whatever the
// process code page; elsewhere they are argv as it stands.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console take and show UTF-8 while it lives, and gives the console its previous code
// pages back afterwards (they belong to the console, not to the process). Windows only;
// elsewhere the terminal's locale decides and nothing is done.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

#ifdef _WIN32
 private:
  unsigned input_ = 0, output_ = 0;  // the previous code pages; 0 = none to restore
#endif
};

}  // namespace quillmar::cli
