#include "collection/datei.h"

#include "base/paths.h"
#include "collection/file_window.h"

namespace quillmar {

TDatei::TDatei() = default;

void TDatei::SetDateiName(const std::string& name) {
  first_ = 0;
  last_ = 0;
  leer_ = true;
  len_ = 0;
  keine_daten_mehr_ = true;
  name_ = name;
  std::optional<int32_t> size;
  if (FileExists(name)) size = OpenFileSize(ResolvePath(name));
  // A file that exists but cannot be opened is as good as gone for a reader that never raises.
  no_longer_available_ = !size.has_value();
  if (!size) return;
  len_ = *size;
  if (len_ > 0) {
    leer_ = false;
    keine_daten_mehr_ = false;
  }
}

char TDatei::Zeichen(int32_t pos) {
  keine_daten_mehr_ = false;
  if (pos < 1 || pos > len_) {
    keine_daten_mehr_ = true;
    return kOutOfRange;
  }
  if (InWindow(pos)) return window_[static_cast<size_t>(pos - first_)];
  if (!FileExists(name_) || !Refill(pos)) {
    // The window stays as it was: reads inside it keep answering.
    no_longer_available_ = true;
    keine_daten_mehr_ = true;
    return kUnavailable;
  }
  no_longer_available_ = false;
  if (!InWindow(pos)) {
    // The file has become shorter than DateiLen: pos now lies beyond its end.
    keine_daten_mehr_ = true;
    return kOutOfRange;
  }
  return window_[static_cast<size_t>(pos - first_)];
}

bool TDatei::Refill(int32_t pos) {
  const WindowRange range = WindowAround(pos, len_, kWindowSize, kHalfWidth);
  if (window_.empty()) window_.resize(kWindowSize);
  const auto count = static_cast<size_t>(range.last - range.first + 1);
  const std::optional<size_t> got = ReadFileBytes(ResolvePath(name_), range.first, count,
                                                  reinterpret_cast<uint8_t*>(window_.data()));
  if (!got) return false;
  // Only the bytes actually read count as held, so a file that shrank never shows stale bytes.
  first_ = *got > 0 ? range.first : 0;
  last_ = *got > 0 ? range.first + static_cast<int32_t>(*got - 1) : 0;
  return true;
}

}  // namespace quillmar
