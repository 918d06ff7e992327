#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// The text commands. Each writes its result to `out` and returns the exit status; errors are
// thrown (quillmar::Exception, UsageError).

// show --collection DIR --text N [--layer 1|2|3] [--plain]: the plain text of one layer of a
// text as UTF-8 with line breaks "\n"; without --plain paragraph by paragraph, each after a
// header line "--- position P" (its first text position) and followed by a line break.
int RunShow(const Arguments& args, const std::string& argv0, std::ostream& out);

// dump-stream FILE: every paragraph of a stream file and what the paragraph parser makes of it,
// one tab-separated item per line (see StreamDumper). Exit status 1 when a paragraph could not
// be decoded; the other paragraphs are still listed.
int RunDumpStream(const Arguments& args, std::ostream& out, std::ostream& err);

// xref --collection DIR: every main-text paragraph with a reference key and where the reader's
// cross-reference link leads: text, paragraph position, key, link text and the target
// "CDID text layer position" from the link table. A key the collection's lookup files do not
// know, or a link the link table cannot resolve, is reported on `err` (exit status 1).
int RunXref(const Arguments& args, const std::string& argv0, std::ostream& out, std::ostream& err);

}  // namespace quillmar::cli
