#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/paragraph_sink.h"

namespace quillmar {

// Turns the text of one paragraph into words, margin words and layout settings. Nothing carries
// over from one paragraph to the next: every paragraph starts in font 3, on page 0 with roman
// numbering, line 0, paragraph 0, code-25 number -1 and an empty label.
//
// Errors are internal errors: "AEZ 001", "AEZ 002", "AEZ 006", "AEZ 007" (arguments),
// "AEZ 004" (page code without "&" or "'"), "AEZ 005" (paragraph separator inside the text),
// "AEZ 009"/"AEZ 010" (a link or margin word holding the code byte 0x20, margin/main text),
// "AEZ 011" (a link or margin word made of codes only). A paragraph whose last byte is a lone
// escape byte is malformed and yields nothing.
class ParagraphParser {
 public:
  static constexpr size_t kMaxLabel = 80;

  // `start` is the text position of the paragraph's first byte.
  void Parse(std::string_view text, int32_t start, ParagraphSink& sink);

 private:
  void Reset();
  StreamWord MakeWord(std::string_view bytes, size_t offset) const;
  void EmitWord(std::string_view text, size_t& i);
  void ActOnCode(std::string_view text, char code, size_t& i);
  // Alignment and indent codes; false for any other code.
  bool SetLayout(char code);
  // Codes that set a counter or the label from their argument; false for any other code.
  bool ReadCounter(std::string_view text, char code, size_t& i);
  // The margin note and the link codes: emits the words of their text; other codes do nothing.
  void EmitLinkText(std::string_view text, char code, size_t& i);
  void ReadPageNumber(std::string_view text, size_t& i);
  // Emits the words of a margin note or link text that begins at paragraph offset `offset`.
  void EmitTextWords(const std::string& words, size_t offset, bool margin, uint8_t link_kind,
                     int32_t link_number, const std::string& target);

  ParagraphSink* sink_ = nullptr;
  int32_t start_ = 0;
  char font_ = 0x03;
  uint8_t page_numbering_ = 0;
  int32_t page_ = 0;
  int32_t paragraph_ = 0;
  int32_t line_ = 0;
  int32_t code25_ = -1;
  int32_t sections_[3] = {0, 0, 0};
  std::string label_;
};

// True when the text ends in an escape byte that has no code byte.
bool EndsInLoneEscape(std::string_view text);

}  // namespace quillmar
