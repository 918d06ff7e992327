#include "collection/text_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <tuple>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/internal_code.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

using test::ChapterRecord;
using test::Concat;
using test::PageRecord;
using test::SyncRecord;
using test::TextRecord;
using Bytes = std::vector<uint8_t>;

std::string ErrorCode(const std::function<void()>& f) try {
  f();
  return "";
} catch (const InternalError& e) {
  return e.Code();
}

TextRecord Text(const std::string& title, const std::string& long_label = "",
                const std::string& short_label = "", int32_t number = 0) {
  return {number, title, long_label, short_label, "", "", "", "", "", "", "", 0};
}
TextRecord EmptySlot() { return Text("", "", "", -1); }

// The content-tree element of text n itself.
TextTreeInfo Node(uint8_t n) { return {n, "", 0, 0, 0, "", "", "", 0}; }
// A 44-byte hit record: chapter at byte 33, sub-chapter at 34.
Bytes Hit(uint8_t chapter, uint8_t sub) { return Concat({Bytes(33), {chapter, sub}, Bytes(9)}); }

class TextInfoTest : public ::testing::Test {
 protected:
  // A collection with the given texts; returns its text catalog's path.
  std::string Make(std::vector<TextRecord> texts, bool upper = false) {
    test::CollectionSpec layout;
    layout.texts = std::move(texts);
    layout.upper = upper;
    test::WriteCollection(dir.Sub("cd"), layout);
    return Data("textinfo.dat");
  }
  std::string Data(const std::string& name) const { return dir.Sub("cd/data/" + name); }

  // Selects text 1, whose per-text files `fields` are "a.dat" holding `bytes`; text 2 is empty.
  void One(std::initializer_list<std::string TextRecord::*> fields, const Bytes& bytes,
           int32_t sync = 0) {
    TextRecord t = Text("A");
    for (auto field : fields) t.*field = "a.dat";
    t.sync = sync;
    ASSERT_TRUE(info.Load(Make({t, EmptySlot()})));
    info.Select(1);
    test::WriteFile(Data("a.dat"), bytes);
  }

  test::TempDir dir;
  TTextInfo info;
};

TEST_F(TextInfoTest, LoadAsksUntilTheCatalogExistsOrTheUserCancels) {
  const std::string catalog = Data("textinfo.dat");
  EXPECT_FALSE(info.Load(catalog));  // no prompts: cancelled at once
  test::ScriptedPrompts prompts;
  prompts.answers = {PromptResult::kRetry, PromptResult::kRetry};
  prompts.on_ask = [&] {
    if (prompts.asked.size() == 2) Make({Text("A")});  // the medium is inserted
  };
  TTextInfo asking(&prompts);
  EXPECT_TRUE(asking.Load(catalog));
  ASSERT_EQ(prompts.asked.size(), 2u);
  // The name looked for and the directory searched, as spelled on disk.
  EXPECT_EQ(prompts.asked[0],
            "File '" + FileNameOf(catalog) + "' not found in '" + DirectoryOf(catalog) + "'.");
  EXPECT_FALSE(asking.Load(dir.Sub("elsewhere.dat")));  // script ran out: Cancel
}

TEST_F(TextInfoTest, FileNamesLeadingOutsideTheCollectionAreRefused) {
  TextRecord text = Text("Escaping");
  text.picture_file = "../../etc/passwd";
  text.page_file = "/etc/passwd";
  ASSERT_TRUE(info.Load(Make({text}, /*upper=*/false)));
  info.Select(1);
  const std::string data = DirectoryOf(info.FileName());
  EXPECT_EQ(test::MessageOf([&] { info.GetBildDateiName(); }),
            "The collection names the file '../../etc/passwd', which lies outside its directory '" +
                data + "'.");
  EXPECT_EQ(test::MessageOf([&] { info.GetSeitenDateiName(); }),
            "The collection names the file '/etc/passwd', which lies outside its directory '" +
                data + "'.");
}

TEST_F(TextInfoTest, SelectChecksTheCatalog) {
  TextRecord first = Text("First");
  first.page_file = "p.sei";
  ASSERT_TRUE(info.Load(Make({first, EmptySlot(), Text("Wrong", "", "", 7)}, /*upper=*/true)));
  test::WriteFile(dir.Sub("cd/DATA/P.SEI"), "");
  info.Select(1);
  // The files lie beside the catalog, not in the working directory, and in capitals.
  EXPECT_EQ(info.GetLayer1DateiName(), dir.Sub("cd/DATA/T1.TXT"));
  EXPECT_EQ(info.GetSeitenDateiName(), dir.Sub("cd/DATA/P.SEI"));
  EXPECT_EQ(info.GetLayer2DateiName(), "");  // no footnote stream
  EXPECT_EQ(ErrorCode([&] { info.Select(3); }), "TTI-STN 002");
  EXPECT_EQ(info.CurrentText(), 1);  // unchanged by the failed selection
  for (int32_t bad : {0, -5, 4})
    EXPECT_EQ(ErrorCode([&] { info.Select(bad); }), "TTI-STN 001") << bad;

  info.Select(2);  // an empty slot leaves no text current
  EXPECT_EQ(info.CurrentText(), -1);
  std::string codes;
  for (auto get : {&TTextInfo::GetLayer1DateiName, &TTextInfo::GetLayer2DateiName,
                   &TTextInfo::GetLayer3DateiName, &TTextInfo::GetSeitenDateiName,
                   &TTextInfo::GetKapitelDateiName, &TTextInfo::GetBildDateiName,
                   &TTextInfo::GetShortTextName, &TTextInfo::GetLongTextName})
    codes += ErrorCode([&] { (info.*get)(); }) + ",";
  codes += ErrorCode([&] { info.GetSeitenPosition("1", 1); }) + ",";
  codes += ErrorCode([&] { info.GetPositionSeite(1, 1); });
  EXPECT_EQ(codes,
            "TTI-GTDN 001,TTI-GFDN 001,TTI-GSDN 001,TTI-GSDN 002,TTI-GKDN 001,TTI-GBDN 001,"
            "TTI-GATN 001,TTI-GALTN 001,TTI-GSP 001,TTI-GPS 001");

  // Without the main text nowhere is searched: the names stay as the record gives them.
  std::filesystem::remove(dir.Sub("cd/DATA/T1.TXT"));
  info.Select(1);
  EXPECT_EQ(info.GetLayer1DateiName(), "t1.txt");
  EXPECT_EQ(info.GetSeitenDateiName(), "p.sei");

  std::filesystem::remove(dir.Sub("cd/DATA/TEXTINFO.DAT"));  // the catalog vanishes
  EXPECT_EQ(info.RecordCount(), 0);
  EXPECT_THROW(info.Select(2), EInOutError);
  EXPECT_THROW(info.ListTexts(), EInOutError);
}

TEST_F(TextInfoTest, PagesByNumberAndByPosition) {
  One({&TextRecord::page_file},
      Concat({PageRecord(1, "i", false, 1, -1, -1), PageRecord(4, "iv", false, 40, 4, -1),
              PageRecord(5, "v", false, 60, -1, -1), PageRecord(1, "1", true, 100, -1, -1),
              PageRecord(4, "4", true, 400, 40, 44), PageRecord(14, "xiv", false, 1400, -1, -1),
              PageRecord(500, "d", false, 5000, -1, -1),
              PageRecord(1999, "mcmxcix", false, 19990, -1, -1),
              PageRecord(5000, "MMMMM", false, 99999, -1, -1)}));
  // Page text, layer, start: Roman numerals (any case, up to 4999, four I in a row allowed)
  // find Roman pages, numbers Arabic ones.
  const std::tuple<const char*, int, int32_t> starts[] = {
      {"iv", 1, 40},  {" IV ", 2, 4}, {"IIII", 1, 40},  {"4", 1, 400},         {"4", 3, 44},
      {"i", 1, 1},    {"1", 1, 100},  {"XIV", 1, 1400}, {"MCMXCIX", 1, 19990}, {"v", 1, 60},
      {"D", 1, 5000}, {"4", -1, -1},  {"4", 0, -1},     {"4", 4, -1}};
  for (const auto& [text, layer, start] : starts)
    EXPECT_EQ(info.GetSeitenPosition(text, layer), start) << text << " " << layer;
  // Not Roman and not a number (of 32 bits), or no such page: "5" is Arabic, "ii" missing.
  for (const char* text :
       {"", "  ", "VX", "IVI", "CCCCC", "DD", "MMMMM", "4a", "x1", "4294967300", "5", "ii"})
    EXPECT_EQ(info.GetSeitenPosition(text, 1), -1) << text;

  // Position, layer, page text: none before a layer's first page; pages that a layer lacks are
  // passed over; the last page holds everything from its start on.
  const std::tuple<int32_t, int, const char*> pages[] = {
      {0, 1, ""},      {200000, 1, "MMMMM"},  {39, 1, "i"}, {40, 1, "iv"},
      {99, 1, "v"},    {50000, 1, "mcmxcix"}, {3, 2, ""},   {39, 2, "iv"},
      {50000, 2, "4"}, {43, 3, ""},           {44, 3, "4"}, {100, -1, ""},
      {100, 0, ""},    {100, 4, ""}};
  for (const auto& [position, layer, text] : pages)
    EXPECT_EQ(info.GetPositionSeite(position, layer).Text, text) << position << " " << layer;
  const PageFileRecord page = info.GetPositionSeite(450, 1);
  EXPECT_EQ(std::tie(page.Number, page.Arabic, page.Position[1], page.Position[2]),
            std::make_tuple(4, true, 40, 44));
  EXPECT_FALSE(info.GetPositionSeite(1400, 1).Arabic);
}

TEST_F(TextInfoTest, Pictures) {
  One({&TextRecord::picture_file},
      Concat({test::PictureRecord(3, "karte.bmp"), test::PictureRecord(5, std::string(23, 'n')),
              test::PictureRecord(3, "later.bmp")}));
  EXPECT_EQ(info.GetBildName(3), "karte.bmp");
  EXPECT_EQ(info.GetBildName(5), std::string(23, 'n'));
  EXPECT_EQ(info.GetBildName(4), "");
  test::FlipByte(Data("a.dat"), 4, 0xFF ^ 9);  // a length byte far beyond the field
  EXPECT_EQ(info.GetBildName(3).size(), 23u);
}

TEST_F(TextInfoTest, SyncTargetsAndRanges) {
  One({&TextRecord::sync_file},
      Concat({SyncRecord(100, 10), SyncRecord(200, 20), SyncRecord(300, 30), SyncRecord(400, 40)}),
      /*sync=*/1);
  // From … to, target: the first point in or well behind the range; the point nearer to `from`
  // (a tie to the previous one) unless the next lies beyond `to`; the last point past its end.
  const std::tuple<int32_t, int32_t, int32_t> targets[] = {
      {50, 150, 10},  {-100, -50, 10}, {90, 95, 10},   {150, 180, 10},
      {190, 250, 20}, {150, 250, 10},  {300, 350, 30}, {500, 600, 40}};
  for (const auto& [from, to, target] : targets)
    EXPECT_EQ(info.GetSyncTarget(from, to), target) << from << " " << to;
  // From … to, AtFrom, AtTo, Target: nothing in force before the first point, the last point in
  // force to the end of the text.
  const std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t> ranges[] = {
      {150, 250, 10, 30, 10},
      {50, 150, -1, 20, 10},
      {350, 450, 30, 40, 30},
      {-100, -50, -1, -1, -1}};
  for (const auto& [from, to, at_from, at_to, target] : ranges) {
    const SyncRange r = info.GetSyncRange(from, to);
    EXPECT_EQ(std::tie(r.AtFrom, r.AtTo, r.Target), std::tie(at_from, at_to, target)) << from;
  }
  // The way back, for a window that follows: the first point at or past the target.
  EXPECT_EQ(info.GetSyncPosition(1), 100);
  EXPECT_EQ(info.GetSyncPosition(20), 200);
  EXPECT_EQ(info.GetSyncPosition(25), 300);
  EXPECT_EQ(info.GetSyncPosition(99), 400);
}

TEST_F(TextInfoTest, PerTextFilesUnnamedMissingOrShort) {
  ASSERT_TRUE(info.Load(Make({Text("A")})));  // no per-text file named: none has records
  info.Select(1);
  EXPECT_EQ(info.GetSeitenPosition("1", 1), -1);
  EXPECT_EQ(info.GetPositionSeite(10, 1).Number, -1);
  EXPECT_EQ(info.GetBildName(1), "");
  EXPECT_EQ(info.GetSyncTarget(1, 10), -1);
  info.SetHitPosition(Hit(1, 0));
  EXPECT_EQ(info.ChapterName(), "");
  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(1)); }), "TI-TTI-GNS-2");

  // One whole synchronisation point is too few.
  One({&TextRecord::sync_file, &TextRecord::picture_file}, Concat({SyncRecord(100, 10), {1, 2, 3}}),
      /*sync=*/1);
  EXPECT_EQ(info.GetSyncTarget(50, 150), -1);
  EXPECT_EQ(info.GetSyncRange(50, 150).AtTo, -1);
  std::filesystem::remove(Data("a.dat"));  // named but missing
  EXPECT_THROW(info.GetSyncTarget(50, 150), EInOutError);
  EXPECT_THROW(info.GetBildName(3), EInOutError);
  // The synchronisation flag is the low byte of its field.
  One({&TextRecord::sync_file}, Concat({SyncRecord(100, 10), SyncRecord(200, 20)}), 256);
  EXPECT_FALSE(info.HasSync());
  EXPECT_EQ(info.GetSyncRange(50, 150).Target, -1);
}

TEST_F(TextInfoTest, TextNamesAndTheListOfTexts) {
  // Text; short name; long name.
  const std::tuple<TextRecord, const char*, const char*> cases[] = {
      {Text("Title", "Long", "Short"), "Short/Title", "Long: Title"},
      {Text("Title", "", "Short"), "Short/Title", "Short: Title"},
      {Text("Title", "Long"), "Title", "Long: Title"},
      {Text("Title"), "Title", "Title"},
      {Text("", "Long", "Short"), "Short", "Long"},
      {Text(""), "", ""}};
  std::vector<TextRecord> texts;
  for (const auto& c : cases) texts.push_back(std::get<0>(c));
  const std::string long_title(90, 't');
  texts.insert(texts.end(), {EmptySlot(), Text("Garbage", "", "", 70000), Text(long_title, "L")});
  ASSERT_TRUE(info.Load(Make(texts)));
  for (int32_t n = 1; n <= 6; ++n) {
    info.Select(n);
    EXPECT_EQ(info.GetShortTextName(), std::get<1>(cases[n - 1])) << n;
    EXPECT_EQ(info.GetLongTextName(), std::get<2>(cases[n - 1])) << n;
  }
  auto listed = [&] {
    std::string s;
    for (const TextTreeInfo& t : info.ListTexts())
      s += std::to_string(t.TextNr) + " " + t.Name + ";";
    return s;
  };
  // Named by long label and title, cut to 80 characters; empty slots and numbers past 255 left out.
  EXPECT_EQ(listed(), "1 Long: Title;2 Title;3 Long: Title;4 Title;5 Long;6 ;9 L: " +
                          long_title.substr(0, 77) + ";");
  texts.assign(300, Text("T"));
  texts[254] = EmptySlot();  // the 255th record ends the list, text or not
  texts[299].number = 7;
  ASSERT_TRUE(info.Load(Make(texts)));
  ASSERT_EQ(info.ListTexts().size(), 254u);
  EXPECT_EQ(info.ListTexts().back().TextNr, 254);
  texts.resize(3);
  texts[1].number = 255;  // text 255 ends the list wherever it stands
  ASSERT_TRUE(info.Load(Make(texts)));
  EXPECT_EQ(listed(), "1 T;255 T;");
}

TEST_F(TextInfoTest, ChapterTreeAndChapterNameOfAHit) {
  const std::string name59(59, 'a'), name60(60, 'b'), cut = name60.substr(0, 59) + "...";
  One({&TextRecord::chapter_file}, Concat({ChapterRecord("Vorwort", "", "", 0, 0, 0, 1),
                                           ChapterRecord(name59, "", "", 1, 0, 0, 10),
                                           ChapterRecord("1", "1.1", "", 1, 1, 0, 11),
                                           ChapterRecord("1", "1.1", "1.1.1", 1, 1, 1, 12),
                                           ChapterRecord("1", "1.2", name60, 1, 2, 0, 13),
                                           ChapterRecord("1", "later", "1.1.2", 1, 1, 2, 14),
                                           ChapterRecord(name60, "", "", 2, 0, 0, 20)}));
  const TTextTreeInfos top = info.ListChapters(Node(1));
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0].Name1, name59);
  EXPECT_EQ(top[1].Name1, cut);
  const TTextTreeInfos second = info.ListChapters(top[0]);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].Name2, "1.1");
  EXPECT_EQ(second[1].Name3, cut);
  const TTextTreeInfos third = info.ListChapters(second[0]);
  ASSERT_EQ(third.size(), 2u);
  const TextTreeInfo& last = third[1];
  EXPECT_EQ(std::tie(last.TextNr, last.L1, last.L2, last.L3, last.Position, last.Name3),
            std::make_tuple(1, 1, 1, 2, 14, "1.1.2"));
  EXPECT_TRUE(info.ListChapters(third[0]).empty());

  auto name = [&](uint8_t chapter, uint8_t sub_chapter) {
    info.SetHitPosition(Hit(chapter, sub_chapter));
    return info.ChapterName();
  };
  EXPECT_EQ(name(0, 0), "Vorwort");
  EXPECT_EQ(name(2, 0), name60);   // not cut
  EXPECT_EQ(name(1, 1), "1/1.1");  // the first matching record
  EXPECT_EQ(name(9, 9), "");
  EXPECT_EQ(name(1, 1), "1/1.1");  // found again after a chapter that was not
  // The same chapter again needs no file; another one reads it.
  std::filesystem::remove(Data("a.dat"));
  EXPECT_EQ(name(1, 1), "1/1.1");
  EXPECT_THROW(info.SetHitPosition(Hit(1, 2)), EInOutError);

  test::WriteFile(Data("a.dat"), ChapterRecord("Vorwort", "", "", 0, 0, 0, 1));
  EXPECT_TRUE(info.ListChapters(Node(1)).empty());  // only level-0 records
  test::WriteFile(Data("a.dat"), Bytes(199, 1));
  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(1)); }), "TI-TTI-GNS-2");
  EXPECT_EQ(ErrorCode([&] { info.ListChapters(Node(2)); }), "TI-TTI-GSN-1");
}

TEST_F(TextInfoTest, DamagedFilesAreReadWithinTheirRecords) {
  const std::string catalog = Make({Text("Title", "Long"), Text("Second"), Text("Third")});
  test::TruncateFile(catalog, 2 * 496 + 300);  // a partial third record
  test::FlipByte(catalog, 4, 0xFF ^ 5);        // title length 255
  test::FlipByte(catalog, 85, 0xFF ^ 4);       // long label length 255
  ASSERT_TRUE(info.Load(catalog));
  EXPECT_EQ(info.RecordCount(), 2);
  EXPECT_EQ(ErrorCode([&] { info.Select(3); }), "TTI-STN 001");
  EXPECT_EQ(info.ListTexts().size(), 2u);
  info.Select(1);
  EXPECT_EQ(info.Title().size(), 80u);
  EXPECT_EQ(info.LongLabel().size(), 40u);
  for (uintmax_t offset = 0; offset < 496; offset += 7) test::FlipByte(catalog, offset);
  ASSERT_TRUE(info.Load(catalog));
  (void)info.ListTexts();
  EXPECT_NO_THROW(ErrorCode([&] { info.Select(1); }));

  // Random bytes as page, chapter and synchronisation file at once never read out of bounds.
  One({&TextRecord::page_file, &TextRecord::chapter_file, &TextRecord::sync_file}, {}, 1);
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    Bytes noise(200 * (round % 5) + round);
    for (auto& b : noise) b = static_cast<uint8_t>(random() % 4 == 0 ? random() : random() % 3);
    test::WriteFile(Data("a.dat"), noise);
    const int32_t at = static_cast<int32_t>(random() % 1000) - 10;
    (void)info.GetSeitenPosition(round % 2 ? "xiv" : "2", round % 4);
    (void)info.GetPositionSeite(at, round % 4);
    (void)info.GetSyncRange(at, at + 50);
    info.SetHitPosition(Hit(static_cast<uint8_t>(round % 3), 0));
    const std::string code = ErrorCode([&] {
      for (const TextTreeInfo& chapter : info.ListChapters(Node(1))) info.ListChapters(chapter);
    });
    EXPECT_TRUE(code.empty() || code == "TI-TTI-GNS-2") << code;
  }
}

TEST(TextInfo, KindLayer) {
  EXPECT_EQ(TTextInfo::KindLayer(11), 2);  // footnotes
  EXPECT_EQ(TTextInfo::KindLayer(10), 3);  // remarks
  for (int code : {0, 1, 2, 12, 255}) EXPECT_EQ(TTextInfo::KindLayer(code), 1);
}

}  // namespace
}  // namespace quillmar
