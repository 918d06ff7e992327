#include "platform/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace quillmar {

namespace {

constexpr size_t kChunk = 64 * 1024;

using Status = FileContents::Status;

}  // namespace

#ifdef _WIN32

namespace {

std::wstring Wide(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace

std::optional<FileStamp> StampFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileStamp{};
    return std::nullopt;
  }
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.modified =
      static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime);
  return stamp;
}

// The stamp is taken before the read: a file replaced in between reads newer than its stamp,
// which only costs one more read later.
FileContents ReadWholeFile(const std::string& path, uint64_t max_size) {
  FileContents out;
  const auto stamp = StampFile(path);
  if (!stamp) return out;
  out.stamp = *stamp;
  if (!stamp->exists) {
    out.status = Status::kMissing;
    return out;
  }
  if (stamp->size > max_size) {
    out.status = Status::kTooLarge;
    return out;
  }
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      out.stamp = FileStamp{};
      out.status = Status::kMissing;
    }
    return out;
  }
  char buffer[kChunk];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(kChunk), &got, nullptr)) {
      CloseHandle(file);
      return out;
    }
    if (got == 0) break;
    if (out.bytes.size() + got > max_size) {
      CloseHandle(file);
      out.bytes.clear();
      out.status = Status::kTooLarge;
      return out;
    }
    out.bytes.append(buffer, got);
  }
  CloseHandle(file);
  out.status = Status::kRead;
  return out;
}

std::optional<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  const std::wstring target = Wide(path);
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::path(target).parent_path();
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++) + L".tmp";
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return std::nullopt;
  }
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  bool ok = true;
  while (ok && !bytes.empty()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data(), want, &written, nullptr) && written > 0;
    if (ok) bytes.remove_prefix(written);
  }
  ok = ok && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DeleteFileW(temp.c_str());
    return std::nullopt;
  }
  // A stamp that cannot be learnt matches nothing, so the next access reads the file again.
  return StampFile(path).value_or(FileStamp{});
}

#else  // POSIX

namespace {

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = static_cast<uint64_t>(st.st_size);
#ifdef __APPLE__
  const timespec& time = st.st_mtimespec;
#else
  const timespec& time = st.st_mtim;
#endif
  stamp.modified = static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
  stamp.file_id = static_cast<uint64_t>(st.st_ino);
  return stamp;
}

bool Missing(int error) { return error == ENOENT || error == ENOTDIR; }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Makes a rename in `dir` durable; a file system that cannot sync directories needs no more.
void SyncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::optional<FileStamp> StampFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return StampOf(st);
  if (Missing(errno)) return FileStamp{};
  return std::nullopt;
}

FileContents ReadWholeFile(const std::string& path, uint64_t max_size) {
  FileContents out;
  // Non-blocking, so that a FIFO put in the file's place cannot hang the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (Missing(errno)) out.status = Status::kMissing;
    return out;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  out.stamp = StampOf(st);
  if (out.stamp.size > max_size) {
    ::close(fd);
    out.status = Status::kTooLarge;
    return out;
  }
  char buffer[kChunk];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      out.bytes.clear();
      return out;
    }
    if (n == 0) break;
    if (out.bytes.size() + static_cast<size_t>(n) > max_size) {
      ::close(fd);
      out.bytes.clear();
      out.status = Status::kTooLarge;
      return out;
    }
    out.bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  out.status = Status::kRead;
  return out;
}

std::optional<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::filesystem::path dir = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);  // a failure shows below
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::nullopt;
  // The new file keeps the old one's permissions (mkstemp creates it readable by the owner only).
  struct stat old;
  if (::stat(path.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 0777);
  struct stat written;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0 && ::fstat(fd, &written) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return std::nullopt;
  }
  SyncDirectory(dir);
  // A rename keeps the inode and modification time, so this is the stamp of the file at `path`.
  return StampOf(written);
}

#endif

}  // namespace quillmar
