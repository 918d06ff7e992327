#include "text/history.h"

#include "base/bytes.h"

namespace quillmar {

void THistory::Add(const TPositionRecord& entry) {
  if (index_ >= 0) entries_.resize(static_cast<size_t>(index_) + 1);
  if (!entries_.empty()) {
    const TPositionRecord& last = entries_.back();
    if (SameCDID(last.CDID, entry.CDID) && last.Position == entry.Position &&
        last.TextNr == entry.TextNr && last.Layer == entry.Layer) {
      return;
    }
  }
  entries_.push_back(entry);
  index_ = LastIndex();
}

bool THistory::Back(TPositionRecord& entry) {
  if (!CanGoBack()) return false;
  --index_;
  entry = entries_[static_cast<size_t>(index_)];
  return true;
}

bool THistory::Next(TPositionRecord& entry) {
  if (!CanGoNext()) return false;
  ++index_;
  entry = entries_[static_cast<size_t>(index_)];
  return true;
}

bool THistory::CanGoBack() const { return index_ > 0; }

bool THistory::CanGoNext() const { return index_ >= 0 && index_ < LastIndex(); }

}  // namespace quillmar
