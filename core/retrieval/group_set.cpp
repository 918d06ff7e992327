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

}  // namespace

GroupSet::GroupSet(const TFundstellenListe& liste, int32_t modus) : modus_(modus) {
  keys_.reserve(liste.EntryList().size());
  for (const TFundstellenListe::Eintrag& e : liste.EntryList()) keys_.push_back(Key(e.Fundstelle));
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  prefilter_.assign(1024, 0);
  for (const TFundstellenListe::Eintrag& e : liste.EntryList()) {
    const uint32_t v = PreKey(e.Fundstelle);
    prefilter_[v >> 6] |= uint64_t{1} << (v & 63);
  }
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
  const uint32_t v = PreKey(hit);
  if (((prefilter_[v >> 6] >> (v & 63)) & 1) == 0) return false;
  return std::binary_search(keys_.begin(), keys_.end(), Key(hit));
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
