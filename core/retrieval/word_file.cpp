#include "retrieval/word_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>

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

constexpr int64_t kSatz = static_cast<int64_t>(layout::kWortRecordSize);
// Records per block of the lookup: 60,000 bytes.
constexpr int64_t kBlock = 1500;
constexpr int64_t kHalbBlock = 750;
// The lookup narrows by whole blocks; far more passes than a 2^31-byte file needs end it anyway.
constexpr int kMaxDurchlaeufe = 64;

// Where the reader's window is centred on the requested record and how close to either end of
// the file it stops re-centring.
constexpr int32_t kFensterHaelfte = 750;
constexpr int32_t kFensterRand = 950;

constexpr LangText kCannotOpen{"Die Datei '%s' kann nicht geöffnet werden.",
                               "Cannot open the file '%s'."};
constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

[[noreturn]] void DateiFehler(const LangText& text, const std::string& path) {
  throw EInOutError(Format(Tr(text), {NativeSeparators(path)}));
}

// The word of a 40-byte record; a length byte beyond the capacity is clamped.
std::string_view WortVon(const uint8_t* satz) {
  const size_t laenge = std::min<size_t>(satz[layout::kWortOffset], layout::kWortCapacity);
  return {reinterpret_cast<const char*>(satz + layout::kWortOffset + 1), laenge};
}

TWortDateiRecord RecordVon(const uint8_t* satz) {
  const std::span<const uint8_t> bytes(satz, layout::kWortRecordSize);
  return {std::string(WortVon(satz)), ReadInt32(bytes, layout::kVonOffset),
          ReadInt32(bytes, layout::kBisOffset)};
}

// A word list opened for one lookup and closed with the object.
class OffeneWortDatei {
 public:
  explicit OffeneWortDatei(const std::string& path) : path_(path) {
    const std::optional<std::string> real = ResolveExisting(path);
    if (real && !std::filesystem::is_directory(std::filesystem::path(*real), fehler_)) {
      inhalt_ = FileCache::Prozess().Holen(*real);
      if (inhalt_) {
        groesse_ = static_cast<int64_t>(inhalt_->size());
        return;
      }
      in_.open(std::filesystem::path(*real), std::ios::binary);
    }
    if (!in_) DateiFehler(kCannotOpen, path);
    in_.seekg(0, std::ios::end);
    const std::streamoff ende = in_.tellg();
    if (ende < 0) DateiFehler(kCannotRead, path);
    groesse_ = ende;
  }

  int64_t Groesse() const { return groesse_; }

  // Reads up to `anzahl` records from 0-based record index `index`; returns the number of whole
  // records read.
  int64_t Lesen(int64_t index, int64_t anzahl, uint8_t* out) {
    if (inhalt_) {
      const int64_t vorhanden = std::max<int64_t>(0, groesse_ / kSatz - index);
      const int64_t n = std::min(anzahl, vorhanden);
      if (n > 0) std::memcpy(out, inhalt_->data() + index * kSatz, static_cast<size_t>(n * kSatz));
      return n;
    }
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(index * kSatz));
    if (!in_) DateiFehler(kCannotRead, path_);
    in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(anzahl * kSatz));
    return static_cast<int64_t>(in_.gcount()) / kSatz;
  }

 private:
  std::string path_;
  std::ifstream in_;
  FileCache::Inhalt inhalt_;  // the whole file, when the cache holds it
  std::error_code fehler_;
  int64_t groesse_ = 0;
};

// The window [a, b] of 0-based record indexes read next, from the exclusive bounds lo and hi.
void BlockFenster(int64_t lo, int64_t hi, int64_t& a, int64_t& b) {
  if (hi <= lo + 5) {
    a = lo;
    b = hi;
  } else if (hi - lo < kBlock + 1) {
    a = lo + 1;
    b = hi - 1;
  } else {
    a = lo + (hi - lo) / 2 - kHalbBlock;
    if (a <= lo) a = lo + 1;
    b = a + kBlock - 1;
    if (b >= hi) b = hi - 1;
  }
}

bool IstVokal(char c) {
  return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'y';
}

bool IstVariantenCD(const std::string& cdid) {
  return SameCDID(cdid, "KRVT0001") || SameCDID(cdid, "KRVC0001");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWortDateiAnfrage

std::string TWortDateiAnfrage::WortlistePfad(const CollectionSearchInfo& cd) {
  const std::string root = StripTrailingSeparator(cd.Path);
  if (root.empty()) return "";
  return ResolvePath(JoinPath(JoinPath(root, "data"), layout::kWortListeName));
}

void TWortDateiAnfrage::SetzeCD(const CollectionSearchInfo& cd) {
  std::lock_guard<std::mutex> guard(lock_);
  cdid_ = cd.CDID;
  path_ = WortlistePfad(cd);
}

std::string TWortDateiAnfrage::NichtGefundenText(const std::string& path) {
  return "Datei '" + UpperAscii(Trim(path)) + "' nicht gefunden.(TWDA 001)";
}

void TWortDateiAnfrage::SetzeDateiName(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!FileExists(path)) throw EInOutError(NichtGefundenText(path));
  path_ = path;
}

void TWortDateiAnfrage::Zuruecksetzen() {
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
  lauf_.clear();
  lauf_anfang_ = -1;
}

void TWortDateiAnfrage::Suche(const std::string& word) {
  std::lock_guard<std::mutex> guard(lock_);
  Zuruecksetzen();
  key_ = KleinFalten(Trim(word));
  if (key_.empty()) return;

  OffeneWortDatei datei(path_);
  const int64_t anzahl = datei.Groesse() / kSatz;
  // A file without one whole record holds no word.
  if (anzahl == 0) throw EInOutError("Datei '" + path_ + "' ist leer. (TWDA 002)");

  // Block stage: narrow [lo, hi] (exclusive) by whole blocks until a block encloses the key.
  block_.resize(static_cast<size_t>(kBlock * kSatz));
  int64_t lo = -1;
  int64_t hi = anzahl;
  int64_t a = 0;
  int64_t b = 0;
  int64_t n = 0;
  int64_t block = 0;  // 0-based index of the block's first record
  BlockFenster(lo, hi, a, b);
  for (int durchlauf = 0; durchlauf < kMaxDurchlaeufe; ++durchlauf) {
    const int64_t vorher[4] = {lo, a, b, hi};
    a = std::clamp<int64_t>(a, 0, anzahl - 1);
    b = std::clamp<int64_t>(b, 0, anzahl - 1);
    block = a;
    n = datei.Lesen(block, std::min(kBlock, anzahl - block), block_.data());
    if (n == 0) DateiFehler(kCannotRead, path_);
    const bool ersterGroesser = WortVergleich(WortVon(block_.data()), key_) > 0;
    const bool letzterKleiner = WortVergleich(WortVon(block_.data() + (n - 1) * kSatz), key_) < 0;
    if (!ersterGroesser && !letzterKleiner) break;
    if (ersterGroesser)
      hi = a;
    else
      lo = b;
    BlockFenster(lo, hi, a, b);
    if (lo == vorher[0] && a == vorher[1] && b == vorher[2] && hi == vorher[3]) break;
  }

  // Block position p (1-based) is record number block + p.
  const auto wort = [&](int64_t p) { return WortVon(block_.data() + (p - 1) * kSatz); };
  const auto vergleich = [&](int64_t p) { return WortVergleich(wort(p), key_); };
  const auto nummer = [&](int64_t p) { return static_cast<int32_t>(block + p); };
  // Record number nr (1-based) from the block, or from the file when it lies outside.
  const auto satz = [&](int64_t nr) {
    if (nr > block && nr <= block + n) return RecordVon(block_.data() + (nr - block - 1) * kSatz);
    uint8_t bytes[layout::kWortRecordSize];
    if (datei.Lesen(nr - 1, 1, bytes) != 1) DateiFehler(kCannotRead, path_);
    return RecordVon(bytes);
  };

  if (vergleich(1) > 0) {
    nachfolger_ = std::string(wort(1));
    nachfolger_nr_ = nummer(1);
    return;
  }
  if (vergleich(n) < 0) {
    vorgaenger_ = std::string(wort(n));
    vorgaenger_nr_ = nummer(n);
    return;
  }
  int64_t l = 1;
  int64_t h = n;
  int64_t m = 1;
  for (;;) {
    if (vergleich(l) == 0 || vergleich(h) == 0) break;
    m = l + (h - l) / 2;
    if (m == l || m == h) break;
    const int c = vergleich(m);
    if (c == 0) break;
    if (c > 0 && vergleich(m - 1) < 0) break;
    if (c < 0 && vergleich(m + 1) > 0) break;
    if (c > 0)
      h = m;
    else
      l = m;
  }
  if (vergleich(l) == 0) m = l;
  if (vergleich(h) == 0) m = h;

  const int c = vergleich(m);
  if (c != 0) {
    // The enclosing pair; in a file out of order the nearer side that exists.
    int64_t vor = c > 0 ? m - 1 : m;
    if (vor >= n) vor = n - 1;
    const int64_t nach = vor + 1;
    if (vor >= 1) {
      vorgaenger_ = std::string(wort(vor));
      vorgaenger_nr_ = nummer(vor);
    }
    if (nach <= n) {
      nachfolger_ = std::string(wort(nach));
      nachfolger_nr_ = nummer(nach);
    }
    return;
  }

  gefunden_ = true;
  satznummer_ = nummer(m);
  const TWortDateiRecord gefunden = satz(satznummer_);
  von_ = gefunden.Von;
  bis_ = gefunden.Bis;
  vorgaenger_ = nachfolger_ = gefunden.Wort;
  vorgaenger_nr_ = nachfolger_nr_ = satznummer_;

  // The run of records with the same key around the found one.
  int64_t erster = satznummer_;
  while (erster > 1 && WortVergleich(satz(erster - 1).Wort, key_) == 0) --erster;
  int64_t letzter = satznummer_;
  while (letzter < anzahl && WortVergleich(satz(letzter + 1).Wort, key_) == 0) ++letzter;
  lauf_.reserve(static_cast<size_t>(letzter - erster + 1));
  for (int64_t nr = erster; nr <= letzter; ++nr) lauf_.push_back(satz(nr));
  lauf_anfang_ = static_cast<int32_t>(erster);

  // Variant check of the two older collections: a neighbour whose word key, cut to the field
  // width, equals the key of a word that starts with a vowel.
  if (!IstVariantenCD(cdid_)) return;
  const std::string s = Normalisieren(key_);
  if (s.size() < 2 || !IstVokal(s[0])) return;
  const auto gleich = [&](int64_t nr) {
    std::string nachbar = Normalisieren(satz(nr).Wort);
    if (nachbar.size() > layout::kWortCapacity) nachbar.resize(layout::kWortCapacity);
    return nachbar == s;
  };
  if (satznummer_ > 1 && gleich(satznummer_ - 1)) {
    variante_vor_nr_ = satznummer_ - 1;
    hat_variante_ = true;
  }
  if (satznummer_ < anzahl && gleich(satznummer_ + 1)) {
    variante_nach_nr_ = satznummer_ + 1;
    hat_variante_ = true;
  }
}

// ---------------------------------------------------------------------------------------------
// TLesenWortDatei

void TLesenWortDatei::SetzeDateiName(const std::string& path) {
  path_ = path;
  erster_ = 0;
  letzter_ = 0;
  anzahl_ = 0;
  if (!path.empty()) {
    const std::optional<int32_t> groesse = OpenFileSize(ResolvePath(path));
    if (!groesse) DateiFehler(kCannotOpen, path);
    anzahl_ = static_cast<int32_t>(*groesse / kSatz);
  }
  leer_ = anzahl_ == 0;
  ausserhalb_ = anzahl_ == 0;
}

void TLesenWortDatei::Laden(int32_t n, int32_t erster, int32_t letzter) {
  fenster_.resize(static_cast<size_t>(kFenster) * layout::kWortRecordSize);
  // Emptied first: after a failed read the window holds nothing half-read.
  erster_ = 0;
  letzter_ = 0;
  const size_t bytes = static_cast<size_t>(letzter - erster + 1) * layout::kWortRecordSize;
  const std::string path = ResolvePath(path_);
  const int64_t position = (int64_t{erster} - 1) * kSatz + 1;
  std::optional<size_t> gelesen;
  if (const FileCache::Inhalt inhalt = FileCache::Prozess().Holen(path)) {
    const auto ab = static_cast<size_t>(position - 1);
    const size_t menge = ab < inhalt->size() ? std::min(bytes, inhalt->size() - ab) : 0;
    if (menge > 0) std::memcpy(fenster_.data(), inhalt->data() + ab, menge);
    gelesen = menge;
  } else {
    gelesen = ReadFileBytes(path, static_cast<int32_t>(position), bytes, fenster_.data());
  }
  if (!gelesen) DateiFehler(kCannotOpen, path);
  // A file that has become shorter since it was bound serves the whole records it still holds.
  const auto ganze = static_cast<int32_t>(*gelesen / layout::kWortRecordSize);
  if (ganze > 0) {
    erster_ = erster;
    letzter_ = erster + ganze - 1;
  }
  if (n < erster || n > erster + ganze - 1) DateiFehler(kCannotRead, path);
}

WordRecordView TLesenWortDatei::Sicht(int32_t n) const {
  const uint8_t* satz = fenster_.data() + static_cast<size_t>(n - erster_) * kSatz;
  const std::span<const uint8_t> bytes(satz, layout::kWortRecordSize);
  return {WortVon(satz), ReadInt32(bytes, layout::kVonOffset),
          ReadInt32(bytes, layout::kBisOffset)};
}

TWortDateiRecord TLesenWortDatei::Lies(int32_t n) {
  ausserhalb_ = false;
  if (n < 1 || n > anzahl_) {
    ausserhalb_ = true;
    return {};
  }
  if (erster_ == 0 || n < erster_ || n > letzter_) {
    if (n >= kFensterRand && n <= anzahl_ - kFensterRand)
      Laden(n, n - kFensterHaelfte, n + kFensterHaelfte - 1);
    else if (n >= kFensterRand)
      Laden(n, std::max(1, anzahl_ - kFenster + 1), anzahl_);
    else
      Laden(n, 1, std::min(kFenster, anzahl_));
  }
  const WordRecordView sicht = Sicht(n);
  return {std::string(sicht.Wort), sicht.Von, sicht.Bis};
}

bool TLesenWortDatei::LiesVorwaerts(int32_t n, WordRecordView& out) {
  ausserhalb_ = false;
  if (n < 1 || n > anzahl_) {
    ausserhalb_ = true;
    return false;
  }
  if (erster_ == 0 || n < erster_ || n > letzter_)
    Laden(n, n, static_cast<int32_t>(std::min<int64_t>(int64_t{n} + kFenster - 1, anzahl_)));
  out = Sicht(n);
  return true;
}

bool TLesenWortDatei::Verfuegbar() {
  if (path_.empty()) RaiseInternalError("LWD-IA-1");
  return OpenFileSize(ResolvePath(path_)).has_value();
}

}  // namespace quillmar::retrieval
