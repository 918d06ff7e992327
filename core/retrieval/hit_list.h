#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/block_pool.h"
#include "retrieval/datum.h"
#include "retrieval/integer_set.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_ref.h"

namespace quillmar::retrieval {

// A short string with its capacity inline (CD identifiers, hit words), so hit lists hold no
// per-hit heap allocations.
template <size_t N>
struct ShortString {
  uint8_t Length = 0;
  char Zeichen[N] = {};

  ShortString() = default;
  ShortString(std::string_view s) { Setzen(s); }  // NOLINT: converts like a string
  void Setzen(std::string_view s) {
    Length = static_cast<uint8_t>(s.size() < N ? s.size() : N);
    std::memcpy(Zeichen, s.data(), Length);
  }
  std::string_view View() const { return {Zeichen, Length}; }
  std::string Str() const { return std::string(View()); }
  bool Leer() const { return Length == 0; }
  friend bool operator==(const ShortString& a, const ShortString& b) {
    return a.View() == b.View();
  }
};
using CDIdentifier = ShortString<8>;

// One occurrence of an index word: a 44-byte record of fundst.dat, decoded.
// Fields ordered by size, so the record takes 40 bytes in memory.
struct TFundstelle {
  int32_t Position = 0;  // text position of the word's first byte
  int32_t AbsatzKennung3 = 0;
  TDatum Datum1;
  TDatum Datum2;
  uint16_t Seite = 0;
  uint16_t Zeile = 0;
  uint16_t AbsatzKennung1 = 0;
  uint16_t WortNr = 0;
  uint8_t TextNr = 0;
  uint8_t Textteil = 0;  // 0 text, 1 heading, 2 subheading, 3/4 subtitle, 10, 11, 12
  uint8_t Sprache = 0;
  uint8_t Kapitel = 0;
  uint8_t Unterkapitel = 0;
  uint8_t AbsatzKennung2 = 0;

  // Decodes a record of index_layout::kFundstelleSize bytes.
  static TFundstelle Decode(const uint8_t* record);
};

// The display record of a hit: its span and up to five hit words.
struct TAnzeigeRecord {
  static constexpr int kMaxWords = 5;
  uint8_t Textteil = 0;
  uint8_t TextNr = 0;
  int32_t Anfang = -1;  // first byte of the first word
  int32_t Ende = -1;    // last byte of the last word
  int32_t WortPos[kMaxWords] = {-1, -1, -1, -1, -1};
  WordRef Worte[kMaxWords];
  uint16_t WortNummern[kMaxWords] = {0, 0, 0, 0, 0};

  // The record of a single hit of word w.
  static TAnzeigeRecord Single(const TFundstelle& hit, std::string_view w);
  // The same with the word already referenced (its length in bytes given).
  static TAnzeigeRecord Single(const TFundstelle& hit, WordRef w, int32_t laenge);
  // The non-empty words joined by "..."; raises "...(IF-ATS 001)" without a first word.
  std::string AnzeigeText() const;
};

// What a result row hands to the text window to show a hit.
struct TFundPosition {
  uint8_t Textteil = 0;
  uint8_t TextNr = 0;
  int32_t Anfang = -1;
  int32_t Ende = -1;
  int32_t WortPos[5] = {-1, -1, -1, -1, -1};
  CDIdentifier CD;
};

struct TFundTextBedingung {
  int32_t TextNr = 0;
  CDIdentifier CD;
};

// A bound of the date filter as the user entered it; "no bound" has year 30000.
struct DateBound {
  uint8_t Tag = 0;
  uint8_t Monat = 0;
  int32_t Jahr = TDatum::kNoYear;
  int32_t Jahr2 = TDatum::kNoYear;
};

// Sort rank of a text part in a hit list: 1, 2, 0, 3, 4, 12, 10, 11 first to last, then all
// other codes (rank 0).
inline constexpr std::array<uint8_t, 256> kTextPartRank = [] {
  std::array<uint8_t, 256> r{};
  r[1] = 100;
  r[2] = 99;
  r[0] = 98;
  r[3] = 97;
  r[4] = 96;
  r[12] = 95;
  r[10] = 94;
  r[11] = 93;
  return r;
}();

// -1/0/+1: text number, text part by rank (1, 2, 0, 3, 4, 12, 10, 11), position.
inline int HitVergleichOhneCD(const TFundstelle& a, const TFundstelle& b) {
  if (a.TextNr != b.TextNr) return a.TextNr < b.TextNr ? -1 : 1;
  const uint8_t ra = kTextPartRank[a.Textteil];
  const uint8_t rb = kTextPartRank[b.Textteil];
  if (ra != rb) return ra > rb ? -1 : 1;
  if (a.Position != b.Position) return a.Position < b.Position ? -1 : 1;
  return 0;
}

// -1/0/+1: the CD identifiers bytewise (unsigned; a prefix first), then HitVergleichOhneCD.
inline int HitVergleich(const TFundstelle& a, std::string_view cdA, const TFundstelle& b,
                        std::string_view cdB) {
  const size_t n = cdA.size() < cdB.size() ? cdA.size() : cdB.size();
  for (size_t k = 0; k < n; ++k) {
    const auto x = static_cast<unsigned char>(cdA[k]);
    const auto y = static_cast<unsigned char>(cdB[k]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (cdA.size() != cdB.size()) return cdA.size() < cdB.size() ? -1 : 1;
  return HitVergleichOhneCD(a, b);
}

// A key whose ascending order is the order of HitVergleichOhneCD (equal keys: equal hits):
// text number, inverted text-part rank, position.
inline uint64_t HitKey(const TFundstelle& hit) {
  return (static_cast<uint64_t>(hit.TextNr) << 40) |
         (static_cast<uint64_t>(255 - kTextPartRank[hit.Textteil]) << 32) |
         (static_cast<uint32_t>(hit.Position) ^ 0x80000000u);
}

// A filtered list of hits with their display records, sorted by HitVergleich when built by
// Einfuegen. Readers walk it sequentially; random access is refused.
class TFundstellenListe {
 public:
  struct Eintrag {
    TAnzeigeRecord Anzeige;
    TFundstelle Fundstelle;
    CDIdentifier CD;
  };
  // The entries of a list; large arrays are recycled (BlockPool).
  using Entries = std::vector<Eintrag, PoolAllocator<Eintrag>>;
  // A hit of one word as a compact list keeps it: hit `Index` of the list's decoded range number
  // `Range` (8 bytes, where an entry takes 112).
  struct KompakterTreffer {
    uint32_t Range = 0;
    uint32_t Index = 0;
  };
  // The word the hits of a range were found through.
  struct RangeWord {
    WordRef Wort;
    int32_t Laenge = 0;  // of the word, in bytes
  };
  using Range = std::shared_ptr<const std::vector<TFundstelle>>;

  // Filters, set by whoever fills the list.
  std::vector<TFundTextBedingung> TextBedingungen;
  TSmallIntSet Textteile;
  TSmallIntSet Sprachen;
  DateBound DatumVon;
  DateBound DatumBis;
  // Gives the date filter each collection's NoDateMarker and YearOffset; may be null when no
  // date condition is set (then no marker and no offset apply). Copied with the filters.
  const SearchCatalog* Katalog = nullptr;

  int32_t Anzahl() const { return static_cast<int32_t>(entries_.size() + compact_.size()); }
  bool HatDatumsbedingung() const;
  // Any of the four filters is in force.
  bool HasFilter() const;

  // Removes all hits; the filters stay.
  void Leeren();
  // Removes all filters; the hits stay.
  void FilterZuruecksetzen();
  void TextBedingungHinzufuegen(int32_t textNr, const std::string& cdId);
  // Takes the filters (and Katalog) of another list.
  void EinstellungenKopieren(const TFundstellenListe& other);
  // Takes over other's hits (other is left empty with reset filters); resets own filters.
  void Uebernehmen(TFundstellenListe& other);
  // Takes over other's hits and filters; other is left empty with reset filters.
  void Assign(TFundstellenListe& other);

  bool Zulaessig(const TFundstelle& hit, std::string_view cdId) const;

  // The language and text-part filters as tables over the byte values, for lists without text
  // or date conditions (the search form always sets these two filters, mostly to every value a
  // collection uses): the per-hit test becomes two lookups, and none when both admit all.
  struct ByteFilter {
    TSmallIntSet Textteil;
    TSmallIntSet Sprache;
    bool Alle = false;  // admits every hit
    bool Zulaessig(const TFundstelle& hit) const {
      return Textteil.Enthaelt(hit.Textteil) && Sprache.Enthaelt(hit.Sprache);
    }
  };
  // std::nullopt while a text or date condition is set.
  std::optional<ByteFilter> AsByteFilter() const;

  // Appends at the tail when Zulaessig (arrival order).
  void Anhaengen(const TFundstelle& hit, const TAnzeigeRecord& anzeige, std::string_view cdId);
  void AnhaengenRoh(const TFundstelle& hit, std::string_view cdId);
  // Anhaengen of a whole entry (under its own CD identifier), moved in.
  void Anhaengen(Eintrag&& eintrag);
  // Inserts in HitVergleich order when Zulaessig; a hit equal to one already in the list is
  // dropped, so a list built by Einfuegen never holds two equal hits.
  void Einfuegen(const TFundstelle& hit, const TAnzeigeRecord& anzeige, std::string_view cdId);
  void EinfuegenMitWort(const TFundstelle& hit, std::string_view word, std::string_view cdId);
  // Einfuegen of every entry of `batch` in its order, done by sorting and merging: the result
  // equals the one-by-one insertion (of equal hits the earliest inserted one stays).
  void InsertBatch(Entries&& batch);
  // InsertBatch of all hits of other (a union); other is left empty, its filters stay.
  void InsertAll(TFundstellenListe& other);
  // InsertAll for hits that this list's filters have admitted already (the search's own
  // lists, loaded through the same filters): no hit is tested again.
  void InsertAllAdmitted(TFundstellenListe& other);

  // Takes the hits of words of the collection `cd` in strictly ascending HitVergleich order,
  // admitted by the filters already, without building their entries (replacing the list's
  // contents; the filters stay). The entries are built when a merge, a sequential read or
  // EntryList needs them, or one at a time by EntryAt, so a search whose result is a word or
  // an OR of words never holds them all. `ranges` holds the hits, `words[r]` is the word of
  // ranges[r].
  void SetzeKompakt(std::vector<KompakterTreffer> hits, std::vector<Range> ranges,
                    const std::vector<RangeWord>& words, std::string_view cd);
  bool Kompakt() const { return !compact_.empty(); }
  // Builds the entries of a compact list now. EntryList does it when needed; call this before
  // handing the list to readers on other threads.
  void Materialize() const;
  // Entry k (0-based), built for a compact list without building the others.
  Eintrag EntryAt(size_t k) const;
  // The hit of entry k (0-based).
  const TFundstelle& HitAt(size_t k) const {
    if (compact_.empty()) return entries_[k].Fundstelle;
    const KompakterTreffer t = compact_[k];
    return ranges_[t.Range].base[t.Index];
  }

  // Sequential reads, 1-based: i must be 1, the current index or the current index + 1.
  // Raises "unzulässiger Leseversuch (Range Error) (FSL 005)" out of range and
  // "unzulässiger Leseversuch (FSL 006)" for any other jump.
  const TFundstelle& Fundstelle(int32_t i);
  const TAnzeigeRecord& Anzeige(int32_t i);
  std::string CDKennung(int32_t i);
  std::string AnzeigeText(int32_t i);
  // Built from the entry's display record, with the entry's CD identifier filled in.
  TFundPosition FundPosition(int32_t i);

  // All entries in list order, for readers that walk the whole list (built first for a compact
  // list, see Materialize).
  const Entries& EntryList() const {
    Materialize();
    return entries_;
  }

 private:
  const Eintrag& Entry(int32_t i);
  // Merges admissible entries in strictly ascending order (existing entries win on equality).
  void Merge(Entries&& batch);
  bool DateAllowed(const TFundstelle& hit, std::string_view cdId) const;
  void ResetAfterChange();

  // Entries, or (while compact_ is not empty) none: the list is compact_, and ranges_ holds the
  // ranges its hits lie in. Mutable for Materialize.
  mutable Entries entries_;
  mutable std::vector<KompakterTreffer> compact_;
  struct CompactRange {
    Range hits;
    const TFundstelle* base;  // hits->data()
    RangeWord word;
  };
  mutable std::vector<CompactRange> ranges_;
  CDIdentifier compact_cd_;
  int32_t index_ = 0;   // 1-based index of the last entry read, 0 before the first
  bool sorted_ = true;  // strictly ascending by HitVergleich (always so when built by Einfuegen)
  // The date marker and year offset of the collection last asked for by the date filter.
  mutable const SearchCatalog* date_catalog_ = nullptr;
  mutable CDIdentifier date_cd_;
  mutable bool date_cached_ = false;
  mutable uint16_t date_marker_ = TDatum::kNoYear;
  mutable uint16_t date_offset_ = 0;
};

}  // namespace quillmar::retrieval
