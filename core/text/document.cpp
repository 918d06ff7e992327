#include "text/document.h"

#include "base/errors.h"

namespace quillmar {

std::unique_ptr<TAbsatz> TAbsaetze::MakeParagraph(std::string_view text, int32_t start) const {
  auto p = std::make_unique<TAbsatz>(canvas_, colours_, settings_);
  p->User = user_;
  p->Hit = hit_;
  p->PrintRange = print_;
  p->SetStart(start);
  p->SetText(text);
  return p;
}

TAbsatz& TAbsaetze::Append(std::string_view text, int32_t start) {
  paragraphs_.push_back(MakeParagraph(text, start));
  if (Count() == 1) {
    first_ = 0;
    current_ = start;
  }
  return *paragraphs_.back();
}

TAbsatz& TAbsaetze::Prepend(std::string_view text, int32_t start) {
  paragraphs_.insert(paragraphs_.begin(), MakeParagraph(text, start));
  if (Count() == 1) {
    first_ = 0;
    current_ = start;
  } else {
    if (first_ >= 0) ++first_;
    if (last_ >= 0) ++last_;
  }
  return *paragraphs_.front();
}

void TAbsaetze::SetExtraMargins(int32_t m1, int32_t m2) {
  settings_.ExtraMargin1 = m1;
  settings_.ExtraMargin2 = m2;
}

void TAbsaetze::SetCacheFactor(int32_t factor) {
  if (factor < 1 || factor > 10) RaiseInternalError("ASÄ-SGC 001");
  cache_factor_ = factor;
}

void TAbsaetze::SetPrinter(bool printer) {
  if (!paragraphs_.empty()) RaiseInternalError("ASÄ-SBD 001");
  settings_.Printer = printer;
}

void TAbsaetze::SetCurrentPosition(int32_t position) {
  if (paragraphs_.empty() || position < paragraphs_.front()->StartPos() ||
      position > paragraphs_.back()->EndPos()) {
    RaiseInternalError("ASÄ-SP 002");
  }
  int32_t found = -1;
  if (paragraphs_.front()->Contains(position)) {
    found = 0;
  } else {
    for (int32_t i = 1; i < Count(); ++i) {
      if (position > Paragraph(i - 1).EndPos() && position <= Paragraph(i).EndPos()) {
        found = i;
        break;
      }
    }
  }
  if (found < 0) RaiseInternalError("ASÄ-SP 001");
  first_ = found;
  current_ = position;
  for (auto& p : paragraphs_)
    p->SetCurrentPosition(p->Contains(position) ? position : p->StartPos());
}

bool TAbsaetze::Relayout() {
  if (paragraphs_.empty()) RaiseInternalError("AS-AJ 001");
  for (auto& p : paragraphs_) p->Relayout(settings_);
  if (current_ != -1) SetCurrentPosition(current_);
  return HeightFromCurrent() >= ClientHeight();
}

void TAbsaetze::Draw() {
  if (paragraphs_.empty()) RaiseInternalError("ASÄ-D 001");
  if (!FirstValid()) RaiseInternalError("ASÄ-D 002");
  for (auto& p : paragraphs_) {
    p->User = user_;
    p->Hit = hit_;
  }
  const Rect& c = settings_.Client;
  int32_t y = c.Top;
  last_ = Count() - 1;
  for (int32_t i = first_; i < Count(); ++i) {
    TAbsatz& p = Paragraph(i);
    p.Draw(y, c.Bottom - y);
    y += p.Height();
    if (y >= c.Bottom) {
      last_ = i;
      break;
    }
  }
  if (y < c.Bottom) {
    canvas_->FillRect({c.Left, y, c.Right, c.Bottom},
                      colours_->Of(settings_.Printer)[ColourTable::kBackground]);
  }
}

void TAbsaetze::DrawMarkings() {
  for (auto& p : paragraphs_) {
    p->User = user_;
    p->Hit = hit_;
  }
  // Before the first drawing nothing shows a marking yet.
  if (!FirstValid() || !LastValid()) return;
  for (int32_t i = first_; i <= last_; ++i) Paragraph(i).DrawMarkings();
}

void TAbsaetze::SetUserMarking(int32_t from, int32_t to) {
  if (user_.Count() == 1) {
    const auto* only = dynamic_cast<const TUserMarkierung*>(&user_.Item(0));
    if (only != nullptr && only->From == from && only->To == to) return;
  }
  user_.Clear();
  user_.Add(TUserMarkierung(from, to));
  DrawMarkings();
}

void TAbsaetze::SetPrintRange(int32_t from, int32_t to) {
  if (!settings_.Printer) RaiseInternalError("ASÄ-SDM 001");
  if (from < 1 || to < 1 || to < from) RaiseInternalError("ASÄ-SDM 002");
  print_.Clear();
  print_.Add(TUserMarkierung(from, to));
  for (auto& p : paragraphs_) p->SetPrintRange(print_);
}

void TAbsaetze::CheckVisible(const char* code_first, const char* code_last) const {
  if (!FirstValid()) RaiseInternalError(code_first);
  if (!LastValid()) RaiseInternalError(code_last);
}

const TWortListRecord* TAbsaetze::WordAt(int32_t x, int32_t y) const {
  if (paragraphs_.empty()) return nullptr;
  CheckVisible("ASÄ-WXY 001", "ASÄ-WXY 002");
  for (int32_t i = first_; i <= last_; ++i) {
    if (const TWortListRecord* w = Paragraph(i).WordAt(x, y)) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsaetze::FirstVisibleWord() const {
  if (paragraphs_.empty()) return nullptr;
  CheckVisible("ASÄ-FWS 001", "ASÄ-FWS 002");
  for (int32_t i = first_; i <= last_; ++i) {
    if (const TWortListRecord* w = Paragraph(i).FirstVisibleWord(settings_.Client.Top)) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsaetze::LastWordOfFirstVisibleLine() const {
  if (paragraphs_.empty()) return nullptr;
  CheckVisible("ASÄ-FLS 001", "ASÄ-FLS 002");
  for (int32_t i = first_; i <= last_; ++i) {
    const TWortListRecord* w = Paragraph(i).LastWordOfFirstVisibleLine(settings_.Client.Top);
    if (w != nullptr) return w;
  }
  return nullptr;
}

const TWortListRecord* TAbsaetze::LastVisibleWord() const {
  if (paragraphs_.empty()) return nullptr;
  CheckVisible("ASÄ-LWS 001", "ASÄ-LWS 002");
  for (int32_t i = last_; i >= first_; --i) {
    if (const TWortListRecord* w = Paragraph(i).LastVisibleWord(settings_.Client.Bottom)) return w;
  }
  return nullptr;
}

const TAbsatz* TAbsaetze::ParagraphOf(const TWortListRecord* word) const {
  for (const auto& p : paragraphs_) {
    if (p->HoldsWord(word)) return p.get();
  }
  return nullptr;
}

int32_t TAbsaetze::NextLineStart() const {
  if (paragraphs_.empty()) return -1;
  if (!FirstValid()) RaiseInternalError("ASÄ-SP 001");
  const int32_t next = Paragraph(first_).NextLineStart();
  if (next != -1) return next;
  if (first_ == Count() - 1) return -1;
  return Paragraph(first_ + 1).FirstLineStart();
}

int32_t TAbsaetze::PreviousLineStart() const {
  if (paragraphs_.empty()) return -1;
  if (!FirstValid()) RaiseInternalError("ASÄ-SP 001");
  const int32_t previous = Paragraph(first_).PreviousLineStart();
  if (previous != -1) return previous;
  if (first_ == 0) return -1;
  return Paragraph(first_ - 1).LastLineStart();
}

int32_t TAbsaetze::CurrentLineHeight() const {
  if (paragraphs_.empty()) RaiseInternalError("ASÄ-HCL 001");
  if (!FirstValid()) RaiseInternalError("ASÄ-HCL 002");
  const TAbsatz& p = Paragraph(first_);
  if (p.CurrentLine() < 0) return p.Height();
  return p.Lines().Line(p.CurrentLine()).Height() + p.LineSpacing();
}

const TAbsatz* TAbsaetze::ParagraphAt(int32_t position) const {
  if (paragraphs_.empty()) return nullptr;
  CheckVisible("ASÄ-GAWP 001", "ASÄ-GAWP 002");
  for (int32_t i = first_; i <= last_; ++i) {
    if (Paragraph(i).Contains(position)) return &Paragraph(i);
  }
  return nullptr;
}

int32_t TAbsaetze::TotalHeight() const {
  int32_t h = 0;
  for (const auto& p : paragraphs_) h += p->Height();
  return h;
}

int32_t TAbsaetze::HeightFromCurrent() const {
  if (!FirstValid()) RaiseInternalError("ASÄ-GHFC 001");
  int32_t h = 0;
  for (int32_t i = first_; i < Count(); ++i) h += Paragraph(i).Height();
  return h;
}

bool TAbsaetze::Trim() {
  if (paragraphs_.empty() || TotalHeight() <= ClientHeight() * cache_factor_) return false;
  const size_t before = paragraphs_.size();
  // A last visible index from before the first visible one moved is no longer known.
  if (last_ < first_) last_ = -1;
  if (last_ >= 0 && last_ < Count() - 1) {
    paragraphs_.erase(paragraphs_.begin() + last_ + 1, paragraphs_.end());
  }
  if (first_ > 0) {
    paragraphs_.erase(paragraphs_.begin(), paragraphs_.begin() + first_);
    if (last_ >= 0) last_ -= first_;
  }
  if (current_ != -1) SetCurrentPosition(current_);
  first_ = 0;
  if (last_ >= 0) last_ = Count() - 1;
  return paragraphs_.size() != before;
}

void TAbsaetze::Clear() {
  paragraphs_.clear();
  user_.Clear();
  print_.Clear();
  first_ = last_ = current_ = -1;
}

}  // namespace quillmar
