#include "collection/cd_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

using test::Concat;

class CDInfoTest : public ::testing::Test {
 protected:
  std::string Meta() const { return dir.Sub("cd/id/metainfo.dat"); }
  void WriteMeta(const std::vector<uint8_t>& bytes) const { test::WriteFile(Meta(), bytes); }
  std::string Root() const { return dir.Sub("cd"); }

  test::TempDir dir;
};

std::string GetRecordCode(const TCDInfo& info, int32_t i) {
  try {
    info.GetRecord(i);
  } catch (const InternalError& e) {
    return e.Code();
  }
  return "";
}

TEST_F(CDInfoTest, ReadsHeaderPropertiesAndLists) {
  WriteMeta(Concat({
      test::MetaHeader("Sammlung \xe4lterer Texte", "ABCD0001", 1, 5),
      test::MetaProperty('j', "first.dat"),
      test::MetaProperty('o', "FUZZY1"),
      test::MetaCopyright("(c) first"),
      test::MetaProperty('e', "li.dat"),
      test::MetaProperty('f', "wb.dat"),
      test::MetaProperty('h', "ki.dat"),
      test::MetaProperty('i', "setup\\setup.exe"),
      test::MetaProperty('l', "about.txt"),
      test::MetaProperty('p', "links.dat"),
      test::MetaPlugIn("phon.dll", "Phonetik"),
      test::MetaMedia4(7, "Karte", "K7"),
      test::MetaMedia5("Film", "F1"),
      test::MetaLink("Register", "reg.dat", "x"),
      test::MetaUInt16(6, 30001),
      test::MetaUInt16(7, 1000),
      test::MetaUInt16(6, 5),  // only the first type-6 and type-7 records count
      test::MetaUInt16(7, 6),
      test::MetaProperty('j', "textinfo.dat"),  // last wins
      test::MetaProperty('o', "FUZZY2"),        // first wins
      test::MetaCopyright("(c) second"),
      test::MetaPlugIn("info.dll", "Kurzinfo"),
  }));
  const TCDInfo info(Root() + "/");
  EXPECT_EQ(info.Path(), Root());
  EXPECT_EQ(info.DataPath(), JoinPath(Root(), "data"));
  EXPECT_EQ(info.Count(), 22);
  EXPECT_EQ(info.MajorVersion(), 1);
  EXPECT_EQ(info.MinorVersion(), 5);
  EXPECT_EQ(info.Name(), "Sammlung \xe4lterer Texte");
  EXPECT_EQ(info.CDID(), "ABCD0001");
  EXPECT_EQ(info.Copyright(), "(c) second");
  EXPECT_FALSE(info.IsKRVT());

  EXPECT_EQ(info.GetTextInfoFileName(), "textinfo.dat");
  EXPECT_EQ(info.GetFSLibraryID(), "FUZZY1");
  EXPECT_EQ(info.GetLiFileName(), "li.dat");
  EXPECT_EQ(info.GetWbFileName(), "wb.dat");
  EXPECT_EQ(info.GetKiFileName(), "ki.dat");
  EXPECT_EQ(info.GetSetupFileName(), "setup\\setup.exe");
  EXPECT_EQ(info.GetAboutFileName(), "about.txt");
  EXPECT_EQ(info.GetLinkTableFileName(), "links.dat");
  EXPECT_EQ(info.GetNoDateMarker(), 30001);
  EXPECT_EQ(info.GetYearOffset(), 1000);

  ASSERT_EQ(info.PlugIns().size(), 2u);
  EXPECT_EQ(info.PlugIns()[0].Name, "Phonetik");
  EXPECT_EQ(info.PlugIns()[0].Library, "phon.dll");
  EXPECT_EQ(info.PlugIns()[1].Library, "info.dll");
  ASSERT_EQ(info.Media4().size(), 1u);
  EXPECT_EQ(info.Media4()[0].Number, 7);
  EXPECT_EQ(info.Media4()[0].Text, "Karte");
  EXPECT_EQ(info.Media4()[0].Code, "K7");
  ASSERT_EQ(info.Media5().size(), 1u);
  EXPECT_EQ(info.Media5()[0].Text, "Film");
  EXPECT_EQ(info.Media5()[0].Code, "F1");
  ASSERT_EQ(info.Links().size(), 1u);
  EXPECT_EQ(info.Links()[0].Title, "Register");
  EXPECT_EQ(info.Links()[0].FileName, "reg.dat");
  EXPECT_EQ(info.Links()[0].Third, "x");
}

TEST_F(CDInfoTest, FullLengthFieldsAreReadToTheirLastByte) {
  const std::string title(128, 'T'), copyright(139, 'C'), value(131, 'v');
  WriteMeta(Concat({test::MetaHeader(title, "WXYZ9999", 0, 0), test::MetaCopyright(copyright),
                    test::MetaProperty('l', value)}));
  const TCDInfo info(Root());
  EXPECT_EQ(info.Name(), title);
  EXPECT_EQ(info.CDID(), "WXYZ9999");
  EXPECT_EQ(info.Copyright(), copyright);
  EXPECT_EQ(info.GetAboutFileName(), value);
}

TEST_F(CDInfoTest, FurtherSchemasNeedAFirstOne) {
  WriteMeta(Concat({test::MetaHeader("T", "ABCD0001", 0, 0), test::MetaProperty('n', "n1.ini"),
                    test::MetaProperty('n', "n2.ini")}));
  EXPECT_TRUE(TCDInfo(Root()).GetSchemas().empty());

  WriteMeta(Concat({test::MetaHeader("T", "ABCD0001", 0, 0), test::MetaProperty('n', "n1.ini"),
                    test::MetaProperty('m', "m1.ini"), test::MetaProperty('n', "n2.ini"),
                    test::MetaProperty('m', "m2.ini")}));
  EXPECT_EQ(TCDInfo(Root()).GetSchemas(),
            (std::vector<std::string>{"m1.ini", "m2.ini", "n1.ini", "n2.ini"}));
}

TEST_F(CDInfoTest, ARecordOfTypeMinusOneEndsEveryScan) {
  WriteMeta(Concat({test::MetaHeader("T", "ABCD0001", 0, 0), test::MetaProperty('e', "li.dat"),
                    test::MetaRecord(-1), test::MetaProperty('e', "late.dat"),
                    test::MetaProperty('m', "s.ini"), test::MetaPlugIn("p.dll", "P"),
                    test::MetaCopyright("late")}));
  const TCDInfo info(Root());
  EXPECT_EQ(info.Count(), 7);
  EXPECT_EQ(info.GetLiFileName(), "li.dat");
  EXPECT_TRUE(info.GetSchemas().empty());
  EXPECT_TRUE(info.PlugIns().empty());
  EXPECT_EQ(info.Copyright(), "");
}

TEST_F(CDInfoTest, OlderCollectionIsRecognisedByItsInstallerAlone) {
  // A metadata file that would say otherwise is never read.
  WriteMeta(Concat({test::MetaHeader("Other", "ABCD0001", 3, 0), test::MetaProperty('j', "x.dat"),
                    test::MetaProperty('m', "s.ini"), test::MetaCopyright("other")}));
  test::WriteFile(dir.Sub("cd/BIN/MAUNINST.EXE"), "MZ");
  const TCDInfo info(Root());
  EXPECT_TRUE(info.IsKRVT());
  EXPECT_EQ(info.CDID(), kKRVT0001);
  EXPECT_EQ(info.Name(), kKRVTTitle);
  EXPECT_EQ(info.Copyright(), kKRVTCopyright);
  EXPECT_EQ(info.MajorVersion(), 1);
  EXPECT_EQ(info.MinorVersion(), 0);
  EXPECT_EQ(info.Count(), 0);
  EXPECT_EQ(info.GetTextInfoFileName(), "textinfo.dat");
  EXPECT_TRUE(info.GetSchemas().empty());
  EXPECT_EQ(GetRecordCode(info, 1), "AD-TCI-GIR-1");
}

TEST_F(CDInfoTest, AHeaderNamingTheOlderCollectionHasNoProperties) {
  WriteMeta(Concat({test::MetaHeader("K", "krvt0001", 0, 0), test::MetaProperty('j', "x.dat"),
                    test::MetaProperty('e', "li.dat"), test::MetaProperty('o', "F"),
                    test::MetaProperty('m', "s.ini"), test::MetaUInt16(6, 9)}));
  const TCDInfo info(Root());
  EXPECT_FALSE(info.IsKRVT());
  EXPECT_EQ(info.GetTextInfoFileName(), "textinfo.dat");
  EXPECT_EQ(info.GetLiFileName(), "");
  EXPECT_EQ(info.GetFSLibraryID(), "");
  EXPECT_TRUE(info.GetSchemas().empty());
  EXPECT_EQ(info.GetNoDateMarker(), 0);
}

TEST_F(CDInfoTest, VersionCheck) {
  struct Case {
    int32_t major, minor, reader_major, reader_minor;
    bool ok;
  } cases[] = {
      {2, 0, 1, 7, false}, {1, 5, 1, 7, true}, {1, 7, 1, 7, true},  {1, 8, 1, 7, false},
      {0, 0, 0, 0, true},  {1, 9, 2, 0, true}, {0, 3, 0, 2, false}, {0, 3, 1, 0, true},
  };
  for (const Case& c : cases) {
    WriteMeta(test::MetaHeader("T", "ABCD0001", c.major, c.minor));
    EXPECT_EQ(TCDInfo(Root()).VersionOK(c.reader_major, c.reader_minor), c.ok)
        << c.major << "." << c.minor << " by " << c.reader_major << "." << c.reader_minor;
  }
}

TEST_F(CDInfoTest, GetRecordReadsTheFileNow) {
  WriteMeta(Concat({test::MetaHeader("T", "ABCD0001", 0, 0), test::MetaProperty('e', "li.dat"),
                    test::MetaUInt16(7, 1000)}));
  const TCDInfo info(Root());
  ASSERT_EQ(info.Count(), 3);
  for (int32_t bad : {0, -1, 4}) EXPECT_EQ(GetRecordCode(info, bad), "AD-TCI-GIR-1") << bad;

  auto record = info.GetRecord(2);
  EXPECT_EQ(ReadInt32(record, 0), 1);
  EXPECT_EQ(record[136], 'e');

  // The file shrinks: the lost record reads as type -1; the file goes: every record does.
  test::TruncateFile(Meta(), 2 * 160 + 10);
  EXPECT_EQ(ReadInt32(info.GetRecord(3), 0), -1);
  EXPECT_EQ(ReadInt32(info.GetRecord(2), 0), 1);
  std::filesystem::remove(Meta());
  EXPECT_EQ(ReadInt32(info.GetRecord(1), 0), -1);
  EXPECT_EQ(info.GetYearOffset(), 1000);  // the getters answer from what was read at first
}

TEST_F(CDInfoTest, MissingOrShortMetadataMeansNoMetadata) {
  auto expect_empty = [this](int32_t count) {
    const TCDInfo info(Root());
    EXPECT_EQ(info.Count(), count);
    EXPECT_EQ(info.Name(), "");
    EXPECT_EQ(info.CDID(), "");
    EXPECT_TRUE(info.VersionOK(0, 0));
    EXPECT_EQ(info.GetTextInfoFileName(), "");
    EXPECT_TRUE(info.GetSchemas().empty());
  };
  expect_empty(0);  // no file at all
  WriteMeta(std::vector<uint8_t>(159, 0xFF));
  expect_empty(0);  // less than one record
  std::filesystem::remove(Meta());
  std::filesystem::create_directories(Meta());  // a directory where the file should be
  expect_empty(0);
}

TEST_F(CDInfoTest, DamagedMetadataIsReadWithinItsFields) {
  WriteMeta(Concat({test::MetaHeader("Title", "ABCD0001", 1, 0), test::MetaProperty('j', "ti.dat"),
                    test::MetaProperty('m', "s.ini"), test::MetaCopyright("(c)")}));
  // A partial last record is ignored.
  test::TruncateFile(Meta(), 3 * 160 + 100);
  {
    const TCDInfo info(Root());
    EXPECT_EQ(info.Count(), 3);
    EXPECT_EQ(info.Copyright(), "");
    EXPECT_EQ(info.GetSchemas(), std::vector<std::string>{"s.ini"});
  }
  // Length bytes beyond their fields are clamped to the field.
  test::FlipByte(Meta(), 20, 0xFF ^ 5);   // title length 255
  test::FlipByte(Meta(), 149, 0xFF ^ 8);  // identifier length 255
  test::FlipByte(Meta(), 164, 0xFF ^ 6);  // property length 255
  const TCDInfo info(Root());
  EXPECT_EQ(info.Name().size(), 128u);
  EXPECT_EQ(info.Name().substr(0, 5), "Title");
  EXPECT_EQ(info.CDID().size(), 8u);
  EXPECT_EQ(info.GetTextInfoFileName().size(), 131u);
}

TEST_F(CDInfoTest, RandomBytesNeverCrash) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<uint8_t> bytes(160 * (round + 1) + round);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    // Make some records plausible types so that every branch of the scan is taken.
    for (size_t r = 1; r <= static_cast<size_t>(round); ++r) {
      bytes[r * 160] = static_cast<uint8_t>(r % 10);
      bytes[r * 160 + 1] = bytes[r * 160 + 2] = bytes[r * 160 + 3] = 0;
    }
    WriteMeta(bytes);
    const TCDInfo info(Root());
    EXPECT_EQ(info.Count(), round + 1);
    (void)info.GetSchemas();
    (void)info.GetFSLibraryID();
    (void)info.GetNoDateMarker();
    for (int32_t i = 1; i <= info.Count(); ++i) (void)info.GetRecord(i);
  }
}

}  // namespace
}  // namespace quillmar
