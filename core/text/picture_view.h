#pragma once

#include <cstdint>

#include "text/canvas.h"

namespace quillmar {

// The geometry of a picture window: which part of the bitmap is shown (the source rectangle, in
// bitmap pixels) and where it is drawn inside the picture area (the destination rectangle, in
// area pixels). Rectangles are left, top, right, bottom with right and bottom exclusive, so
// width = right - left.
//
// The destination is centred in the area. A fitted destination fills the area in one dimension
// and keeps the source's aspect ratio in the other. An empty bitmap or an empty area gives empty
// rectangles; no operation then changes anything.
class PictureView {
 public:
  enum class ScrollAction { kLineUp, kLineDown, kPageUp, kPageDown, kThumb };

  static constexpr double kZoomInFactor = 0.9;   // "+" on the source, "-" on the destination
  static constexpr double kZoomOutFactor = 1.1;  // "-" on the source, "+" on the destination
  static constexpr int32_t kLineDivisor = 7;     // a line step is 1/7 of the source size
  static constexpr int32_t kPageDivisor = 2;     // a page step is half the source size

  // A new bitmap: the source is all of it, the destination is fitted into the area.
  void SetBitmap(int32_t width, int32_t height);
  // A new picture area size (the window was resized): the destination is refitted.
  void SetArea(int32_t width, int32_t height);
  // Destination = the source fitted into the area.
  void Fit();

  // "+": when the destination already touches an edge of the area, the source shrinks by 0.9
  // and the destination is refitted; otherwise the destination grows by 1.1 (never beyond the
  // fitted size).
  void ZoomIn();
  // "-": when the source already covers the bitmap, the destination shrinks by 0.9; otherwise
  // the source grows by 1.1, is pushed back inside the bitmap and the destination is refitted.
  void ZoomOut();

  // Moves the source: by a line (height / 7), a page (height / 2) or to a thumb position given
  // in percent of the bitmap size; then pushes it back inside the bitmap. Line and page steps
  // move at least one pixel.
  void ScrollVertical(ScrollAction action, int32_t thumbPercent = 0);
  void ScrollHorizontal(ScrollAction action, int32_t thumbPercent = 0);

  // Scroll bar positions 0..100: round(source top / bitmap height x 100), left alike.
  int32_t VerticalPercent() const;
  int32_t HorizontalPercent() const;

  const Rect& Source() const { return source_; }
  const Rect& Destination() const { return destination_; }
  int32_t BitmapWidth() const { return bitmap_width_; }
  int32_t BitmapHeight() const { return bitmap_height_; }
  int32_t AreaWidth() const { return area_width_; }
  int32_t AreaHeight() const { return area_height_; }
  bool Empty() const { return bitmap_width_ <= 0 || bitmap_height_ <= 0; }

 private:
  bool AreaEmpty() const { return area_width_ <= 0 || area_height_ <= 0; }
  bool DestinationTouchesEdge() const;
  bool SourceCoversBitmap() const;
  // Resizes the source around its centre (at least one pixel, at most the bitmap), then pushes
  // it back inside the bitmap.
  void ScaleSource(double factor);
  // Resizes the destination around the area's centre, at least one pixel, at most fitted.
  void ScaleDestination(double factor);

  int32_t bitmap_width_ = 0;
  int32_t bitmap_height_ = 0;
  int32_t area_width_ = 0;
  int32_t area_height_ = 0;
  Rect source_;
  Rect destination_;
};

}  // namespace quillmar
