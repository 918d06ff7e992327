#include "collection/datei.h"

#include "base/paths.h"
#include "collection/file_window.h"

namespace quillmar {

TDatei::TDatei() : window_(kWindowSize, kHalfWidth) {}

void TDatei::SetDateiName(const std::string& name) {
  window_.Clear();
  empty_ = true;
  len_ = 0;
  no_more_data_ = true;
  name_ = name;
  std::optional<int32_t> size;
  if (FileExists(name)) size = OpenFileSize(ResolvePath(name));
  // A file that exists but cannot be opened is as good as gone for a reader that never raises.
  no_longer_available_ = !size.has_value();
  if (!size) return;
  len_ = *size;
  if (len_ > 0) {
    empty_ = false;
    no_more_data_ = false;
  }
}

char TDatei::Zeichen(int32_t pos) {
  no_more_data_ = false;
  if (pos < 1 || pos > len_) {
    no_more_data_ = true;
    return kOutOfRange;
  }
  if (window_.Holds(pos)) return static_cast<char>(window_.At(pos));
  if (!FileExists(name_) ||
      window_.Refill(ResolvePath(name_), pos, len_) == ByteWindow::Fill::kCannotOpen) {
    // The window stays as it was: reads inside it keep answering.
    no_longer_available_ = true;
    no_more_data_ = true;
    return kUnavailable;
  }
  no_longer_available_ = false;
  if (!window_.Holds(pos)) {
    // The file has become shorter than DateiLen: pos now lies beyond its end.
    no_more_data_ = true;
    return kOutOfRange;
  }
  return static_cast<char>(window_.At(pos));
}

}  // namespace quillmar
