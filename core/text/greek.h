#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Converters for Greek word parts. The collection stores Greek as a Latin transliteration with
// ASCII marks written before their letter (breathing, accent, colon; see docs/greek.md). Each
// call converts one word part: a part never contains a blank, and its first characters are where
// breathings stand. Any byte sequence is accepted; bytes that form no token are dropped (Unicode)
// or passed through (code page 1253).

// The part as precomposed Unicode Greek (Greek and Coptic, Greek Extended), UTF-16.
std::u16string GreekToUnicode(std::string_view part);
// The same text as UTF-8.
std::string GreekToUtf8(std::string_view part);
// The part as monotonic Greek in bytes of Windows code page 1253 (CodePage::k1253), for fonts
// with the Greek character set. Breathings are dropped; every accent becomes the tonos.
std::string GreekToCp1253(std::string_view part);

}  // namespace quillmar
