#pragma once

#include <QString>
#include <QStringList>
#include <bitset>

namespace quillmar::gui {

// What a font covers of Unicode, as far as the reader needs it: the Unicode subsets "Greek and
// Coptic" (bit 7) and "Greek Extended" (bit 30), the polytonic letters the Greek texts are shown
// with. A subset counts as covered when the font file itself (not a fallback the font system
// would substitute) has a glyph for every letter of the subset that the reader's Greek can
// produce; unassigned code points and the spacing accents are not asked for. A family the font
// database does not list for the Greek writing system covers nothing.
class TFontInfo {
 public:
  static constexpr int kGreekAndCoptic = 7;
  static constexpr int kGreekExtended = 30;

  explicit TFontInfo(const QString& family);

  // Subset bit 0..127; false outside that range and for the subsets not examined.
  bool HasUnicodeSubset(int bit) const;
  bool CoversGreek() const {
    return HasUnicodeSubset(kGreekAndCoptic) && HasUnicodeSubset(kGreekExtended);
  }

  // The installed families that cover both Greek subsets, in the font database's order.
  static QStringList GetGreekFonts();
  // The font to show Greek with when the user has not chosen one: `textFace` when it is in
  // `fonts`, else the first proportional one, else the first; empty for an empty list.
  static QString PreferredGreekFont(const QStringList& fonts, const QString& textFace);

 private:
  std::bitset<128> subsets_;
};

}  // namespace quillmar::gui
