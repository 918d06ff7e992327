#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// quillmar build SOURCE... -o DIR [--fuzzy MODULE]: parses the source files, writes the
// collection into DIR (pictures are taken from the media/ directory beside the first source) and
// its word index. With --fuzzy the phonetic module MODULE (a file path) is registered with the
// plug-in manager, which computes the keys of the fuzzy word lists; the module's ID becomes the
// collection's fuzzy library identifier. Nothing is written to the user's settings.
int RunBuild(const Arguments& args, const std::string& argv0, std::ostream& out);

}  // namespace quillmar::cli
