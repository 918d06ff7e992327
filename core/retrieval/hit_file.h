#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "retrieval/file_cache.h"
#include "retrieval/hit_index.h"
#include "retrieval/hit_list.h"

namespace quillmar::retrieval {

// A range of 0-based record indexes of fundst.dat, both ends inclusive (a word's Von..Bis).
struct HitRange {
  int32_t Von = 0;
  int32_t Bis = 0;
};

// Loads hit ranges of a collection's fundst.dat. The file is opened for each load and closed
// again; records are decoded straight from large block reads.
class TFundstellenDateiAnfrage {
 public:
  // Records per read of the loading rule that tells a missing range (TFDA 002) from a range cut
  // short (TFDA 003): the range's records are read in blocks of this many records.
  static constexpr int32_t kBlockRecords = 1000;

  int32_t Von = 0;
  int32_t Bis = 0;

  // Raises EInOutError "Datei '<PATH>' nicht gefunden.(TFDA 001)" when no file exists there.
  void SetzeDateiName(const std::string& path);
  // SetzeDateiName for the reads of one search: takes the file's size and modification time
  // now and uses them for every later read until the next binding, instead of looking at the
  // file again for each; the file stays open meanwhile. Raises "(TFDA 001)" like SetzeDateiName.
  void Binden(const std::string& path);
  const std::string& DateiName() const { return path_; }
  // The stamp Binden took; std::nullopt when not bound.
  const std::optional<FileStamp>& Stamp() const { return held_; }
  // For the reads until the next binding: the ranges that `index` holds (made from the bound
  // file) are read from it instead of the file; null reads everything from the file. An index
  // whose bytes turn out damaged is reported to the HitIndexStore and not used again; the
  // range is then read from the file.
  void BindIndex(std::shared_ptr<const HitIndex> index);
  bool HasIndex() const { return index_ != nullptr; }
  // The identifier given to every loaded hit.
  void SetzeCDKennung(const std::string& cdId) { cd_ = cdId; }
  const std::string& CDKennung() const { return cd_; }
  TFundstellenListe& Liste() { return liste_; }

  // Replaces the list's contents by the records Von..Bis, each through AnhaengenRoh (so the
  // list's filters apply). A range past the end of the file raises EInOutError
  // "unerwartetes Ende von '<path>' .(TFDA 002)" when nothing of the block that should hold the
  // next record exists, "(TFDA 003)" when that block is cut short; the records before stay loaded.
  void Laden();

  // Hands the hits of each range in order to `take` (range index, hits of one read, in file
  // order), with one open of the file for all ranges. `take` returns false to stop. Errors as
  // in Laden, raised after the range's available hits were handed over.
  using Consumer = std::function<bool(size_t range, std::span<const TFundstelle> hits)>;
  void Read(std::span<const HitRange> ranges, const Consumer& take);

  // The hits of one range in HitKey order (equal keys in file order), served from the process's
  // hit cache while the file is unchanged, read and sorted otherwise. Errors as in Laden.
  using SortedHits = std::shared_ptr<const std::vector<TFundstelle>>;
  SortedHits SortedRange(const HitRange& range);
  // The same read now, without the hit cache: from the bound index when it holds the range,
  // from the file otherwise.
  std::vector<TFundstelle> LoadSorted(const HitRange& range);

  // Called on the reading thread with the file's path whenever a read is about to open the hit
  // file, that is after the search's words were looked up; tests set it to take the collection
  // away at that moment. Null outside tests; change it only while no search runs.
  using OpenHook = std::function<void(const std::string& path)>;
  static void SetOpenHook(OpenHook hook);

 private:
  // Reads `records` records from record k into buffer_; returns the whole records read. A short
  // read means the file has shrunk: `groesse` then becomes the size read up to.
  int64_t ReadRecords(std::ifstream& in, int64_t k, int64_t records, int64_t& groesse);

  // The resolved path and stamp of the file for this read: the held one or a fresh one.
  FileStamp CurrentStamp() const;
  // The range from the bound index into `hits`; false when the index does not hold it or is
  // unusable (it is then unbound).
  bool ReadFromIndex(const HitRange& range, std::vector<TFundstelle>& hits);
  // Calls the open hook before the first file of this binding (the index or the hit file) is
  // opened; without a held binding, before every open.
  void AnnounceOpen(const std::string& path);

  std::string path_;
  std::optional<FileStamp> held_;  // see Binden
  std::unique_ptr<std::ifstream> held_in_;
  bool announced_ = false;                   // see AnnounceOpen
  std::shared_ptr<const HitIndex> index_;    // see BindIndex
  std::unique_ptr<std::ifstream> index_in_;  // the index file, opened at its first read
  std::vector<uint8_t> index_buffer_;
  std::string cd_;
  TFundstellenListe liste_;
  std::vector<uint8_t> buffer_;
  std::vector<TFundstelle> hits_;
};

}  // namespace quillmar::retrieval
