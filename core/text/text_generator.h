#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quillmar {

// Writes a stream file (created anew) that the reader can show like any text: paragraphs that
// each carry their page, paragraph-number and label codes, chapter headings, line numbers and
// font changes. The file is complete only after destruction.
//
// Errors are raised as `Exception` with the message "compile error: " and the code: "AD1", "SF1"
// (text or font at a paragraph start), "LZ1" (blank line in a non-font code), "NK1" (chapter level
// outside 1..3), "GCF1".."GCF3" (impossible flag combinations). The bytes written before the
// error stay in the file. A file that cannot be created or written raises `EInOutError`.
class TTextGenerator {
 public:
  explicit TTextGenerator(const std::string& file_name);
  // Closes the file; a write error that shows only now goes unreported (use Close()).
  ~TTextGenerator();
  TTextGenerator(const TTextGenerator&) = delete;
  TTextGenerator& operator=(const TTextGenerator&) = delete;

  // Completes and closes the file, raising `EInOutError` when it could not be written. Writing
  // after Close() raises `EInOutError`.
  void Close();

  // Separator unless at a paragraph start; page (page and line become 1 while the page is 0),
  // paragraph-number and label blocks; the font code of the style flags.
  void StartParagraph();
  // An empty paragraph in font 3.
  void BlankLine();
  // Counts the chapter of level 1..3, resets the levels below and writes the heading paragraph.
  void NewChapter(int level, std::string_view name);
  // Counts the line and writes the line block.
  void NextLine();
  void AddText(std::string_view text);
  // Store the style flag and write the font code of the flags.
  void SetItalic(bool on);
  void SetSmall(bool on);
  void SetBold(bool on);
  void SetGreek(bool on);
  void SetHebrew(bool on);
  // Page numbers in roman numerals (page code "&") instead of arabic ("'").
  void SetRomanPageNumbering(bool on) { roman_ = on ? 1 : 0; }
  // Headings get the centring code.
  void SetCentredHeadings(bool on) { centred_headings_ = on ? 1 : 0; }

  // The font code of the style flags.
  char FontFromFlags() const;
  const std::string& FileName() const { return file_name_; }

 private:
  void WriteByte(char c);
  void WriteCode(char code);
  void WriteText(std::string_view text);
  void WriteNumber(int32_t n);
  void BlankLineIn(char font);
  void PageBlock();
  void LineBlock();
  void ParagraphNumberBlock();
  void LabelBlock();
  void SetStyle(uint8_t& flag, bool on);

  std::FILE* file_ = nullptr;
  std::string file_name_;
  uint8_t roman_ = 0;
  uint8_t centred_headings_ = 0;
  uint8_t at_paragraph_start_ = 1;
  uint8_t italic_ = 0;
  uint8_t bold_ = 0;
  uint8_t greek_ = 0;
  uint8_t hebrew_ = 0;
  uint8_t small_ = 0;
  int32_t page_ = 0;
  int32_t line_ = 0;
  int32_t paragraph_ = 0;
  int32_t section_counter_[3] = {0, 0, 0};
  std::string section_name_[3];
};

}  // namespace quillmar
