#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "text/canvas.h"
#include "text/colour_table.h"
#include "text/line.h"
#include "text/markings.h"
#include "text/paragraph_sink.h"
#include "text/simple_table.h"

namespace quillmar {

// What a paragraph takes over from its document when it is laid out.
struct ParagraphSettings {
  Rect Client;
  int32_t LeftBorder = 0;
  int32_t IndentCount = 0;        // indent in blanks of font 3
  int32_t LineSpacingFactor = 0;  // line spacing = (|screen font 3 height| div 10) x factor
  bool JustifiedDefault = false;
  bool UnicodeGreek = false;
  bool Printer = false;
  int32_t ExtraMargin1 = 0;  // further margins a print job may set; 0 on screen
  int32_t ExtraMargin2 = 0;
};

// A paragraph laid out into lines. Positions are text positions, coordinates canvas pixels. The
// current line is the first one shown; height, width and drawing count from it.
//
// Internal errors: "AS-GH 001", "AS-GW 001", "AS-D 001" (invalid current line), "AS-SCP 001"
// (position outside the paragraph), "AS-SDM 001" (print range on a screen paragraph),
// "AS-SBD 001" (printer flag on a laid-out paragraph); the parser's "AEZ" codes and the table's
// "ST-SD" codes while laying out.
class TAbsatz : public ParagraphSink {
 public:
  TAbsatz(Canvas* canvas, const ColourTables* colours, const ParagraphSettings& settings);

  void SetStart(int32_t start) { start_ = start; }
  // Takes the paragraph's bytes, builds the table of a table paragraph, and lays out.
  void SetText(std::string_view text);
  // Lays the text out again with new settings.
  void Relayout(const ParagraphSettings& settings);
  void SetPrinter(bool printer);
  void SetCurrentPosition(int32_t position);

  int32_t StartPos() const { return start_; }
  // Last text position: of the table markup for a table paragraph; the start for an empty text.
  int32_t EndPos() const;
  bool Contains(int32_t position) const { return start_ <= position && position <= EndPos(); }
  bool HoldsWord(const TWortListRecord* word) const { return lines_.LineOf(word) >= 0; }

  // Sum of line height + spacing from the current line; |font 3 height| + spacing without lines.
  int32_t Height() const;
  // Widest line from the current line.
  int32_t Width() const;
  // Draws from the current line down with its top at y; in printer mode only the lines that fit
  // into `available` pixels.
  void Draw(int32_t top, int32_t available);
  // Redraws the words whose marking changed, from the current line down.
  void DrawMarkings();
  void SetPrintRange(const TMarkierungen& range);

  const TWortListRecord* WordAt(int32_t x, int32_t y) const;
  // First word of the first line whose first word reaches below `top`.
  const TWortListRecord* FirstVisibleWord(int32_t top) const;
  // Last word of the first line whose last word reaches below `top`.
  const TWortListRecord* LastWordOfFirstVisibleLine(int32_t top) const;
  // Last word of the last line whose last word starts above `bottom`.
  const TWortListRecord* LastVisibleWord(int32_t bottom) const;

  // First position of the line after (before) the current line; -1 when there is none.
  int32_t NextLineStart() const;
  int32_t PreviousLineStart() const;
  // First position of the first (last) line; the start without lines.
  int32_t FirstLineStart() const;
  int32_t LastLineStart() const;

  TZeilen& Lines() { return lines_; }
  const TZeilen& Lines() const { return lines_; }
  int32_t CurrentLine() const { return current_line_; }
  int32_t CurrentPosition() const { return current_pos_; }
  int32_t LastLineDrawn() const { return last_line_drawn_; }
  int32_t LineSpacing() const { return line_spacing_; }
  int32_t IndentWidth() const { return indent_width_; }
  int32_t ParagraphNumber() const { return paragraph_number_; }
  uint8_t IndentMode() const { return indent_mode_; }
  bool Centred() const { return centred_; }
  bool Justified() const { return justified_; }
  const TSimpleTable* Table() const { return table_.get(); }
  const std::string& Text() const { return text_; }
  const Rect& DrawnBox() const { return drawn_box_; }

  // The document's markings, copied down before drawing.
  TMarkierungen User;
  TMarkierungen Hit;
  TMarkierungen PrintRange;

  // ParagraphSink
  void AddWord(const StreamWord& word) override;
  void AddMarginWord(const StreamWord& word) override;
  void SetCentred(bool centred) override { centred_ = centred; }
  void SetJustified(bool justified) override { justified_ = justified; }
  void SetIndentMode(uint8_t mode) override { indent_mode_ = mode; }
  void SetParagraphNumber(int32_t number) override { paragraph_number_ = number; }

 private:
  void Layout();
  int32_t AvailableWidth() const;
  TZeile& NewLine();
  TWortListRecord MakeRecord(const StreamWord& word, TWortListe& list) const;
  bool CurrentLineValid() const { return current_line_ >= 0 && current_line_ < lines_.Count(); }

  Canvas* canvas_;
  const ColourTables* colours_;
  ParagraphSettings settings_;
  Rect drawn_box_ = {-1, -1, -1, -1};
  int32_t indent_width_ = 0;
  int32_t line_spacing_ = 0;
  int32_t paragraph_number_ = 0;
  uint8_t indent_mode_ = 1;  // 0 none, 1 first line, 2 all lines, 3 all but the first
  bool centred_ = false;
  bool justified_ = false;
  std::string text_;
  int32_t start_ = 0;
  int32_t last_line_drawn_ = -1;
  int32_t markup_length_ = 0;  // table paragraphs: length of the text as read
  int32_t current_pos_ = -1;
  int32_t current_line_ = -1;
  std::unique_ptr<TSimpleTable> table_;
  TZeilen lines_;
};

}  // namespace quillmar
