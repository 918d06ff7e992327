#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Stream bytes rendered as plain text for copying and export: codes removed, page, line and
// other numbers, labels, margin notes, link numbers and texts and table bodies left out (a
// table yields its title). A paragraph separator and a line-number code each become CR LF. An
// escape byte as the last byte ends the rendering.
std::string PlainText(std::string_view bytes);

// The same rendering as UTF-8. With `unicodeGreek` the text in the Greek font is shown as
// precomposed Unicode Greek (NFC), word part by word part, as the reader shows it; otherwise as
// its transliteration. `startsInGreek`: the bytes continue a part in the Greek font (a word
// taken out of its paragraph).
std::string PlainTextUtf8(std::string_view bytes, bool unicodeGreek, bool startsInGreek = false);

}  // namespace quillmar
