#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// Stream bytes rendered as plain text for copying and export: codes removed, page, line and
// other numbers, labels, margin notes, link numbers and texts and table bodies left out (a
// table yields its title). A paragraph separator and a line-number code each become CR LF. An
// escape byte as the last byte ends the rendering.
std::string PlainText(std::string_view bytes);

}  // namespace quillmar
