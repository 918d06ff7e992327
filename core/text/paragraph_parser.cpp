#include "text/paragraph_parser.h"

#include "base/errors.h"
#include "text/stream_arguments.h"
#include "text/stream_codes.h"

namespace quillmar {

using namespace stream;

bool EndsInLoneEscape(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != kEscape) {
      ++i;
    } else if (i + 1 == text.size()) {
      return true;
    } else {
      i += 2;
    }
  }
  return false;
}

void ParagraphParser::Reset() {
  font_ = kBodyFont;
  page_numbering_ = 0;
  page_ = 0;
  paragraph_ = 0;
  line_ = 0;
  code25_ = -1;
  sections_[0] = sections_[1] = sections_[2] = 0;
  label_.clear();
}

void ParagraphParser::Parse(std::string_view text, int32_t start, ParagraphSink& sink) {
  Reset();
  sink_ = &sink;
  start_ = start;
  if (EndsInLoneEscape(text)) return;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == kBlank) {
      ++i;
    } else if (c != kEscape) {
      EmitWord(text, i);
    } else {
      // EndsInLoneEscape guarantees the code byte.
      const char code = text[i + 1];
      i += 2;
      ActOnCode(text, code, i);
    }
  }
}

StreamWord ParagraphParser::MakeWord(std::string_view bytes, size_t offset) const {
  StreamWord w;
  w.bytes.assign(bytes);
  w.start_position = static_cast<int32_t>(int64_t{start_} + static_cast<int64_t>(offset));
  w.font_code = font_;
  w.page_number = page_;
  w.page_numbering = page_numbering_;
  w.paragraph_number = paragraph_;
  w.line_number = line_;
  w.code25_number = code25_;
  w.label = label_;
  return w;
}

// A word runs from a plain byte to the next blank or the end. A code may stay inside only when
// it is a word code and the byte after it is neither a blank nor the end; any other code ends
// the word in front of it.
void ParagraphParser::EmitWord(std::string_view text, size_t& i) {
  const size_t begin = i;
  char last_font = font_;
  size_t j = i;
  while (j < text.size() && text[j] != kBlank) {
    if (text[j] != kEscape) {
      ++j;
      continue;
    }
    if (j + 2 >= text.size() || !IsWordCode(text[j + 1]) || text[j + 2] == kBlank) break;
    if (IsFontCode(text[j + 1])) last_font = text[j + 1];
    j += 2;
  }
  sink_->AddWord(MakeWord(text.substr(begin, j - begin), begin));
  // A font code inside the word carries on to the following words.
  font_ = last_font;
  i = j;
}

void ParagraphParser::ReadPageNumber(std::string_view text, size_t& i) {
  if (i + 1 >= text.size() || text[i] != kEscape) RaiseInternalError("AEZ 004");
  const char numbering = text[i + 1];
  if (numbering == kRomanPages) {
    page_numbering_ = 0;
  } else if (numbering == kArabicPages) {
    page_numbering_ = 1;
  } else {
    RaiseInternalError("AEZ 004");
  }
  i += 2;
  page_ = NumberAt(text, i);
}

void ParagraphParser::ActOnCode(std::string_view text, char code, size_t& i) {
  if (IsFontCode(code)) {
    font_ = code;
    return;
  }
  if (code == kParagraphSeparator) RaiseInternalError("AEZ 005");
  if (SetLayout(code) || ReadCounter(text, code, i)) return;
  EmitLinkText(text, code, i);
}

bool ParagraphParser::SetLayout(char code) {
  switch (code) {
    case kCentreOn:
    case kCentreOff:
      sink_->SetCentred(code == kCentreOn);
      return true;
    case kJustifyOn:
    case kJustifyOff:
      sink_->SetJustified(code == kJustifyOn);
      return true;
    case kIndentAll:
      sink_->SetIndentMode(2);
      return true;
    case kIndentFirst:
    case kIndentFirstAlt:
      sink_->SetIndentMode(1);
      return true;
    case kIndentHanging:
      sink_->SetIndentMode(3);
      return true;
    default:
      return false;
  }
}

bool ParagraphParser::ReadCounter(std::string_view text, char code, size_t& i) {
  switch (code) {
    case kPageNumber:
      ReadPageNumber(text, i);
      return true;
    case kParagraphNumber:
      paragraph_ = NumberAt(text, i);
      sink_->SetParagraphNumber(paragraph_);
      return true;
    case kLineNumber:
      line_ = NumberAt(text, i);
      return true;
    case kNumber25:
      code25_ = NumberAt(text, i);
      return true;
    case kSection1:
    case kSection2:
    case kSection3:
      sections_[code - kSection1] = NumberAt(text, i);
      return true;
    case kLabel:
      label_ = TextAt(text, i);
      if (label_.size() > kMaxLabel) label_.resize(kMaxLabel);
      return true;
    default:
      return false;
  }
}

void ParagraphParser::EmitLinkText(std::string_view text, char code, size_t& i) {
  switch (code) {
    case kMarginNote: {
      const size_t at = i;
      EmitTextWords(TextAt(text, i), at, true, 0, 0, {});
      return;
    }
    case kFootnoteLink:
    case kScholionLink:
    case kRemarkLink:
    case kPictureLink:
    case kTableLink: {
      const uint8_t kind = code == kFootnoteLink   ? kKindFootnote
                           : code == kScholionLink ? kKindScholion
                           : code == kRemarkLink   ? kKindRemark
                           : code == kPictureLink  ? kKindPicture
                                                   : kKindTable;
      const int32_t number = NumberAt(text, i);
      const size_t at = i;
      EmitTextWords(TextAt(text, i), at, kind == kKindScholion, kind, number, {});
      return;
    }
    case kPlaceLink:
    case kReferenceLink: {
      const std::string target = TextAt(text, i);
      const size_t at = i;
      EmitTextWords(TextAt(text, i), at, false, code == kPlaceLink ? kKindPlace : kKindReference, 0,
                    target);
      return;
    }
    default:
      // "2".."4", table markup, a stray terminator and unknown codes do nothing here.
      return;
  }
}

void ParagraphParser::EmitTextWords(const std::string& words, size_t offset, bool margin,
                                    uint8_t link_kind, int32_t link_number,
                                    const std::string& target) {
  const char saved_font = font_;
  size_t k = 0;
  while (k < words.size()) {
    if (words[k] == kBlank) {
      ++k;
      continue;
    }
    const size_t begin = k;
    bool has_plain = false;
    bool has_blank = false;
    while (k < words.size() && words[k] != kBlank) {
      if (words[k] == kEscape && k + 1 < words.size()) {
        has_blank = has_blank || words[k + 1] == kBlank;
        k += 2;
      } else {
        has_plain = true;
        ++k;
      }
    }
    if (!has_plain) RaiseInternalError("AEZ 011");
    if (has_blank) RaiseInternalError(margin ? "AEZ 009" : "AEZ 010");
    if (link_kind != 0) font_ = kLinkFont;
    if (margin) font_ = kMarginFont;
    StreamWord w = MakeWord(std::string_view(words).substr(begin, k - begin), offset + begin);
    font_ = saved_font;
    w.margin = margin;
    if (link_kind != 0) {
      w.link = true;
      w.link_kind = link_kind;
      w.link_number = link_number;
      if ((link_kind == kKindPlace || link_kind == kKindReference) && !target.empty()) {
        w.has_link_record = true;
        w.link_target = target;
      }
    }
    if (margin) {
      sink_->AddMarginWord(w);
    } else {
      sink_->AddWord(w);
    }
  }
}

}  // namespace quillmar
