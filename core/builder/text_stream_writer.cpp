#include "builder/text_stream_writer.h"

#include <string_view>

#include "base/codepage.h"
#include "base/errors.h"
#include "builder/word_splitter.h"
#include "text/paragraph_parser.h"
#include "text/stream_codes.h"
#include "text/word_collector.h"

namespace quillmar::builder {
namespace {

using namespace stream;

char StyleFont(RunStyle style, char base) {
  switch (style) {
    case RunStyle::kPlain:
      return base;
    case RunStyle::kItalic:
      return kItalicFont;
    case RunStyle::kBold:
      return kBoldFont;
    case RunStyle::kSmall:
      return kSmallFont;
    case RunStyle::kSmallItalic:
      return kSmallItalicFont;
    case RunStyle::kSmallBold:
      return kSmallBoldFont;
    case RunStyle::kGreek:
      return kGreekFont;
    case RunStyle::kHebrew:
      return kHebrewFont;
  }
  return base;
}

std::string RunBytes(const Inline& run) {
  if (run.style == RunStyle::kGreek) return run.text;  // already the ASCII transliteration
  if (run.style == RunStyle::kHebrew) return FromUtf8(run.text, CodePage::k1255);
  return Utf8ToCp1252(run.text);
}

// Plain text of inline runs (margin notes): styles dropped, so that no word is made of codes.
std::string PlainRuns(const std::vector<Inline>& runs) {
  std::string out;
  for (const Inline& run : runs)
    if (run.kind == InlineKind::kRun) out += RunBytes(run);
  return out;
}

// A link's shown text must hold a word; an empty one shows `fallback`.
std::string ShownText(const std::string& utf8, const std::string& fallback) {
  std::string text = Utf8ToCp1252(utf8);
  if (text.find_first_not_of(' ') == std::string::npos) text = fallback;
  return text;
}

char HeadingFont(TextPart part, int chapter_level) {
  if (chapter_level == 1) return kHeadingFont;
  if (chapter_level == 2) return kSubheadingFont;
  if (chapter_level == 3) return kSubtitleFont;
  switch (part) {
    case TextPart::kHeading:
      return kHeadingFont;
    case TextPart::kSubheading:
      return kSubheadingFont;
    case TextPart::kSubtitle:
      return kSubtitleFont;
    case TextPart::kSubtitle2:
      return kSubtitle2Font;
    default:
      return kBodyFont;
  }
}

// Where the main text stood when it linked to a note.
struct NoteContext {
  int page = -1;  // index into pages, -1 before the first page
  int32_t l1 = 0, l2 = 0, l3 = 0;
  std::array<std::string, 3> names;
};

class TextWriter {
 public:
  TextWriter(const SourceText& text, const std::string& cdid, const DateSettings& dates,
             const AnchorMap& anchors)
      : text_(text), cdid_(cdid), dates_(dates), anchors_(anchors) {
    footnote_context_.resize(text.footnotes.size());
    note_context_.resize(text.notes.size());
  }

  WrittenText Run() {
    for (const SourceParagraph& p : text_.paragraphs) MainParagraph(p);
    layer_ = 2;
    for (size_t i = 0; i < text_.footnotes.size(); ++i)
      NoteParagraph(text_.footnotes[i], footnote_context_[i], TextPart::kFootnote);
    layer_ = 3;
    for (size_t i = 0; i < text_.notes.size(); ++i)
      NoteParagraph(text_.notes[i], note_context_[i], TextPart::kRemark);
    return std::move(out_);
  }

 private:
  StreamBuilder& Out() { return out_.layers[static_cast<size_t>(layer_ - 1)]; }

  void StartPage(const Inline& mark, int32_t position) {
    WrittenPage page;
    page.number = mark.number;
    page.arabic = !mark.roman;
    page.label = Utf8ToCp1252(mark.text);
    page.position[0] = position;
    out_.pages.push_back(page);
    page_ = static_cast<int>(out_.pages.size()) - 1;
  }

  // Separator, then the blocks every paragraph carries: page, paragraph number, label and the
  // section counters. Returns the paragraph's start position.
  int32_t BeginParagraph(int page, const NoteContext& chapter) {
    StreamBuilder& out = Out();
    if (!out.Empty()) out.Code(kParagraphSeparator);
    const int32_t start = out.NextPosition();
    ++paragraph_number_[layer_ - 1];
    if (page >= 0) {
      WrittenPage& p = out_.pages[static_cast<size_t>(page)];
      int32_t& page_start = p.position[static_cast<size_t>(layer_ - 1)];
      if (page_start < 0) page_start = start;
      out.Code(kPageNumber);
      out.Code(p.arabic ? kArabicPages : kRomanPages);
      out.NumberArgument(p.number);
    }
    out.Code(kParagraphNumber);
    out.NumberArgument(paragraph_number_[layer_ - 1]);
    if (chapter.l1 != 0) {
      std::string label = chapter.names[0];
      if (chapter.l2 != 0) label += "/" + chapter.names[1];
      if (chapter.l3 != 0) label += "/" + chapter.names[2];
      out.Code(kLabel);
      out.TextArgument(label.substr(0, ParagraphParser::kMaxLabel));
      const char codes[3] = {kSection1, kSection2, kSection3};
      const int32_t counters[3] = {chapter.l1, chapter.l2, chapter.l3};
      for (int level = 0; level < 3; ++level) {
        out.Code(codes[level]);
        out.NumberArgument(counters[level]);
      }
    }
    return start;
  }

  static void Layout(StreamBuilder& out, const SourceParagraph& p) {
    if (p.alignment == Alignment::kCentred) out.Code(kCentreOn);
    if (p.alignment == Alignment::kJustified) out.Code(kJustifyOn);
    if (p.indent == Indent::kFirstLine) out.Code(kIndentFirst);
    if (p.indent == Indent::kAllLines) out.Code(kIndentAll);
    if (p.indent == Indent::kHanging) out.Code(kIndentHanging);
  }

  // A chapter heading makes its chapter the current one: returns its level, 0 for any other
  // paragraph.
  int EnterChapter(const SourceParagraph& p) {
    if (p.kind != ParagraphKind::kChapterHeading || p.chapter < 0 ||
        static_cast<size_t>(p.chapter) >= text_.chapters.size())
      return 0;
    const SourceChapter& c = text_.chapters[static_cast<size_t>(p.chapter)];
    if (c.level < 1 || c.level > 3) RaiseInternalError("BLD-TSW-CH 1");
    const std::string name = Utf8ToCp1252(c.name);
    chapter_.l1 = c.l1;
    chapter_.l2 = c.l2;
    chapter_.l3 = c.l3;
    chapter_.names[static_cast<size_t>(c.level - 1)] = name;
    for (int level = c.level; level < 3; ++level)
      chapter_.names[static_cast<size_t>(level)].clear();
    return c.level;
  }

  // The chapter record of a heading of the given level written at `start`.
  void RecordChapter(int chapter_level, int32_t start) {
    out_.chapters.push_back(WrittenChapter{{chapter_level == 1 ? chapter_.names[0] : std::string(),
                                            chapter_level == 2 ? chapter_.names[1] : std::string(),
                                            chapter_level == 3 ? chapter_.names[2] : std::string()},
                                           chapter_.l1,
                                           chapter_.l2,
                                           chapter_.l3,
                                           start});
    // Fill the higher levels' names too, so that a record names its whole path.
    WrittenChapter& record = out_.chapters.back();
    for (int level = 0; level < chapter_level; ++level)
      record.names[static_cast<size_t>(level)] = chapter_.names[static_cast<size_t>(level)];
  }

  // A table paragraph starts with the table code; it carries no page or label blocks. Returns
  // its start.
  int32_t TableParagraph(const SourceParagraph& p, const NoteContext& here) {
    StreamBuilder& out = Out();
    if (!out.Empty()) out.Code(kParagraphSeparator);
    const int32_t start = out.NextPosition();
    ++paragraph_number_[0];
    if (page_ >= 0 && out_.pages[static_cast<size_t>(page_)].position[0] < 0)
      out_.pages[static_cast<size_t>(page_)].position[0] = start;
    out.Code(kTableStart);
    out.Code(kTitleStart);
    out.Text(ShownText(p.table.title, "Table"));
    out.Code(kTitleEnd);
    for (const auto& row : p.table.rows) {
      out.Code(kRowStart);
      for (const auto& cell : row) {
        out.Code(kCellStart);
        char font = kBodyFont;
        Content(cell, kBodyFont, font, here, false);
        if (font != kBodyFont) out.Code(kBodyFont);  // each cell starts in the body font
      }
    }
    return start;
  }

  void MainParagraph(const SourceParagraph& p) {
    // Page and line marks in front of the content take effect at the paragraph start, so that
    // the page starts with the paragraph.
    size_t first = 0;
    int32_t leading_line = 0;
    for (; first < p.content.size(); ++first) {
      const Inline& item = p.content[first];
      if (item.kind == InlineKind::kPageBreak) {
        StreamBuilder& out = Out();
        StartPage(item, out.NextPosition() + (out.Empty() ? 0 : 2));
      } else if (item.kind == InlineKind::kLineNumber) {
        leading_line = item.number;
      } else {
        break;
      }
    }
    const int chapter_level = EnterChapter(p);
    NoteContext here = chapter_;
    here.page = page_;
    StreamBuilder& out = Out();
    int32_t start = 0;
    if (p.kind == ParagraphKind::kTable) {
      start = TableParagraph(p, here);
    } else {
      start = BeginParagraph(page_, chapter_);
      if (leading_line != 0) {
        out.Code(kLineNumber);
        out.NumberArgument(leading_line);
      }
      Layout(out, p);
      const char base = HeadingFont(p.part, chapter_level);
      out.Code(base);
      char font = base;
      if (chapter_level != 0) {
        out.Code(kCentreOn);  // the heading's content is the chapter name
        RecordChapter(chapter_level, start);
      }
      std::vector<Inline> rest(p.content.begin() + static_cast<std::ptrdiff_t>(first),
                               p.content.end());
      Content(rest, base, font, here, true);
    }
    TextPart part = p.part;
    if (chapter_level == 1) part = TextPart::kHeading;
    if (chapter_level > 1) part = TextPart::kSubheading;
    Index(start, part, p.attributes, here);
  }

  void NoteParagraph(const SourceNote& note, const NoteContext& context, TextPart part) {
    const int32_t start = BeginParagraph(context.page, context);
    Out().Code(kBodyFont);
    char font = kBodyFont;
    Content(note.body, kBodyFont, font, context, false);
    Index(start, part, note.attributes, context);
  }

  void Link(char code, int32_t number, const std::string& shown) {
    StreamBuilder& out = Out();
    out.Code(code);
    out.NumberArgument(number);
    out.TextArgument(ShownText(shown, std::to_string(number)));
  }

  std::string AnchorTarget(const std::string& target) const {
    if (target.empty() || target.front() != '#') return Utf8ToCp1252(target);
    AnchorPlace place;
    auto it = anchors_.find(target.substr(1));
    if (it != anchors_.end()) place = it->second;
    return cdid_ + " " + std::to_string(place.text) + " " + std::to_string(place.layer) + " " +
           std::to_string(place.position);
  }

  void Content(const std::vector<Inline>& items, char base, char& font, const NoteContext& here,
               bool main) {
    StreamBuilder& out = Out();
    for (const Inline& item : items) {
      switch (item.kind) {
        case InlineKind::kRun: {
          const char wanted = StyleFont(item.style, base);
          if (wanted != font) {
            out.Code(wanted);
            font = wanted;
          }
          out.Text(RunBytes(item));
          break;
        }
        case InlineKind::kFootnote:
          Remember(footnote_context_, item.number, here, main);
          Link(kFootnoteLink, item.number, item.text);
          break;
        case InlineKind::kScholion:
          Remember(note_context_, item.number, here, main);
          Link(kScholionLink, item.number, item.text);
          break;
        case InlineKind::kRemark:
          Remember(note_context_, item.number, here, main);
          Link(kRemarkLink, item.number, item.text);
          break;
        case InlineKind::kPicture:
          Link(kPictureLink, item.number, item.text);
          break;
        case InlineKind::kMarginNote: {
          const std::string text = PlainRuns(item.children);
          if (text.find_first_not_of(' ') == std::string::npos) break;
          out.Code(kMarginNote);
          out.TextArgument(text);
          break;
        }
        case InlineKind::kPlaceLink:
        case InlineKind::kReference:
          out.Code(item.kind == InlineKind::kPlaceLink ? kPlaceLink : kReferenceLink);
          out.TextArgument(item.kind == InlineKind::kPlaceLink ? AnchorTarget(item.target)
                                                               : Utf8ToCp1252(item.target));
          out.TextArgument(ShownText(item.text, "->"));
          break;
        case InlineKind::kLineNumber:
          out.Code(kLineNumber);
          out.NumberArgument(item.number);
          break;
        case InlineKind::kPageBreak:
          if (layer_ != 1) break;
          StartPage(item, out.NextPosition());
          out.Code(kPageNumber);
          out.Code(item.roman ? kRomanPages : kArabicPages);
          out.NumberArgument(item.number);
          break;
        case InlineKind::kAnchor:
          out_.anchors[item.target] = AnchorPlace{text_.number, layer_, out.NextPosition()};
          break;
        case InlineKind::kSync:
          if (layer_ == 1) out_.sync.emplace_back(out.NextPosition(), item.number);
          break;
        case InlineKind::kCrossReference:
          // The reference key rides on code 25, which the words after it keep.
          out.Code(kNumber25);
          out.NumberArgument(item.number);
          out_.cross_references.push_back({item.number, AnchorTarget(item.target)});
          break;
      }
    }
  }

  // The page and chapter in force at a note's link; the first link counts.
  void Remember(std::vector<NoteContext>& contexts, int32_t number, const NoteContext& here,
                bool main) {
    if (!main || number < 1 || static_cast<size_t>(number) > contexts.size()) return;
    NoteContext& c = contexts[static_cast<size_t>(number - 1)];
    if (c.page >= 0 || c.l1 != 0) return;
    c = here;
    c.page = page_;  // a page mark inside the paragraph counts from here on
  }

  void SetDate(const SourceDate& d, int32_t& day, int32_t& month, int32_t& year,
               int32_t& extra) const {
    day = d.day;
    month = d.month;
    year = d.Known() ? d.year + dates_.year_offset : dates_.no_date_marker;
    extra = d.year2 != SourceDate::kNoYear ? d.year2 + dates_.year_offset : 0;
  }

  // Decodes the paragraph just written and records its words for the index.
  void Index(int32_t start, TextPart part, const PassageAttributes& attributes,
             const NoteContext& here) {
    const std::string& bytes = Out().Bytes();
    const std::string_view paragraph =
        std::string_view(bytes).substr(static_cast<size_t>(start - 1));
    WordCollector words;
    ParagraphParser().Parse(paragraph, start, words);
    const int32_t table_page =
        here.page >= 0 ? out_.pages[static_cast<size_t>(here.page)].number : 0;
    for (const StreamWord& w : words.Words()) {
      if (w.link) continue;  // link marks and shown texts are not indexed
      std::string word = IndexWord(w.bytes, w.font_code == kGreekFont);
      if (word.empty()) continue;
      IndexEntry e;
      e.text = static_cast<uint8_t>(text_.number);
      e.layer = static_cast<uint8_t>(layer_);
      e.position = w.start_position;
      e.textPart = static_cast<uint8_t>(w.margin ? TextPart::kMargin : part);
      e.page = static_cast<uint16_t>(w.page_number != 0 ? w.page_number : table_page);
      e.line = static_cast<uint16_t>(w.line_number);
      e.chapter = static_cast<uint16_t>(here.l1);
      e.subChapter = static_cast<uint8_t>(here.l2);
      e.paragraphKey = paragraph_number_[layer_ - 1];
      // Running through the text, layer by layer, so that neighbouring words differ by 1;
      // 0 is never used.
      word_number_ = word_number_ == 65535 ? 1 : static_cast<uint16_t>(word_number_ + 1);
      e.wordNumber = word_number_;
      e.language = w.font_code == kGreekFont ? lang::kGreek : attributes.language;
      SetDate(attributes.date1, e.dateDay, e.dateMonth, e.dateYear, e.dateExtra);
      SetDate(attributes.date2.Known() ? attributes.date2 : attributes.date1, e.dateDayTo,
              e.dateMonthTo, e.dateYearTo, e.dateExtraTo);
      e.word = std::move(word);
      out_.entries.push_back(std::move(e));
    }
  }

  const SourceText& text_;
  const std::string& cdid_;
  DateSettings dates_;
  const AnchorMap& anchors_;
  WrittenText out_;
  int layer_ = 1;
  int page_ = -1;
  NoteContext chapter_;
  int32_t paragraph_number_[3] = {0, 0, 0};
  uint16_t word_number_ = 0;
  std::vector<NoteContext> footnote_context_;
  std::vector<NoteContext> note_context_;
};

}  // namespace

WrittenText WriteTextStreams(const SourceText& text, const std::string& cdid,
                             const DateSettings& dates, const AnchorMap& anchors) {
  return TextWriter(text, cdid, dates, anchors).Run();
}

}  // namespace quillmar::builder
