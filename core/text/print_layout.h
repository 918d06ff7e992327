#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/roman.h"
#include "text/canvas.h"

namespace quillmar {

// Page margins of a printout, in millimetres.
struct PageMargins {
  int32_t Left = 10;
  int32_t Right = 10;
  int32_t Top = 10;
  int32_t Bottom = 10;
};

// What a printer page measures: its drawable size in device pixels and its logical resolution.
struct PrintDevice {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
};

// The text area of a printed page, in device pixels. Millimetres are converted with
// dpi / 27.1 pixels per millimetre (deliberately not 25.4: printouts keep the proportions users
// know). The top edge lies 5 mm below the top margin; that strip holds the header line.
struct PrintArea {
  static constexpr double kMillimetresPerInch = 27.1;
  static constexpr int32_t kHeaderReserve = 5;  // millimetres above the text for the header

  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t HeaderTop = 0;  // top of the header line: the top margin

  static PrintArea Of(const PrintDevice& device, const PageMargins& margins);
  Rect Bounds() const { return {Left, Top, Right, Bottom}; }
  // The margin column inside the area: |round(width / 100 x percent)|, the text window's margin
  // as a share of its width.
  int32_t TextMargin(int32_t percent) const;
};

// Rounds half to even, as the page arithmetic and margin shares do.
int32_t RoundEven(double value);

// The page of the source text a printed word stands on.
struct SourcePage {
  int32_t Number = 0;
  bool Arabic = false;
  bool operator==(const SourcePage&) const = default;
};

// One page in a header: ": 12" for an Arabic page, the Roman numeral alone ("XII") otherwise.
std::string SourcePageText(const SourcePage& page);

// The header line of a printed page: header, ", ", "Seite(n)"/"page(s)", the first page as
// SourcePageText gives it and, when the page ends on another source page, " - " and that page
// (the number, or its Roman numeral): "Title, Seite(n): 12 - 13", "Title, Seite(n)III - 2".
// Header bytes pass through
// unchanged (collection bytes); the words added are ASCII.
std::string HeaderLine(std::string_view header, const SourcePage& first, const SourcePage& last);

}  // namespace quillmar
