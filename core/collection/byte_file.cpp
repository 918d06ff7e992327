#include "collection/byte_file.h"

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/file_window.h"

namespace quillmar {

namespace {

constexpr LangText kCannotOpen{"Die Datei '%s' kann nicht geöffnet werden.",
                               "Cannot open the file '%s'."};
constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

[[noreturn]] void RaiseFileError(const LangText& text, const std::string& path) {
  throw EInOutError(Format(Tr(text), {path}));
}

}  // namespace

TByteFile::TByteFile() = default;

TByteFile::~TByteFile() = default;

void TByteFile::SetDateiName(const std::string& name) {
  // A new binding never keeps bytes of the previous file.
  first_ = 0;
  last_ = 0;
  len_ = 0;
  leer_ = true;
  keine_daten_mehr_ = true;
  name_ = name;
  if (name.empty()) return;
  const std::string path = ResolvePath(name);
  const std::optional<int32_t> size = OpenFileSize(path);
  if (!size) RaiseFileError(kCannotOpen, path);
  len_ = *size;
  if (len_ > 0) {
    leer_ = false;
    keine_daten_mehr_ = false;
  }
}

uint8_t TByteFile::GetByte(int32_t pos) {
  keine_daten_mehr_ = false;
  if (pos < 1 || pos > len_) {
    keine_daten_mehr_ = true;
    return 0;
  }
  if (first_ == 0 || pos < first_ || pos > last_) Refill(pos);
  return window_[static_cast<size_t>(pos - first_)];
}

int32_t TByteFile::GetDataLen() { return len_; }

void TByteFile::Refill(int32_t pos) {
  const WindowRange range = WindowAround(pos, len_, kWindowSize, kHalfWidth);
  if (window_.empty()) window_.resize(kWindowSize);
  // Emptied first: after a failed refill the window holds nothing half-read.
  first_ = 0;
  last_ = 0;
  const std::string path = ResolvePath(name_);
  const auto count = static_cast<size_t>(range.last - range.first + 1);
  const std::optional<size_t> got = ReadFileBytes(path, range.first, count, window_.data());
  if (!got) RaiseFileError(kCannotOpen, path);
  // A file shorter than when it was bound is a read error, as a read past its end would be.
  if (*got != count) RaiseFileError(kCannotRead, path);
  first_ = range.first;
  last_ = range.last;
}

}  // namespace quillmar
