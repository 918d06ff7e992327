#include "cli/arguments.h"

namespace quillmar::cli {

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
