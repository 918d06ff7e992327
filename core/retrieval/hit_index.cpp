#include "retrieval/hit_index.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "retrieval/block_pool.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace {

namespace layout = index_layout;

// The file layout (docs/formats/hit-index.md); all integers little-endian.
constexpr char kMagic[8] = {'Q', 'M', 'H', 'I', 'T', 'I', 'D', 'X'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 72;
// Header: [0] magic | [8] version | [12] header size | [16] wortlst.dat size | [24] its mtime
// | [32] fundst.dat size | [40] its mtime | [48] table offset | [56] word count
// | [60] directory checksum | [64] hits per block | [68] header checksum (of bytes 0..67)
constexpr size_t kHeaderChecksumAt = 68;
// Table entry: [0] von | [4] bis | [8] postings offset | [16] postings length
// | [20] checksum of the skip entries
constexpr size_t kWordSize = 24;
// The table's directory, after the table: one entry per chunk of kTableChunk words: [0] von of
// the chunk's first word | [4] checksum of the chunk's entries
constexpr uint32_t kTableChunk = 64;
constexpr size_t kChunkSize = 8;
// Skip entry: [0] text | [1] text part | [2..3] 0 | [4] position | [8] block offset (from the
// end of the skip entries) | [12] checksum of the block's bytes
constexpr size_t kSkipSize = 16;

// Per hit: a flag byte naming the fields that differ from the previous hit of the block (the
// first hit of a block is compared with a hit of zeros), their values, then the position and
// word number as differences.
constexpr uint8_t kTeil = 1;       // text and text part: two bytes
constexpr uint8_t kSeite = 2;      // difference
constexpr uint8_t kZeile = 4;      // difference
constexpr uint8_t kKennung1 = 8;   // difference
constexpr uint8_t kKennung3 = 16;  // difference
constexpr uint8_t kBytes = 32;     // language, chapter, sub-chapter, paragraph key 2: four bytes
constexpr uint8_t kDaten = 64;     // both dates: twelve bytes
constexpr uint8_t kFlags = 127;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Get64(const uint8_t* p) {
  return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

// A checksum that catches damaged bytes: eight bytes per step, mixed by multiplication.
uint32_t Checksum(const uint8_t* p, size_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  for (; n >= 8; p += 8, n -= 8) {
    h = (h ^ Get64(p)) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  uint64_t rest = 0;
  for (size_t i = 0; i < n; ++i) rest |= static_cast<uint64_t>(p[i]) << (8 * i);
  h = (h ^ rest) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 29;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

uint64_t ZigZag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

void PutVarint(std::vector<uint8_t>& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<uint8_t>(v));
}

inline bool GetVarint(const uint8_t*& p, const uint8_t* end, uint64_t& v) {
  if (p != end && *p < 0x80) {  // most differences take one byte
    v = *p++;
    return true;
  }
  v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (p == end) return false;
    const uint8_t b = *p++;
    v |= static_cast<uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

void PutDate(std::vector<uint8_t>& out, const TDatum& d) {
  uint8_t b[6] = {d.Tag, d.Monat};
  Put16(b + 2, d.Jahr);
  Put16(b + 4, d.Jahr2);
  out.insert(out.end(), b, b + 6);
}
TDatum GetDate(const uint8_t* p) {
  TDatum d;
  d.Tag = p[0];
  d.Monat = p[1];
  d.Jahr = Get16(p + 2);
  d.Jahr2 = Get16(p + 4);
  return d;
}
bool SameDate(const TDatum& a, const TDatum& b) {
  return a.Tag == b.Tag && a.Monat == b.Monat && a.Jahr == b.Jahr && a.Jahr2 == b.Jahr2;
}

void EncodeHit(std::vector<uint8_t>& out, const TFundstelle& h, const TFundstelle& prev) {
  uint8_t flags = 0;
  if (h.TextNr != prev.TextNr || h.Textteil != prev.Textteil) flags |= kTeil;
  if (h.Seite != prev.Seite) flags |= kSeite;
  if (h.Zeile != prev.Zeile) flags |= kZeile;
  if (h.AbsatzKennung1 != prev.AbsatzKennung1) flags |= kKennung1;
  if (h.AbsatzKennung3 != prev.AbsatzKennung3) flags |= kKennung3;
  if (h.Sprache != prev.Sprache || h.Kapitel != prev.Kapitel ||
      h.Unterkapitel != prev.Unterkapitel || h.AbsatzKennung2 != prev.AbsatzKennung2)
    flags |= kBytes;
  if (!SameDate(h.Datum1, prev.Datum1) || !SameDate(h.Datum2, prev.Datum2)) flags |= kDaten;
  out.push_back(flags);
  if (flags & kTeil) {
    out.push_back(h.TextNr);
    out.push_back(h.Textteil);
  }
  if (flags & kSeite) PutVarint(out, ZigZag(int64_t{h.Seite} - prev.Seite));
  if (flags & kZeile) PutVarint(out, ZigZag(int64_t{h.Zeile} - prev.Zeile));
  if (flags & kKennung1) PutVarint(out, ZigZag(int64_t{h.AbsatzKennung1} - prev.AbsatzKennung1));
  if (flags & kKennung3) PutVarint(out, ZigZag(int64_t{h.AbsatzKennung3} - prev.AbsatzKennung3));
  if (flags & kBytes) {
    const uint8_t b[4] = {h.Sprache, h.Kapitel, h.Unterkapitel, h.AbsatzKennung2};
    out.insert(out.end(), b, b + 4);
  }
  if (flags & kDaten) {
    PutDate(out, h.Datum1);
    PutDate(out, h.Datum2);
  }
  PutVarint(out, ZigZag(int64_t{h.Position} - prev.Position));
  PutVarint(out, ZigZag(int64_t{h.WortNr} - prev.WortNr));
}

// The field `prev + difference` when it fits the field's range.
template <typename T>
bool Apply(const uint8_t*& p, const uint8_t* end, T& field) {
  uint64_t v = 0;
  if (!GetVarint(p, end, v)) return false;
  // No field differs by more than 2^32; a larger difference is damage (and must not overflow).
  const int64_t difference = UnZigZag(v);
  if (difference > (int64_t{1} << 33) || difference < -(int64_t{1} << 33)) return false;
  const int64_t value = int64_t{field} + difference;
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) return false;
  field = static_cast<T>(value);
  return true;
}

// Decodes exactly `count` hits from [p, end), each after the one before it (the first after a
// hit of zeros), appending those with a key of at least `from`.
bool DecodeBlock(const uint8_t* p, const uint8_t* end, uint32_t count, uint64_t from,
                 std::vector<TFundstelle>& out) {
  TFundstelle h;
  for (uint32_t i = 0; i < count; ++i) {
    if (p == end) return false;
    const uint8_t flags = *p++;
    if (flags & ~kFlags) return false;
    if (flags & kTeil) {
      if (end - p < 2) return false;
      h.TextNr = p[0];
      h.Textteil = p[1];
      p += 2;
    }
    if ((flags & kSeite) && !Apply(p, end, h.Seite)) return false;
    if ((flags & kZeile) && !Apply(p, end, h.Zeile)) return false;
    if ((flags & kKennung1) && !Apply(p, end, h.AbsatzKennung1)) return false;
    if ((flags & kKennung3) && !Apply(p, end, h.AbsatzKennung3)) return false;
    if (flags & kBytes) {
      if (end - p < 4) return false;
      h.Sprache = p[0];
      h.Kapitel = p[1];
      h.Unterkapitel = p[2];
      h.AbsatzKennung2 = p[3];
      p += 4;
    }
    if (flags & kDaten) {
      if (end - p < 12) return false;
      h.Datum1 = GetDate(p);
      h.Datum2 = GetDate(p + 6);
      p += 12;
    }
    if (!Apply(p, end, h.Position) || !Apply(p, end, h.WortNr)) return false;
    if (from == 0 || HitKey(h) >= from) out.push_back(h);
  }
  return p == end;  // a block holds its hits and nothing else
}

// The source files in `dataDir`, resolved and stamped; raises EInOutError when one is missing.
HitIndexSources StampSources(const std::string& dataDir) {
  HitIndexSources sources;
  for (auto [name, stamp] : {std::pair{layout::kWortListeName, &sources.wortListe},
                             std::pair{layout::kFundstellenName, &sources.fundstellen}}) {
    const std::string path = JoinPath(dataDir, name);
    const std::optional<std::string> resolved = ResolveExisting(path);
    const std::optional<FileStamp> s = resolved ? StampFile(*resolved) : std::nullopt;
    if (!s || !IsRegularFile(s->path)) throw EInOutError(UnusableFileText(path));
    *stamp = *s;
  }
  return sources;
}

bool SameStamp(const FileStamp& a, const FileStamp& b) {
  return a.path == b.path && a.size == b.size && a.mtime == b.mtime;
}
bool SameSources(const HitIndexSources& a, const HitIndexSources& b) {
  return SameStamp(a.wortListe, b.wortListe) && SameStamp(a.fundstellen, b.fundstellen);
}

// The word ranges of a word list that an index can hold: inside the hit file, in ascending order,
// none overlapping the one before (a damaged list may hold any ranges; the others are read from
// fundst.dat as before).
std::vector<HitIndex::Word> WordRanges(const std::string& wortListe, int64_t hits) {
  std::vector<HitIndex::Word> words;
  const size_t count = wortListe.size() / layout::kWortRecordSize;
  words.reserve(count);
  const auto* bytes = reinterpret_cast<const uint8_t*>(wortListe.data());
  for (size_t r = 0; r < count; ++r) {
    const uint8_t* rec = bytes + r * layout::kWortRecordSize;
    const auto von = static_cast<int32_t>(Get32(rec + layout::kVonOffset));
    const auto bis = static_cast<int32_t>(Get32(rec + layout::kBisOffset));
    if (von < 0 || bis < von || bis >= hits) continue;
    words.push_back(HitIndex::Word{von, bis});
  }
  std::sort(words.begin(), words.end(), [](const HitIndex::Word& a, const HitIndex::Word& b) {
    return a.von != b.von ? a.von < b.von : a.bis < b.bis;
  });
  std::vector<HitIndex::Word> kept;
  kept.reserve(words.size());
  for (const HitIndex::Word& w : words) {
    if (kept.empty() || w.von > kept.back().bis) kept.push_back(w);
  }
  return kept;
}

// The postings of one word's hits (in fundst.dat order): sorted, then skip entries and blocks.
void EncodeWord(std::vector<TFundstelle>& hits, std::vector<uint8_t>& out,
                std::vector<uint8_t>& blocks, uint32_t& skipChecksum) {
  const auto kleiner = [](const TFundstelle& a, const TFundstelle& b) {
    return HitKey(a) < HitKey(b);
  };
  if (!std::is_sorted(hits.begin(), hits.end(), kleiner))
    std::stable_sort(hits.begin(), hits.end(), kleiner);
  const size_t blockCount = (hits.size() + HitIndex::kBlockHits - 1) / HitIndex::kBlockHits;
  out.assign(blockCount * kSkipSize, 0);
  blocks.clear();
  for (size_t b = 0; b < blockCount; ++b) {
    const size_t first = b * HitIndex::kBlockHits;
    const size_t last = std::min(hits.size(), first + HitIndex::kBlockHits);
    const size_t start = blocks.size();
    TFundstelle prev;
    for (size_t i = first; i < last; ++i) {
      EncodeHit(blocks, hits[i], prev);
      prev = hits[i];
    }
    uint8_t* skip = out.data() + b * kSkipSize;
    skip[0] = hits[first].TextNr;
    skip[1] = hits[first].Textteil;
    Put32(skip + 4, static_cast<uint32_t>(hits[first].Position));
    Put32(skip + 8, static_cast<uint32_t>(start));
    Put32(skip + 12, Checksum(blocks.data() + start, blocks.size() - start));
  }
  skipChecksum = Checksum(out.data(), out.size());
  out.insert(out.end(), blocks.begin(), blocks.end());
}

class OutputFile {
 public:
  explicit OutputFile(std::string path) : path_(std::move(path)) {
    out_.open(FsPath(path_), std::ios::binary | std::ios::trunc);
    if (!out_) Fail();
  }
  void Write(const uint8_t* p, size_t n) {
    out_.write(reinterpret_cast<const char*>(p), static_cast<std::streamsize>(n));
    if (!out_) Fail();
    written_ += n;
  }
  void WriteAt(uint64_t offset, const uint8_t* p, size_t n) {
    out_.seekp(static_cast<std::streamoff>(offset));
    out_.write(reinterpret_cast<const char*>(p), static_cast<std::streamsize>(n));
    if (!out_) Fail();
  }
  void Close() {
    out_.close();
    if (!out_) Fail();
  }
  uint64_t Written() const { return written_; }
  [[noreturn]] void Fail() const {
    throw EInOutError("cannot write the hit index '" + path_ + "'");
  }

 private:
  std::string path_;
  std::ofstream out_;
  uint64_t written_ = 0;
};

// A name for the new file beside `target` that no other writer uses at the same time.
std::string TemporaryName(const std::string& target) {
  static std::atomic<uint64_t> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  const uint64_t n = counter.fetch_add(1) ^ static_cast<uint64_t>(now) ^
                     (reinterpret_cast<uintptr_t>(&counter) << 16);
  const char* digits = "0123456789abcdef";
  std::string suffix;
  for (int i = 0; i < 16; ++i) suffix += digits[(n >> (4 * i)) & 15];
  return target + ".new-" + suffix;
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(FsPath(path), ignored);
}

}  // namespace

// ---- reading ----

std::shared_ptr<const HitIndex> HitIndex::Open(const std::string& path,
                                               const HitIndexSources& sources) {
  std::ifstream in;
  if (!OpenForReading(in, path)) return nullptr;
  in.seekg(0, std::ios::end);
  const std::streamoff fileSize = in.tellg();
  if (fileSize < static_cast<std::streamoff>(kHeaderSize)) return nullptr;
  in.seekg(0);
  std::vector<uint8_t> header(kHeaderSize);
  if (!in.read(reinterpret_cast<char*>(header.data()), kHeaderSize)) return nullptr;
  const uint8_t* h = header.data();
  if (std::memcmp(h, kMagic, sizeof kMagic) != 0 || Get32(h + 8) != kVersion ||
      Get32(h + 12) != kHeaderSize || Get32(h + 64) != kBlockHits ||
      Get32(h + kHeaderChecksumAt) != Checksum(h, kHeaderChecksumAt))
    return nullptr;
  // Made from these files as they are now: otherwise stale.
  if (static_cast<int64_t>(Get64(h + 16)) != sources.wortListe.size ||
      static_cast<int64_t>(Get64(h + 24)) != sources.wortListe.mtime ||
      static_cast<int64_t>(Get64(h + 32)) != sources.fundstellen.size ||
      static_cast<int64_t>(Get64(h + 40)) != sources.fundstellen.mtime)
    return nullptr;
  const uint64_t tableOffset = Get64(h + 48);
  const uint64_t count = Get32(h + 56);
  const uint64_t chunks = (count + kTableChunk - 1) / kTableChunk;
  // The table and its directory end the file exactly: a truncated or extended file is refused
  // here, before any allocation is sized by it.
  if (tableOffset < kHeaderSize || tableOffset > static_cast<uint64_t>(fileSize) ||
      static_cast<uint64_t>(fileSize) - tableOffset != count * kWordSize + chunks * kChunkSize)
    return nullptr;
  std::vector<uint8_t> directory(static_cast<size_t>(chunks * kChunkSize));
  in.seekg(static_cast<std::streamoff>(tableOffset + count * kWordSize));
  if (!in.read(reinterpret_cast<char*>(directory.data()),
               static_cast<std::streamsize>(directory.size())))
    return nullptr;
  if (Checksum(directory.data(), directory.size()) != Get32(h + 60)) return nullptr;

  auto index = std::make_shared<HitIndex>();
  index->chunks_.reserve(static_cast<size_t>(chunks));
  for (size_t c = 0; c < chunks; ++c) {
    const uint8_t* d = directory.data() + c * kChunkSize;
    const Chunk chunk{static_cast<int32_t>(Get32(d)), Get32(d + 4)};
    if (chunk.von < 0 || (c > 0 && chunk.von <= index->chunks_.back().von)) return nullptr;
    index->chunks_.push_back(chunk);
  }
  index->path_ = path;
  index->header_ = std::move(header);
  index->table_offset_ = tableOffset;
  index->count_ = static_cast<uint32_t>(count);
  index->hits_ = sources.fundstellen.size / static_cast<int64_t>(layout::kFundstelleSize);
  return index;
}

HitIndex::Lookup HitIndex::Find(std::ifstream& in, int32_t von, int32_t bis, Word& word,
                                std::vector<uint8_t>& buffer) const {
  // The chunk of the table that holds von, if any word does: the last one starting at or before.
  const auto after = std::upper_bound(chunks_.begin(), chunks_.end(), von,
                                      [](int32_t v, const Chunk& c) { return v < c.von; });
  if (after == chunks_.begin()) return Lookup::kMissing;
  const size_t c = static_cast<size_t>(after - chunks_.begin()) - 1;
  const uint64_t first = uint64_t{c} * kTableChunk;
  const uint64_t n = std::min<uint64_t>(kTableChunk, count_ - first);
  buffer.resize(static_cast<size_t>(n * kWordSize));
  in.clear();
  in.seekg(static_cast<std::streamoff>(table_offset_ + first * kWordSize));
  if (!in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size())))
    return Lookup::kDamaged;
  if (Checksum(buffer.data(), buffer.size()) != chunks_[c].checksum) return Lookup::kDamaged;
  // The chunk's words: ascending and apart from the chunk's first on, inside the hit file,
  // postings between the header and the table with room for their skip entries and at least
  // three bytes per hit.
  int64_t previousBis = int64_t{chunks_[c].von} - 1;
  for (uint64_t k = 0; k < n; ++k) {
    const uint8_t* e = buffer.data() + k * kWordSize;
    Word w;
    w.von = static_cast<int32_t>(Get32(e));
    w.bis = static_cast<int32_t>(Get32(e + 4));
    w.offset = Get64(e + 8);
    w.length = Get32(e + 16);
    w.skipChecksum = Get32(e + 20);
    if (w.von <= previousBis || (k == 0 && w.von != chunks_[c].von) || w.bis < w.von ||
        w.bis >= hits_)
      return Lookup::kDamaged;
    const uint64_t blocks = (w.Hits() + kBlockHits - 1) / kBlockHits;
    if (w.offset < kHeaderSize || w.offset > table_offset_ || w.length > table_offset_ - w.offset ||
        w.length < blocks * kSkipSize + uint64_t{3} * w.Hits())
      return Lookup::kDamaged;
    previousBis = w.bis;
    if (w.von == von) {
      if (w.bis != bis) return Lookup::kMissing;
      word = w;
      return Lookup::kFound;
    }
  }
  return Lookup::kMissing;
}

bool HitIndex::SameFile(std::ifstream& in) const {
  std::vector<uint8_t> header(kHeaderSize);
  in.clear();
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(header.data()), kHeaderSize)) return false;
  return header == header_;
}

bool HitIndex::Read(std::ifstream& in, const Word& word, std::vector<TFundstelle>& out,
                    std::vector<uint8_t>& buffer, uint64_t from) const {
  if (buffer.capacity() < word.length) {
    buffer.clear();
    buffer.reserve(word.length);
    PrepareLargeBlock(buffer.data(), buffer.capacity());
  }
  buffer.resize(word.length);
  in.clear();
  in.seekg(static_cast<std::streamoff>(word.offset));
  if (!in.read(reinterpret_cast<char*>(buffer.data()), word.length)) return false;
  const uint32_t count = word.Hits();
  const size_t blocks = (count + kBlockHits - 1) / kBlockHits;
  const size_t skipBytes = blocks * kSkipSize;
  if (Checksum(buffer.data(), skipBytes) != word.skipChecksum) return false;
  const uint8_t* body = buffer.data() + skipBytes;
  const size_t bodySize = word.length - skipBytes;
  auto skipKey = [&](size_t b) {
    const uint8_t* s = buffer.data() + b * kSkipSize;
    TFundstelle first;
    first.TextNr = s[0];
    first.Textteil = s[1];
    first.Position = static_cast<int32_t>(Get32(s + 4));
    return HitKey(first);
  };
  // The first block that may hold `from`: the one before the first block starting at or above
  // it (equal keys may run across blocks).
  size_t b = 0;
  if (from != 0) {
    size_t lo = 0;
    size_t hi = blocks;
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if (skipKey(mid) < from)
        lo = mid + 1;
      else
        hi = mid;
    }
    b = lo == 0 ? 0 : lo - 1;
  }
  out.reserve(out.size() + (count - b * kBlockHits));
  for (; b < blocks; ++b) {
    const uint8_t* s = buffer.data() + b * kSkipSize;
    const uint64_t start = Get32(s + 8);
    const uint64_t end = b + 1 < blocks ? Get32(s + kSkipSize + 8) : bodySize;
    if (start >= end || end > bodySize) return false;
    if (Checksum(body + start, static_cast<size_t>(end - start)) != Get32(s + 12)) return false;
    const size_t before = out.size();
    const uint32_t n =
        std::min<uint32_t>(kBlockHits, count - static_cast<uint32_t>(b) * kBlockHits);
    if (!DecodeBlock(body + start, body + end, n, from, out)) return false;
    // The skip entry names the block's first hit.
    if (from == 0 && HitKey(out[before]) != skipKey(b)) return false;
  }
  return true;
}

// ---- writing ----

HitIndexSources WriteHitIndex(const std::string& dataDir, const std::string& target) {
  const HitIndexSources sources = StampSources(dataDir);
  const std::string temporary = TemporaryName(target);
  try {
    // The target's directory first: an unwritable cache costs no read of the sources.
    OutputFile out(temporary);
    const std::optional<std::string> wortListe =
        ReadWholeFile(sources.wortListe.path, sources.wortListe.size);
    if (!wortListe) throw EInOutError(UnusableFileText(sources.wortListe.path));
    constexpr int64_t kRecord = static_cast<int64_t>(layout::kFundstelleSize);
    const int64_t hitCount = sources.fundstellen.size / kRecord;
    std::vector<HitIndex::Word> words = WordRanges(*wortListe, hitCount);
    std::ifstream in;
    if (!OpenForReading(in, sources.fundstellen.path))
      throw EInOutError(UnusableFileText(sources.fundstellen.path));
    std::vector<uint8_t> header(kHeaderSize, 0);
    out.Write(header.data(), header.size());
    // fundst.dat is read front to back in large reads; the words' ranges are ascending.
    constexpr int64_t kChunk = 8192;
    std::vector<uint8_t> chunk;
    int64_t chunkFirst = 0;
    int64_t chunkCount = 0;
    std::vector<TFundstelle> hits;
    std::vector<uint8_t> postings;
    std::vector<uint8_t> blocks;
    for (HitIndex::Word& w : words) {
      hits.clear();
      for (int64_t k = w.von; k <= w.bis;) {
        if (k < chunkFirst || k >= chunkFirst + chunkCount) {
          chunkFirst = k;
          chunkCount = std::min<int64_t>(kChunk, hitCount - k);
          chunk.resize(static_cast<size_t>(chunkCount * kRecord));
          in.seekg(k * kRecord);
          if (!in.read(reinterpret_cast<char*>(chunk.data()),
                       static_cast<std::streamsize>(chunk.size())))
            throw EInOutError(UnusableFileText(sources.fundstellen.path));
        }
        const int64_t last = std::min<int64_t>(w.bis, chunkFirst + chunkCount - 1);
        for (; k <= last; ++k)
          hits.push_back(TFundstelle::Decode(chunk.data() + (k - chunkFirst) * kRecord));
      }
      EncodeWord(hits, postings, blocks, w.skipChecksum);
      if (postings.size() > std::numeric_limits<uint32_t>::max())
        throw EInOutError("the hit index '" + target + "' would hold a word of over 4 GB");
      w.offset = out.Written();
      w.length = static_cast<uint32_t>(postings.size());
      out.Write(postings.data(), postings.size());
    }
    const uint64_t tableOffset = out.Written();
    std::vector<uint8_t> table(words.size() * kWordSize);
    for (size_t i = 0; i < words.size(); ++i) {
      uint8_t* e = table.data() + i * kWordSize;
      Put32(e, static_cast<uint32_t>(words[i].von));
      Put32(e + 4, static_cast<uint32_t>(words[i].bis));
      Put64(e + 8, words[i].offset);
      Put32(e + 16, words[i].length);
      Put32(e + 20, words[i].skipChecksum);
    }
    out.Write(table.data(), table.size());
    const size_t chunks = (words.size() + kTableChunk - 1) / kTableChunk;
    std::vector<uint8_t> directory(chunks * kChunkSize);
    for (size_t c = 0; c < chunks; ++c) {
      const size_t first = c * kTableChunk;
      const size_t n = std::min<size_t>(kTableChunk, words.size() - first);
      Put32(directory.data() + c * kChunkSize, static_cast<uint32_t>(words[first].von));
      Put32(directory.data() + c * kChunkSize + 4,
            Checksum(table.data() + first * kWordSize, n * kWordSize));
    }
    out.Write(directory.data(), directory.size());
    uint8_t* h = header.data();
    std::memcpy(h, kMagic, sizeof kMagic);
    Put32(h + 8, kVersion);
    Put32(h + 12, kHeaderSize);
    Put64(h + 16, static_cast<uint64_t>(sources.wortListe.size));
    Put64(h + 24, static_cast<uint64_t>(sources.wortListe.mtime));
    Put64(h + 32, static_cast<uint64_t>(sources.fundstellen.size));
    Put64(h + 40, static_cast<uint64_t>(sources.fundstellen.mtime));
    Put64(h + 48, tableOffset);
    Put32(h + 56, static_cast<uint32_t>(words.size()));
    Put32(h + 60, Checksum(directory.data(), directory.size()));
    Put32(h + 64, HitIndex::kBlockHits);
    Put32(h + kHeaderChecksumAt, Checksum(h, kHeaderChecksumAt));
    out.WriteAt(0, header.data(), header.size());
    out.Close();
    // A source that changed while it was read gave an index of neither state.
    if (!SameSources(StampSources(dataDir), sources))
      throw EInOutError("the collection files in '" + dataDir + "' changed while being indexed");
    std::error_code error;
    std::filesystem::rename(FsPath(temporary), FsPath(target), error);
    if (error) {
      // Some systems do not rename over an existing file.
      RemoveQuietly(target);
      std::filesystem::rename(FsPath(temporary), FsPath(target), error);
      if (error) throw EInOutError("cannot write the hit index '" + target + "'");
    }
  } catch (...) {
    RemoveQuietly(temporary);
    throw;
  }
  return sources;
}

// ---- the store ----

HitIndexStore& HitIndexStore::Instance() {
  static HitIndexStore store;
  return store;
}

std::string HitIndexStore::CachePath(const std::string& cacheDirectory,
                                     const std::string& fundstPath) {
  // FNV-1a of the hit file's path names the collection's file.
  uint64_t h = 0xCBF29CE484222325ull;
  for (const char c : fundstPath) h = (h ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
  const char* digits = "0123456789abcdef";
  std::string name;
  for (int i = 15; i >= 0; --i) name += digits[(h >> (4 * i)) & 15];
  return JoinPath(JoinPath(cacheDirectory, "hit-indexes"), name + ".qmx");
}

HitIndexStore::Entry& HitIndexStore::EntryFor(const HitIndexSources& sources) {
  for (Entry& e : entries_) {
    if (e.sources.fundstellen.path != sources.fundstellen.path) continue;
    if (!SameSources(e.sources, sources)) {
      e = Entry{};
      e.sources = sources;
    }
    return e;
  }
  constexpr size_t kMaxEntries = 32;
  if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
  entries_.emplace_back();
  entries_.back().sources = sources;
  return entries_.back();
}

namespace {

bool HexName(std::string_view s) {
  return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Tells the pruning that the index in the cache is in use.
void MarkUsed(const std::string& path) {
  std::error_code ignored;
  std::filesystem::last_write_time(FsPath(path), std::filesystem::file_time_type::clock::now(),
                                   ignored);
}

}  // namespace

void PruneHitIndexCache(const std::string& directory, const std::string& keep, uintmax_t maxBytes) {
  namespace fs = std::filesystem;
  constexpr std::string_view kIndex = ".qmx";
  constexpr std::string_view kTemporary = ".qmx.new-";  // TemporaryName's
  constexpr auto kAbandoned = std::chrono::hours(1);    // no build takes that long
  const auto now = fs::file_time_type::clock::now();
  const fs::path kept = FsPath(keep).filename();
  struct Index {
    fs::path path;
    fs::file_time_type used;
    uintmax_t size;
  };
  std::vector<Index> indexes;
  uintmax_t total = 0;
  std::error_code error;
  for (fs::directory_iterator it(FsPath(directory), error), end; !error && it != end;
       it.increment(error)) {
    std::error_code e;
    if (!it->is_regular_file(e)) continue;
    const std::string name = it->path().filename().string();
    const fs::file_time_type time = it->last_write_time(e);
    const uintmax_t size = it->file_size(e);
    if (e || !HexName(std::string_view(name).substr(0, 16))) continue;
    const std::string_view rest = std::string_view(name).substr(16);
    if (rest.starts_with(kTemporary) && HexName(rest.substr(kTemporary.size()))) {
      if (now - time > kAbandoned) fs::remove(it->path(), e);
      continue;
    }
    if (rest != kIndex) continue;
    total += size;
    if (it->path().filename() == kept) continue;
    if (now - time > kUnusedFor) {
      if (fs::remove(it->path(), e)) total -= size;
      continue;
    }
    indexes.push_back({it->path(), time, size});
  }
  std::sort(indexes.begin(), indexes.end(),
            [](const Index& a, const Index& b) { return a.used < b.used; });
  for (const Index& index : indexes) {
    if (total <= maxBytes) break;
    std::error_code e;
    if (fs::remove(index.path, e)) total -= index.size;
  }
}

std::shared_ptr<const HitIndex> HitIndexStore::Find(const HitIndexSources& sources, HitIndexUse use,
                                                    const std::string& cacheDirectory) {
  if (use == HitIndexUse::kOff) return nullptr;
  std::lock_guard<std::mutex> guard(lock_);
  Entry& e = EntryFor(sources);
  // The index beside the files found before serves every search of these sources; no path is
  // built for it (this runs once per collection and search).
  if (e.index && e.beside) return e.index;
  const bool mayCache = use == HitIndexUse::kBesideOrCache && !cacheDirectory.empty();
  const std::string cached = mayCache ? CachePath(cacheDirectory, sources.fundstellen.path) : "";
  if (e.index && e.index->Path() == cached) return e.index;
  e.index.reset();
  e.beside = false;
  const std::string dataDir = DirectoryOf(sources.fundstellen.path);
  const std::string beside = JoinPath(dataDir, HitIndex::kFileName);
  // Looked for once per state of the sources: a search of a collection without an index costs
  // no further look at its directory.
  if (!e.besideRejected && !e.besideLooked) {
    e.besideLooked = true;
    if (const std::optional<std::string> resolved = ResolveExisting(beside)) {
      e.index = HitIndex::Open(*resolved, sources);
      e.beside = e.index != nullptr;
      if (e.index) return e.index;
    }
  }
  if (!mayCache || e.buildFailed) return nullptr;
  e.index = HitIndex::Open(cached, sources);
  if (e.index) {
    MarkUsed(cached);
    return e.index;
  }
  // Missing, stale or damaged: built anew (a few times at most for the same sources, so that an
  // index that keeps reading as damaged is not rebuilt for every search).
  constexpr int kMaxBuilds = 2;
  if (e.builds >= kMaxBuilds) {
    e.buildFailed = true;
    return nullptr;
  }
  ++e.builds;
  try {
    std::error_code ignored;
    std::filesystem::create_directories(FsPath(DirectoryOf(cached)), ignored);
    WriteHitIndex(dataDir, cached);
    e.index = HitIndex::Open(cached, sources);
    if (e.index) PruneHitIndexCache(DirectoryOf(cached), cached);
  } catch (const std::exception&) {
    e.index.reset();
  }
  // Not built (an unwritable cache, a changed source): the search reads fundst.dat, and the same
  // sources are not tried again.
  if (!e.index) e.buildFailed = true;
  return e.index;
}

void HitIndexStore::Damaged(const std::shared_ptr<const HitIndex>& index) {
  if (!index) return;
  std::lock_guard<std::mutex> guard(lock_);
  for (Entry& e : entries_) {
    if (e.index != index) continue;
    e.index.reset();
    if (e.beside)
      e.besideRejected = true;
    else
      RemoveQuietly(index->Path());
  }
}

void HitIndexStore::Forget(const std::shared_ptr<const HitIndex>& index) {
  std::lock_guard<std::mutex> guard(lock_);
  for (Entry& e : entries_) {
    if (e.index != index) continue;
    e.index.reset();
    e.besideLooked = false;
  }
}

void HitIndexStore::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.clear();
}

}  // namespace quillmar::retrieval
