#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// "online refresh [--url URL]": downloads the online list into the download directory (through
// the proxy of the settings) and prints its listed entries; "online list": the listed entries of
// the stored list; "online get ID": downloads a document entry once and prints its path.
// Entries are printed as id, kind, major, minor, CD id, caption, target. A failed download is
// reported on stderr with its reason and gives exit status 1; the stored files stay as they were.
int RunOnline(const Arguments& args, const std::string& argv0, std::ostream& out,
              std::ostream& err);

}  // namespace quillmar::cli
