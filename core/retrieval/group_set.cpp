#include "retrieval/group_set.h"

#include <algorithm>

namespace quillmar::retrieval {

namespace {

// A 64-bit mix (from SplitMix64) so that the paragraph key's 88 bits spread over 64.
uint64_t Mischen(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

}  // namespace

GroupSet::GroupSet(const TFundstellenListe& liste, int32_t modus) : modus_(modus) {
  schluessel_.reserve(liste.Eintraege().size());
  for (const TFundstellenListe::Eintrag& e : liste.Eintraege())
    schluessel_.push_back(Schluessel(e.Fundstelle));
  std::sort(schluessel_.begin(), schluessel_.end());
  schluessel_.erase(std::unique(schluessel_.begin(), schluessel_.end()), schluessel_.end());
  vorfilter_.assign(1024, 0);
  for (const TFundstellenListe::Eintrag& e : liste.Eintraege()) {
    const uint32_t v = Vorschluessel(e.Fundstelle);
    vorfilter_[v >> 6] |= uint64_t{1} << (v & 63);
  }
}

uint32_t GroupSet::Vorschluessel(const TFundstelle& h) const {
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
  const uint32_t v = Vorschluessel(hit);
  if (((vorfilter_[v >> 6] >> (v & 63)) & 1) == 0) return false;
  return std::binary_search(schluessel_.begin(), schluessel_.end(), Schluessel(hit));
}

uint64_t GroupSet::Schluessel(const TFundstelle& h) const {
  const uint64_t text = (uint64_t{h.TextNr} << 8) | h.Textteil;
  if (modus_ == kSameSection)
    return Mischen((text << 16) | (uint64_t{h.Kapitel} << 8) | h.Unterkapitel);
  const uint64_t oben = (text << 40) | (uint64_t{h.Seite} << 24) |
                        (uint64_t{h.AbsatzKennung1} << 8) | h.AbsatzKennung2;
  return Mischen(oben) ^ static_cast<uint32_t>(h.AbsatzKennung3);
}

}  // namespace quillmar::retrieval
