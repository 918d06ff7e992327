// quillmar: the reader's command-line tool for scripted work on collections.

#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/arguments.h"
#include "cli/build_command.h"
#include "cli/catalog_commands.h"
#include "cli/check_command.h"
#include "cli/module_commands.h"
#include "cli/search_command.h"
#include "cli/session.h"
#include "cli/text_commands.h"
#include "cli/words_command.h"

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
    "  media --collection DIR               the entries of the collection's multimedia page:\n"
    "                                       index, type, caption, module, program or files\n"
    "  show --collection DIR --text N [--layer 1|2|3] [--plain]\n"
    "                                       a text's layer as plain text, paragraph by\n"
    "                                       paragraph (--plain: exactly, without headers)\n"
    "  dump-stream FILE                     the paragraphs, words and codes of a stream file\n"
    "  build SOURCE... -o DIR [--fuzzy MODULE]\n"
    "                                       build a collection from source files (.qms);\n"
    "                                       --fuzzy: with fuzzy word lists from the\n"
    "                                       phonetic module file MODULE\n"
    "  check --collection DIR [--fuzzy MODULE]\n"
    "                                       cross-check the word index against the texts\n"
    "                                       and the fuzzy word lists against the word\n"
    "                                       list (--fuzzy: each word must be found from\n"
    "                                       its key by MODULE); summary on stdout,\n"
    "                                       problems on stderr\n"
    "  search --collection DIR [--collection DIR ...] [search options] -- QUERY\n"
    "                                       run a query; hits sorted by collection, text,\n"
    "                                       text part and position (default --format text)\n"
    "  words --collection DIR WORD|MASK     the word list records of a word (or its\n"
    "                                       neighbours when missing) or of a mask:\n"
    "                                       relation, word, record number, hit count\n"
    "  xref --collection DIR               the paragraphs with cross-reference keys and\n"
    "                                       where their links lead: text, position, key,\n"
    "                                       link, target (problems on stderr)\n"
    "  modules                              the registered plug-in modules: id, name,\n"
    "                                       version, copyright, location\n"
    "  modules add PATH                     register a module file (absolute path)\n"
    "  modules remove ID                    remove a module's registration\n"
    "\n"
    "options:\n"
    "  --collection DIR   work on this collection directory without touching the settings\n"
    "  --format tsv|json  output format of tabular results (default tsv); search also\n"
    "                     takes text\n"
    "  --text N           text number (1..255)\n"
    "  --layer 1|2|3      main text, footnotes, scholia/remarks (default 1)\n"
    "  --plain            plain text only\n"
    "\n"
    "search options:\n"
    "  --distance N       words between AND / \"...\" partners, 0 = any (default 20)\n"
    "  --mode paragraph|section\n"
    "                     partners in one paragraph (default) or anywhere in one\n"
    "                     section (no --distance then)\n"
    "  --fuzzy N          fuzzy level 0..4 (default 0)\n"
    "  --parts LIST       text kinds 1 heading, 3 subtitle, 0 text, 12 margin remark,\n"
    "                     10 historical remark, 11 footnote (default all)\n"
    "  --languages LIST   language codes 0 de, 1 la, 101 en, 102 fr, 103 el, 104 es,\n"
    "                     105 it, 199 other, 255 all (default all but 255)\n"
    "  --texts CDID:N,... search only these texts\n"
    "  --from DATE, --to DATE, --date DATE\n"
    "                     date range or exact date: d.m.yyyy, m.yyyy or yyyy\n"
    "  --lang de|en       keywords UND/ODER or AND/OR and the message language\n"
    "                     (default: the language setting)\n"
    "  --context N        each hit with N words of context, hit words in [[ ]]\n"
    "  --repeat N         run the search N times after two untimed runs; times on stderr\n"
    "\n"
    "environment:\n"
    "  QUILLMAR_CONFIG_DIR  directory of the settings file quillmar.ini\n"
    "  QUILLMAR_DATA_DIR    the program directory (bookmarks, downloads, announce.txt;\n"
    "                       modules installed from collections in its \"modules\")\n"
    "  QUILLMAR_PLUGIN_DIR  the program's own plug-in directory (default: \"plugins\" beside\n"
    "                       the executable or one level up, or ../lib/quillmar/plugins)\n";

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
    if (args.format == OutputFormat::kText && args.command != "search")
      throw UsageError("--format text is for search only");
    if (args.command == "build") return RunBuild(args, argv0, std::cout);
    if (args.command == "collections") return RunCollections(args, argv0, std::cout);
    if (args.command == "register") return RunRegister(args, argv0, std::cout);
    if (args.command == "texts") return RunTexts(args, argv0, std::cout);
    if (args.command == "info") return RunInfo(args, argv0, std::cout);
    if (args.command == "media") return RunMedia(args, argv0, std::cout);
    if (args.command == "show") return RunShow(args, argv0, std::cout);
    if (args.command == "check") return RunCheck(args, argv0, std::cout, std::cerr);
    if (args.command == "dump-stream") return RunDumpStream(args, std::cout, std::cerr);
    if (args.command == "search") return RunSearch(args, argv0, std::cout, std::cerr);
    if (args.format == OutputFormat::kText) throw UsageError("--format text is for search only");
    if (args.command == "words") return RunWords(args, argv0, std::cout);
    if (args.command == "xref") return RunXref(args, argv0, std::cout, std::cerr);
    if (args.command == "modules") return RunModules(args, argv0, std::cout, std::cerr);
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
