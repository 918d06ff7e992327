#include "text/print_layout.h"

#include <gtest/gtest.h>

#include "base/language.h"

namespace quillmar {
namespace {

TEST(PrintLayoutTest, PageEdgesUse27Point1MillimetresPerInchAndReserveTheHeader) {
  // An A4 page at 600 dpi: 4961 x 7016 pixels.
  const PrintArea a = PrintArea::Of({4961, 7016, 600, 600}, {10, 10, 10, 10});
  EXPECT_EQ(a.Left, 221);
  EXPECT_EQ(a.HeaderTop, 221);
  EXPECT_EQ(a.Top, 221 + 111);
  EXPECT_EQ(a.Right, 4961 - 221);
  EXPECT_EQ(a.Bottom, 7016 - 221);

  // Each margin is converted on its own, horizontally and vertically with their own dpi.
  const PrintArea b = PrintArea::Of({2000, 3000, 271, 542}, {5, 20, 0, 3});
  EXPECT_EQ(b.Left, 50);
  EXPECT_EQ(b.Right, 2000 - 200);
  EXPECT_EQ(b.HeaderTop, 0);
  EXPECT_EQ(b.Top, 100);
  EXPECT_EQ(b.Bottom, 3000 - 60);
}

TEST(PrintLayoutTest, TextMarginIsAShareOfTheAreaWidth) {
  PrintArea a;
  a.Left = 100;
  a.Right = 1100;
  EXPECT_EQ(a.TextMargin(0), 0);
  EXPECT_EQ(a.TextMargin(-12), 120);
  a.Right = 325;  // 2.25 px per percent: 2 x 2.25 = 4.5 rounds to even
  EXPECT_EQ(a.TextMargin(2), 4);
  EXPECT_EQ(a.TextMargin(3), 7);
}

TEST(PrintLayoutTest, RomanNumeralsCoverZeroTo4999) {
  EXPECT_EQ(RomanNumeral(1), "I");
  EXPECT_EQ(RomanNumeral(4), "IV");
  EXPECT_EQ(RomanNumeral(9), "IX");
  EXPECT_EQ(RomanNumeral(49), "XLIX");
  EXPECT_EQ(RomanNumeral(444), "CDXLIV");
  EXPECT_EQ(RomanNumeral(1994), "MCMXCIV");
  EXPECT_EQ(RomanNumeral(4999), "MMMMCMXCIX");
  EXPECT_EQ(RomanNumeral(0), "");
  EXPECT_EQ(RomanNumeral(5000), "");
  EXPECT_EQ(RomanNumeral(-3), "");
}

TEST(PrintLayoutTest, HeaderLineNamesOneOrTwoSourcePages) {
  SetCurrentLanguage(kGerman);
  EXPECT_EQ(HeaderLine("Titel", {12, true}, {12, true}), "Titel, Seite(n): 12");
  EXPECT_EQ(HeaderLine("Titel", {12, true}, {13, true}), "Titel, Seite(n): 12 - 13");
  // Roman pages follow "Seite(n)" directly, on either side of the dash.
  EXPECT_EQ(HeaderLine("Titel", {3, false}, {2, true}), "Titel, Seite(n)III - 2");
  EXPECT_EQ(HeaderLine("Titel", {2, true}, {4, false}), "Titel, Seite(n): 2 - IV");
  // Page 3 Roman and page 3 Arabic are different pages.
  EXPECT_EQ(HeaderLine("Titel", {3, false}, {3, true}), "Titel, Seite(n)III - 3");
  SetCurrentLanguage(kEnglish);
  EXPECT_EQ(HeaderLine("T\xE4x", {7, false}, {7, false}), "T\xE4x, page(s)VII");
}

}  // namespace
}  // namespace quillmar
