#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/canvas.h"

namespace quillmar::test {

// A deterministic canvas for layout tests. Every font measures height 20, ascent 16, descent 4,
// overhang 0 unless set otherwise; bytes are 10 pixels wide each (settable per font), wide
// characters 10 pixels; margin pictures are 8 pixels high. Every drawing call is recorded.
class FixedCanvas : public Canvas {
 public:
  struct Op {
    enum Kind { kFill, kText, kWide, kPicture } kind = kFill;
    Rect rect;                                               // kFill
    int32_t x = 0, y = 0;                                    // kText, kWide, kPicture
    std::string text;                                        // kText
    std::u16string wide;                                     // kWide
    uint8_t charset = 0;                                     // kText
    Color colour = 0;                                        // kFill, kText, kWide
    int font = 0;                                            // font current at the call
    bool printer = false;                                    // font set current at the call
    MarginPictureKind picture = MarginPictureKind::kNoRoom;  // kPicture
  };

  void SetMetrics(int font, bool printer, const TextMetric& metric);
  // Byte width of font 1..18 for TextWidth (both sets).
  void SetCharWidth(int font, int32_t width);
  // Makes Metrics of this font (both sets) raise "Can't dectect text metrics.".
  void FailMetrics(int font);

  void ClearOps() { ops.clear(); }
  int font() const { return font_; }
  bool printer() const { return printer_; }

  void SelectFont(int font, bool printer) override;
  TextMetric Metrics(int font, bool printer) override;
  int32_t TextWidth(std::string_view bytes, uint8_t charset) override;
  int32_t WideTextWidth(std::u16string_view text) override;
  void FillRect(const Rect& rect, Color colour) override;
  void DrawText(int32_t x, int32_t y, std::string_view bytes, uint8_t charset,
                Color colour) override;
  void DrawWideText(int32_t x, int32_t y, std::u16string_view text, Color colour) override;
  void DrawPicture(int32_t x, int32_t y, MarginPictureKind picture) override;
  int32_t PictureHeight(MarginPictureKind picture) override;

  std::vector<Op> ops;

 private:
  Op NewOp(Op::Kind kind) const;

  int font_ = 1;
  bool printer_ = false;
  std::map<std::pair<int, bool>, TextMetric> metrics_;
  std::map<int, int32_t> char_widths_;
  std::set<int> failing_;
};

}  // namespace quillmar::test
