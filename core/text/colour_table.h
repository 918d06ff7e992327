#pragma once

#include <array>
#include <cstddef>

#include "text/canvas.h"

namespace quillmar {

// The ten colours text is drawn in, one table for the screen and one for the printer.
class ColourTable {
 public:
  enum Entry : size_t {
    kText = 0,        // normal text
    kBackground = 1,  // normal background
    kUserText = 2,    // user marking
    kUserBack = 3,
    kHitWordText = 4,  // a hit word
    kHitWordBack = 5,
    kHitSpanText = 6,  // the other words of a hit
    kHitSpanBack = 7,
    kLinkText = 8,
    kLinkBack = 9,
    kCount = 10,
  };

  Color operator[](Entry e) const { return colours_[e]; }
  void Set(Entry e, Color c) { colours_[e] = c; }

  // The background setting: the normal and the link background follow it; the marking
  // backgrounds keep their own colours.
  void ApplyBackColour(Color c) {
    colours_[kBackground] = c;
    colours_[kLinkBack] = c;
  }
  void ApplyLinkColour(Color c) { colours_[kLinkText] = c; }

 private:
  std::array<Color, kCount> colours_ = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x800000, 0xFFFFFF,
                                        0x000000, 0x000000, 0xC0C0C0, 0xFF0000, 0xFFFFFF};
};

// The screen and printer tables. The colour settings change only the screen table.
struct ColourTables {
  ColourTable Screen;
  ColourTable Printer;
  const ColourTable& Of(bool printer) const { return printer ? Printer : Screen; }
};

}  // namespace quillmar
