#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/build_options.h"

namespace quillmar::builder {

inline constexpr int kFuzzyLevels = 4;

// "s<level>wl.dat" and "s<level>lnk.dat": the fuzzy word list and link file of a level 1..4.
std::string FuzzyWordListName(int level);
std::string FuzzyLinkFileName(int level);

// A key in the form the fuzzy word list stores and the word query looks up: the word key
// (Normalisieren) of the key, cut to 30 bytes (trailing blanks of the cut removed). The fuzzy
// lists are sorted by these bytes, which is their WortVergleich order.
std::string FuzzyListKey(std::string_view key);

// Writes the fuzzy word lists of all four levels into `dataDir` (docs/formats/fuzzy-lists.md):
// for every level each record of `words` (the words of wortlst.dat in file order) gets its key;
// the list holds one record per distinct key in key order, whose Von..Bis are the 0-based
// positions in the level's link file of the 0-based indexes of the key's words in wortlst.dat
// (ascending). Every word is linked exactly once per level. Raises EInOutError when a file
// cannot be written; exceptions of the key function pass through.
void WriteFuzzyLists(const std::vector<std::string>& words, const FuzzyKeySource& source,
                     const std::string& dataDir);

}  // namespace quillmar::builder
