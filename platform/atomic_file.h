#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "system/file_writer.h"

namespace quillmar {

// Whole-file reads and atomic whole-file replacement for the files the reader keeps for the user.
// Paths are UTF-8.

// What tells whether a file has changed since it was last read or written: another program that
// replaces the file changes its size, its modification time or (outside Windows) its inode.
struct FileStamp {
  bool exists = false;
  uint64_t size = 0;
  int64_t modified = 0;  // ns since 1970 (POSIX), 100-ns ticks since 1601 (Windows)
  uint64_t file_id = 0;  // inode number; 0 on Windows
  bool operator==(const FileStamp&) const = default;
};

// The file's stamp; exists == false when there is no such file, std::nullopt when the file system
// does not tell (no permission, I/O error).
std::optional<FileStamp> StampFile(const std::string& path);

struct FileContents {
  enum class Status { kRead, kMissing, kFailed, kTooLarge };
  Status status = Status::kFailed;
  std::string bytes;
  FileStamp stamp;  // of the contents read (or exists == false when missing)
};

// Reads a whole file of at most `max_size` bytes.
FileContents ReadWholeFile(const std::string& path, uint64_t max_size);

// Replaces `path` by a file holding `bytes`: writes a new file with a unique name in the same
// directory (created when missing), flushes it to the disk, then renames it over `path`. Every
// step is checked; on failure the new file is deleted, `path` stays as it was and the answer is
// std::nullopt. Otherwise the answer is the stamp of the file now at `path`.
std::optional<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// The core's FileWriter through ReplaceFileAtomically: flushed to the disk before the rename.
class AtomicFileWriter : public FileWriter {
 public:
  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    return ReplaceFileAtomically(path, bytes).has_value();
  }
};

}  // namespace quillmar
