#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "retrieval/group_set.h"
#include "retrieval/hit_file.h"
#include "retrieval/hit_list.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_query.h"

namespace quillmar::retrieval {

// Turns one query word (plain, masked or fuzzy) on one collection into a list of its hits,
// sorted by HitVergleich, filtered by the result list's filters, without duplicate positions.
class TFundstellenAnfrage {
 public:
  // The catalog and the conversion must outlive the query; phonetik may be null. When `abbruch`
  // is given, a set flag stops Suche after the current hit with an empty result.
  TFundstellenAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik,
                      const std::atomic<bool>* abbruch = nullptr);

  int32_t Stufe = 0;  // 0 exact or mask, 1..4 fuzzy level

  // Binds to the collection's wortlst.dat ("(TWDA 001)" when missing) and fundst.dat
  // ("(TFDA 001)" when missing). Both files are checked once here; the lookups and reads until
  // the next SetzeCD use the state they had then (a search binds anew for each run).
  void SetzeCD(const std::string& cdId);
  // Fills Ergebnis() with the word's hits; set the filters on Ergebnis() before.
  void Suche(const std::string& word);
  // The union of the words' hits in one list, as merging their lists in this order gives it
  // (of equal hits the earlier word's stays), without building each word's list first.
  void Suche(const std::vector<std::string>& words);
  TFundstellenListe& Ergebnis() { return ergebnis_; }

  // When set, Suche leaves out the hits outside these groups (see GroupSet).
  const GroupSet* Restriction = nullptr;
  // How many hits the word's records promise (before filters); binds nothing new.
  int64_t HitCount(const std::string& word);
  // The hits of each of the word's records in HitKey order, unfiltered (from the hit cache
  // while the file is unchanged); binds nothing new.
  std::vector<TFundstellenDateiAnfrage::SortedHits> SortedRanges(const std::string& word);

 private:
  bool Abgebrochen() const {
    return abbruch_ != nullptr && abbruch_->load(std::memory_order_relaxed);
  }

  // The word's records, looked up once per binding and level.
  const std::vector<TWortDateiRecord>& Records(const std::string& word);
  // Hands the hits of the records' ranges that pass the groups and the filters to
  // take(hit, record index), in range order, keeping the ranges in ranges_; false when the
  // search was cancelled.
  template <typename Take>
  bool GatherHits(const std::vector<TWortDateiRecord>& records, Take&& take);
  // For a few records without groups: merges the records' ranges (each in HitKey order) straight
  // into `kompakt`, keeping the earlier record's hit of equal ones as OrderHits does, with no
  // per-hit working arrays. False when the search was cancelled.
  static constexpr size_t kMergeRecords = 16;
  bool MergeRecords(const std::vector<TWortDateiRecord>& records,
                    std::vector<TFundstellenListe::KompakterTreffer>& kompakt, size_t reserve);
  // The general way: gathers every admitted hit, orders them and drops equal ones.
  bool GatherAndOrder(const std::vector<TWortDateiRecord>& records,
                      std::vector<TFundstellenListe::KompakterTreffer>& kompakt, size_t reserve);
  // Fills folge_ with the hits' sort keys and indexes, in order and without equal keys.
  void OrderHits();
  // The ordered hits as a compact list's hits.
  std::vector<TFundstellenListe::KompakterTreffer> CompactHits() const;

  const SearchCatalog& katalog_;
  const std::atomic<bool>* abbruch_;
  TFundstellenDateiAnfrage datei_;
  TWoerterAnfrage woerter_;
  std::string path_;
  std::string cd_;
  std::mutex lock_;
  TFundstellenListe ergebnis_;
  // Working storage of Suche, kept between calls.
  struct Treffer {
    const TFundstelle* hit;  // in one of ranges_
    uint32_t wort;           // index of the word record the hit came through
  };
  std::vector<Treffer> treffer_;
  std::vector<TFundstellenDateiAnfrage::SortedHits> ranges_;  // the ranges treffer_ points into
  std::vector<uint32_t> auswahl_;
  // Words already looked up since SetzeCD: (level, word) and their records.
  struct LookedUp {
    int32_t stufe;
    std::string wort;
    std::shared_ptr<const std::vector<TWortDateiRecord>> records;
  };
  std::vector<LookedUp> looked_up_;
  std::vector<std::pair<uint64_t, uint32_t>> folge_;
};

}  // namespace quillmar::retrieval
