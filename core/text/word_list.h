#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/canvas.h"
#include "text/colour_table.h"

namespace quillmar {

// One run of a word in a single font. Widths, heights, ascents and descents are canvas pixels.
struct TWortTeil {
  std::string Text;         // the run's bytes, codes removed (already converted for charset 161)
  bool Wide = false;        // drawn from WideText (Greek shown in Unicode)
  std::u16string WideText;  // UTF-16 form of the run when Wide
  char FontCode = 0x03;     // 0x01..0x0A or "Z".."a"
  int32_t Overhang = 0;     // subtracted from the width when advancing
  int32_t Width = 0;        // extent in its font; for a wide run 1 when it cannot be measured
  int32_t Height = 0;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  uint8_t Charset = 0;  // 0 normal, 161 Greek, 177 Hebrew
};

// The target of a link to another text (kind 100), a cross-collection reference (kind 101) or a
// cross-reference link set while the text is read (kind 102).
struct TLinkRecord {
  int32_t Kind = 0;    // 100, 101 or 102
  std::string Target;  // the target text as it stands in the stream
};

// A word of the document: its runs, where it stands in the text and what is in force there,
// its marking state and where it was last drawn.
struct TWortListRecord {
  std::vector<TWortTeil> Parts;
  int32_t StartPos = 0;  // text position of the first byte
  int32_t EndPos = 0;    // StartPos + byte length (inline codes included) - 1
  int32_t PageNumber = 0;
  int32_t ParagraphNumber = 0;
  int32_t Code25Number = -1;  // -1 when none was seen
  int32_t LineNumber = 0;
  std::string Label;  // at most 80 bytes
  bool Margin = false;
  uint8_t PageNumbering = 1;  // 0 roman, 1 arabic
  bool Link = false;
  uint8_t LinkKind = 0;  // 1..5, 100, 101, 102
  int32_t LinkNumber = 0;
  bool Marked = false;
  uint8_t MarkingKind = 0;  // 0 none, 1 user marking, 2 hit word, 3 other word of a hit
  Color MarkTextColour = 0x000000;
  Color MarkBackColour = 0xFFFFFF;
  char FontCode = 0x03;         // font in force where the word begins
  Rect Box = {-1, -1, -1, -1};  // as last drawn; all -1 until drawn
  bool Changed = false;         // the marking changed since the word was last drawn
  int32_t Height = 0;           // ascent + descent; the line height once drawn
  bool Visible = true;          // drawn in printer mode (print range)
  int32_t Ascent = 0;           // largest run ascent
  int32_t Descent = 0;          // largest run descent
  int32_t LineAscent = 0;       // of the line the word was last drawn in
  int32_t LineDescent = 0;
  int32_t SpaceWidth = 0;  // one blank in the font of the last run, measured when built
  std::optional<TLinkRecord> LinkTarget;  // kinds 100, 101 and 102 only

  bool Drawn() const { return Box.Left != -1; }
  // Baseline of the last drawing.
  int32_t Baseline() const { return Box.Top + Ascent; }
};

// The words of one line (or of its margin column), numbered 1..Count(). Builds, measures and
// draws words on the canvas in the screen or printer font set.
//
// Internal errors: "WL-GI 002" (index outside 1..Count()), "WL-RD 001" (redraw of a word never
// drawn), "WL-NWZ 001"/"WL-NWZ 002" (gap of a word never drawn / without successor),
// "WLR-SD 001".."WLR-SD 005" (word construction), "WLR-GAC 001"/"WLR-GEC 001" (ascent or descent
// below 1), "WLR-ML 001"/"WLR-ML 003" (link record added twice / for a numbered link).
class TWortListe {
 public:
  TWortListe(Canvas* canvas, const ColourTables* colours) : canvas_(canvas), colours_(colours) {}

  // Appends a copy; the new word becomes the last one.
  TWortListRecord& Add(const TWortListRecord& word);
  void RemoveLast();
  void Clear() { words_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(words_.size()); }
  bool Empty() const { return words_.empty(); }
  TWortListRecord& Word(int32_t i);
  const TWortListRecord& Word(int32_t i) const;
  TWortListRecord& Last() { return Word(Count()); }
  const TWortListRecord& Last() const { return Word(Count()); }
  // 1-based index of a word of this list, 0 when it is not one.
  int32_t IndexOf(const TWortListRecord* word) const;

  // Builds the word's runs from its stream bytes starting in font code `font`; sets FontCode,
  // EndPos (from StartPos), Ascent, Descent, Height, SpaceWidth and resets the box.
  void SetWord(TWortListRecord& word, std::string_view bytes, char font) const;
  // Attaches the target of a kind-100/101 link.
  static void SetLinkRecord(TWortListRecord& word, const TLinkRecord& link);
  static int32_t AscentOf(const TWortListRecord& word);
  static int32_t DescentOf(const TWortListRecord& word);

  // Sum over runs of (width - overhang + 1), plus 3.
  static int32_t BoxWidth(const TWortListRecord& word);
  static int32_t BoxHeight(const TWortListRecord& word) { return word.Ascent + word.Descent; }

  // Draws word i with its left edge at x and its baseline at y, filling the line's height.
  void Draw(int32_t i, int32_t x, int32_t y);
  // Draws word i again where it was last drawn.
  void Redraw(int32_t i);
  static bool HitTest(const TWortListRecord& word, int32_t x, int32_t y) {
    return word.Box.Left < x && x < word.Box.Right && word.Box.Top < y && y < word.Box.Bottom;
  }
  static void SetMarking(TWortListRecord& word, uint8_t kind, Color text, Color back);

  // The strip between word i and word i + 1 over the height of the line word i was drawn in.
  Rect GapRect(int32_t i) const;
  // The colour of the strip after word i (the word may be the last one).
  Color GapColour(int32_t i) const;

  // Allowed only while the list is empty ("Z-SBD"/"Z-SUV" are raised by the line).
  void SetPrinter(bool printer) { printer_ = printer; }
  void SetUnicodeGreek(bool on) { unicode_greek_ = on; }
  bool Printer() const { return printer_; }
  bool UnicodeGreek() const { return unicode_greek_; }

  std::vector<TWortListRecord>::iterator begin() { return words_.begin(); }
  std::vector<TWortListRecord>::iterator end() { return words_.end(); }
  std::vector<TWortListRecord>::const_iterator begin() const { return words_.begin(); }
  std::vector<TWortListRecord>::const_iterator end() const { return words_.end(); }

 private:
  void AddPart(TWortListRecord& word, std::string_view text, char font) const;
  void DrawAt(TWortListRecord& word, int32_t x, int32_t y);

  std::vector<TWortListRecord> words_;
  Canvas* canvas_;
  const ColourTables* colours_;
  bool printer_ = false;
  bool unicode_greek_ = false;
};

}  // namespace quillmar
