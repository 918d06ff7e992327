#pragma once

#include <cstdint>
#include <limits>

namespace quillmar::gui {

// The margin column steps of the View menu, on the "BorderWidth" setting in pixels.
class ViewSteps {
 public:
  // w >= 20: w + trunc(w / 5) + 1; a narrower margin jumps to 30.
  // The result is held at the largest 32-bit value.
  static int32_t WiderMargin(int32_t width) {
    if (width < 20) return 30;
    const int64_t wider = int64_t{width} + width / 5 + 1;
    return wider > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(wider);
  }
  // w >= 30: w - trunc(w / 6) + 1; a narrower margin disappears (0).
  static int32_t NarrowerMargin(int32_t width) { return width >= 30 ? width - width / 6 + 1 : 0; }
};

}  // namespace quillmar::gui
