#pragma once

#include <ostream>
#include <string>

#include "builder/import.h"
#include "cli/arguments.h"

namespace quillmar::cli {

// quillmar import FORMAT FILE... -o SOURCE.qms [--id ID] [--text-level N]: writes the collection
// source of TEI or OSIS files, and copies the pictures they name into media/ beside it.
int RunImport(const Arguments& args, std::ostream& out);

// The files of `args.positional` (from `first` on) read by the importer of `format` ("tei" or
// "osis"; anything else is a usage error), with --id and --text-level.
builder::ImportResult ImportFiles(const std::string& format, const Arguments& args, size_t first);

// Copies the pictures of an import into `mediaDir` (created when needed).
void CopyPictures(const builder::ImportResult& result, const std::string& mediaDir);

}  // namespace quillmar::cli
