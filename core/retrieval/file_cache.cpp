#include "retrieval/file_cache.h"

#include <filesystem>
#include <fstream>
#include <utility>

#include "base/paths.h"

#if defined(__linux__)
#include <sys/stat.h>
#endif

namespace quillmar::retrieval {

std::optional<FileStamp> StampFile(const std::string& path) {
#if defined(__linux__)
  // One system call for both: a search stamps each index file once, and the two calls of the
  // std::filesystem functions (each also splitting the path) were a good part of its fixed cost.
  // Like std::filesystem::file_size, only a regular file has a size to stamp.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileStamp{path, static_cast<int64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
#else
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  const auto mtime = std::filesystem::last_write_time(path, error).time_since_epoch().count();
  if (error) return std::nullopt;
  return FileStamp{path, static_cast<int64_t>(size), static_cast<int64_t>(mtime)};
#endif
}

std::optional<std::string> ReadWholeFile(const std::string& path, int64_t expected) {
  if (expected < 0) return std::nullopt;
  // Only a regular file is opened: a pipe or a device in its place would block the read.
  std::ifstream in;
  if (!OpenForReading(in, path)) return std::nullopt;
  std::string contents(static_cast<size_t>(expected), '\0');
  in.read(contents.data(), static_cast<std::streamsize>(expected));
  if (in.gcount() != static_cast<std::streamsize>(expected)) return std::nullopt;
  // A file that has grown since its size was taken is not the file that was stamped.
  if (in.peek() != std::ifstream::traits_type::eof()) return std::nullopt;
  return contents;
}

FileCache& FileCache::Instance() {
  static FileCache cache(size_t{64} << 20, size_t{16} << 20);
  return cache;
}

FileCache::Inhalt FileCache::Get(const std::string& path) {
  const std::optional<FileStamp> stamp = StampFile(path);
  if (!stamp) return nullptr;
  return Get(*stamp);
}

FileCache::Inhalt FileCache::Get(const FileStamp& stamp) {
  if (stamp.size < 0 || static_cast<uint64_t>(stamp.size) > max_file_) return nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = order_.begin(); it != order_.end(); ++it) {
      if (it->path != stamp.path) continue;
      if (it->size == stamp.size && it->mtime == stamp.mtime) {
        order_.splice(order_.begin(), order_, it);
        return order_.front().contents;
      }
      used_ -= it->contents->size();
      order_.erase(it);
      break;
    }
  }
  std::optional<std::string> read = ReadWholeFile(stamp.path, stamp.size);
  if (!read) return nullptr;
  auto contents = std::make_shared<const std::string>(std::move(*read));
  std::lock_guard<std::mutex> guard(lock_);
  order_.push_front(Eintrag{stamp.path, stamp.size, stamp.mtime, contents});
  used_ += contents->size();
  while (used_ > budget_ && order_.size() > 1) {
    used_ -= order_.back().contents->size();
    order_.pop_back();
  }
  return contents;
}

FileCache::Inhalt FileCache::GetFromSecondUse(const FileStamp& stamp) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    bool cached = false;
    for (const Eintrag& e : order_) cached = cached || e.path == stamp.path;
    if (!cached) {
      bool wieder = false;
      for (auto it = seen_.begin(); it != seen_.end(); ++it) {
        if (it->path != stamp.path) continue;
        wieder = it->size == stamp.size && it->mtime == stamp.mtime;
        seen_.erase(it);
        break;
      }
      if (!wieder) {
        constexpr size_t kSeen = 16;
        seen_.push_front(Eintrag{stamp.path, stamp.size, stamp.mtime, nullptr});
        if (seen_.size() > kSeen) seen_.pop_back();
        return nullptr;
      }
    }
  }
  return Get(stamp);
}

void FileCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  order_.clear();
  seen_.clear();
  used_ = 0;
}

}  // namespace quillmar::retrieval
