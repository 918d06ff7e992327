#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "text/canvas.h"
#include "text/colour_table.h"
#include "text/markings.h"
#include "text/paragraph.h"

namespace quillmar {

// The loaded part of one text: consecutive paragraphs (the paragraph cache) laid out for one
// canvas, the first visible one shown from its current line at the client top. The owner reads
// paragraphs from the stream file and adds them at either end; the document asks for more by
// answering -1 when it steps beyond the loaded ones.
//
// Internal errors: "ASÄ-SP 001"/"ASÄ-SP 002" (current position not found / outside the loaded
// paragraphs), "ASÄ-D 001"/"ASÄ-D 002" (drawing without paragraphs / first visible invalid),
// "ASÄ-WXY", "ASÄ-FWS", "ASÄ-FLS", "ASÄ-LWS", "ASÄ-GAWP" 001/002 (first/last visible paragraph
// invalid), "ASÄ-GHFC 001", "ASÄ-HCL 001"/"ASÄ-HCL 002" (no paragraphs / first visible invalid),
// "ASÄ-SGC 001" (cache factor outside 1..10), "ASÄ-SBD 001" (printer flag on a filled
// document), "ASÄ-SDM 001"/"ASÄ-SDM 002" (print range on a screen document / invalid range),
// "AS-AJ 001" (re-layout of an empty document), and those of the paragraphs.
class TAbsaetze {
 public:
  TAbsaetze(Canvas& canvas, const ColourTables& colours) : canvas_(&canvas), colours_(&colours) {}

  // Adds a laid-out paragraph after the last (before the first) loaded one. The first paragraph
  // of an empty document becomes the first visible one, shown from its start.
  TAbsatz& Append(std::string_view text, int32_t start);
  TAbsatz& Prepend(std::string_view text, int32_t start);
  int32_t Count() const { return static_cast<int32_t>(paragraphs_.size()); }
  // Paragraph 0..Count()-1 (the caller keeps the index in range).
  TAbsatz& Paragraph(int32_t i) { return *paragraphs_[static_cast<size_t>(i)]; }
  const TAbsatz& Paragraph(int32_t i) const { return *paragraphs_[static_cast<size_t>(i)]; }

  // Settings for paragraphs laid out from now on (Relayout applies them to all).
  void SetClientRect(const Rect& client) { settings_.Client = client; }
  void SetLeftBorder(int32_t width) { settings_.LeftBorder = width; }
  void SetIndentCount(int32_t count) { settings_.IndentCount = count; }
  void SetLineSpacingFactor(int32_t factor) { settings_.LineSpacingFactor = factor; }
  void SetJustifiedDefault(bool justified) { settings_.JustifiedDefault = justified; }
  void SetUnicodeGreek(bool on) { settings_.UnicodeGreek = on; }
  void SetExtraMargins(int32_t m1, int32_t m2);
  // 1..10: trimming keeps about factor x client height of paragraphs.
  void SetCacheFactor(int32_t factor);
  void SetPrinter(bool printer);
  const ParagraphSettings& Settings() const { return settings_; }

  // Makes the paragraph holding the position (a position in a separator belongs to the
  // following paragraph) the first visible one and sets every paragraph's current position.
  void SetCurrentPosition(int32_t position);
  int32_t CurrentPosition() const { return current_; }
  int32_t FirstVisible() const { return first_; }
  int32_t LastVisible() const { return last_; }

  // Lays all paragraphs out again; tells whether the paragraphs from the first visible one fill
  // the client height.
  bool Relayout();
  // Draws from the first visible paragraph down to the client bottom.
  void Draw();
  // Redraws only the words whose marking changed in the visible paragraphs.
  void DrawMarkings();

  // Replaces the user markings by the one range and redraws the markings; nothing happens when
  // exactly this range is the only user marking.
  void SetUserMarking(int32_t from, int32_t to);
  void ClearUserMarkings() { user_.Clear(); }
  void AddHitMarking(const TFundMarkierung& hit) { hit_.Add(hit); }
  void ClearHitMarkings() { hit_.Clear(); }
  // Printer documents only; words outside the range are not drawn.
  void SetPrintRange(int32_t from, int32_t to);
  const TMarkierungen& UserMarkings() const { return user_; }
  const TMarkierungen& HitMarkings() const { return hit_; }
  const TMarkierungen& PrintRange() const { return print_; }

  // Words of the visible paragraphs; none for an empty document.
  const TWortListRecord* WordAt(int32_t x, int32_t y) const;
  const TWortListRecord* FirstVisibleWord() const;
  const TWortListRecord* LastWordOfFirstVisibleLine() const;
  const TWortListRecord* LastVisibleWord() const;
  // The paragraph holding a word, none when the word is not loaded.
  const TAbsatz* ParagraphOf(const TWortListRecord* word) const;

  // First position of the line after (before) the current one; -1 asks the owner to load the
  // next (previous) paragraph and ask again. -1 for an empty document.
  int32_t NextLineStart() const;
  int32_t PreviousLineStart() const;
  // Height of the current line with its spacing (the paragraph's height without lines).
  int32_t CurrentLineHeight() const;
  // The first visible paragraph containing the position, none when no visible one does.
  const TAbsatz* ParagraphAt(int32_t position) const;
  // Height of all loaded paragraphs, each from its current line.
  int32_t TotalHeight() const;
  // Height of the paragraphs from the first visible one.
  int32_t HeightFromCurrent() const;

  // When the loaded paragraphs exceed client height x cache factor, keeps only the visible
  // ones. Tells whether paragraphs were removed.
  bool Trim();
  // Removes the paragraphs, the user markings and the print range; hit markings stay.
  void Clear();

 private:
  std::unique_ptr<TAbsatz> MakeParagraph(std::string_view text, int32_t start) const;
  bool FirstValid() const { return first_ >= 0 && first_ < Count(); }
  bool LastValid() const { return last_ >= first_ && last_ < Count(); }
  // Raises code_first / code_last when the visible range is invalid.
  void CheckVisible(const char* code_first, const char* code_last) const;
  int32_t ClientHeight() const { return settings_.Client.Bottom - settings_.Client.Top; }

  Canvas* canvas_;
  const ColourTables* colours_;
  ParagraphSettings settings_;
  int32_t cache_factor_ = 3;
  int32_t first_ = -1;
  int32_t last_ = -1;
  int32_t current_ = -1;
  TMarkierungen user_;
  TMarkierungen hit_;
  TMarkierungen print_;
  std::vector<std::unique_ptr<TAbsatz>> paragraphs_;
};

}  // namespace quillmar
