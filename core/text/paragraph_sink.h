#pragma once

#include <cstdint>
#include <string>

namespace quillmar {

// One word as the paragraph parser found it, with everything in force where it stands.
struct StreamWord {
  std::string bytes;           // the word's stream bytes, inline codes included; never empty
  int32_t start_position = 0;  // text position of the first byte
  char font_code = 0x03;       // font code in force where the word begins
  int32_t page_number = 0;     // code 0x14; 0 when the paragraph has none
  uint8_t page_numbering = 0;  // 0 roman, 1 arabic
  int32_t paragraph_number = 0;
  int32_t line_number = 0;
  int32_t code25_number = -1;  // code 0x19; -1 when none was seen
  std::string label;           // code ")", at most 80 bytes
  bool margin = false;         // a word of the margin column
  bool link = false;
  uint8_t link_kind = 0;         // 1..5, 100, 101
  int32_t link_number = 0;       // kinds 1..5
  bool has_link_record = false;  // kinds 100/101 with a non-empty target
  std::string link_target;       // the target text of kinds 100/101

  // Text position of the last byte.
  int32_t EndPosition() const { return start_position + static_cast<int32_t>(bytes.size()) - 1; }
};

// Receives the results of parsing one paragraph, in text order. The document model implements
// it: words go to the last line with line breaking, margin words to the margin list of the last
// line, and the layout flags affect the lines created afterwards.
class ParagraphSink {
 public:
  virtual ~ParagraphSink() = default;

  virtual void AddWord(const StreamWord& word) = 0;
  virtual void AddMarginWord(const StreamWord& word) = 0;
  virtual void SetCentred(bool centred) = 0;
  virtual void SetJustified(bool justified) = 0;
  // 1 first line indented, 2 every line, 3 every line but the first.
  virtual void SetIndentMode(uint8_t mode) = 0;
  virtual void SetParagraphNumber(int32_t number) = 0;
};

}  // namespace quillmar
