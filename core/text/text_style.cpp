#include "text/text_style.h"

#include <vector>

#include "base/errors.h"
#include "collection/settings_store.h"

namespace quillmar {

TextStyle::Settings TextStyle::ReadSettings(SettingsStore& store, bool unicodeGreek) {
  Settings s;
  s.fonts.face = store.GetFont();
  s.fonts.base_size = store.GetFontSize();
  const auto relations = store.GetRelations();
  s.fonts.relations =
      SettingsStore::FormatIntList(std::vector<int32_t>(relations.begin(), relations.end()));
  s.fonts.link_colour = static_cast<Color>(store.GetLinkColor());
  s.fonts.unicode_greek = unicodeGreek;
  if (unicodeGreek) s.fonts.greek_face = store.GetUCFont();
  s.back_colour = static_cast<Color>(store.GetBackColor());
  return s;
}

std::optional<int> TextStyle::BiggerBaseSize(int font3Size) {
  if (font3Size < kMaxGrowSize) return font3Size + 1;
  return std::nullopt;
}

std::optional<int> TextStyle::SmallerBaseSize(int font3Size) {
  if (font3Size > kMinShrinkSize) return font3Size - 1;
  return std::nullopt;
}

void TextStyle::Apply(const Settings& settings) {
  screen_fonts_.Apply(settings.fonts);
  printer_fonts_.Apply(settings.fonts);
  colours_.Screen.ApplyBackColour(settings.back_colour);
  colours_.Screen.ApplyLinkColour(settings.fonts.link_colour);
}

void TextStyle::Measure(Canvas& canvas) {
  Metrics screen{};
  Metrics printer{};
  for (int n = 1; n <= FontTable::kCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    screen[i] = canvas.Metrics(n, false);
    printer[i] = canvas.Metrics(n, true);
    // A font without height cannot place a line; the drawing side reports it as unmeasurable.
    if (screen[i].Height <= 0 || printer[i].Height <= 0) {
      throw Exception(FontTable::kMetricsError);
    }
  }
  screen_metrics_ = screen;
  printer_metrics_ = printer;
}

const TextMetric& TextStyle::Metric(int font, bool printer) const {
  const Metrics& m = printer ? printer_metrics_ : screen_metrics_;
  return m[static_cast<size_t>(font - 1)];
}

}  // namespace quillmar
