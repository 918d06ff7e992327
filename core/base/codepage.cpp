#include "base/codepage.h"

#include <array>

namespace quillmar {

namespace {

#include "base/codepage_tables.inc"

const std::array<char16_t, 128>& High(CodePage cp) {
  switch (cp) {
    case CodePage::k1253:
      return kCp1253High;
    case CodePage::k1255:
      return kCp1255High;
    case CodePage::k1252:
      break;
  }
  return kCp1252High;
}

}  // namespace

char32_t ByteToChar(unsigned char byte, CodePage cp) {
  return byte < 0x80 ? char32_t{byte} : char32_t{High(cp)[byte - 0x80]};
}

unsigned char CharToByte(char32_t ch, CodePage cp) {
  if (ch < 0x80) return static_cast<unsigned char>(ch);
  const auto& high = High(cp);
  for (size_t i = 0; i < high.size(); ++i)
    if (high[i] == ch) return static_cast<unsigned char>(0x80 + i);
  return 0;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}

char32_t DecodeUtf8(std::string_view s, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos++);
  if (lead < 0x80) return lead;
  int extra;
  char32_t ch;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    ch = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    ch = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    ch = lead & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= s.size() || (byte(pos) & 0xC0) != 0x80) return 0xFFFD;
    ch = (ch << 6) | (byte(pos++) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (ch < kMin[extra] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0xFFFD;
  return ch;
}

std::string ToUtf8(std::string_view bytes, CodePage cp) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) AppendUtf8(out, ByteToChar(static_cast<unsigned char>(c), cp));
  return out;
}

std::string FromUtf8(std::string_view utf8, CodePage cp, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t ch = DecodeUtf8(utf8, pos);
    const unsigned char b = CharToByte(ch, cp);
    out.push_back(b != 0 || ch == 0 ? static_cast<char>(b) : replacement);
  }
  return out;
}

}  // namespace quillmar
