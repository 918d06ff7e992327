#include "retrieval/file_cache.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "base/paths.h"

namespace quillmar::retrieval {

FileCache& FileCache::Instance() {
  static FileCache cache(size_t{64} << 20, size_t{16} << 20);
  return cache;
}

FileCache::Inhalt FileCache::Get(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > max_file_) return nullptr;
  const auto mtime = std::filesystem::last_write_time(path, error).time_since_epoch().count();
  if (error) return nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = order_.begin(); it != order_.end(); ++it) {
      if (it->path != path) continue;
      if (it->size == static_cast<int64_t>(size) && it->mtime == mtime) {
        order_.splice(order_.begin(), order_, it);
        return order_.front().contents;
      }
      used_ -= it->contents->size();
      order_.erase(it);
      break;
    }
  }
  std::ifstream in;
  if (!OpenForReading(in, path)) return nullptr;
  auto contents = std::make_shared<std::string>(std::istreambuf_iterator<char>(in),
                                                std::istreambuf_iterator<char>());
  if (contents->size() != size) return nullptr;  // changed while being read
  std::lock_guard<std::mutex> guard(lock_);
  order_.push_front(Eintrag{path, static_cast<int64_t>(size), mtime, contents});
  used_ += contents->size();
  while (used_ > budget_ && order_.size() > 1) {
    used_ -= order_.back().contents->size();
    order_.pop_back();
  }
  return contents;
}

void FileCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  order_.clear();
  used_ = 0;
}

}  // namespace quillmar::retrieval
