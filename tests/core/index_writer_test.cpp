#include "builder/index_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "retrieval/word_key.h"
#include "support/temp_dir.h"

namespace quillmar::builder {
namespace {

using Record = std::vector<uint8_t>;

// The file cut into records of `size` bytes.
std::vector<Record> ReadRecords(const std::string& path, size_t size) {
  const std::string bytes = test::ReadFile(path);
  EXPECT_EQ(bytes.size() % size, 0u) << path;
  std::vector<Record> records;
  for (size_t at = 0; at + size <= bytes.size(); at += size) {
    records.emplace_back(bytes.begin() + at, bytes.begin() + at + size);
  }
  return records;
}

std::string WordOf(const Record& r) { return std::string(r.begin() + 1, r.begin() + 1 + r[0]); }

IndexEntry Entry(uint8_t text, int32_t position, std::string word, uint8_t layer = 1) {
  IndexEntry e;
  e.text = text;
  e.position = position;
  e.layer = layer;
  e.word = std::move(word);
  return e;
}

class IndexWriterTest : public ::testing::Test {
 protected:
  void Write(const std::vector<IndexEntry>& entries) {
    WriteIndex(entries, dir_.path());
    words_ = ReadRecords(dir_.Sub("wortlst.dat"), 40);
    hits_ = ReadRecords(dir_.Sub("fundst.dat"), 44);
  }
  // Word number (bytes 16-17) of each hit, in file order.
  std::vector<int> WordNumbers() const {
    std::vector<int> numbers;
    for (const Record& h : hits_) numbers.push_back(ReadUInt16(h, 16));
    return numbers;
  }

  test::TempDir dir_;
  std::vector<Record> words_;
  std::vector<Record> hits_;
};

TEST_F(IndexWriterTest, WordsAreFoldedSortedAndOwnContiguousHitRanges) {
  Write({Entry(2, 50, "M\xDCLLER"), Entry(1, 90, "mueller"), Entry(1, 30, "M\xFCller"),
         Entry(1, 10, "Zebra"), Entry(2, 5, "\xC4rger"), Entry(1, 70, "aerger"), Entry(1, 60, "  "),
         Entry(3, 0, "Aff"), Entry(1, 20, "\xC4rger", 2), Entry(1, 20, "Ad"),
         Entry(1, 40, std::string(34, 'W'))});

  std::vector<std::string> listed;
  for (const Record& w : words_) listed.push_back(WordOf(w));
  EXPECT_EQ(listed, (std::vector<std::string>{"ad", "aerger", "\xE4rger", "aff", "mueller",
                                              "m\xFCller", std::string(30, 'w'), "zebra"}));
  int32_t next = 0;
  for (size_t i = 0; i < words_.size(); ++i) {
    EXPECT_LE(WortVergleich(listed[i > 0 ? i - 1 : 0], listed[i]), 0);
    EXPECT_EQ(ReadInt32(words_[i], 32), next) << listed[i];
    next = ReadInt32(words_[i], 36) + 1;
    EXPECT_GT(next, ReadInt32(words_[i], 32));
  }
  ASSERT_EQ(next, 10);  // the blank word is not indexed
  ASSERT_EQ(hits_.size(), 10u);
  // "ärger" = hits 2-3 in (text, position) order; "müller" = hits 6-7.
  EXPECT_EQ(hits_[2][0], 1);
  EXPECT_EQ(hits_[2][36], 2);  // layer in paragraph key 2
  EXPECT_EQ(hits_[3][0], 2);
  EXPECT_EQ(ReadInt32(hits_[6], 4), 30);
  EXPECT_EQ(ReadInt32(hits_[7], 4), 50);
}

// Hit layout packed field by field: reserved bytes zero, integers little-endian.
TEST_F(IndexWriterTest, HitRecordHoldsEveryFieldAtItsOffset) {
  IndexEntry e = Entry(7, 0x01020304, "Wort", 3);
  e.textPart = 2, e.page = 0x1112, e.line = 0x1314, e.chapter = 0x15, e.subChapter = 0x16;
  e.paragraphKey = 0x21222324, e.wordNumber = 0x1718, e.language = 0x19;
  e.dateDay = 1, e.dateMonth = 2, e.dateYear = 0x0304, e.dateExtra = 0x0506;
  e.dateDayTo = 7, e.dateMonthTo = 8, e.dateYearTo = 0x090A, e.dateExtraTo = 0x0B0C;
  Write({e});

  Record word(40, 0);
  word[0] = 4;
  for (int i = 0; i < 4; ++i) word[1 + i] = static_cast<uint8_t>("wort"[i]);
  EXPECT_EQ(words_.at(0), word);
  const Record hit = {7,    0,    0,    0,    0x04, 0x03, 0x02, 0x01, 2,    0,    0x12,
                      0x11, 0x14, 0x13, 0x15, 0x00, 0x18, 0x17, 0x19, 0,    1,    2,
                      0x04, 0x03, 0x06, 0x05, 7,    8,    0x0A, 0x09, 0x0C, 0x0B, 0,
                      0x15, 0x16, 0,    3,    0,    0,    0,    0x24, 0x23, 0x22, 0x21};
  EXPECT_EQ(hits_.at(0), hit);
}

TEST_F(IndexWriterTest, WordNumbersRunThroughEachTextAndNeverZero) {
  // Text 1 carries no numbers and arrives out of order (a footnote word numbered after the main
  // text); text 2 carries its own; text 3 has a gap and is numbered afresh.
  std::vector<IndexEntry> entries = {Entry(1, 30, "a"), Entry(1, 10, "a"), Entry(1, 5, "a", 2),
                                     Entry(1, 20, "a"), Entry(2, 10, "a"), Entry(2, 20, "a"),
                                     Entry(3, 10, "a"), Entry(3, 20, "a")};
  entries[4].wordNumber = 7;
  entries[5].wordNumber = 9;
  entries[6].wordNumber = 4;
  Write(entries);
  EXPECT_EQ(WordNumbers(), (std::vector<int>{4, 1, 2, 3, 7, 9, 1, 2}));

  entries.clear();
  for (int32_t i = 0; i < 65537; ++i) entries.push_back(Entry(1, i, "w"));
  Write(entries);
  const std::vector<int> numbers = WordNumbers();
  EXPECT_EQ(std::vector<int>(numbers.begin() + 65533, numbers.end()),
            (std::vector<int>{65534, 65535, 1, 2}));
}

TEST_F(IndexWriterTest, EmptyIndexAndFailures) {
  Write({});
  EXPECT_TRUE(words_.empty());
  EXPECT_TRUE(hits_.empty());
  EXPECT_THROW(WriteIndex({Entry(1, 0, "a")}, dir_.Sub("missing/dir")), EInOutError);
  IndexEntry chapter = Entry(1, 0, "a");
  chapter.chapter = 256;
  EXPECT_THROW(WriteIndex({chapter}, dir_.path()), Exception);
  IndexEntry year = Entry(1, 0, "a");
  year.dateYearTo = 70000;
  EXPECT_THROW(WriteIndex({year}, dir_.path()), Exception);
}

}  // namespace
}  // namespace quillmar::builder
