#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace quillmar::cli {

// The catalog commands. Each writes its result to `out` and returns the exit status; errors are
// thrown (quillmar::Exception, UsageError).
int RunCollections(const Arguments& args, const std::string& argv0, std::ostream& out);
int RunRegister(const Arguments& args, const std::string& argv0, std::ostream& out);
int RunTexts(const Arguments& args, const std::string& argv0, std::ostream& out);
int RunInfo(const Arguments& args, const std::string& argv0, std::ostream& out);

}  // namespace quillmar::cli
