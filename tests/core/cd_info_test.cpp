#include "collection/cd_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

using test::Concat;
using test::MetaHeader;
using test::MetaProperty;
using test::MetaUInt16;

class CDInfoTest : public ::testing::Test {
 protected:
  std::string Meta() const { return dir.Sub("cd/id/metainfo.dat"); }
  void WriteMeta(const std::vector<uint8_t>& bytes) const { test::WriteFile(Meta(), bytes); }
  std::string Root() const { return dir.Sub("cd"); }

  test::TempDir dir;
};

std::string GetRecordCode(const TCDInfo& info, int32_t i) try {
  info.GetRecord(i);
  return "";
} catch (const InternalError& e) {
  return e.Code();
}

// The single-valued properties, each followed by "|", then the schemas, each followed by ";".
std::string Properties(const TCDInfo& info) {
  std::string all;
  for (auto get : {&TCDInfo::GetTextInfoFileName, &TCDInfo::GetFSLibraryID, &TCDInfo::GetLiFileName,
                   &TCDInfo::GetWbFileName, &TCDInfo::GetKiFileName, &TCDInfo::GetSetupFileName,
                   &TCDInfo::GetAboutFileName, &TCDInfo::GetLinkTableFileName})
    all += (info.*get)() + "|";
  for (const std::string& schema : info.GetSchemas()) all += schema + ";";
  return all;
}

TEST_F(CDInfoTest, ReadsHeaderPropertiesAndListsToTheFieldsLastByte) {
  // Title (128 bytes), copyright (139) and a property value (131) fill their fields.
  const std::string title = "Sammlung \xe4lterer Texte" + std::string(105, '.');
  const std::string copyright(139, 'C'), about(131, 'v');
  WriteMeta(Concat({
      Concat({MetaHeader(title, "ABCD0001", 1, 5), MetaProperty('j', "first.dat"),
              MetaProperty('o', "FUZZY1"), test::MetaCopyright("(c) first"),
              MetaProperty('e', "li.dat"), MetaProperty('n', "n1.ini"), MetaProperty('f', "wb.dat"),
              MetaProperty('h', "ki.dat"), MetaProperty('m', "m1.ini"),
              MetaProperty('i', "setup\\setup.exe"), MetaProperty('l', about),
              MetaProperty('n', "n2.ini"), MetaProperty('p', "links.dat")}),
      Concat({test::MetaPlugIn("phon.dll", "Phonetik"), test::MetaMedia4(7, "Karte", "K7"),
              test::MetaMedia5("Film", "F1"), test::MetaLink("Register", "reg.dat", "x"),
              MetaUInt16(6, 30001), MetaUInt16(7, 1000)}),
      // Repeated: the last 'j' and copyright count, but the first 'o', type 6 and type 7.
      Concat({MetaUInt16(6, 5), MetaUInt16(7, 6), MetaProperty('j', "textinfo.dat"),
              MetaProperty('o', "FUZZY2"), test::MetaCopyright(copyright),
              test::MetaPlugIn("info.dll", "Kurzinfo")}),
      // A record of type -1 ends every scan.
      Concat({test::MetaRecord(-1), MetaProperty('e', "late.dat"), MetaProperty('m', "late.ini"),
              test::MetaPlugIn("late.dll", "Late"), test::MetaCopyright("late")}),
  }));
  const TCDInfo info(Root() + "/");
  EXPECT_EQ(info.Path(), Root());
  EXPECT_EQ(info.DataPath(), JoinPath(Root(), "data"));
  EXPECT_EQ(std::make_tuple(info.Count(), info.MajorVersion(), info.MinorVersion(), info.IsKRVT(),
                            info.CDID(), info.GetNoDateMarker(), info.GetYearOffset()),
            std::make_tuple(30, 1, 5, false, "ABCD0001", 30001, 1000));
  EXPECT_EQ(info.Name(), title);
  EXPECT_EQ(info.Copyright(), copyright);
  EXPECT_EQ(Properties(info), "textinfo.dat|FUZZY1|li.dat|wb.dat|ki.dat|setup\\setup.exe|" + about +
                                  "|links.dat|m1.ini;n1.ini;n2.ini;");
  std::string lists;
  for (const TCDPlugIn& p : info.PlugIns()) lists += p.Name + "=" + p.Library + ";";
  for (const TCDMedia4& m : info.Media4())
    lists += std::to_string(m.Number) + m.Text + m.Code + ";";
  for (const TCDMedia5& m : info.Media5()) lists += m.Text + "=" + m.Code + ";";
  for (const TCDLink& l : info.Links()) lists += l.Title + "=" + l.FileName + "=" + l.Third + ";";
  EXPECT_EQ(lists, "Phonetik=phon.dll;Kurzinfo=info.dll;7KarteK7;Film=F1;Register=reg.dat=x;");
}

TEST_F(CDInfoTest, OlderCollection) {
  // Recognised by its installer alone: a metadata file that would say otherwise is never read.
  WriteMeta(Concat({MetaHeader("Other", "ABCD0001", 3, 0), MetaProperty('j', "x.dat"),
                    MetaProperty('m', "s.ini"), test::MetaCopyright("other")}));
  test::WriteFile(dir.Sub("cd/BIN/MAUNINST.EXE"), "MZ");
  {
    const TCDInfo info(Root());
    EXPECT_EQ(std::make_tuple(info.IsKRVT(), info.CDID(), info.Name(), info.Copyright(),
                              info.MajorVersion(), info.MinorVersion(), info.Count()),
              std::make_tuple(true, kKRVT0001, kKRVTTitle, kKRVTCopyright, 1, 0, 0));
    EXPECT_EQ(Properties(info), "textinfo.dat||||||||");
    EXPECT_EQ(GetRecordCode(info, 1), "AD-TCI-GIR-1");
  }
  // A header naming it (in any case) without the installer: no properties but the text catalog.
  std::filesystem::remove_all(dir.Sub("cd/BIN"));
  WriteMeta(Concat({MetaHeader("K", "krvt0001", 0, 0), MetaProperty('j', "x.dat"),
                    MetaProperty('e', "li.dat"), MetaProperty('o', "F"), MetaProperty('m', "s.ini"),
                    MetaUInt16(6, 9), MetaUInt16(7, 9)}));
  const TCDInfo info(Root());
  EXPECT_FALSE(info.IsKRVT());
  EXPECT_EQ(Properties(info), "textinfo.dat||||||||");
  EXPECT_EQ(std::make_tuple(info.GetNoDateMarker(), info.GetYearOffset()), std::make_tuple(0, 0));
}

TEST_F(CDInfoTest, VersionOK) {
  const std::tuple<int32_t, int32_t, int32_t, int32_t, bool> cases[] = {
      {2, 0, 1, 7, false}, {1, 5, 1, 7, true}, {1, 7, 1, 7, true},  {1, 8, 1, 7, false},
      {0, 0, 0, 0, true},  {1, 9, 2, 0, true}, {0, 3, 0, 2, false}, {0, 3, 1, 0, true}};
  for (const auto& [major, minor, reader_major, reader_minor, ok] : cases) {
    WriteMeta(MetaHeader("T", "ABCD0001", major, minor));
    EXPECT_EQ(TCDInfo(Root()).VersionOK(reader_major, reader_minor), ok)
        << major << "." << minor << " by " << reader_major << "." << reader_minor;
  }
}

TEST_F(CDInfoTest, GetRecordReadsTheFileNow) {
  WriteMeta(
      Concat({MetaHeader("T", "ABCD0001", 0, 0), MetaProperty('n', "n.ini"), MetaUInt16(7, 1000)}));
  const TCDInfo info(Root());
  ASSERT_EQ(info.Count(), 3);
  EXPECT_TRUE(info.GetSchemas().empty());  // an 'n' needs an 'm' in front
  for (int32_t bad : {0, -1, 4}) EXPECT_EQ(GetRecordCode(info, bad), "AD-TCI-GIR-1") << bad;
  EXPECT_EQ(info.GetRecord(2)[136], 'n');
  // The file shrinks: the lost record reads as type -1; the file goes: every record does.
  test::TruncateFile(Meta(), 2 * 160 + 10);
  EXPECT_EQ(ReadInt32(info.GetRecord(3), 0), -1);
  EXPECT_EQ(ReadInt32(info.GetRecord(2), 0), 1);
  std::filesystem::remove(Meta());
  EXPECT_EQ(ReadInt32(info.GetRecord(1), 0), -1);
  EXPECT_EQ(info.GetYearOffset(), 1000);  // the getters answer from what was read at first
}

TEST_F(CDInfoTest, MissingShortOrDamagedMetadata) {
  auto expect_none = [this] {
    const TCDInfo info(Root());
    EXPECT_EQ(std::make_tuple(info.Count(), info.Name(), info.CDID()), std::make_tuple(0, "", ""));
    EXPECT_TRUE(info.VersionOK(0, 0));
    EXPECT_EQ(Properties(info), "||||||||");
  };
  expect_none();  // no file at all
  WriteMeta(std::vector<uint8_t>(159, 0xFF));
  expect_none();  // less than one record
  std::filesystem::remove(Meta());
  std::filesystem::create_directories(Meta());  // a directory where the file should be
  expect_none();
  std::filesystem::remove(Meta());

  WriteMeta(Concat({MetaHeader("Title", "ABCD0001", 1, 0), MetaProperty('j', "ti.dat"),
                    MetaProperty('m', "s.ini"), test::MetaCopyright("(c)")}));
  test::TruncateFile(Meta(), 3 * 160 + 100);  // a partial last record is ignored
  test::FlipByte(Meta(), 20, 0xFF ^ 5);       // title length 255
  test::FlipByte(Meta(), 149, 0xFF ^ 8);      // identifier length 255
  test::FlipByte(Meta(), 164, 0xFF ^ 6);      // property length 255
  const TCDInfo info(Root());
  EXPECT_EQ(std::make_tuple(info.Count(), info.Copyright(), info.Name().substr(0, 5)),
            std::make_tuple(3, "", "Title"));
  EXPECT_EQ(info.GetSchemas(), std::vector<std::string>{"s.ini"});
  EXPECT_EQ(
      std::make_tuple(info.Name().size(), info.CDID().size(), info.GetTextInfoFileName().size()),
      std::make_tuple(128u, 8u, 131u));
}

TEST_F(CDInfoTest, RandomBytesNeverCrash) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<uint8_t> bytes(160 * (round + 1) + round);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    // Plausible types for most records, so that every branch of the scan is taken.
    for (size_t r = 1; r <= static_cast<size_t>(round); ++r)
      WriteInt32(bytes, r * 160, static_cast<int32_t>(r % 10));
    WriteMeta(bytes);
    const TCDInfo info(Root());
    EXPECT_EQ(info.Count(), round + 1);
    (void)Properties(info);
    for (int32_t i = 1; i <= info.Count(); ++i) (void)info.GetRecord(i);
  }
}

}  // namespace
}  // namespace quillmar
