#include "text/font_table.h"

#include <cstdlib>

namespace quillmar {

namespace {

using Entry = FontTable::Entry;

// code, percent, initial size, italic, bold, link colour, charset
constexpr Entry kEntries[FontTable::kCount] = {
    {0x01, 153, 22, false, false, false, 0},    // heading level 1
    {0x02, 127, 19, false, false, false, 0},    // heading level 2
    {0x03, 100, 15, false, false, false, 0},    // body text
    {0x04, 147, 23, false, false, false, 0},    // font 4: no fixed use
    {0x05, 93, 14, false, false, false, 0},     // font 5: no fixed use
    {0x06, 100, 15, true, false, false, 0},     // emphasis
    {0x07, 100, 15, false, true, true, 0},      // bold link
    {0x08, 93, 15, false, false, true, 0},      // text of links
    {0x09, 100, 15, false, false, false, 0},    // heading level 3
    {0x0A, 95, 15, false, false, false, 0},     // font 10: no fixed use
    {'Z', 73, 12, false, false, false, 0},      // margin column
    {'[', 73, 12, false, false, false, 0},      // font 12: no fixed use
    {'\\', 100, 15, false, true, false, 0},     // bold
    {']', 100, 15, false, false, false, 161},   // Greek
    {'^', 85, 12, false, false, false, 0},      // small
    {'_', 85, 12, true, false, false, 0},       // small italic
    {'`', 85, 12, false, true, false, 0},       // small bold
    {'a', 100, 15, false, false, false, 177}};  // Hebrew

constexpr int kGreekFontNumber = 14;
constexpr int kHebrewFontNumber = 18;

void SetFixed(FontTable::Font& font, const Entry& entry, uint32_t link_colour) {
  font.italic = entry.italic;
  font.bold = entry.bold;
  font.colour = entry.link_colour ? link_colour : 0;
  font.charset = entry.charset;
}

}  // namespace

const Entry& FontTable::EntryOf(int n) { return kEntries[n - 1]; }

std::string FontTable::DefaultRelations() {
  std::string out;
  for (const Entry& s : kEntries) {
    if (!out.empty()) out += ' ';
    out += std::to_string(s.default_percent);
  }
  return out;
}

std::array<int, FontTable::kCount> FontTable::ParseRelations(std::string_view relations) {
  std::array<int, kCount> out;
  out.fill(100);
  size_t i = 0;
  for (int n = 0; n < kCount; ++n) {
    while (i < relations.size() && relations[i] == ' ') ++i;
    if (i >= relations.size()) break;
    const size_t begin = i;
    while (i < relations.size() && relations[i] != ' ') ++i;
    const std::string_view item = relations.substr(begin, i - begin);
    size_t k = (item[0] == '-' || item[0] == '+') ? 1 : 0;
    bool ok = k < item.size() && item.size() - k <= 9;  // at most 9 digits: no overflow
    for (; ok && k < item.size(); ++k) ok = item[k] >= '0' && item[k] <= '9';
    if (ok) out[static_cast<size_t>(n)] = std::atoi(std::string(item).c_str());
  }
  return out;
}

int FontTable::ScaledSize(int base, int percent) {
  const int64_t product = std::llabs(int64_t{base}) * int64_t{percent};
  const int64_t magnitude = std::llabs(product);
  int64_t q = magnitude / 100;
  const int64_t r = magnitude % 100;
  if (r > 50 || (r == 50 && q % 2 == 1)) ++q;
  return static_cast<int>(product < 0 ? -q : q);
}

FontTable::FontTable() {
  for (int n = 1; n <= kCount; ++n) {
    Font& f = fonts_[static_cast<size_t>(n - 1)];
    f.face = kInitialFace;
    f.size = kEntries[n - 1].initial_size;
    SetFixed(f, kEntries[n - 1], 0);
  }
}

void FontTable::Apply(const Settings& settings) {
  const std::array<int, kCount> percents = ParseRelations(settings.relations);
  for (int n = 1; n <= kCount; ++n) {
    Font& f = fonts_[static_cast<size_t>(n - 1)];
    if (n != kHebrewFontNumber) f.face = settings.face;
    if (n == kGreekFontNumber && settings.unicode_greek) f.face = settings.greek_face;
    SetFixed(f, kEntries[n - 1], settings.link_colour);
    f.size = ScaledSize(settings.base_size, percents[static_cast<size_t>(n - 1)]);
  }
}

}  // namespace quillmar
