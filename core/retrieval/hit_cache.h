#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "retrieval/hit_list.h"

namespace quillmar::retrieval {

// Decoded hit ranges of recently searched words, shared by every search of the process, so that
// refining a query does not read and decode the same frequent words again. A range is served
// only while its file still has the size and modification time it had when the range was read:
// a changed or swapped medium is read anew. Ranges are kept as their reader hands them over
// (TFundstellenDateiAnfrage::SortedRange: in HitKey order). Thread-safe.
class HitCache {
 public:
  // Identity of a hit file at one moment.
  struct Datei {
    std::string path;
    int64_t size = 0;
    int64_t mtime = 0;  // modification time, in the file system's clock ticks
  };
  using Treffer = std::shared_ptr<const std::vector<TFundstelle>>;

  explicit HitCache(size_t budgetBytes) : budget_(budgetBytes) {}
  // The cache of the process (128 MB; a range of more than half of that is not kept).
  static HitCache& Instance();

  Treffer Find(const Datei& file, int32_t von, int32_t bis);
  void Store(const Datei& file, int32_t von, int32_t bis, Treffer hits);
  void Leeren();

 private:
  using Key = std::tuple<std::string, int64_t, int64_t, int32_t, int32_t>;
  struct Eintrag {
    Key key;
    Treffer hits;
  };

  std::mutex lock_;
  size_t budget_;
  size_t used_ = 0;
  std::list<Eintrag> order_;  // most recently used first
  std::map<Key, std::list<Eintrag>::iterator> index_;
};

}  // namespace quillmar::retrieval
