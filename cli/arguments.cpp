#include "cli/arguments.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "base/language.h"

namespace quillmar::cli {

namespace {

// A decimal option value within min..max.
long Number(const std::string& name, const std::string& text, long min, long max) {
  size_t used = 0;
  long n = 0;
  try {
    n = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || n < min || n > max)
    throw UsageError(name + " needs a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + text + "'");
  return n;
}

// A comma-separated list of numbers, each within min..max.
std::vector<int32_t> NumberList(const std::string& name, const std::string& text, long min,
                                long max) {
  std::vector<int32_t> out;
  size_t begin = 0;
  while (begin <= text.size()) {
    const size_t end = std::min(text.find(',', begin), text.size());
    out.push_back(static_cast<int32_t>(Number(name, text.substr(begin, end - begin), min, max)));
    begin = end + 1;
  }
  return out;
}

// --texts CDID:N,...: text conditions, each a collection identifier and a text number.
std::vector<SearchArguments::TextCondition> TextConditions(const std::string& text) {
  std::vector<SearchArguments::TextCondition> out;
  size_t begin = 0;
  while (begin <= text.size()) {
    const size_t end = std::min(text.find(',', begin), text.size());
    const std::string item = text.substr(begin, end - begin);
    const size_t colon = item.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon > 8)
      throw UsageError("--texts needs CDID:N items, not '" + item + "'");
    out.push_back({item.substr(0, colon),
                   static_cast<int32_t>(Number("--texts", item.substr(colon + 1), 1, 255))});
    begin = end + 1;
  }
  return out;
}

// The search form's text kinds: heading, subtitle, text, margin remark, historical remark,
// footnote.
constexpr int32_t kTextKinds[] = {1, 3, 0, 12, 10, 11};

void SearchOption(SearchArguments& s, const std::string& name, const std::string& v) {
  if (name == "--distance") {
    s.distance = static_cast<int32_t>(Number(name, v, 0, 2147483647));
    s.distanceGiven = true;
  } else if (name == "--mode") {
    if (v == "paragraph")
      s.mode = 1;
    else if (v == "section")
      s.mode = 2;
    else
      throw UsageError("--mode needs paragraph or section, not '" + v + "'");
  } else if (name == "--fuzzy") {
    s.fuzzy = static_cast<int32_t>(Number(name, v, 0, 4));
  } else if (name == "--parts") {
    s.parts = NumberList(name, v, 0, 12);
    for (int32_t p : s.parts)
      if (std::find(std::begin(kTextKinds), std::end(kTextKinds), p) == std::end(kTextKinds))
        throw UsageError("--parts takes the text kinds 1, 3, 0, 12, 10, 11, not " +
                         std::to_string(p));
  } else if (name == "--languages") {
    s.languages = NumberList(name, v, 0, 255);
  } else if (name == "--texts") {
    s.texts = TextConditions(v);
  } else if (name == "--from") {
    s.from = v;
  } else if (name == "--to") {
    s.to = v;
  } else if (name == "--date") {
    s.date = v;
  } else if (name == "--lang") {
    if (v == "de")
      s.language = kGerman;
    else if (v == "en")
      s.language = kEnglish;
    else
      throw UsageError("--lang needs de or en, not '" + v + "'");
  } else if (name == "--context") {
    s.context = static_cast<int32_t>(Number(name, v, 0, 1000));
  } else if (name == "--repeat") {
    s.repeat = static_cast<int32_t>(Number(name, v, 1, 10000000));
  }
}

bool IsSearchOption(const std::string& arg) {
  static const char* const kNames[] = {"--distance",  "--mode",  "--fuzzy",   "--parts",
                                       "--languages", "--texts", "--from",    "--to",
                                       "--date",      "--lang",  "--context", "--repeat"};
  return std::find(std::begin(kNames), std::end(kNames), arg) != std::end(kNames);
}

}  // namespace

Arguments Arguments::Parse(const std::vector<std::string>& args) {
  Arguments a;
  bool options = true;
  std::optional<std::string> fuzzy;  // its meaning depends on the command
  std::optional<std::string> from;   // build: the import format; search: the first date
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const std::string& name) -> std::string {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    if (options && arg.size() > 1 && arg[0] == '-' && arg != "--")
      a.given.push_back(arg == "-h"   ? "--help"
                        : arg == "-V" ? "--version"
                        : arg == "-o" ? "--output"
                                      : arg);
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      a.help = true;
    } else if (options && (arg == "--version" || arg == "-V")) {
      a.version = true;
    } else if (options && arg == "--header") {
      a.header = true;
    } else if (options && arg == "--collection") {
      a.collections.push_back(value(arg));
    } else if (options && arg == "--format") {
      const std::string f = value(arg);
      if (f == "tsv")
        a.format = OutputFormat::kTsv;
      else if (f == "json")
        a.format = OutputFormat::kJson;
      else if (f == "jsonl")
        a.format = OutputFormat::kJsonl;
      else if (f == "text")
        a.format = OutputFormat::kText;
      else
        throw UsageError("unknown format '" + f + "' (tsv, json, jsonl or text)");
      a.formatGiven = true;
    } else if (options && arg == "--text") {
      a.text = static_cast<int32_t>(Number(arg, value(arg), 1, 255));
    } else if (options && arg == "--layer") {
      a.layer = static_cast<int>(Number(arg, value(arg), 1, 3));
    } else if (options && (arg == "-o" || arg == "--output")) {
      a.output = value(arg);
    } else if (options && arg == "--url") {
      a.url = value(arg);
    } else if (options && arg == "--fuzzy") {
      fuzzy = value(arg);
    } else if (options && arg == "--from") {
      from = value(arg);
    } else if (options && arg == "--id") {
      a.collectionId = value(arg);
    } else if (options && arg == "--text-level") {
      a.textLevel = static_cast<int>(Number(arg, value(arg), 0, 7));
    } else if (options && IsSearchOption(arg)) {
      SearchOption(a.search, arg, value(arg));
    } else if (options && arg == "--plain") {
      a.plain = true;
    } else if (options && arg == "--unicode") {
      a.unicode = true;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else if (a.command.empty()) {
      a.command = arg;
    } else {
      a.positional.push_back(arg);
    }
  }
  if (from && a.command == "build")
    a.from = *from;
  else if (from)
    SearchOption(a.search, "--from", *from);
  if (fuzzy && (a.command == "build" || a.command == "check"))
    a.fuzzyModule = *fuzzy;
  else if (fuzzy)
    SearchOption(a.search, "--fuzzy", *fuzzy);
  return a;
}

}  // namespace quillmar::cli
