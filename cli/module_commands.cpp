#include "cli/module_commands.h"

#include <filesystem>

#include "base/paths.h"
#include "cli/session.h"
#include "cli/table_writer.h"

namespace quillmar::cli {

int RunModules(const Arguments& args, const std::string& argv0, std::ostream& out,
               std::ostream& err) {
  if (!args.collections.empty())
    throw UsageError("modules works on the registered modules, not on --collection");
  const std::string action = args.positional.empty() ? "" : args.positional[0];
  if (action.empty()) {
    Session session(argv0, {});
    TableWriter table(out, args.format, {"id", "name", "version", "copyright", "location"},
                      args.header);
    for (const auto& m : session.Plugins().ModuleList())
      table.Row({m.ID, m.Name, m.Version, m.Copyright, m.Location});
    return 0;
  }
  if (args.positional.size() != 2)
    throw UsageError(action == "add" || action == "remove"
                         ? "modules " + action + " needs exactly one argument"
                         : "unknown modules action '" + action + "' (add or remove)");
  const std::string& argument = args.positional[1];
  if (action == "add") {
    if (!FsPath(argument).is_absolute())
      throw UsageError("modules add needs the module file's absolute path, not '" + argument + "'");
    Session session(argv0, {});
    const std::string id = session.Plugins().RegisterModule(argument);
    if (id.empty()) throw AlreadyReported{};
    out << "registered " << id << " at " << session.Catalog().Settings().GetPlugInName(id) << "\n";
    return 0;
  }
  if (action == "remove") {
    Session session(argv0, {});
    if (!session.Plugins().UnregisterModule(argument)) {
      err << "quillmar: no module is registered as '" << argument << "'\n";
      return 1;
    }
    out << "removed " << argument << "\n";
    return 0;
  }
  throw UsageError("unknown modules action '" + action + "' (add or remove)");
}

}  // namespace quillmar::cli
