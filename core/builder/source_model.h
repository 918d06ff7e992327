#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The in-memory model of a collection source (docs/source-format.md). The parser fills it; the
// collection writers read it. All text is UTF-8 as written in the source, except Greek runs,
// which hold the ASCII transliteration the streams store. Numbers that the writers need
// (text numbers, chapter levels, note and picture numbers) are already assigned.
namespace quillmar::builder {

// Text numbers are bytes in the word index.
inline constexpr int32_t kMaxTextNumber = 255;

// Where something was written: file name, 1-based line and column (characters).
struct SourcePlace {
  std::string file;
  int line = 0;
  int column = 0;
};

// Text part codes of the word index.
enum class TextPart : uint8_t {
  kText = 0,
  kHeading = 1,
  kSubheading = 2,
  kSubtitle = 3,
  kSubtitle2 = 4,
  kRemark = 10,    // scholia/remarks text (layer 3)
  kFootnote = 11,  // footnote text (layer 2)
  kMargin = 12,    // margin notes of the main text
};

// Language codes of the word index.
namespace lang {
inline constexpr uint8_t kGerman = 0;
inline constexpr uint8_t kLatin = 1;
inline constexpr uint8_t kEnglish = 101;
inline constexpr uint8_t kFrench = 102;
inline constexpr uint8_t kGreek = 103;
inline constexpr uint8_t kSpanish = 104;
inline constexpr uint8_t kItalian = 105;
inline constexpr uint8_t kOther = 199;
}  // namespace lang

// A partial date in the calendar years the author writes (the writers add the collection's
// YearOffset). Day or month 0 = unknown; a year of kNoYear = unknown (year2: none).
struct SourceDate {
  static constexpr int32_t kNoYear = 30000;
  uint8_t day = 0;
  uint8_t month = 0;
  int32_t year = kNoYear;
  int32_t year2 = kNoYear;  // second year, written "1200/1201"
  bool Known() const { return year != kNoYear; }
  bool operator==(const SourceDate&) const = default;
};

// Language and dates of a passage; every paragraph and note carries the values in force.
struct PassageAttributes {
  uint8_t language = lang::kGerman;
  SourceDate date1;  // date, or start of a period
  SourceDate date2;  // end of a period; unknown for a single date
  bool operator==(const PassageAttributes&) const = default;
};

// The font a run is set in, resolved from the nested style elements.
enum class RunStyle : uint8_t {
  kPlain,
  kItalic,
  kBold,
  kSmall,
  kSmallItalic,
  kSmallBold,
  kGreek,   // text is the ASCII transliteration
  kHebrew,  // text is Hebrew (UTF-8); written in code page 1255
};

enum class InlineKind : uint8_t {
  kRun,         // text in one style (blanks separate words; never empty)
  kFootnote,    // link to footnotes[number - 1] (layer 2), shown as `text`
  kScholion,    // link to notes[number - 1] (layer 3), shown in the margin column
  kRemark,      // link to notes[number - 1] (layer 3), shown as `text`
  kMarginNote,  // `children` are runs set in the margin column (text part 12)
  kPicture,     // link to pictures[number - 1], shown as `text`
  kPlaceLink,   // link to `target` (an anchor "#name" or "CDID text layer position")
  kReference,   // cross-collection reference; `target` is passed on unchanged
  kLineNumber,  // line `number` starts here
  kPageBreak,   // page `number` starts here (`roman`, `text` = page label)
  kAnchor,      // the place named `target` (without "#")
  kSync,        // synchronisation point with target `number`
  // the paragraph's cross-reference to `target` (like kPlaceLink); `number` is its reference key
  kCrossReference,
};

struct Inline {
  InlineKind kind = InlineKind::kRun;
  SourcePlace place;
  RunStyle style = RunStyle::kPlain;  // kRun
  std::string text;                   // run text, shown link text, page label
  std::string target;                 // links and anchors
  int32_t number = 0;                 // note, picture, line, page or sync number
  bool roman = false;                 // kPageBreak: roman numerals
  std::vector<Inline> children;       // kMarginNote: its runs
};

enum class Alignment : uint8_t { kLeft, kCentred, kJustified };
enum class Indent : uint8_t { kNone, kFirstLine, kAllLines, kHanging };

struct SourceTable {
  std::string title;  // plain text, shown as the table's link
  // rows[r][c]: the inline content of a cell; rows may have fewer cells than the widest row.
  std::vector<std::vector<std::vector<Inline>>> rows;
};

enum class ParagraphKind : uint8_t { kText, kChapterHeading, kHeading, kTable };

struct SourceParagraph {
  ParagraphKind kind = ParagraphKind::kText;
  TextPart part = TextPart::kText;
  Alignment alignment = Alignment::kLeft;
  Indent indent = Indent::kNone;
  PassageAttributes attributes;
  int chapter = -1;  // kChapterHeading: index into SourceText::chapters
  std::vector<Inline> content;
  SourceTable table;  // kTable; page and line elements before it stand in `content`
  SourcePlace place;
};

// One entry of the footnote text (layer 2) or the scholia/remarks text (layer 3).
struct SourceNote {
  InlineKind kind = InlineKind::kFootnote;  // kFootnote, kScholion or kRemark
  int32_t number = 0;                       // 1-based within its layer
  std::string mark;                         // the text shown at the link
  std::vector<Inline> body;
  PassageAttributes attributes;
  size_t paragraph = 0;  // index of the main-text paragraph that links to it
  SourcePlace place;
};

struct SourceChapter {
  int level = 1;  // 1..3
  int32_t l1 = 0, l2 = 0, l3 = 0;
  std::string name;      // plain text, at most 60 bytes in Windows-1252
  size_t paragraph = 0;  // index of its heading paragraph
  SourcePlace place;
};

struct SourcePicture {
  int32_t number = 0;  // 1-based within its text
  std::string file;    // file name under media/
  SourcePlace place;
};

struct SourceText {
  std::string key;     // the name that groups and anchors use
  int32_t number = 0;  // 1..255; 0 until assigned (MergeSources)
  std::string title;
  std::string long_label;
  std::string short_label;
  std::vector<SourceParagraph> paragraphs;
  std::vector<SourceChapter> chapters;
  std::vector<SourceNote> footnotes;  // layer 2, number = index + 1
  std::vector<SourceNote> notes;      // layer 3 (scholia and remarks), number = index + 1
  std::vector<SourcePicture> pictures;
  bool has_margin = false;  // margin notes or scholia: the main text shows a margin column
  SourcePlace place;
};

struct SourceGroup {
  std::string path;  // "2" or "2.1.3"
  std::string name;
  std::vector<std::string> text_keys;
  std::vector<int32_t> text_numbers;  // filled by MergeSources
  SourcePlace place;
};

struct SourceSchema {
  std::string file;  // file name in the data directory
  std::vector<SourceGroup> groups;
  SourcePlace place;
};

struct SourceProperty {
  char key = 0;
  std::string value;
};

// One part of a short-information entry: two file names in the media directory (the second may
// be empty) and a label.
struct SourceShortInfoPart {
  std::string first;
  std::string second;
  std::string label;
  SourcePlace place;
};

// An entry of the collection's short-information file (type 1000 of the multimedia tree).
struct SourceShortInfo {
  std::string caption;
  std::vector<SourceShortInfoPart> parts;  // at most 10
  SourcePlace place;
};

// A presentation run by a multimedia module (a type-4 metadata record).
struct SourcePresentation {
  int32_t type = 0;
  std::string module;  // the module's identifier, at most 10 characters
  std::string caption;
  SourcePlace place;
};

// A program or document in the media directory (a type-5 metadata record).
struct SourceProgram {
  std::string file;  // file name in the media directory, at most 30 characters
  std::string caption;
  SourcePlace place;
};

struct SourceHeader {
  std::string id;  // collection identifier, 1..8 letters and digits
  std::string title;
  int32_t major_version = 0;
  int32_t minor_version = 0;
  std::string copyright;
  std::vector<SourceProperty> properties;
  uint16_t no_date_marker = 0;
  uint16_t year_offset = 0;
  std::vector<SourceSchema> schemas;
  std::vector<SourceShortInfo> short_infos;
  std::vector<SourcePresentation> presentations;
  std::vector<SourceProgram> programs;
  // Set by MergeSources when a paragraph holds {xref}: the collection gets a cross-reference
  // lookup file and a link table.
  bool has_cross_references = false;
  SourcePlace place;
};

struct SourceCollection {
  bool has_header = false;
  SourceHeader header;
  std::vector<SourceText> texts;
};

}  // namespace quillmar::builder
