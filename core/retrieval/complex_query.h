#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "retrieval/hit_list.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/search_catalog.h"

namespace quillmar::retrieval {

// Status texts of a query: "Fehler in der Anfrageformulierung: ..." for negative codes,
// "Suche wurde abgebrochen" for 10, empty for 0 (in the current interface language).
std::string StatusText(int32_t status);

// A query line (words, masks, phrases, AND, OR, "...", brackets) evaluated over collections
// into one sorted, filtered hit list.
class TKomplexAnfrage {
 public:
  static constexpr int32_t kAbgebrochen = 10;

  // Reads the AND/OR keywords of the current interface language. The catalog and the conversion
  // must outlive the query; phonetik may be null.
  TKomplexAnfrage(const TSuchKatalog& katalog, PhoneticConversion* phonetik);

  int32_t Status = -1;
  int32_t Wortabstand = 0;
  int32_t Modus = -1;  // 1 same paragraph, 2 same section
  int32_t Stufe = 0;   // fuzzy level 0..4
  std::string Anfrage;
  std::atomic<bool> Abbrechen{false};
  bool Fehler = false;
  std::string FehlerText;
  std::string UndWort;
  std::string OderWort;
  std::vector<std::string> CDs;
  TFundstellenListe Vorlage;   // the filters in force during the last run
  TFundstellenListe Ergebnis;  // set the filters here before Ausfuehren

  bool Abgebrochen() const { return Abbrechen.load(std::memory_order_relaxed); }
  void Ausfuehren(const std::string& anfrage);
};

}  // namespace quillmar::retrieval
