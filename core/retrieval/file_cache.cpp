#include "retrieval/file_cache.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace quillmar::retrieval {

FileCache& FileCache::Prozess() {
  static FileCache cache(size_t{64} << 20, size_t{16} << 20);
  return cache;
}

FileCache::Inhalt FileCache::Holen(const std::string& path) {
  std::error_code fehler;
  const auto groesse = std::filesystem::file_size(path, fehler);
  if (fehler || groesse > max_datei_) return nullptr;
  const auto zeit = std::filesystem::last_write_time(path, fehler).time_since_epoch().count();
  if (fehler) return nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = folge_.begin(); it != folge_.end(); ++it) {
      if (it->path != path) continue;
      if (it->groesse == static_cast<int64_t>(groesse) && it->zeit == zeit) {
        folge_.splice(folge_.begin(), folge_, it);
        return folge_.front().inhalt;
      }
      belegt_ -= it->inhalt->size();
      folge_.erase(it);
      break;
    }
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  auto inhalt = std::make_shared<std::string>(std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>());
  if (inhalt->size() != groesse) return nullptr;  // changed while being read
  std::lock_guard<std::mutex> guard(lock_);
  folge_.push_front(Eintrag{path, static_cast<int64_t>(groesse), zeit, inhalt});
  belegt_ += inhalt->size();
  while (belegt_ > budget_ && folge_.size() > 1) {
    belegt_ -= folge_.back().inhalt->size();
    folge_.pop_back();
  }
  return inhalt;
}

void FileCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  folge_.clear();
  belegt_ = 0;
}

}  // namespace quillmar::retrieval
