#include "retrieval/datum.h"

namespace quillmar::retrieval {

namespace {

constexpr const char* kYearExpected = "Fehler beim Datumsvergleich, Jahrangabe erwartet";

// Each thread keeps the error of its own last comparison.
thread_local std::string letzterFehler;

// Month or day: an unknown value (0) sorts before every known one.
int ComparePart(uint8_t a, uint8_t b) {
  if (a == b) return 0;
  if (a == TDatum::kUnknown) return -1;
  if (b == TDatum::kUnknown) return 1;
  return a < b ? -1 : 1;
}

}  // namespace

int DatumVergleich(const TDatum& a, const TDatum& b) {
  letzterFehler.clear();
  if (a.Jahr == TDatum::kNoYear || b.Jahr == TDatum::kNoYear) {
    letzterFehler = kYearExpected;
    return 0;
  }
  if (a.Jahr != b.Jahr) return a.Jahr < b.Jahr ? -1 : 1;
  if (const int monat = ComparePart(a.Monat, b.Monat); monat != 0) return monat;
  if (a.Monat == TDatum::kUnknown) return 0;
  return ComparePart(a.Tag, b.Tag);
}

const std::string& LastDateError() { return letzterFehler; }

bool DatumUmfasst(const TDatum& a, const TDatum& b) {
  if (a.Jahr != b.Jahr) return false;
  if (a.Monat == TDatum::kUnknown) return true;
  if (b.Monat == TDatum::kUnknown || a.Monat != b.Monat) return false;
  if (a.Tag == TDatum::kUnknown) return true;
  if (b.Tag == TDatum::kUnknown) return false;
  return a.Tag == b.Tag;
}

bool DatumUeberlappt(const TDatum& a, const TDatum& b) {
  return DatumUmfasst(a, b) || DatumUmfasst(b, a);
}

bool DatumImIntervall(const TDatum& von, const TDatum& bis, const TDatum& d) {
  if (DatumUmfasst(bis, von)) return DatumUeberlappt(d, bis);
  if (DatumUmfasst(von, bis)) return DatumUeberlappt(d, von);
  const bool vonZuerst = DatumVergleich(von, bis) <= 0;
  const TDatum& lo = vonZuerst ? von : bis;
  const TDatum& hi = vonZuerst ? bis : von;
  if (DatumUeberlappt(d, hi) || DatumUeberlappt(d, lo)) return true;
  return DatumVergleich(lo, d) <= 0 && DatumVergleich(d, hi) <= 0;
}

}  // namespace quillmar::retrieval
