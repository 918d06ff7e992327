#include "retrieval/block_pool.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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

void PrepareLargeBlock(void* block, size_t bytes) {
#if defined(__linux__)
  constexpr size_t kWorthIt = size_t{64} << 10;  // below, a few faults cost less than the call
  if (block == nullptr || bytes < kWorthIt) return;
  const auto inside = [&](uintptr_t unit, uintptr_t& begin, uintptr_t& end) {
    begin = (reinterpret_cast<uintptr_t>(block) + unit - 1) & ~(unit - 1);
    end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(unit - 1);
    return end > begin;
  };
  uintptr_t begin = 0;
  uintptr_t end = 0;
#if defined(MADV_HUGEPAGE)
  if (inside(uintptr_t{2} << 20, begin, end))
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
#if defined(MADV_POPULATE_WRITE)
  const long page = sysconf(_SC_PAGESIZE);
  if (page > 0 && inside(static_cast<uintptr_t>(page), begin, end))
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
#else
  (void)block;
  (void)bytes;
#endif
}

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
  PrepareLargeBlock(p, size);
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
