// quillmar: the reader's command-line tool for scripted work on collections.

#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/arguments.h"
#include "cli/build_command.h"
#include "cli/catalog_commands.h"
#include "cli/check_command.h"
#include "cli/session.h"
#include "cli/text_commands.h"

namespace {

constexpr char kUsage[] =
    "usage: quillmar COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  collections [--collection DIR ...]   the catalog of collections (drives, registered\n"
    "                                       directories) or of the given directories\n"
    "  register DIR                         register DIR as a hard-disk collection\n"
    "  texts --collection DIR               the texts of a collection: number, tab, name\n"
    "  info --collection DIR                the collection's metadata\n"
    "  show --collection DIR --text N [--layer 1|2|3] [--plain]\n"
    "                                       a text's layer as plain text, paragraph by\n"
    "                                       paragraph (--plain: exactly, without headers)\n"
    "  dump-stream FILE                     the paragraphs, words and codes of a stream file\n"
    "  build SOURCE... -o DIR               build a collection from source files (.qms)\n"
    "  check --collection DIR               cross-check the word index against the texts\n"
    "                                       (summary on stdout, problems on stderr)\n"
    "\n"
    "options:\n"
    "  --collection DIR   work on this collection directory without touching the settings\n"
    "  --format tsv|json  output format of tabular results (default tsv)\n"
    "  --text N           text number (1..255)\n"
    "  --layer 1|2|3      main text, footnotes, scholia/remarks (default 1)\n"
    "  --plain            plain text only\n"
    "\n"
    "environment:\n"
    "  QUILLMAR_CONFIG_DIR  directory of the settings file quillmar.ini\n"
    "  QUILLMAR_DATA_DIR    the program directory (bookmarks, downloads, announce.txt)\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quillmar::cli;
  const std::string argv0 = argc > 0 ? argv[0] : "quillmar";
  try {
    const Arguments args = Arguments::Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (args.help || args.command.empty() || args.command == "help") {
      std::cout << kUsage;
      return args.command.empty() && !args.help ? 2 : 0;
    }
    if (args.command == "build") return RunBuild(args, std::cout);
    if (args.command == "collections") return RunCollections(args, argv0, std::cout);
    if (args.command == "register") return RunRegister(args, argv0, std::cout);
    if (args.command == "texts") return RunTexts(args, argv0, std::cout);
    if (args.command == "info") return RunInfo(args, argv0, std::cout);
    if (args.command == "show") return RunShow(args, argv0, std::cout);
    if (args.command == "check") return RunCheck(args, argv0, std::cout, std::cerr);
    if (args.command == "dump-stream") return RunDumpStream(args, std::cout, std::cerr);
    throw UsageError("unknown command '" + args.command + "'");
  } catch (const UsageError& e) {
    std::cerr << "quillmar: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const AlreadyReported&) {
    return 1;
  } catch (const std::exception& e) {
    // Internal-error texts separate their two lines with a carriage return.
    std::string message = e.what();
    for (char& c : message)
      if (c == '\r') c = '\n';
    std::cerr << "quillmar: " << message << "\n";
    return 1;
  }
}
