#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillmar::builder {

// Where the phonetic keys of the fuzzy word lists come from: the fuzzy library's identifier
// (stored as the collection's metadata property 'o', by which the reader finds the library) and
// its conversion of a word (Windows-1252, as the word list stores it) into the key of a level
// 1..4. An empty key is allowed; the builder brings every key into word-list form.
struct FuzzyKeySource {
  std::string libraryId;
  std::function<std::string(const std::string& word, int level)> key;
};

// Options of a collection build.
struct BuildOptions {
  // With a key source the builder writes the fuzzy word lists s1wl.dat .. s4wl.dat and their
  // link files s1lnk.dat .. s4lnk.dat, and names the library in the metadata.
  std::optional<FuzzyKeySource> fuzzy;
};

}  // namespace quillmar::builder
