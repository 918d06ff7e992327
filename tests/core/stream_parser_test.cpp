#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "core/stream_test_sink.h"
#include "text/paragraph_parser.h"
#include "text/plain_text.h"
#include "text/simple_table.h"
#include "text/stream_arguments.h"
#include "text/word_collector.h"

namespace quillmar {
namespace {

using test::RecordingSink;
using test::S;
using Log = std::vector<std::string>;

Log Parse(const std::string& text, int32_t start = 1) {
  RecordingSink sink;
  ParagraphParser().Parse(text, start, sink);
  return sink.log;
}

struct ParseCase {
  const char* name;
  std::string text;
  Log expected;
};

TEST(StreamParser, WordsCodesAndPositions) {
  const ParseCase cases[] = {
      {"blanks separate, positions are 1-based", "ab  cd ", {"W ab @1 f3", "W cd @5 f3"}},
      {"font code inside a word carries on",
       S("ab~{06}cd ef"),
       {"W ab~{06}cd @1 f3", "W ef @8 f6"}},
      {"font code before a blank acts between words",
       S("ab~{06} cd"),
       {"W ab @1 f3", "W cd @6 f6"}},
      {"font code at the end acts after the word", S("ab~]"), {"W ab @1 f3"}},
      {"centring code ends the word and acts", S("ab~{0C}cd"), {"W ab @1 f3", "C1", "W cd @5 f3"}},
      {"word codes 2, 3, 4 stay inside", S("m~2ue~3x~4y"), {"W m~2ue~3x~4y @1 f3"}},
      {"layout codes",
       S("~{0D}~{0E}~{0F}~{10}~{11}~{12}~{13}"),
       {"C0", "J1", "J0", "I2", "I1", "I3", "I1"}},
      {"ignored codes", S("~2~d~<~{7F}~x~{17} a"), {"W a @14 f3"}},
      {"link words in font 8 at true positions, font restored",
       S("x~(12~dsee here~d y"),
       {"W x @1 f3", "W see @8 f8 L1/12", "W here @12 f8 L1/12", "W y @19 f3"}},
      {"scholion link words go to the margin in font Z",
       S("~*3~dnote one~d"),
       {"M note @6 f11 L2/3", "M one @11 f11 L2/3"}},
      {"remark, picture and table links",
       S("~-7~dr~d~+8~dp~d~.0~dt~d"),
       {"W r @6 f8 L3/7", "W p @14 f8 L4/8", "W t @22 f8 L5/0"}},
      {"margin note, one margin word per word",
       S("~,a  bc~d z"),
       {"M a @3 f11", "M bc @6 f11", "W z @11 f3"}},
      {"P link: target then shown text",
       S("~PKRVT0001 3 1 200~dthere~d"),
       {"W there @21 f8 L100/0 TKRVT0001 3 1 200"}},
      {"Q link, with and without target",
       S("~QJoh 3,16~dw~d~Q~dv~d"),
       {"W w @13 f8 L101/0 TJoh 3,16", "W v @20 f8 L101/0"}},
      {"section counters and paragraph number", S("~{1E}1~d~{1F}2~d~{20}3~d~{15}9~d"), {"N9"}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Parse(c.text), c.expected);
  }
}

TEST(StreamParser, EveryFontCodeSelectsItsFont) {
  for (int n = 1; n <= stream::kFontCount; ++n) {
    const std::string text = S("~") + stream::FontCode(n) + "x";
    EXPECT_EQ(Parse(text), Log{"W x @3 f" + std::to_string(n)}) << n;
  }
}

// "page numbering paragraph line code25 [label] font" of every word.
std::vector<std::string> Numbers(const std::vector<std::string>& paragraphs) {
  RecordingSink sink;
  ParagraphParser parser;
  for (const std::string& p : paragraphs) parser.Parse(p, 1, sink);
  std::vector<std::string> out;
  for (const StreamWord& w : sink.words)
    out.push_back(std::to_string(w.page_number) + (w.page_numbering ? "a " : "r ") +
                  std::to_string(w.paragraph_number) + " " + std::to_string(w.line_number) + " " +
                  std::to_string(w.code25_number) + " [" + w.label + "] " +
                  std::to_string(stream::FontNumber(w.font_code)));
  return out;
}

TEST(StreamParser, WordsCarryTheNumbersInForceAndEachParagraphStartsAfresh) {
  const std::string label(90, 'L');
  EXPECT_EQ(Numbers({S("~{14}~'12~d~{15}7~d~{16}3~d~{19}25~d~)") + label + S("~dw~{06}"),
                     S("~{14}~&4~d~)x~dw"), "w"}),
            (std::vector<std::string>{"12a 7 3 25 [" + std::string(80, 'L') + "] 3",
                                      "4r 0 0 -1 [x] 3", "0r 0 0 -1 [] 3"}));
}

TEST(StreamParser, MalformedInputRaisesItsCode) {
  struct ErrorCase {
    std::string text;
    const char* code;
  };
  const ErrorCase cases[] = {
      {S("~{15}~d"), "AEZ 001"},
      {S("~{15}1x~d"), "AEZ 002"},
      {S("~{15}-~d"), "AEZ 002"},
      {S("~{15}1~{06}~d"), "AEZ 002"},
      {S("~{15}2147483648~d"), "AEZ 002"},
      {S("~{15}99999999999999999999~d"), "AEZ 002"},
      {S("~{14}~X1~d"), "AEZ 004"},
      {S("~{14}1~d"), "AEZ 004"},
      {S("~{14}"), "AEZ 004"},
      {S("a ~{0B} b"), "AEZ 005"},
      {S("~)a~") + std::string(1, '\0') + S("b~d"), "AEZ 006"},
      {S("~{15}12"), "AEZ 007"},
      {S("~)label"), "AEZ 007"},
      {S("~(1~dtext"), "AEZ 007"},
      {S("~PKRVT0001~d"), "AEZ 007"},
      {S("~,a~ b~d"), "AEZ 009"},
      {S("~*1~da~ b~d"), "AEZ 009"},
      {S("~(1~da~ b~d"), "AEZ 010"},
      {S("~,~{06} a~d"), "AEZ 011"},
  };
  for (const ErrorCase& c : cases) {
    RecordingSink sink;
    EXPECT_EQ(test::ErrorCode([&] { ParagraphParser().Parse(c.text, 1, sink); }), c.code);
  }
}

TEST(StreamParser, WordCollectorKeepsTheColumnsAskedForAndTheWordsBeforeAFault) {
  const auto starts = [](const WordCollector& c) {
    std::vector<int32_t> out;
    for (const StreamWord& w : c.Words()) out.push_back(w.start_position);
    return out;
  };
  // Main and margin words in text order; the layout code is ignored.
  WordCollector all;
  ParagraphParser().Parse(S("a ~,m~d~{0C}b"), 1, all);
  EXPECT_EQ(starts(all), (std::vector<int32_t>{1, 5, 10}));
  EXPECT_TRUE(all.Words()[1].margin);
  WordCollector main(WordCollector::Columns::kMainOnly);
  ParagraphParser().Parse(S("a ~,m~d~{0C}b"), 1, main);
  EXPECT_EQ(starts(main), (std::vector<int32_t>{1, 10}));
  // A paragraph separator inside the paragraph raises, after the word before it was collected.
  WordCollector damaged;
  EXPECT_EQ(test::ErrorCode([&] { ParagraphParser().Parse(S("a ~{0B} b"), 1, damaged); }),
            "AEZ 005");
  EXPECT_EQ(starts(damaged), (std::vector<int32_t>{1}));
}

TEST(StreamParser, ArgumentReadersLeaveTheOffsetAfterTheTerminator) {
  const std::string text = S("-42~dab~(c~d!");
  size_t offset = 0;
  EXPECT_EQ(NumberAt(text, offset), -42);
  EXPECT_EQ(offset, 5u);
  EXPECT_EQ(TextAt(text, offset), S("ab~(c"));
  EXPECT_EQ(text.substr(offset), "!");
  // An escaped escape byte is a code, so the "d" after it is plain text.
  const std::string nested = S("a~~d~d");
  offset = 0;
  EXPECT_EQ(TextAt(nested, offset), S("a~~d"));
  EXPECT_EQ(offset, nested.size());
}

TEST(StreamParser, ParagraphEndingInALoneEscapeYieldsNothing) {
  EXPECT_TRUE(Parse(S("ab cd~")).empty());
  EXPECT_TRUE(Parse(S("ab~{06}~")).empty());
  EXPECT_TRUE(Parse(S("~")).empty());
  // An escape pair at the end is a code, not a lone escape.
  EXPECT_EQ(Parse(S("ab~~")), Log{"W ab @1 f3"});
}

// Random bytes drawn mostly from the bytes that matter to the format: the parser, the plain
// rendering and the table reader end and raise only internal errors, and every word the parser
// reports is the stream's bytes at the word's position.
TEST(StreamParser, RandomBytesNeverCrashOrHang) {
  const std::string alphabet = S("~~~~d d a1-(*,)PQ.<{0B}{14}{15}{16}{06}Z'&2u");
  std::mt19937 rng(20261206);
  for (int round = 0; round < 20000; ++round) {
    std::string text(rng() % 40, ' ');
    for (char& c : text)
      c = rng() % 8 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
    const int32_t start = static_cast<int32_t>(rng() % 1000) + 1;
    RecordingSink sink;
    try {
      ParagraphParser().Parse(text, start, sink);
    } catch (const InternalError&) {
    }
    PlainText(text);
    try {
      TSimpleTable table(text);
      for (int r = 1; r <= table.RowCount(); ++r)
        for (int k = 1; k <= table.ColCount(); ++k) table.Cell(r, k);
    } catch (const InternalError&) {
    }
    for (const StreamWord& w : sink.words) {
      ASSERT_FALSE(w.bytes.empty());
      const auto offset = static_cast<size_t>(w.start_position - start);
      ASSERT_LE(offset + w.bytes.size(), text.size());
      ASSERT_EQ(text.substr(offset, w.bytes.size()), w.bytes);
    }
  }
}

}  // namespace
}  // namespace quillmar
