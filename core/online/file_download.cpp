#include "online/file_download.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"

namespace quillmar {

namespace {

constexpr LangText kCannotCreate{"Die Datei '%s' kann nicht angelegt werden.",
                                 "Cannot create the file '%s'."};
constexpr LangText kCannotWrite{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};
constexpr LangText kWriteError{"Schreibfehler beim Herunterladen der Datei.",
                               "Write error while downloading file."};
constexpr LangText kCancelled{"Abgebrochen.", "Cancelled."};
constexpr LangText kBadStatus{"Der Server antwortete mit dem Status %s.",
                              "The server answered with status %s."};
constexpr LangText kIncomplete{"Die Übertragung endete nach %s von %s Bytes.",
                               "The transfer ended after %s of %s bytes."};

// A new file with a unique name in `directory`, opened for writing; never an existing file.
std::FILE* CreateTemporary(const std::string& directory, std::string& name) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned tag = random() ^ (counter++ * 2654435761U);
    name = JoinPath(directory, "~download" + std::to_string(tag) + ".tmp");
    // "x": fails when the name exists, so no other file is ever overwritten.
    if (std::FILE* file = std::fopen(name.c_str(), "wbx")) return file;
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) break;  // not a name clash: the directory refuses
  }
  throw EInOutError(Format(Tr(kCannotCreate), {name}));
}

}  // namespace

std::string ReceivedText(int64_t received, int64_t total) {
  return std::string(Tr(kReceived)) + ": " + std::to_string(received) + " / " +
         std::to_string(total);
}

FileDownload::FileDownload(HttpClient& client) : client_(client) {}

FileDownload::~FileDownload() {
  if (!busy_) return;
  transfer_.reset();
  Discard();
}

bool FileDownload::Start(const std::string& target, const HttpRequest& request, Events events) {
  if (busy_) return false;
  transfer_.reset();
  std::string temp;
  std::FILE* file = CreateTemporary(DirectoryOf(target), temp);
  target_ = target;
  temp_ = temp;
  file_ = file;
  events_ = std::move(events);
  busy_ = true;
  cancelled_ = false;
  status_ = 0;
  length_ = -1;
  received_ = 0;
  write_error_.clear();
  try {
    transfer_ = client_.Get(request, *this);
  } catch (...) {
    Discard();
    busy_ = false;
    throw;
  }
  return true;
}

void FileDownload::Cancel() {
  if (!busy_ || cancelled_) return;
  cancelled_ = true;
  if (transfer_) transfer_->Abort();
}

void FileDownload::Started(int status, int64_t content_length) {
  status_ = status;
  length_ = content_length;
}

bool FileDownload::Received(const char* data, size_t size) {
  if (!busy_ || !file_) return false;
  if (status_ < 200 || status_ > 299) return true;  // an error page is not the file
  if (size == 0) return true;
  if (std::fwrite(data, 1, size, file_) != size) {
    write_error_ = Tr(kWriteError);
    return false;
  }
  received_ += static_cast<int64_t>(size);
  if (events_.progress) events_.progress(received_, length_);
  return true;
}

void FileDownload::Finished(const std::string& error) {
  if (!busy_) return;
  if (file_) {
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if ((!flushed || !closed) && write_error_.empty()) write_error_ = Tr(kWriteError);
  }
  DownloadResult result;
  if (cancelled_) {
    result.cancelled = true;
    result.error = Tr(kCancelled);
  } else if (!write_error_.empty()) {
    result.error = write_error_;
  } else if (status_ != 0 && (status_ < 200 || status_ > 299)) {
    result.error = Format(Tr(kBadStatus), {std::to_string(status_)});
  } else if (!error.empty()) {
    result.error = error;
  } else if (status_ == 0) {
    result.error = Format(Tr(kBadStatus), {"0"});
  } else if (length_ >= 0 && received_ != length_) {
    result.error = Format(Tr(kIncomplete), {std::to_string(received_), std::to_string(length_)});
  } else {
    // rename replaces an existing target in one step; the target never goes missing.
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec)
      result.error = Format(Tr(kCannotWrite), {target_}) + " " + ec.message();
    else
      result.ok = true;
    if (result.ok) temp_.clear();
  }
  if (!result.ok) Discard();
  busy_ = false;
  // The handler may start the next download, which replaces events_.
  const Events events = std::move(events_);
  events_ = {};
  if (events.finished) events.finished(result);
}

void FileDownload::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  std::error_code ec;
  if (!temp_.empty()) std::filesystem::remove(temp_, ec);
  temp_.clear();
}

}  // namespace quillmar
