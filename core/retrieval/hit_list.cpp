#include "retrieval/hit_list.h"

#include <algorithm>
#include <numeric>

#include "base/errors.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace layout = index_layout;

namespace {

constexpr const char* kLeseBereich = "unzulässiger Leseversuch (Range Error) (FSL 005)";
constexpr const char* kLeseSprung = "unzulässiger Leseversuch (FSL 006)";
constexpr const char* kKeinAnzeigeRecord =
    "interner Fehler, kein gültiger AnzeigeRecord (IF-ATS 001)";
constexpr uint8_t kAlleSprachen = 255;
constexpr int32_t kMaxGrenzJahr = 20000;

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}
inline TDatum DatumLesen(const uint8_t* p) {
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
TDatum OhneMarker(TDatum d, uint16_t marker) {
  if (d.Jahr == marker) d.Jahr = TDatum::kKeinJahr;
  if (d.Jahr2 == marker) d.Jahr2 = TDatum::kKeinJahr;
  return d;
}

// A filter bound in the collection's year representation.
TDatum Grenze(const DateBound& g, uint16_t offset) {
  TDatum d;
  d.Tag = g.Tag;
  d.Monat = g.Monat;
  if (g.Jahr == TDatum::kKeinJahr) {
    d.Jahr = TDatum::kKeinJahr;
  } else {
    const int64_t jahr = static_cast<int64_t>(g.Jahr) + offset;
    d.Jahr = static_cast<uint16_t>(std::clamp<int64_t>(jahr, 0, kMaxGrenzJahr));
  }
  d.Jahr2 = static_cast<uint16_t>(g.Jahr2);
  return d;
}

}  // namespace

TFundstelle TFundstelle::Lesen(const uint8_t* r) {
  TFundstelle f;
  f.TextNr = r[layout::kTextNrOffset];
  f.Position = I32(r + layout::kPositionOffset);
  f.Textteil = r[layout::kTextteilOffset];
  f.Seite = U16(r + layout::kSeiteOffset);
  f.Zeile = U16(r + layout::kZeileOffset);
  f.AbsatzKennung1 = U16(r + layout::kAbsatzKennung1Offset);
  f.WortNr = U16(r + layout::kWortNrOffset);
  f.Sprache = r[layout::kSpracheOffset];
  f.Datum1 = DatumLesen(r + layout::kDatum1Offset);
  f.Datum2 = DatumLesen(r + layout::kDatum2Offset);
  f.Kapitel = r[layout::kKapitelOffset];
  f.Unterkapitel = r[layout::kUnterkapitelOffset];
  f.AbsatzKennung2 = r[layout::kAbsatzKennung2Offset];
  f.AbsatzKennung3 = I32(r + layout::kAbsatzKennung3Offset);
  return f;
}

TAnzeigeRecord TAnzeigeRecord::Einzel(const TFundstelle& hit, std::string_view w) {
  return Einzel(hit, WordRef(w), static_cast<int32_t>(w.size()));
}

TAnzeigeRecord TAnzeigeRecord::Einzel(const TFundstelle& hit, WordRef w, int32_t laenge) {
  TAnzeigeRecord a;
  a.TextNr = hit.TextNr;
  a.Textteil = hit.Textteil;
  a.Anfang = hit.Position;
  a.Ende = hit.Position + laenge - 1;
  a.WortPos[0] = hit.Position;
  a.Worte[0] = w;
  a.WortNummern[0] = hit.WortNr;
  return a;
}

std::string TAnzeigeRecord::AnzeigeText() const {
  if (Worte[0].Leer()) throw Exception(kKeinAnzeigeRecord);
  std::string text(Worte[0].View());
  for (int k = 1; k < kWorte && !Worte[k].Leer(); ++k) {
    text += "...";
    text += Worte[k].View();
  }
  return text;
}

// ---- filters ----

bool TFundstellenListe::HatDatumsbedingung() const {
  return DatumVon.Jahr != TDatum::kKeinJahr || DatumBis.Jahr != TDatum::kKeinJahr;
}

bool TFundstellenListe::HatFilter() const {
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
  TextBedingungen.push_back(TFundTextBedingung{textNr, TCDKennung(cdId)});
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
  if (Sprachen.Aktiv && !Sprachen.Enthaelt(hit.Sprache) && !Sprachen.Enthaelt(kAlleSprachen)) {
    return false;
  }
  if (Textteile.Aktiv && !Textteile.Enthaelt(hit.Textteil)) return false;
  if (HatDatumsbedingung() && !DatumZulaessig(hit, cdId)) return false;
  return true;
}

bool TFundstellenListe::DatumZulaessig(const TFundstelle& hit, std::string_view cdId) const {
  if (!datum_cache_ || datum_katalog_ != Katalog || datum_cd_.View() != cdId) {
    datum_katalog_ = Katalog;
    datum_cd_.Setzen(cdId);
    datum_cache_ = true;
    datum_marker_ = TDatum::kKeinJahr;
    datum_offset_ = 0;
    if (Katalog != nullptr) {
      const CollectionSearchInfo& info = Katalog->Info(std::string(cdId));
      datum_marker_ = info.NoDateMarker;
      datum_offset_ = info.YearOffset;
    }
  }
  const TDatum d1 = OhneMarker(hit.Datum1, datum_marker_);
  const TDatum d2 = OhneMarker(hit.Datum2, datum_marker_);
  const TDatum von = Grenze(DatumVon, datum_offset_);
  const TDatum bis = Grenze(DatumBis, datum_offset_);
  const bool vonBekannt = DatumVon.Jahr != TDatum::kKeinJahr;
  const bool bisBekannt = DatumBis.Jahr != TDatum::kKeinJahr;
  if (!vonBekannt) return DatumVergleich(bis, d1) >= 0 || DatumVergleich(bis, d2) >= 0;
  if (!bisBekannt) return DatumVergleich(von, d1) <= 0 || DatumVergleich(von, d2) <= 0;
  if (d1.Jahr == TDatum::kKeinJahr || d2.Jahr == TDatum::kKeinJahr) return false;
  return DatumImIntervall(von, bis, d1) || DatumImIntervall(von, bis, d2);
}

// ---- filling ----

void TFundstellenListe::ZuruecksetzenNachAenderung() { index_ = 0; }

void TFundstellenListe::Leeren() {
  eintraege_.clear();
  index_ = 0;
  sortiert_ = true;
}

void TFundstellenListe::Uebernehmen(TFundstellenListe& other) {
  if (&other == this) return;
  Leeren();
  FilterZuruecksetzen();
  if (other.eintraege_.empty()) return;
  eintraege_ = std::move(other.eintraege_);
  sortiert_ = other.sortiert_;
  other.Leeren();
  other.FilterZuruecksetzen();
}

void TFundstellenListe::Assign(TFundstellenListe& other) {
  if (&other == this) return;
  TFundstellenListe einstellungen;
  einstellungen.EinstellungenKopieren(other);
  Uebernehmen(other);
  EinstellungenKopieren(einstellungen);
}

void TFundstellenListe::Anhaengen(const TFundstelle& hit, const TAnzeigeRecord& anzeige,
                                  std::string_view cdId) {
  if (!Zulaessig(hit, cdId)) return;
  if (sortiert_ && !eintraege_.empty()) {
    const Eintrag& tail = eintraege_.back();
    sortiert_ = HitVergleich(tail.Fundstelle, tail.CD.View(), hit, cdId) < 0;
  }
  eintraege_.push_back(Eintrag{anzeige, hit, TCDKennung(cdId)});
  ZuruecksetzenNachAenderung();
}

void TFundstellenListe::AnhaengenRoh(const TFundstelle& hit, std::string_view cdId) {
  Anhaengen(hit, TAnzeigeRecord{}, cdId);
}

void TFundstellenListe::Einfuegen(const TFundstelle& hit, const TAnzeigeRecord& anzeige,
                                  std::string_view cdId) {
  if (!Zulaessig(hit, cdId)) return;
  if (eintraege_.empty()) {
    Anhaengen(hit, anzeige, cdId);
    return;
  }
  const int zumEnde =
      HitVergleich(hit, cdId, eintraege_.back().Fundstelle, eintraege_.back().CD.View());
  if (zumEnde > 0) {
    // Behind the tail: appended; the cursor stays on the old tail.
    index_ = Anzahl();
    eintraege_.push_back(Eintrag{anzeige, hit, TCDKennung(cdId)});
    return;
  }
  // First entry not smaller than the hit.
  size_t lo = 0;
  size_t hi = eintraege_.size() - 1;  // the tail is not smaller
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const Eintrag& e = eintraege_[mid];
    if (HitVergleich(e.Fundstelle, e.CD.View(), hit, cdId) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  index_ = static_cast<int32_t>(lo) + 1;
  const Eintrag& e = eintraege_[lo];
  if (HitVergleich(e.Fundstelle, e.CD.View(), hit, cdId) == 0) return;
  eintraege_.insert(eintraege_.begin() + static_cast<std::ptrdiff_t>(lo),
                    Eintrag{anzeige, hit, TCDKennung(cdId)});
}

void TFundstellenListe::EinfuegenMitWort(const TFundstelle& hit, std::string_view word,
                                         std::string_view cdId) {
  if (!Zulaessig(hit, cdId)) return;
  Einfuegen(hit, TAnzeigeRecord::Einzel(hit, word), cdId);
}

void TFundstellenListe::EinfuegenStapel(Entries&& stapel) {
  if (stapel.empty()) return;
  if (!sortiert_) {
    // An appended, unsorted list has no order to merge into.
    for (const Eintrag& e : stapel) Einfuegen(e.Fundstelle, e.Anzeige, e.CD.View());
    stapel.clear();
    return;
  }
  if (HatFilter()) {
    std::erase_if(stapel, [&](const Eintrag& e) { return !Zulaessig(e.Fundstelle, e.CD.View()); });
  }
  // Into ascending order; equal hits keep their arrival order, so the first one comes first.
  bool geordnet = true;
  for (size_t k = 1; k < stapel.size() && geordnet; ++k) {
    geordnet = Vergleich(stapel[k - 1], stapel[k]) <= 0;
  }
  if (!geordnet) {
    std::vector<uint32_t> folge(stapel.size());
    std::iota(folge.begin(), folge.end(), 0u);
    std::stable_sort(folge.begin(), folge.end(),
                     [&](uint32_t a, uint32_t b) { return Vergleich(stapel[a], stapel[b]) < 0; });
    Entries sortiert;
    sortiert.reserve(stapel.size());
    for (uint32_t k : folge) sortiert.push_back(stapel[k]);
    stapel = std::move(sortiert);
  }
  // Later equal hits go; what is left is strictly ascending.
  stapel.erase(std::unique(stapel.begin(), stapel.end(),
                           [](const Eintrag& a, const Eintrag& b) { return Vergleich(a, b) == 0; }),
               stapel.end());
  Zusammenfuehren(std::move(stapel));
}

void TFundstellenListe::Zusammenfuehren(Entries&& stapel) {
  if (stapel.empty()) return;
  index_ = 0;
  if (eintraege_.empty()) {
    eintraege_ = std::move(stapel);
    return;
  }
  if (Vergleich(eintraege_.back(), stapel.front()) < 0) {
    eintraege_.insert(eintraege_.end(), std::make_move_iterator(stapel.begin()),
                      std::make_move_iterator(stapel.end()));
    return;
  }
  // Merge; on equality the entry already in the list wins.
  Entries neu;
  neu.reserve(eintraege_.size() + stapel.size());
  size_t i = 0;
  size_t j = 0;
  while (i < eintraege_.size() && j < stapel.size()) {
    const int c = Vergleich(eintraege_[i], stapel[j]);
    if (c < 0) {
      neu.push_back(eintraege_[i++]);
    } else if (c > 0) {
      neu.push_back(stapel[j++]);
    } else {
      neu.push_back(eintraege_[i++]);
      ++j;
    }
  }
  neu.insert(neu.end(), eintraege_.begin() + static_cast<std::ptrdiff_t>(i), eintraege_.end());
  neu.insert(neu.end(), stapel.begin() + static_cast<std::ptrdiff_t>(j), stapel.end());
  eintraege_ = std::move(neu);
}

void TFundstellenListe::EinfuegenAlle(TFundstellenListe& other) {
  if (&other == this) return;
  const bool geordnet = other.sortiert_;
  Entries stapel = std::move(other.eintraege_);
  other.Leeren();
  if (!geordnet || !sortiert_) {
    EinfuegenStapel(std::move(stapel));
    return;
  }
  // Already strictly ascending: filtering keeps the order.
  if (HatFilter()) {
    std::erase_if(stapel, [&](const Eintrag& e) { return !Zulaessig(e.Fundstelle, e.CD.View()); });
  }
  Zusammenfuehren(std::move(stapel));
}

// ---- sequential reading ----

const TFundstellenListe::Eintrag& TFundstellenListe::Lesen(int32_t i) {
  if (i < 1 || i > Anzahl()) throw Exception(kLeseBereich);
  if (i == 1) {
    index_ = 1;
  } else if (i == index_ + 1) {
    ++index_;
  } else if (i != index_) {
    throw Exception(kLeseSprung);
  }
  return eintraege_[static_cast<size_t>(i - 1)];
}

const TFundstelle& TFundstellenListe::Fundstelle(int32_t i) { return Lesen(i).Fundstelle; }

const TAnzeigeRecord& TFundstellenListe::Anzeige(int32_t i) { return Lesen(i).Anzeige; }

std::string TFundstellenListe::CDKennung(int32_t i) { return Lesen(i).CD.Str(); }

std::string TFundstellenListe::AnzeigeText(int32_t i) { return Lesen(i).Anzeige.AnzeigeText(); }

TFundPosition TFundstellenListe::FundPosition(int32_t i) {
  const Eintrag& e = Lesen(i);
  TFundPosition p;
  p.Textteil = e.Anzeige.Textteil;
  p.TextNr = e.Anzeige.TextNr;
  p.Anfang = e.Anzeige.Anfang;
  p.Ende = e.Anzeige.Ende;
  for (int k = 0; k < TAnzeigeRecord::kWorte; ++k) p.WortPos[k] = e.Anzeige.WortPos[k];
  p.CD = e.CD;
  return p;
}

}  // namespace quillmar::retrieval
