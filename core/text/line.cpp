#include "text/line.h"

#include <algorithm>
#include <cstdlib>

#include "base/errors.h"
#include "text/font_table.h"
#include "text/stream_codes.h"

namespace quillmar {

TZeile::TZeile(Canvas* canvas, const ColourTables* colours, const Rect& client, bool printer,
               bool unicode_greek)
    : Client(client),
      canvas_(canvas),
      colours_(colours),
      printer_(printer),
      unicode_greek_(unicode_greek),
      margin_(canvas, colours),
      words_(canvas, colours) {
  margin_.SetPrinter(printer);
  margin_.SetUnicodeGreek(unicode_greek);
  words_.SetPrinter(printer);
  words_.SetUnicodeGreek(unicode_greek);
}

int32_t TZeile::Ascent() const {
  int32_t a = 0;
  for (const auto& w : words_) a = std::max(a, w.Ascent);
  for (const auto& w : margin_) a = std::max(a, w.Ascent);
  return a;
}

int32_t TZeile::Descent() const {
  int32_t d = 0;
  for (const auto& w : words_) d = std::max(d, w.Descent);
  for (const auto& w : margin_) d = std::max(d, w.Descent);
  return d;
}

int32_t TZeile::Width() const {
  if (words_.Empty()) return 0;
  int32_t width = IndentWidth;
  for (int32_t i = 1; i < words_.Count(); ++i) {
    width += TWortListe::BoxWidth(words_.Word(i)) + words_.Word(i).SpaceWidth;
  }
  return width + TWortListe::BoxWidth(words_.Last());
}

int32_t TZeile::SumOfBoxWidths() const {
  int32_t sum = 0;
  for (const auto& w : words_) sum += TWortListe::BoxWidth(w);
  return sum;
}

int32_t TZeile::FirstPos() const {
  const TWortListRecord* w = FirstWord();
  if (w == nullptr && !margin_.Empty()) w = &margin_.Word(1);
  return w == nullptr ? -1 : w->StartPos;
}

int32_t TZeile::LastPos() const {
  const TWortListRecord* w = LastWord();
  if (w == nullptr && !margin_.Empty()) w = &margin_.Last();
  return w == nullptr ? -1 : w->EndPos;
}

void TZeile::SetIndent(int32_t count) {
  IndentCount = count;
  canvas_->SelectFont(stream::FontNumber(stream::kBodyFont), printer_);
  IndentWidth = std::abs(count) * canvas_->TextWidth(" ", FontTable::kDefaultCharset);
}

void TZeile::SetPrinter(bool printer) {
  if (!margin_.Empty()) RaiseInternalError("Z-SBD 001");
  if (!words_.Empty()) RaiseInternalError("Z-SBD 002");
  printer_ = printer;
  margin_.SetPrinter(printer);
  words_.SetPrinter(printer);
}

void TZeile::SetUnicodeGreek(bool on) {
  if (!margin_.Empty()) RaiseInternalError("Z-SUV 001");
  if (!words_.Empty()) RaiseInternalError("Z-SUV 002");
  unicode_greek_ = on;
  margin_.SetUnicodeGreek(on);
  words_.SetUnicodeGreek(on);
}

void TZeile::FillBack(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (left < right && top < bottom) {
    canvas_->FillRect({left, top, right, bottom}, Table()[ColourTable::kBackground]);
  }
}

void TZeile::DrawMarginRun(TWortListe& list, int32_t from, int32_t baseline, MarginCarry& carry) {
  carry = {};
  const int32_t edge = LeftBorder + Client.Left;
  int32_t x = Client.Left + kMarginLeft;
  for (int32_t i = from; i <= list.Count(); ++i) {
    TWortListRecord& w = list.Word(i);
    const int32_t width = TWortListe::BoxWidth(w);
    if (x + width > edge) {
      carry = {&list, i};
      return;
    }
    w.LineAscent = ascent_;
    w.LineDescent = descent_;
    list.Draw(i, x, baseline);
    x += width + w.SpaceWidth;
  }
}

// The margin strip is cleared on every line. Pending words of the lines above continue here
// when this line has no margin words of its own; otherwise they are dropped in favour of the
// line's own, and a small picture tells which of the two happened.
void TZeile::DrawMargin(int32_t top, int32_t baseline, MarginCarry& carry) {
  MarginPicture = 0;
  FillBack(Client.Left, top, Client.Left + LeftBorder + 1, top + ascent_ + descent_);
  if (LeftBorder < kMinMarginBorder) {
    carry = {};
    return;
  }
  if (carry.Pending() && carry.List != &margin_) {
    const MarginPictureKind picture =
        margin_.Empty() ? MarginPictureKind::kNoRoom : MarginPictureKind::kMovedUp;
    if (!printer_) {
      canvas_->DrawPicture(Client.Left + 1, baseline - canvas_->PictureHeight(picture), picture);
    }
    MarginPicture = margin_.Empty() ? 1 : 2;
    if (margin_.Empty()) {
      DrawMarginRun(*carry.List, carry.Word, baseline, carry);
      return;
    }
  }
  if (margin_.Empty()) {
    carry = {};
  } else {
    DrawMarginRun(margin_, 1, baseline, carry);
  }
}

void TZeile::PlaceWord(int32_t i, int32_t x, int32_t baseline, int32_t gap) {
  TWortListRecord& w = words_.Word(i);
  w.LineAscent = ascent_;
  w.LineDescent = descent_;
  words_.Draw(i, x, baseline);
  if (printer_ && !w.Visible) return;
  const int32_t right = x + TWortListe::BoxWidth(w);
  if (gap > 0) {
    canvas_->FillRect({right, baseline - ascent_, right + gap, baseline + descent_},
                      words_.GapColour(i));
  }
}

void TZeile::Draw(int32_t top, MarginCarry& carry, const TMarkierungen& user,
                  const TMarkierungen& hit, bool last_line) {
  const ColourTable& table = Table();
  for (TWortListe* list : {&words_, &margin_}) {
    for (TWortListRecord& w : *list) {
      const MarkingState s = MarkingStateAt(w.StartPos, user, hit, table);
      TWortListe::SetMarking(w, s.Kind, s.Text, s.Back);
    }
  }
  ascent_ = Ascent();
  descent_ = Descent();
  const int32_t baseline = top + ascent_;
  const int32_t bottom = baseline + descent_;
  DrawMargin(top, baseline, carry);

  const int32_t left = Client.Left + LeftBorder + 1;
  const int32_t edge = Client.Left + LeftBorder + TextWidth;
  FillBack(left, top, left + IndentWidth, bottom);
  const int32_t n = words_.Count();
  int32_t x = left + IndentWidth;
  if (Centred) {
    x = std::abs(TextWidth - Width() - 1) / 2 + left;
    // The strip in front of a centred line is cleared too, or an earlier view shows through.
    FillBack(left + IndentWidth, top, x, bottom);
    for (int32_t i = 1; i <= n && x <= edge; ++i) {
      const TWortListRecord& w = words_.Word(i);
      PlaceWord(i, x, baseline, w.SpaceWidth);
      x += TWortListe::BoxWidth(w) + w.SpaceWidth;
    }
  } else if (Justified && !last_line && n > 1) {
    // Words without a blank after them (a link marker before punctuation) stay joined.
    int32_t gaps = 0;
    for (int32_t i = 1; i < n; ++i) gaps += words_.Word(i).SpaceWidth > 0 ? 1 : 0;
    const int32_t gap = (TextWidth - 1 - SumOfBoxWidths() - IndentWidth) / std::max(gaps, 1);
    for (int32_t i = 1; i <= n; ++i) {
      // The first word always stands at the line start, however narrow the line.
      if (i > 1 && x > edge) RaiseInternalError("TZ-DB 001");
      const int32_t after = words_.Word(i).SpaceWidth > 0 ? gap : 0;
      PlaceWord(i, x, baseline, after);
      x += TWortListe::BoxWidth(words_.Word(i)) + after;
    }
  } else {
    for (int32_t i = 1; i <= n; ++i) {
      if (i > 1 && x > edge) RaiseInternalError("TZ-DN 001");
      const TWortListRecord& w = words_.Word(i);
      PlaceWord(i, x, baseline, w.SpaceWidth);
      x += TWortListe::BoxWidth(w) + w.SpaceWidth;
    }
  }
  FillBack(x, top, edge + kRightFill, bottom);
  DrawnBox = {Client.Left, top, std::max(x, edge + kRightFill), bottom};
}

void TZeile::RedrawMarkings(const TMarkierungen& user, const TMarkierungen& hit) {
  if (words_.Empty()) RaiseInternalError("Z-RD 001");
  const ColourTable& table = Table();
  for (TWortListe* list : {&words_, &margin_}) {
    for (int32_t i = 1; i <= list->Count(); ++i) {
      TWortListRecord& w = list->Word(i);
      w.Changed = false;
      const MarkingState s = MarkingStateAt(w.StartPos, user, hit, table);
      if (s.Kind != 0) {
        w.MarkTextColour = s.Text;
        w.MarkBackColour = s.Back;
      }
      const uint8_t previous = w.Marked ? w.MarkingKind : 0;
      if (s.Kind == previous) continue;
      w.MarkingKind = s.Kind;
      w.Marked = s.Kind != 0;
      w.Changed = true;
      // A word that was never drawn takes its marking when it is drawn.
      if (w.Drawn()) list->Redraw(i);
    }
  }
  for (int32_t i = 1; i < words_.Count(); ++i) {
    const TWortListRecord& w = words_.Word(i);
    const TWortListRecord& next = words_.Word(i + 1);
    if (!w.Changed && !next.Changed) continue;
    if (!w.Drawn() || !next.Drawn() || (printer_ && !w.Visible)) continue;
    canvas_->FillRect(words_.GapRect(i), words_.GapColour(i));
  }
}

void TZeile::SetVisible(const TMarkierungen& print_range) {
  for (TWortListe* list : {&words_, &margin_}) {
    for (TWortListRecord& w : *list) w.Visible = print_range.Contains(w.StartPos);
  }
}

const TWortListRecord* TZeile::WordAt(int32_t x, int32_t y) const {
  for (const TWortListe* list : {&words_, &margin_}) {
    for (const TWortListRecord& w : *list) {
      if (TWortListe::HitTest(w, x, y)) return &w;
    }
  }
  return nullptr;
}

const TWortListRecord* TZeile::FirstWord() const {
  return words_.Empty() ? nullptr : &words_.Word(1);
}

const TWortListRecord* TZeile::LastWord() const {
  return words_.Empty() ? nullptr : &words_.Last();
}

const TWortListRecord* TZeile::WordAfter(const TWortListRecord* word) const {
  const int32_t i = words_.IndexOf(word);
  return i == 0 || i == words_.Count() ? nullptr : &words_.Word(i + 1);
}

bool TZeile::Holds(const TWortListRecord* word) const {
  return words_.IndexOf(word) != 0 || margin_.IndexOf(word) != 0;
}

TZeile& TZeilen::NewLine() {
  lines_.push_back(std::make_unique<TZeile>(canvas_, colours_, client_, printer_, unicode_greek_));
  return *lines_.back();
}

int32_t TZeilen::LineOf(const TWortListRecord* word) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i]->Holds(word)) return static_cast<int32_t>(i);
  }
  return -1;
}

void TZeilen::SetPrinter(bool printer) {
  if (!lines_.empty()) RaiseInternalError("Z-SBD 001");
  printer_ = printer;
}

void TZeilen::SetUnicodeGreek(bool on) {
  if (!lines_.empty()) RaiseInternalError("Z-SUV 001");
  unicode_greek_ = on;
}

}  // namespace quillmar
