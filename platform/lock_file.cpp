#include "platform/lock_file.h"

#include <thread>
#include <utility>

#ifdef _WIN32
#include <filesystem>

#include "base/paths.h"
#include "platform/windows_api.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace quillmar {

namespace {
constexpr std::chrono::milliseconds kPoll{10};
}  // namespace

LockFile::LockFile(std::string path) : path_(std::move(path)) {}

LockFile::~LockFile() { Unlock(); }

bool LockFile::Lock(std::chrono::milliseconds wait) {
  if (locked_) return true;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    switch (TryLock()) {
      case Attempt::kTaken:
        locked_ = true;
        return true;
      case Attempt::kFailed:
        return false;
      case Attempt::kBusy:
        break;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPoll);
  }
}

#ifdef _WIN32

LockFile::Attempt LockFile::TryLock() {
  const std::filesystem::path file = FsPath(path_);
  // No sharing: a second opener fails until this handle is closed, by Unlock or by the end of
  // the process; the file goes with the last handle.
  HANDLE handle =
      CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A file being deleted by its last holder answers "access denied" for a moment.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? Attempt::kBusy
                                                                            : Attempt::kFailed;
  }
  handle_ = handle;
  return Attempt::kTaken;
}

void LockFile::Unlock() {
  if (!locked_) return;
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  locked_ = false;
}

#else

LockFile::Attempt LockFile::TryLock() {
  const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return Attempt::kFailed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK || error == EINTR ? Attempt::kBusy : Attempt::kFailed;
  }
  // The holder before us removes the file before it lets go, so the lock may now be on a file
  // that is no longer the one at the path: then the lock is worth nothing, try again.
  struct stat held {};
  struct stat named {};
  if (fstat(fd, &held) != 0 || stat(path_.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
      held.st_ino != named.st_ino) {
    close(fd);
    return Attempt::kBusy;
  }
  fd_ = fd;
  return Attempt::kTaken;
}

void LockFile::Unlock() {
  if (!locked_) return;
  // Removed while still held, so nobody takes a lock on it between the two steps.
  unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
  locked_ = false;
}

#endif

}  // namespace quillmar
