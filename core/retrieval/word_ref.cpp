#include "retrieval/word_ref.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace quillmar::retrieval {

namespace {

// The words, in blocks that never move once written, so readers need no lock: a reference is
// only ever handed out after its word was stored.
class WordTable {
 public:
  static constexpr size_t kBlock = 4096;
  static constexpr size_t kBlocks = 16384;  // room for 64 million words

  uint32_t Aufnehmen(std::string_view s) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = index_.find(s);
    if (it != index_.end()) return it->second;
    const size_t id = anzahl_ + 1;
    const size_t block = id / kBlock;
    if (block >= kBlocks) return 0;  // full: the word shows as empty
    if (blocks_[block].load(std::memory_order_relaxed) == nullptr)
      blocks_[block].store(new std::array<std::string, kBlock>(), std::memory_order_release);
    std::string& platz = (*blocks_[block].load(std::memory_order_relaxed))[id % kBlock];
    platz.assign(s);
    index_.emplace(std::string_view(platz), static_cast<uint32_t>(id));
    anzahl_ = id;
    return static_cast<uint32_t>(id);
  }

  std::string_view Wort(uint32_t id) const {
    const auto* block = blocks_[id / kBlock].load(std::memory_order_acquire);
    return (*block)[id % kBlock];
  }

 private:
  std::mutex lock_;
  std::unordered_map<std::string_view, uint32_t> index_;
  size_t anzahl_ = 0;
  std::array<std::atomic<std::array<std::string, kBlock>*>, kBlocks> blocks_{};
};

WordTable& Table() {
  // Lives for the whole run: references may be read until the process ends.
  static WordTable* tabelle = new WordTable();
  return *tabelle;
}

}  // namespace

void WordRef::Setzen(std::string_view s) {
  if (s.size() > kLength) s = s.substr(0, kLength);
  id_ = s.empty() ? 0 : Table().Aufnehmen(s);
}

std::string_view WordRef::View() const { return id_ == 0 ? std::string_view() : Table().Wort(id_); }

}  // namespace quillmar::retrieval
