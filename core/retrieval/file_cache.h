#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace quillmar::retrieval {

// A file at one moment: its (resolved) path, size and modification time. Cached contents are
// served only while a file still has the stamp it had when it was read.
struct FileStamp {
  std::string path;
  int64_t size = 0;
  int64_t mtime = 0;  // in the file system's clock ticks
};

// The stamp of an existing file (a resolved path); std::nullopt when it cannot be examined.
std::optional<FileStamp> StampFile(const std::string& path);

// Reads a whole file with one read; std::nullopt when it cannot be opened or its length differs
// from `expected` (it changed while being read).
std::optional<std::string> ReadWholeFile(const std::string& path, int64_t expected);

// Whole contents of small index files (word lists) recently read, shared by every search of the
// process: a lookup then costs a stat instead of several 60,000-byte reads. Contents are served
// only while the file has the size and modification time it had when it was read. Thread-safe.
class FileCache {
 public:
  using Inhalt = std::shared_ptr<const std::string>;

  FileCache(size_t budgetBytes, size_t maxFileBytes)
      : budget_(budgetBytes), max_file_(maxFileBytes) {}
  // The cache of the process (64 MB, files up to 16 MB).
  static FileCache& Instance();

  // The contents of the file at `path` (an existing, resolved path), read now if needed; null
  // when the file is too large to keep or cannot be read (callers then read it themselves).
  Inhalt Get(const std::string& path);
  // The same for a file whose stamp the caller has just taken: no further look at the file
  // unless its contents have to be read.
  Inhalt Get(const FileStamp& stamp);
  // The contents from the second request for the same stamp on: null the first time (the
  // caller reads the few blocks it needs itself), so a single lookup in a fresh process does
  // not read the whole file, while repeated searches are served from memory.
  Inhalt GetFromSecondUse(const FileStamp& stamp);
  void Leeren();

 private:
  struct Eintrag {
    std::string path;
    int64_t size;
    int64_t mtime;
    Inhalt contents;
  };

  std::mutex lock_;
  size_t budget_;
  size_t max_file_;
  size_t used_ = 0;
  std::list<Eintrag> order_;  // most recently used first; few entries
  std::list<Eintrag> seen_;   // files asked for once and not read (no contents); few entries
};

}  // namespace quillmar::retrieval
