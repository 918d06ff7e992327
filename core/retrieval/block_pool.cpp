#include "retrieval/block_pool.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace quillmar::retrieval {

namespace {

struct Vorrat {
  std::mutex lock;
  std::multimap<size_t, void*> bloecke;  // by size
  size_t behalten = 0;
};

Vorrat& Bloecke() {
  static Vorrat* vorrat = new Vorrat();  // lives for the run; blocks may be freed at exit
  return *vorrat;
}

// Pooled blocks are handed out in whole megabytes, so a block fits the next list of about the
// same size.
size_t Aufrunden(size_t bytes) {
  return (bytes + BlockPool::kGross - 1) & ~(BlockPool::kGross - 1);
}

}  // namespace

void* BlockPool::Holen(size_t bytes) {
  if (bytes < kGross) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    return p;
  }
  const size_t groesse = Aufrunden(bytes);
  {
    Vorrat& v = Bloecke();
    std::lock_guard<std::mutex> guard(v.lock);
    // The smallest kept block that is large enough, unless it is more than twice the need.
    const auto it = v.bloecke.lower_bound(groesse);
    if (it != v.bloecke.end() && it->first <= 2 * groesse) {
      void* p = it->second;
      v.behalten -= it->first;
      v.bloecke.erase(it);
      // Given back, the block is filed under the size asked for now, which is no more than its
      // real size.
      return p;
    }
  }
  void* p = std::malloc(groesse);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void BlockPool::Abgeben(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (bytes < kGross) {
    std::free(block);
    return;
  }
  const size_t groesse = Aufrunden(bytes);
  Vorrat& v = Bloecke();
  std::lock_guard<std::mutex> guard(v.lock);
  if (v.behalten + groesse > kBehalten) {
    std::free(block);
    return;
  }
  v.bloecke.emplace(groesse, block);
  v.behalten += groesse;
}

}  // namespace quillmar::retrieval
