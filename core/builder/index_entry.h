#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmar::builder {

// One word written into a text stream, with everything the word index needs to file it.
// Positions are byte offsets into the stream file of the word's layer, pointing at the
// first byte of the word as the paragraph parser reports it.
struct IndexEntry {
  uint8_t text = 0;          // 1-based text number
  uint8_t layer = 1;         // 1 main text, 2 footnotes, 3 scholia/remarks
  int32_t position = 0;      // stream offset of the word's first byte
  uint8_t textPart = 0;      // 0 text, 1 heading, 2 subheading, 3/4 subtitle, 10 remark,
                             // 11 footnote, 12 margin remark
  uint16_t page = 0;         // printed page number (arabic or roman), 0 before the first page
  uint16_t line = 0;         // line number in force (0 when the paragraph set none)
  uint16_t chapter = 0;      // first-level chapter number L1 (0 before the first chapter)
  uint8_t subChapter = 0;    // second-level number L2 (0 outside sections)
  int32_t paragraphKey = 0;  // 1-based number of the paragraph in its layer's stream
  uint16_t wordNumber = 0;   // running word number of the text, layer by layer, 1..65535
  uint8_t language = 0;
  // Dates in the collection's year representation: years plus YearOffset, an unknown year as
  // the NoDateMarker; day and month 0 when unknown; dateExtra is the second year of "1200/1201"
  // (plus YearOffset), 0 when none. The upper bound of a period equals the lower bound for a
  // single date.
  int32_t dateDay = 0, dateMonth = 0, dateYear = 0, dateExtra = 0;
  int32_t dateDayTo = 0, dateMonthTo = 0, dateYearTo = 0, dateExtraTo = 0;
  std::string word;  // Windows-1252 bytes as they stand in the stream, punctuation split off
};

using IndexEntries = std::vector<IndexEntry>;

}  // namespace quillmar::builder
