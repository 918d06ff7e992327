#pragma once

#include <cstdint>

#include "collection/byte_file.h"

namespace quillmar {

// A file of little-endian 32-bit signed integers (the fuzzy-search link files), read by 1-based
// index through the byte window of TByteFile.
class TLongIntFile : public TByteFile {
 public:
  // The number of 32-bit values. Raises Exception "Wrong file format in '<name>' (TLIF-GDL)" when
  // the length is not a multiple of 4; the reader stays usable.
  int32_t GetDataLen() override;

  // The index-th value: the bytes at positions 4*index-3 ... 4*index, least significant first.
  // Bytes beyond the end of the file read as 0.
  int32_t GetLongInt(int32_t index);
};

}  // namespace quillmar
