#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace quillmar::gui {

// The single-instance guard: a lock file that the first running reader holds until it ends.
// A lock left behind by a process that no longer runs is taken over.
//
// The first reader also listens on a local socket (InstanceServer); a second start that finds
// the lock taken asks it through Activate to come to the front, and ends.
class SingleInstance {
 public:
  static constexpr char kLockName[] = "quillmar-reader.lock";

  // Takes the lock in `directory` (created when missing). Null when another running process
  // holds it.
  static std::unique_ptr<QLockFile> Acquire(const std::string& directory);

  // The local socket name of the reader whose configuration lives in `directory`: one per
  // configuration directory, as the lock is.
  static QString ServerName(const std::string& directory);

  // Asks the reader listening on `serverName` to come to the front. False when none answers
  // within `timeoutMs`.
  static bool Activate(const QString& serverName, int timeoutMs = 2000);

  // Shows `window` again when it is minimised, raises and activates it.
  static void BringToFront(QWidget* window);
};

// The running reader's end of the hand-over: emits Activated for every second start that
// connects and asks for it.
class InstanceServer : public QObject {
  Q_OBJECT

 public:
  // Listens on `serverName`; a socket file left by a reader that crashed is removed first (the
  // caller holds the lock, so no other reader uses the name).
  explicit InstanceServer(const QString& serverName, QObject* parent = nullptr);
  bool Listening() const;

 signals:
  void Activated();

 private:
  void Read(QLocalSocket* socket);

  QLocalServer* server_;
};

}  // namespace quillmar::gui
