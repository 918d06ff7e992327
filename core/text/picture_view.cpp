#include "text/picture_view.h"

#include <algorithm>
#include <cmath>

namespace quillmar {

namespace {

int32_t Width(const Rect& r) { return r.Right - r.Left; }
int32_t Height(const Rect& r) { return r.Bottom - r.Top; }

// size x factor rounded, at least one pixel different from size, within 1..limit.
int32_t Scaled(int32_t size, double factor, int32_t limit) {
  int64_t scaled = std::llround(static_cast<double>(size) * factor);
  if (factor < 1.0) scaled = std::min<int64_t>(scaled, int64_t{size} - 1);
  if (factor > 1.0) scaled = std::max<int64_t>(scaled, int64_t{size} + 1);
  return static_cast<int32_t>(std::clamp<int64_t>(scaled, 1, std::max(limit, 1)));
}

// Moves [start, start + size) to begin at `start` and pushes it back inside [0, limit).
void Place(int32_t& start, int32_t& end, int64_t wanted, int32_t size, int32_t limit) {
  if (wanted + size > limit) wanted = int64_t{limit} - size;
  if (wanted < 0) wanted = 0;
  start = static_cast<int32_t>(wanted);
  end = start + size;
}

int32_t Percent(int32_t position, int32_t size) {
  if (size <= 0) return 0;
  return static_cast<int32_t>(std::lround(static_cast<double>(position) / size * 100.0));
}

// The step of a scroll action over a source of `size` pixels in a bitmap of `limit` pixels;
// the new start for a thumb position.
int64_t Target(PictureView::ScrollAction action, int32_t start, int32_t size, int32_t limit,
               int32_t thumbPercent) {
  using Action = PictureView::ScrollAction;
  const int32_t line = std::max(1, size / PictureView::kLineDivisor);
  const int32_t page = std::max(1, size / PictureView::kPageDivisor);
  switch (action) {
    case Action::kLineUp:
      return int64_t{start} - line;
    case Action::kLineDown:
      return int64_t{start} + line;
    case Action::kPageUp:
      return int64_t{start} - page;
    case Action::kPageDown:
      return int64_t{start} + page;
    case Action::kThumb:
      return std::llround(static_cast<double>(limit) * thumbPercent / 100.0);
  }
  return start;
}

}  // namespace

void PictureView::SetBitmap(int32_t width, int32_t height) {
  bitmap_width_ = std::max(width, 0);
  bitmap_height_ = std::max(height, 0);
  source_ = Empty() ? Rect{} : Rect{0, 0, bitmap_width_, bitmap_height_};
  Fit();
}

void PictureView::SetArea(int32_t width, int32_t height) {
  area_width_ = std::max(width, 0);
  area_height_ = std::max(height, 0);
  Fit();
}

void PictureView::Fit() {
  if (Empty() || AreaEmpty()) {
    destination_ = Rect{};
    return;
  }
  const int64_t sw = Width(source_);
  const int64_t sh = Height(source_);
  int32_t w = area_width_;
  int32_t h = area_height_;
  if (sw * area_height_ >= sh * area_width_) {
    h = static_cast<int32_t>(std::clamp<int64_t>(
        std::llround(static_cast<double>(sh) * area_width_ / static_cast<double>(sw)), 1,
        area_height_));
  } else {
    w = static_cast<int32_t>(std::clamp<int64_t>(
        std::llround(static_cast<double>(sw) * area_height_ / static_cast<double>(sh)), 1,
        area_width_));
  }
  const int32_t left = (area_width_ - w) / 2;
  const int32_t top = (area_height_ - h) / 2;
  destination_ = Rect{left, top, left + w, top + h};
}

bool PictureView::DestinationTouchesEdge() const {
  return destination_.Left <= 0 || destination_.Top <= 0 || destination_.Right >= area_width_ ||
         destination_.Bottom >= area_height_;
}

bool PictureView::SourceCoversBitmap() const {
  return Width(source_) >= bitmap_width_ && Height(source_) >= bitmap_height_;
}

void PictureView::ZoomIn() {
  if (Empty() || AreaEmpty()) return;
  if (DestinationTouchesEdge()) {
    ScaleSource(kZoomInFactor);
    Fit();
  } else {
    ScaleDestination(kZoomOutFactor);
  }
}

void PictureView::ZoomOut() {
  if (Empty() || AreaEmpty()) return;
  if (SourceCoversBitmap()) {
    ScaleDestination(kZoomInFactor);
  } else {
    ScaleSource(kZoomOutFactor);
    Fit();
  }
}

void PictureView::ScaleSource(double factor) {
  const int32_t w = Width(source_);
  const int32_t h = Height(source_);
  const int32_t nw = Scaled(w, factor, bitmap_width_);
  const int32_t nh = Scaled(h, factor, bitmap_height_);
  Place(source_.Left, source_.Right, int64_t{source_.Left} + (w - nw) / 2, nw, bitmap_width_);
  Place(source_.Top, source_.Bottom, int64_t{source_.Top} + (h - nh) / 2, nh, bitmap_height_);
}

void PictureView::ScaleDestination(double factor) {
  const Rect current = destination_;
  Fit();
  const Rect fitted = destination_;
  const int32_t w = Scaled(Width(current), factor, Width(fitted));
  const int32_t h = Scaled(Height(current), factor, Height(fitted));
  // Growing up to the fitted size in one dimension gives the fitted rectangle itself, so the
  // aspect ratio survives the clamping.
  if (factor > 1.0 && (w >= Width(fitted) || h >= Height(fitted))) return;
  const int32_t left = (area_width_ - w) / 2;
  const int32_t top = (area_height_ - h) / 2;
  destination_ = Rect{left, top, left + w, top + h};
}

void PictureView::ScrollVertical(ScrollAction action, int32_t thumbPercent) {
  if (Empty()) return;
  const int32_t h = Height(source_);
  Place(source_.Top, source_.Bottom, Target(action, source_.Top, h, bitmap_height_, thumbPercent),
        h, bitmap_height_);
}

void PictureView::ScrollHorizontal(ScrollAction action, int32_t thumbPercent) {
  if (Empty()) return;
  const int32_t w = Width(source_);
  Place(source_.Left, source_.Right, Target(action, source_.Left, w, bitmap_width_, thumbPercent),
        w, bitmap_width_);
}

int32_t PictureView::VerticalPercent() const { return Percent(source_.Top, bitmap_height_); }
int32_t PictureView::HorizontalPercent() const { return Percent(source_.Left, bitmap_width_); }

}  // namespace quillmar
