#pragma once

#include <cstdint>
#include <string_view>

#include "text/canvas.h"
#include "text/colour_table.h"
#include "text/print_layout.h"

namespace quillmar {

class ParagraphCutter;
class TPPFFile;

// A printer document a print job draws on, page by page. The job draws the first page on the
// document as it is; the target ends a page and starts the next one on NewPage.
class PrintTarget {
 public:
  virtual ~PrintTarget() = default;

  // The canvas of the current page; the same object for every page.
  virtual Canvas& Surface() = 0;
  virtual PrintDevice Device() = 0;
  virtual void NewPage() = 0;
  // Draws the header line (collection bytes, Windows-1252) in "Times New Roman", 9 points, with
  // its top-left corner at (x, top).
  virtual void DrawHeader(int32_t x, int32_t top, std::string_view bytes) = 0;
};

// The layout settings of a printout.
struct PrintSettings {
  PageMargins Margins;
  int32_t MarginPercent = 0;  // margin column as a share of the text width (0: none)
  int32_t ParaBlank = 3;      // paragraph indent in blanks
  int32_t LineSpacing = 5;    // line spacing factor
  bool Blocksatz = true;      // justified by default
  bool UnicodeGreek = false;
};

struct PrintResult {
  int32_t Pages = 0;
  // False when printing stopped early: a page could not take a single line of its text (the
  // margins leave no room, or one line is taller than the text area).
  bool Complete = true;
};

// Prints a range of a stream file: every word whose start lies in first..last (text positions)
// appears at its place in the paragraph layout of the page. Each page lays out paragraphs from
// where the previous page stopped (a paragraph that does not fit continues on the next page
// with its first undrawn line) until the page is full, the stream ends or the next paragraph
// starts behind the range; the header line names the source pages of the first and the last
// word printed on it, or with `printedPages` the number of the printed page (1, 2, ...).
//
// Internal errors: "PTF-DA 001" (a printer font cannot be measured), "PTF-GA 001" (a page would
// start outside the stream), "PTF-AED 001" (a page without paragraphs), and those of the
// document model. EInOutError when the print file's stream cannot be read.
class PrintJob {
 public:
  PrintJob(PrintTarget& target, const ColourTables& colours, const PrintSettings& settings)
      : target_(target), colours_(colours), settings_(settings) {}

  // Prints first..last of the print file's stream, or the whole stream with the printed page
  // numbers in the headers.
  PrintResult Print(const TPPFFile& file, int32_t first, int32_t last, bool wholeFile);
  // Prints first..last of the stream the cutter reads; nothing when first < 1 or last < first.
  PrintResult Print(const ParagraphCutter& cutter, std::string_view header, int32_t first,
                    int32_t last, bool printedPages = false);

 private:
  void CheckMetrics();

  PrintTarget& target_;
  const ColourTables& colours_;
  PrintSettings settings_;
};

}  // namespace quillmar
