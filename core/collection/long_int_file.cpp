#include "collection/long_int_file.h"

#include <limits>

#include "base/errors.h"

namespace quillmar {

namespace {
constexpr int64_t kValueSize = 4;  // one little-endian int32 per record
}

int32_t TLongIntFile::GetDataLen() {
  const int32_t len = TByteFile::GetDataLen();
  if (len % kValueSize != 0)
    throw Exception("Wrong file format in '" + DateiName() + "' (TLIF-GDL)");
  return static_cast<int32_t>(len / kValueSize);
}

int32_t TLongIntFile::GetLongInt(int32_t index) {
  const int64_t base = kValueSize * int64_t{index} - 3;
  uint32_t value = 0;
  for (int64_t k = 0; k < kValueSize; ++k) {
    const int64_t pos = base + k;
    // Positions outside the 32-bit range lie outside every file: they are read as position 0,
    // which answers as any out-of-range position does (0, KeineDatenMehr).
    const bool representable = pos >= 1 && pos <= std::numeric_limits<int32_t>::max();
    const int32_t at = representable ? static_cast<int32_t>(pos) : 0;
    value |= uint32_t{GetByte(at)} << (8 * k);
  }
  return static_cast<int32_t>(value);
}

}  // namespace quillmar
