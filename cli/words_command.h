#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// words --collection DIR WORD|MASK: the word list records of a word, or its neighbours when the
// word list lacks it, or the records a mask expands to. One row per record: relation ("match",
// "before", "after"), word, 1-based record number, hit count.
int RunWords(const Arguments& args, const std::string& argv0, std::ostream& out);

}  // namespace quillmar::cli
