#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "retrieval/file_cache.h"
#include "retrieval/hit_list.h"
#include "retrieval/search_catalog.h"

namespace quillmar::retrieval {

// The collection files a derived hit index is made from, as they were when it was made.
struct HitIndexSources {
  FileStamp wortListe;    // data/wortlst.dat
  FileStamp fundstellen;  // data/fundst.dat
};

// A derived hit index (docs/formats/hit-index.md): the hits of every word of fundst.dat in
// HitKey order, compressed, with a skip entry every kBlockHits hits, for reading a word's hits
// with a fraction of the bytes fundst.dat needs. wortlst.dat and fundst.dat stay the source of
// truth: an index is used only while both have the size and modification time it records, and
// one whose bytes do not check out is never trusted.
//
// An opened index holds its header and the directory of its word table; a word's table entry and
// postings are read from the file when it is asked for, so opening costs two small reads however
// many words the collection has. Immutable once opened, so searches on several threads may share
// it.
class HitIndex {
 public:
  static constexpr const char* kFileName = "fundst.qmx";
  static constexpr uint32_t kBlockHits = 128;

  // One word of the table: the hit range von..bis of fundst.dat and where its postings lie.
  struct Word {
    int32_t von = 0;
    int32_t bis = 0;
    uint64_t offset = 0;  // of the postings in the file
    uint32_t length = 0;  // bytes of the postings: skip entries, then blocks
    uint32_t skipChecksum = 0;
    uint32_t Hits() const { return static_cast<uint32_t>(int64_t{bis} - von + 1); }
  };

  // Opens the index at `path` and checks it: magic, version, header and directory checksums, the
  // file's length against the table's, and the sources it records against `sources`. Null when
  // the file is missing, stale or damaged.
  static std::shared_ptr<const HitIndex> Open(const std::string& path,
                                              const HitIndexSources& sources);

  const std::string& Path() const { return path_; }
  uint32_t WordCount() const { return count_; }

  // True when `in` (opened on Path()) still holds the file this object was opened from.
  bool SameFile(std::ifstream& in) const;
  // Finds the word whose hits are exactly von..bis through `in` (opened on Path()): reads and
  // checks the table chunk that would hold it (into `buffer`). kDamaged when the chunk's bytes
  // do not check out.
  enum class Lookup { kFound, kMissing, kDamaged };
  Lookup Find(std::ifstream& in, int32_t von, int32_t bis, Word& word,
              std::vector<uint8_t>& buffer) const;
  // Appends the word's hits whose HitKey is at least `from` to `out`, in HitKey order (equal
  // keys in fundst.dat order), decoding only the blocks from the one that may hold `from`: the
  // skip entries locate it. Reads the postings with one read into `buffer`. False when the
  // bytes are damaged (a checksum, a length or a value does not check out); `out` then holds
  // some of the hits.
  bool Read(std::ifstream& in, const Word& word, std::vector<TFundstelle>& out,
            std::vector<uint8_t>& buffer, uint64_t from = 0) const;

 private:
  struct Chunk {
    int32_t von;  // of the chunk's first word
    uint32_t checksum;
  };
  std::string path_;
  std::vector<uint8_t> header_;
  std::vector<Chunk> chunks_;
  uint64_t table_offset_ = 0;
  uint32_t count_ = 0;
  int64_t hits_ = 0;  // records of the hit file
};

// Writes the derived hit index of the collection files in `dataDir` (wortlst.dat and fundst.dat,
// found in any letter case) to `target`: into a new file beside it that is renamed over `target`
// once complete, so a reader never sees half an index. Returns the sources it was made from.
// Raises EInOutError when a source cannot be read, the target cannot be written, or a source
// changed while being read (the target is then left as it was).
HitIndexSources WriteHitIndex(const std::string& dataDir, const std::string& target);

// The derived hit indexes of the process, one per collection, shared by every search. Finds the
// current index of a collection: the one beside its files (written by the builder), or else one
// in the cache directory, which it builds there when missing, stale or damaged. Thread-safe.
// Keeps the cache directory of derived indexes (`directory`, where CachePath puts them) from
// growing without end: removes indexes unused for kUnusedFor (an index's modification time is
// set when a process first uses it), then the least recently used ones until those left take
// at most `maxBytes`, and temporary files of builds that ended without finishing. Never removes
// `keep` (the index just built) or files of other names. Errors are ignored: the cache is a
// convenience.
inline constexpr std::chrono::hours kUnusedFor{24 * 90};
inline constexpr uintmax_t kMaxCacheBytes = uintmax_t{2} << 30;
void PruneHitIndexCache(const std::string& directory, const std::string& keep,
                        uintmax_t maxBytes = kMaxCacheBytes);

class HitIndexStore {
 public:
  static HitIndexStore& Instance();

  // The current index for the collection files `sources` (resolved paths, stamped by the
  // caller), or null: with kOff, when none is current and none may be built, or when building
  // fails (then not tried again until the sources change).
  std::shared_ptr<const HitIndex> Find(const HitIndexSources& sources, HitIndexUse use,
                                       const std::string& cacheDirectory);
  // The index's bytes turned out damaged while reading: it is not used again. One beside the
  // collection is passed over until the collection changes; one in the cache is removed, so the
  // next Find builds it anew.
  void Damaged(const std::shared_ptr<const HitIndex>& index);
  // The index file is no longer the one opened (replaced meanwhile): the next Find opens it anew.
  void Forget(const std::shared_ptr<const HitIndex>& index);
  void Leeren();

  // Where the cache directory keeps the index of the collection whose hit file is `fundstPath`.
  static std::string CachePath(const std::string& cacheDirectory, const std::string& fundstPath);

 private:
  struct Entry {
    HitIndexSources sources;
    std::shared_ptr<const HitIndex> index;
    bool beside = false;          // index is the one beside the files
    bool besideLooked = false;    // the index beside the files was looked for
    bool besideRejected = false;  // the index beside the files was found damaged
    bool buildFailed = false;     // building into the cache failed for these sources
    int builds = 0;
  };
  Entry& EntryFor(const HitIndexSources& sources);

  std::mutex lock_;
  std::vector<Entry> entries_;  // one per hit file; few
};

}  // namespace quillmar::retrieval
