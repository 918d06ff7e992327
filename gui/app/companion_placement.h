#pragma once

#include <QRect>
#include <optional>

namespace quillmar::gui {

// Where a new footnote or scholia window goes beside its text window.
class CompanionPlacement {
 public:
  // Gap kept free between a window and the client area's right and bottom edges.
  static constexpr int kClientMargin = 4;

  // Among rectangles to the right of, below, to the left of and above `text` (in that order of
  // preference), each moved inside `client` and no larger than the client area less 4 pixels,
  // the one that covers the fewest pixels of `text` and of `other` (an open window of the other
  // companion layer). Areas count pixels inclusively.
  static QRect Place(const QRect& client, const QRect& text, const std::optional<QRect>& other);

  // Pixels of `a` that `b` covers.
  static long long Covered(const QRect& a, const QRect& b);
};

}  // namespace quillmar::gui
