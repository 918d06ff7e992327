#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// A Windows colour value, 0x00BBGGRR (the form the settings store colours in).
using Color = uint32_t;

struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// Height, ascent, descent and overhang of one font, in canvas pixels.
struct TextMetric {
  int32_t Height = 0;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t Overhang = 0;
};

// The two small pictures of the margin column: words did not fit ("keinplatzmehr") and the
// pending words were dropped in favour of the line's own ("nachoben").
enum class MarginPictureKind { kNoRoom, kMovedUp };

// A drawing surface: the screen widget, an image or a printer page. Fonts are the 18 fonts of
// the font table, one set for the screen and one for the printer; which set a canvas uses is
// the caller's choice per call. Bytes are drawn in a charset: 0 (Windows-1252), 161 (Greek,
// Windows-1253) or 177 (Hebrew, Windows-1255); wide text is UTF-16 (Greek shown in Unicode).
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Makes font 1..18 of the screen or printer set current for measuring and drawing.
  virtual void SelectFont(int font, bool printer) = 0;
  // Metrics of font 1..18 of the screen or printer set. Raises Exception
  // "Can't dectect text metrics." when the font cannot be measured.
  virtual TextMetric Metrics(int font, bool printer) = 0;
  // Width of bytes in the current font drawn in the charset.
  virtual int32_t TextWidth(std::string_view bytes, uint8_t charset) = 0;
  // Width of wide text in the current font; 0 or less when it cannot be measured.
  virtual int32_t WideTextWidth(std::u16string_view text) = 0;

  virtual void FillRect(const Rect& rect, Color colour) = 0;
  // Draws bytes with their top-left corner at (x, y) in the current font.
  virtual void DrawText(int32_t x, int32_t y, std::string_view bytes, uint8_t charset,
                        Color colour) = 0;
  virtual void DrawWideText(int32_t x, int32_t y, std::u16string_view text, Color colour) = 0;
  // Draws a margin picture with its top-left corner at (x, y).
  virtual void DrawPicture(int32_t x, int32_t y, MarginPictureKind picture) = 0;
  virtual int32_t PictureHeight(MarginPictureKind picture) = 0;
};

}  // namespace quillmar
