#include "support/fixed_canvas.h"

#include "base/errors.h"
#include "text/font_table.h"

namespace quillmar::test {

namespace {
constexpr int32_t kDefaultCharWidth = 10;
constexpr int32_t kPictureHeight = 8;
}  // namespace

void FixedCanvas::SetMetrics(int font, bool printer, const TextMetric& metric) {
  metrics_[{font, printer}] = metric;
}

void FixedCanvas::SetCharWidth(int font, int32_t width) { char_widths_[font] = width; }

void FixedCanvas::FailMetrics(int font) { failing_.insert(font); }

void FixedCanvas::SelectFont(int font, bool printer) {
  font_ = font;
  printer_ = printer;
}

TextMetric FixedCanvas::Metrics(int font, bool printer) {
  if (failing_.count(font) != 0) throw Exception(FontTable::kMetricsError);
  auto it = metrics_.find({font, printer});
  if (it != metrics_.end()) return it->second;
  TextMetric metric;
  metric.Height = 20;
  metric.Ascent = 16;
  metric.Descent = 4;
  metric.Overhang = 0;
  return metric;
}

int32_t FixedCanvas::TextWidth(std::string_view bytes, uint8_t /*charset*/) {
  auto it = char_widths_.find(font_);
  const int32_t width = it != char_widths_.end() ? it->second : kDefaultCharWidth;
  return width * static_cast<int32_t>(bytes.size());
}

int32_t FixedCanvas::WideTextWidth(std::u16string_view text) {
  return kDefaultCharWidth * static_cast<int32_t>(text.size());
}

FixedCanvas::Op FixedCanvas::NewOp(Op::Kind kind) const {
  Op op;
  op.kind = kind;
  op.font = font_;
  op.printer = printer_;
  return op;
}

void FixedCanvas::FillRect(const Rect& rect, Color colour) {
  Op op = NewOp(Op::kFill);
  op.rect = rect;
  op.colour = colour;
  ops.push_back(std::move(op));
}

void FixedCanvas::DrawText(int32_t x, int32_t y, std::string_view bytes, uint8_t charset,
                           Color colour) {
  Op op = NewOp(Op::kText);
  op.x = x;
  op.y = y;
  op.text = std::string(bytes);
  op.charset = charset;
  op.colour = colour;
  ops.push_back(std::move(op));
}

void FixedCanvas::DrawWideText(int32_t x, int32_t y, std::u16string_view text, Color colour) {
  Op op = NewOp(Op::kWide);
  op.x = x;
  op.y = y;
  op.wide = std::u16string(text);
  op.colour = colour;
  ops.push_back(std::move(op));
}

void FixedCanvas::DrawPicture(int32_t x, int32_t y, MarginPictureKind picture) {
  Op op = NewOp(Op::kPicture);
  op.x = x;
  op.y = y;
  op.picture = picture;
  ops.push_back(std::move(op));
}

int32_t FixedCanvas::PictureHeight(MarginPictureKind /*picture*/) { return kPictureHeight; }

}  // namespace quillmar::test
