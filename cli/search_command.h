#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// search --collection DIR [--collection DIR ...] [options] -- QUERY: runs the query as the
// search thread does, over the collections in the given order, and writes the hits sorted by
// collection, text, text part and position. A malformed query, a cancelled search (SIGINT) or
// a file error writes its message on `err` and returns 1; hits found before a file error are
// still written. With --repeat N the search runs N times and the mean time per search is
// written on `err` as "time_us_per_query=<mean> hits=<count>".
int RunSearch(const Arguments& args, const std::string& argv0, std::ostream& out,
              std::ostream& err);

}  // namespace quillmar::cli
