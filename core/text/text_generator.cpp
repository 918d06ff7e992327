#include "text/text_generator.h"

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "text/stream_codes.h"

namespace quillmar {

using namespace stream;

namespace {

constexpr LangText kCannotCreate{"Die Datei '%s' kann nicht angelegt werden.",
                                 "Cannot create the file '%s'."};
constexpr LangText kCannotWrite{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};

[[noreturn]] void CompileError(const char* code) {
  throw Exception(std::string("compile error: ") + code);
}

}  // namespace

TTextGenerator::TTextGenerator(const std::string& file_name) : file_name_(file_name) {
  file_ = FOpenUtf8(NativeSeparators(file_name), "w+b");
  if (file_ == nullptr) throw EInOutError(Format(Tr(kCannotCreate), {file_name}));
}

TTextGenerator::~TTextGenerator() {
  if (file_ != nullptr) std::fclose(file_);
}

void TTextGenerator::Close() {
  if (file_ == nullptr) return;
  const bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  std::fclose(file_);
  file_ = nullptr;
  if (!ok) throw EInOutError(Format(Tr(kCannotWrite), {file_name_}));
}

void TTextGenerator::WriteByte(char c) {
  if (file_ == nullptr) throw EInOutError(Format(Tr(kCannotWrite), {file_name_}));
  if (std::fputc(static_cast<unsigned char>(c), file_) == EOF)
    throw EInOutError(Format(Tr(kCannotWrite), {file_name_}));
}

void TTextGenerator::WriteCode(char code) {
  WriteByte(kEscape);
  WriteByte(code);
  at_paragraph_start_ = code == kParagraphSeparator ? 1 : 0;
}

void TTextGenerator::WriteText(std::string_view text) {
  for (char c : text) WriteByte(c);
  if (!text.empty()) at_paragraph_start_ = 0;
}

void TTextGenerator::WriteNumber(int32_t n) { WriteText(std::to_string(n)); }

char TTextGenerator::FontFromFlags() const {
  // "Griechisch kann nicht klein gesetzt werden."
  if (greek_ && small_) CompileError("GCF1");
  // "Hebräisch kann nicht klein gesetzt werden."
  if (hebrew_ && small_) CompileError("GCF2");
  // "Hebräisch und Griechisch können nicht zusammen verwendet werden."
  if (greek_ && hebrew_) CompileError("GCF3");
  if (greek_) return kGreekFont;
  if (hebrew_) return kHebrewFont;
  if (bold_ && small_) return kSmallBoldFont;
  if (bold_) return kBoldFont;
  if (italic_ && small_) return kSmallItalicFont;
  if (italic_) return kItalicFont;
  if (small_) return kSmallFont;
  return kBodyFont;
}

// Separator (unless at a paragraph start), font code, separator: an empty paragraph.
void TTextGenerator::BlankLineIn(char font) {
  if (!at_paragraph_start_) WriteCode(kParagraphSeparator);
  if (!IsFontCode(font)) CompileError("LZ1");  // "ungültiger Font für Leerzeile"
  WriteCode(font);
  WriteCode(kParagraphSeparator);
}

void TTextGenerator::PageBlock() {
  WriteCode(kPageNumber);
  WriteCode(roman_ ? kRomanPages : kArabicPages);
  WriteNumber(page_);
  WriteCode(kTerminator);
}

void TTextGenerator::LineBlock() {
  WriteCode(kLineNumber);
  WriteNumber(line_);
  WriteCode(kTerminator);
}

void TTextGenerator::ParagraphNumberBlock() {
  ++paragraph_;
  WriteCode(kParagraphNumber);
  WriteNumber(paragraph_);
  WriteCode(kTerminator);
}

// Label "level1[/level2][/level3]" (a level shows while its counter is not 0), then the three
// section counters.
void TTextGenerator::LabelBlock() {
  std::string label = section_name_[0];
  if (section_counter_[1] != 0) label += "/" + section_name_[1];
  if (section_counter_[2] != 0) label += "/" + section_name_[2];
  WriteCode(kLabel);
  WriteText(label);
  WriteCode(kTerminator);
  const char codes[3] = {kSection1, kSection2, kSection3};
  for (int level = 0; level < 3; ++level) {
    WriteCode(codes[level]);
    WriteNumber(section_counter_[level]);
    WriteCode(kTerminator);
  }
}

void TTextGenerator::StartParagraph() {
  if (!at_paragraph_start_) WriteCode(kParagraphSeparator);
  if (page_ == 0) {
    page_ = 1;
    line_ = 1;
  }
  PageBlock();
  ParagraphNumberBlock();
  LabelBlock();
  WriteCode(FontFromFlags());
}

void TTextGenerator::BlankLine() { BlankLineIn(kBodyFont); }

void TTextGenerator::NewChapter(int level, std::string_view name) {
  if (level < 1 || level > 3) CompileError("NK1");  // "ungültige Kapitelebene"
  const auto index = static_cast<size_t>(level - 1);
  ++section_counter_[index];
  section_name_[index].assign(name);
  if (level < 3) {
    section_counter_[index + 1] = 0;
    section_name_[index + 1].clear();
  }
  if (level == 1) {
    section_counter_[2] = 0;
    section_name_[2].clear();
  }
  const char heading_font = level == 1   ? kHeadingFont
                            : level == 2 ? kSubheadingFont
                                         : kSubtitleFont;
  BlankLineIn(heading_font);
  BlankLineIn(heading_font);
  WriteCode(heading_font);
  PageBlock();
  ParagraphNumberBlock();
  LineBlock();
  if (centred_headings_) WriteCode(kCentreOn);
  LabelBlock();
  WriteText(name);
  WriteCode(kParagraphSeparator);
  BlankLineIn(heading_font);
}

void TTextGenerator::NextLine() {
  ++line_;
  LineBlock();
}

void TTextGenerator::AddText(std::string_view text) {
  // "Absatz ist nicht initialisiert, Text kann nicht angefügt werden."
  if (at_paragraph_start_) CompileError("AD1");
  WriteText(text);
}

void TTextGenerator::SetStyle(uint8_t& flag, bool on) {
  flag = on ? 1 : 0;
  // "Absatz ist nicht initialisiert, Font kann nicht gesetzt werden."
  if (at_paragraph_start_) CompileError("SF1");
  WriteCode(FontFromFlags());
}

void TTextGenerator::SetItalic(bool on) { SetStyle(italic_, on); }
void TTextGenerator::SetSmall(bool on) { SetStyle(small_, on); }
void TTextGenerator::SetBold(bool on) { SetStyle(bold_, on); }
void TTextGenerator::SetGreek(bool on) { SetStyle(greek_, on); }
void TTextGenerator::SetHebrew(bool on) { SetStyle(hebrew_, on); }

}  // namespace quillmar
