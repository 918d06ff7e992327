// The network module: QtHttpClient behind the plain C interface of http_module.h.

#include "platform/net/http_module.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <memory>
#include <string>

#include "platform/net/qt_http_client.h"

namespace {

class CallbackReceiver : public quillmar::HttpReceiver {
 public:
  CallbackReceiver(const QuillmarHttpGet& request, QEventLoop& loop)
      : request_(request), loop_(loop) {}

  bool done() const { return done_; }

  void Started(int status, int64_t content_length) override {
    request_.started(request_.context, status, content_length);
  }
  bool Received(const char* data, size_t size) override {
    return request_.received(request_.context, data, size) != 0;
  }
  void Finished(const std::string& error) override {
    done_ = true;
    request_.finished(request_.context, error.c_str());
    loop_.quit();
  }

 private:
  const QuillmarHttpGet& request_;
  QEventLoop& loop_;
  bool done_ = false;
};

}  // namespace

extern "C" Q_DECL_EXPORT void quillmar_run_http_get(const QuillmarHttpGet* request) {
  std::unique_ptr<QCoreApplication> app;
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "quillmar";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  quillmar::HttpRequest r;
  r.url = request->url;
  r.user_agent = request->user_agent;
  r.referer = request->referer;
  r.accept = request->accept;
  r.proxy_host = request->proxy_host;
  r.proxy_port = request->proxy_port;
  r.timeout_ms = request->timeout_ms;
  QEventLoop loop;
  CallbackReceiver receiver(*request, loop);
  {
    quillmar::QtHttpClient client;
    const std::unique_ptr<quillmar::HttpTransfer> transfer = client.Get(r, receiver);
    if (!receiver.done()) loop.exec();
  }
}

// Compile-time check that the export matches the interface's type.
[[maybe_unused]] static constexpr QuillmarRunHttpGet kExportType = &quillmar_run_http_get;
