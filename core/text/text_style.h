#pragma once

#include <array>
#include <optional>

#include "text/canvas.h"
#include "text/colour_table.h"
#include "text/font_table.h"

namespace quillmar {

class SettingsStore;

// The text-style table: the 18 fonts once for the screen and once for the printer, the metrics
// of each font as a canvas measured them, and the screen and printer colour tables. The main
// window rebuilds it from the settings at start, after the settings dialog and after each
// font-size step; every text window draws with it.
class TextStyle {
 public:
  static constexpr int kMaxGrowSize = 80;   // Bigger only while font 3 is below this size
  static constexpr int kMinShrinkSize = 3;  // Smaller only while font 3 is above this size

  // What the table is built from.
  struct Settings {
    FontTable::Settings fonts;
    Color back_colour = 0xFFFFFF;  // normal and link background of the screen
  };

  // Reads the settings "Font", "FontSize", "Relations", "LinkColor", "BackColor" and "UCFont"
  // (writing the defaults of missing ones). `unicodeGreek` is the catalog's flag that a Unicode
  // font for Greek is set; font 14 then takes the "UCFont" face.
  static Settings ReadSettings(SettingsStore& store, bool unicodeGreek);

  // The font-size steps: the new base size from the current size of font 3, or nothing when
  // the step is not allowed (Bigger below 80 only, Smaller above 3 only).
  static std::optional<int> BiggerBaseSize(int font3Size);
  static std::optional<int> SmallerBaseSize(int font3Size);

  // Initial fonts ("verdana", initial sizes), initial colours, all metrics 0.
  TextStyle() = default;

  // Applies the settings to both font sets and the screen colour table (the printer table
  // keeps its initial colours). The metrics are left as they were; measure them next, once
  // the drawing side has created the new fonts.
  void Apply(const Settings& settings);
  // Measures the 18 fonts of both sets through the canvas. Raises Exception
  // "Can't dectect text metrics." when a font cannot be measured; the metrics measured before
  // stay unchanged then.
  void Measure(Canvas& canvas);

  const FontTable& Fonts(bool printer) const { return printer ? printer_fonts_ : screen_fonts_; }
  // Metrics of font 1..18; the caller keeps the number in range.
  const TextMetric& Metric(int font, bool printer) const;
  const ColourTables& Colours() const { return colours_; }

 private:
  using Metrics = std::array<TextMetric, FontTable::kCount>;

  FontTable screen_fonts_;
  FontTable printer_fonts_;
  Metrics screen_metrics_{};
  Metrics printer_metrics_{};
  ColourTables colours_;
};

}  // namespace quillmar
