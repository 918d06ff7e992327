#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/table_writer.h"

namespace quillmar::cli {

// A command line that the tool cannot use; the message says why. Exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The parsed command line: the command, its positional arguments and the common options.
struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  std::vector<std::string> collections;  // --collection DIR, in the order given
  OutputFormat format = OutputFormat::kTsv;
  int32_t text = 0;    // --text N (1..255); 0 when not given
  int layer = 1;       // --layer 1|2|3: main text, footnotes, scholia/remarks
  bool plain = false;  // --plain
  std::string output;  // -o / --output DIR
  bool help = false;

  // Parses argv[1..]. Options may stand anywhere; "--" ends them.
  static Arguments Parse(const std::vector<std::string>& args);
};

}  // namespace quillmar::cli
