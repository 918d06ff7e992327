// Feeds arbitrary bytes to the stream decoders: paragraph cutting (in memory and through the
// byte callback), paragraph parsing, table markup, plain rendering and both Greek conversions.
// Decoding errors (quillmar::Exception) are the expected answer to damaged input; crashes,
// hangs, sanitizer reports and broken invariants (abort) are findings.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fuzz_check.h"
#include "text/greek.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/paragraph_sink.h"
#include "text/plain_text.h"
#include "text/simple_table.h"

namespace {

using namespace quillmar;

using fuzz::Check;

// Checks that every word is non-empty and stands, byte for byte, inside its paragraph.
class CheckingSink : public ParagraphSink {
 public:
  CheckingSink(std::string_view text, int32_t start) : text_(text), start_(start) {}

  void AddWord(const StreamWord& word) override { Word(word); }
  void AddMarginWord(const StreamWord& word) override { Word(word); }
  void SetCentred(bool) override {}
  void SetJustified(bool) override {}
  void SetIndentMode(uint8_t mode) override { Check(mode >= 1 && mode <= 3); }
  void SetParagraphNumber(int32_t) override {}

 private:
  void Word(const StreamWord& word) {
    Check(!word.bytes.empty());
    Check(word.start_position >= start_);
    const auto offset = static_cast<size_t>(word.start_position - start_);
    Check(offset + word.bytes.size() <= text_.size());
    Check(text_.substr(offset, word.bytes.size()) == word.bytes);
  }

  std::string_view text_;
  int32_t start_;
};

void Paragraph(std::string_view text, int32_t start) {
  try {
    const size_t table = TSimpleTable::TableStart(text);
    if (table != std::string_view::npos) {
      const TSimpleTable t(text.substr(table));
      for (int r = 1; r <= t.RowCount(); ++r)
        for (int c = 1; c <= t.ColCount(); ++c) (void)t.Cell(r, c);
    }
  } catch (const Exception&) {
  }
  try {
    CheckingSink sink(text, start);
    ParagraphParser().Parse(text, start, sink);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto length = static_cast<int32_t>(size);

  size_t covered = 0;
  for (const auto& p : ParagraphCutter::Split(bytes)) {
    Check(p.start >= 1 && static_cast<size_t>(p.start) - 1 + p.text.size() <= size);
    Check(bytes.substr(static_cast<size_t>(p.start) - 1, p.text.size()) == p.text);
    covered += p.text.size();
    Paragraph(p.text, p.start);
  }
  Check(covered <= size);

  // Random access as the reader does it: the paragraph around a few positions.
  const ParagraphCutter cutter(
      [&](int32_t p) -> std::optional<char> {
        if (p < 1 || p > length) return std::nullopt;
        return bytes[static_cast<size_t>(p) - 1];
      },
      length);
  for (int32_t p : {1, length / 2, length, length + 1, 0}) {
    const auto found = cutter.ReadAt(p);
    if (p < 1 || p > length) {
      Check(!found);
      continue;
    }
    if (!found) continue;
    Check(found->start >= 1 && static_cast<size_t>(found->start) - 1 + found->text.size() <= size);
    Check(bytes.substr(static_cast<size_t>(found->start) - 1, found->text.size()) == found->text);
  }

  (void)PlainText(bytes);
  // The Greek converters take one word part at a time, as the display hands them over: each
  // blank-separated piece of the input, up to a long word's length.
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const size_t blank = rest.find(' ');
    const std::string_view part = rest.substr(0, std::min<size_t>(blank, 64));
    rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    if (part.empty()) continue;
    (void)GreekToUnicode(part);
    (void)GreekToUtf8(part);
    (void)GreekToCp1253(part);
  }
  return 0;
}
