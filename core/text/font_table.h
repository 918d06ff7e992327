#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// The 18 fonts that the stream's font codes select (font 1..18; codes 0x01..0x0A, "Z".."a"),
// with their defaults, and the rules that turn the text settings into concrete fonts. The screen
// and the printer each build one set from the same rules.
class FontTable {
 public:
  static constexpr int kCount = 18;
  static constexpr uint8_t kDefaultCharset = 0;
  static constexpr uint8_t kGreekCharset = 161;
  static constexpr uint8_t kHebrewCharset = 177;
  static constexpr const char* kInitialFace = "verdana";
  // Raised by the drawing side when a font's metrics cannot be measured.
  static constexpr const char* kMetricsError = "Can't dectect text metrics.";

  // The fixed properties of one font.
  struct Entry {
    char code;
    int default_percent;  // size in % of the base size
    int initial_size;
    bool italic;
    bool bold;
    bool link_colour;  // drawn in the link colour instead of black
    uint8_t charset;
  };

  // A font as it is to be created.
  struct Font {
    std::string face;
    int size = 0;
    bool italic = false;
    bool bold = false;
    uint32_t colour = 0;  // Windows colour value 0x00BBGGRR
    uint8_t charset = 0;
  };

  // The text settings the fonts follow.
  struct Settings {
    std::string face;        // text face name for fonts 1..17
    std::string greek_face;  // Unicode Greek face name for font 14
    bool unicode_greek = false;
    int base_size = 15;     // its absolute value is used
    std::string relations;  // "Relations": 18 percentages separated by blanks
    uint32_t link_colour = 0;
  };

  // Font n = 1..18 (the caller keeps n in range).
  static const Entry& EntryOf(int n);
  // The default of the "Relations" setting: the default percentages, font 1 first.
  static std::string DefaultRelations();
  // The 18 percentages of a "Relations" value; a missing or non-numeric entry counts as 100.
  static std::array<int, kCount> ParseRelations(std::string_view relations);
  // |base| x percent / 100, rounded to the nearest integer with halves to even.
  static int ScaledSize(int base, int percent);

  // The initial fonts: face "verdana", the initial sizes, styles, colours and charsets.
  FontTable();
  // Applies the text settings to all fonts.
  void Apply(const Settings& settings);
  const Font& FontOf(int n) const { return fonts_[static_cast<size_t>(n - 1)]; }

 private:
  std::array<Font, kCount> fonts_;
};

}  // namespace quillmar
