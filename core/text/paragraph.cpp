#include "text/paragraph.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/errors.h"
#include "text/font_table.h"
#include "text/paragraph_parser.h"
#include "text/stream_codes.h"

namespace quillmar {

namespace {
constexpr int kBodyFont = stream::FontNumber(stream::kBodyFont);
// Pixels between the left border and the words, counted against the available width.
constexpr int32_t kBorderGap = 5;
// Whether the word's first visible character is punctuation that closes what stands before it.
bool StartsWithClosingPunctuation(const TWortListRecord& word) {
  if (word.Parts.empty() || word.Parts[0].Text.empty()) return false;
  return std::string_view(".,;:!?)]}").find(word.Parts[0].Text[0]) != std::string_view::npos;
}

}  // namespace

TAbsatz::TAbsatz(Canvas* canvas, const ColourTables* colours, const ParagraphSettings& settings)
    : canvas_(canvas), colours_(colours), settings_(settings), lines_(canvas, colours) {
  lines_.SetPrinter(settings.Printer);
  lines_.SetUnicodeGreek(settings.UnicodeGreek);
}

void TAbsatz::SetText(std::string_view text) {
  table_.reset();
  markup_length_ = 0;
  const size_t table = TSimpleTable::TableStart(text);
  if (table != std::string_view::npos) {
    table_ = std::make_unique<TSimpleTable>(text.substr(table));
    markup_length_ = static_cast<int32_t>(text.size());
    text_ = TSimpleTable::LinkText(table_->Title());
  } else {
    text_.assign(text);
  }
  Layout();
}

void TAbsatz::Relayout(const ParagraphSettings& settings) {
  const bool printer = settings_.Printer;
  settings_ = settings;
  settings_.Printer = printer;
  Layout();
}

void TAbsatz::SetPrinter(bool printer) {
  if (!lines_.Empty()) RaiseInternalError("AS-SBD 001");
  settings_.Printer = printer;
  lines_.SetPrinter(printer);
}

int32_t TAbsatz::AvailableWidth() const {
  const Rect& c = settings_.Client;
  return c.Right - (settings_.LeftBorder + kBorderGap) - settings_.ExtraMargin1 -
         settings_.ExtraMargin2 - c.Left;
}

void TAbsatz::Layout() {
  canvas_->SelectFont(kBodyFont, settings_.Printer);
  indent_width_ = settings_.IndentCount * canvas_->TextWidth(" ", FontTable::kDefaultCharset);
  line_spacing_ =
      (std::abs(canvas_->Metrics(kBodyFont, false).Height) / 10) * settings_.LineSpacingFactor;
  centred_ = false;
  justified_ = settings_.JustifiedDefault;
  indent_mode_ = 1;
  paragraph_number_ = 0;
  lines_.Clear();
  lines_.SetUnicodeGreek(settings_.UnicodeGreek);
  lines_.SetClient(settings_.Client);
  current_line_ = -1;
  last_line_drawn_ = -1;
  ParagraphParser parser;
  parser.Parse(text_, start_, *this);
  // Words of a new layout start out visible; the print range in force decides again.
  if (settings_.Printer && !PrintRange.Empty()) {
    for (int32_t i = 0; i < lines_.Count(); ++i) lines_.Line(i).SetVisible(PrintRange);
  }
  SetCurrentPosition(start_);
}

TZeile& TAbsatz::NewLine() {
  const bool first = lines_.Empty();
  TZeile& line = lines_.NewLine();
  line.Centred = centred_;
  line.Justified = justified_;
  line.LeftBorder = settings_.LeftBorder;
  line.TextWidth = AvailableWidth();
  bool indented = false;
  if (!centred_) {
    indented = (indent_mode_ == 1 && first) || indent_mode_ == 2 || (indent_mode_ == 3 && !first);
  }
  line.SetIndent(indented ? settings_.IndentCount : 0);
  return line;
}

TWortListRecord TAbsatz::MakeRecord(const StreamWord& word, TWortListe& list) const {
  TWortListRecord r;
  r.StartPos = word.start_position;
  r.PageNumber = word.page_number;
  r.PageNumbering = word.page_numbering;
  r.ParagraphNumber = word.paragraph_number;
  r.LineNumber = word.line_number;
  r.Code25Number = word.code25_number;
  r.Label = word.label;
  r.Margin = word.margin;
  r.Link = word.link;
  r.LinkKind = word.link_kind;
  r.LinkNumber = word.link_number;
  list.SetWord(r, word.bytes, word.font_code);
  if (word.has_link_record) TWortListe::SetLinkRecord(r, {word.link_kind, word.link_target});
  if (settings_.Printer && !PrintRange.Empty()) r.Visible = PrintRange.Contains(r.StartPos);
  return r;
}

// A word goes to the last line; when that line then holds more than one word and is too wide,
// the word moves to a new line. A single over-wide word stays alone on its line.
void TAbsatz::AddWord(const StreamWord& word) {
  if (lines_.Empty()) NewLine();
  TZeile* line = &lines_.Last();
  const TWortListRecord record = MakeRecord(word, line->Words());
  // Punctuation follows a link marker without a blank ("renown1;"), as it would a plain word.
  if (!line->Words().Empty() && line->Words().Last().Link && StartsWithClosingPunctuation(record)) {
    line->Words().Last().SpaceWidth = 0;
  }
  line->Words().Add(record);
  if (line->Words().Count() > 1 && line->Width() > AvailableWidth()) {
    line->Words().RemoveLast();
    line = &NewLine();
    line->Words().Add(record);
  }
}

void TAbsatz::AddMarginWord(const StreamWord& word) {
  if (lines_.Empty()) NewLine();
  TWortListe& margin = lines_.Last().MarginWords();
  margin.Add(MakeRecord(word, margin));
}

int32_t TAbsatz::EndPos() const {
  if (table_) return start_ + markup_length_ - 1;
  if (text_.empty()) return start_;
  return start_ + static_cast<int32_t>(text_.size()) - 1;
}

void TAbsatz::SetCurrentPosition(int32_t position) {
  if (!Contains(position)) RaiseInternalError("AS-SCP 001");
  current_pos_ = position;
  current_line_ = -1;
  for (int32_t i = 0; i < lines_.Count(); ++i) {
    const TZeile& line = lines_.Line(i);
    if ((line.FirstPos() <= position && position <= line.LastPos()) || line.FirstPos() > position) {
      current_line_ = i;
      return;
    }
  }
  // Behind the last word (trailing codes or blanks): the last line.
  current_line_ = lines_.Count() - 1;
}

int32_t TAbsatz::Height() const {
  if (lines_.Empty()) {
    return std::abs(canvas_->Metrics(kBodyFont, false).Height) + line_spacing_;
  }
  if (!CurrentLineValid()) RaiseInternalError("AS-GH 001");
  int32_t h = 0;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    h += lines_.Line(i).Height() + line_spacing_;
  }
  return h;
}

int32_t TAbsatz::Width() const {
  if (lines_.Empty()) return 0;
  if (!CurrentLineValid()) RaiseInternalError("AS-GW 001");
  int32_t w = 0;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    w = std::max(w, lines_.Line(i).Width());
  }
  return w;
}

void TAbsatz::Draw(int32_t top, int32_t available) {
  lines_.User = User;
  lines_.Hit = Hit;
  const Color back = colours_->Of(settings_.Printer)[ColourTable::kBackground];
  const Rect& c = settings_.Client;
  if (lines_.Empty()) {
    // An empty paragraph shows as a blank strip of its height.
    const int32_t h = Height();
    if (!settings_.Printer || h <= available)
      canvas_->FillRect({c.Left, top, c.Right, top + h}, back);
    drawn_box_ = {0, top, 0, top + h};
    return;
  }
  if (!CurrentLineValid()) RaiseInternalError("AS-D 001");
  MarginCarry carry;
  int32_t y = top;
  last_line_drawn_ = current_line_ - 1;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    TZeile& line = lines_.Line(i);
    const int32_t h = line.Height();
    if (settings_.Printer && y + h - top > available) break;
    line.Draw(y, carry, lines_.User, lines_.Hit, i == lines_.Count() - 1);
    last_line_drawn_ = i;
    y += h;
    if (line_spacing_ > 0) canvas_->FillRect({c.Left, y, c.Right, y + line_spacing_}, back);
    y += line_spacing_;
  }
  drawn_box_ = {0, top, Width(), top + Height()};
}

void TAbsatz::DrawMarkings() {
  lines_.User = User;
  lines_.Hit = Hit;
  if (!CurrentLineValid()) return;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    TZeile& line = lines_.Line(i);
    if (!line.Words().Empty()) line.RedrawMarkings(lines_.User, lines_.Hit);
  }
}

void TAbsatz::SetPrintRange(const TMarkierungen& range) {
  if (!settings_.Printer) RaiseInternalError("AS-SDM 001");
  PrintRange = range;
  lines_.PrintRange = range;
  for (int32_t i = 0; i < lines_.Count(); ++i) lines_.Line(i).SetVisible(range);
}

const TWortListRecord* TAbsatz::WordAt(int32_t x, int32_t y) const {
  if (!CurrentLineValid()) return nullptr;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    if (const TWortListRecord* w = lines_.Line(i).WordAt(x, y)) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsatz::FirstVisibleWord(int32_t top) const {
  if (!CurrentLineValid()) return nullptr;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    const TWortListRecord* w = lines_.Line(i).FirstWord();
    if (w != nullptr && w->Drawn() && w->Box.Bottom > top) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsatz::LastWordOfFirstVisibleLine(int32_t top) const {
  if (!CurrentLineValid()) return nullptr;
  for (int32_t i = current_line_; i < lines_.Count(); ++i) {
    const TWortListRecord* w = lines_.Line(i).LastWord();
    if (w != nullptr && w->Drawn() && w->Box.Bottom > top) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsatz::LastVisibleWord(int32_t bottom) const {
  if (!CurrentLineValid()) return nullptr;
  const int32_t from = settings_.Printer ? last_line_drawn_ : lines_.Count() - 1;
  for (int32_t i = from; i >= current_line_; --i) {
    const TWortListRecord* w = lines_.Line(i).LastWord();
    if (w != nullptr && w->Drawn() && w->Box.Top < bottom) return w;
  }
  return nullptr;
}

int32_t TAbsatz::NextLineStart() const {
  if (!CurrentLineValid() || current_line_ + 1 >= lines_.Count()) return -1;
  return lines_.Line(current_line_ + 1).FirstPos();
}

int32_t TAbsatz::PreviousLineStart() const {
  if (!CurrentLineValid() || current_line_ == 0) return -1;
  return lines_.Line(current_line_ - 1).FirstPos();
}

int32_t TAbsatz::FirstLineStart() const {
  return lines_.Empty() ? start_ : lines_.Line(0).FirstPos();
}

int32_t TAbsatz::LastLineStart() const {
  return lines_.Empty() ? start_ : lines_.Line(lines_.Count() - 1).FirstPos();
}

}  // namespace quillmar
