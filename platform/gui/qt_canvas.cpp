#include "platform/gui/qt_canvas.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPolygon>
#include <QRect>
#include <cmath>

#include "base/codepage.h"
#include "base/errors.h"
#include "text/text_style.h"

namespace quillmar {

namespace {

constexpr int kDefaultDpi = 96;
constexpr double kPointsPerInch = 72.0;

int DeviceDpi(const QPainter& painter) {
  const QPaintDevice* device = painter.device();
  if (device == nullptr || device->logicalDpiY() <= 0) return kDefaultDpi;
  return device->logicalDpiY();
}

CodePage CodePageOf(uint8_t charset) {
  if (charset == FontTable::kGreekCharset) return CodePage::k1253;
  if (charset == FontTable::kHebrewCharset) return CodePage::k1255;
  return CodePage::k1252;
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const TextStyle& style)
    : painter_(painter), dpi_(DeviceDpi(painter)) {
  SetFonts(style);
}

void QtCanvas::SetFonts(const TextStyle& style) {
  for (int n = 1; n <= FontTable::kCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    screen_[i] = MakeFont(style.Fonts(false).FontOf(n), dpi_);
    printer_set_[i] = MakeFont(style.Fonts(true).FontOf(n), dpi_);
  }
  current_metrics_.reset();
}

QFont QtCanvas::MakeFont(const FontTable::Font& font, int dpi) {
  QFont f(ToQString(font.face, FontTable::kDefaultCharset));
  const long pixels = std::lround(std::abs(font.size) * dpi / kPointsPerInch);
  f.setPixelSize(pixels < 1 ? 1 : static_cast<int>(pixels));
  f.setItalic(font.italic);
  f.setBold(font.bold);
  return f;
}

QColor QtCanvas::ToQColor(Color colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QString QtCanvas::ToQString(std::string_view bytes, uint8_t charset) {
  const CodePage cp = CodePageOf(charset);
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  // Every character of the three code pages lies in the Basic Multilingual Plane.
  for (const char b : bytes) {
    out.append(QChar(static_cast<char16_t>(ByteToChar(static_cast<unsigned char>(b), cp))));
  }
  return out;
}

QString QtCanvas::ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

const QFont* QtCanvas::FontAt(int font, bool printer) const {
  if (font < 1 || font > FontTable::kCount) return nullptr;
  const FontSet& set = printer ? printer_set_ : screen_;
  return &set[static_cast<size_t>(font - 1)];
}

void QtCanvas::SelectFont(int font, bool printer) {
  if (FontAt(font, printer) == nullptr) return;  // out of range: the current font stays
  if (font == font_ && printer == printer_ && current_metrics_) return;
  font_ = font;
  printer_ = printer;
  current_metrics_.reset();
}

const QFontMetrics& QtCanvas::CurrentMetrics() {
  if (!current_metrics_) current_metrics_.emplace(*FontAt(font_, printer_), painter_.device());
  return *current_metrics_;
}

TextMetric QtCanvas::Metrics(int font, bool printer) {
  const QFont* f = FontAt(font, printer);
  if (f == nullptr) throw Exception(FontTable::kMetricsError);
  const QFontMetrics fm(*f, painter_.device());
  TextMetric m;
  m.Height = fm.height();
  m.Ascent = fm.ascent();
  m.Descent = fm.descent();
  m.Overhang = 0;
  if (m.Height <= 0 || m.Ascent <= 0) throw Exception(FontTable::kMetricsError);
  return m;
}

int32_t QtCanvas::TextWidth(std::string_view bytes, uint8_t charset) {
  return CurrentMetrics().horizontalAdvance(ToQString(bytes, charset));
}

int32_t QtCanvas::WideTextWidth(std::u16string_view text) {
  return CurrentMetrics().horizontalAdvance(ToQString(text));
}

void QtCanvas::FillRect(const Rect& rect, Color colour) {
  // Like the Windows call: the right and bottom edges are not filled.
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
  painter_.fillRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                    ToQColor(colour));
}

void QtCanvas::DrawString(int32_t x, int32_t y, const QString& text, Color colour) {
  painter_.save();
  painter_.setFont(*FontAt(font_, printer_));
  painter_.setPen(ToQColor(colour));
  painter_.drawText(QPoint(x, y + CurrentMetrics().ascent()), text);
  painter_.restore();
}

void QtCanvas::DrawText(int32_t x, int32_t y, std::string_view bytes, uint8_t charset,
                        Color colour) {
  DrawString(x, y, ToQString(bytes, charset), colour);
}

void QtCanvas::DrawWideText(int32_t x, int32_t y, std::u16string_view text, Color colour) {
  DrawString(x, y, ToQString(text), colour);
}

// Both pictures fill a 16 × 16 square with its top-left corner at (x, y), in dark grey on the
// background already there. "No more room": a bar with a downward arrow head below it (the
// margin words continue from the line above). "Upwards": an arrow pointing up (words above
// were dropped).
void QtCanvas::DrawPicture(int32_t x, int32_t y, MarginPictureKind picture) {
  const QColor ink(64, 64, 64);
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(ink);
  painter_.translate(x, y);
  if (picture == MarginPictureKind::kNoRoom) {
    painter_.drawRect(3, 2, 10, 2);  // bar
    painter_.drawRect(7, 4, 2, 5);   // shaft
    const QPolygon head({QPoint(3, 9), QPoint(13, 9), QPoint(8, 14)});
    painter_.drawPolygon(head);
  } else {
    const QPolygon head({QPoint(8, 1), QPoint(13, 7), QPoint(3, 7)});
    painter_.drawPolygon(head);
    painter_.drawRect(7, 7, 2, 7);  // shaft
  }
  painter_.restore();
}

int32_t QtCanvas::PictureHeight(MarginPictureKind /*picture*/) { return kPictureSize; }

}  // namespace quillmar
