#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// The Windows code pages that collection bytes come in: texts in 1252, the Greek font parts in
// 1253, the Hebrew ones in 1255. Core strings stay bytes; this module converts at the boundary.
enum class CodePage { k1252, k1253, k1255 };

// Bytes in the code page to UTF-8. Every byte maps to exactly one character.
std::string ToUtf8(std::string_view bytes, CodePage cp);
// UTF-8 to bytes of the code page; characters the code page lacks (and malformed UTF-8) become
// `replacement`.
std::string FromUtf8(std::string_view utf8, CodePage cp, char replacement = '?');

inline std::string Cp1252ToUtf8(std::string_view bytes) { return ToUtf8(bytes, CodePage::k1252); }
inline std::string Utf8ToCp1252(std::string_view utf8) { return FromUtf8(utf8, CodePage::k1252); }

// The character of one byte, and the byte of one character (0 when the code page lacks it;
// U+0000 itself is byte 0 as well).
char32_t ByteToChar(unsigned char byte, CodePage cp);
unsigned char CharToByte(char32_t ch, CodePage cp);

// Appends the UTF-8 form of a code point; decodes one code point, advancing `pos`, giving
// U+FFFD for a malformed sequence.
void AppendUtf8(std::string& out, char32_t ch);
char32_t DecodeUtf8(std::string_view utf8, size_t& pos);

}  // namespace quillmar
