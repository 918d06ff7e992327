#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/datum.h"
#include "retrieval/integer_set.h"
#include "retrieval/search_catalog.h"

namespace quillmar::retrieval {

// A short string with its capacity inline (CD identifiers, hit words), so hit lists hold no
// per-hit heap allocations.
template <size_t N>
struct TKurzText {
  uint8_t Laenge = 0;
  char Zeichen[N] = {};

  TKurzText() = default;
  TKurzText(std::string_view s) { Setzen(s); }  // NOLINT: converts like a string
  void Setzen(std::string_view s) {
    Laenge = static_cast<uint8_t>(s.size() < N ? s.size() : N);
    std::memcpy(Zeichen, s.data(), Laenge);
  }
  std::string_view View() const { return {Zeichen, Laenge}; }
  std::string Str() const { return std::string(View()); }
  bool Leer() const { return Laenge == 0; }
  friend bool operator==(const TKurzText& a, const TKurzText& b) { return a.View() == b.View(); }
};
using TCDKennung = TKurzText<8>;

// One occurrence of an index word: a 44-byte record of fundst.dat, decoded.
struct TFundstelle {
  uint8_t TextNr = 0;
  int32_t Position = 0;  // text position of the word's first byte
  uint8_t Textteil = 0;  // 0 text, 1 heading, 2 subheading, 3/4 subtitle, 10, 11, 12
  uint16_t Seite = 0;
  uint16_t Zeile = 0;
  uint16_t AbsatzKennung1 = 0;
  uint16_t WortNr = 0;
  uint8_t Sprache = 0;
  TDatum Datum1;
  TDatum Datum2;
  uint8_t Kapitel = 0;
  uint8_t Unterkapitel = 0;
  uint8_t AbsatzKennung2 = 0;
  int32_t AbsatzKennung3 = 0;

  // Decodes a record of index_layout::kFundstelleSize bytes.
  static TFundstelle Lesen(const uint8_t* record);
};

// The display record of a hit: its span and up to five hit words.
struct TAnzeigeRecord {
  static constexpr int kWorte = 5;
  uint8_t Textteil = 0;
  uint8_t TextNr = 0;
  int32_t Anfang = -1;  // first byte of the first word
  int32_t Ende = -1;    // last byte of the last word
  int32_t WortPos[kWorte] = {-1, -1, -1, -1, -1};
  TKurzText<20> Worte[kWorte];
  uint16_t WortNummern[kWorte] = {0, 0, 0, 0, 0};

  // The record of a single hit of word w.
  static TAnzeigeRecord Einzel(const TFundstelle& hit, std::string_view w);
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
  TCDKennung CD;
};

struct TFundTextBedingung {
  int32_t TextNr = 0;
  TCDKennung CD;
};

// A bound of the date filter as the user entered it; "no bound" has year 30000.
struct TDatumsGrenze {
  uint8_t Tag = 0;
  uint8_t Monat = 0;
  int32_t Jahr = TDatum::kKeinJahr;
  int32_t Jahr2 = TDatum::kKeinJahr;
};

// -1/0/+1: CD identifier (bytewise), text number, text part by rank (1, 2, 0, 3, 4, 12, 10, 11),
// position.
int HitVergleich(const TFundstelle& a, std::string_view cdA, const TFundstelle& b,
                 std::string_view cdB);
int HitVergleichOhneCD(const TFundstelle& a, const TFundstelle& b);

// A filtered list of hits with their display records, sorted by HitVergleich when built by
// Einfuegen. Readers walk it sequentially; random access is refused.
class TFundstellenListe {
 public:
  struct Eintrag {
    TAnzeigeRecord Anzeige;
    TFundstelle Fundstelle;
    TCDKennung CD;
  };

  // Filters, set by whoever fills the list.
  std::vector<TFundTextBedingung> TextBedingungen;
  TSmallIntSet Textteile;
  TSmallIntSet Sprachen;
  TDatumsGrenze DatumVon;
  TDatumsGrenze DatumBis;
  // Gives the date filter each collection's NoDateMarker and YearOffset; may be null when no
  // date condition is set.
  const TSuchKatalog* Katalog = nullptr;

  int32_t Anzahl() const { return static_cast<int32_t>(eintraege_.size()); }
  bool HatDatumsbedingung() const;

  void Leeren();
  void FilterZuruecksetzen();
  void TextBedingungHinzufuegen(int32_t textNr, const std::string& cdId);
  void EinstellungenKopieren(const TFundstellenListe& other);
  // Takes over other's hits (other is left empty with reset filters); resets own filters.
  void Uebernehmen(TFundstellenListe& other);
  // Uebernehmen followed by EinstellungenKopieren.
  void Assign(TFundstellenListe& other);

  bool Zulaessig(const TFundstelle& hit, std::string_view cdId) const;
  void Anhaengen(const TFundstelle& hit, const TAnzeigeRecord& anzeige, std::string_view cdId);
  void AnhaengenRoh(const TFundstelle& hit, std::string_view cdId);
  // Inserts in HitVergleich order; a hit equal to one already in the list is dropped.
  void Einfuegen(const TFundstelle& hit, const TAnzeigeRecord& anzeige, std::string_view cdId);
  void EinfuegenMitWort(const TFundstelle& hit, std::string_view word, std::string_view cdId);

  // Sequential reads, 1-based: i must be 1, the current index or the current index + 1.
  // Raises "unzulässiger Leseversuch (Range Error) (FSL 005)" out of range and
  // "unzulässiger Leseversuch (FSL 006)" for any other jump.
  const TFundstelle& Fundstelle(int32_t i);
  const TAnzeigeRecord& Anzeige(int32_t i);
  std::string CDKennung(int32_t i);
  std::string AnzeigeText(int32_t i);
  TFundPosition FundPosition(int32_t i);

  // All entries in list order, for readers that walk the whole list.
  const std::vector<Eintrag>& Eintraege() const { return eintraege_; }

 private:
  std::vector<Eintrag> eintraege_;
  int32_t index_ = 0;  // 1-based index of the last entry read, 0 before the first
  // (the implementation adds what it needs for fast sorted insertion)
};

}  // namespace quillmar::retrieval
