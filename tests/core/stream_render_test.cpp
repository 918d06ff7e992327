#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "collection/datei.h"
#include "core/stream_test_sink.h"
#include "support/temp_dir.h"
#include "text/font_table.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/plain_text.h"
#include "text/simple_table.h"

namespace quillmar {
namespace {

using test::S;

TEST(StreamRender, PlainTextOfAHandWrittenStream) {
  const std::string stream =
      S("~{14}~'3~d~{15}1~d~)Kap. 1~d~{03}Er sprach~(1~dFn~d zu~{06} ihm~{16}2~d") +
      S("und ging.~,Rand~d Ende~{0B}") +         // margin note left out
      S("~<~=Titel~=2~>~@~?a~?b~{0B}") +         // a table yields its title
      S("~PX 1 1 5~dda~d hin~QY~dz~d!~{0A}q~");  // no link texts; a lone escape ends
  EXPECT_EQ(PlainText(stream), "Er sprach zu ihm\r\nund ging. Ende\r\nTitel2\r\n hin!q");
}

TEST(StreamRender, PlainTextSuppressionLevels) {
  struct Case {
    std::string stream;
    std::string plain;
  };
  const Case cases[] = {
      {S("~{15}12~{03}ab"), "ab"},  // a font code ends an unterminated number
      {S("~{15}12~{0A}ab"), ""},    // font 10 does not
      {S("~d~dab"), "ab"},          // stray terminators do not go below 0
      {S("a\r\nb~{16}7~dc"), "a\r\nb\r\nc"},
      {S("~{15}1~d~.0~dT~dx"), "x"},
  };
  for (const Case& c : cases) EXPECT_EQ(PlainText(c.stream), c.plain) << c.plain;
}

TEST(StreamRender, PlainTextWithUnicodeGreek) {
  // Greek font parts become Unicode word part by word part; a font change or a new paragraph
  // ends the Greek, and line numbers inside it do not join two parts.
  const std::string stream = S("caf\xE9 ~].Hrod'otou `ei's~{03}, ~]l'ogo's~{16}3~d.oi~{03}.\r\nb'");
  EXPECT_EQ(PlainTextUtf8(stream, true), "café Ἡροδότου εἰς, λόγος\r\nοἱ.\r\nb'");
  EXPECT_EQ(PlainTextUtf8(stream, false), "café .Hrod'otou `ei's, l'ogo's\r\n.oi.\r\nb'");
  // A word taken out of a Greek passage.
  EXPECT_EQ(PlainTextUtf8("kl'eo's", true, true), "κλέος");
}

TEST(StreamRender, TableFromMarkup) {
  const TSimpleTable t(S("~<~=Titel~=Teil~{06}~>~@~?a~?b~{06}b~@~?c"));
  EXPECT_EQ(t.Title(), S("TitelTeil~{06}"));
  ASSERT_EQ(t.RowCount(), 2);
  ASSERT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.Cell(1, 1), "a");
  EXPECT_EQ(t.Cell(1, 2), S("b~{06}b"));
  EXPECT_EQ(t.Cell(2, 1), "c");
  EXPECT_EQ(t.Cell(2, 2), "");

  // Many rows and one long row: the short rows are not stored padded.
  std::string huge = S("~<");
  for (int k = 0; k < 20000; ++k) huge += S("~@");
  for (int k = 0; k < 20000; ++k) huge += S("~?x");
  const TSimpleTable wide(huge);
  EXPECT_EQ(wide.Cell(1, 20000) + wide.Cell(20000, 20000), "x");

  const TSimpleTable no_row(S("~<~?x~?y"));  // a cell before any row starts row 1
  EXPECT_EQ(no_row.RowCount(), 1);
  EXPECT_EQ(no_row.Cell(1, 2), "y");
  EXPECT_TRUE(no_row.Title().empty());

  for (auto [markup, code] : {std::pair{"~<~@~Xa", "ST-SD 1"},
                              {"~<~@~", "ST-SD 1"},
                              {"~<~=abc", "ST-SD 2"},
                              {"~<~=abc~", "ST-SD 2"}})
    EXPECT_EQ(test::ErrorCode([markup = markup] { TSimpleTable bad(S(markup)); }), code);
  for (auto [row, col, code] :
       {std::tuple{0, 1, "ST-GI 1"}, {3, 1, "ST-GI 1"}, {1, 0, "ST-GI 2"}, {1, 3, "ST-GI 2"}})
    EXPECT_EQ(test::ErrorCode([&, row = row, col = col] { t.Cell(row, col); }), code);
}

TEST(StreamRender, TableParagraphBecomesALinkToItself) {
  EXPECT_EQ(TSimpleTable::TableStart(S("abcd~<")), 4u);
  EXPECT_EQ(TSimpleTable::TableStart(S("abcde~<")), std::string::npos);
  EXPECT_EQ(TSimpleTable::TableStart(S("~")), std::string::npos);
  test::RecordingSink sink;
  ParagraphParser().Parse(TSimpleTable::LinkText("Tab 1"), 1, sink);
  ASSERT_EQ(sink.words.size(), 2u);
  EXPECT_EQ(sink.words[1].link_kind, 5);
  EXPECT_EQ(sink.words[1].link_number, 0);
  EXPECT_TRUE(TSimpleTable::LinkText("").size() == 7);
}

TEST(StreamRender, FontTableSizesAndSettings) {
  EXPECT_EQ(FontTable::DefaultRelations(),
            "153 127 100 147 93 100 100 93 100 95 73 73 100 100 85 85 85 100");
  for (auto [base, percent, size] : {std::tuple{15, 153, 23},
                                     {10, 125, 12},
                                     {10, 135, 14},
                                     {-15, 100, 15},
                                     {2, 25, 0},
                                     {2, 75, 2},
                                     {15, 0, 0}})
    EXPECT_EQ(FontTable::ScaledSize(base, percent), size) << base << " " << percent;
  const auto relations = FontTable::ParseRelations("200 x  50 99999999999 -7");
  EXPECT_EQ(std::vector<int>(relations.begin(), relations.begin() + 6),
            (std::vector<int>{200, 100, 50, 100, -7, 100}));

  FontTable table;
  EXPECT_EQ(table.FontOf(1).face + std::to_string(table.FontOf(1).size), "verdana22");
  table.Apply({"Times", "Gk", true, -20, FontTable::DefaultRelations(), 0xFF0000});
  // face, size, italic, bold, colour, charset of some fonts
  auto shown = [&](int n) {
    const FontTable::Font& f = table.FontOf(n);
    return f.face + " " + std::to_string(f.size) + (f.italic ? " i" : "") + (f.bold ? " b" : "") +
           " " + std::to_string(f.colour) + " " + std::to_string(f.charset);
  };
  EXPECT_EQ(shown(1), "Times 31 0 0");
  EXPECT_EQ(shown(8), "Times 19 16711680 0");
  EXPECT_EQ(shown(14), "Gk 20 0 161");
  EXPECT_EQ(shown(16), "Times 17 i 0 0");
  EXPECT_EQ(shown(17), "Times 17 b 0 0");
  EXPECT_EQ(shown(18), "verdana 20 0 177");
  table.Apply({"Times", "Gk", false, 20, "", 0});
  EXPECT_EQ(shown(14), "Times 20 0 161");
}

// Every position of a stream file reads back the paragraph that contains it; a position in a
// separator belongs to the following paragraph. The file spans several reader windows.
TEST(StreamRender, ParagraphAtEveryPositionOfAFile) {
  std::mt19937 rng(7);
  std::string bytes;
  while (bytes.size() < 25000) {
    bytes += std::string(rng() % 300, static_cast<char>('a' + rng() % 26));
    if (rng() % 5 == 0) bytes += S("~{06}");
    bytes += S("~{0B}");
  }
  bytes += "end";
  test::TempDir dir;
  test::WriteFile(dir.Sub("t.txt"), bytes);
  TDatei datei;
  datei.SetDateiName(dir.Sub("t.txt"));
  const ParagraphCutter cutter(datei);
  const std::vector<TAbsatzDataRecord> all = ParagraphCutter::Split(bytes);
  size_t index = 0;
  for (int32_t p = 1; p <= datei.DateiLen(); ++p) {
    while (index + 1 < all.size() && p >= all[index + 1].start - 2) ++index;
    const auto got = cutter.ReadAt(p);
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(got->start, all[index].start) << p;
    ASSERT_EQ(got->text, all[index].text) << p;
  }
  EXPECT_FALSE(cutter.ReadAt(0).has_value());
  EXPECT_FALSE(cutter.ReadAt(datei.DateiLen() + 1).has_value());
}

TEST(StreamRender, SplitEdges) {
  using R = std::vector<std::pair<std::string, int32_t>>;
  auto split = [](const std::string& bytes) {
    R out;
    for (const auto& p : ParagraphCutter::Split(bytes)) out.emplace_back(p.text, p.start);
    return out;
  };
  EXPECT_EQ(split(""), R{});
  EXPECT_EQ(split(S("ab~{0B}")), (R{{"ab", 1}, {"", 5}}));
  EXPECT_EQ(split(S("~{0B}~{0B}x")), (R{{"", 1}, {"", 3}, {"x", 5}}));
  EXPECT_EQ(split(S("a~")), (R{{S("a~"), 1}}));
}

}  // namespace
}  // namespace quillmar
