#include "text/print_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/language.h"
#include "support/fixed_canvas.h"
#include "support/internal_code.h"
#include "text/paragraph_cutter.h"

namespace quillmar {
namespace {

using test::FixedCanvas;
using Op = FixedCanvas::Op;

// A paragraph on a source page: page code, then the words.
std::string Para(int32_t page, bool arabic, const std::string& words) {
  return std::string("\x01\x14\x01") + (arabic ? '\'' : '&') + std::to_string(page) + "\x01" + "d" +
         words;
}

std::string Stream(const std::vector<std::string>& paragraphs) {
  std::string s;
  for (const std::string& p : paragraphs) s += (s.empty() ? "" : "\x01\x0B") + p;
  return s;
}

// A printer of 1000 x 600 pixels at 271 dpi (10 px per millimetre) on the fixed canvas: with
// margins of 10 mm the text area is 100..900 x 150..500, room for 17 lines of 20 px. It files
// the words drawn on each page.
class RecordingTarget : public PrintTarget {
 public:
  Canvas& Surface() override { return canvas; }
  PrintDevice Device() override { return {1000, 600, 271, 271}; }
  void NewPage() override { Flush(); }
  void DrawHeader(int32_t x, int32_t top, std::string_view bytes) override {
    headers.push_back(std::string(bytes));
    header_at.push_back({x, top});
  }
  void Flush() {
    if (headers.size() <= page_words.size()) return;  // nothing drawn since the last page
    page_words.push_back(0);
    for (const Op& op : canvas.ops) {
      if (op.kind != Op::kText) continue;
      words.push_back(op.text);
      xs.push_back(op.x);
      ++page_words.back();
    }
    canvas.ClearOps();
  }
  int32_t XOf(const std::string& word) const {
    const auto at = std::find(words.begin(), words.end(), word);
    return at == words.end() ? -1 : xs[static_cast<size_t>(at - words.begin())];
  }

  FixedCanvas canvas;
  std::vector<std::string> headers;
  std::vector<std::pair<int32_t, int32_t>> header_at;
  std::vector<std::string> words;  // of every page, with their x positions
  std::vector<int32_t> xs;
  std::vector<size_t> page_words;  // number of words on each page
};

class PrintJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentLanguage(kEnglish);
    settings.LineSpacing = 0;
    settings.ParaBlank = 0;
    settings.Blocksatz = false;
  }

  // Prints first..last of the stream on a fresh target.
  PrintResult Run(const std::string& stream, int32_t first, int32_t last) {
    target = std::make_unique<RecordingTarget>();
    ParagraphCutter cutter(
        [&stream](int32_t p) -> std::optional<char> {
          if (p < 1 || p > static_cast<int32_t>(stream.size())) return std::nullopt;
          return stream[static_cast<size_t>(p - 1)];
        },
        static_cast<int32_t>(stream.size()));
    if (fail_font > 0) target->canvas.FailMetrics(fail_font);
    for (int f = 1; tall && f <= 18; ++f) target->canvas.SetMetrics(f, true, {400, 380, 20, 0});
    PrintJob job(*target, colours, settings);
    const PrintResult r = job.Print(cutter, "Title", first, last);
    target->Flush();
    return r;
  }

  std::unique_ptr<RecordingTarget> target;
  ColourTables colours;
  PrintSettings settings;
  int fail_font = 0;
  bool tall = false;
};

TEST_F(PrintJobTest, OnlyTheWordsOfTheRangeArePrintedAtTheirPlaces) {
  const std::string s = Stream({Para(4, true, "alpha beta gamma"), Para(5, true, "delta epsilon")});
  const int32_t beta = static_cast<int32_t>(s.find("beta")) + 1;
  const int32_t delta_end = static_cast<int32_t>(s.find("delta")) + 5;
  PrintResult r = Run(s, 1, static_cast<int32_t>(s.size()));
  const int32_t beta_x = target->XOf("beta");
  EXPECT_EQ(target->words,
            (std::vector<std::string>{"alpha", "beta", "gamma", "delta", "epsilon"}));

  r = Run(s, beta, delta_end);
  EXPECT_TRUE(r.Complete);
  EXPECT_EQ(r.Pages, 1);
  EXPECT_EQ(target->words, (std::vector<std::string>{"beta", "gamma", "delta"}));
  EXPECT_EQ(target->XOf("beta"), beta_x);
  ASSERT_EQ(target->headers.size(), 1u);
  EXPECT_EQ(target->headers[0], "Title, page(s): 4 - 5");
  EXPECT_EQ(target->header_at[0], (std::pair<int32_t, int32_t>{100, 100}));

  // The header names the pages of the printed words, not of their neighbours.
  const std::string turn = Stream({Para(4, true, "alpha beta") + " " + Para(5, true, "gamma")});
  const int32_t b = static_cast<int32_t>(turn.find("beta")) + 1;
  Run(turn, b, b);
  EXPECT_EQ(target->words, (std::vector<std::string>{"beta"}));
  EXPECT_EQ(target->headers[0], "Title, page(s): 4");
  Run(turn, b, static_cast<int32_t>(turn.size()));
  EXPECT_EQ(target->headers[0], "Title, page(s): 4 - 5");
}

TEST_F(PrintJobTest, PagesFollowEachOtherWithoutLosingLines) {
  // 10 one-line paragraphs, one of 30 lines (10 words of 6 bytes fit a line), then 10 more.
  std::vector<std::string> expected, paras;
  for (int i = 0; i < 320; ++i)
    expected.push_back(("w" + std::to_string(i) + "xxxxx").substr(0, 6));
  for (int i = 0; i < 10; ++i) paras.push_back(Para(1, true, expected[i]));
  std::string longest = expected[10];
  for (int i = 11; i < 310; ++i) longest += " " + expected[i];
  paras.push_back(Para(2, true, longest));
  for (int i = 310; i < 320; ++i) paras.push_back(Para(3, true, expected[i]));
  const std::string s = Stream(paras);

  const PrintResult r = Run(s, 1, static_cast<int32_t>(s.size()));
  EXPECT_TRUE(r.Complete);
  // 10 + 30 + 10 = 50 lines at 17 a page.
  EXPECT_EQ(r.Pages, 3);
  EXPECT_EQ(target->words, expected);
  EXPECT_EQ(target->page_words, (std::vector<size_t>{10 + 7 * 10, 17 * 10, 6 * 10 + 10}));
  EXPECT_EQ(target->headers, (std::vector<std::string>{"Title, page(s): 1 - 2", "Title, page(s): 2",
                                                       "Title, page(s): 2 - 3"}));
}

TEST_F(PrintJobTest, RangeEndStopsThePrintout) {
  std::vector<std::string> paras;
  for (int i = 0; i < 40; ++i) paras.push_back(Para(i + 1, false, "p" + std::to_string(i)));
  const std::string s = Stream(paras);
  const int32_t p20 = static_cast<int32_t>(s.find("p20")) + 1;
  const PrintResult r = Run(s, 1, p20);
  EXPECT_EQ(r.Pages, 2);
  EXPECT_EQ(target->words.back(), "p20");
  EXPECT_EQ(target->headers.back(), "Title, page(s)XVIII - XXI");
}

TEST_F(PrintJobTest, APageWithoutRoomStopsIncomplete) {
  const std::string s = Stream({Para(1, true, "huge"), Para(1, true, "more")});
  tall = true;  // one line is taller than the text area
  const PrintResult r = Run(s, 1, static_cast<int32_t>(s.size()));
  EXPECT_FALSE(r.Complete);
  EXPECT_TRUE(target->words.empty());

  tall = false;
  settings.Margins = {60, 60, 10, 10};  // no width left
  EXPECT_FALSE(Run(s, 1, 5).Complete);
}

TEST_F(PrintJobTest, InternalErrors) {
  const std::string s = Stream({Para(1, true, "only")});
  EXPECT_EQ(test::InternalCode([&] { Run(s, static_cast<int32_t>(s.size()) + 1, 1000); }),
            "PTF-GA 001");
  fail_font = 7;
  EXPECT_EQ(test::InternalCode([&] { Run(s, 1, 5); }), "PTF-DA 001");
  fail_font = 0;
  EXPECT_EQ(Run(s, 0, 5).Pages, 0);  // nothing selected prints nothing
}

}  // namespace
}  // namespace quillmar
