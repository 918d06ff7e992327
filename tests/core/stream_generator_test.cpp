#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "core/stream_test_sink.h"
#include "support/temp_dir.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/plain_text.h"
#include "text/text_generator.h"

namespace quillmar {
namespace {

using test::S;

// Plays a script on a fresh generator and returns the file it leaves plus the message of the
// error that stopped the script, if any. Script: P start paragraph, B blank line, N next line,
// a digit d and a letter x: new chapter of level d named x; 'text' adds the text; I/i italic,
// S/s small, F/f bold, G/g Greek, H/h Hebrew, R/r roman pages, C/c centred headings on/off.
struct Played {
  std::string bytes;
  std::string error;
};

Played Play(std::string_view script) {
  using Action = void (TTextGenerator::*)();
  using Setter = void (TTextGenerator::*)(bool);
  const std::map<char, Action> actions = {{'P', &TTextGenerator::StartParagraph},
                                          {'B', &TTextGenerator::BlankLine},
                                          {'N', &TTextGenerator::NextLine}};
  const std::map<char, Setter> setters = {
      {'i', &TTextGenerator::SetItalic},         {'s', &TTextGenerator::SetSmall},
      {'f', &TTextGenerator::SetBold},           {'g', &TTextGenerator::SetGreek},
      {'h', &TTextGenerator::SetHebrew},         {'r', &TTextGenerator::SetRomanPageNumbering},
      {'c', &TTextGenerator::SetCentredHeadings}};
  test::TempDir dir;
  const std::string path = dir.Sub("out.txt");
  Played out;
  TTextGenerator g(path);
  try {
    for (size_t i = 0; i < script.size(); ++i) {
      const char c = script[i];
      if (c >= '0' && c <= '9') {
        g.NewChapter(c - '0', script.substr(++i, 1));
      } else if (c == '\'') {
        const size_t end = script.find('\'', i + 1);
        g.AddText(script.substr(i + 1, end - i - 1));
        i = end;
      } else if (actions.contains(c)) {
        (g.*actions.at(c))();
      } else {
        (g.*setters.at(static_cast<char>(c | 0x20)))(c < 'a');
      }
    }
  } catch (const Exception& e) {
    out.error = e.what();
  }
  g.Close();
  out.bytes = test::ReadFile(path);
  return out;
}

TEST(StreamGenerator, ExactBytes) {
  const std::string head = "~{14}~'1~d~{15}1~d~)~d~{1E}0~d~{1F}0~d~{20}0~d~{03}";
  struct Case {
    const char* script;
    std::string bytes;
  };
  const Case cases[] = {
      // The blank line after a paragraph writes the separator first, after a blank line not.
      {"P'Hallo Welt'I'kursiv'iNBBP",
       head + "Hallo Welt~{06}kursiv~{03}~{16}2~d~{0B}~{03}~{0B}~{03}~{0B}" +
           "~{14}~'1~d~{15}2~d~)~d~{1E}0~d~{1F}0~d~{20}0~d~{03}"},
      {"CR1E",
       "~{01}~{0B}~{01}~{0B}~{01}~{14}~&0~d~{15}1~d~{16}0~d~{0C}"
       "~)E~d~{1E}1~d~{1F}0~d~{20}0~dE~{0B}~{01}~{0B}"},
      // Style flags: bold, small bold, small, small italic, italic, body, Hebrew, body, Greek,
      // Greek over italic.
      {"PFSfIsiHhGI", head + "~\\~`~^~_~{06}~{03}~a~{03}~]~]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Play(c.script).bytes, S(c.bytes)) << c.script;
}

TEST(StreamGenerator, ErrorsNameTheirCodeAndKeepTheBytesWritten) {
  struct Case {
    const char* script;
    const char* code;
    const char* tail;  // the file ends so
  };
  const Case cases[] = {
      {"'x'", "AD1", ""},    {"B'x'", "AD1", "~{03}~{0B}"},
      {"I", "SF1", ""},      {"0x", "NK1", ""},
      {"4x", "NK1", ""},     {"PGS", "GCF1", "~]"},
      {"PSH", "GCF2", "~^"}, {"PHG", "GCF3", "~a"},
  };
  for (const Case& c : cases) {
    const Played p = Play(c.script);
    EXPECT_EQ(p.error, std::string("compile error: ") + c.code) << c.script;
    EXPECT_TRUE(p.bytes.ends_with(S(c.tail))) << c.script;
  }
}

TEST(StreamGenerator, FileProblemsAreInputOutputErrors) {
  test::TempDir dir;
  EXPECT_THROW(TTextGenerator(dir.Sub("missing/dir/out.txt")), EInOutError);
  TTextGenerator closed(dir.Sub("closed.txt"));
  closed.Close();
  EXPECT_THROW(closed.StartParagraph(), EInOutError);
  if (std::filesystem::exists("/dev/full")) {  // a device that is always full
    TTextGenerator full("/dev/full");
    full.StartParagraph();
    EXPECT_THROW(full.Close(), EInOutError);
  }
}

// Words of the decoded output: "bytes fFont pPage lLine nParagraph label".
std::vector<std::string> Decode(const std::string& bytes) {
  std::vector<std::string> words;
  for (const TAbsatzDataRecord& p : ParagraphCutter::Split(bytes)) {
    test::RecordingSink sink;
    ParagraphParser().Parse(p.text, p.start, sink);
    for (const StreamWord& w : sink.words) {
      EXPECT_EQ(bytes.substr(static_cast<size_t>(w.start_position - 1), w.bytes.size()), w.bytes);
      words.push_back(w.bytes + " f" + std::to_string(stream::FontNumber(w.font_code)) + " p" +
                      std::to_string(w.page_number) + " l" + std::to_string(w.line_number) + " n" +
                      std::to_string(w.paragraph_number) + " " + w.label);
    }
  }
  return words;
}

// What the generator writes reads back as the same words, fonts, numbers, labels and plain text.
TEST(StreamGenerator, OutputDecodesBackToItsWords) {
  const std::string bytes = Play("1BP'Am Anfang 'I'schuf'i' Gott'N'Himmel'BPS'klein'").bytes;
  EXPECT_EQ(Decode(bytes),
            (std::vector<std::string>{"B f1 p0 l0 n1 B", "Am f3 p1 l0 n2 B", "Anfang f3 p1 l0 n2 B",
                                      "schuf f6 p1 l0 n2 B", "Gott f3 p1 l0 n2 B",
                                      "Himmel f3 p1 l2 n2 B", "klein f15 p1 l0 n3 B"}));
  // The heading's line-number code breaks the line as well.
  EXPECT_EQ(PlainText(bytes), "\r\n\r\n\r\nB\r\n\r\nAm Anfang schuf Gott\r\nHimmel\r\n\r\nklein");

  // Labels join the names of the levels whose counters are set; a chapter resets those below.
  std::vector<std::string> labels;
  for (const std::string& w : Decode(Play("1A2B3CP'x'2DP'y'1EP'z'").bytes))
    labels.push_back(w.substr(0, 1) + ":" + w.substr(w.rfind(' ') + 1));
  EXPECT_EQ(labels, (std::vector<std::string>{"A:A", "B:A/B", "C:A/B/C", "x:A/B/C", "D:A/D",
                                              "y:A/D", "E:E", "z:E"}));
}

}  // namespace
}  // namespace quillmar
