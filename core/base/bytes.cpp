#include "base/bytes.h"

#include <algorithm>
#include <charconv>

namespace quillmar {

int32_t ReadInt32(std::span<const uint8_t> record, size_t offset) {
  const uint32_t v = uint32_t(record[offset]) | uint32_t(record[offset + 1]) << 8 |
                     uint32_t(record[offset + 2]) << 16 | uint32_t(record[offset + 3]) << 24;
  return static_cast<int32_t>(v);
}

uint16_t ReadUInt16(std::span<const uint8_t> record, size_t offset) {
  return static_cast<uint16_t>(record[offset] | record[offset + 1] << 8);
}

void WriteInt32(std::span<uint8_t> record, size_t offset, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

void WriteUInt16(std::span<uint8_t> record, size_t offset, uint16_t value) {
  record[offset] = static_cast<uint8_t>(value);
  record[offset + 1] = static_cast<uint8_t>(value >> 8);
}

std::string ReadShortString(std::span<const uint8_t> record, size_t offset, size_t capacity) {
  const size_t len = std::min<size_t>(record[offset], capacity);
  const auto* first = reinterpret_cast<const char*>(record.data() + offset + 1);
  return std::string(first, len);
}

void WriteShortString(std::span<uint8_t> record, size_t offset, size_t capacity,
                      std::string_view value) {
  const size_t len = std::min({value.size(), capacity, size_t{255}});
  record[offset] = static_cast<uint8_t>(len);
  std::copy_n(value.begin(), len, record.begin() + static_cast<std::ptrdiff_t>(offset + 1));
  std::fill_n(record.begin() + static_cast<std::ptrdiff_t>(offset + 1 + len), capacity - len,
              uint8_t{0});
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

bool SameCDID(std::string_view a, std::string_view b) {
  return UpperAscii(Trim(a)) == UpperAscii(Trim(b));
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  const std::string t = Trim(text);
  int32_t out = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return out;
}

std::string ReplaceFirst(std::string_view s, std::string_view what, std::string_view with) {
  const size_t at = what.empty() ? std::string_view::npos : s.find(what);
  if (at == std::string_view::npos) return std::string(s);
  std::string out(s.substr(0, at));
  out.append(with);
  out.append(s.substr(at + what.size()));
  return out;
}

}  // namespace quillmar
