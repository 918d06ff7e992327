#include "text/text_style.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "collection/settings_store.h"
#include "support/fixed_canvas.h"
#include "system/memory_registry_store.h"

namespace quillmar {
namespace {

TEST(TextStyleTest, BuildsBothFontSetsAndOnlyTheScreenColoursFromTheSettings) {
  MemoryRegistryStore store;
  RegistryAccess reg(store);
  SettingsStore settings(reg, AppEnvironment{});
  settings.SetFont("Gentium");
  settings.SetFontSize(-20);  // the sign is ignored
  settings.SetRelations(
      {150, 100, 100, 100, 100, 100, 100, 93, 100, 100, 100, 100, 100, 110, 100, 100, 100, 50});
  settings.SetLinkColor(0x00123456);
  settings.SetBackColor(0x00E0F0FF);
  settings.SetUCFont("Greek Unicode");

  TextStyle style;
  style.Apply(TextStyle::ReadSettings(settings, true));
  for (bool printer : {false, true}) {
    const FontTable& fonts = style.Fonts(printer);
    EXPECT_EQ(fonts.FontOf(1).face, "Gentium");
    EXPECT_EQ(fonts.FontOf(1).size, 30);
    EXPECT_EQ(fonts.FontOf(8).size, 19);  // 18.6
    EXPECT_EQ(fonts.FontOf(14).face, "Greek Unicode");
    EXPECT_EQ(fonts.FontOf(14).size, 22);
    EXPECT_EQ(fonts.FontOf(18).face, "verdana");
    EXPECT_EQ(fonts.FontOf(18).size, 10);
    EXPECT_EQ(fonts.FontOf(7).colour, 0x00123456u);
  }
  const ColourTables& colours = style.Colours();
  EXPECT_EQ(colours.Screen[ColourTable::kBackground], 0x00E0F0FFu);
  EXPECT_EQ(colours.Screen[ColourTable::kUserBack], 0x800000u);
  EXPECT_EQ(colours.Screen[ColourTable::kLinkText], 0x00123456u);
  EXPECT_EQ(colours.Printer[ColourTable::kBackground], 0xFFFFFFu);
  EXPECT_EQ(colours.Printer[ColourTable::kLinkText], 0xFF0000u);

  // Without the catalog's Unicode-Greek flag font 14 keeps the text face.
  style.Apply(TextStyle::ReadSettings(settings, false));
  EXPECT_EQ(style.Fonts(false).FontOf(14).face, "Gentium");
}

TEST(TextStyleTest, MeasuresEachSetAndKeepsOldMetricsWhenAFontFails) {
  test::FixedCanvas canvas;
  canvas.SetMetrics(5, true, {40, 30, 10, 0});
  TextStyle style;
  style.Measure(canvas);
  EXPECT_EQ(style.Metric(5, true).Height, 40);
  EXPECT_EQ(style.Metric(5, false).Height, 20);
  EXPECT_EQ(style.Metric(18, false).Ascent, 16);

  canvas.SetMetrics(5, true, {50, 40, 10, 0});
  canvas.FailMetrics(12);
  try {
    style.Measure(canvas);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't dectect text metrics.");
  }
  EXPECT_EQ(style.Metric(5, true).Height, 40);
}

TEST(TextStyleSteps, BiggerBelowEightySmallerAboveThree) {
  EXPECT_EQ(TextStyle::BiggerBaseSize(79), 80);
  EXPECT_FALSE(TextStyle::BiggerBaseSize(80));
  EXPECT_EQ(TextStyle::SmallerBaseSize(4), 3);
  EXPECT_FALSE(TextStyle::SmallerBaseSize(3));
}

}  // namespace
}  // namespace quillmar
