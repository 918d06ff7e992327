#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/file_cache.h"
#include "retrieval/search_catalog.h"

namespace quillmar::retrieval {

// One record of a word list file (wortlst.dat or a fuzzy word list s1wl.dat .. s4wl.dat): the word
// (Windows-1252, at most 30 bytes) and the 0-based range of its entries in the hit file (or, in a
// fuzzy list, in the level's link file).
struct TWortDateiRecord {
  std::string Wort;
  int32_t Von = 0;
  int32_t Bis = 0;
};

// A record as it lies in a reader's window: Wort points into the window and stays valid until the
// reader loads another stretch of the file.
struct WordRecordView {
  std::string_view Wort;
  int32_t Von = 0;
  int32_t Bis = 0;
};

// Looks one word up in a word list file by a block-wise binary search; reports the enclosing
// words when the word is missing. Each Suche opens and closes the file. Thread-safe (own lock).
class TWortDateiAnfrage {
 public:
  // "<CD>/data/wortlst.dat" of the collection, found in any letter case; empty for a collection
  // without a root directory.
  static std::string WordListPath(const CollectionSearchInfo& cd);
  // The EInOutError text for a word list that does not exist: "Datei '<PATH>' nicht
  // gefunden.(TWDA 001)" with the path trimmed and upper-cased.
  static std::string NotFoundText(const std::string& path);

  // Binds to "<CD>/data/wortlst.dat" of the collection.
  void SetzeCD(const CollectionSearchInfo& cd);
  // Binds to another word list; raises EInOutError "...nicht gefunden.(TWDA 001)" when missing.
  void SetzeDateiName(const std::string& path);
  const std::string& DateiName() const { return path_; }

  // Binds to the word list of the collection `cd` whose stamp (resolved path, size and time) the
  // caller has just taken, for the lookups of one search: they use that state of the file
  // without looking at it again, from memory when the process keeps the file (from its second
  // search on, FileCache::GetFromSecondUse), block by block from the file otherwise. Returns
  // the contents held in memory, or null.
  FileCache::Inhalt Binden(const CollectionSearchInfo& cd, const FileStamp& stamp);

  // Raises EInOutError "Datei '...' ist leer. (TWDA 002)" for an empty file.
  void Suche(const std::string& word);

  bool Gefunden() const { return gefunden_; }
  int32_t Von() const { return von_; }
  int32_t Bis() const { return bis_; }
  int32_t Satznummer() const { return gefunden_ ? satznummer_ : -1; }  // 1-based
  const std::string& Vorgaenger() const { return vorgaenger_; }
  const std::string& Nachfolger() const { return nachfolger_; }
  int32_t VorgaengerNr() const { return vorgaenger_nr_; }
  int32_t NachfolgerNr() const { return nachfolger_nr_; }
  bool HatVariante() const { return hat_variante_; }
  int32_t VarianteVorNr() const { return variante_vor_nr_; }
  int32_t VarianteNachNr() const { return variante_nach_nr_; }

  // After a successful Suche: the run of adjacent records whose Wortschluessel equals the key's,
  // the found record among them, in file order, and the record number of the run's first record.
  // Empty and -1 when the word was not found.
  const std::vector<TWortDateiRecord>& Run() const { return run_; }
  int32_t RunStart() const { return run_start_; }

 private:
  void Reset();

  mutable std::mutex lock_;
  std::string path_;
  std::string key_;
  bool gefunden_ = false;
  int32_t von_ = 0;
  int32_t bis_ = 0;
  int32_t satznummer_ = -1;
  std::string vorgaenger_;
  std::string nachfolger_;
  int32_t vorgaenger_nr_ = -1;
  int32_t nachfolger_nr_ = -1;
  bool hat_variante_ = false;
  int32_t variante_vor_nr_ = -1;
  int32_t variante_nach_nr_ = -1;
  std::string cdid_;
  std::vector<TWortDateiRecord> run_;
  int32_t run_start_ = -1;
  std::vector<uint8_t> block_;  // the last block read by Suche, kept to spare reallocation
  FileCache::Inhalt pinned_;    // see Binden
  bool bound_ = false;          // bound by Binden: the file is not checked again
};

// Reads word list records by 1-based record number through a window of 1500 records; serves
// sequential scans (mask expansion, the word list browser). One thread per instance.
class TLesenWortDatei {
 public:
  static constexpr int32_t kWindow = 1500;

  void SetzeDateiName(const std::string& path);
  // Binds to the file at `path` whose whole contents the caller holds (from Binden of a lookup
  // on the same file): records are served from them without reading the file.
  void SetzeInhalt(const std::string& path, FileCache::Inhalt contents);
  // Record n; outside 1..Anzahl sets Ausserhalb and returns an empty record.
  TWortDateiRecord Lies(int32_t n);
  // Record n for a forward scan: when n lies outside the window, the window is reloaded to start
  // at n, so a scan reads each record once. false (and Ausserhalb) outside 1..Anzahl.
  bool ReadForward(int32_t n, WordRecordView& out);
  // Raises the internal error "LWD-IA-1" without a file; false when the file cannot be opened.
  bool Verfuegbar();
  int32_t Anzahl() const { return anzahl_; }
  bool Leer() const { return leer_; }
  bool Ausserhalb() const { return ausserhalb_; }
  const std::string& DateiName() const { return path_; }

 private:
  // Loads records erster..letzter into the window; raises EInOutError unless record n is then
  // held.
  void Laden(int32_t n, int32_t erster, int32_t letzter);
  WordRecordView View(int32_t n) const;

  std::vector<uint8_t> window_;
  FileCache::Inhalt pinned_;
  int32_t erster_ = 0;  // first record number held, 0 while empty
  int32_t letzter_ = 0;
  std::string path_;
  int32_t anzahl_ = 0;
  bool leer_ = true;
  bool ausserhalb_ = true;
};

}  // namespace quillmar::retrieval
