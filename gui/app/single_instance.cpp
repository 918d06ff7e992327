#include "gui/app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace quillmar::gui {
namespace {

// What a second start sends; the server ignores anything else.
constexpr char kActivate[] = "activate\n";

}  // namespace

std::unique_ptr<QLockFile> SingleInstance::Acquire(const std::string& directory) {
  const QString dir = QString::fromStdString(directory);
  QDir().mkpath(dir);
  auto lock = std::make_unique<QLockFile>(QDir(dir).filePath(QString::fromLatin1(kLockName)));
  // A reader runs for hours: only a dead owner makes the lock stale, never its age.
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return nullptr;
  return lock;
}

QString SingleInstance::ServerName(const std::string& directory) {
  // Socket names are short on some systems: a digest of the absolute path stands for it.
  const QByteArray path = QDir(QString::fromStdString(directory)).absolutePath().toUtf8();
  const QByteArray digest = QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex();
  return QStringLiteral("quillmar-reader-") + QString::fromLatin1(digest.left(16));
}

bool SingleInstance::Activate(const QString& serverName, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(serverName);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kActivate);
  const bool written = socket.waitForBytesWritten(timeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return written;
}

void SingleInstance::BringToFront(QWidget* window) {
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

InstanceServer::InstanceServer(const QString& serverName, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(serverName);
  server_->listen(serverName);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      Read(socket);  // the request may have arrived with the connection
    }
  });
}

bool InstanceServer::Listening() const { return server_->isListening(); }

void InstanceServer::Read(QLocalSocket* socket) {
  while (socket->canReadLine()) {
    if (socket->readLine() == kActivate) emit Activated();
  }
}

}  // namespace quillmar::gui
