#include "text/picture_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace quillmar {
namespace {

using Action = PictureView::ScrollAction;

std::string Str(const Rect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) +
         "," + std::to_string(r.Bottom);
}

PictureView View(int32_t bw, int32_t bh, int32_t aw, int32_t ah) {
  PictureView v;
  v.SetArea(aw, ah);
  v.SetBitmap(bw, bh);
  return v;
}

TEST(PictureViewTest, FitKeepsAspectRatioAndZoomStepsUseSourceOrDestination) {
  EXPECT_EQ(Str(View(50, 200, 100, 100).Destination()), "37,0,62,100");
  PictureView small = View(16, 12, 400, 300);  // enlarged
  small.SetArea(200, 300);
  EXPECT_EQ(Str(small.Destination()), "0,75,200,225");

  PictureView v = View(200, 100, 100, 100);
  EXPECT_EQ(Str(v.Destination()), "0,25,100,75");
  // "-" on the whole bitmap shrinks the destination; "+" grows it by 1.1 up to the fitted size.
  v.ZoomOut();
  EXPECT_EQ(Str(v.Destination()), "5,27,95,72");
  v.ZoomOut();
  v.ZoomOut();
  const int32_t shrunk = v.Destination().Right - v.Destination().Left;
  v.ZoomIn();
  EXPECT_EQ(v.Destination().Right - v.Destination().Left, std::lround(shrunk * 1.1));
  for (int i = 0; i < 5 && Str(v.Destination()) != "0,25,100,75"; ++i) v.ZoomIn();
  EXPECT_EQ(Str(v.Destination()), "0,25,100,75");
  EXPECT_EQ(Str(v.Source()), "0,0,200,100");
  // "+" at the edge shows less of the bitmap, centred; "-" grows it back to the whole bitmap.
  v.ZoomIn();
  EXPECT_EQ(Str(v.Source()), "10,5,190,95");
  EXPECT_EQ(Str(v.Destination()), "0,25,100,75");
  v.ZoomOut();
  EXPECT_EQ(Str(v.Source()), "1,1,199,100");
  v.ZoomOut();  // clamped to the whole bitmap
  EXPECT_EQ(Str(v.Source()), "0,0,200,100");
}

TEST(PictureViewTest, ScrollingStaysInsideTheBitmap) {
  PictureView v = View(140, 700, 100, 100);
  for (Action a : {Action::kLineDown, Action::kPageDown, Action::kThumb}) {
    v.ScrollVertical(a, 60);
    EXPECT_EQ(Str(v.Source()), "0,0,140,700");  // shown whole: nothing moves
  }
  for (int i = 0; i < 7; ++i) v.ZoomIn();
  const int32_t h = v.Source().Bottom - v.Source().Top;
  const int32_t w = v.Source().Right - v.Source().Left;
  v.ScrollVertical(Action::kThumb, 0);
  v.ScrollVertical(Action::kLineDown);
  v.ScrollVertical(Action::kPageDown);
  EXPECT_EQ(v.Source().Top, h / 7 + h / 2);
  v.ScrollVertical(Action::kPageUp);
  v.ScrollVertical(Action::kPageUp);
  EXPECT_EQ(v.Source().Top, 0);
  v.ScrollVertical(Action::kThumb, 20);
  EXPECT_EQ(v.Source().Top, 140);
  EXPECT_EQ(v.VerticalPercent(), 20);
  v.ScrollVertical(Action::kThumb, 100);
  EXPECT_EQ(v.Source().Bottom, 700);
  EXPECT_EQ(v.VerticalPercent(), std::lround((700.0 - h) / 7.0));
  v.ScrollHorizontal(Action::kThumb, 100);
  v.ScrollHorizontal(Action::kLineUp);
  EXPECT_EQ(v.Source().Left, 140 - w - w / 7);
  EXPECT_EQ(v.HorizontalPercent(), std::lround((140.0 - w - w / 7) / 1.4));
  EXPECT_EQ(Str(v.Destination()), Str(View(w, h, 100, 100).Destination()));
}

TEST(PictureViewTest, DegenerateSizesNeverDivideByZeroOrGoNegative) {
  PictureView empty = View(0, 0, 100, 100);
  empty.ZoomIn();
  empty.ScrollVertical(Action::kThumb, 50);
  EXPECT_EQ(Str(empty.Source()) + " " + Str(empty.Destination()), "0,0,0,0 0,0,0,0");
  EXPECT_EQ(empty.VerticalPercent(), 0);
  PictureView noArea = View(30, 20, -5, 40);
  noArea.ZoomOut();
  EXPECT_EQ(Str(noArea.Source()) + " " + Str(noArea.Destination()), "0,0,30,20 0,0,0,0");
  EXPECT_EQ(Str(View(10000, 1, 100, 100).Destination()), "0,49,100,50");

  // Any sequence of steps keeps both rectangles non-empty and inside bitmap and area.
  std::mt19937 random(7);
  auto below = [&](int n) { return static_cast<int32_t>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 200; ++round) {
    const int32_t bw = 1 + below(50), bh = 1 + below(50);
    PictureView v = View(bw, bh, 1 + below(40), 1 + below(40));
    for (int step = 0; step < 60; ++step) {
      const int kind = below(5);
      if (kind == 0) v.ZoomIn();
      if (kind == 1) v.ZoomOut();
      if (kind == 2) v.ScrollVertical(static_cast<Action>(below(5)), below(101));
      if (kind == 3) v.ScrollHorizontal(static_cast<Action>(below(5)), below(101));
      if (kind == 4) v.SetArea(below(40), below(40));
      const Rect& s = v.Source();
      ASSERT_TRUE(0 <= s.Left && s.Left < s.Right && s.Right <= bw) << Str(s);
      ASSERT_TRUE(0 <= s.Top && s.Top < s.Bottom && s.Bottom <= bh) << Str(s);
      const Rect& d = v.Destination();
      if (v.AreaWidth() == 0 || v.AreaHeight() == 0) {
        ASSERT_EQ(Str(d), "0,0,0,0");
      } else {
        ASSERT_TRUE(0 <= d.Left && d.Left < d.Right && d.Right <= v.AreaWidth()) << Str(d);
        ASSERT_TRUE(0 <= d.Top && d.Top < d.Bottom && d.Bottom <= v.AreaHeight()) << Str(d);
      }
    }
  }
}

}  // namespace
}  // namespace quillmar
