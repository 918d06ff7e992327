#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "base/language.h"
#include "system/http_client.h"

namespace quillmar {

// How a download ended.
struct DownloadResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // why it failed (UTF-8, interface language); empty on success
};

// Fetches one URL into a file, one download at a time. The body goes into a new temporary file
// beside the target; only a complete answer replaces the target, by renaming the temporary file
// over it, so the target is always either its previous content or the whole new one. Complete
// means: the transfer ended without error, the status is 2xx, and when the server announced a
// length, exactly that many bytes arrived. Every other ending deletes the temporary file.
class FileDownload : private HttpReceiver {
 public:
  struct Events {
    // Bytes received so far and the announced length (-1 when none).
    std::function<void(int64_t received, int64_t total)> progress;
    // Called once per started download, after the target was replaced or the temporary file
    // deleted.
    std::function<void(const DownloadResult&)> finished;
  };

  explicit FileDownload(HttpClient& client);
  ~FileDownload() override;  // ends a running transfer and deletes its temporary file
  FileDownload(const FileDownload&) = delete;
  FileDownload& operator=(const FileDownload&) = delete;

  // Starts fetching request.url into `target`. False, doing nothing else, while another
  // download runs. Raises EInOutError when the temporary file cannot be created.
  bool Start(const std::string& target, const HttpRequest& request, Events events);
  // Ends the running download as cancelled; nothing happens when none runs.
  void Cancel();
  bool Busy() const { return busy_; }
  int64_t Received() const { return received_; }

 private:
  void Started(int status, int64_t content_length) override;
  bool Received(const char* data, size_t size) override;
  void Finished(const std::string& error) override;
  void Discard();

  HttpClient& client_;
  std::unique_ptr<HttpTransfer> transfer_;
  Events events_;
  std::string target_, temp_;
  std::FILE* file_ = nullptr;
  bool busy_ = false;
  bool cancelled_ = false;
  int status_ = 0;
  int64_t length_ = -1;
  int64_t received_ = 0;
  std::string write_error_;
};

// The status bar's texts.
inline constexpr LangText kConnecting{"Mit Host verbinden...", "connecting..."};
inline constexpr LangText kReceived{"empfangen", "recieved"};
inline constexpr LangText kDownloadSuccessful{"Download erfolgreich.", "Download successful."};
inline constexpr LangText kDownloadFailed{"Download fehlgeschlagen.", "Download failed."};

// "recieved: n / m".
std::string ReceivedText(int64_t received, int64_t total);

}  // namespace quillmar
