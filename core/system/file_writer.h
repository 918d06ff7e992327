#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Writes whole files the reader keeps for the user (bookmarks, notes): `path` is replaced by a
// file holding `bytes` at once, so a crash or a full disk never leaves a half-written file.
// Answers false when the write failed; `path` is then as it was.
//
// The platform's implementation writes a new file in the same directory, flushes it to the disk
// and renames it over the old one (AtomicFileWriter). StandardFileWriter does the same with the
// C++ library alone, which cannot flush to the disk: the old or the new file survives a crash of
// the program, though not necessarily a power cut. Tests and the command-line tool use it.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual bool ReplaceFile(const std::string& path, std::string_view bytes) = 0;
};

class StandardFileWriter : public FileWriter {
 public:
  bool ReplaceFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace quillmar
