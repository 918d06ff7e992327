#pragma once

#include <string>
#include <vector>

namespace quillmar::cli {

// The command-line arguments after the program name, as UTF-8. On Windows they are taken from
// the wide command line, so names outside the ANSI code page arrive intact whatever the
// process code page; elsewhere they are argv as it stands.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console take and show UTF-8 (Windows; elsewhere the terminal's locale decides and
// nothing is done).
void UseUtf8Console();

}  // namespace quillmar::cli
