#pragma once

#include <string>

namespace quillmar::retrieval {

// The phonetic conversion of a fuzzy-search library: turns a query word into the phonetic key of
// a fuzzy level (1..4). The plug-in manager implements it over the collection's library; an empty
// result means no key (for example when the library cannot be loaded). Words and keys are
// Windows-1252 bytes. Called on the search thread.
class PhoneticConversion {
 public:
  virtual ~PhoneticConversion() = default;
  virtual std::string Phoneme(const std::string& libraryId, const std::string& word, int level) = 0;
};

}  // namespace quillmar::retrieval
