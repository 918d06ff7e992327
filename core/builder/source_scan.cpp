#include "builder/source_scan.h"

#include "base/errors.h"
#include "base/roman.h"

namespace quillmar::builder {

void RaiseSourceError(const SourcePlace& place, const std::string& what) {
  std::string m = place.file + ":" + std::to_string(place.line);
  if (place.column > 0) m += ":" + std::to_string(place.column);
  throw Exception(m + ": " + what);
}

size_t FirstBadUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80                   ? 1
                 : (b >= 0xC2 && b <= 0xDF) ? 2
                 : (b >= 0xE0 && b <= 0xEF) ? 3
                 : (b >= 0xF0 && b <= 0xF4) ? 4
                                            : 0;
    if (len == 0 || i + len > s.size()) return i;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
    const auto b1 = static_cast<unsigned char>(len > 1 ? s[i + 1] : 0);
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0) || (b == 0xF0 && b1 < 0x90) ||
        (b == 0xF4 && b1 >= 0x90))
      return i;
    i += len;
  }
  return std::string_view::npos;
}

int ColumnOf(std::string_view line, size_t offset) {
  int col = 1;
  for (size_t i = 0; i < offset && i < line.size(); ++i)
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++col;
  return col;
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool ParseInt(std::string_view s, int64_t lo, int64_t hi, int32_t& out) {
  bool neg = false;
  if (!s.empty() && s.front() == '-') {
    neg = true;
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 10) return false;
  int64_t v = 0;
  for (char c : s) {
    if (!IsDigit(c)) return false;
    v = v * 10 + (c - '0');
  }
  if (neg) v = -v;
  if (v < lo || v > hi) return false;
  out = static_cast<int32_t>(v);
  return true;
}

int32_t RomanValue(std::string_view s) {
  if (s.empty() || s.size() > 20) return 0;
  auto value = [](char c) {
    switch (c | 0x20) {
      case 'i':
        return 1;
      case 'v':
        return 5;
      case 'x':
        return 10;
      case 'l':
        return 50;
      case 'c':
        return 100;
      case 'd':
        return 500;
      case 'm':
        return 1000;
      default:
        return 0;
    }
  };
  int32_t total = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const int v = value(s[i]);
    if (v == 0) return 0;
    const int next = i + 1 < s.size() ? value(s[i + 1]) : 0;
    total += next > v ? -v : v;
  }
  // Accept only the canonical spelling (with up to four equal letters in a row, "IIII").
  if (total <= 0 || total >= 5000) return 0;
  std::string upper(s);
  for (char& c : upper) c = static_cast<char>(c & ~0x20);
  const std::string canonical = RomanNumeral(total);
  if (canonical == upper) return total;
  // "IIII", "XXXX", "CCCC": the additive forms of 4, 40 and 400.
  std::string additive = canonical;
  for (const auto& [from, to] :
       {std::pair<const char*, const char*>{"CD", "CCCC"}, {"XL", "XXXX"}, {"IV", "IIII"}}) {
    const size_t at = additive.find(from);
    if (at != std::string::npos) additive.replace(at, 2, to);
  }
  return additive == upper ? total : 0;
}

}  // namespace quillmar::builder
