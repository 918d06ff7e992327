#include "builder/source_parser.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "base/codepage.h"
#include "base/errors.h"
#include "builder/source_scan.h"
#include "text/greek_input.h"

namespace quillmar::builder {
namespace {

// Capacities of the collection fields the values end up in (bytes in Windows-1252).
constexpr size_t kIdBytes = 8;
constexpr size_t kCollectionTitleBytes = 128;
constexpr size_t kCopyrightBytes = 139;
constexpr size_t kPropertyBytes = 131;
constexpr size_t kFileNameBytes = 20;
constexpr size_t kTextTitleBytes = 80;
constexpr size_t kLongLabelBytes = 40;
constexpr size_t kShortLabelBytes = 20;
constexpr size_t kChapterNameBytes = 60;
constexpr size_t kPictureNameBytes = 23;
constexpr size_t kPageLabelBytes = 180;
constexpr size_t kGroupNameBytes = 150;
constexpr size_t kMediaCaptionBytes = 80;
constexpr size_t kShortInfoStringBytes = 128;
constexpr size_t kModuleIdBytes = 10;
constexpr size_t kProgramFileBytes = 30;
constexpr size_t kMaxShortInfoParts = 10;
constexpr size_t kMaxShortInfos = 4096;     // the reader reads no more records than this
constexpr int32_t kMaxChapterNumber = 255;  // chapter numbers are bytes in the word index
constexpr int32_t kMaxPageOrLine = 65535;   // 16-bit in the word index
constexpr int32_t kMaxYear = 20000;
constexpr int kMaxGroupDepth = 30;
constexpr int kMaxNesting = 16;

constexpr char kShortInfoNamed[] =
    "@property h cannot be combined with @shortinfo: the builder names the short-information "
    "file itself";

// The place of byte `offset` of a directive value that starts at `at`.
SourcePlace PlaceIn(const SourcePlace& at, std::string_view value, size_t offset) {
  return {at.file, at.line, at.column + ColumnOf(value, offset) - 1};
}

// The first blank-delimited word of a value and the trimmed rest.
std::pair<std::string_view, std::string_view> FirstWord(std::string_view value) {
  size_t end = 0;
  while (end < value.size() && !IsSpace(value[end])) ++end;
  return {value.substr(0, end), TrimView(value.substr(end))};
}

// What an inline context admits.
enum Allow : unsigned {
  kStyles = 1,
  kNotes = 2,       // fn, sch, rem
  kMargin = 4,      // margin
  kLinks = 8,       // pic, link, ref
  kAnchors = 16,    // anchor
  kMarks = 32,      // line, page, sync
  kCrossRefs = 64,  // xref
};
constexpr unsigned kMainText = kStyles | kNotes | kMargin | kLinks | kAnchors | kMarks | kCrossRefs;
constexpr unsigned kNoteBody = kStyles | kLinks | kAnchors;
constexpr unsigned kCellText = kStyles | kLinks | kAnchors;

// Drops the blanks at both ends of a container's content (and runs left empty by that).
void TrimRuns(std::vector<Inline>& items) {
  if (!items.empty() && items.front().kind == InlineKind::kRun) {
    std::string& t = items.front().text;
    const size_t first = t.find_first_not_of(' ');
    t.erase(0, first == std::string::npos ? t.size() : first);
    if (t.empty()) items.erase(items.begin());
  }
  if (!items.empty() && items.back().kind == InlineKind::kRun) {
    std::string& t = items.back().text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.empty()) items.pop_back();
  }
}

// Bytes the text takes in Windows-1252 (the caller has checked that it is representable).
size_t Cp1252Length(std::string_view utf8) { return Utf8ToCp1252(utf8).size(); }

// One source line of a paragraph, joined to the others by a blank.
struct Segment {
  size_t start = 0;  // offset in the joined paragraph text
  int line = 0;
  int column = 1;           // column of the segment's first byte
  int32_t auto_line = -1;   // line number to set at the segment start, -1 for none
  std::string_view source;  // the segment's bytes
};

// A directive as written: its name, its value and where the value starts.
struct DirectiveCall {
  const std::string& name;
  std::string_view value;
  const SourcePlace& at;
};

// An element as opened: its name and arguments, whether ':' text follows, where it opens, and the
// context it stands in (what that admits, the style in force, the nesting depth, the output).
struct ElementCall {
  std::string name;
  std::string args;
  bool has_body;
  SourcePlace open;
  unsigned allow;
  unsigned style;
  int depth;
  std::vector<Inline>& out;

  const char* Here() const { return depth > 0 || style != 0 ? "inside this element" : "here"; }
  void Need(unsigned what, const char* where) const {
    if ((allow & what) == 0) RaiseSourceError(open, "{" + name + "} is not allowed " + where);
  }
  void RequireBody() const {
    if (!has_body) RaiseSourceError(open, "{" + name + ":...} needs its text after ':'");
  }
  void RefuseBody() const {
    if (has_body) RaiseSourceError(open, "{" + name + "} takes no ':' text");
  }
};

// Reads one source file line by line. Directives act at once; text lines collect into the open
// paragraph, whose inline elements are parsed when a blank line or directive ends it. The state
// in force (language, dates, alignment, pending page and line marks) belongs to the current text.
class Parser {
 public:
  Parser(std::string_view input, const std::string& file) : input_(input), file_(file) {}

  SourceCollection Run();

 private:
  // Lines and directives.
  void Line(std::string_view line);
  void Directive(std::string_view line);
  void HeaderDirective(const std::string& name, std::string_view value, const SourcePlace& at);
  void TextDirective(const std::string& name, std::string_view value, const SourcePlace& at);
  // The text directives, one handler each (chapter levels and heading kinds share theirs).
  using DirectiveHandler = void (Parser::*)(const DirectiveCall&);
  void NumberDirective(const DirectiveCall& d);
  void TitleDirective(const DirectiveCall& d);
  void LongLabelDirective(const DirectiveCall& d);
  void ShortLabelDirective(const DirectiveCall& d);
  void LanguageDirective(const DirectiveCall& d);
  void DateDirective(const DirectiveCall& d);
  void AlignDirective(const DirectiveCall& d);
  void IndentDirective(const DirectiveCall& d);
  void AutoLinesDirective(const DirectiveCall& d);
  void LineDirective(const DirectiveCall& d);
  void PageDirective(const DirectiveCall& d);
  void ChapterDirective(const DirectiveCall& d);
  void HeadingDirective(const DirectiveCall& d);
  void TableDirective(const DirectiveCall& d);
  void TableLine(std::string_view line);
  void EndText();
  SourceText& CurrentText(const std::string& name, const SourcePlace& at);
  void StartContent(const SourcePlace& at);

  // Values.
  // Column 0 stands for the whole line.
  SourcePlace At(int column) const { return {file_, line_no_, column}; }
  std::string PlainValue(std::string_view value, const SourcePlace& at, size_t capacity,
                         const char* what);
  void CheckCp1252(std::string_view text, const SourcePlace& at);
  uint8_t LanguageValue(std::string_view value, const SourcePlace& at);
  SourceDate DateValue(std::string_view value, const SourcePlace& at);
  Inline PageBreak(std::string_view value, const SourcePlace& at);
  std::string FileNameValue(std::string_view value, const SourcePlace& at, size_t capacity);
  SourceShortInfoPart PartValue(std::string_view value, const SourcePlace& at);
  SourcePresentation PresentationValue(std::string_view value, const SourcePlace& at);
  SourceProgram ProgramValue(std::string_view value, const SourcePlace& at);

  // Paragraphs and inline content.
  void FlushParagraph();
  void AddParagraph(SourceParagraph paragraph);
  std::vector<Inline> ParseInline(std::vector<Segment> segments, unsigned allow);
  SourcePlace PlaceOf(size_t offset) const;
  void Content(unsigned allow, unsigned style, int depth, bool nested, std::vector<Inline>& out);
  void Element(unsigned allow, unsigned style, int depth, std::vector<Inline>& out);
  // Reads an element's name, arguments and ':' up to its content.
  ElementCall OpenElement(unsigned allow, unsigned style, int depth, std::vector<Inline>& out);
  void CloseElement(const ElementCall& e);
  // The elements, one handler each (the notes share theirs).
  using ElementHandler = void (Parser::*)(const ElementCall&);
  void StyleElement(const ElementCall& e, unsigned bit);
  void NoteElement(const ElementCall& e);
  void MarginElement(const ElementCall& e);
  // The body of a note or margin note: its own content, without automatic line marks.
  void NestedBody(unsigned allow, int depth, std::vector<Inline>& body);
  // The checks and the shown text shared by pic, link and ref.
  Inline LinkText(const ElementCall& e);
  void PictureElement(const ElementCall& e);
  void PlaceLinkElement(const ElementCall& e);
  void ReferenceElement(const ElementCall& e);
  void OpenMark(const ElementCall& e, unsigned needed);
  void LineElement(const ElementCall& e);
  void PageElement(const ElementCall& e);
  void SyncElement(const ElementCall& e);
  // A mark that carries one number from min to max ({line N}, {sync N}).
  void NumberMark(const ElementCall& e, InlineKind kind, int64_t min, int64_t max,
                  const char* error);
  void AnchorElement(const ElementCall& e);
  void CrossReferenceElement(const ElementCall& e);
  // The character of the escape at pos_ (a backslash), moving past it.
  char Escaped();
  std::string ElementArgs();
  std::string PlainText();
  void AppendChar(std::string& run, unsigned style, size_t at);
  // Unicode Greek in ordinary text: the Greek words from pos_ on (with the blanks between them)
  // as one Greek run.
  Inline GreekWords(unsigned style);

  std::string_view input_;
  std::string file_;
  int line_no_ = 0;
  SourceCollection result_;
  bool header_open_ = false;
  std::set<std::string> group_paths_;  // of the last schema

  // The text being read.
  SourceText* text_ = nullptr;
  std::map<std::string, int32_t> picture_numbers_;  // file -> picture number in the text
  bool text_has_content_ = false;
  PassageAttributes attributes_;
  Alignment alignment_ = Alignment::kLeft;
  Indent indent_ = Indent::kNone;
  int32_t auto_line_ = -1;
  std::vector<Inline> pending_;  // page and line marks for the next paragraph
  std::vector<Segment> lines_;   // text lines of the open paragraph

  // The table being read.
  bool in_table_ = false;
  SourcePlace table_place_;
  SourceParagraph table_;

  // Inline parsing state.
  std::string buf_;
  std::vector<Segment> segs_;
  size_t pos_ = 0;
  size_t next_seg_ = 0;
  bool auto_marks_ = false;
  // Last PlaceOf answer: segment, byte offset in it, column.
  mutable size_t cache_seg_ = SIZE_MAX;
  mutable size_t cache_offset_ = 0;
  mutable int cache_column_ = 1;
};

SourceCollection Parser::Run() {
  const size_t bad = FirstBadUtf8(input_);
  if (bad != std::string_view::npos) {
    const std::string_view before = input_.substr(0, bad);
    const int line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
    const size_t line_start =
        before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    RaiseSourceError({file_, line, ColumnOf(input_.substr(line_start), bad - line_start)},
                     "the file is not valid UTF-8");
  }
  std::string_view rest = input_;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  while (true) {
    ++line_no_;
    const size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Line(line);
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  if (in_table_) RaiseSourceError(table_place_, "@table without @end");
  EndText();
  return std::move(result_);
}

void Parser::Line(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const auto b = static_cast<unsigned char>(line[i]);
    if ((b < 0x20 && b != '\t') || b == 0x7F)
      RaiseSourceError(At(ColumnOf(line, i)), "control character");
  }
  if (in_table_) return TableLine(line);
  if (!line.empty() && line.front() == '%') return;
  const std::string_view trimmed = TrimView(line);
  if (trimmed.empty()) return FlushParagraph();
  if (line.front() == '@') {
    FlushParagraph();
    return Directive(line);
  }
  if (text_ == nullptr) RaiseSourceError(At(0), "text outside a text (start one with @text)");
  StartContent(At(0));
  const size_t lead = static_cast<size_t>(trimmed.data() - line.data());
  Segment seg;
  seg.line = line_no_;
  seg.column = ColumnOf(line, lead);
  seg.source = trimmed;
  if (auto_line_ >= 0) {
    if (auto_line_ > kMaxPageOrLine) RaiseSourceError(At(0), "line number above 65535");
    seg.auto_line = auto_line_++;
  }
  lines_.push_back(seg);
}

void Parser::Directive(std::string_view line) {
  size_t i = 1;
  while (i < line.size() && IsAlnum(line[i])) ++i;
  const std::string name(line.substr(1, i - 1));
  if (name.empty()) RaiseSourceError(At(0), "directive name expected after @");
  if (i < line.size() && !IsSpace(line[i]))
    RaiseSourceError(At(ColumnOf(line, i)), "blank expected after @" + name);
  const std::string_view value = TrimView(line.substr(i));
  const size_t value_offset = value.empty() ? i : static_cast<size_t>(value.data() - line.data());
  const SourcePlace at = At(ColumnOf(line, value_offset));
  if (name == "collection") {
    if (text_ != nullptr || !result_.texts.empty())
      RaiseSourceError(At(0), "@collection must come before the first @text of its file");
    if (result_.has_header) RaiseSourceError(At(0), "second @collection header");
    std::string id(value);
    if (id.empty() || id.size() > kIdBytes || !std::all_of(id.begin(), id.end(), IsAlnum))
      RaiseSourceError(at, "collection identifier must be 1 to 8 letters or digits");
    result_.has_header = true;
    header_open_ = true;
    result_.header.id = id;
    result_.header.place = At(0);
    return;
  }
  if (name == "text") {
    EndText();
    header_open_ = false;
    if (value.empty() || !std::all_of(value.begin(), value.end(), IsNameChar))
      RaiseSourceError(at, "text key expected (letters, digits, '_', '-', '.')");
    result_.texts.emplace_back();
    text_ = &result_.texts.back();
    text_->key = std::string(value);
    text_->place = At(0);
    return;
  }
  if (name == "end") RaiseSourceError(At(0), "@end without @table");
  if (text_ != nullptr) return TextDirective(name, value, at);
  if (header_open_) return HeaderDirective(name, value, at);
  RaiseSourceError(At(0), "@" + name + " outside a collection header or text");
}

void Parser::HeaderDirective(const std::string& name, std::string_view value,
                             const SourcePlace& at) {
  SourceHeader& h = result_.header;
  if (name == "title") {
    h.title = PlainValue(value, at, kCollectionTitleBytes, "collection title");
  } else if (name == "version") {
    const size_t dot = value.find('.');
    int32_t major = 0, minor = 0;
    if (dot == std::string_view::npos || !ParseInt(value.substr(0, dot), 0, 1000000, major) ||
        !ParseInt(value.substr(dot + 1), 0, 1000000, minor))
      RaiseSourceError(at, "version expected as major.minor, for example 1.0");
    h.major_version = major;
    h.minor_version = minor;
  } else if (name == "copyright") {
    h.copyright = PlainValue(value, at, kCopyrightBytes, "copyright line");
  } else if (name == "property") {
    static const std::string_view kKeys = "efhijlmnop";
    if (value.size() < 3 || kKeys.find(value[0]) == std::string_view::npos || !IsSpace(value[1]))
      RaiseSourceError(at, "property expected as a key (one of e f h i j l m n o p) and a value");
    if (value[0] == 'h' && !h.short_infos.empty()) RaiseSourceError(At(0), kShortInfoNamed);
    h.properties.push_back(
        {value[0], PlainValue(TrimView(value.substr(2)), at, kPropertyBytes, "property value")});
  } else if (name == "shortinfo") {
    for (const SourceProperty& p : h.properties)
      if (p.key == 'h') RaiseSourceError(At(0), kShortInfoNamed);
    if (h.short_infos.size() == kMaxShortInfos)
      RaiseSourceError(At(0),
                       "more than " + std::to_string(kMaxShortInfos) + " @shortinfo entries");
    if (value.empty()) RaiseSourceError(at, "@shortinfo needs its caption");
    h.short_infos.push_back({PlainValue(value, at, kMediaCaptionBytes, "caption"), {}, At(0)});
  } else if (name == "part") {
    if (h.short_infos.empty()) RaiseSourceError(At(0), "@part before any @shortinfo");
    SourceShortInfo& info = h.short_infos.back();
    if (info.parts.size() == kMaxShortInfoParts)
      RaiseSourceError(At(0), "more than 10 @part lines in one @shortinfo");
    info.parts.push_back(PartValue(value, at));
  } else if (name == "presentation") {
    h.presentations.push_back(PresentationValue(value, at));
  } else if (name == "program") {
    h.programs.push_back(ProgramValue(value, at));
  } else if (name == "nodate" || name == "yearoffset") {
    int32_t v = 0;
    if (!ParseInt(value, 0, 65535, v)) RaiseSourceError(at, "number from 0 to 65535 expected");
    (name == "nodate" ? h.no_date_marker : h.year_offset) = static_cast<uint16_t>(v);
  } else if (name == "schema") {
    h.schemas.push_back({FileNameValue(value, at, kFileNameBytes), {}, At(0)});
    group_paths_.clear();
  } else if (name == "group") {
    if (h.schemas.empty()) RaiseSourceError(At(0), "@group before any @schema");
    SourceSchema& schema = h.schemas.back();
    size_t end = 0;
    while (end < value.size() && !IsSpace(value[end])) ++end;
    const std::string path(value.substr(0, end));
    int parts = 0;
    bool ok = !path.empty() && IsDigit(path.front()) && IsDigit(path.back());
    for (size_t k = 0; ok && k < path.size(); ++k) {
      if (path[k] == '.')
        ok = IsDigit(path[k + 1]);
      else if (!IsDigit(path[k]))
        ok = false;
      if (k == 0 || path[k] == '.') ++parts;
    }
    if (!ok || parts > kMaxGroupDepth)
      RaiseSourceError(at,
                       "group path expected: up to 30 numbers separated by '.', for example 2.1");
    const size_t parent_end = path.rfind('.');
    if (parent_end != std::string::npos && group_paths_.count(path.substr(0, parent_end)) == 0)
      RaiseSourceError(
          at, "group " + path + " comes before its parent group " + path.substr(0, parent_end));
    if (!group_paths_.insert(path).second)
      RaiseSourceError(at, "group " + path + " is declared twice");
    std::string_view rest = TrimView(value.substr(end));
    std::string_view keys;
    const size_t eq = rest.find(" = ");
    if (eq != std::string_view::npos) {
      keys = TrimView(rest.substr(eq + 3));
      rest = TrimView(rest.substr(0, eq));
    } else if (rest.size() >= 2 && rest.substr(rest.size() - 2) == " =") {
      rest = TrimView(rest.substr(0, rest.size() - 2));
    }
    SourceGroup group;
    group.path = path;
    group.place = At(0);
    group.name = rest.empty() ? "..." : PlainValue(rest, at, kGroupNameBytes, "group name");
    while (!keys.empty()) {
      size_t k = 0;
      while (k < keys.size() && !IsSpace(keys[k])) ++k;
      const std::string key(keys.substr(0, k));
      if (!std::all_of(key.begin(), key.end(), IsNameChar))
        RaiseSourceError(at, "text key expected in group " + path + ", found '" + key + "'");
      group.text_keys.push_back(key);
      keys = TrimView(keys.substr(k));
    }
    schema.groups.push_back(std::move(group));
  } else {
    RaiseSourceError(At(0), "@" + name + " is not a collection header directive");
  }
}

SourceText& Parser::CurrentText(const std::string& name, const SourcePlace& at) {
  if (text_has_content_) RaiseSourceError(at, "@" + name + " must come before the text's content");
  return *text_;
}

void Parser::StartContent(const SourcePlace& at) {
  if (text_ == nullptr) RaiseSourceError(at, "text outside a text (start one with @text)");
  text_has_content_ = true;
}

void Parser::TextDirective(const std::string& name, std::string_view value, const SourcePlace& at) {
  static const std::map<std::string_view, DirectiveHandler> kHandlers = {
      {"number", &Parser::NumberDirective},    {"title", &Parser::TitleDirective},
      {"long", &Parser::LongLabelDirective},   {"short", &Parser::ShortLabelDirective},
      {"lang", &Parser::LanguageDirective},    {"date", &Parser::DateDirective},
      {"align", &Parser::AlignDirective},      {"indent", &Parser::IndentDirective},
      {"lines", &Parser::AutoLinesDirective},  {"line", &Parser::LineDirective},
      {"page", &Parser::PageDirective},        {"chapter", &Parser::ChapterDirective},
      {"section", &Parser::ChapterDirective},  {"subsection", &Parser::ChapterDirective},
      {"heading", &Parser::HeadingDirective},  {"subheading", &Parser::HeadingDirective},
      {"subtitle", &Parser::HeadingDirective}, {"subtitle2", &Parser::HeadingDirective},
      {"table", &Parser::TableDirective},
  };
  const auto handler = kHandlers.find(name);
  if (handler == kHandlers.end()) RaiseSourceError(At(0), "@" + name + " is not a text directive");
  (this->*handler->second)({name, value, at});
}

void Parser::NumberDirective(const DirectiveCall& d) {
  int32_t n = 0;
  if (!ParseInt(d.value, 1, kMaxTextNumber, n))
    RaiseSourceError(d.at, "text number from 1 to 255 expected");
  CurrentText(d.name, At(0)).number = n;
}

void Parser::TitleDirective(const DirectiveCall& d) {
  CurrentText(d.name, At(0)).title = PlainValue(d.value, d.at, kTextTitleBytes, "text title");
}

void Parser::LongLabelDirective(const DirectiveCall& d) {
  CurrentText(d.name, At(0)).long_label = PlainValue(d.value, d.at, kLongLabelBytes, "long label");
}

void Parser::ShortLabelDirective(const DirectiveCall& d) {
  CurrentText(d.name, At(0)).short_label =
      PlainValue(d.value, d.at, kShortLabelBytes, "short label");
}

void Parser::LanguageDirective(const DirectiveCall& d) {
  attributes_.language = LanguageValue(d.value, d.at);
}

void Parser::DateDirective(const DirectiveCall& d) {
  if (d.value == "none") {
    attributes_.date1 = attributes_.date2 = SourceDate{};
    return;
  }
  const size_t to = d.value.find(" to ");
  attributes_.date1 = DateValue(TrimView(d.value.substr(0, to)), d.at);
  attributes_.date2 = to == std::string_view::npos
                          ? SourceDate{}
                          : DateValue(TrimView(d.value.substr(to + 4)), d.at);
}

void Parser::AlignDirective(const DirectiveCall& d) {
  if (d.value == "left")
    alignment_ = Alignment::kLeft;
  else if (d.value == "centre" || d.value == "center")
    alignment_ = Alignment::kCentred;
  else if (d.value == "justify")
    alignment_ = Alignment::kJustified;
  else
    RaiseSourceError(d.at, "@align expects left, centre or justify");
}

void Parser::IndentDirective(const DirectiveCall& d) {
  if (d.value == "none")
    indent_ = Indent::kNone;
  else if (d.value == "first")
    indent_ = Indent::kFirstLine;
  else if (d.value == "all")
    indent_ = Indent::kAllLines;
  else if (d.value == "hanging")
    indent_ = Indent::kHanging;
  else
    RaiseSourceError(d.at, "@indent expects none, first, all or hanging");
}

void Parser::AutoLinesDirective(const DirectiveCall& d) {
  if (d.value == "off") {
    auto_line_ = -1;
  } else if (!ParseInt(d.value, 0, kMaxPageOrLine, auto_line_)) {
    RaiseSourceError(d.at, "@lines expects a line number from 0 to 65535 or off");
  }
}

void Parser::LineDirective(const DirectiveCall& d) {
  Inline mark;
  mark.kind = InlineKind::kLineNumber;
  mark.place = At(0);
  if (!ParseInt(d.value, 0, kMaxPageOrLine, mark.number))
    RaiseSourceError(d.at, "line number from 0 to 65535 expected");
  pending_.push_back(mark);
}

void Parser::PageDirective(const DirectiveCall& d) { pending_.push_back(PageBreak(d.value, d.at)); }

// @chapter, @section and @subsection: numbered on their level under the enclosing chapter and
// section, and written as a heading paragraph.
void Parser::ChapterDirective(const DirectiveCall& d) {
  StartContent(At(0));
  const int level = d.name == "chapter" ? 1 : d.name == "section" ? 2 : 3;
  SourceChapter chapter;
  chapter.level = level;
  chapter.place = At(0);
  chapter.name = PlainValue(d.value, d.at, kChapterNameBytes, "chapter name");
  if (chapter.name.empty()) RaiseSourceError(d.at, "chapter name expected");
  const SourceChapter* last = text_->chapters.empty() ? nullptr : &text_->chapters.back();
  if (level > 1 && (last == nullptr || last->level < level - 1))
    RaiseSourceError(
        At(0), "@" + d.name + " needs an enclosing " + (level == 2 ? "@chapter" : "@section"));
  chapter.l1 = level == 1 ? (last ? last->l1 : 0) + 1 : last->l1;
  chapter.l2 = level == 1 ? 0 : level == 2 ? (last->level >= 2 ? last->l2 : 0) + 1 : last->l2;
  chapter.l3 = level < 3 ? 0 : (last->level == 3 ? last->l3 : 0) + 1;
  if (chapter.l1 > kMaxChapterNumber || chapter.l2 > kMaxChapterNumber ||
      chapter.l3 > kMaxChapterNumber)
    RaiseSourceError(At(0), "more than 255 chapters on one level");
  chapter.paragraph = text_->paragraphs.size();
  SourceParagraph heading;
  heading.kind = ParagraphKind::kChapterHeading;
  heading.part = level == 1 ? TextPart::kHeading : TextPart::kSubheading;
  heading.chapter = static_cast<int>(text_->chapters.size());
  heading.place = At(0);
  Inline run;
  run.place = d.at;
  run.text = chapter.name;
  heading.content.push_back(run);
  text_->chapters.push_back(std::move(chapter));
  AddParagraph(std::move(heading));
}

// @heading, @subheading, @subtitle and @subtitle2: a heading paragraph outside the chapter list.
void Parser::HeadingDirective(const DirectiveCall& d) {
  StartContent(At(0));
  if (d.value.empty()) RaiseSourceError(d.at, "@" + d.name + " needs its text");
  SourceParagraph heading;
  heading.kind = ParagraphKind::kHeading;
  heading.part = d.name == "heading"      ? TextPart::kHeading
                 : d.name == "subheading" ? TextPart::kSubheading
                 : d.name == "subtitle"   ? TextPart::kSubtitle
                                          : TextPart::kSubtitle2;
  heading.place = At(0);
  Segment seg;
  seg.line = line_no_;
  seg.column = d.at.column;
  seg.source = d.value;
  heading.content = ParseInline({seg}, kMainText);
  AddParagraph(std::move(heading));
}

void Parser::TableDirective(const DirectiveCall& d) {
  StartContent(At(0));
  in_table_ = true;
  table_place_ = At(0);
  table_ = SourceParagraph{};
  table_.kind = ParagraphKind::kTable;
  table_.place = At(0);
  table_.table.title = PlainValue(d.value, d.at, kTextTitleBytes, "table title");
  if (table_.table.title.empty()) RaiseSourceError(d.at, "@table needs a title");
}

void Parser::TableLine(std::string_view line) {
  const std::string_view trimmed = TrimView(line);
  if (trimmed.empty() || line.front() == '%') return;
  if (trimmed == "@end") {
    in_table_ = false;
    if (table_.table.rows.empty()) RaiseSourceError(table_place_, "table without rows");
    AddParagraph(std::move(table_));
    return;
  }
  if (trimmed.front() != '|')
    RaiseSourceError(At(ColumnOf(line, trimmed.data() - line.data())),
                     "table rows start with '|' (end the table with @end)");
  std::vector<std::vector<Inline>> row;
  size_t i = static_cast<size_t>(trimmed.data() - line.data()) + 1;
  // Columns are counted on from cell to cell, so a long row costs linear time.
  size_t counted = 0;
  int column = 1;
  auto column_of = [&](size_t offset) {
    column += ColumnOf(line.substr(counted, offset - counted), offset - counted) - 1;
    counted = offset;
    return column;
  };
  while (i < line.size()) {
    size_t end = i;
    while (end < line.size() && line[end] != '|') end += (line[end] == '\\' ? 2 : 1);
    end = std::min(end, line.size());
    const std::string_view body = TrimView(line.substr(i, end - i));
    if (end < line.size() || !body.empty()) {
      Segment seg;
      seg.line = line_no_;
      seg.source = body;
      seg.column = column_of(body.empty() ? i : static_cast<size_t>(body.data() - line.data()));
      row.push_back(body.empty() ? std::vector<Inline>{} : ParseInline({seg}, kCellText));
    }
    i = end + 1;
  }
  table_.table.rows.push_back(std::move(row));
}

void Parser::EndText() {
  FlushParagraph();
  if (text_ != nullptr && text_->title.empty())
    RaiseSourceError(text_->place, "text '" + text_->key + "' has no @title");
  if (text_ != nullptr && !pending_.empty())
    RaiseSourceError(pending_.back().place, "page or line mark at the end of a text");
  text_ = nullptr;
  picture_numbers_.clear();
  text_has_content_ = false;
  attributes_ = PassageAttributes{};
  alignment_ = Alignment::kLeft;
  indent_ = Indent::kNone;
  auto_line_ = -1;
}

std::string Parser::PlainValue(std::string_view value, const SourcePlace& at, size_t capacity,
                               const char* what) {
  // May run while inline content is being parsed ({page ...}): keep that state.
  std::string saved_buf = std::move(buf_);
  std::vector<Segment> saved_segs = std::move(segs_);
  const size_t saved_pos = pos_, saved_next = next_seg_;
  const bool saved_marks = auto_marks_;
  Segment seg;
  seg.line = at.line;
  seg.column = at.column;
  seg.source = value;
  segs_ = {seg};
  cache_seg_ = SIZE_MAX;
  buf_ = std::string(value);
  pos_ = 0;
  next_seg_ = 1;
  auto_marks_ = false;
  std::string text = PlainText();
  if (pos_ < buf_.size()) RaiseSourceError(PlaceOf(pos_), "unexpected '}' (write \\})");
  if (Cp1252Length(text) > capacity)
    RaiseSourceError(
        at, std::string(what) + " longer than " + std::to_string(capacity) + " characters");
  buf_ = std::move(saved_buf);
  segs_ = std::move(saved_segs);
  pos_ = saved_pos;
  next_seg_ = saved_next;
  auto_marks_ = saved_marks;
  cache_seg_ = SIZE_MAX;
  return text;
}

void Parser::CheckCp1252(std::string_view text, const SourcePlace& at) {
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t ch = DecodeUtf8(text, pos);
    if (CharToByte(ch, CodePage::k1252) == 0)
      RaiseSourceError(at,
                       "character not available in Windows-1252 (use {greek:...} or {hebrew:...})");
  }
}

uint8_t Parser::LanguageValue(std::string_view value, const SourcePlace& at) {
  static const std::pair<std::string_view, uint8_t> kNames[] = {
      {"de", lang::kGerman},  {"la", lang::kLatin},   {"en", lang::kEnglish},
      {"fr", lang::kFrench},  {"grc", lang::kGreek},  {"el", lang::kGreek},
      {"es", lang::kSpanish}, {"it", lang::kItalian}, {"other", lang::kOther}};
  for (const auto& [n, code] : kNames)
    if (value == n) return code;
  int32_t code = 0;
  if (!ParseInt(value, 0, 254, code))
    RaiseSourceError(at,
                     "language expected: de, la, en, fr, grc, el, es, it, other or a code 0..254");
  return static_cast<uint8_t>(code);
}

SourceDate Parser::DateValue(std::string_view value, const SourcePlace& at) {
  SourceDate date;
  std::string_view years = value;
  const size_t last_dot = value.rfind('.');
  int32_t day = 0, month = 0;
  bool ok = true;
  if (last_dot != std::string_view::npos) {
    years = value.substr(last_dot + 1);
    const std::string_view dm = value.substr(0, last_dot);
    const size_t dot = dm.find('.');
    if (dot == std::string_view::npos) {
      ok = ParseInt(dm, 1, 12, month);
    } else {
      ok = ParseInt(dm.substr(0, dot), 1, 31, day) && ParseInt(dm.substr(dot + 1), 1, 12, month);
    }
  }
  const size_t slash = years.find('/');
  ok = ok && ParseInt(years.substr(0, slash), -kMaxYear, kMaxYear, date.year);
  if (ok && slash != std::string_view::npos)
    ok = ParseInt(years.substr(slash + 1), -kMaxYear, kMaxYear, date.year2);
  if (!ok)
    RaiseSourceError(at,
                     "date expected as [[day.]month.]year[/year2] (years -20000..20000), "
                     "optionally 'to' a second date, or none");
  date.day = static_cast<uint8_t>(day);
  date.month = static_cast<uint8_t>(month);
  return date;
}

Inline Parser::PageBreak(std::string_view value, const SourcePlace& at) {
  Inline page;
  page.kind = InlineKind::kPageBreak;
  page.place = at;
  size_t end = 0;
  while (end < value.size() && !IsSpace(value[end])) ++end;
  const std::string_view number = value.substr(0, end);
  if (ParseInt(number, 1, kMaxPageOrLine, page.number)) {
    page.roman = false;
  } else if ((page.number = RomanValue(number)) > 0) {
    page.roman = true;
  } else {
    RaiseSourceError(at, "page number expected: arabic 1..65535 or roman (iv, XII)");
  }
  page.text = PlainValue(TrimView(value.substr(end)), at, kPageLabelBytes, "page label");
  return page;
}

std::string Parser::FileNameValue(std::string_view value, const SourcePlace& at, size_t capacity) {
  const std::string name(value);
  const bool ok = !name.empty() && name.size() <= capacity && name != "." && name != ".." &&
                  std::all_of(name.begin(), name.end(), IsNameChar);
  if (!ok)
    RaiseSourceError(at, "file name of 1 to " + std::to_string(capacity) +
                             " letters, digits, '_', '-' or '.' expected");
  return name;
}

SourceShortInfoPart Parser::PartValue(std::string_view value, const SourcePlace& at) {
  // FILE [| FILE2 [| LABEL]]: fields split at each '|' that is not escaped.
  std::vector<size_t> starts{0}, ends;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
    } else if (value[i] == '|') {
      ends.push_back(i);
      starts.push_back(i + 1);
    }
  }
  ends.push_back(value.size());
  if (starts.size() > 3)
    RaiseSourceError(at, "@part expects FILE | SECOND FILE | LABEL (at most three fields)");
  std::string_view fields[3];
  SourcePlace places[3] = {at, at, at};
  for (size_t k = 0; k < starts.size(); ++k) {
    fields[k] = TrimView(value.substr(starts[k], ends[k] - starts[k]));
    places[k] = PlaceIn(at, value, fields[k].data() - value.data());
  }
  SourceShortInfoPart part;
  part.place = at;
  part.first = FileNameValue(fields[0], places[0], kShortInfoStringBytes);
  if (!fields[1].empty()) part.second = FileNameValue(fields[1], places[1], kShortInfoStringBytes);
  if (!fields[2].empty())
    part.label = PlainValue(fields[2], places[2], kShortInfoStringBytes, "part label");
  return part;
}

SourcePresentation Parser::PresentationValue(std::string_view value, const SourcePlace& at) {
  // TYPE MODULE CAPTION
  const auto [type, rest] = FirstWord(value);
  const auto [module, caption] = FirstWord(rest);
  SourcePresentation p;
  p.place = at;
  if (!ParseInt(type, INT32_MIN, INT32_MAX, p.type))
    RaiseSourceError(at, "presentation type expected (1500: run by its module)");
  const SourcePlace module_at = PlaceIn(at, value, module.data() - value.data());
  if (module.empty() || module.size() > kModuleIdBytes ||
      !std::all_of(module.begin(), module.end(), IsNameChar))
    RaiseSourceError(module_at,
                     "module identifier of 1 to 10 letters, digits, '_', '-' or '.' expected");
  p.module = std::string(module);
  if (caption.empty()) RaiseSourceError(at, "@presentation needs a caption after the module");
  p.caption = PlainValue(caption, PlaceIn(at, value, caption.data() - value.data()),
                         kMediaCaptionBytes, "caption");
  return p;
}

SourceProgram Parser::ProgramValue(std::string_view value, const SourcePlace& at) {
  // FILE CAPTION
  const auto [file, caption] = FirstWord(value);
  SourceProgram p;
  p.place = at;
  p.file = FileNameValue(file, at, kProgramFileBytes);
  if (caption.empty()) RaiseSourceError(at, "@program needs a caption after the file name");
  p.caption = PlainValue(caption, PlaceIn(at, value, caption.data() - value.data()),
                         kMediaCaptionBytes, "caption");
  return p;
}

void Parser::AddParagraph(SourceParagraph paragraph) {
  paragraph.alignment = alignment_;
  paragraph.indent = indent_;
  paragraph.attributes = attributes_;
  paragraph.content.insert(paragraph.content.begin(), pending_.begin(), pending_.end());
  pending_.clear();
  text_->paragraphs.push_back(std::move(paragraph));
}

void Parser::FlushParagraph() {
  if (lines_.empty()) return;
  std::vector<Segment> lines = std::move(lines_);
  lines_.clear();
  SourceParagraph paragraph;
  paragraph.place = {file_, lines.front().line, 0};
  paragraph.content = ParseInline(std::move(lines), kMainText);
  AddParagraph(std::move(paragraph));
}

SourcePlace Parser::PlaceOf(size_t offset) const {
  auto it = std::upper_bound(segs_.begin(), segs_.end(), offset,
                             [](size_t o, const Segment& s) { return o < s.start; });
  const size_t index = it == segs_.begin() ? 0 : static_cast<size_t>(it - segs_.begin()) - 1;
  const Segment& s = segs_[index];
  const size_t local = std::min(offset - std::min(offset, s.start), s.source.size());
  // Queries come in mostly ascending order: count on from the last one in the same segment.
  if (index != cache_seg_ || local < cache_offset_) {
    cache_seg_ = index;
    cache_offset_ = 0;
    cache_column_ = s.column;
  }
  for (size_t i = cache_offset_; i < local; ++i)
    if ((static_cast<unsigned char>(s.source[i]) & 0xC0) != 0x80) ++cache_column_;
  cache_offset_ = local;
  return {file_, s.line, cache_column_};
}

std::vector<Inline> Parser::ParseInline(std::vector<Segment> segments, unsigned allow) {
  buf_.clear();
  for (Segment& s : segments) {
    if (!buf_.empty()) buf_ += ' ';
    s.start = buf_.size();
    buf_ += s.source;
  }
  segs_ = std::move(segments);
  cache_seg_ = SIZE_MAX;
  pos_ = 0;
  next_seg_ = 0;
  auto_marks_ = (allow & kMarks) != 0;
  std::vector<Inline> out;
  Content(allow, 0, 0, false, out);
  TrimRuns(out);
  return out;
}

// Style bits of the nested style elements.
enum StyleBit : unsigned { kItalic = 1, kBold = 2, kSmall = 4, kGreekBit = 8, kHebrewBit = 16 };

RunStyle StyleOf(unsigned bits) {
  if (bits & kGreekBit) return RunStyle::kGreek;
  if (bits & kHebrewBit) return RunStyle::kHebrew;
  if (bits & kSmall)
    return (bits & kBold)     ? RunStyle::kSmallBold
           : (bits & kItalic) ? RunStyle::kSmallItalic
                              : RunStyle::kSmall;
  if (bits & kBold) return RunStyle::kBold;
  if (bits & kItalic) return RunStyle::kItalic;
  return RunStyle::kPlain;
}

namespace {

bool IsGreekMark(char32_t ch) { return ch >= 0x0300 && ch <= 0x036F; }

// Fails unless `ch` (UTF-8), appended to `run`, has a transliteration: it is checked together
// with the letter it belongs to (the last letter of the run and its marks, when `ch` is a mark).
void CheckGreek(std::string_view run, std::string_view ch, const SourcePlace& at) {
  size_t start = run.size();
  size_t pos = 0;
  if (IsGreekMark(DecodeUtf8(ch, pos))) {
    // Back to the start of the last character that is not a mark.
    while (start > 0) {
      size_t s = start - 1;
      while (s > 0 && (static_cast<unsigned char>(run[s]) & 0xC0) == 0x80) --s;
      size_t p = s;
      const char32_t prev = DecodeUtf8(run, p);
      start = s;
      if (!IsGreekMark(prev)) break;
    }
  }
  std::string cluster(run.substr(start));
  cluster += ch;
  if (TransliterateGreek(cluster).error != std::string_view::npos)
    RaiseSourceError(at, "Greek character without a transliteration");
}

}  // namespace

Inline Parser::GreekWords(unsigned style) {
  Inline r;
  r.place = PlaceOf(pos_);
  r.style = StyleOf(style | kGreekBit);
  std::string run;
  // The run stops at the next line's mark; inside an element, whose lines get no marks, the
  // next mark may lie behind, and the run goes on (it must take at least this letter).
  size_t end = buf_.size();
  if (auto_marks_ && next_seg_ < segs_.size() && segs_[next_seg_].start > pos_)
    end = segs_[next_seg_].start;
  while (pos_ < end) {
    size_t next = pos_;
    const char32_t ch = DecodeUtf8(buf_, next);
    if (ch == ' ' || ch == '\t') {
      // Blanks belong to the run only between Greek words.
      size_t after = pos_;
      while (after < end && (buf_[after] == ' ' || buf_[after] == '\t')) ++after;
      size_t probe = after;
      if (after >= end || !IsGreekCharacter(DecodeUtf8(buf_, probe))) break;
      run += ' ';
      pos_ = after;
      continue;
    }
    if (!IsGreekCharacter(ch) || ch == 0x037E || ch == 0x0387 || ch == 0x1FBD || ch == 0x1FBF)
      break;
    CheckGreek(run, std::string_view(buf_).substr(pos_, next - pos_), PlaceOf(pos_));
    run.append(buf_, pos_, next - pos_);
    pos_ = next;
  }
  r.text = TransliterateGreek(run).text;
  return r;
}

void Parser::AppendChar(std::string& run, unsigned style, size_t at) {
  size_t next = at;
  char32_t ch = DecodeUtf8(buf_, next);
  if (ch == '\t') ch = ' ';
  if (ch < 0x20 || ch == 0x7F) RaiseSourceError(PlaceOf(at), "control character in the text");
  if (ch == ' ' && !run.empty() && run.back() == ' ') return;
  if (style & kGreekBit) {
    if (ch > 0x7E && !IsGreekCharacter(ch))
      RaiseSourceError(PlaceOf(at), "character that is not Greek in a Greek passage");
    if (ch > 0x7E) CheckGreek(run, std::string_view(buf_).substr(at, next - at), PlaceOf(at));
  } else if (style & kHebrewBit) {
    if (CharToByte(ch, CodePage::k1255) == 0)
      RaiseSourceError(PlaceOf(at), "character not available in the Hebrew code page 1255");
  } else if (CharToByte(ch, CodePage::k1252) == 0) {
    RaiseSourceError(PlaceOf(at),
                     "character not available in Windows-1252 (use {greek:...} or {hebrew:...})");
  }
  if (ch == ' ')
    run += ' ';  // also for a tab
  else
    run.append(buf_, at, next - at);
}

void Parser::Content(unsigned allow, unsigned style, int depth, bool nested,
                     std::vector<Inline>& out) {
  std::string run;
  size_t run_start = pos_;
  auto flush = [&] {
    if (!run.empty()) {
      Inline r;
      r.place = PlaceOf(run_start);
      r.style = StyleOf(style);
      // Unicode Greek of a Greek passage is stored in its transliteration.
      r.text = (style & kGreekBit) ? TransliterateGreek(run).text : std::move(run);
      out.push_back(std::move(r));
    }
    run.clear();
  };
  while (pos_ < buf_.size()) {
    if (depth == 0 && auto_marks_ && next_seg_ < segs_.size() && pos_ >= segs_[next_seg_].start) {
      const Segment& s = segs_[next_seg_++];
      if (s.auto_line >= 0) {
        flush();
        Inline mark;
        mark.kind = InlineKind::kLineNumber;
        mark.place = PlaceOf(s.start);
        mark.number = s.auto_line;
        out.push_back(mark);
      }
      continue;
    }
    const char c = buf_[pos_];
    if (c == '}') {
      if (nested) break;
      RaiseSourceError(PlaceOf(pos_), "unexpected '}' (write \\})");
    }
    if (run.empty()) run_start = pos_;
    if (c == '\\') {
      run += Escaped();
      continue;
    }
    if (c == '{') {
      flush();
      Element(allow, style, depth, out);
      run_start = pos_;
      continue;
    }
    size_t next = pos_;
    const char32_t ch = DecodeUtf8(buf_, next);
    if (!(style & (kGreekBit | kHebrewBit)) && IsGreekCharacter(ch)) {
      // The Greek question mark, ano teleia and elision mark are punctuation of the text.
      if (ch == 0x037E || ch == 0x0387 || ch == 0x1FBD || ch == 0x1FBF) {
        run += ch == 0x037E ? ";" : ch == 0x0387 ? "\u00B7" : "\u2019";
        pos_ = next;
        continue;
      }
      if (IsGreekMark(ch)) RaiseSourceError(PlaceOf(pos_), "Greek mark without its letter");
      flush();
      out.push_back(GreekWords(style));
      run_start = pos_;
      continue;
    }
    AppendChar(run, style, pos_);
    pos_ = next;
  }
  flush();
}

char Parser::Escaped() {
  if (pos_ + 1 >= buf_.size() ||
      std::string_view("\\{}|%@:").find(buf_[pos_ + 1]) == std::string_view::npos)
    RaiseSourceError(PlaceOf(pos_), "unknown escape: write \\\\ \\{ \\} \\| \\% \\@ or \\:");
  pos_ += 2;
  return buf_[pos_ - 1];
}

std::string Parser::ElementArgs() {
  std::string args;
  while (pos_ < buf_.size() && buf_[pos_] != ':' && buf_[pos_] != '}') {
    if (buf_[pos_] == '{') RaiseSourceError(PlaceOf(pos_), "'{' inside element arguments");
    if (buf_[pos_] == '\\') {
      args += Escaped();
      continue;
    }
    args += buf_[pos_++];
  }
  return std::string(TrimView(args));
}

std::string Parser::PlainText() {
  std::string text;
  while (pos_ < buf_.size() && buf_[pos_] != '}') {
    const char c = buf_[pos_];
    if (c == '{') RaiseSourceError(PlaceOf(pos_), "no elements allowed here");
    if (c == '\\') {
      text += Escaped();
      continue;
    }
    size_t next = pos_;
    DecodeUtf8(buf_, next);
    AppendChar(text, 0, pos_);
    pos_ = next;
  }
  return std::string(TrimView(text));
}

void Parser::Element(unsigned allow, unsigned style, int depth, std::vector<Inline>& out) {
  // The style elements nest and combine their bits; every other element has its own handler.
  static const std::pair<std::string_view, unsigned> kStyleElements[] = {
      {"i", kItalic},    {"b", kBold},           {"small", kSmall}, {"greek", kGreekBit},
      {"gr", kGreekBit}, {"hebrew", kHebrewBit}, {"he", kHebrewBit}};
  static const std::map<std::string_view, ElementHandler> kHandlers = {
      {"fn", &Parser::NoteElement},       {"sch", &Parser::NoteElement},
      {"rem", &Parser::NoteElement},      {"margin", &Parser::MarginElement},
      {"pic", &Parser::PictureElement},   {"link", &Parser::PlaceLinkElement},
      {"ref", &Parser::ReferenceElement}, {"line", &Parser::LineElement},
      {"page", &Parser::PageElement},     {"sync", &Parser::SyncElement},
      {"anchor", &Parser::AnchorElement}, {"xref", &Parser::CrossReferenceElement},
  };
  const ElementCall e = OpenElement(allow, style, depth, out);
  for (const auto& [name, bit] : kStyleElements)
    if (e.name == name) return StyleElement(e, bit);
  const auto handler = kHandlers.find(e.name);
  if (handler == kHandlers.end()) RaiseSourceError(e.open, "unknown element {" + e.name + "}");
  (this->*handler->second)(e);
}

ElementCall Parser::OpenElement(unsigned allow, unsigned style, int depth,
                                std::vector<Inline>& out) {
  const SourcePlace open = PlaceOf(pos_);
  ++pos_;
  const size_t name_start = pos_;
  while (pos_ < buf_.size() && IsAlnum(buf_[pos_])) ++pos_;
  std::string name = buf_.substr(name_start, pos_ - name_start);
  if (name.empty())
    RaiseSourceError(open, "element name expected after '{' (write \\{ for a brace)");
  if (pos_ < buf_.size() && buf_[pos_] != ' ' && buf_[pos_] != ':' && buf_[pos_] != '}')
    RaiseSourceError(PlaceOf(pos_), "blank, ':' or '}' expected after {" + name);
  std::string args = ElementArgs();
  const bool has_body = pos_ < buf_.size() && buf_[pos_] == ':';
  if (has_body) ++pos_;
  return {std::move(name), std::move(args), has_body, open, allow, style, depth, out};
}

void Parser::CloseElement(const ElementCall& e) {
  if (pos_ >= buf_.size()) RaiseSourceError(e.open, "{" + e.name + " is not closed with '}'");
  ++pos_;
}

void Parser::StyleElement(const ElementCall& e, unsigned bit) {
  e.Need(kStyles, e.Here());
  e.RequireBody();
  if (!e.args.empty()) RaiseSourceError(e.open, "{" + e.name + ":...} takes no arguments");
  if (e.depth + 1 > kMaxNesting) RaiseSourceError(e.open, "elements nested too deeply");
  const unsigned combined = e.style | bit;
  if ((combined & kSmall) && (combined & (kGreekBit | kHebrewBit)))
    RaiseSourceError(e.open, "Greek and Hebrew cannot be set small");
  if ((combined & kGreekBit) && (combined & kHebrewBit))
    RaiseSourceError(e.open, "Greek and Hebrew cannot be combined");
  Content(e.allow & kNoteBody & ~kMarks, combined, e.depth + 1, true, e.out);
  CloseElement(e);
}

// {fn:...}, {sch:...} and {rem:...}: the note goes to the text's footnotes or notes, and its mark
// stands in the running text.
void Parser::NoteElement(const ElementCall& e) {
  e.Need(kNotes, "here (notes stand in the main text)");
  e.RequireBody();
  SourceNote note;
  note.kind = e.name == "fn"    ? InlineKind::kFootnote
              : e.name == "sch" ? InlineKind::kScholion
                                : InlineKind::kRemark;
  std::vector<SourceNote>& list = e.name == "fn" ? text_->footnotes : text_->notes;
  note.number = static_cast<int32_t>(list.size()) + 1;
  note.mark = e.args.empty() ? std::to_string(note.number) : e.args;
  CheckCp1252(note.mark, e.open);
  note.attributes = attributes_;
  note.paragraph = text_->paragraphs.size();
  note.place = e.open;
  NestedBody(kNoteBody, e.depth, note.body);
  CloseElement(e);
  if (note.body.empty()) RaiseSourceError(e.open, "empty {" + e.name + ":...}");
  Inline item;
  item.place = e.open;
  item.kind = note.kind;
  item.number = note.number;
  item.text = note.mark;
  if (note.kind == InlineKind::kScholion) text_->has_margin = true;
  list.push_back(std::move(note));
  e.out.push_back(std::move(item));
}

void Parser::MarginElement(const ElementCall& e) {
  e.Need(kMargin, e.Here());
  e.RequireBody();
  Inline item;
  item.place = e.open;
  item.kind = InlineKind::kMarginNote;
  NestedBody(kStyles, e.depth, item.children);
  CloseElement(e);
  if (item.children.empty()) RaiseSourceError(e.open, "empty {margin:...}");
  text_->has_margin = true;
  e.out.push_back(std::move(item));
}

void Parser::NestedBody(unsigned allow, int depth, std::vector<Inline>& body) {
  const bool saved = auto_marks_;
  auto_marks_ = false;
  Content(allow, 0, depth + 1, true, body);
  auto_marks_ = saved;
  TrimRuns(body);
}

Inline Parser::LinkText(const ElementCall& e) {
  e.Need(kLinks, e.Here());
  e.RequireBody();
  if (e.args.empty()) RaiseSourceError(e.open, "{" + e.name + " TARGET:text} needs its target");
  Inline item;
  item.place = e.open;
  item.text = PlainText();
  CloseElement(e);
  if (item.text.empty()) RaiseSourceError(e.open, "{" + e.name + "} needs a text to show");
  return item;
}

// {pic FILE:text}: the text's pictures are numbered by first use; a file used again keeps its
// number.
void Parser::PictureElement(const ElementCall& e) {
  Inline item = LinkText(e);
  item.kind = InlineKind::kPicture;
  const std::string file = FileNameValue(e.args, e.open, kPictureNameBytes);
  auto [found, fresh] =
      picture_numbers_.emplace(file, static_cast<int32_t>(text_->pictures.size()) + 1);
  if (fresh) text_->pictures.push_back({found->second, file, e.open});
  item.number = found->second;
  item.target = file;
  e.out.push_back(std::move(item));
}

// A place target: "#ANCHOR" or "CDID TEXT LAYER POSITION".
void CheckPlaceTarget(const std::string& args, const SourcePlace& at) {
  if (args.empty())
    RaiseSourceError(at, "link target expected as #anchor or 'CDID text layer position'");
  if (args.front() == '#') {
    const std::string anchor = args.substr(1);
    if (anchor.empty() || !std::all_of(anchor.begin(), anchor.end(), IsNameChar))
      RaiseSourceError(at, "anchor name expected after '#'");
  } else {
    std::vector<std::string> f;
    for (size_t k = 0; k < args.size();) {
      size_t end = args.find(' ', k);
      if (end == std::string::npos) end = args.size();
      if (end > k) f.push_back(args.substr(k, end - k));
      k = end + 1;
    }
    int32_t n = 0;
    if (f.size() != 4 || f[0].size() > kIdBytes ||
        !std::all_of(f[0].begin(), f[0].end(), IsAlnum) || !ParseInt(f[1], 1, kMaxTextNumber, n) ||
        !ParseInt(f[2], 1, 3, n) || !ParseInt(f[3], 1, INT32_MAX, n))
      RaiseSourceError(at, "link target expected as #anchor or 'CDID text layer position'");
  }
}

// {link #ANCHOR:text} or {link CDID TEXT LAYER POSITION:text}.
void Parser::PlaceLinkElement(const ElementCall& e) {
  Inline item = LinkText(e);
  item.kind = InlineKind::kPlaceLink;
  item.target = e.args;
  CheckPlaceTarget(e.args, e.open);
  CheckCp1252(item.target, e.open);
  e.out.push_back(std::move(item));
}

void Parser::ReferenceElement(const ElementCall& e) {
  Inline item = LinkText(e);
  item.kind = InlineKind::kReference;
  item.target = e.args;
  CheckCp1252(item.target, e.open);
  e.out.push_back(std::move(item));
}

// The marks {line N}, {page N [label]}, {sync N} and {anchor NAME} take no ':' text.
void Parser::OpenMark(const ElementCall& e, unsigned needed) {
  e.Need(needed, e.Here());
  e.RefuseBody();
  CloseElement(e);
}

void Parser::LineElement(const ElementCall& e) {
  NumberMark(e, InlineKind::kLineNumber, 0, kMaxPageOrLine,
             "{line N} needs a number from 0 to 65535");
}

void Parser::PageElement(const ElementCall& e) {
  OpenMark(e, kMarks);
  e.out.push_back(PageBreak(e.args, e.open));
}

void Parser::SyncElement(const ElementCall& e) {
  NumberMark(e, InlineKind::kSync, 1, INT32_MAX, "{sync N} needs a positive number");
}

void Parser::NumberMark(const ElementCall& e, InlineKind kind, int64_t min, int64_t max,
                        const char* error) {
  OpenMark(e, kMarks);
  Inline item;
  item.place = e.open;
  item.kind = kind;
  if (!ParseInt(e.args, min, max, item.number)) RaiseSourceError(e.open, error);
  e.out.push_back(std::move(item));
}

void Parser::AnchorElement(const ElementCall& e) {
  OpenMark(e, kAnchors);
  if (e.args.empty() || !std::all_of(e.args.begin(), e.args.end(), IsNameChar))
    RaiseSourceError(e.open, "{anchor NAME} needs a name of letters, digits, '_', '-', '.'");
  Inline item;
  item.place = e.open;
  item.kind = InlineKind::kAnchor;
  item.target = e.args;
  e.out.push_back(std::move(item));
}

// {xref #ANCHOR} or {xref CDID TEXT LAYER POSITION}: the place the paragraph leads to while the
// reader's cross-reference links are on.
void Parser::CrossReferenceElement(const ElementCall& e) {
  OpenMark(e, kCrossRefs);
  CheckPlaceTarget(e.args, e.open);
  Inline item;
  item.place = e.open;
  item.kind = InlineKind::kCrossReference;
  item.target = e.args;
  CheckCp1252(item.target, e.open);
  e.out.push_back(std::move(item));
}

}  // namespace

SourceCollection ParseSource(std::string_view utf8, const std::string& fileName) {
  return Parser(utf8, fileName).Run();
}

}  // namespace quillmar::builder
