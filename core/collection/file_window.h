#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmar {

// Shared mechanics of the windowed file readers (TDatei, TByteFile): where a window lands after a
// miss, and reading a stretch of a file with one open and close. Positions are 1-based.

// Distance a window is kept from either end of the file before it stops re-centring, in bytes.
inline constexpr int32_t kWindowMargin = 200;

// Positions first ... last (inclusive) that a window holds.
struct WindowRange {
  int32_t first = 0;
  int32_t last = 0;
};

// The range a window of `size` bytes with half width `half` is refilled with for a read at `pos`
// (1 <= pos <= file_len): centred on pos while pos keeps half + margin bytes to both ends of the
// file, otherwise the last or first `size` bytes, or the whole file when it is shorter.
WindowRange WindowAround(int32_t pos, int32_t file_len, int32_t size, int32_t half);

// The size in bytes of the file at `path` (already resolved), found by opening it read-only;
// sizes beyond 2^31-1 are clamped to 2^31-1 since positions are 32-bit. std::nullopt when the file
// cannot be opened.
std::optional<int32_t> OpenFileSize(const std::string& path);

// Opens `path` read-only, reads up to `count` bytes starting at the 1-based position `first` into
// `out`, and closes it again. Returns how many bytes were read (fewer when the file has become
// shorter), or std::nullopt when the file cannot be opened or positioned.
std::optional<size_t> ReadFileBytes(const std::string& path, int32_t first, size_t count,
                                    uint8_t* out);

// The bytes a windowed reader holds: positions first ... last of its file, none while empty.
class ByteWindow {
 public:
  enum class Fill { kComplete, kShort, kCannotOpen };

  ByteWindow(int32_t size, int32_t half) : size_(size), half_(half) {}

  bool Holds(int32_t pos) const { return first_ > 0 && pos >= first_ && pos <= last_; }
  // The byte at a position the window holds.
  uint8_t At(int32_t pos) const { return bytes_[static_cast<size_t>(pos - first_)]; }
  void Clear() { first_ = last_ = 0; }

  // Reads the range WindowAround(pos, file_len, ...) of the file at `path` (resolved) and holds
  // the bytes actually read: fewer than the range (kShort) when the file has become shorter.
  // kCannotOpen leaves the window as it was.
  Fill Refill(const std::string& path, int32_t pos, int32_t file_len);

 private:
  int32_t size_;
  int32_t half_;
  std::vector<uint8_t> bytes_;  // allocated on the first refill
  int32_t first_ = 0;
  int32_t last_ = 0;
};

}  // namespace quillmar
