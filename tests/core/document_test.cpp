#include "text/document.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "support/fixed_canvas.h"

namespace quillmar {
namespace {

using test::FixedCanvas;
using Op = FixedCanvas::Op;

// On the fixed canvas every byte is 10 px wide and every font 16 + 4 px high, so a word of n
// plain bytes has a box 10n + 4 px wide and a blank is 10 px.
constexpr int32_t Box(int n) { return 10 * n + 4; }

std::string CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const InternalError& e) {
    return e.Code();
  }
  return "none";
}

std::string Code(char c) { return std::string{'\x01', c}; }

class DocumentTest : public ::testing::Test {
 protected:
  // A document whose words may use `available` px beside a left border of `border` px.
  void Prepare(int32_t available, int32_t border = 0, int32_t height = 300) {
    doc.SetClientRect({0, 0, available + border + 5, height});
    doc.SetLeftBorder(border);
  }

  // x of every drawing of `text`.
  std::vector<int32_t> XOf(const std::string& text) const {
    std::vector<int32_t> xs;
    for (const Op& op : canvas.ops) {
      if (op.kind == Op::kText && op.text == text) xs.push_back(op.x);
    }
    return xs;
  }
  std::vector<std::string> LineWords(const TAbsatz& p, int32_t line) const {
    std::vector<std::string> out;
    for (const TWortListRecord& w : p.Lines().Line(line).Words()) out.push_back(w.Parts[0].Text);
    return out;
  }

  FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc{canvas, colours};
};

TEST_F(DocumentTest, LineBreakingKeepsAnOverWideWordAlone) {
  Prepare(100);
  const TAbsatz& p = doc.Append("aaaa bbbb cccc dd " + std::string(20, 'x') + " ee", 1);
  ASSERT_EQ(p.Lines().Count(), 4);
  EXPECT_EQ(LineWords(p, 0), (std::vector<std::string>{"aaaa", "bbbb"}));  // 44 + 10 + 44
  EXPECT_EQ(LineWords(p, 1), (std::vector<std::string>{"cccc", "dd"}));
  EXPECT_EQ(LineWords(p, 2), (std::vector<std::string>{std::string(20, 'x')}));
  EXPECT_EQ(LineWords(p, 3), (std::vector<std::string>{"ee"}));
  EXPECT_EQ(p.Lines().Line(0).Width(), 2 * Box(4) + 10);
  const TWortListRecord& first = p.Lines().Line(0).Words().Word(1);
  EXPECT_EQ(first.StartPos, 1);
  EXPECT_EQ(first.EndPos, 4);
  EXPECT_EQ(p.Lines().Line(1).Words().Word(2).StartPos, 16);
}

TEST_F(DocumentTest, PlacementJustifiedLeftAndCentred) {
  Prepare(100);
  // Justified: the gap spreads the free width; the last line and one-word lines stay left.
  doc.Append(Code(0x0E) + "aa bb cc dd", 1);
  doc.Draw();
  const int32_t gap = (100 - 1 - 3 * Box(2)) / 2;
  EXPECT_EQ(XOf("aa"), (std::vector<int32_t>{1}));
  EXPECT_EQ(XOf("bb"), (std::vector<int32_t>{1 + Box(2) + gap}));
  EXPECT_EQ(XOf("cc"), (std::vector<int32_t>{1 + 2 * (Box(2) + gap)}));
  EXPECT_EQ(XOf("dd"), (std::vector<int32_t>{1}));
  // The gap between justified words is filled, in the background when unmarked.
  bool gap_filled = false;
  for (const Op& op : canvas.ops) {
    gap_filled |=
        op.kind == Op::kFill && op.rect.Left == 1 + Box(2) && op.rect.Right == XOf("bb")[0];
  }
  EXPECT_TRUE(gap_filled);

  doc.Clear();
  canvas.ClearOps();
  doc.Append(Code(0x0C) + "aa", 1);
  doc.Append(Code(0x0C) + std::string(20, 'x'), 7);
  doc.SetCurrentPosition(1);
  doc.Draw();
  EXPECT_EQ(XOf("aa"), (std::vector<int32_t>{(100 - Box(2) - 1) / 2 + 1}));
  // An over-wide centred line moves right by half its excess.
  EXPECT_EQ(XOf(std::string(20, 'x')), (std::vector<int32_t>{(Box(20) + 1 - 100) / 2 + 1}));
}

TEST_F(DocumentTest, PunctuationFollowsALinkMarkerWithoutABlank) {
  Prepare(300);
  const std::string marker = Code('(') + "1" + Code('d') + "1" + Code('d');
  doc.Append("renown" + marker + "; men" + marker + " (x", 1);
  doc.Draw();
  const int32_t one = 1 + Box(6) + 10;
  EXPECT_EQ(XOf("1"), (std::vector<int32_t>{one, one + 2 * Box(1) + 10 + Box(3) + 10}));
  EXPECT_EQ(XOf(";"), (std::vector<int32_t>{one + Box(1)}));
  // An opening bracket keeps its blank.
  EXPECT_EQ(XOf("(x"), (std::vector<int32_t>{XOf("1")[1] + Box(1) + 10}));

  // Justified: the joined pair takes no share of the spread.
  doc.Clear();
  canvas.ClearOps();
  doc.Append(Code(0x0E) + "aa" + marker + ", bb cc " + std::string(40, 'x'), 1);
  doc.Draw();
  const int32_t gap = (300 - 1 - 2 * Box(1) - 3 * Box(2)) / 3;
  EXPECT_EQ(XOf(","), (std::vector<int32_t>{1 + Box(2) + gap + Box(1)}));
}

TEST_F(DocumentTest, IndentModes) {
  Prepare(100);
  doc.SetIndentCount(2);  // 20 px
  struct Case {
    std::string code;
    int32_t first, second;
  } cases[] = {{"", 20, 0}, {Code(0x10), 20, 20}, {Code(0x12), 0, 20}, {Code(0x0C), 0, 0}};
  for (const Case& c : cases) {
    const TAbsatz& p = doc.Append(c.code + "aaaa bbbb cccc dddd", 1);
    ASSERT_GE(p.Lines().Count(), 2);
    EXPECT_EQ(p.Lines().Line(0).IndentWidth, c.first) << int(c.code.empty() ? 0 : c.code[1]);
    EXPECT_EQ(p.Lines().Line(1).IndentWidth, c.second) << int(c.code.empty() ? 0 : c.code[1]);
    doc.Clear();
  }
  // An indent wider than the line still draws the line's first word.
  doc.SetClientRect({0, 0, 30, 100});
  doc.SetIndentCount(5);
  doc.Append("aaaa b", 1);
  EXPECT_EQ(CodeOf([&] { doc.Draw(); }), "none");
  EXPECT_EQ(XOf("aaaa"), (std::vector<int32_t>{51}));
}

TEST_F(DocumentTest, MarginWordsCarryOnWithinTheParagraph) {
  Prepare(50, 60);  // margin words up to x = 60: "mm" fits at 10, "nn" would end at 68
  const std::string note = Code(',') + "mm nn oo" + Code('d');
  doc.Append("aaaa" + note + " bbbb cccc dddd", 1);
  doc.Append("eeee", 40);
  doc.Draw();
  EXPECT_EQ(XOf("mm"), (std::vector<int32_t>{10}));
  EXPECT_EQ(XOf("nn"), (std::vector<int32_t>{10}));
  EXPECT_EQ(XOf("oo"), (std::vector<int32_t>{10}));
  std::vector<std::pair<int32_t, std::string>> texts;
  std::vector<int32_t> pictures;
  for (const Op& op : canvas.ops) {
    if (op.kind == Op::kText) texts.emplace_back(op.y, op.text);
    if (op.kind == Op::kPicture) {
      EXPECT_EQ(op.picture, MarginPictureKind::kNoRoom);
      pictures.push_back(op.y);
    }
  }
  // Lines are 20 px high: the pending words follow on lines 2 and 3 below a picture whose
  // bottom sits on the baseline; the next paragraph gets none of them.
  EXPECT_EQ(pictures, (std::vector<int32_t>{20 + 16 - 8, 40 + 16 - 8}));
  EXPECT_EQ(texts.size(), 8u);
  const TAbsatz& p = doc.Paragraph(0);
  EXPECT_EQ(p.Lines().Line(1).MarginPicture, 1);
  EXPECT_EQ(p.Lines().Line(3).MarginPicture, 0);
  EXPECT_EQ(doc.Paragraph(1).Lines().Line(0).MarginPicture, 0);
  // Margin words are found at a point like other words.
  const TWortListRecord* nn = doc.WordAt(15, 25);
  ASSERT_NE(nn, nullptr);
  EXPECT_TRUE(nn->Margin);
  EXPECT_EQ(nn->StartPos, 1 + 4 + 2 + 3);
  // Scrolled by one line, the words pending from the line above are not shown.
  canvas.ClearOps();
  doc.SetCurrentPosition(18);
  doc.Draw();
  EXPECT_TRUE(XOf("nn").empty());
  EXPECT_TRUE(XOf("oo").empty());

  // A line with margin words of its own drops the pending ones.
  doc.Clear();
  canvas.ClearOps();
  doc.Append("aaaa" + note + " bbbb" + Code(',') + "pp" + Code('d') + " cccc", 1);
  doc.Draw();
  EXPECT_TRUE(XOf("nn").empty());
  EXPECT_TRUE(XOf("oo").empty());
  EXPECT_EQ(XOf("pp"), (std::vector<int32_t>{10}));
  EXPECT_EQ(doc.Paragraph(0).Lines().Line(1).MarginPicture, 2);

  // Below a left border of 20 px there is no margin column.
  doc.Clear();
  canvas.ClearOps();
  doc.SetLeftBorder(19);
  doc.Append("aaaa" + note + " bbbb", 1);
  doc.Draw();
  for (const Op& op : canvas.ops) EXPECT_NE(op.kind, Op::kPicture);
  EXPECT_TRUE(XOf("mm").empty());
}

TEST_F(DocumentTest, TableAndEmptyParagraphs) {
  Prepare(300);
  doc.SetLineSpacingFactor(2);  // (20 div 10) x 2 = 4 px
  const std::string table = "x" + Code('<') + Code('=') + "Rates of pay" + Code('>') + Code('@') +
                            Code('?') + "a" + Code('?') + "b";
  const TAbsatz& t = doc.Append(table, 10);
  ASSERT_NE(t.Table(), nullptr);
  EXPECT_EQ(t.Table()->Cell(1, 2), "b");
  ASSERT_EQ(t.Lines().Count(), 1);
  EXPECT_EQ(LineWords(t, 0), (std::vector<std::string>{"Rates", "of", "pay"}));
  const TWortListRecord& w = t.Lines().Line(0).Words().Word(1);
  EXPECT_TRUE(w.Link);
  EXPECT_EQ(w.LinkKind, 5);
  EXPECT_EQ(t.EndPos(), 10 + static_cast<int32_t>(table.size()) - 1);

  const TAbsatz& e = doc.Append("", 50);
  EXPECT_EQ(e.Lines().Count(), 0);
  EXPECT_EQ(e.EndPos(), 50);
  EXPECT_EQ(e.Height(), 20 + 4);
  EXPECT_EQ(e.CurrentLine(), -1);
  // An empty paragraph draws as a blank strip.
  doc.SetCurrentPosition(50);
  EXPECT_EQ(CodeOf([&] { doc.Draw(); }), "none");
}

TEST_F(DocumentTest, PositionsAndLineStepping) {
  Prepare(100);
  // "aaaa bbbb" / "cccc" at 21..34; separator 35..36; "dd" at 37..38.
  doc.Append("aaaa bbbb cccc", 21);
  doc.Append("dd", 37);
  doc.SetCurrentPosition(34);
  EXPECT_EQ(doc.FirstVisible(), 0);
  for (int32_t pos : {35, 36, 37}) {
    doc.SetCurrentPosition(pos);
    EXPECT_EQ(doc.FirstVisible(), 1) << pos;
  }
  EXPECT_EQ(CodeOf([&] { doc.SetCurrentPosition(39); }), "ASÄ-SP 002");
  EXPECT_EQ(CodeOf([&] { doc.SetCurrentPosition(20); }), "ASÄ-SP 002");

  doc.SetCurrentPosition(21);
  EXPECT_EQ(doc.PreviousLineStart(), -1);  // start of the loaded text
  EXPECT_EQ(doc.NextLineStart(), 31);
  doc.SetCurrentPosition(32);  // inside "cccc"
  EXPECT_EQ(doc.Paragraph(0).CurrentLine(), 1);
  EXPECT_EQ(doc.NextLineStart(), 37);
  EXPECT_EQ(doc.PreviousLineStart(), 21);
  doc.SetCurrentPosition(37);
  EXPECT_EQ(doc.NextLineStart(), -1);  // end of the loaded text
  EXPECT_EQ(doc.PreviousLineStart(), 31);
  // The previous paragraph loaded at the front keeps the first visible one.
  doc.Prepend("zz", 17);
  EXPECT_EQ(doc.FirstVisible(), 2);
  doc.SetCurrentPosition(21);
  EXPECT_EQ(doc.PreviousLineStart(), 17);
  doc.SetCurrentPosition(18);
  EXPECT_EQ(doc.FirstVisible(), 0);
  EXPECT_EQ(doc.PreviousLineStart(), -1);
  EXPECT_EQ(doc.NextLineStart(), 21);

  TAbsaetze empty(canvas, colours);
  EXPECT_EQ(empty.NextLineStart(), -1);
  EXPECT_EQ(empty.PreviousLineStart(), -1);
  EXPECT_EQ(empty.WordAt(1, 1), nullptr);
  EXPECT_EQ(empty.FirstVisibleWord(), nullptr);
  EXPECT_EQ(empty.LastVisibleWord(), nullptr);
}

TEST_F(DocumentTest, VisibleWordsAndCacheTrimming) {
  Prepare(100, 0, 40);  // two 20 px lines fit
  doc.SetCacheFactor(1);
  for (int i = 0; i < 5; ++i) doc.Append("w" + std::to_string(i), 1 + 5 * i);
  doc.SetCurrentPosition(6);
  doc.Draw();
  EXPECT_EQ(doc.FirstVisible(), 1);
  EXPECT_EQ(doc.LastVisible(), 2);
  EXPECT_EQ(doc.FirstVisibleWord()->StartPos, 6);
  EXPECT_EQ(doc.LastVisibleWord()->StartPos, 11);
  EXPECT_EQ(doc.WordAt(5, 30)->StartPos, 11);
  EXPECT_EQ(doc.WordAt(5, 20), nullptr);  // on a box edge
  EXPECT_EQ(doc.ParagraphAt(12), &doc.Paragraph(2));
  EXPECT_EQ(doc.ParagraphAt(1), nullptr);
  EXPECT_EQ(doc.CurrentLineHeight(), 20);

  EXPECT_TRUE(doc.Trim());
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(doc.Paragraph(0).StartPos(), 6);
  EXPECT_EQ(doc.FirstVisible(), 0);
  EXPECT_EQ(doc.LastVisible(), 1);
  EXPECT_EQ(doc.CurrentPosition(), 6);
  EXPECT_FALSE(doc.Trim());  // 40 px no longer exceed the cache
  EXPECT_EQ(CodeOf([&] { doc.SetCacheFactor(11); }), "ASÄ-SGC 001");
  EXPECT_EQ(CodeOf([&] { doc.SetCacheFactor(0); }), "ASÄ-SGC 001");
}

TEST_F(DocumentTest, PrintRangeHidesWordsInPrinterMode) {
  Prepare(300);
  EXPECT_EQ(CodeOf([&] { doc.SetPrintRange(1, 2); }), "ASÄ-SDM 001");
  doc.SetPrinter(true);
  for (auto [from, to] : {std::pair{0, 3}, {3, 0}, {5, 4}}) {
    EXPECT_EQ(CodeOf([&, from = from, to = to] { doc.SetPrintRange(from, to); }), "ASÄ-SDM 002");
  }
  doc.Append("aa bb cc", 1);
  EXPECT_EQ(CodeOf([&] { doc.SetPrinter(false); }), "ASÄ-SBD 001");
  doc.SetPrintRange(4, 5);
  doc.Draw();
  EXPECT_TRUE(XOf("aa").empty());
  EXPECT_EQ(XOf("bb"), (std::vector<int32_t>{1 + Box(2) + 10}));
  EXPECT_TRUE(XOf("cc").empty());
  const int32_t cc_left = 1 + 2 * (Box(2) + 10);
  for (const Op& op : canvas.ops) {
    EXPECT_TRUE(op.kind != Op::kText || op.printer);
    // Nothing is filled over the hidden words' boxes.
    if (op.kind == Op::kFill && op.rect.Top < 20) {
      EXPECT_FALSE(op.rect.Left < 1 + Box(2) && op.rect.Right > 1) << op.rect.Left;
      EXPECT_FALSE(op.rect.Left < cc_left + Box(2) && op.rect.Right > cc_left) << op.rect.Left;
    }
  }
  // A paragraph laid out later follows the range too.
  doc.Append("dd", 10);
  EXPECT_FALSE(doc.Paragraph(1).Lines().Line(0).Words().Word(1).Visible);
}

TEST_F(DocumentTest, InternalErrorsReachableByCallers) {
  Prepare(100);
  EXPECT_EQ(CodeOf([&] { doc.Draw(); }), "ASÄ-D 001");
  EXPECT_EQ(CodeOf([&] { doc.Relayout(); }), "AS-AJ 001");
  EXPECT_EQ(CodeOf([&] { doc.CurrentLineHeight(); }), "ASÄ-HCL 001");
  EXPECT_EQ(CodeOf([&] { doc.HeightFromCurrent(); }), "ASÄ-GHFC 001");
  TAbsatz& p = doc.Append("aa bb", 1);
  // Nothing is visible before the first drawing.
  EXPECT_EQ(CodeOf([&] { doc.WordAt(1, 1); }), "ASÄ-WXY 002");
  EXPECT_EQ(CodeOf([&] { doc.FirstVisibleWord(); }), "ASÄ-FWS 002");
  EXPECT_EQ(CodeOf([&] { doc.LastWordOfFirstVisibleLine(); }), "ASÄ-FLS 002");
  EXPECT_EQ(CodeOf([&] { doc.LastVisibleWord(); }), "ASÄ-LWS 002");
  EXPECT_EQ(CodeOf([&] { doc.ParagraphAt(1); }), "ASÄ-GAWP 002");
  EXPECT_EQ(CodeOf([&] { p.SetCurrentPosition(6); }), "AS-SCP 001");
  EXPECT_EQ(CodeOf([&] { p.SetPrinter(true); }), "AS-SBD 001");
  EXPECT_EQ(CodeOf([&] { p.SetPrintRange({}); }), "AS-SDM 001");
  EXPECT_EQ(CodeOf([&] { doc.Append(Code(0x14) + Code('x') + "3" + Code('d'), 10); }), "AEZ 004");

  TZeile& line = p.Lines().Line(0);
  TWortListe& words = line.Words();
  EXPECT_EQ(CodeOf([&] { line.SetPrinter(true); }), "Z-SBD 002");
  EXPECT_EQ(CodeOf([&] { line.SetUnicodeGreek(true); }), "Z-SUV 002");
  EXPECT_EQ(CodeOf([&] { words.Word(3); }), "WL-GI 002");
  EXPECT_EQ(CodeOf([&] { words.Word(0); }), "WL-GI 002");
  EXPECT_EQ(CodeOf([&] { words.Redraw(1); }), "WL-RD 001");
  EXPECT_EQ(CodeOf([&] { words.GapRect(1); }), "WL-NWZ 001");
  doc.Draw();
  EXPECT_EQ(CodeOf([&] { words.GapRect(2); }), "WL-NWZ 002");

  TWortListRecord r;
  for (auto [bytes, code] : {std::pair<std::string, const char*>{"", "WLR-SD 001"},
                             {"a b", "WLR-SD 002"},
                             {"a" + Code(0x0C), "WLR-SD 003"},
                             {"a" + Code('(') + "x", "WLR-SD 004"},
                             {"a" + Code('2'), "WLR-SD 005"}}) {
    EXPECT_EQ(CodeOf([&, bytes = bytes] { words.SetWord(r, bytes, 0x03); }), code) << bytes;
  }
  words.SetWord(r, "a" + Code('2') + "ub" + Code('3') + "c", 0x03);
  ASSERT_EQ(r.Parts.size(), 4u);
  EXPECT_EQ(r.Parts[1].Text, "uo");
  EXPECT_EQ(r.Parts[3].Text, "c");
  TWortListe::SetLinkRecord(r, {100, "KRVT0001 1 1 5"});
  EXPECT_EQ(CodeOf([&] { TWortListe::SetLinkRecord(r, {100, "x"}); }), "WLR-ML 001");
  TWortListRecord numbered;
  numbered.LinkNumber = 2;
  EXPECT_EQ(CodeOf([&] { TWortListe::SetLinkRecord(numbered, {100, "x"}); }), "WLR-ML 003");
  EXPECT_EQ(CodeOf([&] { TWortListe::AscentOf(numbered); }), "WLR-GAC 001");
  EXPECT_EQ(CodeOf([&] { TWortListe::DescentOf(numbered); }), "WLR-GEC 001");

  // A paragraph of margin words only has a line without words; marking it is no error.
  doc.Append(Code(',') + "m" + Code('d'), 10);
  doc.Draw();
  EXPECT_EQ(CodeOf([&] { doc.SetUserMarking(1, 20); }), "none");
  EXPECT_EQ(CodeOf([&] { doc.Paragraph(1).Lines().Line(0).RedrawMarkings({}, {}); }), "Z-RD 001");
}

TEST_F(DocumentTest, GreekAndHebrewParts) {
  Prepare(300);
  doc.Append(Code(']') + "logos " + Code('a') + "abc", 1);
  const TZeile& line = doc.Paragraph(0).Lines().Line(0);
  EXPECT_EQ(line.Words().Word(1).Parts[0].Charset, 161);
  EXPECT_FALSE(line.Words().Word(1).Parts[0].Wide);
  EXPECT_EQ(line.Words().Word(2).Parts[0].Charset, 177);
  doc.Clear();
  doc.SetUnicodeGreek(true);
  doc.Append(Code(']') + "logos", 1);
  const TWortTeil& part = doc.Paragraph(0).Lines().Line(0).Words().Word(1).Parts[0];
  EXPECT_TRUE(part.Wide);
  EXPECT_EQ(part.Width, 10 * static_cast<int32_t>(part.WideText.size()));
  doc.Draw();
  bool wide = false;
  for (const Op& op : canvas.ops) wide |= op.kind == Op::kWide && op.font == 14;
  EXPECT_TRUE(wide);
}

}  // namespace
}  // namespace quillmar
