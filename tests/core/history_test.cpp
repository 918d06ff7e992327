#include "text/history.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/internal_code.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"
#include "text/creference_lookup.h"
#include "text/link_file.h"

namespace quillmar {
namespace {

using test::InternalCode;

TPositionRecord Place(int32_t position, int32_t text = 1, int32_t layer = 1) {
  TPositionRecord r;
  r.CDID = "TEST0001";
  r.Position = position;
  r.TextNr = text;
  r.Layer = layer;
  return r;
}

TEST(HistoryTest, BackNextAndTheDroppedTail) {
  THistory history;
  TPositionRecord got;
  history.Add(Place(10));
  EXPECT_FALSE(history.CanGoBack() || history.CanGoNext());
  TPositionRecord same = Place(10);
  same.CDID = "test0001";
  same.Caption = "other caption";
  history.Add(same);             // same collection, position, text and layer
  history.Add(Place(10, 1, 2));  // another layer is another place
  history.Add(Place(30));
  ASSERT_EQ(history.Entries().size(), 3u);

  ASSERT_TRUE(history.Back(got) && history.Back(got));
  EXPECT_EQ(got.Layer, 1);
  EXPECT_FALSE(history.Back(got));
  ASSERT_TRUE(history.Next(got));
  EXPECT_EQ(got.Layer, 2);
  // A new place after going back drops everything after the current one.
  history.Add(Place(50));
  EXPECT_FALSE(history.CanGoNext());
  ASSERT_EQ(history.Entries().size(), 3u);
  EXPECT_EQ(history.Entries()[2].Position, 50);
}

// 56-byte link record.
std::vector<uint8_t> LinkRecord(const std::string& source, int32_t sourceText,
                                const std::string& target, int32_t targetText, int32_t l1,
                                int32_t l2, int32_t l3) {
  std::vector<uint8_t> r(56, 0);
  WriteShortString(r, 0, 8, source);
  WriteInt32(r, 12, sourceText);
  WriteInt32(r, 16, 7);
  WriteShortString(r, 28, 8, target);
  WriteInt32(r, 40, targetText);
  WriteInt32(r, 44, l1);
  WriteInt32(r, 48, l2);
  WriteInt32(r, 52, l3);
  return r;
}

TEST(LinkFileTest, FindsTheFirstMatchAndResolvesThroughTheTargetsChapters) {
  test::TempDir dir;
  AppEnvironment env;
  env.default_program_directory = dir.Sub("program");
  std::filesystem::create_directories(env.default_program_directory);
  MemoryRegistryStore store;
  test::FakeDrives drives;
  test::ScriptedPrompts prompts;
  RecordingPlugInHost plugins;
  TCalderwickData catalog({store, drives, prompts, plugins, env});

  // The target collection: text 1 with a chapter file.
  test::CollectionSpec layout;
  layout.cdid = "TARG0001";
  layout.texts.resize(1);
  layout.texts[0].chapter_file = "t1.kap";
  const std::string root = test::WriteCollection(dir.Sub("targ"), layout);
  test::WriteFile(JoinPath(root, "data/t1.kap"),
                  test::Concat({test::ChapterRecord("I", "", "", 1, 0, 0, 100),
                                test::ChapterRecord("I.2", "", "", 1, 2, 0, 480),
                                test::ChapterRecord("I.2.3", "", "", 1, 2, 3, 900),
                                test::ChapterRecord("again", "", "", 1, 2, 3, 990)}));
  ASSERT_TRUE(catalog.AnnounceDirectory(root));

  const std::string file = dir.Sub("links.dat");
  test::WriteFile(file, test::Concat({LinkRecord("src00001", 4, "targ0001", 1, 1, 2, 0),
                                      LinkRecord("SRC00001", 4, "TARG0001", 1, 9, 9, 9),
                                      LinkRecord("SRC00001", 5, "TARG0001", 1, 1, 2, 3),
                                      LinkRecord("SRC00001", 7, "TARG0001", 99, 1, 0, 0),
                                      LinkRecord("SRC00001", 8, "GONE0001", 1, 1, 0, 0),
                                      std::vector<uint8_t>(30, 0xFF)}));  // partial record
  TLinkFile links(catalog);
  links.Load(file);
  ASSERT_EQ(links.Count(), 5u);

  const LinkFileRecord first = links.Find(" src00001", 4);
  EXPECT_EQ(first.SourceCDID, "SRC00001");
  EXPECT_EQ(first.TargetCDID, "TARG0001");
  EXPECT_EQ(first.SourceNumbers[0], 7);
  EXPECT_EQ(first.TargetNumbers[1], 2);
  EXPECT_EQ(links.Resolve(first), 480);
  EXPECT_EQ(links.Resolve(links.Find("SRC00001", 5)), 900);  // first chapter with the levels
  EXPECT_EQ(links.Resolve(links.Find("SRC00001", 7)), 0);    // text not in the catalog
  EXPECT_EQ(links.Resolve(links.Find("SRC00001", 8)), 0);    // collection not installed

  const LinkFileRecord none = links.Find("other", 4);
  EXPECT_EQ(none.SourceCDID + std::to_string(none.SourceTextNr), "other4");
  EXPECT_EQ(none.SourceNumbers, (std::array<int32_t, 3>{0, 0, 0}));
  EXPECT_EQ(none.TargetTextNr, -1);
  EXPECT_EQ(none.TargetNumbers, (std::array<int32_t, 3>{-1, -1, -1}));

  // A file that cannot be read leaves an empty table.
  EXPECT_THROW(links.Load(dir.Sub("missing.dat")), EInOutError);
  EXPECT_EQ(links.Count(), 0u);
}

// 128-byte cross-reference record.
std::vector<uint8_t> CrossRecord(const std::string& key, int32_t number, uint8_t flag = 0) {
  std::vector<uint8_t> r(128, 0);
  WriteShortString(r, 0, 30, key);
  WriteShortString(r, 31, 30, "second " + key);
  WriteInt32(r, 64, number);
  WriteInt32(r, 68, number + 1);
  WriteInt32(r, 72, number + 2);
  r[76] = flag;
  return r;
}

TEST(CReferenceLookUpTest, PrefixOfTheWantedKeyIsFoundASharedBeginningIsNot) {
  test::TempDir dir;
  const char* keys[] = {"abend", "Genesis*1", "haus", "mater", "matth*x", "zion", "*tail"};
  int32_t n = 1;
  std::vector<uint8_t> bytes;
  for (const char* k : keys) {
    const auto r = CrossRecord(k, 10 * n++, 3);
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  bytes.resize(bytes.size() + 40, 'x');  // partial record at the end
  test::WriteFile(dir.Sub("xref.dat"), bytes);

  TCReferenceLookUp lookUp;
  EXPECT_EQ(InternalCode([&] { lookUp.LookUp("haus"); }), "RLU-F 001");
  EXPECT_EQ(InternalCode([&] { lookUp.SetFile(dir.Sub("none.dat")); }), "RFU-SFN 001");
  lookUp.SetFile(dir.Sub("XREF.DAT"));

  const CrossReferenceRecord genesis = lookUp.LookUp("  GENESIS 3 ");
  EXPECT_EQ(genesis.KeyText, "Genesis*1");
  EXPECT_EQ(genesis.SecondText, "second Genesis*1");
  EXPECT_EQ(genesis.Numbers, (std::array<int32_t, 3>{20, 21, 22}));
  EXPECT_EQ(genesis.Flag, 3);
  EXPECT_EQ(lookUp.LookUp("Matthäus").KeyText, "matth*x");  // wanted key "matthaeus"
  EXPECT_EQ(lookUp.LookUp("zion").Numbers[0], 60);

  // "mat" and "matt" share a beginning with "mater" / "matth" but neither key is their prefix.
  for (const char* miss : {"mat", "matt", "hau", "zz"}) {
    const CrossReferenceRecord r = lookUp.LookUp(miss);
    EXPECT_EQ(r.KeyText + std::to_string(r.Numbers[2]) + std::to_string(r.Flag), "-10") << miss;
  }

  test::WriteFile(dir.Sub("empty.dat"), "");
  lookUp.SetFile(dir.Sub("empty.dat"));
  EXPECT_EQ(lookUp.LookUp("haus").SecondText, "");
}

TEST(CReferenceLookUpTest, MiddleRoundsHalvesToEven) {
  EXPECT_EQ(TCReferenceLookUp::Middle(-1, 2), 0);  // 0.5
  EXPECT_EQ(TCReferenceLookUp::Middle(-1, 4), 2);  // 1.5
  EXPECT_EQ(TCReferenceLookUp::Middle(0, 5), 2);   // 2.5
}

}  // namespace
}  // namespace quillmar
