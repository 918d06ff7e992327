#include "retrieval/mask.h"

namespace quillmar::retrieval {

namespace {

constexpr bool IsWildcard(char c) { return c == '*' || c == '?'; }

}  // namespace

bool TMaske::IstMaske(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

std::string TMaske::Praefix(std::string_view text) {
  return std::string(text.substr(0, text.find_first_of("*?")));
}

void TMaske::Setzen(std::string_view maske) {
  maske_ = maske;
  anzahl_ = 0;
  too_many_parts_ = false;
  if (!IstMaske(maske)) return;
  // Part anzahl_ + 1 is the current one: it receives the next literal run.
  parts_[0] = TMaskenTeil{};
  size_t i = 0;
  while (i < maske.size()) {
    const bool joker = IsWildcard(maske[i]);
    size_t ende = i;
    while (ende < maske.size() && IsWildcard(maske[ende]) == joker) ++ende;
    const std::string_view lauf = maske.substr(i, ende - i);
    i = ende;
    if (!joker) {
      if (anzahl_ == kMaxParts) {
        // Placing more literal parts than the array holds: such a mask never matches.
        too_many_parts_ = true;
        return;
      }
      parts_[anzahl_].Text.assign(lauf);
      ++anzahl_;
      if (anzahl_ < kMaxParts) parts_[anzahl_] = TMaskenTeil{};
      continue;
    }
    int32_t fragezeichen = 0;
    bool stern = false;
    for (char c : lauf) {
      if (c == '?')
        ++fragezeichen;
      else
        stern = true;
    }
    const int32_t hoechstens = stern ? kUnbounded : fragezeichen;
    if (anzahl_ < kMaxParts) {
      TMaskenTeil& aktuell = parts_[anzahl_];
      aktuell.MinVor = fragezeichen;
      aktuell.MaxVor = hoechstens;
      aktuell.MinNach = 0;
      aktuell.MaxNach = 0;
    }
    if (anzahl_ > 0) {
      parts_[anzahl_ - 1].MinNach = fragezeichen;
      parts_[anzahl_ - 1].MaxNach = hoechstens;
    }
  }
}

bool TMaske::Passt(std::string_view wort) {
  if (anzahl_ == 0) return !wort.empty() && wort == maske_;
  if (wort.empty() || too_many_parts_) return false;
  wort_ = wort;
  int32_t start = 1;
  for (int k = 1; k <= anzahl_; ++k) {
    if (!Platzieren(k, start)) return false;
    start = ende_[k - 1];
  }
  return true;
}

// Places part k at the first position p >= von where its gap to part k - 1 (or the word start)
// fits and, for the last part, the rest of the word fits too. When occurrences exist but none
// fits, part k - 1 moves on to its next placement one position after its current start and the
// search resumes behind it. When part k does not occur at all from the first position searched,
// no later placement of the parts before it can help: the match fails.
bool TMaske::Platzieren(int k, int32_t von) {
  const TMaskenTeil& teil = parts_[k - 1];
  const auto laenge = static_cast<int32_t>(wort_.size());
  const auto textLaenge = static_cast<int32_t>(teil.Text.size());
  bool erstesVorkommen = true;
  int32_t ab = von;
  for (;;) {
    const size_t gefunden =
        ab - 1 <= laenge ? wort_.find(teil.Text, static_cast<size_t>(ab - 1)) : wort_.npos;
    if (gefunden == std::string_view::npos) {
      if (erstesVorkommen || k == 1) return false;
      if (!Platzieren(k - 1, anfang_[k - 2] + 1)) return false;
      ab = ende_[k - 2];
      erstesVorkommen = true;
      continue;
    }
    const auto p = static_cast<int32_t>(gefunden) + 1;
    const int32_t luecke = k > 1 ? p - ende_[k - 2] : p - 1;
    bool passt = luecke >= teil.MinVor && luecke <= teil.MaxVor;
    if (passt && k == anzahl_) {
      const int32_t rest = laenge - (p + textLaenge - 1);
      passt = rest >= teil.MinNach && rest <= teil.MaxNach;
    }
    if (passt) {
      anfang_[k - 1] = p;
      ende_[k - 1] = p + textLaenge;
      return true;
    }
    erstesVorkommen = false;
    ab = p + 1;
  }
}

}  // namespace quillmar::retrieval
