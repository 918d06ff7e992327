#include "cli/commands.h"

#include <algorithm>
#include <initializer_list>

#include "base/version.h"
#include "cli/build_command.h"
#include "cli/catalog_commands.h"
#include "cli/check_command.h"
#include "cli/import_command.h"
#include "cli/module_commands.h"
#include "cli/online_command.h"
#include "cli/search_command.h"
#include "cli/text_commands.h"
#include "cli/words_command.h"

namespace quillmar::cli {

namespace {

std::vector<std::string> Options(std::initializer_list<std::vector<std::string>> groups) {
  std::vector<std::string> out;
  for (const auto& g : groups) out.insert(out.end(), g.begin(), g.end());
  return out;
}

const std::vector<std::string> kTable = {"--format", "--header"};
const std::vector<std::string> kCollection = {"--collection"};
const std::vector<std::string> kSearch = {"--distance",  "--mode",  "--fuzzy",   "--parts",
                                          "--languages", "--texts", "--from",    "--to",
                                          "--date",      "--lang",  "--context", "--repeat"};

const std::string kTableHelp =
    "  --format tsv|json|jsonl\n"
    "                     tab-separated lines (default), one JSON array of objects, or one\n"
    "                     JSON object per line\n"
    "  --header           tsv: the column names as the first line\n";
const std::string kCollectionHelp =
    "options:\n"
    "  --collection DIR   the collection directory (the settings are left alone)\n";

std::vector<Command> MakeCommands() {
  std::vector<Command> c;
  c.push_back({"collections", "the collections in drives and registered directories",
               "collections [--collection DIR ...] [--format F] [--header]",
               "The catalog of collections: those in optical drives and registered directories,\n"
               "or, with --collection, only the given directories (the settings are left\n"
               "alone then). Columns: cdid, name, path, version, available.\n"
               "\n"
               "options:\n"
               "  --collection DIR   list this collection directory (repeatable)\n" +
                   kTableHelp,
               Options({kCollection, kTable}), false, [](const Arguments& a, const Io& io) {
                 return RunCollections(a, io.argv0, io.out);
               }});
  c.push_back({"register",
               "register a collection directory, as an installer would",
               "register DIR",
               "Registers DIR as a hard-disk collection in the settings, so that the reader and\n"
               "the catalog commands find it.\n",
               {},
               false,
               [](const Arguments& a, const Io& io) { return RunRegister(a, io.argv0, io.out); }});
  c.push_back(
      {"texts", "the texts of a collection", "texts --collection DIR [--format F] [--header]",
       "The texts of a collection. Columns: number, name.\n\n" + kCollectionHelp + kTableHelp,
       Options({kCollection, kTable}), false,
       [](const Arguments& a, const Io& io) { return RunTexts(a, io.argv0, io.out); }});
  c.push_back({"info", "the collection's metadata", "info --collection DIR [--format F] [--header]",
               "The metadata of a collection, one field per row. Columns: field, value.\n\n" +
                   kCollectionHelp + kTableHelp,
               Options({kCollection, kTable}), false,
               [](const Arguments& a, const Io& io) { return RunInfo(a, io.argv0, io.out); }});
  c.push_back({"media", "the entries of the collection's multimedia page",
               "media --collection DIR [--format F] [--header]",
               "The entries of the collection's multimedia page. Columns: index, type, caption,\n"
               "target (the module, the program or the files of the entry).\n\n" +
                   kCollectionHelp + kTableHelp,
               Options({kCollection, kTable}), false,
               [](const Arguments& a, const Io& io) { return RunMedia(a, io.argv0, io.out); }});
  c.push_back({"show", "a text as plain text",
               "show --collection DIR --text N [--layer 1|2|3] [--plain] [--unicode]",
               "A layer of a text as plain UTF-8 text, paragraph by paragraph, each after a line\n"
               "\"--- position P\" (its first text position).\n"
               "\n"
               "options:\n"
               "  --collection DIR   the collection directory\n"
               "  --text N           the text number (1..255)\n"
               "  --layer 1|2|3      main text, footnotes or scholia/remarks (default 1)\n"
               "  --plain            the text alone, without the position lines\n"
               "  --unicode          Greek in Unicode (NFC) rather than in its transliteration\n",
               Options({kCollection, {"--text", "--layer", "--plain", "--unicode"}}), false,
               [](const Arguments& a, const Io& io) { return RunShow(a, io.argv0, io.out); }});
  c.push_back({"dump-stream",
               "the paragraphs, words and codes of a stream file",
               "dump-stream FILE",
               "Every paragraph of a stream file and what the paragraph parser makes of it, one\n"
               "tab-separated item per line. Exit status 1 when a paragraph cannot be decoded.\n",
               {},
               false,
               [](const Arguments& a, const Io& io) { return RunDumpStream(a, io.out, io.err); }});
  c.push_back({"build",
               "build a collection from source files or TEI/OSIS files",
               "build SOURCE... -o DIR [--fuzzy MODULE] | build --from tei|osis FILE... -o DIR "
               "[--fuzzy MODULE] [--id ID] [--text-level N]",
               "Builds a collection from source files (.qms) into DIR: metadata, text catalog,\n"
               "streams, word index and, with --fuzzy, the fuzzy word lists. With --from, the\n"
               "files are TEI P5 or OSIS files, imported first (see 'quillmar import --help').\n"
               "\n"
               "options:\n"
               "  -o, --output DIR   the collection directory to write\n"
               "  --fuzzy MODULE     the phonetic module file whose keys fill the fuzzy lists\n"
               "  --from tei|osis    import the files from TEI P5 or OSIS first\n"
               "  --id ID            with --from: the collection identifier\n"
               "  --text-level N     with --from tei: the depth of the divisions that become\n"
               "                     texts (0: one text per file)\n",
               {"--output", "--fuzzy", "--from", "--id", "--text-level"},
               false,
               [](const Arguments& a, const Io& io) { return RunBuild(a, io.argv0, io.out); }});
  c.push_back({"import",
               "write the collection source of TEI P5 or OSIS files",
               "import tei|osis FILE... -o SOURCE.qms [--id ID] [--text-level N]",
               "Writes the collection source (.qms) of TEI P5 or OSIS files (OSIS documents and\n"
               "diatheke -f OSIS listings); the pictures they name are copied into media/ beside\n"
               "it. Elements the importer does not know keep their text and are counted in a\n"
               "summary line.\n"
               "\n"
               "options:\n"
               "  -o, --output FILE  the source file to write\n"
               "  --id ID            the collection identifier\n"
               "  --text-level N     TEI: the depth of the divisions that become texts (0: one\n"
               "                     text per file)\n",
               {"--output", "--id", "--text-level"},
               false,
               [](const Arguments& a, const Io& io) { return RunImport(a, io.out); }});
  c.push_back({"check", "cross-check a collection's word index against its texts",
               "check --collection DIR [--fuzzy MODULE]",
               "Cross-checks the word index against the texts and the fuzzy word lists against\n"
               "the word list. A summary on stdout, the first 20 problems on stderr; exit\n"
               "status 1 when there are problems.\n"
               "\n"
               "options:\n"
               "  --collection DIR   the collection directory\n"
               "  --fuzzy MODULE     every word must also be found from its key by this phonetic\n"
               "                     module file\n",
               Options({kCollection, {"--fuzzy"}}), false, [](const Arguments& a, const Io& io) {
                 return RunCheck(a, io.argv0, io.out, io.err);
               }});
  c.push_back(
      {"search", "run a query over collections",
       "search --collection DIR [--collection DIR ...] [options] -- QUERY",
       "Runs a query: words, masks with * and ?, \"phrases\", AND/UND, OR/ODER, ...,\n"
       "brackets; words in Greek letters are looked up in their transliteration. Hits\n"
       "are sorted by collection, text, text part and position. A\n"
       "malformed query prints its message and exits with 1.\n"
       "Columns (tsv, json, jsonl): cdid, text, part, start, end, positions, words, page,\n"
       "line, title (and context).\n"
       "\n"
       "options:\n"
       "  --collection DIR   search this collection directory (repeatable, in order)\n"
       "  --format text|tsv|json|jsonl\n"
       "                     readable lines (default), tab-separated lines, one JSON\n"
       "                     array, or one JSON object per hit and line\n"
       "  --header           tsv: the column names as the first line\n"
       "  --distance N       words between AND / \"...\" partners, 0 = any (default 20)\n"
       "  --mode paragraph|section\n"
       "                     partners in one paragraph (default) or anywhere in one\n"
       "                     section (then only --distance 0)\n"
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
       "  --unicode          the context's Greek in Unicode (NFC)\n"
       "  --repeat N         run the search N times after two untimed runs; times on stderr\n",
       Options({kCollection, kTable, kSearch, {"--unicode"}}), true,
       [](const Arguments& a, const Io& io) { return RunSearch(a, io.argv0, io.out, io.err); }});
  c.push_back({"words", "the word list records of a word or mask",
               "words --collection DIR [--lang de|en] [--format F] [--header] WORD|MASK",
               "The word list records of a word (or its neighbours when it is missing) or of a\n"
               "mask. Columns: relation (match, before, after), word, record, hits.\n\n" +
                   kCollectionHelp +
                   "  --lang de|en       the message language (default: the language setting)\n" +
                   kTableHelp,
               Options({kCollection, kTable, {"--lang"}}), false,
               [](const Arguments& a, const Io& io) { return RunWords(a, io.argv0, io.out); }});
  c.push_back({"xref", "where a collection's cross-reference links lead",
               "xref --collection DIR [--format F] [--header]",
               "The paragraphs with cross-reference keys and where their links lead. Columns:\n"
               "text, position, key, link, target. Broken links on stderr, exit status 1.\n\n" +
                   kCollectionHelp + kTableHelp,
               Options({kCollection, kTable}), false, [](const Arguments& a, const Io& io) {
                 return RunXref(a, io.argv0, io.out, io.err);
               }});
  c.push_back({"modules", "list, register or remove plug-in modules",
               "modules [--format F] [--header] | modules add PATH | modules remove ID",
               "Without an action: the registered plug-in modules. Columns: id, name, version,\n"
               "copyright, location. \"add PATH\" registers a module file (absolute path),\n"
               "\"remove ID\" removes a module's registration.\n\noptions:\n" +
                   kTableHelp,
               kTable, false, [](const Arguments& a, const Io& io) {
                 return RunModules(a, io.argv0, io.out, io.err);
               }});
  c.push_back({"online", "the online offers: refresh, list or download",
               "online refresh [--url URL] | online list | online get ID [--format F] [--header]",
               "\"refresh\" downloads the online list into the download directory (from --url or\n"
               "the \"Online\" setting, through the proxy of the settings) and prints the entries\n"
               "listed for this reader; \"list\" prints the entries of the downloaded list; \"get\n"
               "ID\" downloads a document entry once and prints its path. Columns: id, kind,\n"
               "major, minor, cdid, caption, target. A failed download prints its reason and\n"
               "exits with 1; the stored files stay as they were.\n"
               "\n"
               "options:\n"
               "  --url URL          refresh: the list's address instead of the setting\n" +
                   kTableHelp,
               Options({kTable, {"--url"}}), false, [](const Arguments& a, const Io& io) {
                 return RunOnline(a, io.argv0, io.out, io.err);
               }});
  return c;
}

bool Takes(const Command& command, const std::string& option) {
  return std::find(command.options.begin(), command.options.end(), option) != command.options.end();
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = MakeCommands();
  return commands;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

std::string VersionLine() {
  return "quillmar " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionBuild) + "\n";
}

std::string Overview() {
  std::string out =
      "usage: quillmar COMMAND [options]\n"
      "       quillmar COMMAND --help\n"
      "       quillmar --version\n"
      "\n"
      "Works on the reader's text collections without a window.\n"
      "\n"
      "commands:\n";
  for (const Command& c : Commands()) {
    std::string name = c.name;
    name.resize(std::max<size_t>(name.size() + 2, 14), ' ');
    out += "  " + name + c.summary + "\n";
  }
  out +=
      "\n"
      "exit status: 0 success, 1 failure (an error, problems found), 2 usage error,\n"
      "130 interrupted (Ctrl-C)\n"
      "\n"
      "environment:\n"
      "  QUILLMAR_CONFIG_DIR  directory of the settings file quillmar.ini\n"
      "  QUILLMAR_DATA_DIR    the program directory (bookmarks, downloads, announce.txt;\n"
      "                       modules installed from collections in its \"modules\")\n"
      "  QUILLMAR_PLUGIN_DIR  the program's own plug-in directory\n"
      "  QUILLMAR_CACHE_DIR   the cache directory (hit indexes of collections built\n"
      "                       elsewhere; rebuilt when missing)\n"
      "\n"
      "See 'quillmar COMMAND --help' for a command's options.\n";
  return out;
}

std::string CommandHelp(const Command& command) {
  return "usage: quillmar " + std::string(command.usage) + "\n\n" + command.help;
}

void CheckOptions(const Command& command, const Arguments& args) {
  for (const std::string& option : args.given) {
    if (option == "--help" || option == "--version" || Takes(command, option)) continue;
    throw UsageError(std::string(command.name) + " takes no option " + option);
  }
  if (args.format == OutputFormat::kText && !command.textFormat)
    throw UsageError("--format text is for search only");
  const OutputFormat format = args.formatGiven     ? args.format
                              : command.textFormat ? OutputFormat::kText
                                                   : OutputFormat::kTsv;
  if (args.header && format != OutputFormat::kTsv)
    throw UsageError("--header is for --format tsv only");
}

}  // namespace quillmar::cli
