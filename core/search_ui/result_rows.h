#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "retrieval/hit_list.h"
#include "retrieval/search_catalog.h"

namespace quillmar {
class TTextInfo;
}  // namespace quillmar

namespace quillmar::search_ui {

// One row of the result list. Texts are UTF-8.
struct ResultRow {
  std::string Worte;
  std::string Titel;
  std::string Autor;    // the text's short label, or its long label when that is empty
  std::string Kapitel;  // chapter (and "/" sub-chapter) of the hit
  int32_t Seite = 0;
  int32_t Zeile = 0;
  std::string Art;    // the kind of passage (TextKindName)
  std::string Datum;  // the hit's dates; empty unless the search had a date condition
  retrieval::TFundPosition Position;
};

// Builds result rows for the hits of a list, in list order. A collection's text catalog is
// loaded when the collection changes from one hit to the next. Owns its catalog objects; used by
// one thread at a time (the result list's row builder).
class ResultRows {
 public:
  // `katalog` gives each collection's text catalog file and date values; it must outlive this.
  explicit ResultRows(const retrieval::SearchCatalog& katalog);
  ~ResultRows();
  ResultRows(const ResultRows&) = delete;
  ResultRows& operator=(const ResultRows&) = delete;

  // The row of one hit; `dateSearch` fills the date column.
  ResultRow Zeile(const retrieval::TFundstellenListe::Eintrag& hit, bool dateSearch);
  // How often a text catalog was loaded.
  int32_t CatalogChanges() const { return catalog_changes_; }

 private:
  const retrieval::SearchCatalog& katalog_;
  std::unique_ptr<TTextInfo> info_;
  std::string cd_;  // collection whose catalog is loaded; empty at start
  uint16_t no_date_marker_ = 0;
  uint16_t year_offset_ = 0;
  int32_t catalog_changes_ = 0;
};

// Writes the printable result document (a stream file the reader shows like any text): a level-1
// heading "Suchergebnisse", the query in bold, the hit count, then one paragraph per row with the
// fields `fields` selects (words, author, title, page, line, kind, chapter; the order of the
// "ResultDocFormat" setting). Raises EInOutError when the file cannot be written.
void WriteResultDocument(const std::string& dateiName, const std::string& anfrage, int32_t anzahl,
                         const std::vector<ResultRow>& rows, const std::array<bool, 7>& fields);

}  // namespace quillmar::search_ui
