#include "gui/options/font_info.h"

#include <QFont>
#include <QFontDatabase>
#include <QRawFont>
#include <algorithm>
#include <utility>

namespace quillmar::gui {
namespace {

using Range = std::pair<char32_t, char32_t>;  // inclusive

// The modern Greek letters with tonos and dialytika (U+0386 .. U+03CE without the holes) and
// digamma, which the transliteration produces.
constexpr Range kGreekLetters[] = {{0x0386, 0x0386}, {0x0388, 0x038A}, {0x038C, 0x038C},
                                   {0x038E, 0x03A1}, {0x03A3, 0x03CE}, {0x03DC, 0x03DC}};

// The letters of Greek Extended (U+1F00 .. U+1FFE): its unassigned code points and its spacing
// accents (U+1FBD, U+1FBF-1FC1, U+1FCD-1FCF, U+1FDD-1FDF, U+1FED-1FEF, U+1FFD-1FFE) are left out.
constexpr Range kPolytonicLetters[] = {
    {0x1F00, 0x1F15}, {0x1F18, 0x1F1D}, {0x1F20, 0x1F45}, {0x1F48, 0x1F4D}, {0x1F50, 0x1F57},
    {0x1F59, 0x1F59}, {0x1F5B, 0x1F5B}, {0x1F5D, 0x1F5D}, {0x1F5F, 0x1F7D}, {0x1F80, 0x1FB4},
    {0x1FB6, 0x1FBC}, {0x1FBE, 0x1FBE}, {0x1FC2, 0x1FC4}, {0x1FC6, 0x1FCC}, {0x1FD0, 0x1FD3},
    {0x1FD6, 0x1FDB}, {0x1FE0, 0x1FEC}, {0x1FF2, 0x1FF4}, {0x1FF6, 0x1FFC}};

template <size_t N>
bool Covers(const QRawFont& font, const Range (&ranges)[N]) {
  for (const auto& [first, last] : ranges)
    for (char32_t c = first; c <= last; ++c)
      if (!font.supportsCharacter(static_cast<uint>(c))) return false;
  return true;
}

// "Family [Foundry]", as the database lists a family several foundries provide, to "Family".
QString BareFamily(const QString& family) {
  const qsizetype bracket = family.indexOf(QLatin1String(" ["));
  return bracket < 0 ? family : family.left(bracket);
}

}  // namespace

TFontInfo::TFontInfo(const QString& family) {
  if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Greek)) return;
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);
  const QRawFont raw = QRawFont::fromFont(font);
  // A family that cannot be loaded comes back as some other font: that one's glyphs say
  // nothing about the family asked for.
  if (!raw.isValid() || raw.familyName().compare(BareFamily(family), Qt::CaseInsensitive) != 0)
    return;
  subsets_[kGreekAndCoptic] = Covers(raw, kGreekLetters);
  subsets_[kGreekExtended] = Covers(raw, kPolytonicLetters);
}

bool TFontInfo::HasUnicodeSubset(int bit) const {
  return bit >= 0 && bit < static_cast<int>(subsets_.size()) && subsets_[static_cast<size_t>(bit)];
}

QStringList TFontInfo::GetGreekFonts() {
  QStringList fonts;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Greek))
    if (TFontInfo(family).CoversGreek()) fonts << family;
  return fonts;
}

QString TFontInfo::PreferredGreekFont(const QStringList& fonts, const QString& textFace) {
  if (fonts.isEmpty()) return {};
  for (const QString& f : fonts)
    if (f.compare(textFace, Qt::CaseInsensitive) == 0) return f;
  const auto proportional = std::find_if(
      fonts.begin(), fonts.end(), [](const QString& f) { return !QFontDatabase::isFixedPitch(f); });
  return proportional != fonts.end() ? *proportional : fonts.front();
}

}  // namespace quillmar::gui
