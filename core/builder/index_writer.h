#pragma once

#include <string>
#include <vector>

#include "builder/build_options.h"
#include "builder/index_entry.h"

namespace quillmar::builder {

// Writes the word index of a collection into `dataDir`: the word list "wortlst.dat" and the hit
// file "fundst.dat" (layouts in retrieval/index_layout.h, docs/formats/wortlst.md, fundst.md).
//
// - Each entry's word is trimmed, folded by KleinFalten and cut to 30 bytes; entries whose word is
//   empty after trimming are not indexed. Each distinct folded word gets one word-list record;
//   records are sorted by WortVergleich, words with equal keys by their bytes.
// - The hits of one word are contiguous in the hit file, ordered by text, position and layer.
// - Word numbers: a text whose entries all carry a word number keeps them. When any entry of a
//   text carries 0, the whole text is numbered afresh: 1, 2, ... in (layer, position) order, so
//   adjacent words differ by 1; after 65535 the count starts again at 1 (0 is never written).
// - The hit record holds: text, position, text part, page, line, chapter (paragraph key 1 and
//   chapter byte), sub-chapter, layer (paragraph key 2), paragraph key (paragraph key 3), word
//   number, language and both dates, as given (years in the collection's year representation).
//
// - With a fuzzy key source in `options`, the fuzzy word lists of the word list are written as
//   well (WriteFuzzyLists, builder/fuzzy_lists.h).
//
// Raises EInOutError when a file cannot be created or written, and Exception when an entry holds
// a value its hit-record field cannot represent (chapter above 255, day or month above 255, a
// year outside 0..65535) or when there are more hits than a 32-bit index can address.
void WriteIndex(const std::vector<IndexEntry>& entries, const std::string& dataDir,
                const BuildOptions& options = {});

}  // namespace quillmar::builder
