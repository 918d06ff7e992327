#include "retrieval/block_pool.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace quillmar::retrieval {

namespace {

struct Reserve {
  std::mutex lock;
  std::multimap<size_t, void*> blocks;  // by size
  size_t kept = 0;
};

Reserve& Blocks() {
  static Reserve* reserve = new Reserve();  // lives for the run; blocks may be freed at exit
  return *reserve;
}

// Pooled blocks are handed out in whole megabytes, so a block fits the next list of about the
// same size.
size_t RoundUp(size_t bytes) {
  return (bytes + BlockPool::kLargeBlock - 1) & ~(BlockPool::kLargeBlock - 1);
}

}  // namespace

void* BlockPool::Acquire(size_t bytes) {
  if (bytes < kLargeBlock) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    return p;
  }
  const size_t size = RoundUp(bytes);
  {
    Reserve& v = Blocks();
    std::lock_guard<std::mutex> guard(v.lock);
    // The smallest kept block that is large enough, unless it is more than twice the need.
    const auto it = v.blocks.lower_bound(size);
    if (it != v.blocks.end() && it->first <= 2 * size) {
      void* p = it->second;
      v.kept -= it->first;
      v.blocks.erase(it);
      // Given back, the block is filed under the size asked for now, which is no more than its
      // real size.
      return p;
    }
  }
  void* p = std::malloc(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void BlockPool::Release(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (bytes < kLargeBlock) {
    std::free(block);
    return;
  }
  const size_t size = RoundUp(bytes);
  Reserve& v = Blocks();
  std::lock_guard<std::mutex> guard(v.lock);
  if (v.kept + size > kMaxKept) {
    std::free(block);
    return;
  }
  v.blocks.emplace(size, block);
  v.kept += size;
}

}  // namespace quillmar::retrieval
