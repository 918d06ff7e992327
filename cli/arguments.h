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

// The search ended because the user pressed Ctrl-C (SIGINT); exit status 130, as a shell
// reports a program that the signal ended.
struct Interrupted {};

// The options of "search" and "words". Lists are parsed here; dates stay text, because their
// error message is in the interface language, which is known only once the settings are read.
struct SearchArguments {
  int32_t distance = 20;  // --distance N: word distance for AND and "..." (0 = any)
  bool distanceGiven = false;
  int32_t mode = 1;                // --mode paragraph|section: 1 same paragraph, 2 same section
  int32_t fuzzy = 0;               // --fuzzy N (0..4)
  std::vector<int32_t> parts;      // --parts: the search form's text kinds; empty = all six
  std::vector<int32_t> languages;  // --languages: language codes; empty = the default set
  struct TextCondition {
    std::string cdid;
    int32_t text = 0;
  };
  std::vector<TextCondition> texts;           // --texts CDID:N,...
  std::optional<std::string> from, to, date;  // --from / --to / --date, as typed
  int language = 0;      // --lang de|en: kGerman or kEnglish; 0 = from the settings
  int32_t context = -1;  // --context N: words of context on each side; -1 = none
  int32_t repeat = 0;    // --repeat N: run the query N times and report the mean time
};

// The parsed command line: the command, its positional arguments and the common options.
struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  std::vector<std::string> collections;  // --collection DIR, in the order given
  OutputFormat format = OutputFormat::kTsv;
  bool formatGiven = false;  // --format was on the command line
  int32_t text = 0;          // --text N (1..255); 0 when not given
  int layer = 1;             // --layer 1|2|3: main text, footnotes, scholia/remarks
  bool plain = false;        // --plain
  bool unicode = false;      // --unicode: Greek as Unicode in show and search --context
  std::string output;        // -o / --output DIR
  std::string url;           // --url URL of "online refresh"
  // --fuzzy MODULE of build and check: the phonetic module's file (for the other commands
  // --fuzzy is the search's level, SearchArguments::fuzzy).
  std::string fuzzyModule;
  std::string from;          // --from FORMAT of build: import TEI or OSIS files first
  std::string collectionId;  // --id ID of import and build --from
  int textLevel = 0;         // --text-level N of import and build --from (TEI)
  bool help = false;         // --help, -h
  bool version = false;      // --version, -V
  bool header = false;       // --header: tsv output begins with the column names
  SearchArguments search;
  // The options on the command line by their long names, in the order given, for the check
  // that the command takes them.
  std::vector<std::string> given;

  // Parses argv[1..]. Options may stand anywhere; "--" ends them.
  static Arguments Parse(const std::vector<std::string>& args);
};

}  // namespace quillmar::cli
