#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace quillmar::cli {

// What a command gets besides its arguments.
struct Io {
  const std::string& argv0;
  std::ostream& out;
  std::ostream& err;
};

// One command of the tool. A new command adds an entry to the table in commands.cpp: its name,
// its line in the overview, its help page and the options it takes; the parser (arguments.cpp)
// knows every option, and main refuses those a command does not take.
struct Command {
  const char* name;
  const char* summary;  // one line in the overview of "quillmar --help"
  const char* usage;    // the synopsis, without "quillmar "
  std::string help;     // the rest of "quillmar NAME --help": what it does, its options
  std::vector<std::string> options;  // long option names it takes (--help, --version always)
  bool textFormat = false;           // takes --format text besides tsv, json and jsonl
  int (*run)(const Arguments& args, const Io& io) = nullptr;
};

// The commands in the order of the overview.
const std::vector<Command>& Commands();
// The command of that name, or nullptr.
const Command* FindCommand(const std::string& name);

// "quillmar --help": the usage, the commands with their summaries, the exit codes and the
// environment variables.
std::string Overview();
// "quillmar NAME --help".
std::string CommandHelp(const Command& command);
// "quillmar 1.7.0".
std::string VersionLine();

// Refuses what the command does not take: an option outside its list, --format text for a
// command without a readable form, --header with a format other than tsv. Throws UsageError.
void CheckOptions(const Command& command, const Arguments& args);

}  // namespace quillmar::cli
