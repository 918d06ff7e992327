#include "collection/text_info.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <random>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

using test::Concat;
using test::TextRecord;

std::string ErrorCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const InternalError& e) {
    return e.Code();
  }
  return "";
}

TextRecord Text(const std::string& title, const std::string& long_label = "",
                const std::string& short_label = "") {
  TextRecord t;
  t.title = title;
  t.long_label = long_label;
  t.short_label = short_label;
  return t;
}

// The content-tree element of text n itself.
TTextTreeInfo Node(uint8_t n) {
  TTextTreeInfo node;
  node.TextNr = n;
  return node;
}

std::array<uint8_t, 44> Hit(uint8_t chapter, uint8_t sub_chapter) {
  std::array<uint8_t, 44> hit{};
  hit[33] = chapter;
  hit[34] = sub_chapter;
  return hit;
}

class TextInfoTest : public ::testing::Test {
 protected:
  // A collection with the given texts; returns its text catalog's path.
  std::string Make(std::vector<TextRecord> texts, bool upper = false) {
    test::CollectionSpec spec;
    spec.texts = std::move(texts);
    spec.upper = upper;
    test::WriteCollection(dir.Sub("cd"), spec);
    return dir.Sub("cd/data/textinfo.dat");
  }
  std::string Data(const std::string& name) const { return dir.Sub("cd/data/" + name); }

  // Text 1 with the given per-text files, selected.
  TTextInfo& One(TextRecord t) {
    info.Load(Make({std::move(t)}));
    info.Select(1);
    return info;
  }

  test::TempDir dir;
  TTextInfo info;
};

TEST_F(TextInfoTest, LoadAsksUntilTheCatalogExistsOrTheUserCancels) {
  const std::string catalog = dir.Sub("cd/data/textinfo.dat");
  EXPECT_FALSE(info.Load(catalog));  // no prompts: cancelled at once

  test::ScriptedPrompts prompts;
  prompts.answers = {PromptResult::kRetry, PromptResult::kRetry};
  prompts.on_ask = [&] {
    if (prompts.asked.size() == 2) Make({Text("A")});  // the medium is inserted
  };
  TTextInfo asking(&prompts);
  EXPECT_TRUE(asking.Load(catalog));
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_NE(prompts.asked[0].find(UpperAscii(catalog)), std::string::npos);
  EXPECT_EQ(asking.RecordCount(), 1);

  prompts.asked.clear();
  EXPECT_FALSE(asking.Load(dir.Sub("elsewhere.dat")));  // script ran out: Cancel
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(asking.CurrentText(), -1);
}

TEST_F(TextInfoTest, SelectChecksTheCatalog) {
  TextRecord empty;
  empty.number = -1;
  TextRecord wrong = Text("Wrong");
  wrong.number = 7;
  ASSERT_TRUE(info.Load(Make({Text("First"), empty, wrong})));
  EXPECT_EQ(info.RecordCount(), 3);

  info.Select(1);
  EXPECT_EQ(info.CurrentText(), 1);
  EXPECT_EQ(info.Title(), "First");
  // The record names "t1.txt", which lies beside the catalog, not in the working directory.
  EXPECT_EQ(info.GetLayer1DateiName(), Data("t1.txt"));
  EXPECT_EQ(info.GetLayer2DateiName(), "");  // no footnote stream

  EXPECT_EQ(ErrorCode([&] { info.Select(3); }), "TTI-STN 002");
  EXPECT_EQ(info.CurrentText(), 1);  // unchanged by the failed selection
  for (int32_t bad : {0, -5, 4})
    EXPECT_EQ(ErrorCode([&] { info.Select(bad); }), "TTI-STN 001") << bad;

  info.Select(2);  // an empty slot
  EXPECT_EQ(info.CurrentText(), -1);
  EXPECT_EQ(info.Title(), "");
  EXPECT_FALSE(info.HasSync());
  EXPECT_EQ(ErrorCode([&] { info.GetLayer1DateiName(); }), "TTI-GTDN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetLayer2DateiName(); }), "TTI-GFDN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetLayer3DateiName(); }), "TTI-GSDN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetSeitenDateiName(); }), "TTI-GSDN 002");
  EXPECT_EQ(ErrorCode([&] { info.GetKapitelDateiName(); }), "TTI-GKDN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetBildDateiName(); }), "TTI-GBDN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetShortTextName(); }), "TTI-GATN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetLongTextName(); }), "TTI-GALTN 001");
  EXPECT_EQ(ErrorCode([&] { info.GetSeitenPosition("1", 1); }), "TTI-GSP 001");
  EXPECT_EQ(ErrorCode([&] { info.GetPositionSeite(1, 1); }), "TTI-GPS 001");
}

TEST_F(TextInfoTest, UnloadedOrVanishedCatalogIsAFileError) {
  EXPECT_THROW(info.Select(1), EInOutError);
  EXPECT_THROW(info.ListTexts(), EInOutError);
  const std::string catalog = Make({Text("A")});
  ASSERT_TRUE(info.Load(catalog));
  std::filesystem::remove(catalog);
  EXPECT_EQ(info.RecordCount(), 0);
  EXPECT_THROW(info.Select(1), EInOutError);
}

TEST_F(TextInfoTest, ShortAndLongNames) {
  struct Case {
    TextRecord text;
    const char* short_name;
    const char* long_name;
  } cases[] = {
      {Text("Title", "Long", "Short"), "Short/Title", "Long: Title"},
      {Text("Title", "", "Short"), "Short/Title", "Short: Title"},
      {Text("Title", "Long", ""), "Title", "Long: Title"},
      {Text("Title"), "Title", "Title"},
      {Text("", "Long", "Short"), "Short", "Long"},
      {Text("", "", "Short"), "Short", "Short"},
      {Text(""), "", ""},
  };
  std::vector<TextRecord> texts;
  for (const Case& c : cases) texts.push_back(c.text);
  ASSERT_TRUE(info.Load(Make(texts)));
  for (size_t i = 0; i < std::size(cases); ++i) {
    info.Select(static_cast<int32_t>(i + 1));
    EXPECT_EQ(info.GetShortTextName(), cases[i].short_name) << i;
    EXPECT_EQ(info.GetLongTextName(), cases[i].long_name) << i;
  }
}

TEST_F(TextInfoTest, NamesStayAsGivenWhenTheMainTextIsNowhere) {
  TextRecord t = Text("A");
  t.layer1 = "gone.txt";
  t.layer2 = "fn.txt";
  info.Load(Make({t}));
  std::filesystem::remove(Data("gone.txt"));
  test::WriteFile(Data("fn.txt"), "x");  // beside the catalog, but the main text decides
  info.Select(1);
  EXPECT_EQ(info.GetLayer1DateiName(), "gone.txt");
  EXPECT_EQ(info.GetLayer2DateiName(), "fn.txt");
}

TEST_F(TextInfoTest, CapitalisedCollectionWithLowerCaseNames) {
  TextRecord t = Text("Genesis", "KJV");
  t.layer1 = "gen.txt";
  t.page_file = "gen.sei";
  t.chapter_file = "gen.kap";
  const std::string catalog = Make({t, Text("Exodus")}, /*upper=*/true);
  ASSERT_TRUE(std::filesystem::exists(dir.Sub("cd/DATA/TEXTINFO.DAT")));
  test::WriteFile(dir.Sub("cd/DATA/GEN.SEI"), test::PageRecord(1, "p1", true, 10, -1, -1));
  test::WriteFile(dir.Sub("cd/DATA/GEN.KAP"), test::ChapterRecord("One", "", "", 1, 0, 0, 10));

  ASSERT_TRUE(info.Load(catalog));  // asked for in lower case
  info.Select(1);
  EXPECT_EQ(info.GetLayer1DateiName(), dir.Sub("cd/DATA/GEN.TXT"));
  EXPECT_EQ(info.GetSeitenPosition("1", 1), 10);
  EXPECT_EQ(info.ListChapters(Node(1)).size(), 1u);
  ASSERT_EQ(info.ListTexts().size(), 2u);
}

TEST_F(TextInfoTest, PagePositionsByArabicAndRomanNumbers) {
  TextRecord t = Text("A");
  t.page_file = "a.sei";
  One(t);
  test::WriteFile(Data("a.sei"), Concat({
                                     test::PageRecord(1, "i", false, 1, -1, -1),
                                     test::PageRecord(4, "iv", false, 40, 4, -1),
                                     test::PageRecord(1, "1", true, 100, 10, -1),
                                     test::PageRecord(4, "4", true, 400, 40, 44),
                                     test::PageRecord(14, "xiv", false, 1400, -1, -1),
                                     test::PageRecord(1999, "", false, 19990, -1, -1),
                                 }));
  EXPECT_EQ(info.GetSeitenPosition("iv", 1), 40);
  EXPECT_EQ(info.GetSeitenPosition(" IV ", 2), 4);
  EXPECT_EQ(info.GetSeitenPosition("IIII", 1), 40);  // four I in a row are allowed
  EXPECT_EQ(info.GetSeitenPosition("4", 1), 400);
  EXPECT_EQ(info.GetSeitenPosition("4", 3), 44);
  EXPECT_EQ(info.GetSeitenPosition("i", 1), 1);
  EXPECT_EQ(info.GetSeitenPosition("1", 1), 100);
  EXPECT_EQ(info.GetSeitenPosition("XIV", 1), 1400);
  EXPECT_EQ(info.GetSeitenPosition("mcmxcix", 1), 19990);
  // Not Roman and not a number, or no such page.
  for (const char* text : {"", "  ", "VX", "IVI", "CCCCC", "DD", "MMMMM", "4a", "x1", "5", "ii"})
    EXPECT_EQ(info.GetSeitenPosition(text, 1), -1) << text;
  for (int layer : {-1, 0, 4}) EXPECT_EQ(info.GetSeitenPosition("4", layer), -1) << layer;
}

TEST_F(TextInfoTest, PageOfAPosition) {
  TextRecord t = Text("A");
  t.page_file = "a.sei";
  One(t);
  test::WriteFile(Data("a.sei"), Concat({
                                     test::PageRecord(1, "Seite 1", true, 10, 5, -1),
                                     test::PageRecord(2, "Seite 2", true, 100, -1, -1),
                                     test::PageRecord(3, "Seite 3", false, 200, 50, -1),
                                 }));
  EXPECT_EQ(info.GetPositionSeite(1, 1).Number, -1);  // before the first page
  EXPECT_EQ(info.GetPositionSeite(10, 1).Number, 1);
  EXPECT_EQ(info.GetPositionSeite(99, 1).Number, 1);
  const TPageRecord second = info.GetPositionSeite(100, 1);
  EXPECT_EQ(second.Number, 2);
  EXPECT_EQ(second.Text, "Seite 2");
  EXPECT_TRUE(second.Arabic);
  EXPECT_EQ(second.Position[0], 100);
  EXPECT_EQ(second.Position[1], -1);
  // The last page holds everything from its start on.
  const TPageRecord last = info.GetPositionSeite(5000, 1);
  EXPECT_EQ(last.Number, 3);
  EXPECT_FALSE(last.Arabic);
  EXPECT_EQ(info.GetPositionSeite(200, 1).Number, 3);

  EXPECT_EQ(info.GetPositionSeite(7, 2).Number, 1);
  EXPECT_EQ(info.GetPositionSeite(60, 2).Number, 3);
  EXPECT_EQ(info.GetPositionSeite(60, 3).Number, -1);  // layer 3 has no pages
  for (int layer : {-1, 0, 4}) {
    const TPageRecord none = info.GetPositionSeite(150, layer);
    EXPECT_EQ(none.Number, -1);
    EXPECT_EQ(none.Text, "");
    EXPECT_EQ(none.Position[0], -1);
  }
}

TEST_F(TextInfoTest, Pictures) {
  TextRecord t = Text("A");
  t.picture_file = "a.bld";
  One(t);
  test::WriteFile(Data("a.bld"), Concat({test::PictureRecord(3, "karte.bmp"),
                                         test::PictureRecord(5, std::string(23, 'n')),
                                         test::PictureRecord(3, "later.bmp")}));
  EXPECT_EQ(info.GetBildName(3), "karte.bmp");
  EXPECT_EQ(info.GetBildName(5), std::string(23, 'n'));
  EXPECT_EQ(info.GetBildName(4), "");
  test::FlipByte(Data("a.bld"), 4, 0xFF ^ 9);  // a length byte far beyond the field
  EXPECT_EQ(info.GetBildName(3).size(), 23u);
  std::filesystem::remove(Data("a.bld"));
  EXPECT_THROW(info.GetBildName(3), EInOutError);
}

TEST_F(TextInfoTest, TextsWithoutPerTextFiles) {
  One(Text("A"));
  EXPECT_EQ(info.GetSeitenPosition("1", 1), -1);
  EXPECT_EQ(info.GetPositionSeite(10, 1).Number, -1);
  EXPECT_EQ(info.GetBildName(1), "");
  EXPECT_EQ(info.GetSyncTarget(1, 10), -1);
  info.SetHitPosition(Hit(1, 0));
  EXPECT_EQ(info.ChapterName(), "");
  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(1)); }), "TI-TTI-GNS-2");
}

class SyncTest : public TextInfoTest {
 protected:
  void SetUp() override {
    TextRecord t = Text("A");
    t.sync = 1;
    t.sync_file = "a.syn";
    One(t);
    test::WriteFile(Data("a.syn"), Concat({test::SyncRecord(100, 10), test::SyncRecord(200, 20),
                                           test::SyncRecord(300, 30), test::SyncRecord(400, 40)}));
  }
};

TEST_F(SyncTest, Targets) {
  EXPECT_TRUE(info.HasSync());
  EXPECT_EQ(info.GetSyncTarget(50, 150), 10);    // first point in the range
  EXPECT_EQ(info.GetSyncTarget(-100, -50), 10);  // far in front of the first point
  EXPECT_EQ(info.GetSyncTarget(90, 95), 10);     // just in front of it
  EXPECT_EQ(info.GetSyncTarget(150, 180), 10);   // next point beyond the range
  EXPECT_EQ(info.GetSyncTarget(190, 250), 20);   // nearer to the next point
  EXPECT_EQ(info.GetSyncTarget(150, 250), 10);   // a tie goes to the previous point
  EXPECT_EQ(info.GetSyncTarget(300, 350), 30);   // from on a point
  EXPECT_EQ(info.GetSyncTarget(500, 600), 40);   // past the last point
}

TEST_F(SyncTest, Ranges) {
  TSyncRange r = info.GetSyncRange(150, 250);
  EXPECT_EQ(r.AtFrom, 10);
  EXPECT_EQ(r.AtTo, 30);
  EXPECT_EQ(r.Target, 10);

  r = info.GetSyncRange(50, 150);  // nothing in force before the first point
  EXPECT_EQ(r.AtFrom, -1);
  EXPECT_EQ(r.AtTo, 20);
  EXPECT_EQ(r.Target, 10);

  r = info.GetSyncRange(350, 450);  // the last point stays in force to the end of the text
  EXPECT_EQ(r.AtFrom, 30);
  EXPECT_EQ(r.AtTo, 40);
  EXPECT_EQ(r.Target, 30);

  r = info.GetSyncRange(-100, -50);
  EXPECT_EQ(r.Target, -1);
}

TEST_F(SyncTest, TooFewPointsOrNoSynchronisation) {
  test::WriteFile(Data("a.syn"), Concat({test::SyncRecord(100, 10), {1, 2, 3}}));
  EXPECT_EQ(info.GetSyncTarget(50, 150), -1);  // one whole point only
  EXPECT_EQ(info.GetSyncRange(50, 150).AtTo, -1);
  std::filesystem::remove(Data("a.syn"));
  EXPECT_THROW(info.GetSyncTarget(50, 150), EInOutError);

  TextRecord t = Text("B");
  t.sync = 256;  // the flag is the low byte
  t.sync_file = "a.syn";
  One(t);
  EXPECT_FALSE(info.HasSync());
  EXPECT_EQ(info.GetSyncTarget(50, 150), -1);
  EXPECT_EQ(info.GetSyncRange(50, 150).Target, -1);
}

TEST_F(TextInfoTest, ChapterNameOfAHit) {
  TextRecord t = Text("A");
  t.chapter_file = "a.kap";
  One(t);
  test::WriteFile(Data("a.kap"),
                  Concat({test::ChapterRecord("Vorwort", "", "", 0, 0, 0, 1),
                          test::ChapterRecord("Buch 1", "", "", 1, 0, 0, 10),
                          test::ChapterRecord("Buch 1", "Kapitel 2", "", 1, 2, 0, 20),
                          test::ChapterRecord("Buch 1", "Kapitel 2", "Vers 3", 1, 2, 3, 30),
                          test::ChapterRecord("Doppelt", "", "", 1, 0, 0, 40)}));
  info.SetHitPosition(Hit(0, 0));
  EXPECT_EQ(info.ChapterName(), "Vorwort");
  info.SetHitPosition(Hit(1, 2));
  EXPECT_EQ(info.ChapterName(), "Buch 1/Kapitel 2");
  info.SetHitPosition(Hit(1, 0));
  EXPECT_EQ(info.ChapterName(), "Buch 1");  // the first matching record
  info.SetHitPosition(Hit(9, 9));
  EXPECT_EQ(info.ChapterName(), "");
  info.SetHitPosition(Hit(1, 0));  // back to a chapter after one that was not found
  EXPECT_EQ(info.ChapterName(), "Buch 1");

  // The same chapter again needs no file; another one reads it.
  std::filesystem::remove(Data("a.kap"));
  info.SetHitPosition(Hit(1, 0));
  EXPECT_EQ(info.ChapterName(), "Buch 1");
  EXPECT_THROW(info.SetHitPosition(Hit(1, 2)), EInOutError);
}

TEST_F(TextInfoTest, ListTextsInCatalogOrder) {
  TextRecord empty;
  empty.number = -1;
  TextRecord garbage = Text("Garbage");
  garbage.number = 70000;
  const std::string long_title(90, 't');
  ASSERT_TRUE(info.Load(Make({Text("Genesis", "KJV", "K"), empty, Text("Exodus", "", "K"),
                              Text("", "Only label"), garbage, Text(long_title, "L")})));
  const TTextTreeInfos texts = info.ListTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].TextNr, 1);
  EXPECT_EQ(texts[0].Name, "KJV: Genesis");
  EXPECT_EQ(texts[1].TextNr, 3);
  EXPECT_EQ(texts[1].Name, "Exodus");
  EXPECT_EQ(texts[2].Name, "Only label");
  EXPECT_EQ(texts[3].TextNr, 6);
  EXPECT_EQ(texts[3].Name, "L: " + long_title.substr(0, 77));
  EXPECT_EQ(texts[3].L1, 0);
  EXPECT_EQ(texts[3].Position, 0);
}

TEST_F(TextInfoTest, ListTextsEndsAtTheLastByteNumber) {
  std::vector<TextRecord> texts(300, Text("T"));
  ASSERT_TRUE(info.Load(Make(texts)));
  TTextTreeInfos listed = info.ListTexts();
  ASSERT_EQ(listed.size(), 255u);
  EXPECT_EQ(listed.back().TextNr, 255);

  // Text number 255 ends the scan wherever it stands.
  texts.resize(3);
  texts[1].number = 255;
  ASSERT_TRUE(info.Load(Make(texts)));
  listed = info.ListTexts();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[1].TextNr, 255);
}

TEST_F(TextInfoTest, ChapterTree) {
  TextRecord t = Text("A");
  t.chapter_file = "a.kap";
  TextRecord empty;
  empty.number = -1;
  ASSERT_TRUE(info.Load(Make({t, empty})));
  const std::string name59(59, 'a'), name60(60, 'b');
  test::WriteFile(Data("a.kap"), Concat({test::ChapterRecord("Vorwort", "", "", 0, 0, 0, 1),
                                         test::ChapterRecord(name59, "", "", 1, 0, 0, 10),
                                         test::ChapterRecord("1", "1.1", "", 1, 1, 0, 11),
                                         test::ChapterRecord("1", "1.1", "1.1.1", 1, 1, 1, 12),
                                         test::ChapterRecord("1", "1.2", name60, 1, 2, 0, 13),
                                         test::ChapterRecord("1", "1.1", "1.1.2", 1, 1, 2, 14),
                                         test::ChapterRecord(name60, "", "", 2, 0, 0, 20),
                                         test::ChapterRecord("2", "2.1", "", 2, 1, 0, 21)}));
  TTextTreeInfos top = info.ListChapters(Node(1));
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0].TextNr, 1);
  EXPECT_EQ(top[0].Name, "");
  EXPECT_EQ(top[0].Name1, name59);
  EXPECT_EQ(top[0].Position, 10);
  EXPECT_EQ(top[1].Name1, name60.substr(0, 59) + "...");
  EXPECT_EQ(top[1].L1, 2);

  const TTextTreeInfos second = info.ListChapters(top[0]);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].Name2, "1.1");
  EXPECT_EQ(second[1].Name3, name60.substr(0, 59) + "...");
  const TTextTreeInfos third = info.ListChapters(second[0]);
  ASSERT_EQ(third.size(), 2u);
  EXPECT_EQ(third[0].Name3, "1.1.1");
  EXPECT_EQ(third[1].Position, 14);
  EXPECT_EQ(third[1].L3, 2);
  EXPECT_TRUE(info.ListChapters(third[0]).empty());

  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(2)); }), "TI-TTI-GSN-1");
  test::WriteFile(Data("a.kap"), test::ChapterRecord("Vorwort", "", "", 0, 0, 0, 1));
  EXPECT_TRUE(info.ListChapters(Node(1)).empty());  // only level-0 records
  test::WriteFile(Data("a.kap"), std::vector<uint8_t>(199, 1));
  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(1)); }), "TI-TTI-GNS-2");
}

TEST_F(TextInfoTest, DamagedCatalogAndChapterFile) {
  TextRecord t = Text("Title", "Long");
  t.chapter_file = "a.kap";
  const std::string catalog = Make({t, Text("Second"), Text("Third")});
  test::WriteFile(Data("a.kap"), Concat({test::ChapterRecord("1", "", "", 1, 0, 0, 10),
                                         test::ChapterRecord("2", "", "", 2, 0, 0, 20)}));
  test::TruncateFile(Data("a.kap"), 200 + 150);  // a partial second record
  test::TruncateFile(catalog, 2 * 496 + 300);    // a partial third record
  test::FlipByte(catalog, 4, 0xFF ^ 5);          // title length 255
  test::FlipByte(catalog, 85, 0xFF ^ 4);         // long label length 255
  ASSERT_TRUE(info.Load(catalog));
  EXPECT_EQ(info.RecordCount(), 2);
  EXPECT_EQ(ErrorCode([&] { info.Select(3); }), "TTI-STN 001");
  EXPECT_EQ(info.ListTexts().size(), 2u);
  info.Select(1);
  EXPECT_EQ(info.Title().size(), 80u);
  EXPECT_EQ(info.LongLabel().size(), 40u);
  EXPECT_EQ(info.ListChapters(Node(1)).size(), 1u);

  // Random damage anywhere in a record never reads outside it.
  for (uintmax_t offset = 0; offset < 496; offset += 7) test::FlipByte(catalog, offset);
  TTextInfo damaged;
  ASSERT_TRUE(damaged.Load(catalog));
  (void)damaged.ListTexts();
  try {
    damaged.Select(1);
  } catch (const InternalError&) {
  }
}

TEST_F(TextInfoTest, RandomPerTextFilesNeverCrash) {
  TextRecord t = Text("A");
  t.page_file = "a.sei";
  t.chapter_file = "a.kap";
  t.sync_file = "a.syn";
  t.sync = 1;
  One(t);
  std::mt19937 random(11);
  auto noise = [&](size_t size) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(random() % 4 == 0 ? random() : random() % 3);
    return bytes;
  };
  for (int round = 0; round < 30; ++round) {
    test::WriteFile(Data("a.sei"), noise(200 * (round % 5) + round));
    test::WriteFile(Data("a.kap"), noise(200 * (round % 4) + round));
    test::WriteFile(Data("a.syn"), noise(8 * round + round % 8));
    const int32_t at = static_cast<int32_t>(random() % 1000) - 10;
    (void)info.GetSeitenPosition(round % 2 ? "xiv" : "2", round % 4);
    (void)info.GetPositionSeite(at, round % 4);
    (void)info.GetSyncRange(at, at + 50);
    info.SetHitPosition(Hit(static_cast<uint8_t>(round % 3), 0));
    try {
      for (const TTextTreeInfo& chapter : info.ListChapters(Node(1))) info.ListChapters(chapter);
    } catch (const InternalError& e) {
      EXPECT_EQ(e.Code(), "TI-TTI-GNS-2");
    }
  }
}

TEST(TextInfo, KindLayer) {
  EXPECT_EQ(TTextInfo::KindLayer(11), 2);
  EXPECT_EQ(TTextInfo::KindLayer(10), 3);
  for (int code : {0, 1, 2, 3, 4, 12, 255}) EXPECT_EQ(TTextInfo::KindLayer(code), 1);
}

}  // namespace
}  // namespace quillmar
