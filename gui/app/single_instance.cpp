#include "gui/app/single_instance.h"

#include <QDir>

namespace quillmar::gui {

std::unique_ptr<QLockFile> SingleInstance::Acquire(const std::string& directory) {
  const QString dir = QString::fromStdString(directory);
  QDir().mkpath(dir);
  auto lock = std::make_unique<QLockFile>(QDir(dir).filePath(QString::fromLatin1(kLockName)));
  // A reader runs for hours: only a dead owner makes the lock stale, never its age.
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return nullptr;
  return lock;
}

}  // namespace quillmar::gui
