#include "retrieval/hit_cache.h"

#include <utility>

namespace quillmar::retrieval {

HitCache& HitCache::Instance() {
  static HitCache cache(size_t{128} << 20);
  return cache;
}

HitCache::Treffer HitCache::Find(const Datei& file, int32_t von, int32_t bis) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = index_.find(Key{file.path, file.size, file.mtime, von, bis});
  if (it == index_.end()) return nullptr;
  order_.splice(order_.begin(), order_, it->second);
  return it->second->hits;
}

void HitCache::Store(const Datei& file, int32_t von, int32_t bis, Treffer hits) {
  if (!hits) return;
  const size_t size = hits->size() * sizeof(TFundstelle);
  if (size > budget_ / 2) return;  // one huge word would push out everything else
  std::lock_guard<std::mutex> guard(lock_);
  Key key{file.path, file.size, file.mtime, von, bis};
  if (index_.count(key) != 0) return;
  order_.push_front(Eintrag{key, std::move(hits)});
  index_.emplace(std::move(key), order_.begin());
  used_ += size;
  while (used_ > budget_ && !order_.empty()) {
    const Eintrag& oldest = order_.back();
    used_ -= oldest.hits->size() * sizeof(TFundstelle);
    index_.erase(oldest.key);
    order_.pop_back();
  }
}

void HitCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  index_.clear();
  order_.clear();
  used_ = 0;
}

}  // namespace quillmar::retrieval
