#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "retrieval/integer_set.h"
#include "retrieval/word_file.h"

namespace quillmar::search_ui {

// The query line as the word list browser edits it: Windows-1252 bytes, one byte per character,
// so positions are character positions. Cursor and SelectionStart are 0-based gaps (0 = before
// the first character).
struct BrowserQueryLine {
  std::string Text;
  int32_t Cursor = 0;
  int32_t SelectionStart = -1;  // -1: nothing selected
  int32_t SelectionLength = 0;
};

// A word of the query line: the characters [Anfang, Ende) of the line.
struct WordRange {
  std::string Wort;
  int32_t Anfang = 0;
  int32_t Ende = 0;
};

// The stretch of the query line that closing replaced, for a caller that keeps its own copy of
// the line (for example with characters outside Windows-1252): the characters
// [Anfang, Anfang + Length) of the line before closing gave way to Text. Anfang is -1 when the
// line stayed unchanged.
struct Replacement {
  int32_t Anfang = -1;
  int32_t Length = 0;
  std::string Text;
};

// One painted row of the list.
struct WordRow {
  std::string Wort;  // Windows-1252
  bool Focused = false;
  bool Selected = false;
};

// The word list of one collection as a scrollable list of 20 rows: the state and rules behind the
// word list window, free of any window system. Record numbers are 1-based. The browser reads
// only the visible rows and looks typed prefixes up by binary search, so lists of hundreds of
// thousands of words stay quick.
//
// Whenever the word list cannot be read (missing, emptied, shortened, or without any record)
// Verfuegbar() turns false for good and every operation does nothing; the window then closes
// with the result kDiscard.
class WordBrowser {
 public:
  static constexpr int32_t kRows = 20;
  static constexpr int32_t kAccept = 101;   // take the selection over
  static constexpr int32_t kDiscard = 102;  // leave the query line as it was
  static constexpr int32_t kScrollMin = 1;
  static constexpr int32_t kScrollMax = 65000;
  // A query line may hold 4000 characters; an insertion is refused when line and insertion
  // together reach this length.
  static constexpr int32_t kRowLimit = 3981;

  enum class Key { Down, Up, PageUp, PageDown, Eingabe, Escape, Backspace };
  enum class Scroll { LineUp, LineDown, PageUp, PageDown, Anfang, Ende, Dragged };

  // Binds to "<cdWurzel>/data/wortlst.dat" (found in any letter case).
  explicit WordBrowser(const std::string& cdRoot);

  // The word around the caret: the caret steps back over one ")" directly in front of it; the
  // word extends left and right up to a blank, "(", ")" or "." ("*" and "?" belong to it). A "("
  // directly after the caret is stepped over when nothing of the word lies left of the caret.
  static WordRange WordAtCursor(const std::string& line, int32_t cursor);
  // True for the characters that typing appends to the prefix: A-Z, a-z, 0-9, "ß" and the
  // accented letters ÖÄÜÓÒÔÁÀÂÍÌÎÚÙÛÝÉÈÊ with their small forms (Windows-1252 bytes).
  static bool IsWordChar(char c);
  // "Eingabe zu lang. ..." / "Input is too long. ..." in the current language (UTF-8).
  static std::string TooLongText();

  bool Verfuegbar() const { return available_; }
  const std::string& DateiName() const { return path_; }

  // Takes the query line and moves to the word under its caret (selected when the list holds a
  // word beginning with it).
  void Positionieren(const BrowserQueryLine& line);
  // Moves the focus to record n (limited to 1..Anzahl), scrolling as little as the row needs.
  void GeheZu(int32_t n);
  // Makes t (limited to 1..Anzahl-19) the first row and sets the scroll position from it.
  void SetTop(int32_t t);

  // A key; true when the window closes (Enter, Escape, or the list has become unreadable).
  bool PressKey(Key key, bool shift);
  // A typed character (Windows-1252 byte); characters that are no word characters are ignored.
  void TypeChar(char c);
  // A left click into row `line` (0-based, from the top) with Ctrl or Shift held. Clicks below
  // the last word do nothing.
  void Click(int32_t line, bool ctrl, bool shift);
  // A scroll bar action; `position` is the thumb position at the end of a drag.
  void ApplyScroll(Scroll action, int32_t position = 0);

  // The visible rows (at most 20), read from the list.
  std::vector<WordRow> VisibleRows();

  // Closing: clears the prefix and, when the result is kAccept and words are selected,
  // inserts them into the query line in place of its selection (or of the word under the caret).
  // A line that would reach kRowLimit characters stays unchanged and TooLong() reports it.
  void Close();

  int32_t Anzahl() const { return count_; }
  int32_t Oben() const { return top_; }
  int32_t Fokus() const { return focus_; }
  int32_t LetzteScrollPos() const { return last_scroll_pos_; }
  // The scroll bar's page size for a range of 1..65000 showing 20 of Anzahl records.
  int32_t ScrollPage() const;
  int32_t Ergebnis() const { return result_; }
  const std::string& Tippwort() const { return typed_word_; }
  const std::string& Einfuegetext() const { return insert_text_; }
  retrieval::TIntegerSet& Auswahl() { return selection_; }
  const BrowserQueryLine& Zeile() const { return line_; }
  const Replacement& CurrentReplacement() const { return replacement_; }
  bool TooLong() const { return too_long_; }

 private:
  // Checks that the list can still be opened; false (and unavailable from now on) otherwise.
  bool Check();
  template <typename F>
  void Safely(F f);
  void Locate();
  void UpdateScrollPos();
  void Einfuegen();

  std::string path_;
  bool available_ = false;
  retrieval::TWortDateiAnfrage query_;
  retrieval::TLesenWortDatei reader_;
  retrieval::TIntegerSet selection_;
  int32_t count_ = 0;
  int32_t top_ = 1;
  int32_t focus_ = 1;
  int32_t last_scroll_pos_ = kScrollMin;
  int32_t result_ = kDiscard;
  std::string insert_text_;
  std::string typed_word_;
  BrowserQueryLine line_;
  Replacement replacement_;
  bool too_long_ = false;
};

}  // namespace quillmar::search_ui
