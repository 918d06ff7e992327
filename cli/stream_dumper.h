#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "text/paragraph_sink.h"

namespace quillmar::cli {

// Writes the decoded items of stream paragraphs, one tab-separated line each:
//   paragraph  START  LENGTH                 a paragraph and its first text position
//   word       POS  FONT  TEXT               a word of the main column
//   margin     POS  FONT  TEXT               a word of the margin column
//   page       NUMBER  roman|arabic          the page in force from the next word on
//   line       NUMBER                        likewise the line number (code 0x16)
//   number25   NUMBER                        likewise the number of code 0x19
//   label      TEXT                          likewise the section label
//   link       KIND  NUMBER  TARGET          the preceding word is a link word
//   centred|justified  on|off, indent MODE, paragraph-number NUMBER   layout codes
//   table      ROWS  COLUMNS  TITLE          a table paragraph (not decoded further)
//   error      MESSAGE                       the paragraph is damaged; decoding stopped
// FONT is the font code in hex; TEXT is UTF-8 with each code shown as "{hh}" (its code byte in
// hex) and other control bytes as "\xhh". Page, line, number25 and label lines appear where a
// word's value differs from the previous word's in the same paragraph (the paragraph start
// counts as page 0 roman, line 0, number25 -1, empty label).
class StreamDumper : public ParagraphSink {
 public:
  explicit StreamDumper(std::ostream& out) : out_(out) {}

  // Dumps one paragraph; false when it is damaged.
  bool Paragraph(std::string_view text, int32_t start);

  void AddWord(const StreamWord& word) override { Word("word", word); }
  void AddMarginWord(const StreamWord& word) override { Word("margin", word); }
  void SetCentred(bool on) override;
  void SetJustified(bool on) override;
  void SetIndentMode(uint8_t mode) override;
  void SetParagraphNumber(int32_t number) override;

  // Stream bytes shown as described above.
  static std::string Shown(std::string_view bytes);

 private:
  void Word(const char* kind, const StreamWord& word);

  std::ostream& out_;
  StreamWord last_;  // the context of the previous word
};

}  // namespace quillmar::cli
