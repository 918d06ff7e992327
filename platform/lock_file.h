#pragma once

#include <chrono>
#include <string>

namespace quillmar {

// An exclusive lock between processes, held through a lock file: on POSIX systems an flock() on
// the file, on Windows the file opened without sharing. The system drops the lock when its
// holder ends, also when it is killed, so a lock left behind never blocks anyone; a lock file
// left on disk by a killed holder is simply taken over. The file is removed when the lock is
// released.
//
// The lock belongs to the open file, so two objects on one path exclude each other also within
// one process (threads); an object is not for use by two threads at once.
class LockFile {
 public:
  explicit LockFile(std::string path);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // Takes the lock, waiting up to `wait` for another holder to release it. False when it is still
  // held by then or the lock file cannot be created (no such directory, no permission).
  bool Lock(std::chrono::milliseconds wait);
  // Releases the lock if held.
  void Unlock();

 private:
  // One attempt without waiting; kBusy when another process holds the lock.
  enum class Attempt { kTaken, kBusy, kFailed };
  Attempt TryLock();

  std::string path_;
  bool locked_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace quillmar
