#include "cli/arguments.h"

#include <string>

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

}  // namespace

Arguments Arguments::Parse(const std::vector<std::string>& args) {
  Arguments a;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const std::string& name) -> std::string {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      a.help = true;
    } else if (options && arg == "--collection") {
      a.collections.push_back(value(arg));
    } else if (options && arg == "--format") {
      const std::string f = value(arg);
      if (f == "tsv")
        a.format = OutputFormat::kTsv;
      else if (f == "json")
        a.format = OutputFormat::kJson;
      else
        throw UsageError("unknown format '" + f + "' (tsv or json)");
    } else if (options && arg == "--text") {
      a.text = static_cast<int32_t>(Number(arg, value(arg), 1, 255));
    } else if (options && arg == "--layer") {
      a.layer = static_cast<int>(Number(arg, value(arg), 1, 3));
    } else if (options && (arg == "-o" || arg == "--output")) {
      a.output = value(arg);
    } else if (options && arg == "--plain") {
      a.plain = true;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else if (a.command.empty()) {
      a.command = arg;
    } else {
      a.positional.push_back(arg);
    }
  }
  return a;
}

}  // namespace quillmar::cli
