#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// quillmar build SOURCE... -o DIR: parses the source files, writes the collection into DIR
// (pictures are taken from the media/ directory beside the first source) and its word index.
int RunBuild(const Arguments& args, std::ostream& out);

}  // namespace quillmar::cli
