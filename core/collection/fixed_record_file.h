#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// A collection file of fixed-size records, read-only. The file is looked up case-insensitively
// and opened for each call and closed again, so a medium may be changed between two calls. Only
// whole records count: a trailing partial record is neither counted nor read. Not thread-safe;
// an object belongs to one thread at a time.
class FixedRecordFile {
 public:
  FixedRecordFile(std::string_view path, size_t recordSize);

  const std::string& Path() const { return path_; }
  size_t RecordSize() const { return record_size_; }

  // Number of whole records; std::nullopt when the file cannot be opened.
  std::optional<int64_t> TryCount() const;
  // Number of whole records; raises EInOutError when the file cannot be opened.
  int64_t Count() const;

  // Record `index` (0-based) into `out`, which holds RecordSize() bytes. false when the file
  // cannot be opened or the record is not whole.
  bool TryRead(int64_t index, std::span<uint8_t> out) const;

  // The first `maxRecords` whole records (fewer when the file is shorter), concatenated;
  // std::nullopt when the file cannot be opened or a read fails.
  std::optional<std::vector<uint8_t>> TryReadAll(int64_t maxRecords) const;

  // Calls visit(index, record) for the whole records in file order until it returns false.
  // Reads in blocks. Raises EInOutError when the file cannot be opened or a read fails.
  using Visitor = std::function<bool(int64_t, std::span<const uint8_t>)>;
  void Scan(const Visitor& visit) const;

  // The EInOutError text for a file that cannot be read, in the current language.
  static std::string ReadErrorText(const std::string& path);

 private:
  std::string path_;
  size_t record_size_;
};

}  // namespace quillmar
