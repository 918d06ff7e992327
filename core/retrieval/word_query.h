#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "retrieval/mask.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_file.h"

namespace quillmar::retrieval {

// The word records a query word yields, in the order they were found (word-list order for masks,
// the found record first for plain words).
class TWortListe {
 public:
  void Hinzufuegen(const TWortDateiRecord& record) { records_.push_back(record); }
  void Leeren() { records_.clear(); }
  int32_t Anzahl() const { return static_cast<int32_t>(records_.size()); }
  const std::vector<TWortDateiRecord>& Records() const { return records_; }

 private:
  std::vector<TWortDateiRecord> records_;
};

// The records that plain words and masks (not fuzzy words) were found to have in a word list, by
// the list's stamp (path, size, modification time), the collection and the word, shared by the
// searches of the process: the lookup of a word searched again is one hash lookup while the file
// is unchanged (each search stamps the file anew). Keeps the most recently used 4096 words.
// Thread-safe.
class WordLookupCache {
 public:
  static WordLookupCache& Instance();

  // Null when not kept.
  std::shared_ptr<const std::vector<TWortDateiRecord>> Find(const FileStamp& datei,
                                                            const std::string& cdid,
                                                            const std::string& wort);
  void Store(const FileStamp& datei, const std::string& cdid, const std::string& wort,
             std::shared_ptr<const std::vector<TWortDateiRecord>> records);
  void Leeren();

 private:
  static std::string Key(const FileStamp& datei, const std::string& cdid, const std::string& wort);

  struct Eintrag {
    std::string key;
    std::shared_ptr<const std::vector<TWortDateiRecord>> records;
  };
  std::mutex lock_;
  std::list<Eintrag> order_;  // most recently used first
  std::unordered_map<std::string, std::list<Eintrag>::iterator> index_;
};

// Turns one query word (plain word, mask, or fuzzy word) into the matching records of one
// collection's word list.
class TWoerterAnfrage {
 public:
  // The catalog and the conversion must outlive the query; phonetik may be null (no fuzzy
  // conversion available: fuzzy levels then find nothing for lack of a key).
  TWoerterAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik);

  int32_t Stufe = -1;  // 0 exact or mask, 1..4 fuzzy level

  // Binds to the collection's wortlst.dat; raises "(TWDA 001)" when missing. The file is
  // checked once here: later lookups use the state it had then (bind again to see changes).
  void SetzeCD(const std::string& cdid);
  // The stamp of wortlst.dat that SetzeCD took.
  const std::optional<FileStamp>& Stamp() const { return stamp_; }
  // Appends the matching records to Ergebnis() (the caller clears it).
  void Suche(const std::string& word);
  TWortListe& Ergebnis() { return ergebnis_; }

 private:
  void FindWord(const std::string& word);
  void FindMask(const std::string& word);
  void FindFuzzy(const CollectionSearchInfo& cd, const std::string& word);
  // Adds the records of `leser` that match maske_: those from the first record whose key is at
  // least `praefix` (through the lookup `anfrage`) while their word starts with it, or every
  // record for an empty prefix. Words are compared by their key when `normalisieren` is set,
  // as stored otherwise. Returns the record numbers scanned as [von, bis] (bis < von for none).
  void Expand(TWortDateiAnfrage& anfrage, TLesenWortDatei& leser, const std::string& praefix,
              bool normalisieren, std::vector<TWortDateiRecord>& ziel, int32_t& von, int32_t& bis);

  const SearchCatalog& katalog_;
  PhoneticConversion* phonetik_;
  TWortDateiAnfrage anfrage_;
  TLesenWortDatei leser_;
  TMaske maske_;
  std::string cdid_;
  std::optional<FileStamp> stamp_;
  std::mutex lock_;
  TWortListe ergebnis_;
};

}  // namespace quillmar::retrieval
