#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "retrieval/integer_set.h"
#include "retrieval/word_file.h"

namespace quillmar::search_ui {

// The query line as the word list browser edits it: Windows-1252 bytes, one byte per character,
// so positions are character positions. Cursor and AuswahlStart are 0-based gaps (0 = before
// the first character).
struct BrowserQueryLine {
  std::string Text;
  int32_t Cursor = 0;
  int32_t AuswahlStart = -1;  // -1: nothing selected
  int32_t AuswahlLaenge = 0;
};

// A word of the query line: the characters [Anfang, Ende) of the line.
struct WordRange {
  std::string Wort;
  int32_t Anfang = 0;
  int32_t Ende = 0;
};

// The stretch of the query line that closing replaced, for a caller that keeps its own copy of
// the line (for example with characters outside Windows-1252): the characters
// [Anfang, Anfang + Laenge) of the line before closing gave way to Text. Anfang is -1 when the
// line stayed unchanged.
struct Replacement {
  int32_t Anfang = -1;
  int32_t Laenge = 0;
  std::string Text;
};

// One painted row of the list.
struct WordRow {
  std::string Wort;  // Windows-1252
  bool Fokussiert = false;
  bool Ausgewaehlt = false;
};

// The word list of one collection as a scrollable list of 20 rows: the state and rules behind the
// word list window, free of any window system. Record numbers are 1-based. The browser reads
// only the visible rows and looks typed prefixes up by binary search, so lists of hundreds of
// thousands of words stay quick.
//
// Whenever the word list cannot be read (missing, emptied, shortened, or without any record)
// Verfuegbar() turns false for good and every operation does nothing; the window then closes
// with the result kVerwerfen.
class WordBrowser {
 public:
  static constexpr int32_t kZeilen = 20;
  static constexpr int32_t kUebernehmen = 101;  // take the selection over
  static constexpr int32_t kVerwerfen = 102;    // leave the query line as it was
  static constexpr int32_t kScrollMin = 1;
  static constexpr int32_t kScrollMax = 65000;
  // A query line may hold 4000 characters; an insertion is refused when line and insertion
  // together reach this length.
  static constexpr int32_t kZeilenGrenze = 3981;

  enum class Taste { Runter, Hoch, SeiteHoch, SeiteRunter, Eingabe, Escape, Rueckschritt };
  enum class Scroll { ZeileHoch, ZeileRunter, SeiteHoch, SeiteRunter, Anfang, Ende, Gezogen };

  // Binds to "<cdWurzel>/data/wortlst.dat" (found in any letter case).
  explicit WordBrowser(const std::string& cdWurzel);

  // The word around the caret: the caret steps back over one ")" directly in front of it; the
  // word extends left and right up to a blank, "(", ")" or "." ("*" and "?" belong to it). A "("
  // directly after the caret is stepped over when nothing of the word lies left of the caret.
  static WordRange WortAmCursor(const std::string& zeile, int32_t cursor);
  // True for the characters that typing appends to the prefix: A-Z, a-z, 0-9, "ß" and the
  // accented letters ÖÄÜÓÒÔÁÀÂÍÌÎÚÙÛÝÉÈÊ with their small forms (Windows-1252 bytes).
  static bool IstWortzeichen(char c);
  // "Eingabe zu lang. ..." / "Input is too long. ..." in the current language (UTF-8).
  static std::string ZuLangText();

  bool Verfuegbar() const { return verfuegbar_; }
  const std::string& DateiName() const { return pfad_; }

  // Takes the query line and moves to the word under its caret (selected when the list holds a
  // word beginning with it).
  void Positionieren(const BrowserQueryLine& zeile);
  // Moves the focus to record n (limited to 1..Anzahl), scrolling as little as the row needs.
  void GeheZu(int32_t n);
  // Makes t (limited to 1..Anzahl-19) the first row and sets the scroll position from it.
  void ZuOben(int32_t t);

  // A key; true when the window closes (Enter, Escape, or the list has become unreadable).
  bool TasteDruecken(Taste taste, bool shift);
  // A typed character (Windows-1252 byte); characters that are no word characters are ignored.
  void ZeichenTippen(char c);
  // A left click into row `zeile` (0-based, from the top) with Ctrl or Shift held. Clicks below
  // the last word do nothing.
  void Klicken(int32_t zeile, bool ctrl, bool shift);
  // A scroll bar action; `position` is the thumb position at the end of a drag.
  void Scrollen(Scroll aktion, int32_t position = 0);

  // The visible rows (at most 20), read from the list.
  std::vector<WordRow> SichtbareZeilen();

  // Closing: clears the prefix and, when the result is kUebernehmen and words are selected,
  // inserts them into the query line in place of its selection (or of the word under the caret).
  // A line that would reach kZeilenGrenze characters stays unchanged and ZuLang() reports it.
  void Schliessen();

  int32_t Anzahl() const { return anzahl_; }
  int32_t Oben() const { return oben_; }
  int32_t Fokus() const { return fokus_; }
  int32_t LetzteScrollPos() const { return letzte_scroll_pos_; }
  // The scroll bar's page size for a range of 1..65000 showing 20 of Anzahl records.
  int32_t ScrollSeite() const;
  int32_t Ergebnis() const { return ergebnis_; }
  const std::string& Tippwort() const { return tippwort_; }
  const std::string& Einfuegetext() const { return einfuegetext_; }
  retrieval::TIntegerSet& Auswahl() { return auswahl_; }
  const BrowserQueryLine& Zeile() const { return zeile_; }
  const Replacement& Ersetzung() const { return ersetzung_; }
  bool ZuLang() const { return zu_lang_; }

 private:
  // Checks that the list can still be opened; false (and unavailable from now on) otherwise.
  bool Pruefen();
  template <typename F>
  void Sicher(F f);
  void Aufsuchen();
  void ScrollPosSetzen();
  void Einfuegen();

  std::string pfad_;
  bool verfuegbar_ = false;
  retrieval::TWortDateiAnfrage anfrage_;
  retrieval::TLesenWortDatei leser_;
  retrieval::TIntegerSet auswahl_;
  int32_t anzahl_ = 0;
  int32_t oben_ = 1;
  int32_t fokus_ = 1;
  int32_t letzte_scroll_pos_ = kScrollMin;
  int32_t ergebnis_ = kVerwerfen;
  std::string einfuegetext_;
  std::string tippwort_;
  BrowserQueryLine zeile_;
  Replacement ersetzung_;
  bool zu_lang_ = false;
};

}  // namespace quillmar::search_ui
