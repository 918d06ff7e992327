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
constexpr std::string_view kAkzentGross =
    "\xD6\xC4\xDC\xD3\xD2\xD4\xC1\xC0\xC2\xCD\xCC\xCE\xDA\xD9\xDB\xDD\xC9\xC8\xCA";
constexpr char kSz = '\xDF';

bool IstTrenner(char c) { return c == ' ' || c == '(' || c == ')' || c == '.'; }

// The part of a word a lookup can use: everything before its first mask character.
std::string OhneMaske(const std::string& wort) { return wort.substr(0, wort.find_first_of("*?")); }

// True when word `wort` begins with `anfang`, both compared by their word keys.
bool BeginntMit(const std::string& wort, const std::string& anfang) {
  return Normalisieren(wort).starts_with(Normalisieren(anfang));
}

}  // namespace

WordBrowser::WordBrowser(const std::string& cdWurzel) {
  retrieval::CollectionSearchInfo cd;
  cd.Path = cdWurzel;
  pfad_ = retrieval::TWortDateiAnfrage::WordListPath(cd);
  if (pfad_.empty()) return;
  try {
    leser_.SetzeDateiName(pfad_);
    if (!leser_.Verfuegbar() || leser_.Anzahl() < 1) return;
    anfrage_.SetzeDateiName(pfad_);
  } catch (const Exception&) {
    return;
  }
  anzahl_ = leser_.Anzahl();
  verfuegbar_ = true;
}

WordRange WordBrowser::WortAmCursor(const std::string& zeile, int32_t cursor) {
  const auto laenge = static_cast<int32_t>(zeile.size());
  int32_t p = std::clamp(cursor, 0, laenge);
  if (p > 0 && zeile[static_cast<size_t>(p - 1)] == ')') --p;
  int32_t anfang = p;
  while (anfang > 0 && !IstTrenner(zeile[static_cast<size_t>(anfang - 1)])) --anfang;
  // "(" after the caret opens the word only when nothing of a word stands before the caret;
  // otherwise "kai|(gro" would merge two words and swallow the bracket.
  int32_t rechts = p;
  if (anfang == p && rechts < laenge && zeile[static_cast<size_t>(rechts)] == '(') ++rechts;
  int32_t ende = rechts;
  while (ende < laenge && !IstTrenner(zeile[static_cast<size_t>(ende)])) ++ende;
  WordRange w;
  w.Wort = zeile.substr(static_cast<size_t>(anfang), static_cast<size_t>(p - anfang)) +
           zeile.substr(static_cast<size_t>(rechts), static_cast<size_t>(ende - rechts));
  w.Anfang = anfang == p ? rechts : anfang;
  w.Ende = ende;
  if (w.Wort.empty()) w.Anfang = w.Ende = p;
  return w;
}

bool WordBrowser::IstWortzeichen(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == kSz) return true;
  for (char g : kAkzentGross)
    if (c == g || c == static_cast<char>(g + 0x20)) return true;
  return false;
}

std::string WordBrowser::ZuLangText() { return Tr(kZuLang); }

bool WordBrowser::Pruefen() {
  if (!verfuegbar_) return false;
  bool ok = false;
  try {
    ok = leser_.Verfuegbar();
  } catch (const Exception&) {
  }
  if (!ok) {
    verfuegbar_ = false;
    ergebnis_ = kVerwerfen;
  }
  return ok;
}

template <typename F>
void WordBrowser::Sicher(F f) {
  if (!Pruefen()) return;
  try {
    f();
  } catch (const Exception&) {
    verfuegbar_ = false;
    ergebnis_ = kVerwerfen;
  }
}

int32_t WordBrowser::ScrollSeite() const {
  if (anzahl_ < 1) return kScrollMax;
  return static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{kScrollMax} * kZeilen / anzahl_, 1, kScrollMax));
}

void WordBrowser::ScrollPosSetzen() {
  const double p = anzahl_ > 0 ? double(oben_) / anzahl_ * kScrollMax : kScrollMin;
  letzte_scroll_pos_ = std::clamp(static_cast<int32_t>(std::lround(p)), kScrollMin, kScrollMax);
}

void WordBrowser::ZuOben(int32_t t) {
  t = std::max(std::min(t, anzahl_ - (kZeilen - 1)), 1);
  if (t == oben_) return;
  oben_ = t;
  ScrollPosSetzen();
}

void WordBrowser::GeheZu(int32_t n) {
  if (!verfuegbar_) return;
  n = std::clamp(n, 1, anzahl_);
  fokus_ = n;
  if (n == oben_ - 1)
    ZuOben(oben_ - 1);
  else if (n == oben_ + kZeilen)
    ZuOben(oben_ + 1);
  else if (n < oben_ || n >= oben_ + kZeilen)
    ZuOben(n);
}

void WordBrowser::Aufsuchen() {
  auswahl_.Leeren();
  anfrage_.Suche(tippwort_);
  if (anfrage_.Gefunden()) {
    // Among words with equal keys ("müller", "mueller") the first one in list order.
    GeheZu(anfrage_.RunStart() > 0 ? anfrage_.RunStart() : anfrage_.Satznummer());
    auswahl_.Hinzufuegen(fokus_);
    return;
  }
  // Past the last word the following record number is -1, which GeheZu limits to the first.
  GeheZu(anfrage_.NachfolgerNr());
  if (!tippwort_.empty() && anfrage_.NachfolgerNr() > 0 &&
      BeginntMit(anfrage_.Nachfolger(), tippwort_))
    auswahl_.Hinzufuegen(fokus_);
}

void WordBrowser::Positionieren(const BrowserQueryLine& zeile) {
  zeile_ = zeile;
  Sicher([&] {
    tippwort_ = OhneMaske(WortAmCursor(zeile_.Text, zeile_.Cursor).Wort);
    Aufsuchen();
  });
}

bool WordBrowser::TasteDruecken(Taste taste, bool shift) {
  bool schliessen = false;
  Sicher([&] {
    switch (taste) {
      case Taste::Runter:
      case Taste::Hoch: {
        const int32_t schritt = taste == Taste::Runter ? 1 : -1;
        if (!shift) {
          if (auswahl_.Enthaelt(fokus_)) GeheZu(fokus_ + schritt);
          auswahl_.Leeren();
          auswahl_.Hinzufuegen(fokus_);
        } else if (!auswahl_.Enthaelt(fokus_ + schritt)) {
          // Extends the selection by the next row.
          GeheZu(fokus_ + schritt);
          auswahl_.Hinzufuegen(fokus_);
        } else {
          // Moves back into the selection, giving up the row it leaves.
          if (auswahl_.Enthaelt(fokus_)) auswahl_.Umschalten(fokus_);
          GeheZu(fokus_ + schritt);
        }
        break;
      }
      case Taste::SeiteHoch:
      case Taste::SeiteRunter: {
        if (auswahl_.Enthaelt(fokus_))
          GeheZu(fokus_ + (taste == Taste::SeiteRunter ? kZeilen : -kZeilen));
        if (taste == Taste::SeiteRunter && fokus_ >= oben_ && fokus_ < oben_ + kZeilen)
          ZuOben(fokus_ - (kZeilen - 1));
        auswahl_.Leeren();
        auswahl_.Hinzufuegen(fokus_);
        break;
      }
      case Taste::Eingabe:
        if (auswahl_.Anzahl() == 0) auswahl_.Hinzufuegen(fokus_);
        ergebnis_ = kUebernehmen;
        schliessen = true;
        break;
      case Taste::Escape:
        auswahl_.Leeren();
        ergebnis_ = kVerwerfen;
        schliessen = true;
        break;
      case Taste::Rueckschritt:
        if (!tippwort_.empty()) tippwort_.pop_back();
        Aufsuchen();
        break;
    }
  });
  return schliessen || !verfuegbar_;
}

void WordBrowser::ZeichenTippen(char c) {
  if (!IstWortzeichen(c)) return;
  Sicher([&] {
    tippwort_.push_back(c);
    Aufsuchen();
  });
}

void WordBrowser::Klicken(int32_t zeile, bool ctrl, bool shift) {
  if (!verfuegbar_ || zeile < 0 || zeile >= kZeilen) return;
  const int32_t r = oben_ + zeile;
  if (r > anzahl_) return;
  if (ctrl) {
    auswahl_.Umschalten(r);
  } else if (shift) {
    auswahl_.BereichWaehlen(r, fokus_);
  } else {
    auswahl_.Leeren();
    auswahl_.Hinzufuegen(r);
  }
  fokus_ = r;
}

void WordBrowser::Scrollen(Scroll aktion, int32_t position) {
  Sicher([&] {
    int32_t t = oben_;
    switch (aktion) {
      case Scroll::ZeileHoch:
        t = oben_ - 1;
        break;
      case Scroll::ZeileRunter:
        t = oben_ + 1;
        break;
      case Scroll::SeiteHoch:
        t = oben_ - (kZeilen - 1);
        break;
      case Scroll::SeiteRunter:
        t = oben_ + (kZeilen - 1);
        break;
      case Scroll::Anfang:
        t = 1;
        break;
      case Scroll::Ende:
        t = anzahl_ - (kZeilen - 1);
        break;
      case Scroll::Gezogen:
        if (position != letzte_scroll_pos_)
          t = static_cast<int32_t>(std::lround(double(position) / kScrollMax * anzahl_));
        break;
    }
    oben_ = std::max(std::min(t, anzahl_ - (kZeilen - 1)), 1);
    ScrollPosSetzen();
  });
}

std::vector<WordRow> WordBrowser::SichtbareZeilen() {
  std::vector<WordRow> zeilen;
  Sicher([&] {
    for (int32_t r = oben_; r < oben_ + kZeilen && r <= anzahl_; ++r) {
      WordRow z;
      z.Wort = leser_.Lies(r).Wort;
      z.Fokussiert = r == fokus_;
      z.Ausgewaehlt = auswahl_.Enthaelt(r);
      zeilen.push_back(std::move(z));
    }
  });
  if (!verfuegbar_) zeilen.clear();
  return zeilen;
}

void WordBrowser::Schliessen() {
  tippwort_.clear();
  ersetzung_ = {};
  zu_lang_ = false;
  if (ergebnis_ != kUebernehmen || auswahl_.Anzahl() == 0) return;
  Sicher([&] {
    const bool oder = auswahl_.Anzahl() > 1;
    const std::string oder_wort = CurrentLanguage() == kGerman ? "ODER" : "OR";
    // Reading stops once the line is too long anyway: a Shift-click far away may select a
    // great many words.
    const size_t grenze = static_cast<size_t>(kZeilenGrenze);
    std::string text = oder ? "(" : "";
    for (int32_t i = 1; i <= auswahl_.Anzahl() && zeile_.Text.size() + text.size() < grenze; ++i) {
      if (i > 1) text += " " + oder_wort + " ";
      text += leser_.Lies(auswahl_.Element(i)).Wort;
    }
    if (oder) text += ")";
    einfuegetext_ = std::move(text);
  });
  if (!verfuegbar_) return;
  Einfuegen();
}

void WordBrowser::Einfuegen() {
  if (zeile_.Text.size() + einfuegetext_.size() >= static_cast<size_t>(kZeilenGrenze)) {
    zu_lang_ = true;
    return;
  }
  const auto laenge = static_cast<int32_t>(zeile_.Text.size());
  int32_t anfang = 0;
  int32_t ende = 0;
  if (zeile_.AuswahlStart >= 0 && zeile_.AuswahlLaenge > 0) {
    anfang = std::min(zeile_.AuswahlStart, laenge);
    ende = static_cast<int32_t>(std::min<int64_t>(int64_t{anfang} + zeile_.AuswahlLaenge, laenge));
  } else {
    const WordRange w = WortAmCursor(zeile_.Text, zeile_.Cursor);
    anfang = w.Anfang;
    ende = w.Ende;
  }
  zeile_.Text.replace(static_cast<size_t>(anfang), static_cast<size_t>(ende - anfang),
                      einfuegetext_);
  zeile_.Cursor = anfang + static_cast<int32_t>(einfuegetext_.size());
  zeile_.AuswahlStart = -1;
  zeile_.AuswahlLaenge = 0;
  ersetzung_ = {anfang, ende - anfang, einfuegetext_};
}

}  // namespace quillmar::search_ui
