#include "text/print_layout.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/language.h"

namespace quillmar {

namespace {

constexpr LangText kPages{"Seite(n)", "page(s)"};

}  // namespace

int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

PrintArea PrintArea::Of(const PrintDevice& device, const PageMargins& margins) {
  const double x = device.DpiX / kMillimetresPerInch;
  const double y = device.DpiY / kMillimetresPerInch;
  PrintArea a;
  a.Left = RoundEven(margins.Left * x);
  a.HeaderTop = RoundEven(margins.Top * y);
  a.Top = a.HeaderTop + RoundEven(kHeaderReserve * y);
  a.Right = device.Width - RoundEven(margins.Right * x);
  a.Bottom = device.Height - RoundEven(margins.Bottom * y);
  return a;
}

int32_t PrintArea::TextMargin(int32_t percent) const {
  return std::abs(RoundEven(static_cast<double>(Right - Left) / 100.0 * percent));
}

std::string SourcePageText(const SourcePage& page) {
  return page.Arabic ? ": " + std::to_string(page.Number) : RomanNumeral(page.Number);
}

std::string HeaderLine(std::string_view header, const SourcePage& first, const SourcePage& last) {
  std::string line(header);
  line += ", ";
  line += Tr(kPages);
  line += SourcePageText(first);
  if (!(last == first)) {
    line += " - ";
    line += last.Arabic ? std::to_string(last.Number) : RomanNumeral(last.Number);
  }
  return line;
}

}  // namespace quillmar
