#include "gui/app/companion_placement.h"

#include <algorithm>
#include <array>

namespace quillmar::gui {
namespace {

constexpr int kMinWidth = 200;  // a companion narrower than this is hard to read
constexpr int kMinHeight = 120;

// `r` with its size capped to the client area less the margin and moved inside it.
QRect Fit(const QRect& client, QRect r) {
  const int maxW = std::max(1, client.width() - CompanionPlacement::kClientMargin);
  const int maxH = std::max(1, client.height() - CompanionPlacement::kClientMargin);
  r.setSize(QSize(std::clamp(r.width(), 1, maxW), std::clamp(r.height(), 1, maxH)));
  const int right = client.left() + maxW - 1;
  const int bottom = client.top() + maxH - 1;
  if (r.right() > right) r.moveRight(right);
  if (r.bottom() > bottom) r.moveBottom(bottom);
  if (r.left() < client.left()) r.moveLeft(client.left());
  if (r.top() < client.top()) r.moveTop(client.top());
  return r;
}

}  // namespace

long long CompanionPlacement::Covered(const QRect& a, const QRect& b) {
  const QRect common = a.intersected(b);
  if (common.isEmpty()) return 0;
  return static_cast<long long>(common.bottom() - common.top() + 1) *
         (common.right() - common.left() + 1);
}

QRect CompanionPlacement::Place(const QRect& client, const QRect& text,
                                const std::optional<QRect>& other) {
  const int sideW = std::max(kMinWidth, text.width() / 2);
  const int stackH = std::max(kMinHeight, text.height() / 3);
  const std::array<QRect, 4> candidates = {
      QRect(text.right() + 1, text.top(), sideW, text.height()),
      QRect(text.left(), text.bottom() + 1, text.width(), stackH),
      QRect(text.left() - sideW, text.top(), sideW, text.height()),
      QRect(text.left(), text.top() - stackH, text.width(), stackH),
  };
  QRect best;
  long long bestCost = -1;
  for (const QRect& candidate : candidates) {
    const QRect r = Fit(client, candidate);
    long long cost = Covered(r, text);
    if (other) cost += Covered(r, *other);
    if (bestCost < 0 || cost < bestCost) {
      best = r;
      bestCost = cost;
    }
  }
  return best;
}

}  // namespace quillmar::gui
