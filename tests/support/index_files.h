#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "retrieval/hit_list.h"

namespace quillmar::test {

// One word of a hand-made word index with its hits, in hit-file order.
struct IndexWord {
  std::string word;
  std::vector<retrieval::TFundstelle> hits;
};

// The 44-byte hit-file record of a hit.
std::vector<uint8_t> EncodeHit(const retrieval::TFundstelle& hit);

// Writes "wortlst.dat" and "fundst.dat" into `dataDir`: the words sorted by WortVergleich, each
// word's hits contiguous in the given order. Returns the bytes of the hit file.
std::string WriteIndexFiles(const std::string& dataDir, std::vector<IndexWord> words);

}  // namespace quillmar::test
