#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collection/calderwick_data.h"
#include "collection/search_history.h"
#include "collection/text_info.h"
#include "retrieval/hit_list.h"
#include "retrieval/integer_set.h"

namespace quillmar::retrieval {
class SearchCatalog;
class TSuchThread;
}  // namespace quillmar::retrieval

namespace quillmar::search_ui {

using retrieval::DateBound;

// The text kinds the search form offers, in the order of its summary and of a stored search.
inline constexpr uint8_t kTextKinds[] = {1, 3, 0, 12, 10, 11};
// The languages the form offers, in list and summary order; 255 stands for all languages.
inline constexpr uint8_t kLanguages[] = {255, 0, 101, 102, 104, 105, 1, 103, 199};
// The languages a new search starts with.
inline constexpr uint8_t kStandardLanguages[] = {0, 1, 101, 102, 103, 104, 105, 199};

// Everything the search form collects for one search; a search history entry holds the same.
struct SearchSettings {
  std::string Anfrage;           // the query line, Windows-1252
  TCDSelectArray CDAuswahl;      // one element per installed collection, catalog order
  TTextSelectArray TextAuswahl;  // element 0 is "alle" / "all" (CD "0", text 0)
  retrieval::TSmallIntSet Sprachen;
  TTextArtArray Textarten;
  DateBound DatumVon, DatumBis, DatumGenau;  // default: none
  int32_t UndModus = 1;                      // 1 paragraph, 2 subsection
  int32_t Wortabstand = 20;                  // 0: any distance
  int32_t Stufe = 0;                         // fuzzy level 0..4

  // A new search: every text kind, the default languages, no dates, distance 20 within a
  // paragraph, exact search; empty query line and empty selections.
  static SearchSettings Standard();
  // Everything the entry holds; a fuzzy level outside 0..4 becomes 0.
  static SearchSettings FromHistory(const TSearchHistoryRecord& record);
  // The entry to store; the languages in list order (kLanguages).
  TSearchHistoryRecord ToHistory() const;
};

// True for the "no date" bound (day 0, month 0, both years 30000).
bool IsNoDate(const DateBound& date);

// Reads a date as the options dialog accepts it: d.m.yyyy, m.yyyy or yyyy, with any of ",", ".",
// "/", ":" and "\" ending a field. Empty when the text is no valid date.
std::optional<DateBound> ParseDate(const std::string& text);
// "The date <text> is not valid." and the accepted formats, in the current language (UTF-8).
std::string InvalidDateMessage(const std::string& text);
// The date as the options dialog shows it: "d.m.yyyy", "m.yyyy" or "yyyy", with "/yyyy" for a
// second year; empty for no date.
std::string DateAsNumbers(const DateBound& date);
// The date as the option summary shows it: "3. März 1200", "März 1200" or "1200", with "/yyyy"
// for a second year (UTF-8, current language).
std::string DateAsText(const DateBound& date);

// Names in the current language (UTF-8). A passage kind: 0 "Text", 1 "Überschrift", 2
// "Unterüberschrift", 3/4 "Untertitel", 10 "Scholie", 11 "Fußnote", 12 "Randbemerkung"; empty
// for other codes. A language code of kLanguages; empty for other codes.
std::string TextKindName(int32_t code);
std::string LanguageName(int32_t code);

// The four option summaries of the search form (UTF-8, current language), each ending in ".".
std::string TextKindSummary(const TTextArtArray& arten);
std::string LanguageSummary(const retrieval::TSmallIntSet& sprachen);
std::string DateSummary(const DateBound& von, const DateBound& bis, const DateBound& genau);
std::string AndSummary(int32_t undModus, int32_t wortabstand);

// The query line to search (Windows-1252) from what the user typed (UTF-8): words written in
// Greek letters become the transliteration the word index holds, masks included (λόγ* is
// l'og*). For a fuzzy search (level 1..4) an unaccented Greek word is marked as Greek so that
// the phonetic module folds it like the accented words of the texts.
std::string QueryLine(std::string_view typed, int32_t stufe);

// The collections a search touches: the checked ones in list order, then (unless "alle" is
// checked) those of checked texts not listed yet.
std::vector<std::string> CollectionsToSearch(const SearchSettings& e);

// Fills a search that has not started: its collections (CollectionsToSearch), query line, word
// distance, mode and fuzzy level, and the result list's filters (text conditions unless "alle"
// is checked, text parts, languages, the date bounds with DatumGenau taking precedence) with
// `katalog` for the collections' date values. `katalog` must outlive the search. Returns the
// names (Windows-1252) of checked collections without fuzzy search (hasFS false), in list order.
std::vector<std::string> SetUpSearch(const SearchSettings& e, retrieval::TSuchThread& suche,
                                     const retrieval::SearchCatalog& katalog,
                                     const std::function<bool(const std::string&)>& hasFS);

// The timed notice about collections without fuzzy search (UTF-8, current language); the names
// are Windows-1252 collection titles.
std::string FuzzyNotice(const std::vector<std::string>& namen);

}  // namespace quillmar::search_ui
