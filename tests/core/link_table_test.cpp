#include "text/link_table.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "support/collection_writer.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

std::vector<uint8_t> Record(int32_t key, const std::string& cdid, uint8_t text, uint8_t layer,
                            int32_t paragraph) {
  std::vector<uint8_t> r(LinkTable::kRecordSize, 0xEE);  // unused bytes hold rubbish
  WriteInt32(r, LinkTable::kKeyOffset, key);
  WriteShortString(r, LinkTable::kCDIDOffset, LinkTable::kCDIDCapacity, cdid);
  r[LinkTable::kTextOffset] = text;
  r[LinkTable::kLayerOffset] = layer;
  WriteInt32(r, LinkTable::kParagraphOffset, paragraph);
  return r;
}

TEST(LinkTable, FindsTheFirstWholeRecordOfAKey) {
  test::TempDir dir;
  std::vector<uint8_t> table =
      test::Concat({Record(5, " ABCD01 ", 1, 0, 10), Record(7, "ABCD0002", 200, 3, 70000),
                    Record(7, "ABCD0003", 1, 1, 1)});
  const std::vector<uint8_t> partial = Record(9, "ABCD0009", 2, 1, 0);
  table.insert(table.end(), partial.begin(), partial.begin() + 40);
  test::WriteFile(dir.Sub("data/links.dat"), table);

  // Any letter case and either separator name the same file.
  const auto seven = LinkTable::FindInTable(dir.Sub("DATA") + "\\LINKS.DAT", 7);
  ASSERT_TRUE(seven);
  EXPECT_EQ(seven->cdid, "ABCD0002");
  EXPECT_EQ(seven->textNr, 200);  // one unsigned byte
  EXPECT_EQ(seven->layer, 3);
  EXPECT_EQ(seven->paragraph, 70000);

  const auto five = LinkTable::FindInTable(dir.Sub("data/links.dat"), 5);
  ASSERT_TRUE(five);
  EXPECT_EQ(five->cdid, "ABCD01");  // trimmed

  // The key of the cut-off last record, an absent key and a missing file lead nowhere.
  EXPECT_FALSE(LinkTable::FindInTable(dir.Sub("data/links.dat"), 9));
  EXPECT_FALSE(LinkTable::FindInTable(dir.Sub("data/links.dat"), 6));
  EXPECT_FALSE(LinkTable::FindInTable(dir.Sub("data/none.dat"), 5));
}

TEST(LinkTable, ParsesPlaceLinksAndKeys) {
  const LinkTableEntry place = LinkTable::ParsePlace("  KJVB0001   3 2\t417 ");
  EXPECT_EQ(place.cdid, "KJVB0001");
  EXPECT_EQ(place.textNr, 3);
  EXPECT_EQ(place.layer, 2);
  EXPECT_EQ(place.paragraph, 417);

  const LinkTableEntry partial = LinkTable::ParsePlace("KJVB0001 x");
  EXPECT_EQ(partial.textNr, 0);
  EXPECT_EQ(partial.layer, 0);
  EXPECT_EQ(partial.paragraph, 0);

  EXPECT_EQ(LinkTable::ParseKey("12"), 12);
  EXPECT_EQ(LinkTable::ParseKey("12a"), -1);
  EXPECT_EQ(LinkTable::ParseKey(""), -1);
}

}  // namespace
}  // namespace quillmar
