#include "retrieval/conjunction.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "base/errors.h"

namespace quillmar::retrieval {

namespace {

constexpr int kMaxWords = TAnzeigeRecord::kMaxWords;

bool SameParagraph(const TFundstelle& a, const TFundstelle& b) {
  return a.Seite == b.Seite && a.AbsatzKennung1 == b.AbsatzKennung1 &&
         a.AbsatzKennung2 == b.AbsatzKennung2 && a.AbsatzKennung3 == b.AbsatzKennung3;
}

bool SameSection(const TFundstelle& a, const TFundstelle& b) {
  return a.Kapitel == b.Kapitel && a.Unterkapitel == b.Unterkapitel;
}

// Verbinden's test of two different hits that rules them out before it looks at their words.
bool Apart(const TFundstelle& a, const TFundstelle& b, int32_t modus) {
  if (a.TextNr != b.TextNr || a.Textteil != b.Textteil) return true;
  if (modus == kSameParagraph) return !SameParagraph(a, b);
  if (modus == kSameSection) return !SameSection(a, b);
  return false;
}

// Entry k of a list: in place, or built into `slot` for a compact list (`gebaut`: the index
// whose entry the slot holds, so that each entry is built once).
const TFundstellenListe::Eintrag& EntryOf(const TFundstellenListe& liste, size_t k,
                                          TFundstellenListe::Eintrag& slot, size_t& gebaut) {
  if (!liste.Kompakt()) return liste.EntryList()[k];
  if (gebaut != k) {
    slot = liste.EntryAt(k);
    gebaut = k;
  }
  return slot;
}

}  // namespace

std::optional<TFundstellenListe::Eintrag> Verbinden(const TFundstellenListe::Eintrag& x,
                                                    const TFundstellenListe::Eintrag& y,
                                                    int32_t abstand, int32_t modus) {
  const int c = HitVergleichOhneCD(x.Fundstelle, y.Fundstelle);
  if (c == 0) return x;
  const TFundstellenListe::Eintrag& a = c < 0 ? x : y;
  const TFundstellenListe::Eintrag& b = c < 0 ? y : x;
  const TFundstelle& ha = a.Fundstelle;
  const TFundstelle& hb = b.Fundstelle;
  if (ha.TextNr != hb.TextNr || ha.Textteil != hb.Textteil) return std::nullopt;
  if (modus == kSameParagraph && !SameParagraph(ha, hb)) return std::nullopt;
  if (modus == kSameSection && !SameSection(ha, hb)) return std::nullopt;
  if (modus != kSameParagraph && modus != kSameSection)
    throw Exception("interner Fehler, unerlaubter Modus (IF-SFS 002)");
  if (modus == kSameSection && abstand != 0) {
    throw Exception("interner Fehler, unerlaubter Wert (IF-SFS 003)");
  }
  const TAnzeigeRecord& ra = a.Anzeige;
  const TAnzeigeRecord& rb = b.Anzeige;
  if (ra.WortNummern[0] == 0) throw Exception("interner Fehler, Wortnummer erwartet (IF-SFS 001)");

  int32_t letzte = 0;
  for (int k = 0; k < kMaxWords; ++k) {
    if (ra.WortNummern[k] != 0) letzte = ra.WortNummern[k];
  }
  const int32_t d = std::abs(letzte - static_cast<int32_t>(rb.WortNummern[0]));
  if (abstand != 0 && d > abstand) return std::nullopt;

  TFundstellenListe::Eintrag r = a;
  r.Anzeige.Ende = std::max(ra.Ende, rb.Ende);
  // Slots 2..5 from a's slots 2..5 and b's slots 1..5 by ascending position; an empty slot
  // (position -1) ends its side; equal positions are taken once, from a.
  int i = 1;
  int j = 0;
  int n = 1;
  auto nehmen = [&](const TAnzeigeRecord& von, int k) {
    r.Anzeige.WortPos[n] = von.WortPos[k];
    r.Anzeige.Worte[n] = von.Worte[k];
    r.Anzeige.WortNummern[n] = von.WortNummern[k];
    ++n;
  };
  while (n < kMaxWords) {
    const bool hatA = i < kMaxWords && ra.WortPos[i] != -1;
    const bool hatB = j < kMaxWords && rb.WortPos[j] != -1;
    if (!hatA && !hatB) break;
    if (hatA && (!hatB || ra.WortPos[i] <= rb.WortPos[j])) {
      if (hatB && ra.WortPos[i] == rb.WortPos[j]) ++j;
      nehmen(ra, i++);
    } else {
      nehmen(rb, j++);
    }
  }
  for (; n < kMaxWords; ++n) {
    r.Anzeige.WortPos[n] = -1;
    r.Anzeige.Worte[n] = WordRef();
    r.Anzeige.WortNummern[n] = 0;
  }
  return r;
}

TUndKonjunktion::TUndKonjunktion()
    : Liste1(std::make_unique<TFundstellenListe>()),
      Liste2(std::make_unique<TFundstellenListe>()),
      Ergebnis(std::make_unique<TFundstellenListe>()) {}

void TUndKonjunktion::Liste1_UND_Liste2() { Combine(false); }

void TUndKonjunktion::Liste1_PPP_Liste2() { Combine(true); }

void TUndKonjunktion::Combine(bool geordnet) {
  if (Ergebnis) Ergebnis->Leeren();
  if (!Liste1 || !Liste2 || !Ergebnis) throw Exception("interner Fehler (UKJ 001)");
  // Lists of words stay compact: an entry is built only for a pair that is tried, and kept
  // only for a pair that is joined.
  const TFundstellenListe& l1 = *Liste1;
  const TFundstellenListe& l2 = *Liste2;
  const auto n1 = static_cast<size_t>(l1.Anzahl());
  const auto n2 = static_cast<size_t>(l2.Anzahl());
  const CDIdentifier cd(CDKennung);
  TFundstellenListe::Eintrag slot1;
  TFundstellenListe::Eintrag slot2;
  size_t gebaut1 = SIZE_MAX;
  size_t gebaut2 = SIZE_MAX;
  size_t i = 0;
  size_t j = 0;
  while (i < n1 && j < n2) {
    if (Abbruch != nullptr && Abbruch->load(std::memory_order_relaxed)) {
      Ergebnis->Leeren();
      return;
    }
    const TFundstelle& h1 = l1.HitAt(i);
    const TFundstelle& h2 = l2.HitAt(j);
    const int c = HitVergleichOhneCD(h1, h2);
    std::optional<TFundstellenListe::Eintrag> r;
    // Hits of different paragraphs (sections) are turned away as Verbinden would turn them
    // away, before any entry is built.
    if ((!geordnet || c < 0) && (c == 0 || !Apart(h1, h2, Modus)))
      r = Verbinden(EntryOf(l1, i, slot1, gebaut1), EntryOf(l2, j, slot2, gebaut2), Wortabstand,
                    Modus);
    if (r) {
      r->CD = cd;
      Ergebnis->Anhaengen(std::move(*r));
      ++i;
      ++j;
    } else if (c >= 0) {
      ++j;
    } else {
      ++i;
    }
  }
}

}  // namespace quillmar::retrieval
