#include "retrieval/word_ref.h"

#include <array>
#include <atomic>
#include <bit>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace quillmar::retrieval {

namespace {

// The words, in blocks that never move once written, so readers need no lock: a reference is
// only ever handed out after its word was stored. Block b holds kFirstBlock << b words, so a
// process that searches a few words touches a few pages of fresh memory, not a table for
// millions (on some virtual machines every fresh page costs a fault of 10 us or more).
class WordTable {
 public:
  static constexpr size_t kFirstBlock = 256;
  static constexpr size_t kBlocks = 18;  // room for 256 * (2^18 - 1) words, some 67 million

  uint32_t Aufnehmen(std::string_view s) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = index_.find(s);
    if (it != index_.end()) return it->second;
    const size_t id = anzahl_ + 1;
    const auto [block, slot] = Place(id);
    if (block >= kBlocks) return 0;  // full: the word shows as empty
    if (blocks_[block].load(std::memory_order_relaxed) == nullptr)
      blocks_[block].store(new std::string[kFirstBlock << block], std::memory_order_release);
    std::string& platz = blocks_[block].load(std::memory_order_relaxed)[slot];
    platz.assign(s);
    index_.emplace(std::string_view(platz), static_cast<uint32_t>(id));
    anzahl_ = id;
    return static_cast<uint32_t>(id);
  }

  std::string_view Wort(uint32_t id) const {
    const auto [block, slot] = Place(id);
    return blocks_[block].load(std::memory_order_acquire)[slot];
  }

 private:
  // The block and the slot in it of a word number.
  static std::pair<size_t, size_t> Place(size_t id) {
    const auto block = static_cast<size_t>(std::bit_width(id / kFirstBlock + 1) - 1);
    return {block, id - kFirstBlock * ((size_t{1} << block) - 1)};
  }

  std::mutex lock_;
  std::unordered_map<std::string_view, uint32_t> index_;
  size_t anzahl_ = 0;
  std::array<std::atomic<std::string*>, kBlocks> blocks_{};
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
