#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar::test {

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() joined with a relative path that may use "/" (native separators in the result).
  std::string Sub(std::string_view relative) const;

 private:
  std::string path_;
};

// Writes a file, creating its parent directories.
void WriteFile(const std::string& path, std::string_view bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::string& path);

// Damage for robustness tests: cut a file to `size` bytes; xor the byte at `offset` with `mask`.
void TruncateFile(const std::string& path, uintmax_t size);
void FlipByte(const std::string& path, uintmax_t offset, uint8_t mask = 0xFF);

}  // namespace quillmar::test
