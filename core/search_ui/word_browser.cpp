#include "search_ui/word_browser.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_key.h"

namespace quillmar::search_ui {
namespace {

constexpr LangText kZuLang{"Eingabe zu lang. Eine Anfrage ist auf 4000 Zeichen beschränkt.",
                           "Input is too long. A question is limited to 4000 characters."};

// The accented capitals that count as word characters; their small forms lie 0x20 above them.
constexpr std::string_view kAccentedCapitals =
    "\xD6\xC4\xDC\xD3\xD2\xD4\xC1\xC0\xC2\xCD\xCC\xCE\xDA\xD9\xDB\xDD\xC9\xC8\xCA";
constexpr char kSz = '\xDF';

bool IsDelimiter(char c) { return c == ' ' || c == '(' || c == ')' || c == '.'; }

// The part of a word a lookup can use: everything before its first mask character.
std::string WithoutMask(const std::string& word) {
  return word.substr(0, word.find_first_of("*?"));
}

// True when word `word` begins with `start`, both compared by their word keys.
bool StartsWith(const std::string& word, const std::string& start) {
  return Normalisieren(word).starts_with(Normalisieren(start));
}

}  // namespace

WordBrowser::WordBrowser(const std::string& cdRoot) {
  retrieval::CollectionSearchInfo cd;
  cd.Path = cdRoot;
  path_ = retrieval::TWortDateiAnfrage::WordListPath(cd);
  if (path_.empty()) return;
  try {
    reader_.SetzeDateiName(path_);
    if (!reader_.Verfuegbar() || reader_.Anzahl() < 1) return;
    query_.SetzeDateiName(path_);
  } catch (const Exception&) {
    return;
  }
  count_ = reader_.Anzahl();
  available_ = true;
}

WordRange WordBrowser::WordAtCursor(const std::string& line, int32_t cursor) {
  const auto length = static_cast<int32_t>(line.size());
  int32_t p = std::clamp(cursor, 0, length);
  if (p > 0 && line[static_cast<size_t>(p - 1)] == ')') --p;
  int32_t start = p;
  while (start > 0 && !IsDelimiter(line[static_cast<size_t>(start - 1)])) --start;
  // "(" after the caret opens the word only when nothing of a word stands before the caret;
  // otherwise "kai|(gro" would merge two words and swallow the bracket.
  int32_t right = p;
  if (start == p && right < length && line[static_cast<size_t>(right)] == '(') ++right;
  int32_t stop = right;
  while (stop < length && !IsDelimiter(line[static_cast<size_t>(stop)])) ++stop;
  WordRange w;
  w.Wort = line.substr(static_cast<size_t>(start), static_cast<size_t>(p - start)) +
           line.substr(static_cast<size_t>(right), static_cast<size_t>(stop - right));
  w.Anfang = start == p ? right : start;
  w.Ende = stop;
  if (w.Wort.empty()) w.Anfang = w.Ende = p;
  return w;
}

bool WordBrowser::IsWordChar(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == kSz) return true;
  for (char g : kAccentedCapitals)
    if (c == g || c == static_cast<char>(g + 0x20)) return true;
  return false;
}

std::string WordBrowser::TooLongText() { return Tr(kZuLang); }

bool WordBrowser::Check() {
  if (!available_) return false;
  bool ok = false;
  try {
    ok = reader_.Verfuegbar();
  } catch (const Exception&) {
  }
  if (!ok) {
    available_ = false;
    result_ = kDiscard;
  }
  return ok;
}

template <typename F>
void WordBrowser::Safely(F f) {
  if (!Check()) return;
  try {
    f();
  } catch (const Exception&) {
    available_ = false;
    result_ = kDiscard;
  }
}

int32_t WordBrowser::ScrollPage() const {
  if (count_ < 1) return kScrollMax;
  return static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{kScrollMax} * kRows / count_, 1, kScrollMax));
}

void WordBrowser::UpdateScrollPos() {
  const double p = count_ > 0 ? double(top_) / count_ * kScrollMax : kScrollMin;
  last_scroll_pos_ = std::clamp(static_cast<int32_t>(std::lround(p)), kScrollMin, kScrollMax);
}

void WordBrowser::SetTop(int32_t t) {
  t = std::max(std::min(t, count_ - (kRows - 1)), 1);
  if (t == top_) return;
  top_ = t;
  UpdateScrollPos();
}

void WordBrowser::GeheZu(int32_t n) {
  if (!available_) return;
  n = std::clamp(n, 1, count_);
  focus_ = n;
  if (n == top_ - 1)
    SetTop(top_ - 1);
  else if (n == top_ + kRows)
    SetTop(top_ + 1);
  else if (n < top_ || n >= top_ + kRows)
    SetTop(n);
}

void WordBrowser::Locate() {
  selection_.Leeren();
  query_.Suche(typed_word_);
  if (query_.Gefunden()) {
    // Among words with equal keys ("müller", "mueller") the first one in list order.
    GeheZu(query_.RunStart() > 0 ? query_.RunStart() : query_.Satznummer());
    selection_.Hinzufuegen(focus_);
    return;
  }
  // Past the last word the following record number is -1, which GeheZu limits to the first.
  GeheZu(query_.NachfolgerNr());
  if (!typed_word_.empty() && query_.NachfolgerNr() > 0 &&
      StartsWith(query_.Nachfolger(), typed_word_))
    selection_.Hinzufuegen(focus_);
}

void WordBrowser::Positionieren(const BrowserQueryLine& line) {
  line_ = line;
  Safely([&] {
    typed_word_ = WithoutMask(WordAtCursor(line_.Text, line_.Cursor).Wort);
    Locate();
  });
}

bool WordBrowser::PressKey(Key key, bool shift) {
  bool close = false;
  Safely([&] {
    switch (key) {
      case Key::Down:
      case Key::Up: {
        const int32_t step = key == Key::Down ? 1 : -1;
        if (!shift) {
          if (selection_.Enthaelt(focus_)) GeheZu(focus_ + step);
          selection_.Leeren();
          selection_.Hinzufuegen(focus_);
        } else if (!selection_.Enthaelt(focus_ + step)) {
          // Extends the selection by the next row.
          GeheZu(focus_ + step);
          selection_.Hinzufuegen(focus_);
        } else {
          // Moves back into the selection, giving up the row it leaves.
          if (selection_.Enthaelt(focus_)) selection_.Umschalten(focus_);
          GeheZu(focus_ + step);
        }
        break;
      }
      case Key::PageUp:
      case Key::PageDown: {
        if (selection_.Enthaelt(focus_)) GeheZu(focus_ + (key == Key::PageDown ? kRows : -kRows));
        if (key == Key::PageDown && focus_ >= top_ && focus_ < top_ + kRows)
          SetTop(focus_ - (kRows - 1));
        selection_.Leeren();
        selection_.Hinzufuegen(focus_);
        break;
      }
      case Key::Eingabe:
        if (selection_.Anzahl() == 0) selection_.Hinzufuegen(focus_);
        result_ = kAccept;
        close = true;
        break;
      case Key::Escape:
        selection_.Leeren();
        result_ = kDiscard;
        close = true;
        break;
      case Key::Backspace:
        if (!typed_word_.empty()) typed_word_.pop_back();
        Locate();
        break;
    }
  });
  return close || !available_;
}

void WordBrowser::TypeChar(char c) {
  if (!IsWordChar(c)) return;
  Safely([&] {
    typed_word_.push_back(c);
    Locate();
  });
}

void WordBrowser::Click(int32_t line, bool ctrl, bool shift) {
  if (!available_ || line < 0 || line >= kRows) return;
  const int32_t r = top_ + line;
  if (r > count_) return;
  if (ctrl) {
    selection_.Umschalten(r);
  } else if (shift) {
    selection_.BereichWaehlen(r, focus_);
  } else {
    selection_.Leeren();
    selection_.Hinzufuegen(r);
  }
  focus_ = r;
}

void WordBrowser::ApplyScroll(Scroll action, int32_t position) {
  Safely([&] {
    int32_t t = top_;
    switch (action) {
      case Scroll::LineUp:
        t = top_ - 1;
        break;
      case Scroll::LineDown:
        t = top_ + 1;
        break;
      case Scroll::PageUp:
        t = top_ - (kRows - 1);
        break;
      case Scroll::PageDown:
        t = top_ + (kRows - 1);
        break;
      case Scroll::Anfang:
        t = 1;
        break;
      case Scroll::Ende:
        t = count_ - (kRows - 1);
        break;
      case Scroll::Dragged:
        if (position != last_scroll_pos_)
          t = static_cast<int32_t>(std::lround(double(position) / kScrollMax * count_));
        break;
    }
    top_ = std::max(std::min(t, count_ - (kRows - 1)), 1);
    UpdateScrollPos();
  });
}

std::vector<WordRow> WordBrowser::VisibleRows() {
  std::vector<WordRow> rows;
  Safely([&] {
    for (int32_t r = top_; r < top_ + kRows && r <= count_; ++r) {
      WordRow z;
      z.Wort = reader_.Lies(r).Wort;
      z.Focused = r == focus_;
      z.Selected = selection_.Enthaelt(r);
      rows.push_back(std::move(z));
    }
  });
  if (!available_) rows.clear();
  return rows;
}

void WordBrowser::Close() {
  typed_word_.clear();
  replacement_ = {};
  too_long_ = false;
  if (result_ != kAccept || selection_.Anzahl() == 0) return;
  Safely([&] {
    const bool oder = selection_.Anzahl() > 1;
    const std::string oder_wort = CurrentLanguage() == kGerman ? "ODER" : "OR";
    // Reading stops once the line is too long anyway: a Shift-click far away may select a
    // great many words.
    const size_t limit = static_cast<size_t>(kRowLimit);
    std::string text = oder ? "(" : "";
    for (int32_t i = 1; i <= selection_.Anzahl() && line_.Text.size() + text.size() < limit; ++i) {
      if (i > 1) text += " " + oder_wort + " ";
      text += reader_.Lies(selection_.Element(i)).Wort;
    }
    if (oder) text += ")";
    insert_text_ = std::move(text);
  });
  if (!available_) return;
  Einfuegen();
}

void WordBrowser::Einfuegen() {
  if (line_.Text.size() + insert_text_.size() >= static_cast<size_t>(kRowLimit)) {
    too_long_ = true;
    return;
  }
  const auto length = static_cast<int32_t>(line_.Text.size());
  int32_t start = 0;
  int32_t stop = 0;
  if (line_.SelectionStart >= 0 && line_.SelectionLength > 0) {
    start = std::min(line_.SelectionStart, length);
    stop = static_cast<int32_t>(std::min<int64_t>(int64_t{start} + line_.SelectionLength, length));
  } else {
    const WordRange w = WordAtCursor(line_.Text, line_.Cursor);
    start = w.Anfang;
    stop = w.Ende;
  }
  line_.Text.replace(static_cast<size_t>(start), static_cast<size_t>(stop - start), insert_text_);
  line_.Cursor = start + static_cast<int32_t>(insert_text_.size());
  line_.SelectionStart = -1;
  line_.SelectionLength = 0;
  replacement_ = {start, stop - start, insert_text_};
}

}  // namespace quillmar::search_ui
