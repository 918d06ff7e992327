#pragma once

#include <cstdint>

namespace quillmar::gui {

// The layers of a text: each has its own stream file; the footnotes and the scholia/remarks are
// shown in companion windows beside the main text.
inline constexpr int32_t kMainLayer = 1;
inline constexpr int32_t kFootnoteLayer = 2;
inline constexpr int32_t kScholiaLayer = 3;

}  // namespace quillmar::gui
