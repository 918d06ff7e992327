#pragma once

#include <memory>

#include "system/http_client.h"

class QNetworkAccessManager;

namespace quillmar {

// HTTP and HTTPS GETs through QNetworkAccessManager on the calling thread's event loop (which
// must belong to a QCoreApplication). Redirects are followed up to 10 times, but never from
// https to http; the body arrives exactly as sent (no content encoding is asked for), so its
// size can be checked against the announced length. A request with a proxy host goes through
// that HTTP proxy, one without connects directly.
class QtHttpClient : public HttpClient {
 public:
  QtHttpClient();
  ~QtHttpClient() override;
  std::unique_ptr<HttpTransfer> Get(const HttpRequest& request, HttpReceiver& receiver) override;

 private:
  std::unique_ptr<QNetworkAccessManager> manager_;
};

}  // namespace quillmar
