#include "system/file_writer.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace quillmar {

bool StandardFileWriter::ReplaceFile(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  // A name of its own for every write, so two writers never share a temporary file; "x" creates
  // it exclusively.
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  std::string temp;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
    temp = path + "." + std::to_string(salt) + "-" + std::to_string(counter++) + ".tmp";
    file = std::fopen(temp.c_str(), "wbx");
  }
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  std::error_code ec;
  if (ok) {
    fs::rename(temp, path, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temp, ec);
  return ok;
}

}  // namespace quillmar
