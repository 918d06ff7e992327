#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "retrieval/datum.h"
#include "retrieval/integer_set.h"
#include "support/internal_code.h"

namespace quillmar::retrieval {
namespace {

using test::MessageOf;

TDatum D(int tag, int monat, int jahr) {
  TDatum d;
  d.Tag = static_cast<uint8_t>(tag);
  d.Monat = static_cast<uint8_t>(monat);
  d.Jahr = static_cast<uint16_t>(jahr);
  return d;
}

TEST(IntegerSetTest, TextFormAndItsErrors) {
  TIntegerSet set;
  set.AusText(" 1,2;5 ");
  EXPECT_EQ(set.AlsText(), "1 2 5");
  set.AusText("-3 +4");  // signs separate like blanks
  EXPECT_EQ(set.AlsText(), "3 4");
  set.AusText(" \t ");
  EXPECT_EQ(set.Anzahl(), 0);
  for (const char* text : {"3 1", "3 3", "1 99999999999"})
    EXPECT_EQ(MessageOf([&] { set.AusText(text); }), "Formatfehler (IS 002)") << text;
  EXPECT_EQ(MessageOf([&] { set.AusText("x"); }), "Formatfehler (IS 003)");
  TIntegerSet copy;
  copy.Hinzufuegen(9);
  set.AusText("7 2147483647");
  copy.Assign(set);
  EXPECT_EQ(copy.AlsText(), "7 2147483647");
}

TEST(IntegerSetTest, EditingIteratingAndRanges) {
  TIntegerSet set;
  EXPECT_EQ(set.Erstes(), 0);
  EXPECT_TRUE(set.Ende());
  for (int32_t v : {5, 1, 9, 5, 3}) set.Hinzufuegen(v);
  EXPECT_FALSE(set.Enthaelt(4));
  set.Hinzufuegen(4);
  EXPECT_TRUE(set.Enthaelt(4));  // not answered from the stale "not found" memory
  EXPECT_EQ(set.Element(4), 5);
  set.Hinzufuegen(2);  // in front of the iterator, which stays on 5
  EXPECT_EQ(set.Naechstes(), 9);
  EXPECT_EQ(set.Naechstes(), 0);
  EXPECT_TRUE(set.Ende());
  EXPECT_EQ(set.Element(2), 2);
  for (int32_t bad : {0, 7})
    EXPECT_EQ(MessageOf([&] { set.Element(bad); }), "Zugriffsverletzung (IS 101)");
  set.Umschalten(4);
  set.Umschalten(7);
  EXPECT_EQ(set.AlsText(), "1 2 3 5 7 9");
  EXPECT_EQ(set.Naechstes(), 0);  // toggling drops the iterator

  set.AusText("20");
  set.BereichWaehlen(10, 3);  // 3 is nearer to 10 than 20 is
  EXPECT_EQ(set.AlsText(), "3 4 5 6 7 8 9 10");
  set.AusText("12");
  set.BereichWaehlen(10, 3);
  EXPECT_EQ(set.AlsText(), "10 11 12");
  set.Leeren();
  set.BereichWaehlen(10, 3);
  EXPECT_EQ(set.Anzahl(), 8);
  set.BereichWaehlen(6, 6);
  EXPECT_EQ(set.AlsText(), "6");
}

TEST(IntegerSetTest, Helpers) {
  EXPECT_EQ(Naechster(6, 4, 5), 4);
  EXPECT_EQ(Naechster(-2147483647 - 1, 2147483647, 0), 2147483647);  // no overflow
  EXPECT_TRUE(IstZahl("+12") && IstZahl("-007"));
  EXPECT_FALSE(IstZahl("") || IstZahl("+") || IstZahl("1 ") || IstZahl("+-1"));
}

TEST(DatumTest, ComparisonContainmentAndIntervals) {
  EXPECT_EQ(DatumVergleich(D(0, 3, 1200), D(1, 3, 1200)), -1);
  EXPECT_EQ(DatumVergleich(D(5, 0, 1200), D(1, 0, 1200)), 0);   // whole years: days ignored
  EXPECT_EQ(DatumVergleich(D(1, 1, 40000), D(1, 1, 1200)), 1);  // unsigned years
  EXPECT_EQ(DatumVergleich(D(1, 1, 30000), D(1, 1, 1200)), 0);
  EXPECT_EQ(LastDateError(), "Fehler beim Datumsvergleich, Jahrangabe erwartet");
  EXPECT_EQ(DatumVergleich(D(1, 1, 1200), D(1, 2, 1200)), -1);
  EXPECT_TRUE(LastDateError().empty());

  EXPECT_TRUE(DatumUmfasst(D(0, 0, 1200), D(5, 3, 1200)));
  EXPECT_TRUE(DatumUmfasst(D(0, 3, 1200), D(5, 3, 1200)));
  EXPECT_FALSE(DatumUmfasst(D(5, 3, 1200), D(7, 3, 1200)));
  EXPECT_FALSE(DatumUmfasst(D(5, 3, 1200), D(0, 3, 1200)));

  EXPECT_TRUE(DatumImIntervall(D(1, 1, 1200), D(1, 1, 1199), D(6, 6, 1199)));  // either order
  EXPECT_FALSE(DatumImIntervall(D(1, 1, 1200), D(31, 12, 1199), D(6, 6, 1199)));
  // A whole-year bound includes its days, also at the upper end.
  EXPECT_TRUE(DatumImIntervall(D(0, 0, 1190), D(0, 0, 1199), D(31, 12, 1199)));
  EXPECT_FALSE(DatumImIntervall(D(0, 0, 1190), D(0, 0, 1199), D(1, 1, 1200)));
  // One bound inside the other: the interval is the larger one.
  EXPECT_TRUE(DatumImIntervall(D(3, 3, 1200), D(0, 0, 1200), D(9, 9, 1200)));
  EXPECT_FALSE(DatumImIntervall(D(3, 3, 1200), D(0, 0, 1200), D(9, 9, 1201)));
}

}  // namespace
}  // namespace quillmar::retrieval
