#pragma once

#include <cstdint>

// The byte codes of a text stream. A stream is 8-bit Windows-1252 text in which the escape byte
// 0x01 starts a two-byte code: escape, code byte. Blanks separate words.
namespace quillmar::stream {

inline constexpr char kEscape = 0x01;  // always followed by one code byte
inline constexpr char kBlank = ' ';    // word separator

// Code bytes (the byte after kEscape).
inline constexpr char kFontFirst = 0x01;  // 0x01..0x0A select fonts 1..10
inline constexpr char kFontLast = 0x0A;
inline constexpr char kParagraphSeparator = 0x0B;  // ends a paragraph; never inside one
inline constexpr char kCentreOn = 0x0C;            // centre the following lines
inline constexpr char kCentreOff = 0x0D;           // stop centring
inline constexpr char kJustifyOn = 0x0E;           // justify the lines
inline constexpr char kJustifyOff = 0x0F;          // do not justify
inline constexpr char kIndentAll = 0x10;           // indent mode 2: every line indented
inline constexpr char kIndentFirst = 0x11;         // indent mode 1: first line indented
inline constexpr char kIndentHanging = 0x12;       // indent mode 3: all lines but the first
inline constexpr char kIndentFirstAlt = 0x13;      // indent mode 1, second spelling
inline constexpr char kPageNumber = 0x14;          // numbering code, number, terminator
inline constexpr char kParagraphNumber = 0x15;     // number, terminator
inline constexpr char kLineNumber = 0x16;          // number, terminator
inline constexpr char kNumber25 = 0x19;            // number, terminator; kept with words
inline constexpr char kSection1 = 0x1E;            // section counter level 1: number, terminator
inline constexpr char kSection2 = 0x1F;            // level 2
inline constexpr char kSection3 = 0x20;            // level 3
inline constexpr char kRomanPages = '&';           // after kPageNumber: roman numerals
inline constexpr char kArabicPages = '\'';         // after kPageNumber: arabic numerals
inline constexpr char kFootnoteLink = '(';         // link kind 1: number, text
inline constexpr char kScholionLink = '*';         // link kind 2 (margin column): number, text
inline constexpr char kRemarkLink = '-';           // link kind 3: number, text
inline constexpr char kPictureLink = '+';          // link kind 4: number, text
inline constexpr char kTableLink = '.';            // link kind 5: number, text
inline constexpr char kPlaceLink = 'P';            // link kind 100: target text, shown text
inline constexpr char kReferenceLink = 'Q';        // link kind 101: target text, shown text
inline constexpr char kMarginNote = ',';           // text: words go into the margin column
inline constexpr char kLabel = ')';                // text: section label
inline constexpr char kWordCode2 = '2';            // inside words: "2u" -> "uo"
inline constexpr char kWordCode3 = '3';            // inside words: ignored
inline constexpr char kWordCode4 = '4';            // inside words: ignored
inline constexpr char kTableStart = '<';           // table markup starts
inline constexpr char kTitleStart = '=';           // table title up to kTitleEnd
inline constexpr char kTitleEnd = '>';
inline constexpr char kCellStart = '?';   // new cell in the current row
inline constexpr char kRowStart = '@';    // new row
inline constexpr char kFontZFirst = 'Z';  // 'Z'..'a' select fonts 11..18
inline constexpr char kFontZLast = 'a';
inline constexpr char kTerminator = 'd';  // ends a number or text argument

// Font codes used by name.
inline constexpr char kHeadingFont = 0x01;     // headings, first-level chapters
inline constexpr char kSubheadingFont = 0x02;  // subheadings, second-level chapters
inline constexpr char kBodyFont = 0x03;        // body text; every paragraph starts in it
inline constexpr char kItalicFont = 0x06;      // emphasis
inline constexpr char kLinkFont = 0x08;        // text of links
inline constexpr char kSubtitleFont = 0x09;    // subtitles, third-level chapters
inline constexpr char kSubtitle2Font = 0x0A;   // second subtitles
inline constexpr char kMarginFont = 'Z';       // margin column
inline constexpr char kBoldFont = '\\';
inline constexpr char kGreekFont = ']';
inline constexpr char kSmallFont = '^';
inline constexpr char kSmallItalicFont = '_';
inline constexpr char kSmallBoldFont = '`';
inline constexpr char kHebrewFont = 'a';

// Link kinds carried by link words.
inline constexpr uint8_t kKindFootnote = 1;
inline constexpr uint8_t kKindScholion = 2;
inline constexpr uint8_t kKindRemark = 3;
inline constexpr uint8_t kKindPicture = 4;
inline constexpr uint8_t kKindTable = 5;
inline constexpr uint8_t kKindPlace = 100;
inline constexpr uint8_t kKindReference = 101;

// Number of fonts the font codes select.
inline constexpr int kFontCount = 18;

constexpr bool IsFontCode(char c) {
  return (c >= kFontFirst && c <= kFontLast) || (c >= kFontZFirst && c <= kFontZLast);
}

// Font 1..18 of a font code, 0 for any other byte.
constexpr int FontNumber(char c) {
  if (c >= kFontFirst && c <= kFontLast) return c - kFontFirst + 1;
  if (c >= kFontZFirst && c <= kFontZLast) return c - kFontZFirst + 11;
  return 0;
}

// The font code of font 1..18 (the caller keeps n in range).
constexpr char FontCode(int n) {
  return static_cast<char>(n <= 10 ? kFontFirst + n - 1 : kFontZFirst + n - 11);
}

// Codes that may stand inside a word: the font codes and "2", "3", "4".
constexpr bool IsWordCode(char c) {
  return IsFontCode(c) || c == kWordCode2 || c == kWordCode3 || c == kWordCode4;
}

}  // namespace quillmar::stream
