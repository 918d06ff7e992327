#include "retrieval/hit_list.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "base/errors.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace layout = index_layout;

namespace {

constexpr const char* kReadRange = "unzulässiger Leseversuch (Range Error) (FSL 005)";
constexpr const char* kReadJump = "unzulässiger Leseversuch (FSL 006)";
constexpr const char* kNoDisplayRecord =
    "interner Fehler, kein gültiger AnzeigeRecord (IF-ATS 001)";
constexpr uint8_t kAllLanguages = 255;
constexpr int32_t kMaxBoundYear = 20000;

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}
inline TDatum ReadDate(const uint8_t* p) {
  TDatum d;
  d.Tag = p[layout::kTagOffset];
  d.Monat = p[layout::kMonatOffset];
  d.Jahr = U16(p + layout::kJahrOffset);
  d.Jahr2 = U16(p + layout::kJahr2Offset);
  return d;
}

inline int Vergleich(const TFundstellenListe::Eintrag& a, const TFundstellenListe::Eintrag& b) {
  return HitVergleich(a.Fundstelle, a.CD.View(), b.Fundstelle, b.CD.View());
}

// The hit's date with the collection's "no date" marker turned into the unknown year.
TDatum WithoutMarker(TDatum d, uint16_t marker) {
  if (d.Jahr == marker) d.Jahr = TDatum::kNoYear;
  if (d.Jahr2 == marker) d.Jahr2 = TDatum::kNoYear;
  return d;
}

// A filter bound in the collection's year representation.
TDatum Bound(const DateBound& g, uint16_t offset) {
  TDatum d;
  d.Tag = g.Tag;
  d.Monat = g.Monat;
  if (g.Jahr == TDatum::kNoYear) {
    d.Jahr = TDatum::kNoYear;
  } else {
    const int64_t jahr = static_cast<int64_t>(g.Jahr) + offset;
    d.Jahr = static_cast<uint16_t>(std::clamp<int64_t>(jahr, 0, kMaxBoundYear));
  }
  d.Jahr2 = static_cast<uint16_t>(g.Jahr2);
  return d;
}

}  // namespace

TFundstelle TFundstelle::Decode(const uint8_t* r) {
  TFundstelle f;
  f.TextNr = r[layout::kTextNrOffset];
  f.Position = I32(r + layout::kPositionOffset);
  f.Textteil = r[layout::kTextteilOffset];
  f.Seite = U16(r + layout::kSeiteOffset);
  f.Zeile = U16(r + layout::kZeileOffset);
  f.AbsatzKennung1 = U16(r + layout::kAbsatzKennung1Offset);
  f.WortNr = U16(r + layout::kWortNrOffset);
  f.Sprache = r[layout::kSpracheOffset];
  f.Datum1 = ReadDate(r + layout::kDatum1Offset);
  f.Datum2 = ReadDate(r + layout::kDatum2Offset);
  f.Kapitel = r[layout::kKapitelOffset];
  f.Unterkapitel = r[layout::kUnterkapitelOffset];
  f.AbsatzKennung2 = r[layout::kAbsatzKennung2Offset];
  f.AbsatzKennung3 = I32(r + layout::kAbsatzKennung3Offset);
  return f;
}

TAnzeigeRecord TAnzeigeRecord::Single(const TFundstelle& hit, std::string_view w) {
  return Single(hit, WordRef(w), static_cast<int32_t>(w.size()));
}

TAnzeigeRecord TAnzeigeRecord::Single(const TFundstelle& hit, WordRef w, int32_t laenge) {
  TAnzeigeRecord a;
  a.TextNr = hit.TextNr;
  a.Textteil = hit.Textteil;
  a.Anfang = hit.Position;
  // A damaged hit record may hold a position near 2^31: the end is clamped, never wrapped.
  a.Ende = static_cast<int32_t>(std::clamp<int64_t>(int64_t{hit.Position} + laenge - 1,
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
  a.WortPos[0] = hit.Position;
  a.Worte[0] = w;
  a.WortNummern[0] = hit.WortNr;
  return a;
}

std::string TAnzeigeRecord::AnzeigeText() const {
  if (Worte[0].Leer()) throw Exception(kNoDisplayRecord);
  std::string text(Worte[0].View());
  for (int k = 1; k < kMaxWords && !Worte[k].Leer(); ++k) {
    text += "...";
    text += Worte[k].View();
  }
  return text;
}

// ---- filters ----

bool TFundstellenListe::HatDatumsbedingung() const {
  return DatumVon.Jahr != TDatum::kNoYear || DatumBis.Jahr != TDatum::kNoYear;
}

bool TFundstellenListe::HasFilter() const {
  return !TextBedingungen.empty() || Sprachen.Aktiv || Textteile.Aktiv || HatDatumsbedingung();
}

void TFundstellenListe::FilterZuruecksetzen() {
  TextBedingungen.clear();
  Textteile.Leeren();
  Textteile.Aktiv = false;
  Sprachen.Leeren();
  Sprachen.Aktiv = false;
  DatumVon = DateBound{};
  DatumBis = DateBound{};
}

void TFundstellenListe::TextBedingungHinzufuegen(int32_t textNr, const std::string& cdId) {
  TextBedingungen.push_back(TFundTextBedingung{textNr, CDIdentifier(cdId)});
}

void TFundstellenListe::EinstellungenKopieren(const TFundstellenListe& other) {
  if (&other == this) return;
  TextBedingungen = other.TextBedingungen;
  Textteile.Assign(other.Textteile);
  Textteile.Aktiv = other.Textteile.Aktiv;
  Sprachen.Assign(other.Sprachen);
  Sprachen.Aktiv = other.Sprachen.Aktiv;
  DatumVon = other.DatumVon;
  DatumBis = other.DatumBis;
  Katalog = other.Katalog;
}

bool TFundstellenListe::Zulaessig(const TFundstelle& hit, std::string_view cdId) const {
  if (!TextBedingungen.empty()) {
    bool gefunden = false;
    for (const TFundTextBedingung& b : TextBedingungen) {
      if (b.TextNr == hit.TextNr && b.CD.View() == cdId) {
        gefunden = true;
        break;
      }
    }
    if (!gefunden) return false;
  }
  if (Sprachen.Aktiv && !Sprachen.Enthaelt(hit.Sprache) && !Sprachen.Enthaelt(kAllLanguages)) {
    return false;
  }
  if (Textteile.Aktiv && !Textteile.Enthaelt(hit.Textteil)) return false;
  if (HatDatumsbedingung() && !DateAllowed(hit, cdId)) return false;
  return true;
}

std::optional<TFundstellenListe::ByteFilter> TFundstellenListe::AsByteFilter() const {
  if (!TextBedingungen.empty() || HatDatumsbedingung()) return std::nullopt;
  ByteFilter f;
  if (Textteile.Aktiv)
    f.Textteil.Assign(Textteile);
  else
    f.Textteil.AlleAufnehmen();
  if (Sprachen.Aktiv && !Sprachen.Enthaelt(kAllLanguages))
    f.Sprache.Assign(Sprachen);
  else
    f.Sprache.AlleAufnehmen();
  f.Alle = f.Textteil.IstVoll() && f.Sprache.IstVoll();
  return f;
}

bool TFundstellenListe::DateAllowed(const TFundstelle& hit, std::string_view cdId) const {
  if (!date_cached_ || date_catalog_ != Katalog || date_cd_.View() != cdId) {
    date_catalog_ = Katalog;
    date_cd_.Setzen(cdId);
    date_cached_ = true;
    date_marker_ = TDatum::kNoYear;
    date_offset_ = 0;
    if (Katalog != nullptr) {
      const CollectionSearchInfo& info = Katalog->Info(std::string(cdId));
      date_marker_ = info.NoDateMarker;
      date_offset_ = info.YearOffset;
    }
  }
  const TDatum d1 = WithoutMarker(hit.Datum1, date_marker_);
  const TDatum d2 = WithoutMarker(hit.Datum2, date_marker_);
  const TDatum von = Bound(DatumVon, date_offset_);
  const TDatum bis = Bound(DatumBis, date_offset_);
  const bool fromKnown = DatumVon.Jahr != TDatum::kNoYear;
  const bool toKnown = DatumBis.Jahr != TDatum::kNoYear;
  if (!fromKnown) return DatumVergleich(bis, d1) >= 0 || DatumVergleich(bis, d2) >= 0;
  if (!toKnown) return DatumVergleich(von, d1) <= 0 || DatumVergleich(von, d2) <= 0;
  if (d1.Jahr == TDatum::kNoYear || d2.Jahr == TDatum::kNoYear) return false;
  return DatumImIntervall(von, bis, d1) || DatumImIntervall(von, bis, d2);
}

// ---- filling ----

void TFundstellenListe::ResetAfterChange() { index_ = 0; }

void TFundstellenListe::SetzeKompakt(std::vector<KompakterTreffer> hits, std::vector<Range> ranges,
                                     const std::vector<RangeWord>& words, std::string_view cd) {
  Leeren();
  compact_ = std::move(hits);
  compact_cd_.Setzen(cd);
  if (compact_.empty()) return;
  ranges_.reserve(ranges.size());
  for (size_t r = 0; r < ranges.size(); ++r) {
    const TFundstelle* base = ranges[r]->data();
    ranges_.push_back({std::move(ranges[r]), base, r < words.size() ? words[r] : RangeWord{}});
  }
}

TFundstellenListe::Eintrag TFundstellenListe::EntryAt(size_t k) const {
  if (compact_.empty()) return entries_[k];
  const KompakterTreffer t = compact_[k];
  const CompactRange& r = ranges_[t.Range];
  const TFundstelle& hit = r.base[t.Index];
  return Eintrag{TAnzeigeRecord::Single(hit, r.word.Wort, r.word.Laenge), hit, compact_cd_};
}

void TFundstellenListe::Materialize() const {
  if (compact_.empty()) return;
  entries_.clear();
  entries_.resize(compact_.size());
  for (size_t k = 0; k < compact_.size(); ++k) {
    const KompakterTreffer t = compact_[k];
    const CompactRange& r = ranges_[t.Range];
    const TFundstelle& hit = r.base[t.Index];
    Eintrag& e = entries_[k];
    e.Anzeige = TAnzeigeRecord::Single(hit, r.word.Wort, r.word.Laenge);
    e.Fundstelle = hit;
    e.CD = compact_cd_;
  }
  compact_ = {};
  ranges_ = {};
}

void TFundstellenListe::Leeren() {
  compact_ = {};
  ranges_ = {};
  entries_.clear();
  index_ = 0;
  sorted_ = true;
}

void TFundstellenListe::Uebernehmen(TFundstellenListe& other) {
  if (&other == this) return;
  Leeren();
  FilterZuruecksetzen();
  if (other.Anzahl() == 0) return;
  entries_ = std::move(other.entries_);
  compact_ = std::move(other.compact_);
  ranges_ = std::move(other.ranges_);
  compact_cd_ = other.compact_cd_;
  sorted_ = other.sorted_;
  other.Leeren();
  other.FilterZuruecksetzen();
}

void TFundstellenListe::Assign(TFundstellenListe& other) {
  if (&other == this) return;
  TFundstellenListe settings;
  settings.EinstellungenKopieren(other);
  Uebernehmen(other);
  EinstellungenKopieren(settings);
}

void TFundstellenListe::Anhaengen(const TFundstelle& hit, const TAnzeigeRecord& anzeige,
                                  std::string_view cdId) {
  Materialize();
  if (!Zulaessig(hit, cdId)) return;
  if (sorted_ && !entries_.empty()) {
    const Eintrag& tail = entries_.back();
    sorted_ = HitVergleich(tail.Fundstelle, tail.CD.View(), hit, cdId) < 0;
  }
  entries_.push_back(Eintrag{anzeige, hit, CDIdentifier(cdId)});
  ResetAfterChange();
}

void TFundstellenListe::Anhaengen(Eintrag&& e) {
  Materialize();
  if (!Zulaessig(e.Fundstelle, e.CD.View())) return;
  if (sorted_ && !entries_.empty()) {
    const Eintrag& tail = entries_.back();
    sorted_ = HitVergleich(tail.Fundstelle, tail.CD.View(), e.Fundstelle, e.CD.View()) < 0;
  }
  entries_.push_back(std::move(e));
  ResetAfterChange();
}

void TFundstellenListe::AnhaengenRoh(const TFundstelle& hit, std::string_view cdId) {
  Anhaengen(hit, TAnzeigeRecord{}, cdId);
}

void TFundstellenListe::Einfuegen(const TFundstelle& hit, const TAnzeigeRecord& anzeige,
                                  std::string_view cdId) {
  Materialize();
  if (!Zulaessig(hit, cdId)) return;
  if (entries_.empty()) {
    Anhaengen(hit, anzeige, cdId);
    return;
  }
  const int toEnd = HitVergleich(hit, cdId, entries_.back().Fundstelle, entries_.back().CD.View());
  if (toEnd > 0) {
    // Behind the tail: appended; the cursor stays on the old tail.
    index_ = Anzahl();
    entries_.push_back(Eintrag{anzeige, hit, CDIdentifier(cdId)});
    return;
  }
  // First entry not smaller than the hit.
  size_t lo = 0;
  size_t hi = entries_.size() - 1;  // the tail is not smaller
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const Eintrag& e = entries_[mid];
    if (HitVergleich(e.Fundstelle, e.CD.View(), hit, cdId) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  index_ = static_cast<int32_t>(lo) + 1;
  const Eintrag& e = entries_[lo];
  if (HitVergleich(e.Fundstelle, e.CD.View(), hit, cdId) == 0) return;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(lo),
                  Eintrag{anzeige, hit, CDIdentifier(cdId)});
}

void TFundstellenListe::EinfuegenMitWort(const TFundstelle& hit, std::string_view word,
                                         std::string_view cdId) {
  if (!Zulaessig(hit, cdId)) return;
  Einfuegen(hit, TAnzeigeRecord::Single(hit, word), cdId);
}

void TFundstellenListe::InsertBatch(Entries&& batch) {
  Materialize();
  if (batch.empty()) return;
  if (!sorted_) {
    // An appended, unsorted list has no order to merge into.
    for (const Eintrag& e : batch) Einfuegen(e.Fundstelle, e.Anzeige, e.CD.View());
    batch.clear();
    return;
  }
  if (HasFilter()) {
    std::erase_if(batch, [&](const Eintrag& e) { return !Zulaessig(e.Fundstelle, e.CD.View()); });
  }
  // Into ascending order; equal hits keep their arrival order, so the first one comes first.
  bool ordered = true;
  for (size_t k = 1; k < batch.size() && ordered; ++k) {
    ordered = Vergleich(batch[k - 1], batch[k]) <= 0;
  }
  if (!ordered) {
    std::vector<uint32_t> folge(batch.size());
    std::iota(folge.begin(), folge.end(), 0u);
    std::stable_sort(folge.begin(), folge.end(),
                     [&](uint32_t a, uint32_t b) { return Vergleich(batch[a], batch[b]) < 0; });
    Entries sortiert;
    sortiert.reserve(batch.size());
    for (uint32_t k : folge) sortiert.push_back(batch[k]);
    batch = std::move(sortiert);
  }
  // Later equal hits go; what is left is strictly ascending.
  batch.erase(std::unique(batch.begin(), batch.end(),
                          [](const Eintrag& a, const Eintrag& b) { return Vergleich(a, b) == 0; }),
              batch.end());
  Merge(std::move(batch));
}

void TFundstellenListe::Merge(Entries&& batch) {
  Materialize();
  if (batch.empty()) return;
  index_ = 0;
  if (entries_.empty()) {
    entries_ = std::move(batch);
    return;
  }
  if (Vergleich(entries_.back(), batch.front()) < 0) {
    entries_.insert(entries_.end(), std::make_move_iterator(batch.begin()),
                    std::make_move_iterator(batch.end()));
    return;
  }
  // Merge; on equality the entry already in the list wins.
  Entries neu;
  neu.reserve(entries_.size() + batch.size());
  size_t i = 0;
  size_t j = 0;
  while (i < entries_.size() && j < batch.size()) {
    const int c = Vergleich(entries_[i], batch[j]);
    if (c < 0) {
      neu.push_back(entries_[i++]);
    } else if (c > 0) {
      neu.push_back(batch[j++]);
    } else {
      neu.push_back(entries_[i++]);
      ++j;
    }
  }
  neu.insert(neu.end(), entries_.begin() + static_cast<std::ptrdiff_t>(i), entries_.end());
  neu.insert(neu.end(), batch.begin() + static_cast<std::ptrdiff_t>(j), batch.end());
  entries_ = std::move(neu);
}

void TFundstellenListe::InsertAllAdmitted(TFundstellenListe& other) {
  if (&other == this) return;
  if (Anzahl() == 0 && other.Kompakt()) {
    // The first collection's hits of words: taken over as they are, still compact.
    compact_ = std::move(other.compact_);
    ranges_ = std::move(other.ranges_);
    compact_cd_ = other.compact_cd_;
    sorted_ = true;
    index_ = 0;
    other.Leeren();
    return;
  }
  Materialize();
  other.Materialize();
  if (!other.sorted_ || !sorted_) {
    InsertAll(other);
    return;
  }
  Entries batch = std::move(other.entries_);
  other.Leeren();
  Merge(std::move(batch));
}

void TFundstellenListe::InsertAll(TFundstellenListe& other) {
  if (&other == this) return;
  Materialize();
  other.Materialize();
  const bool ordered = other.sorted_;
  Entries batch = std::move(other.entries_);
  other.Leeren();
  if (!ordered || !sorted_) {
    InsertBatch(std::move(batch));
    return;
  }
  // Already strictly ascending: filtering keeps the order.
  if (HasFilter()) {
    std::erase_if(batch, [&](const Eintrag& e) { return !Zulaessig(e.Fundstelle, e.CD.View()); });
  }
  Merge(std::move(batch));
}

// ---- sequential reading ----

const TFundstellenListe::Eintrag& TFundstellenListe::Entry(int32_t i) {
  Materialize();
  if (i < 1 || i > Anzahl()) throw Exception(kReadRange);
  if (i == 1) {
    index_ = 1;
  } else if (i == index_ + 1) {
    ++index_;
  } else if (i != index_) {
    throw Exception(kReadJump);
  }
  return entries_[static_cast<size_t>(i - 1)];
}

const TFundstelle& TFundstellenListe::Fundstelle(int32_t i) { return Entry(i).Fundstelle; }

const TAnzeigeRecord& TFundstellenListe::Anzeige(int32_t i) { return Entry(i).Anzeige; }

std::string TFundstellenListe::CDKennung(int32_t i) { return Entry(i).CD.Str(); }

std::string TFundstellenListe::AnzeigeText(int32_t i) { return Entry(i).Anzeige.AnzeigeText(); }

TFundPosition TFundstellenListe::FundPosition(int32_t i) {
  const Eintrag& e = Entry(i);
  TFundPosition p;
  p.Textteil = e.Anzeige.Textteil;
  p.TextNr = e.Anzeige.TextNr;
  p.Anfang = e.Anzeige.Anfang;
  p.Ende = e.Anzeige.Ende;
  for (int k = 0; k < TAnzeigeRecord::kMaxWords; ++k) p.WortPos[k] = e.Anzeige.WortPos[k];
  p.CD = e.CD;
  return p;
}

}  // namespace quillmar::retrieval
