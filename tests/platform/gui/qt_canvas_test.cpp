#include "platform/gui/qt_canvas.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "text/document.h"
#include "text/markings.h"
#include "text/text_style.h"

namespace quillmar {
namespace {

constexpr Color kRed = 0x000000FF;  // Windows 0x00BBGGRR

// A white image with a painter and a canvas on it; the style's fonts are "DejaVu Sans".
class QtCanvasTest : public ::testing::Test {
 protected:
  QtCanvasTest() : image(200, 80, QImage::Format_RGB32) {
    image.fill(Qt::white);
    TextStyle::Settings s;
    s.fonts.face = "DejaVu Sans";
    s.fonts.base_size = 15;
    s.fonts.relations = FontTable::DefaultRelations();
    style.Apply(s);
    painter.begin(&image);
    canvas.emplace(painter, style);
  }
  ~QtCanvasTest() override {
    if (painter.isActive()) painter.end();
  }

  // Pixels inside and outside the rectangle [left, right) × [top, bottom) that `match` accepts.
  template <typename Match>
  std::pair<int, int> Count(const QRect& box, Match match) {
    if (painter.isActive()) painter.end();
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (match(image.pixelColor(x, y))) ++(box.contains(x, y) ? inside : outside);
      }
    }
    return {inside, outside};
  }

  TextStyle style;
  QImage image;
  QPainter painter;
  std::optional<QtCanvas> canvas;
};

bool NotWhite(const QColor& c) { return c != QColor(Qt::white); }

TEST_F(QtCanvasTest, FillsExactWindowsColoursWithoutRightAndBottomEdge) {
  canvas->FillRect({2, 3, 12, 8}, 0x00336699);
  canvas->FillRect({50, 50, 50, 60}, 0);  // empty
  const auto [inside, outside] =
      Count(QRect(2, 3, 10, 5), [](const QColor& c) { return c == QColor(0x99, 0x66, 0x33); });
  EXPECT_EQ(inside, 50);
  EXPECT_EQ(outside, 0);
}

TEST_F(QtCanvasTest, DrawsTextInItsColourWithinItsMeasuredBox) {
  canvas->SelectFont(13, false);  // bold: solid strokes
  const TextMetric m = canvas->Metrics(13, false);
  EXPECT_EQ(m.Height, m.Ascent + m.Descent);
  EXPECT_EQ(m.Overhang, 0);
  EXPECT_GE(m.Height, 17);  // 15 pt at 96 dpi is 20 pixels
  const int32_t width = canvas->TextWidth("HIH", 0);
  EXPECT_GT(width, canvas->TextWidth("HI", 0));
  canvas->DrawText(20, 10, "HIH", 0, kRed);
  const auto [inside, outside] = Count(QRect(20, 10, width, m.Height), [](const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
  });
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(Count(QRect(20, 10, width, m.Height), NotWhite).second, 0);
}

TEST_F(QtCanvasTest, WideTextIsDrawnAndMeasured) {
  canvas->SelectFont(14, false);
  const std::u16string alpha = u"\u03B1\u03B2";
  const int32_t width = canvas->WideTextWidth(alpha);
  EXPECT_GT(width, 0);
  canvas->DrawWideText(5, 5, alpha, 0);
  const auto [inside, outside] = Count(QRect(5, 5, width, 30), NotWhite);
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
}

TEST(QtCanvasConversions, CharsetsColoursAndPrinterResolution) {
  EXPECT_EQ(QtCanvas::ToQString("\xE1\xE2\xE3", 161), QString::fromUtf8("αβγ"));
  EXPECT_EQ(QtCanvas::ToQString("\xE1\xE2\xE3", 0), QString::fromUtf8("áâã"));
  EXPECT_EQ(QtCanvas::ToQString("\xE0\xE9", 177), QString::fromUtf8("אי"));
  EXPECT_EQ(QtCanvas::ToQColor(0x00FF8001), QColor(0x01, 0x80, 0xFF));

  FontTable::Font font;
  font.face = "DejaVu Sans";
  font.size = 15;
  EXPECT_EQ(QtCanvas::MakeFont(font, 96).pixelSize(), 20);
  EXPECT_EQ(QtCanvas::MakeFont(font, 600).pixelSize(), 125);
  font.size = 0;
  EXPECT_EQ(QtCanvas::MakeFont(font, 96).pixelSize(), 1);
}

TEST_F(QtCanvasTest, MarginPicturesStayInTheirSquareAndDiffer) {
  EXPECT_EQ(canvas->PictureHeight(MarginPictureKind::kMovedUp), 16);
  canvas->DrawPicture(10, 20, MarginPictureKind::kNoRoom);
  canvas->DrawPicture(40, 20, MarginPictureKind::kMovedUp);
  const auto [inside, outside] = Count(QRect(10, 20, 16, 16), NotWhite);
  EXPECT_GT(inside, 20);
  EXPECT_GT(outside, 20);
  EXPECT_EQ(Count(QRect(10, 20, 46, 16), NotWhite).second, 0);
  const QImage first = image.copy(10, 20, 16, 16);
  EXPECT_NE(first, image.copy(40, 20, 16, 16));
}

// A paragraph drawn through the real canvas: the user-marked word on navy, the hit word on
// black, the other words of the hit's span on silver, the rest on white.
TEST_F(QtCanvasTest, MarkedWordsOfAParagraphShowTheirMarkingColours) {
  painter.end();
  image = QImage(800, 80, QImage::Format_RGB32);  // room for the four words on one line
  image.fill(Qt::white);
  painter.begin(&image);
  canvas.emplace(painter, style);
  style.Measure(*canvas);
  TAbsaetze doc(*canvas, style.Colours());
  doc.SetClientRect({0, 0, 800, 80});
  doc.SetLeftBorder(2);
  doc.SetIndentCount(0);
  doc.SetJustifiedDefault(false);
  // Positions: alpha 1, beta 7, gamma 12, delta 18.
  doc.Append("alpha beta gamma delta", 1);
  TFundMarkierung hit;
  hit.TextNr = 1;
  hit.Anfang = 12;
  hit.Ende = 22;
  hit.WortPos[0] = 18;
  doc.AddHitMarking(hit);
  doc.Draw();
  doc.SetUserMarking(7, 7);
  painter.end();

  const TWortListe& words = doc.Paragraph(0).Lines().Line(0).Words();
  ASSERT_EQ(words.Count(), 4);
  // The colour at the left edge of a word's box, just below its top (background, not ink).
  auto background = [&](int i) {
    const Rect& box = words.Word(i).Box;
    return image.pixelColor(box.Left + 1, box.Top + 1);
  };
  EXPECT_EQ(background(1), QColor(Qt::white));         // alpha: unmarked
  EXPECT_EQ(background(2), QColor(0, 0, 0x80));        // beta: user marking
  EXPECT_EQ(background(3), QColor(0xC0, 0xC0, 0xC0));  // gamma: in the hit's span
  EXPECT_EQ(background(4), QColor(Qt::black));         // delta: the hit word
  // The hit word's text is white on black: some white ink inside its box.
  const Rect& d = words.Word(4).Box;
  int white = 0;
  for (int y = d.Top; y < d.Bottom; ++y)
    for (int x = d.Left; x < d.Right; ++x) white += image.pixelColor(x, y) == QColor(Qt::white);
  EXPECT_GT(white, 0);
}

}  // namespace
}  // namespace quillmar

int main(int argc, char** argv) {
  // The tests draw into images only; the build also runs this binary to list the tests.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
