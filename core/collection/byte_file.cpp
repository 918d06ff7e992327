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
  // A file that is missing, a directory, a pipe or a device is named as such.
  if (&text == &kCannotOpen && !IsRegularFile(path)) throw EInOutError(UnusableFileText(path));
  throw EInOutError(Format(Tr(text), {path}));
}

}  // namespace

TByteFile::TByteFile() : window_(kWindowSize, kHalfWidth) {}

TByteFile::~TByteFile() = default;

void TByteFile::SetDateiName(const std::string& name) {
  // A new binding never keeps bytes of the previous file.
  window_.Clear();
  len_ = 0;
  empty_ = true;
  no_more_data_ = true;
  name_ = name;
  if (name.empty()) return;
  const std::string path = ResolvePath(name);
  const std::optional<int32_t> size = OpenFileSize(path);
  if (!size) RaiseFileError(kCannotOpen, path);
  len_ = *size;
  if (len_ > 0) {
    empty_ = false;
    no_more_data_ = false;
  }
}

uint8_t TByteFile::GetByte(int32_t pos) {
  no_more_data_ = false;
  if (pos < 1 || pos > len_) {
    no_more_data_ = true;
    return 0;
  }
  if (!window_.Holds(pos)) Refill(pos);
  return window_.At(pos);
}

int32_t TByteFile::GetDataLen() { return len_; }

void TByteFile::Refill(int32_t pos) {
  // Emptied first: after a failed refill the window holds nothing half-read.
  window_.Clear();
  const std::string path = ResolvePath(name_);
  const ByteWindow::Fill fill = window_.Refill(path, pos, len_);
  if (fill == ByteWindow::Fill::kCannotOpen) RaiseFileError(kCannotOpen, path);
  // A file shorter than when it was bound is a read error, as a read past its end would be.
  if (fill == ByteWindow::Fill::kShort) {
    window_.Clear();
    RaiseFileError(kCannotRead, path);
  }
}

}  // namespace quillmar
