#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillmar::cli {

// Checks the fuzzy word lists (s1wl.dat .. s4wl.dat) and link files (s1lnk.dat .. s4lnk.dat) of
// a collection's data directory against its word list `words` (wortlst.dat in file order).
// The lists are checked when any of their files exists or when `libraryId` (the collection's
// fuzzy library identifier) is set; then every level needs both files. Per level: whole records
// with lengths 0..30, keys strictly ascending by WortVergleich, ranges that start at 0, follow
// each other without gap or overlap and end at the last link; every link a record index of the
// word list; every word linked exactly once. With `keyOf` (word, level -> key, the module's
// conversion) every word must also be found from its own key: the record of
// Normalisieren(key) links it.
struct FuzzyCheckResult {
  bool present = false;  // the collection has (or should have) fuzzy lists
  int64_t keys = 0;      // records of all levels
  int64_t links = 0;     // links of all levels
};

FuzzyCheckResult CheckFuzzyLists(const std::string& dataDir, const std::string& libraryId,
                                 const std::vector<std::string>& words,
                                 const std::function<std::string(const std::string&, int)>& keyOf,
                                 const std::function<void(const std::string&)>& problem);

}  // namespace quillmar::cli
