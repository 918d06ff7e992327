#include "collection/fixed_record_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"

namespace fs = std::filesystem;

namespace quillmar {

namespace {

constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

// Records read per block by Scan: about 64 KiB whatever the record size.
constexpr size_t kScanBlockBytes = 65536;

struct OpenFile {
  std::ifstream stream;
  uintmax_t size = 0;
};

// Opens the file named by `path` (resolved case-insensitively) for reading; false when it is
// not an existing regular file or cannot be opened.
bool Open(const std::string& path, OpenFile& file) {
  const auto real = ResolveExisting(path);
  if (!real) return false;
  std::error_code ec;
  if (!fs::is_regular_file(FsPath(*real), ec)) return false;
  file.size = fs::file_size(FsPath(*real), ec);
  if (ec) return false;
  file.stream.open(FsPath(*real), std::ios::binary);
  return file.stream.is_open();
}

// Reads `count` bytes at `offset`; false on any failure or short read.
bool ReadAt(std::ifstream& stream, uintmax_t offset, uint8_t* out, size_t count) {
  stream.seekg(static_cast<std::streamoff>(offset));
  if (!stream) return false;
  stream.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
  return stream && static_cast<size_t>(stream.gcount()) == count;
}

}  // namespace

FixedRecordFile::FixedRecordFile(std::string_view path, size_t recordSize)
    : path_(path), record_size_(std::max<size_t>(recordSize, 1)) {}

std::optional<int64_t> FixedRecordFile::TryCount() const {
  OpenFile file;
  if (!Open(path_, file)) return std::nullopt;
  return static_cast<int64_t>(file.size / record_size_);
}

int64_t FixedRecordFile::Count() const {
  const auto count = TryCount();
  if (!count) throw EInOutError(ReadErrorText(path_));
  return *count;
}

bool FixedRecordFile::TryRead(int64_t index, std::span<uint8_t> out) const {
  if (index < 0 || out.size() < record_size_) return false;
  OpenFile file;
  if (!Open(path_, file)) return false;
  if (static_cast<uintmax_t>(index) >= file.size / record_size_) return false;
  return ReadAt(file.stream, static_cast<uintmax_t>(index) * record_size_, out.data(),
                record_size_);
}

std::optional<std::vector<uint8_t>> FixedRecordFile::TryReadAll(int64_t maxRecords) const {
  OpenFile file;
  if (!Open(path_, file)) return std::nullopt;
  const uintmax_t whole = file.size / record_size_;
  const uintmax_t count =
      std::min<uintmax_t>(whole, static_cast<uintmax_t>(std::max<int64_t>(maxRecords, 0)));
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * record_size_);
  if (!bytes.empty() && !ReadAt(file.stream, 0, bytes.data(), bytes.size())) return std::nullopt;
  return bytes;
}

void FixedRecordFile::Scan(const Visitor& visit) const {
  OpenFile file;
  if (!Open(path_, file)) throw EInOutError(ReadErrorText(path_));
  const uintmax_t whole = file.size / record_size_;
  const size_t per_block = std::max<size_t>(kScanBlockBytes / record_size_, 1);
  std::vector<uint8_t> block;
  for (uintmax_t first = 0; first < whole; first += per_block) {
    const size_t n = static_cast<size_t>(std::min<uintmax_t>(per_block, whole - first));
    block.resize(n * record_size_);
    if (!ReadAt(file.stream, first * record_size_, block.data(), block.size()))
      throw EInOutError(ReadErrorText(path_));
    for (size_t i = 0; i < n; ++i) {
      const std::span<const uint8_t> record(block.data() + i * record_size_, record_size_);
      if (!visit(static_cast<int64_t>(first + i), record)) return;
    }
  }
}

std::string FixedRecordFile::ReadErrorText(const std::string& path) {
  return Format(Tr(kCannotRead), {NativeSeparators(path)});
}

}  // namespace quillmar
