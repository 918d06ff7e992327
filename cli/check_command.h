#pragma once

#include <ostream>
#include <string>

#include "cli/arguments.h"

namespace quillmar::cli {

// check --collection DIR [--fuzzy MODULE]: cross-checks the word index of a collection against its
// texts.
//
// The word list must hold whole records with lengths 0..30, sorted by WortVergleich (equal keys
// by their bytes), whose hit ranges start at 0, follow each other without gap or overlap and end
// at the last whole record of the hit file. Each hit must name a text of the catalog and a layer
// 1..3 in AbsatzKennung2 (the field the builder stores the layer in), the hits of a word must be
// ordered by text, position and layer, and the layer's stream must hold an indexed word at the
// hit's position whose word-list form (IndexWord, trimmed, folded, cut to 30 bytes) is the
// record's word. Link words are never indexed.
//
// The fuzzy word lists, when the collection has them, are checked against the word list
// (CheckFuzzyLists, cli/fuzzy_check.h); with --fuzzy MODULE every word must also be found from
// the key the module gives it. Then "fuzzy lists: K keys, L links checked" comes first.
//
// Writes "N words, M hits checked, K problems" to `out` and the first 20 problems to `err`, one
// line each. Exit status 0 without problems, else 1. Damaged files are problems, not crashes.
int RunCheck(const Arguments& args, const std::string& argv0, std::ostream& out, std::ostream& err);

}  // namespace quillmar::cli
