#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <array>
#include <optional>

#include "text/canvas.h"
#include "text/font_table.h"

class QPainter;

namespace quillmar {

class TextStyle;

// The drawing surface on a QPainter: a widget being painted, a QImage or a QPrinter page. It
// holds one QFont per font of the text style's screen and printer sets.
//
// Font sizes of the font table are points. Each font is created with a pixel size of
// size × (the device's vertical logical resolution) / 72, rounded, at least 1, so that the
// metrics and widths come out in the device's own pixels: 96 dpi for an image or a normal
// screen, the printer's resolution for a printer page. Both sets follow that rule on whatever
// device the canvas paints on; the printer set is meant for a printer page.
//
// Bytes are turned into Unicode by their charset: 161 Windows-1253 (Greek), 177 Windows-1255
// (Hebrew), anything else Windows-1252. Colours are Windows values 0x00BBGGRR.
class QtCanvas : public Canvas {
 public:
  static constexpr int kPictureSize = 16;

  // `painter` is active on its device and outlives the canvas. Fonts are built from `style`
  // now; call SetFonts after the style changed.
  QtCanvas(QPainter& painter, const TextStyle& style);

  void SetFonts(const TextStyle& style);

  // Builds the QFont of one font table entry for a device of `dpi` dots per inch.
  static QFont MakeFont(const FontTable::Font& font, int dpi);
  static QColor ToQColor(Color colour);
  static QString ToQString(std::string_view bytes, uint8_t charset);
  static QString ToQString(std::u16string_view text);

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

 private:
  using FontSet = std::array<QFont, FontTable::kCount>;

  const QFont* FontAt(int font, bool printer) const;
  const QFontMetrics& CurrentMetrics();
  void DrawString(int32_t x, int32_t y, const QString& text, Color colour);

  QPainter& painter_;
  int dpi_;
  FontSet screen_;
  FontSet printer_set_;
  int font_ = 3;
  bool printer_ = false;
  std::optional<QFontMetrics> current_metrics_;  // of the current font; reset on each change
};

}  // namespace quillmar
