#include "retrieval/group_set.h"

#include <algorithm>

namespace quillmar::retrieval {

namespace {

// A 64-bit mix (from SplitMix64) so that the paragraph key's 88 bits spread over 64.
uint64_t Mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// The same paragraph of the same text part.
bool SameGroup(const TFundstelle& a, const TFundstelle& b) {
  return a.AbsatzKennung3 == b.AbsatzKennung3 && a.Seite == b.Seite &&
         a.AbsatzKennung1 == b.AbsatzKennung1 && a.AbsatzKennung2 == b.AbsatzKennung2 &&
         a.TextNr == b.TextNr && a.Textteil == b.Textteil;
}

// The first index from `from` on whose key is not below `key`: steps of 1, 2, 4, ... until a
// key is not below it, then a binary search in the last step.
size_t Gallop(std::span<const TFundstelle> sorted, size_t from, uint64_t key) {
  const size_t n = sorted.size();
  if (from >= n || HitKey(sorted[from]) >= key) return from;
  size_t lo = from;  // key of lo is below `key`
  size_t step = 1;
  size_t hi = from + 1;
  while (hi < n && HitKey(sorted[hi]) < key) {
    lo = hi;
    step *= 2;
    hi = lo + step;
  }
  if (hi > n) hi = n;
  // The answer lies in (lo, hi].
  ++lo;
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (HitKey(sorted[mid]) < key)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace

GroupSet::GroupSet(const TFundstellenListe& liste, int32_t modus) : modus_(modus) {
  if (modus == kSameParagraph) {
    selectable_ = true;
    for (size_t k = 0; k < static_cast<size_t>(liste.Anzahl()); ++k) {
      const TFundstelle& h = liste.HitAt(k);
      if (!anchors_.empty() && SameGroup(anchors_.back(), h)) continue;
      if (!anchors_.empty() && HitKey(anchors_.back()) >= HitKey(h)) {
        // Not in HitKey order: only the hashed test is sound.
        selectable_ = false;
        anchors_.clear();
        break;
      }
      anchors_.push_back(h);
    }
    // A paragraph met again after others is found from each of its anchors; Select takes
    // every hit once.
    if (selectable_) return;
  }
  const auto n = static_cast<size_t>(liste.Anzahl());
  keys_.reserve(n);
  for (size_t k = 0; k < n; ++k) keys_.push_back(Key(liste.HitAt(k)));
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  prefilter_.assign(1024, 0);
  for (size_t k = 0; k < n; ++k) {
    const uint32_t v = PreKey(liste.HitAt(k));
    prefilter_[v >> 6] |= uint64_t{1} << (v & 63);
  }
}

GroupSet GroupSet::CommonParagraphs(std::vector<WordHits> words, const std::atomic<bool>* abbruch) {
  GroupSet gruppen;
  gruppen.selectable_ = true;
  if (words.empty()) return gruppen;
  const auto anzahl = [](const WordHits& w) {
    size_t n = 0;
    for (const auto& r : w) n += r.size();
    return n;
  };
  std::stable_sort(words.begin(), words.end(),
                   [&](const WordHits& a, const WordHits& b) { return anzahl(a) < anzahl(b); });
  const auto abgebrochen = [&] {
    return abbruch != nullptr && abbruch->load(std::memory_order_relaxed);
  };

  // The rarest word's paragraphs: its hits in HitKey order (of several records merged), the
  // first of each paragraph kept.
  std::vector<const TFundstelle*> erste;
  erste.reserve(anzahl(words.front()));
  for (const auto& r : words.front())
    for (const TFundstelle& h : r) erste.push_back(&h);
  if (words.front().size() > 1) {
    std::stable_sort(erste.begin(), erste.end(), [](const TFundstelle* a, const TFundstelle* b) {
      return HitKey(*a) < HitKey(*b);
    });
  }
  std::vector<TFundstelle>& anchors = gruppen.anchors_;
  for (const TFundstelle* h : erste) {
    if (!anchors.empty() && SameGroup(anchors.back(), *h)) continue;
    if (!anchors.empty() && HitKey(anchors.back()) >= HitKey(*h)) {
      // Not in HitKey order (a damaged range): nothing can be left out safely, so every
      // paragraph of the rarest word stays, found by the hashed test.
      GroupSet alle;
      alle.keys_.reserve(erste.size());
      alle.prefilter_.assign(1024, 0);
      for (const TFundstelle* e : erste) {
        alle.keys_.push_back(alle.Key(*e));
        const uint32_t v = alle.PreKey(*e);
        alle.prefilter_[v >> 6] |= uint64_t{1} << (v & 63);
      }
      std::sort(alle.keys_.begin(), alle.keys_.end());
      alle.keys_.erase(std::unique(alle.keys_.begin(), alle.keys_.end()), alle.keys_.end());
      return alle;
    }
    anchors.push_back(*h);
  }

  // Each further word keeps the paragraphs it has a hit in: its hits in a paragraph are
  // neighbours in HitKey order, so one of them is found right at or right before the place
  // where the paragraph's anchor would stand.
  for (size_t w = 1; w < words.size() && !anchors.empty(); ++w) {
    if (abgebrochen()) break;
    const WordHits& wort = words[w];
    std::vector<size_t> pos(wort.size(), 0);
    size_t behalten = 0;
    for (const TFundstelle& anchor : anchors) {
      const uint64_t key = HitKey(anchor);
      bool drin = false;
      for (size_t r = 0; r < wort.size() && !drin; ++r) {
        const std::span<const TFundstelle> hits = wort[r];
        pos[r] = Gallop(hits, pos[r], key);
        drin = (pos[r] < hits.size() && SameGroup(hits[pos[r]], anchor)) ||
               (pos[r] > 0 && SameGroup(hits[pos[r] - 1], anchor));
      }
      if (drin) anchors[behalten++] = anchor;
    }
    anchors.resize(behalten);
  }
  return gruppen;
}

uint32_t GroupSet::PreKey(const TFundstelle& h) const {
  uint32_t v = (uint32_t{h.TextNr} << 8) ^ h.Textteil;
  if (modus_ == kSameSection) {
    v ^= (uint32_t{h.Kapitel} << 5) ^ (uint32_t{h.Unterkapitel} << 11);
  } else {
    v ^= static_cast<uint32_t>(h.AbsatzKennung3) * 0x9E3779B1u >> 8;
    v ^= uint32_t{h.Seite} * 31u ^ uint32_t { h.AbsatzKennung1 } * 7u ^ h.AbsatzKennung2;
  }
  return v & 0xFFFF;
}

bool GroupSet::Enthaelt(const TFundstelle& hit) const {
  if (selectable_) {
    // The paragraph's anchor is the one at or before the hit, or, for a hit before the list's
    // first hit in it, the next one. Only a list that meets a paragraph again after others
    // needs the scan. Select is the way to test many hits.
    const uint64_t key = HitKey(hit);
    const auto nach =
        std::upper_bound(anchors_.begin(), anchors_.end(), key,
                         [](uint64_t k, const TFundstelle& a) { return k < HitKey(a); });
    if (nach != anchors_.begin() && SameGroup(*(nach - 1), hit)) return true;
    if (nach != anchors_.end() && SameGroup(*nach, hit)) return true;
    return std::any_of(anchors_.begin(), anchors_.end(),
                       [&](const TFundstelle& a) { return SameGroup(a, hit); });
  }
  const uint32_t v = PreKey(hit);
  if (((prefilter_[v >> 6] >> (v & 63)) & 1) == 0) return false;
  return std::binary_search(keys_.begin(), keys_.end(), Key(hit));
}

void GroupSet::Select(std::span<const TFundstelle> sorted, std::vector<uint32_t>& out) const {
  size_t taken = 0;  // hits before this index are taken or passed
  size_t pos = 0;
  for (const TFundstelle& anchor : anchors_) {
    pos = Gallop(sorted, pos, HitKey(anchor));
    size_t lo = pos;
    while (lo > taken && SameGroup(sorted[lo - 1], anchor)) --lo;
    size_t hi = std::max(pos, taken);
    if (lo < taken) lo = taken;
    while (hi < sorted.size() && SameGroup(sorted[hi], anchor)) ++hi;
    // Between lo and pos every hit is in the paragraph; from pos on, up to hi.
    for (size_t k = lo; k < hi; ++k) out.push_back(static_cast<uint32_t>(k));
    if (hi > taken) taken = hi;
    pos = taken > pos ? taken : pos;
  }
}

uint64_t GroupSet::Key(const TFundstelle& h) const {
  const uint64_t text = (uint64_t{h.TextNr} << 8) | h.Textteil;
  if (modus_ == kSameSection)
    return Mix((text << 16) | (uint64_t{h.Kapitel} << 8) | h.Unterkapitel);
  const uint64_t high = (text << 40) | (uint64_t{h.Seite} << 24) |
                        (uint64_t{h.AbsatzKennung1} << 8) | h.AbsatzKennung2;
  return Mix(high) ^ static_cast<uint32_t>(h.AbsatzKennung3);
}

}  // namespace quillmar::retrieval
