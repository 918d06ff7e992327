#include "collection/bookmark.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "support/internal_code.h"
#include "support/temp_dir.h"
#include "system/file_writer.h"

namespace quillmar {
namespace {

using test::InternalCode;

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

TBookmarkRecord Record(const std::string& title, int32_t textNo = 1) {
  TBookmarkRecord r;
  r.Title = title;
  r.CDID = "KJVB0001";
  r.CDName = "King James Bible";
  r.TextNo = textNo;
  r.Layer = 2;
  r.FirstParagraph = 1000;
  r.LastParagraph = 2000;
  return r;
}

// A 192-byte record with the fields at their offsets, written independently of the store.
std::string RawRecord(int32_t id, const std::string& title) {
  std::string r(TBookmark::kRecordSize, '\0');
  const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(r.data()), r.size());
  WriteInt32(bytes, 0, id);
  r[4] = static_cast<char>(title.size());
  r.replace(5, title.size(), title);
  r[85] = 4;
  r.replace(86, 4, "ABCD");
  WriteInt32(bytes, 176, 7);
  WriteInt32(bytes, 180, 3);
  WriteInt32(bytes, 184, 11);
  WriteInt32(bytes, 188, 22);
  return r;
}

class BookmarkTest : public ::testing::Test {
 protected:
  std::string Dat() const { return dir.Sub("Bookmark/bookmark.dat"); }

  test::TempDir dir;
};

TEST_F(BookmarkTest, StoreRoundTripAndIdentifiers) {
  {
    TBookmark store(dir.path());
    EXPECT_TRUE(fs::is_directory(dir.Sub("Bookmark")));
    EXPECT_EQ(store.Add(Record("first")), 1);
    EXPECT_EQ(store.Add(Record("second", 2)), 2);
    EXPECT_EQ(store.Add(Record(std::string(90, 't'), 3)), 3);
    store.Delete(3);
    EXPECT_EQ(store.Add(Record("third \xe4", 3)), 3);  // the largest + 1 again
    EXPECT_EQ(store.GetItem(2).Title, "third \xe4");

    EXPECT_EQ(InternalCode([&] { store.Delete(9); }), "BM-DI-1");
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(InternalCode([&] { store.GetItem(3); }), "BM-GI-1");
    EXPECT_EQ(InternalCode([&] { store.GetItem(-1); }), "BM-GI-1");
    EXPECT_EQ(InternalCode([&] { store.SetItem(3, Record("x")); }), "BM-SI-1");

    TBookmarkRecord renamed = Record(std::string(100, 'r'), 2);
    renamed.Id = 77;
    store.SetItem(1, renamed);  // keeps identifier 2, cuts the title
    EXPECT_EQ(store.GetItem(1).Id, 2);
    EXPECT_EQ(store.GetItem(1).Title, std::string(80, 'r'));
    EXPECT_EQ(store.IndexOf(2), 1);
    EXPECT_EQ(store.IndexOf(77), -1);
    store.Save();
  }
  // The layout on disk.
  const std::string bytes = test::ReadFile(Dat());
  ASSERT_EQ(bytes.size(), 3 * TBookmark::kRecordSize);
  const std::span<const uint8_t> first(reinterpret_cast<const uint8_t*>(bytes.data()), 192);
  EXPECT_EQ(ReadInt32(first, 0), 1);
  EXPECT_EQ(ReadShortString(first, 4, 80), "first");
  EXPECT_EQ(ReadShortString(first, 85, 8), "KJVB0001");
  EXPECT_EQ(ReadShortString(first, 94, 80), "King James Bible");
  EXPECT_EQ(std::make_tuple(ReadInt32(first, 176), ReadInt32(first, 180), ReadInt32(first, 184),
                            ReadInt32(first, 188)),
            std::make_tuple(1, 2, 1000, 2000));

  TBookmark again(dir.path());
  ASSERT_EQ(again.Count(), 3);
  const TBookmarkRecord third = again.GetItem(2);
  EXPECT_EQ(third.Id, 3);
  EXPECT_EQ(third.Title, "third \xe4");
  EXPECT_EQ(third.TextNo, 3);
  EXPECT_EQ(third.Layer, 2);
  EXPECT_FALSE(again.Modified());
}

TEST_F(BookmarkTest, UnchangedRunLeavesTheFileAndEmptyStoreRemovesIt) {
  const std::string original = RawRecord(4, "kept") + RawRecord(6, "also") + "partial";
  test::WriteFile(Dat(), original);
  {
    TBookmark store(dir.path());
    ASSERT_EQ(store.Count(), 2);  // the partial record is ignored
    const TBookmarkRecord r = store.GetItem(0);
    EXPECT_EQ(std::make_tuple(r.Id, r.Title, r.CDID, r.TextNo, r.Layer, r.FirstParagraph,
                              r.LastParagraph),
              std::make_tuple(4, "kept", "ABCD", 7, 3, 11, 22));
  }
  EXPECT_EQ(test::ReadFile(Dat()), original);
  {
    TBookmark store(dir.path());
    store.Delete(4);
    store.Delete(6);
  }
  EXPECT_FALSE(fs::exists(Dat()));
}

TEST_F(BookmarkTest, DamagedRecordsAreReadWithinTheirFields) {
  std::string damaged = RawRecord(0, "zero") + RawRecord(5, "five") + RawRecord(5, "again");
  damaged[4 + 2 * 192] = static_cast<char>(255);  // title length beyond its field
  test::WriteFile(Dat(), damaged);
  TBookmark store(dir.path());
  ASSERT_EQ(store.Count(), 3);
  EXPECT_TRUE(store.Modified());
  // Unique identifiers of 1 or more, the good one kept.
  EXPECT_EQ(store.GetItem(1).Id, 5);
  EXPECT_EQ(store.GetItem(0).Id, 6);
  EXPECT_EQ(store.GetItem(2).Id, 7);
  EXPECT_EQ(store.GetItem(2).Title.size(), 80u);
  EXPECT_EQ(store.Add(Record("new")), 8);
}

TEST_F(BookmarkTest, NotesLiveInNumberedFilesBesideTheStore) {
  TBookmark store(dir.path());
  for (int i = 0; i < 12; ++i) store.Add(Record("b"));
  EXPECT_EQ(store.NoteFileName(12), JoinPath(dir.Sub("Bookmark"), "b0012.txt"));
  EXPECT_EQ(store.NoteFileName(12345), JoinPath(dir.Sub("Bookmark"), "b12345.txt"));

  EXPECT_TRUE(store.LoadNote(12).empty());
  // Latin notes stay Windows-1252 files; the store hands out UTF-8.
  store.SaveNote(12, {"first line", "", "dritte Zeile \u00fc \u20ac"});
  EXPECT_EQ(test::ReadFile(store.NoteFileName(12)), "first line\r\n\r\ndritte Zeile \xfc \x80\r\n");
  EXPECT_EQ(store.LoadNote(12), (Lines{"first line", "", "dritte Zeile \u00fc \u20ac"}));
  test::WriteFile(store.NoteFileName(11), "unix\nlines");
  EXPECT_EQ(store.LoadNote(11), (Lines{"unix", "lines"}));

  // Deleting a bookmark removes its note; a new bookmark under the same identifier has none.
  store.Delete(12);
  EXPECT_FALSE(fs::exists(store.NoteFileName(12)));
  test::WriteFile(store.NoteFileName(12), "left over");
  EXPECT_EQ(store.Add(Record("new")), 12);
  EXPECT_TRUE(store.LoadNote(12).empty());
}

TEST_F(BookmarkTest, NotesOutsideWindows1252AreWrittenAsUtf8WithTheMark) {
  TBookmark store(dir.path());
  const int32_t id = store.Add(Record("b"));
  const Lines greek{"\u03bc\u1fc6\u03bd\u03b9\u03bd \u00e4\u03b5\u03b9\u03b4\u03b5",
                    "emoji \U0001F600 \u20ac"};
  store.SaveNote(id, greek);
  EXPECT_EQ(test::ReadFile(store.NoteFileName(id)),
            "\xEF\xBB\xBF" + greek[0] + "\r\n" + greek[1] + "\r\n");
  EXPECT_EQ(TBookmark(dir.path()).LoadNote(id), greek);

  // Latin text that begins like the mark would read back as UTF-8 from Windows-1252 bytes.
  const Lines mark{"\u00ef\u00bb\u00bf"};
  store.SaveNote(id, mark);
  EXPECT_EQ(store.LoadNote(id), mark);

  // Files written elsewhere: with the mark UTF-8, without it Windows-1252 whatever they hold.
  test::WriteFile(store.NoteFileName(id), "\xEF\xBB\xBF\xCE\xB1\nb");
  EXPECT_EQ(store.LoadNote(id), (Lines{"\u03b1", "b"}));
  test::WriteFile(store.NoteFileName(id), "\xCE\xB1");
  EXPECT_EQ(store.LoadNote(id), Lines{"\u00ce\u00b1"});
}

// Writes through the standard writer until told to fail, as a full disk would.
class SwitchableWriter : public FileWriter {
 public:
  bool ReplaceFile(const std::string& path, std::string_view bytes) override {
    return !fail && StandardFileWriter().ReplaceFile(path, bytes);
  }
  bool fail = false;
};

TEST_F(BookmarkTest, FailedWritesLeaveThePreviousFiles) {
  SwitchableWriter writer;
  {
    TBookmark store(dir.path(), &writer);
    store.Add(Record("old"));
    store.Save();
    store.SaveNote(1, {"old note"});
  }
  const std::string before = test::ReadFile(Dat());
  TBookmark store(dir.path(), &writer);
  store.Add(Record("new"));
  writer.fail = true;
  EXPECT_EQ(test::MessageOf([&] { store.Save(); }), "Error writing the file '" + Dat() + "'.");
  EXPECT_THROW(store.SaveNote(1, {"new note"}), EInOutError);
  EXPECT_EQ(test::ReadFile(Dat()), before);
  EXPECT_EQ(store.LoadNote(1), Lines{"old note"});
  EXPECT_TRUE(store.Modified());

  writer.fail = false;
  store.Save();
  EXPECT_EQ(TBookmark(dir.path()).Count(), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Sub("Bookmark")), fs::directory_iterator()),
            2);  // bookmark.dat and the note: no temporary file left
}

TEST_F(BookmarkTest, UnreadableStoreIsReportedAndNeverOverwritten) {
  fs::create_directories(Dat());  // not a file
  TBookmark store(dir.path());
  EXPECT_FALSE(store.LoadError().empty());
  EXPECT_EQ(store.Count(), 0);
  store.Add(Record("new"));
  EXPECT_THROW(store.Save(), EInOutError);
  EXPECT_TRUE(fs::is_directory(Dat()));
}

}  // namespace
}  // namespace quillmar
