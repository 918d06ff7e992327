#include "collection/search_history.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/language.h"
#include "system/memory_registry_store.h"

namespace quillmar {
namespace {

constexpr char kVersionKey[] = "Software\\Quillmar\\Reader\\3.1";
constexpr char kKey[] = "Software\\Quillmar\\Reader\\3.1\\SearchHistory";

class SearchHistoryTest : public ::testing::Test {
 protected:
  SearchHistoryTest()
      : reg_(store_),
        history_(
            reg_, kVersionKey, [this]() -> const TCRrecords& { return cds_; },
            [](const std::string& cdid, int32_t no) {
              if (no < 1) RaiseInternalError("AD-TPD-GNA-2");
              return cdid + " text " + std::to_string(no);
            }) {
    cds_ = {{"KRVT0001", "Alpha", "", 0, 0, 0, 0, ""},
            {"ABCD0002", std::string(200, 'b'), "", 0, 0, 0, 0, ""},
            {"XYZ00003", "Gamma", "", 0, 0, 0, 0, ""}};
  }

  void Add(const std::string& question) {
    TSearchHistoryRecord r;
    r.Question = question;
    history_.AddHistoryRecord(r);
  }
  std::string Question(int k) {
    TSearchHistoryRecord r;
    history_.GetHistoryRecord(k, r);
    return r.Question;
  }
  void SetSlot(const std::string& name, const std::string& value) {
    store_.WriteString(std::string(kKey) + "\\01", name, value);
  }

  MemoryRegistryStore store_;
  RegistryAccess reg_;
  TCRrecords cds_;
  SearchHistory history_;
};

TEST_F(SearchHistoryTest, RingWrapsAndKeepsThirtyNewest) {
  EXPECT_FALSE(history_.HistoryEntryExists(1));
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), -1);
  EXPECT_TRUE(store_.KeyExists(std::string(kKey) + "\\30"));

  Add("q1");
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), 1);
  EXPECT_EQ(history_.HistorySlotName(1), "01");
  Add("q2");
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), 30);
  EXPECT_EQ(history_.HistorySlotName(1), "30");
  EXPECT_EQ(history_.HistorySlotName(2), "01");

  for (int i = 3; i <= 31; ++i) Add("q" + std::to_string(i));
  for (int k = 1; k <= 30; ++k) EXPECT_EQ(Question(k), "q" + std::to_string(32 - k));
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), 1);  // 31st add reused the oldest slot

  EXPECT_THROW(history_.HistoryEntryExists(0), InternalError);
  EXPECT_THROW(history_.HistoryEntryExists(31), InternalError);
  store_.DeleteKey(kKey);
  try {
    Question(1);
    FAIL();
  } catch (const InternalError& e) {
    EXPECT_EQ(e.Code(), "AD-TPD-GHR-1");
  }
  EXPECT_TRUE(store_.KeyExists(std::string(kKey) + "\\17"));
}

TEST_F(SearchHistoryTest, DamagedLatestRebuildsStore) {
  Add("q1");
  store_.WriteInteger(kKey, "Latest", 45);
  EXPECT_FALSE(history_.HistoryEntryExists(1));
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), -1);
  Add("q2");
  EXPECT_EQ(history_.HistorySlotName(1), "01");
}

// Found by fuzzing: every look at an empty history rebuilt all thirty slots (some four hundred
// writes to the settings each time the search form listed the history).
TEST_F(SearchHistoryTest, EmptyHistoryIsLeftAsItIs) {
  EXPECT_FALSE(history_.HistoryEntryExists(1));  // creates the empty store
  SetSlot("Question", "kept");
  for (int k = 1; k <= SearchHistory::kSlots; ++k) EXPECT_FALSE(history_.HistoryEntryExists(k));
  EXPECT_EQ(store_.ReadString(std::string(kKey) + "\\01", "Question"), "kept");
  EXPECT_EQ(store_.ReadInteger(kKey, "Latest"), -1);
  Add("q1");
  EXPECT_EQ(Question(1), "q1");
}

TEST_F(SearchHistoryTest, RoundTripOfEveryField) {
  SetCurrentLanguage(2);
  TSearchHistoryRecord r;
  r.Question = "gott UND welt";
  r.CDIDs = {{"XYZ00003", "Gamma", true}, {"KRVT0001", "Alpha", false}, {"ABCD0002", "", true}};
  r.Texts = {{"0", 0, "all", true}, {"ABCD0002", 7, "", true}, {"KRVT0001", 2, "", false}};
  r.Language = {1, 103, 255};
  r.TKinds = {4, 9};
  r.Date1 = retrieval::DateBound{3, 12, -44, 30000};
  r.Date3 = retrieval::DateBound{0, 0, 1999, 2001};
  r.UndMode = 2;
  r.WordDistance = 5;
  r.FuzzyLevel = 3;
  history_.AddHistoryRecord(r);

  const std::string slot = std::string(kKey) + "\\01";
  EXPECT_EQ(store_.ReadString(slot, "CDIDs"), "XYZ00003 ABCD0002");
  EXPECT_EQ(store_.ReadString(slot, "Texts"), "0:0 ABCD0002:7");
  EXPECT_EQ(store_.ReadString(slot, "Language"), "1 103 255");
  const std::vector<uint8_t> date1 = {3, 12, 0, 0, 0xD4, 0xFF, 0xFF, 0xFF, 0x30, 0x75, 0, 0};
  EXPECT_EQ(store_.ReadBinary(slot, "Date1"), date1);

  TSearchHistoryRecord g;
  history_.GetHistoryRecord(1, g);
  EXPECT_EQ(g.Question, r.Question);
  ASSERT_EQ(g.CDIDs.size(), 3u);
  EXPECT_EQ(g.CDIDs[0].CDID, "XYZ00003");
  EXPECT_TRUE(g.CDIDs[1].Selected);
  EXPECT_EQ(g.CDIDs[1].Name, std::string(128, 'b'));
  ASSERT_EQ(g.Texts.size(), 2u);
  EXPECT_TRUE(g.Texts[0].Selected);
  EXPECT_EQ(g.Texts[1].TextNo, 7);
  EXPECT_EQ(g.Texts[1].Name, "ABCD0002 text 7");
  EXPECT_EQ(g.Language, r.Language);
  EXPECT_EQ(g.TKinds, r.TKinds);
  EXPECT_EQ(g.Date1.Jahr, -44);
  EXPECT_EQ(g.Date2.Jahr, 30000);
  EXPECT_EQ(g.Date3.Jahr2, 2001);
  EXPECT_EQ(g.UndMode, 2);
  EXPECT_EQ(g.WordDistance, 5);
  EXPECT_EQ(g.FuzzyLevel, 3);
}

TEST_F(SearchHistoryTest, DamagedStoredSelections) {
  Add("q");
  SetSlot("CDIDs", "  GONE0009 abcd0002  ABCD0002 ");
  SetSlot("Texts", "0:0 GONE0009:3  0  krvt0001:2");
  SetSlot("Language", "1 x 300 -1");
  store_.DeleteValue(std::string(kKey) + "\\01", "WordDistance");
  store_.WriteBinary(std::string(kKey) + "\\01", "Date2", {1, 2, 3});

  TSearchHistoryRecord g;
  history_.GetHistoryRecord(1, g);
  ASSERT_EQ(g.CDIDs.size(), 3u);  // unreachable CD dropped, duplicate listed once
  EXPECT_EQ(g.CDIDs[0].CDID, "ABCD0002");
  EXPECT_TRUE(g.CDIDs[0].Selected);
  EXPECT_FALSE(g.CDIDs[1].Selected);
  EXPECT_FALSE(g.CDIDs[2].Selected);
  ASSERT_EQ(g.Texts.size(), 2u);
  EXPECT_TRUE(g.Texts[0].Selected);
  EXPECT_EQ(g.Texts[1].CDID, "KRVT0001");
  EXPECT_EQ(g.Language, (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(g.WordDistance, 20);
  EXPECT_EQ(g.Date2.Jahr, 30000);
  EXPECT_EQ(store_.ReadInteger(std::string(kKey) + "\\01", "WordDistance"), 20);

  SetSlot("Texts", "KRVT0001:x");  // not a text number: the catalog's error reaches the caller
  EXPECT_THROW(history_.GetHistoryRecord(1, g), InternalError);
}

}  // namespace
}  // namespace quillmar
