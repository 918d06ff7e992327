#include "retrieval/hit_cache.h"

#include <utility>

namespace quillmar::retrieval {

HitCache& HitCache::Prozess() {
  static HitCache cache(size_t{128} << 20);
  return cache;
}

HitCache::Treffer HitCache::Holen(const Datei& datei, int32_t von, int32_t bis) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = index_.find(Schluessel{datei.path, datei.groesse, datei.zeit, von, bis});
  if (it == index_.end()) return nullptr;
  folge_.splice(folge_.begin(), folge_, it->second);
  return it->second->treffer;
}

void HitCache::Ablegen(const Datei& datei, int32_t von, int32_t bis,
                       std::vector<TFundstelle> hits) {
  const size_t groesse = hits.size() * sizeof(TFundstelle);
  if (groesse > budget_ / 2) return;  // one huge word would push out everything else
  std::lock_guard<std::mutex> guard(lock_);
  Schluessel schluessel{datei.path, datei.groesse, datei.zeit, von, bis};
  if (index_.count(schluessel) != 0) return;
  folge_.push_front(
      Eintrag{schluessel, std::make_shared<const std::vector<TFundstelle>>(std::move(hits))});
  index_.emplace(std::move(schluessel), folge_.begin());
  belegt_ += groesse;
  while (belegt_ > budget_ && !folge_.empty()) {
    const Eintrag& alt = folge_.back();
    belegt_ -= alt.treffer->size() * sizeof(TFundstelle);
    index_.erase(alt.schluessel);
    folge_.pop_back();
  }
}

void HitCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  index_.clear();
  folge_.clear();
  belegt_ = 0;
}

}  // namespace quillmar::retrieval
