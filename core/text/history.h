#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmar {

// One place in the back/next list of a text window.
struct TPositionRecord {
  std::string CDID;         // collection identifier, at most 8 characters
  int32_t Position = 0;     // text position of the first visible word
  int32_t PageNumber = 0;   // that word's page number
  int32_t LineNumber = 0;   // that word's line number
  std::string Caption;      // window caption at that moment
  std::string SpareText;    // empty
  std::string Label;        // that word's section label
  int32_t SpareNumber = 0;  // 0
  int32_t TextNr = 0;       // number of the text in the catalog
  int32_t Layer = 1;        // 1 main text, 2 footnotes, 3 scholia/remarks
};

// The back/next list of one text window. Adding a place drops every place after the current
// one; a place equal to the last one (same collection, position, text and layer) is not added
// again.
class THistory {
 public:
  void Add(const TPositionRecord& entry);
  // The entry before the current one, which becomes current; false (entry untouched) when
  // there is none.
  bool Back(TPositionRecord& entry);
  // The entry after the current one, which becomes current; false when there is none.
  bool Next(TPositionRecord& entry);
  bool CanGoBack() const;
  bool CanGoNext() const;

  const std::vector<TPositionRecord>& Entries() const { return entries_; }
  int32_t Index() const { return index_; }  // -1 while empty

 private:
  int32_t LastIndex() const { return static_cast<int32_t>(entries_.size()) - 1; }

  std::vector<TPositionRecord> entries_;
  int32_t index_ = -1;
};

}  // namespace quillmar
