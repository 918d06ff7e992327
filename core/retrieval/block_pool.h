#pragma once

#include <cstddef>
#include <new>

namespace quillmar::retrieval {

// Large blocks (hit lists of frequent words) are kept for reuse instead of being returned to the
// system: a fresh block costs a page fault per 4 KB on first touch, which for a list of half a
// million hits is most of a search's time. Small blocks go to the ordinary heap. At most
// kMaxKept bytes are kept; thread-safe.
class BlockPool {
 public:
  static constexpr size_t kLargeBlock = size_t{1} << 20;  // blocks from this size are pooled
  static constexpr size_t kMaxKept = size_t{256} << 20;

  static void* Acquire(size_t bytes);
  static void Release(void* block, size_t bytes);
};

// Prepares fresh memory of 64 KB or more that is about to be written in full. On Linux it
// asks for huge pages for the block's whole 2 MB pages (transparent huge pages in "madvise" mode)
// and faults all of its pages in with one call: touching fresh memory otherwise costs a page fault
// per 4 KB, and on virtual machines those faults were most of the first search of a frequent
// word. Only a hint; elsewhere, or when the system declines, nothing happens.
void PrepareLargeBlock(void* block, size_t bytes);

// Reserves room for n elements in v and prepares the reserved memory (PrepareLargeBlock): for a
// search's working arrays, which are filled in full right after.
template <typename Vector>
void ReservePrepared(Vector& v, size_t n) {
  v.reserve(n);
  PrepareLargeBlock(v.data(), v.capacity() * sizeof(typename Vector::value_type));
}

// std::allocator with the large blocks from BlockPool.
template <typename T>
struct PoolAllocator {
  using value_type = T;
  PoolAllocator() = default;
  template <typename U>
  PoolAllocator(const PoolAllocator<U>&) {}  // NOLINT: allocators convert
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(BlockPool::Acquire(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) { BlockPool::Release(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const PoolAllocator<U>&) const {
    return true;
  }
};

}  // namespace quillmar::retrieval
