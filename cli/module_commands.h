#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace quillmar::cli {

// "modules": the registered plug-in modules (id, name, version, copyright, location);
// "modules add PATH": registers a module file by its absolute path; "modules remove ID": removes
// a registration. They work on the user's settings. Failures of the manager are reported on
// stderr and give exit status 1.
int RunModules(const Arguments& args, const std::string& argv0, std::ostream& out,
               std::ostream& err);

}  // namespace quillmar::cli
