#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collection/file_window.h"

namespace quillmar {

// Byte-wise random access to a binary collection file through a window of 65535 bytes. The file
// is opened only to fill the window and closed again at once. Positions are 1-based.
//
// A position outside the file reads as 0 and sets KeineDatenMehr. A file that is missing or
// cannot be read when the window has to be filled raises EInOutError.
class TByteFile {
 public:
  static constexpr int32_t kWindowSize = 65535;
  static constexpr int32_t kHalfWidth = 32767;

  TByteFile();
  virtual ~TByteFile();
  TByteFile(const TByteFile&) = delete;
  TByteFile& operator=(const TByteFile&) = delete;

  // Binds the reader to a file (any letter case and either separator) and takes its length; an
  // empty name binds to nothing. Raises EInOutError when the file cannot be opened; the reader
  // is then bound to the name with DateiLen 0.
  void SetDateiName(const std::string& name);
  const std::string& DateiName() const { return name_; }

  int32_t DateiLen() const { return len_; }
  // True until a file of at least one byte is bound.
  bool DateiLeer() const { return empty_; }
  // True when the last read fell outside the file.
  bool KeineDatenMehr() const { return no_more_data_; }

  // The byte at `pos`.
  virtual uint8_t GetByte(int32_t pos);
  // The length of the data: DateiLen bytes.
  virtual int32_t GetDataLen();

 private:
  void Refill(int32_t pos);

  ByteWindow window_;
  std::string name_;
  int32_t len_ = 0;
  bool empty_ = true;
  bool no_more_data_ = true;
};

}  // namespace quillmar
