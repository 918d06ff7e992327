#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/conjunction.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_list.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/query_tree.h"
#include "retrieval/search_catalog.h"

namespace quillmar::retrieval {

class TFundstellenAnfrage;

// Status texts of a query: "Fehler in der Anfrageformulierung: ..." for negative codes,
// "Suche wurde abgebrochen" for 10, empty for 0 (in the current interface language).
std::string StatusText(int32_t status);

// "The collection '<name>' could not be searched; the result has none of its hits." and the
// error that ended its evaluation, on a line of its own.
std::string CollectionErrorText(const CollectionSearchInfo& cd, const std::string& error);

// A query line (words, masks, phrases, AND, OR, "...", brackets; see ParseQuery) evaluated over
// collections into one sorted, filtered hit list.
class TKomplexAnfrage {
 public:
  static constexpr int32_t kCancelled = query_status::kCancelled;

  // Reads the AND/OR keywords of the current interface language. The catalog and the conversion
  // must outlive the query; phonetik may be null.
  TKomplexAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik);
  ~TKomplexAnfrage();
  TKomplexAnfrage(const TKomplexAnfrage&) = delete;
  TKomplexAnfrage& operator=(const TKomplexAnfrage&) = delete;

  int32_t Status = query_status::kNotRun;  // see query_status
  int32_t Wortabstand = 0;
  int32_t Modus = kJoinModeUnset;  // kSameParagraph or kSameSection
  int32_t Stufe = 0;               // fuzzy level 0..4
  std::string Anfrage;
  std::atomic<bool> Abbrechen{false};
  bool Fehler = false;
  std::string FehlerText;
  std::string UndWort;
  std::string OderWort;
  std::vector<std::string> CDs;
  // The collections of the last run whose evaluation a file error (EInOutError) ended: each is
  // left out of Ergebnis, with none of its hits, and the others are searched on. Fehler is set
  // then and FehlerText names each of them with its error (CollectionErrorText).
  std::vector<std::string> LeftOut;
  // Joins (AND, "...", phrases) load a frequent word only within the paragraphs or sections of
  // the other operand, and an OR of words loads them as one list. The result is the same
  // either way; off only to compare.
  bool Narrow = true;
  // Leaves a result of words (a word, an OR of words) compact (TFundstellenListe::SetzeKompakt)
  // for a reader on this thread that takes its entries one at a time (EntryAt); otherwise the
  // entries are built before Ausfuehren returns, ready for readers on other threads.
  bool CompactResult = false;
  TFundstellenListe Vorlage;   // the filters in force during the last run
  TFundstellenListe Ergebnis;  // set the filters here before Ausfuehren

  bool Abgebrochen() const { return Abbrechen.load(std::memory_order_relaxed); }
  // Parses the line once and evaluates it over CDs in order into Ergebnis; sets Status. A syntax
  // error ends the run before any collection is touched, with an empty Ergebnis. A file error
  // (EInOutError: a file missing, unreadable or cut short) leaves its collection out (LeftOut);
  // other errors raise (the search thread turns them into Fehler/FehlerText).
  void Ausfuehren(const std::string& anfrage);
  // The collection being evaluated.
  const std::string& AktuelleCD() const { return current_cd_; }

  // The rewriting done before a fuzzy search: every word that begins or ends with "*" becomes
  // a bracketed alternative of the word without its outer asterisks and its masked forms,
  // "*burg" -> "(burg ODER *burg)", "burg*" -> "(burg ODER burg*)",
  // "*burg*" -> "(burg ODER burg* ODER *burg ODER *burg*)". The line comes back trimmed.
  static std::string ExpandStarWords(std::string_view zeile, std::string_view oderWort);

 private:
  // The tree evaluated over the current collection, one node at a time.
  TFundstellenListe Evaluate(const QueryTree& tree, std::size_t node);
  TFundstellenListe EvaluateOr(const QueryTree& tree, const QueryNode& node);
  TFundstellenListe EvaluateJoin(const QueryTree& tree, const QueryNode& node);
  TFundstellenListe EvaluatePhrase(const QueryTree& tree, const QueryNode& node);
  // A phrase of few plain words: its rarest word first, the others within its paragraphs.
  TFundstellenListe EvaluatePhraseByRarest(const QueryTree& tree, const QueryNode& node);
  // The paragraphs all plain words of a phrase (and the enclosing restriction, when it is one
  // to paragraphs) have hits in; std::nullopt when fewer than three take part.
  std::optional<GroupSet> CommonParagraphs(const QueryTree& tree,
                                           const std::vector<std::size_t>& glieder);
  TFundstellenListe EinzelWort(std::string_view wort);
  // The union of plain words, masks or fuzzy words, loaded as one list (see
  // TFundstellenAnfrage::Suche).
  TFundstellenListe EinzelWoerter(const std::vector<std::string>& woerter);
  // The hits a plain word's records promise; masks and fuzzy words count as unlimited.
  int64_t HitCount(std::string_view wort);
  // The word's hits, narrowed to the groups of `andere` (GroupSet).
  TFundstellenListe WordWithin(std::string_view wort, const TFundstellenListe& andere,
                               int32_t modus);
  // Evaluates both operands of a join into l1 and l2; when one is a word it is loaded last (or,
  // of two words, the one with more hits), narrowed to the groups of the other.
  void EvaluateOperands(const QueryTree& tree, std::size_t links, std::size_t rechts, int32_t modus,
                        int32_t abstand, TFundstellenListe& l1, TFundstellenListe& l2);
  void BindCollection();
  TFundstellenListe Combine(TFundstellenListe& l1, TFundstellenListe& l2, int32_t abstand,
                            int32_t modus, bool geordnet);

  const SearchCatalog& katalog_;
  std::unique_ptr<TFundstellenAnfrage> word_query_;
  std::string current_cd_;
  std::string bound_cd_;  // the collection the word query is bound to
  // The groups the expression being evaluated can contribute to (from the other operand of an
  // enclosing join); words are loaded only within them. Null: no restriction.
  const GroupSet* aussen_ = nullptr;
};

}  // namespace quillmar::retrieval
