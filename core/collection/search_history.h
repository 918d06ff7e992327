#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "collection/calderwick_data.h"
#include "collection/registry_access.h"
#include "collection/text_info.h"
#include "retrieval/hit_list.h"

namespace quillmar {

// One saved search with every setting the search form offers again.
struct TSearchHistoryRecord {
  std::string Question;
  TCDSelectArray CDIDs;
  TTextSelectArray Texts;  // element 0 stands for all texts
  TSprachArray Language;
  TTextArtArray TKinds;
  retrieval::DateBound Date1, Date2, Date3;  // default: no date condition
  int32_t UndMode = 0;
  int32_t WordDistance = 20;
  int32_t FuzzyLevel = 0;
};

// The last searches, kept as a ring of kSlots numbered slots below
// <version key>\SearchHistory. "Latest" names the slot of the newest entry (-1: empty); older
// entries follow at Latest + 1, + 2, ... around the ring. Slot keys are "01" ... "30".
// Used from the user-interface thread only.
class SearchHistory {
 public:
  static constexpr int kSlots = 30;
  // Catalogued CDs in catalog order, and the long name of a text of one of them.
  using CDList = std::function<const TCRrecords&()>;
  using TextNamer = std::function<std::string(const std::string& cdid, int32_t textNo)>;

  explicit SearchHistory(TCalderwickData& data);
  SearchHistory(RegistryAccess& reg, std::string versionKey, CDList cds, TextNamer textName);

  std::string Key() const { return versionKey_ + "\\SearchHistory"; }
  static std::string SlotName(int slot);  // "01" ... "30"

  // Slot of the k-th newest entry; 1 when the history is empty.
  int HistorySlot(int k);
  // Slot name of the k-th newest entry when that slot holds one, else empty. Creates the store
  // when it is missing or its "Latest" is damaged; an empty history (-1) is left as it is.
  std::string HistorySlotName(int k);
  // Raises "AD-TPD-HIE-1" for k outside 1 ... 30.
  bool HistoryEntryExists(int k);
  // Raises "AD-TPD-GHR-1" when entry k does not exist.
  void GetHistoryRecord(int k, TSearchHistoryRecord& record);
  void AddHistoryRecord(const TSearchHistoryRecord& record);
  void InitHistory();

  // 12-byte date bound: day u8, month u8, 2 unused bytes, year i32 LE, extra i32 LE.
  static std::vector<uint8_t> EncodeDate(const retrieval::DateBound& date);
  static retrieval::DateBound DecodeDate(const std::vector<uint8_t>& bytes);

 private:
  int32_t Latest();
  int FindCD(const std::string& cdid) const;
  TCDSelectArray ParseCDIDs(const std::string& text) const;
  TTextSelectArray ParseTexts(const std::string& text) const;
  static std::vector<uint8_t> ParseCodes(const std::string& text);

  RegistryAccess& reg_;
  std::string versionKey_;
  CDList cds_;
  TextNamer textName_;
};

}  // namespace quillmar
