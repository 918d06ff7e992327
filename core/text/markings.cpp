#include "text/markings.h"

#include "retrieval/hit_list.h"

namespace quillmar {

TFundMarkierung::TFundMarkierung(const retrieval::TFundPosition& hit)
    : Textteil(hit.Textteil),
      TextNr(hit.TextNr),
      Anfang(hit.Anfang),
      Ende(hit.Ende),
      CD(hit.CD.Str()) {
  for (int i = 0; i < kMaxWords; ++i) WortPos[i] = hit.WortPos[i];
}

std::unique_ptr<TMarkierung> TFundMarkierung::Clone() const {
  return std::make_unique<TFundMarkierung>(*this);
}

void TFundMarkierung::Assign(const TMarkierung& other) {
  if (const auto* hit = dynamic_cast<const TFundMarkierung*>(&other)) *this = *hit;
}

bool TFundMarkierung::Contains(int32_t position) const {
  return TextNr != 0 && Anfang <= position && position <= Ende;
}

bool TFundMarkierung::IsHitWord(int32_t position) const {
  if (!Contains(position)) return false;
  for (int32_t pos : WortPos) {
    if (pos == -1) break;
    if (position == pos || position == pos + 2) return true;
  }
  return false;
}

Color TFundMarkierung::BackColour(int32_t position, const ColourTable& table) const {
  if (!Contains(position)) return table[ColourTable::kBackground];
  return table[IsHitWord(position) ? ColourTable::kHitWordBack : ColourTable::kHitSpanBack];
}

Color TFundMarkierung::TextColour(int32_t position, const ColourTable& table) const {
  if (!Contains(position)) return table[ColourTable::kText];
  return table[IsHitWord(position) ? ColourTable::kHitWordText : ColourTable::kHitSpanText];
}

std::unique_ptr<TMarkierung> TUserMarkierung::Clone() const {
  return std::make_unique<TUserMarkierung>(*this);
}

void TUserMarkierung::Assign(const TMarkierung& other) {
  if (const auto* user = dynamic_cast<const TUserMarkierung*>(&other)) {
    From = user->From;
    To = user->To;
  } else {
    From = To = -1;
  }
}

bool TUserMarkierung::Contains(int32_t position) const {
  return From != -1 && From <= position && position <= To;
}

Color TUserMarkierung::BackColour(int32_t position, const ColourTable& table) const {
  return table[Contains(position) ? ColourTable::kUserBack : ColourTable::kBackground];
}

Color TUserMarkierung::TextColour(int32_t position, const ColourTable& table) const {
  return table[Contains(position) ? ColourTable::kUserText : ColourTable::kText];
}

TMarkierungen& TMarkierungen::operator=(const TMarkierungen& other) {
  if (this == &other) return *this;
  items_.clear();
  items_.reserve(other.items_.size());
  for (const auto& item : other.items_) items_.push_back(item->Clone());
  return *this;
}

const TMarkierung* TMarkierungen::FirstContaining(int32_t position) const {
  for (const auto& item : items_) {
    if (item->Contains(position)) return item.get();
  }
  return nullptr;
}

Color TMarkierungen::BackColour(int32_t position, const ColourTable& table) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if ((*it)->Contains(position)) return (*it)->BackColour(position, table);
  }
  return table[ColourTable::kBackground];
}

Color TMarkierungen::TextColour(int32_t position, const ColourTable& table) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if ((*it)->Contains(position)) return (*it)->TextColour(position, table);
  }
  return table[ColourTable::kText];
}

MarkingState MarkingStateAt(int32_t position, const TMarkierungen& user, const TMarkierungen& hit,
                            const ColourTable& table) {
  MarkingState state;
  if (user.Empty() && hit.Empty()) return state;
  if (user.Contains(position)) {
    state.Kind = 1;
    state.Text = user.TextColour(position, table);
    state.Back = user.BackColour(position, table);
    return state;
  }
  const TMarkierung* first = hit.FirstContaining(position);
  if (first == nullptr) return state;
  const auto* hit_marking = dynamic_cast<const TFundMarkierung*>(first);
  state.Kind = hit_marking != nullptr && hit_marking->IsHitWord(position) ? 2 : 3;
  state.Text = hit.TextColour(position, table);
  state.Back = hit.BackColour(position, table);
  return state;
}

}  // namespace quillmar
