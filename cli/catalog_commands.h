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
// The entries of the collection's multimedia page in order: index, type, caption and what the
// entry runs (module identifier, program path, or the files of the short information).
int RunMedia(const Arguments& args, const std::string& argv0, std::ostream& out);

}  // namespace quillmar::cli
