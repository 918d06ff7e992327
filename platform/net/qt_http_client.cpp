#include "platform/net/qt_http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace quillmar {

namespace {

constexpr int kMaximumRedirects = 10;

class QtHttpTransfer : public HttpTransfer {
 public:
  QtHttpTransfer(QNetworkReply* reply, HttpReceiver& receiver)
      : reply_(reply), receiver_(receiver) {
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { Read(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this] { Done(); });
  }

  ~QtHttpTransfer() override {
    if (!reply_) return;
    QObject::disconnect(reply_, nullptr, nullptr, nullptr);
    reply_->abort();
    reply_->deleteLater();
  }

  void Abort() override {
    if (!reply_ || done_) return;
    aborted_ = true;
    reply_->abort();  // reports through Done, possibly before returning
  }

 private:
  void EnsureStarted() {
    if (started_) return;
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return;
    started_ = true;
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    receiver_.Started(status.toInt(), length.isValid() ? length.toLongLong() : -1);
  }

  void Read() {
    if (aborted_ || done_) return;
    EnsureStarted();
    const QByteArray block = reply_->readAll();
    if (block.isEmpty()) return;
    if (!receiver_.Received(block.constData(), static_cast<size_t>(block.size()))) {
      aborted_ = true;
      reply_->abort();
    }
  }

  void Done() {
    if (done_) return;
    if (!aborted_ && reply_->bytesAvailable() > 0) Read();
    done_ = true;
    EnsureStarted();
    std::string error;
    if (aborted_)
      error = "aborted";
    else if (reply_->error() == QNetworkReply::OperationCanceledError)
      error = "timed out";  // nobody here aborted it: the transfer timeout did
    else if (reply_->error() != QNetworkReply::NoError)
      error = reply_->errorString().toStdString();
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    receiver_.Finished(error);
  }

  QPointer<QNetworkReply> reply_;
  HttpReceiver& receiver_;
  bool started_ = false;
  bool aborted_ = false;
  bool done_ = false;
};

}  // namespace

QtHttpClient::QtHttpClient() : manager_(std::make_unique<QNetworkAccessManager>()) {}

QtHttpClient::~QtHttpClient() = default;

std::unique_ptr<HttpTransfer> QtHttpClient::Get(const HttpRequest& request,
                                                HttpReceiver& receiver) {
  if (request.proxy_host.empty())
    manager_->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
  else
    manager_->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy,
                                     QString::fromStdString(request.proxy_host),
                                     static_cast<quint16>(request.proxy_port)));
  QNetworkRequest r(QUrl(QString::fromStdString(request.url), QUrl::TolerantMode));
  r.setRawHeader("User-Agent", QByteArray::fromStdString(request.user_agent));
  if (!request.referer.empty())
    r.setRawHeader("Referer", QByteArray::fromStdString(request.referer));
  r.setRawHeader("Accept", QByteArray::fromStdString(request.accept));
  // Asking for the body as it is keeps Qt from unpacking it, so its size is the announced one.
  r.setRawHeader("Accept-Encoding", "identity");
  r.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                 QNetworkRequest::NoLessSafeRedirectPolicy);
  r.setMaximumRedirectsAllowed(kMaximumRedirects);
  r.setTransferTimeout(request.timeout_ms);
  return std::make_unique<QtHttpTransfer>(manager_->get(r), receiver);
}

}  // namespace quillmar
