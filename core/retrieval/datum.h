#pragma once

#include <cstdint>
#include <string>

namespace quillmar::retrieval {

// A partial date of a passage: a whole year (month 0), a whole month (day 0) or a day.
struct TDatum {
  static constexpr uint8_t kUnknown = 0;      // unknown day or month
  static constexpr uint16_t kNoYear = 30000;  // unknown year / no second year
  uint8_t Tag = 0;
  uint8_t Monat = 0;
  uint16_t Jahr = kNoYear;
  uint16_t Jahr2 = kNoYear;  // second year, shown as year/Jahr2; ignored by comparisons
};

// -1, 0, +1. An unknown year on either side gives 0 and records the last date error; an unknown
// month or day sorts before every known one of the same year or month.
int DatumVergleich(const TDatum& a, const TDatum& b);
// The text of the last DatumVergleich that met an unknown year, empty otherwise (per thread).
const std::string& LastDateError();
// a, read as a year, month or day, contains b.
bool DatumUmfasst(const TDatum& a, const TDatum& b);
bool DatumUeberlappt(const TDatum& a, const TDatum& b);
// d lies in the interval spanned by von and bis (in either order).
bool DatumImIntervall(const TDatum& von, const TDatum& bis, const TDatum& d);

}  // namespace quillmar::retrieval
