#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "retrieval/conjunction.h"
#include "retrieval/hit_list.h"

namespace quillmar::retrieval {

// The paragraphs (kSameParagraph) or sections (kSameSection) that the hits of a list lie in. Two
// hits can only be joined by AND, "..." or a phrase when they share one, so the hits of a frequent
// word outside the groups of the other operand are left out while loading. That leaves every join
// unchanged: a paragraph is a contiguous range of positions within its text part, so a hit in a
// group without partners never stands between two hits that could pair.
//
// Paragraphs of a list in HitKey order are kept as the first hit of each (see Select); other
// groups as 64-bit hashes, where a collision keeps a hit that could have been left out, never
// the reverse.
class GroupSet {
 public:
  // modus kSameParagraph or kSameSection.
  GroupSet(const TFundstellenListe& liste, int32_t modus);

  // The hits of one word: its ranges, each in HitKey order (a word may have several records).
  using WordHits = std::vector<std::span<const TFundstelle>>;
  // The paragraphs in which every one of `words` has a hit, found without building any list:
  // from the paragraphs of the word with the fewest hits, each further word (fewest hits first)
  // keeps those it has a hit in, found by galloping search in its ranges from the previous
  // paragraph's place. The cost grows with the paragraphs of the rarest word, not with the
  // frequent ones. Selectable; empty when `words` is. `abbruch`, when given and set, ends the
  // work early with whatever was kept (the caller discards it).
  static GroupSet CommonParagraphs(std::vector<WordHits> words,
                                   const std::atomic<bool>* abbruch = nullptr);
  // The first hit of each paragraph (Selectable only), in HitKey order.
  std::span<const TFundstelle> Anchors() const { return anchors_; }

  bool Enthaelt(const TFundstelle& hit) const;
  // The number of groups (of paragraphs met, when Selectable).
  size_t Anzahl() const { return selectable_ ? anchors_.size() : keys_.size(); }

  // Whether Select can be used: paragraphs of a list in HitKey order.
  bool Selectable() const { return selectable_; }
  // Appends to `out`, ascending, the indexes of the hits of `sorted` (in HitKey order) that lie
  // in the paragraphs. For each paragraph the first hit not before the list's first hit in it
  // is found by galloping (exponential, then binary search) from the previous paragraph's place,
  // and the paragraph's hits on either side are taken: the cost grows with the number of
  // paragraphs and their hits, not with the length of `sorted`.
  void Select(std::span<const TFundstelle> sorted, std::vector<uint32_t>& out) const;
  int32_t Modus() const { return modus_; }

  // Whether a join with this modus and word distance may be narrowed by groups (other values
  // are refused by the join itself, which must still see them).
  static bool Applicable(int32_t modus, int32_t wortabstand) {
    return modus == kSameParagraph || (modus == kSameSection && wortabstand == 0);
  }

 private:
  GroupSet() : modus_(kSameParagraph) {}

  uint64_t Key(const TFundstelle& hit) const;
  // A cheap 16-bit digest of the group for the pre-filter.
  uint32_t PreKey(const TFundstelle& hit) const;

  int32_t modus_;
  std::vector<uint64_t> keys_;  // sorted, unique
  // The first hit of each paragraph, in HitKey order (paragraph mode, list in order only).
  std::vector<TFundstelle> anchors_;
  bool selectable_ = false;
  // One bit per value of the groups' 16-bit digests: most hits outside the groups are turned
  // away here without a search.
  std::vector<uint64_t> prefilter_;
};

}  // namespace quillmar::retrieval
