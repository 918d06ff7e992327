#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillmar {

// One GET request. Texts are UTF-8; the header values are plain ASCII.
struct HttpRequest {
  std::string url;  // http or https
  std::string user_agent;
  std::string referer;
  std::string accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  std::string proxy_host;  // empty: a direct connection
  int32_t proxy_port = 0;
  // A transfer that receives nothing for this long fails.
  int32_t timeout_ms = 30000;
};

// What a transfer reports, in this order: Started once when the answer's headers are in (not for
// a connection that fails before), Received for each block of the body, and Finished exactly once
// at the end, also after Abort. The calls come from the event loop of the thread that started the
// transfer, never from within HttpClient::Get, and Finished may come from within Abort.
class HttpReceiver {
 public:
  virtual ~HttpReceiver() = default;
  // `status` is the HTTP status code of the final answer (after redirects); `content_length`
  // the announced body size, or -1 when the server announced none.
  virtual void Started(int status, int64_t content_length) = 0;
  // False ends the transfer; Finished then reports it as aborted.
  virtual bool Received(const char* data, size_t size) = 0;
  // `error` is empty when the transfer ran to its end; otherwise it says why it did not
  // (connection refused, timeout, aborted, ...). An error status such as 404 is no transfer
  // error: the receiver judges the status itself.
  virtual void Finished(const std::string& error) = 0;
};

// A running transfer. Destroying it ends the transfer without any further report.
class HttpTransfer {
 public:
  virtual ~HttpTransfer() = default;
  virtual void Abort() = 0;
};

// Runs GET requests asynchronously on the calling thread's event loop. The Qt platform library
// implements it with QNetworkAccessManager.
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Starts the request; the receiver must outlive the transfer.
  virtual std::unique_ptr<HttpTransfer> Get(const HttpRequest& request, HttpReceiver& receiver) = 0;
};

}  // namespace quillmar
