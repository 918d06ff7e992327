#include "collection/file_window.h"

#include <filesystem>
#include <fstream>
#include <limits>

#include "base/paths.h"

namespace quillmar {

WindowRange WindowAround(int32_t pos, int32_t file_len, int32_t size, int32_t half) {
  // 64-bit arithmetic: pos + half may pass 2^31-1 near the end of a large file.
  const int64_t p = pos;
  const int64_t len = file_len;
  const int64_t lower = int64_t{half} + kWindowMargin;
  int64_t first = 1;
  int64_t last = len;
  if (p >= lower && p <= len - lower) {
    first = p - half;
    last = first + size - 1;
  } else if (p >= lower && len >= size) {
    first = len - size + 1;
  } else if (len >= size) {
    last = size;
  }
  return {static_cast<int32_t>(first), static_cast<int32_t>(last)};
}

std::optional<int32_t> OpenFileSize(const std::string& path) {
  // Only a regular file is opened: a directory has no bytes to offer, and a named pipe or a
  // device would block the open or a read.
  std::ifstream in;
  if (!OpenForReading(in, path)) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0) return std::nullopt;
  constexpr std::streamoff kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(end > kMax ? kMax : end);
}

std::optional<size_t> ReadFileBytes(const std::string& path, int32_t first, size_t count,
                                    uint8_t* out) {
  std::ifstream in;
  if (!OpenForReading(in, path)) return std::nullopt;
  in.seekg(static_cast<std::streamoff>(first) - 1);
  if (!in) return std::nullopt;
  in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
  const std::streamsize got = in.gcount();
  return got > 0 ? static_cast<size_t>(got) : 0;
}

ByteWindow::Fill ByteWindow::Refill(const std::string& path, int32_t pos, int32_t file_len) {
  const WindowRange range = WindowAround(pos, file_len, size_, half_);
  if (bytes_.empty()) bytes_.resize(static_cast<size_t>(size_));
  const auto count = static_cast<size_t>(range.last - range.first + 1);
  const std::optional<size_t> got = ReadFileBytes(path, range.first, count, bytes_.data());
  if (!got) return Fill::kCannotOpen;
  // Only the bytes actually read count as held, so a file that shrank never shows stale bytes.
  first_ = *got > 0 ? range.first : 0;
  last_ = *got > 0 ? range.first + static_cast<int32_t>(*got - 1) : 0;
  return *got == count ? Fill::kComplete : Fill::kShort;
}

}  // namespace quillmar
