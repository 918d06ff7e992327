#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/canvas.h"
#include "text/colour_table.h"
#include "text/markings.h"
#include "text/word_list.h"

namespace quillmar {

// Margin words that did not fit beside their own line and wait for the following lines of the
// same paragraph: the margin list they belong to and the 1-based index of the first of them.
struct MarginCarry {
  TWortListe* List = nullptr;
  int32_t Word = -1;
  bool Pending() const { return List != nullptr; }
};

// One line of a paragraph: its words, its margin words and how it places them. Coordinates are
// canvas pixels; the words start at client left + left border + 1 + indent width and may use
// TextWidth pixels.
//
// Internal errors: "TZ-DN 001"/"TZ-DB 001" (a word after the first would start beyond the right
// edge, left/justified placement), "Z-RD 001" (marking redraw of a line without words),
// "Z-SBD 001"/"Z-SBD 002", "Z-SUV 001"/"Z-SUV 002" (printer or Unicode-Greek flag changed while
// the line holds margin words / words).
class TZeile {
 public:
  // Gap after a drawn margin word and the left offset of the margin column.
  static constexpr int32_t kMarginLeft = 10;
  // The margin column is drawn only from this left border width on.
  static constexpr int32_t kMinMarginBorder = 20;
  // Background fill to the right of the text width.
  static constexpr int32_t kRightFill = 20;

  TZeile(Canvas* canvas, const ColourTables* colours, const Rect& client, bool printer,
         bool unicode_greek);

  TWortListe& Words() { return words_; }
  const TWortListe& Words() const { return words_; }
  TWortListe& MarginWords() { return margin_; }
  const TWortListe& MarginWords() const { return margin_; }

  // Largest ascent and descent over words and margin words.
  int32_t Ascent() const;
  int32_t Descent() const;
  int32_t Height() const { return Ascent() + Descent(); }
  // Box widths and the blanks between them, plus the indent width; 0 without words.
  int32_t Width() const;
  int32_t SumOfBoxWidths() const;
  // Start of the first and end of the last word (margin words when the line has no words);
  // -1 for an empty line.
  int32_t FirstPos() const;
  int32_t LastPos() const;

  // Indent width = |count| blanks of font 3.
  void SetIndent(int32_t count);
  void SetPrinter(bool printer);
  void SetUnicodeGreek(bool on);

  // Draws the line with its top at y. `carry` holds the margin words still pending from the lines
  // above in the same paragraph and is updated. The last line of a paragraph is never justified.
  void Draw(int32_t top, MarginCarry& carry, const TMarkierungen& user, const TMarkierungen& hit,
            bool last_line);
  // Recomputes the marking kinds and redraws only the words whose kind changed, and the gaps
  // beside them.
  void RedrawMarkings(const TMarkierungen& user, const TMarkierungen& hit);
  // Visible flags of all words: whether the print range contains the word's start.
  void SetVisible(const TMarkierungen& print_range);

  // The first word, then margin word, whose box strictly contains the point.
  const TWortListRecord* WordAt(int32_t x, int32_t y) const;
  const TWortListRecord* FirstWord() const;
  const TWortListRecord* LastWord() const;
  // The word after `word` in the word list, none after the last one or for a foreign word.
  const TWortListRecord* WordAfter(const TWortListRecord* word) const;
  bool Holds(const TWortListRecord* word) const;

  Rect Client;
  Rect DrawnBox = {-1, -1, -1, -1};
  uint8_t MarginPicture = 0;  // 0 none, 1 no-more-room picture drawn, 2 upwards picture drawn
  bool Centred = false;
  bool Justified = false;
  int32_t IndentWidth = 0;
  int32_t IndentCount = 0;
  int32_t LeftBorder = 0;
  int32_t TextWidth = 0;  // width available to the words

 private:
  const ColourTable& Table() const { return colours_->Of(printer_); }
  void FillBack(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void DrawMargin(int32_t top, int32_t baseline, MarginCarry& carry);
  // Draws margin words of `list` from index `from` on the baseline while they fit.
  void DrawMarginRun(TWortListe& list, int32_t from, int32_t baseline, MarginCarry& carry);
  // Draws word i at x and fills the gap up to x + box width + gap.
  void PlaceWord(int32_t i, int32_t x, int32_t baseline, int32_t gap);

  Canvas* canvas_;
  const ColourTables* colours_;
  bool printer_;
  bool unicode_greek_;
  int32_t ascent_ = 0;   // of the current drawing
  int32_t descent_ = 0;  // of the current drawing
  TWortListe margin_;
  TWortListe words_;
};

// The lines of one paragraph with the paragraph's copies of the markings.
//
// Internal errors: "Z-SBD 001" / "Z-SUV 001" when the printer or Unicode-Greek flag changes
// while lines exist.
class TZeilen {
 public:
  TZeilen(Canvas* canvas, const ColourTables* colours) : canvas_(canvas), colours_(colours) {}

  // A new last line carrying the canvas, client rectangle and flags.
  TZeile& NewLine();
  void Clear() { lines_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  // Line 0..Count()-1 (the caller keeps the index in range).
  TZeile& Line(int32_t i) { return *lines_[static_cast<size_t>(i)]; }
  const TZeile& Line(int32_t i) const { return *lines_[static_cast<size_t>(i)]; }
  TZeile& Last() { return *lines_.back(); }
  // Index of the line holding the word (words or margin words), -1 when none does.
  int32_t LineOf(const TWortListRecord* word) const;

  void SetClient(const Rect& client) { client_ = client; }
  void SetPrinter(bool printer);
  void SetUnicodeGreek(bool on);
  bool Printer() const { return printer_; }

  TMarkierungen User;
  TMarkierungen Hit;
  TMarkierungen PrintRange;

 private:
  Canvas* canvas_;
  const ColourTables* colours_;
  Rect client_;
  bool printer_ = false;
  bool unicode_greek_ = false;
  std::vector<std::unique_ptr<TZeile>> lines_;
};

}  // namespace quillmar
