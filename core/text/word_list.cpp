#include "text/word_list.h"

#include <algorithm>

#include "base/errors.h"
#include "text/font_table.h"
#include "text/greek.h"
#include "text/stream_codes.h"

namespace quillmar {

using namespace stream;

TWortListRecord& TWortListe::Add(const TWortListRecord& word) {
  words_.push_back(word);
  return words_.back();
}

void TWortListe::RemoveLast() {
  if (!words_.empty()) words_.pop_back();
}

TWortListRecord& TWortListe::Word(int32_t i) {
  if (i < 1 || i > Count()) RaiseInternalError("WL-GI 002");
  return words_[static_cast<size_t>(i - 1)];
}

const TWortListRecord& TWortListe::Word(int32_t i) const {
  if (i < 1 || i > Count()) RaiseInternalError("WL-GI 002");
  return words_[static_cast<size_t>(i - 1)];
}

int32_t TWortListe::IndexOf(const TWortListRecord* word) const {
  if (words_.empty() || word < words_.data() || word >= words_.data() + words_.size()) return 0;
  return static_cast<int32_t>(word - words_.data()) + 1;
}

void TWortListe::AddPart(TWortListRecord& word, std::string_view text, char font) const {
  TWortTeil part;
  part.FontCode = font;
  const int number = FontNumber(font);
  canvas_->SelectFont(number, printer_);
  if (font == kGreekFont && unicode_greek_) {
    part.Wide = true;
    part.WideText = GreekToUnicode(text);
    part.Text.assign(text);
    part.Width = std::max<int32_t>(canvas_->WideTextWidth(part.WideText), 0);
    if (part.Width == 0) part.Width = 1;
  } else {
    if (font == kGreekFont) {
      part.Text = GreekToCp1253(text);
      part.Charset = FontTable::kGreekCharset;
    } else {
      part.Text.assign(text);
      part.Charset = font == kHebrewFont ? FontTable::kHebrewCharset : FontTable::kDefaultCharset;
    }
    part.Width = canvas_->TextWidth(part.Text, part.Charset);
  }
  const TextMetric m = canvas_->Metrics(number, printer_);
  part.Height = m.Height;
  part.Ascent = m.Ascent;
  part.Descent = m.Descent;
  word.Parts.push_back(std::move(part));
}

// Reads the digits of a link number and its terminator inside a word; returns the offset after
// the terminator.
static size_t SkipLinkNumber(std::string_view bytes, size_t i, int32_t& number) {
  int64_t n = 0;
  size_t j = i;
  while (j < bytes.size() && bytes[j] >= '0' && bytes[j] <= '9') {
    n = std::min<int64_t>(n * 10 + (bytes[j] - '0'), INT32_MAX);
    ++j;
  }
  if (j == i || j + 1 >= bytes.size() || bytes[j] != kEscape || bytes[j + 1] != kTerminator) {
    RaiseInternalError("WLR-SD 004");
  }
  number = static_cast<int32_t>(n);
  return j + 2;
}

void TWortListe::SetWord(TWortListRecord& word, std::string_view bytes, char font) const {
  if (bytes.empty()) RaiseInternalError("WLR-SD 001");
  if (bytes.find(kBlank) != std::string_view::npos) RaiseInternalError("WLR-SD 002");
  word.Parts.clear();
  word.FontCode = font;
  size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != kEscape) {
      const size_t end = std::min(bytes.find(kEscape, i), bytes.size());
      AddPart(word, bytes.substr(i, end - i), font);
      i = end;
      continue;
    }
    if (i + 1 >= bytes.size()) RaiseInternalError("WLR-SD 003");
    const char code = bytes[i + 1];
    i += 2;
    if (IsFontCode(code)) {
      font = code;
    } else if (code == kWordCode2) {
      if (i >= bytes.size()) RaiseInternalError("WLR-SD 005");
      if (bytes[i] == 'u' || bytes[i] == 'U') {
        AddPart(word, bytes[i] == 'u' ? "uo" : "Uo", font);
        ++i;
      }
    } else if (code == kFootnoteLink || code == kScholionLink || code == kPictureLink) {
      i = SkipLinkNumber(bytes, i, word.LinkNumber);
    } else if (code != kTerminator && code != kWordCode3 && code != kWordCode4) {
      RaiseInternalError("WLR-SD 003");
    }
  }
  word.Ascent = 0;
  word.Descent = 0;
  for (const TWortTeil& p : word.Parts) {
    word.Ascent = std::max(word.Ascent, p.Ascent);
    word.Descent = std::max(word.Descent, p.Descent);
  }
  word.Height = word.Ascent + word.Descent;
  word.Box = {-1, -1, -1, -1};
  word.EndPos = word.StartPos + static_cast<int32_t>(bytes.size()) - 1;
  // The blank after the word is measured in the font of its last run.
  const char last = word.Parts.empty() ? font : word.Parts.back().FontCode;
  canvas_->SelectFont(FontNumber(last), printer_);
  word.SpaceWidth = canvas_->TextWidth(" ", FontTable::kDefaultCharset);
}

void TWortListe::SetLinkRecord(TWortListRecord& word, const TLinkRecord& link) {
  if (word.LinkTarget) RaiseInternalError("WLR-ML 001");
  if (word.LinkNumber >= 1) RaiseInternalError("WLR-ML 003");
  word.LinkTarget = link;
}

int32_t TWortListe::AscentOf(const TWortListRecord& word) {
  if (word.Ascent < 1) RaiseInternalError("WLR-GAC 001");
  return word.Ascent;
}

int32_t TWortListe::DescentOf(const TWortListRecord& word) {
  if (word.Descent < 1) RaiseInternalError("WLR-GEC 001");
  return word.Descent;
}

int32_t TWortListe::BoxWidth(const TWortListRecord& word) {
  int32_t w = 3;
  for (const TWortTeil& p : word.Parts) w += p.Width - p.Overhang + 1;
  return w;
}

void TWortListe::SetMarking(TWortListRecord& word, uint8_t kind, Color text, Color back) {
  word.MarkingKind = kind;
  word.Marked = kind != 0;
  word.MarkTextColour = text;
  word.MarkBackColour = back;
}

void TWortListe::DrawAt(TWortListRecord& word, int32_t x, int32_t y) {
  const int32_t width = BoxWidth(word);
  word.Box = {x, y - word.Ascent, x + width, y + word.Descent};
  word.Height = word.LineAscent + word.LineDescent;
  if (printer_ && !word.Visible) return;
  const ColourTable& table = colours_->Of(printer_);
  Color text = table[ColourTable::kText];
  Color back = table[ColourTable::kBackground];
  if (word.Marked) {
    text = word.MarkTextColour;
    back = word.MarkBackColour;
  } else if (word.Link) {
    text = table[ColourTable::kLinkText];
    back = table[ColourTable::kLinkBack];
  }
  canvas_->FillRect({x, y - word.LineAscent, x + width, y + word.LineDescent}, back);
  for (const TWortTeil& p : word.Parts) {
    canvas_->SelectFont(FontNumber(p.FontCode), printer_);
    if (p.Wide) {
      canvas_->DrawWideText(x, y - p.Ascent, p.WideText, text);
    } else {
      canvas_->DrawText(x, y - p.Ascent, p.Text, p.Charset, text);
    }
    x += p.Width - p.Overhang;
  }
}

void TWortListe::Draw(int32_t i, int32_t x, int32_t y) { DrawAt(Word(i), x, y); }

void TWortListe::Redraw(int32_t i) {
  TWortListRecord& word = Word(i);
  if (!word.Drawn()) RaiseInternalError("WL-RD 001");
  DrawAt(word, word.Box.Left, word.Baseline());
}

Rect TWortListe::GapRect(int32_t i) const {
  const TWortListRecord& word = Word(i);
  if (!word.Drawn()) RaiseInternalError("WL-NWZ 001");
  if (i >= Count()) RaiseInternalError("WL-NWZ 002");
  const TWortListRecord& next = Word(i + 1);
  const int32_t baseline = word.Baseline();
  return {word.Box.Right, baseline - word.LineAscent, next.Box.Left, baseline + word.LineDescent};
}

// Marked words form bands: a user marking runs on into the next user-marked word, a hit span
// into any marked word that follows. Everything else shows the background.
Color TWortListe::GapColour(int32_t i) const {
  const TWortListRecord& word = Word(i);
  const ColourTable& table = colours_->Of(printer_);
  const Color normal = table[ColourTable::kBackground];
  if (!word.Marked || i >= Count()) return normal;
  const TWortListRecord& next = Word(i + 1);
  if (word.MarkingKind == 1) {
    return next.MarkingKind == 1 ? table[ColourTable::kUserBack] : normal;
  }
  return next.Marked ? table[ColourTable::kHitSpanBack] : normal;
}

}  // namespace quillmar
