#include "support/temp_dir.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "base/paths.h"

namespace fs = std::filesystem;

namespace quillmar::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() /
        ("quillmar-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    if (fs::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
  ClearPathCache();
}

std::string TempDir::Sub(std::string_view relative) const {
  return NativeSeparators(JoinPath(path_, relative));
}

void WriteFile(const std::string& path, std::string_view bytes) {
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void TruncateFile(const std::string& path, uintmax_t size) { fs::resize_file(path, size); }

void FlipByte(const std::string& path, uintmax_t offset, uint8_t mask) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekg(static_cast<std::streamoff>(offset));
  char c = 0;
  f.read(&c, 1);
  f.seekp(static_cast<std::streamoff>(offset));
  c = static_cast<char>(static_cast<uint8_t>(c) ^ mask);
  f.write(&c, 1);
}

}  // namespace quillmar::test
