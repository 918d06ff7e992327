#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collection/file_window.h"

namespace quillmar {

// Byte-wise random access to a text stream file through a window of 10000 bytes. The file is
// opened only to fill the window and closed again at once, so the medium may change between two
// reads; a reader notices when its file has vanished. Positions are 1-based.
//
// Zeichen never raises: a position outside the file answers 'X' and sets KeineDatenMehr; a file
// that has vanished (or can no longer be opened) answers ' ' and sets NoLangerAvailable.
class TDatei {
 public:
  static constexpr int32_t kWindowSize = 10000;
  static constexpr int32_t kHalfWidth = 5000;
  static constexpr char kOutOfRange = 'X';
  static constexpr char kUnavailable = ' ';

  TDatei();

  // Binds the reader to a file (any letter case and either separator): empties the window and
  // takes the file's length. A missing file leaves DateiLen 0 and sets NoLangerAvailable.
  void SetDateiName(const std::string& name);
  const std::string& DateiName() const { return name_; }

  int32_t DateiLen() const { return len_; }
  // True while the file is empty or unknown.
  bool DateiLeer() const { return empty_; }
  // True when the last read fell outside the file (or the file was empty or missing).
  bool KeineDatenMehr() const { return no_more_data_; }
  // True when the file no longer exists.
  bool NoLangerAvailable() const { return no_longer_available_; }

  // The byte at `pos`.
  char Zeichen(int32_t pos);

 private:
  ByteWindow window_;
  std::string name_;
  int32_t len_ = 0;
  bool empty_ = true;
  bool no_more_data_ = true;
  bool no_longer_available_ = false;
};

}  // namespace quillmar
