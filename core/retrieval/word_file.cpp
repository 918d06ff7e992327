#include "retrieval/word_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <tuple>
#include <utility>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/file_window.h"
#include "retrieval/file_cache.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"

namespace quillmar::retrieval {

namespace layout = index_layout;

namespace {

constexpr int64_t kRecord = static_cast<int64_t>(layout::kWortRecordSize);
// Records per block of the lookup: 60,000 bytes.
constexpr int64_t kBlock = 1500;
constexpr int64_t kHalfBlock = 750;
// The lookup narrows by whole blocks; far more passes than a 2^31-byte file needs end it anyway.
constexpr int kMaxPasses = 64;

// Where the reader's window is centred on the requested record and how close to either end of
// the file it stops re-centring.
constexpr int32_t kHalfWindow = 750;
constexpr int32_t kWindowMargin = 950;

constexpr LangText kCannotOpen{"Die Datei '%s' kann nicht geöffnet werden.",
                               "Cannot open the file '%s'."};
constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

[[noreturn]] void FileError(const LangText& text, const std::string& path) {
  // A file that is missing, a directory, a pipe or a device is named as such.
  if (&text == &kCannotOpen && !FileExists(path)) throw EInOutError(UnusableFileText(path));
  throw EInOutError(Format(Tr(text), {NativeSeparators(path)}));
}

// The word of a 40-byte record; a length byte beyond the capacity is clamped.
std::string_view WordOf(const uint8_t* satz) {
  const size_t laenge = std::min<size_t>(satz[layout::kWortOffset], layout::kWortCapacity);
  return {reinterpret_cast<const char*>(satz + layout::kWortOffset + 1), laenge};
}

TWortDateiRecord RecordVon(const uint8_t* satz) {
  const std::span<const uint8_t> bytes(satz, layout::kWortRecordSize);
  return {std::string(WordOf(satz)), ReadInt32(bytes, layout::kVonOffset),
          ReadInt32(bytes, layout::kBisOffset)};
}

// A word list opened for one lookup and closed with the object. Contents held in memory (pinned
// for a search, or from the file cache) are used in place.
class OpenWordFile {
 public:
  // `bound`: `path` is resolved and was checked for this search; it is read as it is.
  OpenWordFile(const std::string& path, FileCache::Inhalt pinned, bool bound) : path_(path) {
    if (pinned) {
      contents_ = std::move(pinned);
      byte_size_ = static_cast<int64_t>(contents_->size());
      return;
    }
    const std::optional<std::string> real = bound ? std::nullopt : ResolveExisting(path);
    std::ifstream& in = in_storage_.emplace();
    if (bound) {
      OpenForReading(in, path);
    } else if (real && IsRegularFile(*real)) {
      contents_ = FileCache::Instance().Get(*real);
      if (contents_) {
        byte_size_ = static_cast<int64_t>(contents_->size());
        return;
      }
      OpenForReading(in, *real);
    }
    if (!in.is_open()) FileError(kCannotOpen, path);
    in.seekg(0, std::ios::end);
    const std::streamoff ende = in.tellg();
    if (ende < 0) FileError(kCannotRead, path);
    byte_size_ = ende;
  }

  int64_t ByteSize() const { return byte_size_; }
  // The whole file is in memory: Records needs no buffer.
  bool InMemory() const { return contents_ != nullptr; }

  // Up to `anzahl` records from 0-based record index `index`: a pointer into the contents held
  // in memory, or into `buffer` (room for `anzahl` records) after reading them from the file.
  // `gelesen` gets the number of whole records available there.
  const uint8_t* Records(int64_t index, int64_t anzahl, uint8_t* buffer, int64_t& gelesen) {
    if (contents_) {
      const int64_t vorhanden = std::max<int64_t>(0, byte_size_ / kRecord - index);
      gelesen = std::max<int64_t>(0, std::min(anzahl, vorhanden));
      if (gelesen == 0) return buffer;
      return reinterpret_cast<const uint8_t*>(contents_->data()) + index * kRecord;
    }
    std::ifstream& in = *in_storage_;
    in.clear();
    in.seekg(static_cast<std::streamoff>(index * kRecord));
    if (!in) FileError(kCannotRead, path_);
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(anzahl * kRecord));
    gelesen = static_cast<int64_t>(in.gcount()) / kRecord;
    return buffer;
  }

 private:
  std::string path_;
  // Only made for a file read from disk: a stream costs more to set up than a lookup in memory.
  std::optional<std::ifstream> in_storage_;
  FileCache::Inhalt contents_;  // the whole file, when held in memory
  int64_t byte_size_ = 0;
};

// The window [a, b] of 0-based record indexes read next, from the exclusive bounds lo and hi.
void BlockWindow(int64_t lo, int64_t hi, int64_t& a, int64_t& b) {
  if (hi <= lo + 5) {
    a = lo;
    b = hi;
  } else if (hi - lo < kBlock + 1) {
    a = lo + 1;
    b = hi - 1;
  } else {
    a = lo + (hi - lo) / 2 - kHalfBlock;
    if (a <= lo) a = lo + 1;
    b = a + kBlock - 1;
    if (b >= hi) b = hi - 1;
  }
}

bool IsVowel(char c) {
  return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'y';
}

bool IsVariantCD(const std::string& cdid) {
  return SameCDID(cdid, "KRVT0001") || SameCDID(cdid, "KRVC0001");
}

// The block of the word list that encloses a key, read by narrowing the file by whole blocks.
// Block position p (1-based) is record number First() + p.
class WordBlock {
 public:
  WordBlock(OpenWordFile& datei, const std::string& path, const std::string& key,
            std::vector<uint8_t>& buffer)
      : file_(datei), path_(path), schluessel_(Normalisieren(key)), buffer_(buffer) {}

  // Narrows [lo, hi] (exclusive) of the file's `count` records block by block until a block
  // encloses the key, the window stops moving, or the passes run out; a damaged file ends it
  // with the block last read.
  void Narrow(int64_t count) {
    if (!file_.InMemory() && buffer_.size() < static_cast<size_t>(kBlock * kRecord))
      buffer_.resize(static_cast<size_t>(kBlock * kRecord));
    int64_t lo = -1;
    int64_t hi = count;
    int64_t a = 0;
    int64_t b = 0;
    BlockWindow(lo, hi, a, b);
    for (int durchlauf = 0; durchlauf < kMaxPasses; ++durchlauf) {
      const int64_t vorher[4] = {lo, a, b, hi};
      a = std::clamp<int64_t>(a, 0, count - 1);
      b = std::clamp<int64_t>(b, 0, count - 1);
      first_ = a;
      data_ = file_.Records(first_, std::min(kBlock, count - first_), buffer_.data(), size_);
      memo_.fill({0, 0});
      if (size_ == 0) FileError(kCannotRead, path_);
      const bool ersterGroesser = Compare(1) > 0;
      const bool letzterKleiner = Compare(size_) < 0;
      if (!ersterGroesser && !letzterKleiner) break;
      if (ersterGroesser)
        hi = a;
      else
        lo = b;
      BlockWindow(lo, hi, a, b);
      if (lo == vorher[0] && a == vorher[1] && b == vorher[2] && hi == vorher[3]) break;
    }
  }

  int64_t Size() const { return size_; }
  std::string_view Word(int64_t p) const { return WordOf(data_ + (p - 1) * kRecord); }
  // The binary search asks for the same positions again and again: the last answers are kept.
  int Compare(int64_t p) const {
    std::pair<int64_t, int>& m = memo_[static_cast<size_t>(p) % memo_.size()];
    if (m.first != p) m = {p, WortVergleichMitSchluessel(Word(p), schluessel_)};
    return m.second;
  }
  int32_t Number(int64_t p) const { return static_cast<int32_t>(first_ + p); }

  // Record number nr (1-based) from the block, or from the file when it lies outside.
  TWortDateiRecord Record(int64_t nr) {
    if (nr > first_ && nr <= first_ + size_) return RecordVon(data_ + (nr - first_ - 1) * kRecord);
    uint8_t bytes[layout::kWortRecordSize];
    int64_t gelesen = 0;
    const uint8_t* satz = file_.Records(nr - 1, 1, bytes, gelesen);
    if (gelesen != 1) FileError(kCannotRead, path_);
    return RecordVon(satz);
  }

 private:
  OpenWordFile& file_;
  const std::string& path_;
  const std::string schluessel_;  // the key's bytes (Normalisieren)
  std::vector<uint8_t>& buffer_;
  mutable std::array<std::pair<int64_t, int>, 16> memo_{};  // (position, Compare); 0: none
  const uint8_t* data_ = nullptr;  // the block's records: in memory or in buffer_
  int64_t first_ = 0;              // 0-based index of the block's first record
  int64_t size_ = 0;               // records in the block
};

// Where the key stands in its block: the position of a record with the key, or, when there is
// none, the positions of the enclosing pair (0 for a side that does not exist).
struct BlockPlace {
  int64_t found = 0;
  int64_t before = 0;
  int64_t after = 0;
};

// Binary search within the block. A key outside the block's words has only one neighbour in it;
// in a file out of order the search stops where the order breaks and takes the nearer side that
// exists.
BlockPlace PlaceInBlock(const WordBlock& block) {
  const int64_t n = block.Size();
  if (block.Compare(1) > 0) return {0, 0, 1};
  if (block.Compare(n) < 0) return {0, n, 0};
  int64_t l = 1;
  int64_t h = n;
  int64_t m = 1;
  for (;;) {
    if (block.Compare(l) == 0 || block.Compare(h) == 0) break;
    m = l + (h - l) / 2;
    if (m == l || m == h) break;
    const int c = block.Compare(m);
    if (c == 0) break;
    if (c > 0 && block.Compare(m - 1) < 0) break;
    if (c < 0 && block.Compare(m + 1) > 0) break;
    if (c > 0)
      h = m;
    else
      l = m;
  }
  if (block.Compare(l) == 0) m = l;
  if (block.Compare(h) == 0) m = h;
  const int c = block.Compare(m);
  if (c == 0) return {m, 0, 0};
  int64_t vor = c > 0 ? m - 1 : m;
  if (vor >= n) vor = n - 1;
  const int64_t nach = vor + 1;
  return {0, vor >= 1 ? vor : 0, nach <= n ? nach : 0};
}

// The run of adjacent records whose key equals the found record's, in file order; `first` gets
// the record number of the run's first record.
std::vector<TWortDateiRecord> RunAround(WordBlock& block, const std::string& key, int32_t found,
                                        int64_t count, int32_t& first) {
  int64_t erster = found;
  while (erster > 1 && WortVergleich(block.Record(erster - 1).Wort, key) == 0) --erster;
  int64_t letzter = found;
  while (letzter < count && WortVergleich(block.Record(letzter + 1).Wort, key) == 0) ++letzter;
  std::vector<TWortDateiRecord> run;
  run.reserve(static_cast<size_t>(letzter - erster + 1));
  for (int64_t nr = erster; nr <= letzter; ++nr) run.push_back(block.Record(nr));
  first = static_cast<int32_t>(erster);
  return run;
}

// Variant check of the two older collections: a neighbour whose word key, cut to the field
// width, equals the key of a word that starts with a vowel. Returns the neighbours' record
// numbers, -1 for none.
std::pair<int32_t, int32_t> VariantNeighbours(WordBlock& block, const std::string& key,
                                              int32_t found, int64_t count) {
  const std::string s = Normalisieren(key);
  if (s.size() < 2 || !IsVowel(s[0])) return {-1, -1};
  const auto gleich = [&](int64_t nr) {
    std::string nachbar = Normalisieren(block.Record(nr).Wort);
    if (nachbar.size() > layout::kWortCapacity) nachbar.resize(layout::kWortCapacity);
    return nachbar == s;
  };
  const int32_t vor = found > 1 && gleich(found - 1) ? found - 1 : -1;
  const int32_t nach = found < count && gleich(found + 1) ? found + 1 : -1;
  return {vor, nach};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWortDateiAnfrage

std::string TWortDateiAnfrage::WordListPath(const CollectionSearchInfo& cd) {
  const std::string root = StripTrailingSeparator(cd.Path);
  if (root.empty()) return "";
  return ResolvePath(JoinPath(JoinPath(root, "data"), layout::kWortListeName));
}

void TWortDateiAnfrage::SetzeCD(const CollectionSearchInfo& cd) {
  std::lock_guard<std::mutex> guard(lock_);
  cdid_ = cd.CDID;
  path_ = WordListPath(cd);
  pinned_.reset();
  bound_ = false;
}

std::string TWortDateiAnfrage::NotFoundText(const std::string& path) {
  return UnusableFileText(path) + "(TWDA 001)";
}

void TWortDateiAnfrage::SetzeDateiName(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!FileExists(path)) throw EInOutError(NotFoundText(path));
  path_ = path;
  pinned_.reset();
  bound_ = false;
}

FileCache::Inhalt TWortDateiAnfrage::Binden(const CollectionSearchInfo& cd,
                                            const FileStamp& stamp) {
  std::lock_guard<std::mutex> guard(lock_);
  cdid_ = cd.CDID;
  path_ = stamp.path;
  pinned_ = FileCache::Instance().GetFromSecondUse(stamp);
  bound_ = true;
  return pinned_;
}

void TWortDateiAnfrage::Reset() {
  gefunden_ = false;
  von_ = 0;
  bis_ = 0;
  satznummer_ = -1;
  vorgaenger_.clear();
  nachfolger_.clear();
  vorgaenger_nr_ = -1;
  nachfolger_nr_ = -1;
  // The variant fields describe the current word only; a lookup that does not check variants
  // leaves none.
  hat_variante_ = false;
  variante_vor_nr_ = -1;
  variante_nach_nr_ = -1;
  run_.clear();
  run_start_ = -1;
}

void TWortDateiAnfrage::Suche(const std::string& word) {
  std::lock_guard<std::mutex> guard(lock_);
  Reset();
  key_ = KleinFalten(Trim(word));
  if (key_.empty()) return;

  OpenWordFile datei(path_, pinned_, bound_);
  const int64_t anzahl = datei.ByteSize() / kRecord;
  // A file without one whole record holds no word.
  if (anzahl == 0) throw EInOutError("Datei '" + path_ + "' ist leer. (TWDA 002)");

  WordBlock block(datei, path_, key_, block_);
  block.Narrow(anzahl);
  const BlockPlace place = PlaceInBlock(block);
  if (place.found == 0) {
    if (place.before != 0) {
      vorgaenger_ = std::string(block.Word(place.before));
      vorgaenger_nr_ = block.Number(place.before);
    }
    if (place.after != 0) {
      nachfolger_ = std::string(block.Word(place.after));
      nachfolger_nr_ = block.Number(place.after);
    }
    return;
  }

  gefunden_ = true;
  satznummer_ = block.Number(place.found);
  const TWortDateiRecord gefunden = block.Record(satznummer_);
  von_ = gefunden.Von;
  bis_ = gefunden.Bis;
  vorgaenger_ = nachfolger_ = gefunden.Wort;
  vorgaenger_nr_ = nachfolger_nr_ = satznummer_;
  run_ = RunAround(block, key_, satznummer_, anzahl, run_start_);

  if (!IsVariantCD(cdid_)) return;
  std::tie(variante_vor_nr_, variante_nach_nr_) =
      VariantNeighbours(block, key_, satznummer_, anzahl);
  hat_variante_ = variante_vor_nr_ != -1 || variante_nach_nr_ != -1;
}

// ---------------------------------------------------------------------------------------------
// TLesenWortDatei

void TLesenWortDatei::SetzeDateiName(const std::string& path) {
  path_ = path;
  pinned_.reset();
  erster_ = 0;
  letzter_ = 0;
  anzahl_ = 0;
  if (!path.empty()) {
    const std::optional<int32_t> groesse = OpenFileSize(ResolvePath(path));
    if (!groesse) FileError(kCannotOpen, path);
    anzahl_ = static_cast<int32_t>(*groesse / kRecord);
  }
  leer_ = anzahl_ == 0;
  ausserhalb_ = anzahl_ == 0;
}

void TLesenWortDatei::SetzeInhalt(const std::string& path, FileCache::Inhalt contents) {
  path_ = path;
  pinned_ = std::move(contents);
  anzahl_ = 0;
  erster_ = 0;
  letzter_ = 0;
  if (pinned_) anzahl_ = static_cast<int32_t>(static_cast<int64_t>(pinned_->size()) / kRecord);
  leer_ = anzahl_ == 0;
  ausserhalb_ = anzahl_ == 0;
}

void TLesenWortDatei::Laden(int32_t n, int32_t erster, int32_t letzter) {
  // Emptied first: after a failed read the window holds nothing half-read.
  erster_ = 0;
  letzter_ = 0;
  const size_t bytes = static_cast<size_t>(letzter - erster + 1) * layout::kWortRecordSize;
  // Room for the records read, not for a whole window: most word lists are shorter.
  if (window_.size() < bytes) window_.resize(bytes);
  const std::string path = ResolvePath(path_);
  const int64_t position = (int64_t{erster} - 1) * kRecord + 1;
  std::optional<size_t> gelesen;
  if (const FileCache::Inhalt contents = FileCache::Instance().Get(path)) {
    const auto ab = static_cast<size_t>(position - 1);
    const size_t menge = ab < contents->size() ? std::min(bytes, contents->size() - ab) : 0;
    if (menge > 0) std::memcpy(window_.data(), contents->data() + ab, menge);
    gelesen = menge;
  } else {
    gelesen = ReadFileBytes(path, static_cast<int32_t>(position), bytes, window_.data());
  }
  if (!gelesen) FileError(kCannotOpen, path);
  // A file that has become shorter since it was bound serves the whole records it still holds.
  const auto ganze = static_cast<int32_t>(*gelesen / layout::kWortRecordSize);
  if (ganze > 0) {
    erster_ = erster;
    letzter_ = erster + ganze - 1;
  }
  if (n < erster || n > erster + ganze - 1) FileError(kCannotRead, path);
}

WordRecordView TLesenWortDatei::View(int32_t n) const {
  const uint8_t* satz = pinned_ ? reinterpret_cast<const uint8_t*>(pinned_->data()) +
                                      static_cast<size_t>(n - 1) * kRecord
                                : window_.data() + static_cast<size_t>(n - erster_) * kRecord;
  const std::span<const uint8_t> bytes(satz, layout::kWortRecordSize);
  return {WordOf(satz), ReadInt32(bytes, layout::kVonOffset), ReadInt32(bytes, layout::kBisOffset)};
}

TWortDateiRecord TLesenWortDatei::Lies(int32_t n) {
  ausserhalb_ = false;
  if (n < 1 || n > anzahl_) {
    ausserhalb_ = true;
    return {};
  }
  if (!pinned_ && (erster_ == 0 || n < erster_ || n > letzter_)) {
    if (n >= kWindowMargin && n <= anzahl_ - kWindowMargin)
      Laden(n, n - kHalfWindow, n + kHalfWindow - 1);
    else if (n >= kWindowMargin)
      Laden(n, std::max(1, anzahl_ - kWindow + 1), anzahl_);
    else
      Laden(n, 1, std::min(kWindow, anzahl_));
  }
  const WordRecordView view = View(n);
  return {std::string(view.Wort), view.Von, view.Bis};
}

bool TLesenWortDatei::ReadForward(int32_t n, WordRecordView& out) {
  ausserhalb_ = false;
  if (n < 1 || n > anzahl_) {
    ausserhalb_ = true;
    return false;
  }
  if (!pinned_ && (erster_ == 0 || n < erster_ || n > letzter_))
    Laden(n, n, static_cast<int32_t>(std::min<int64_t>(int64_t{n} + kWindow - 1, anzahl_)));
  out = View(n);
  return true;
}

bool TLesenWortDatei::Verfuegbar() {
  if (path_.empty()) RaiseInternalError("LWD-IA-1");
  return OpenFileSize(ResolvePath(path_)).has_value();
}

}  // namespace quillmar::retrieval
