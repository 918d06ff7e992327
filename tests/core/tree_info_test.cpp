#include "collection/tree_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "support/catalog_fixture.h"
#include "support/internal_code.h"

namespace quillmar {
namespace {

using test::InternalCode;

using test::ChapterRecord;
using test::CollectionSpec;
using test::Concat;
using test::TextRecord;

TextRecord Text(const std::string& title, const std::string& shortLabel, int32_t number = 0) {
  TextRecord text;
  text.number = number;
  text.title = title;
  text.short_label = shortLabel;
  return text;
}

std::vector<std::string> Names(const TTreeRecords& items) {
  std::vector<std::string> names;
  for (const auto& item : items) names.push_back(item.Name);
  return names;
}

// Alpha (a tree schema), Beta (no schema) and Gamma (needs reader 9.2).
class TreeInfoTest : public ::testing::Test, protected test::CatalogFixture {
 protected:
  TreeInfoTest() {
    CollectionSpec alpha;
    alpha.cdid = "AAAA0001";
    alpha.title = "Alpha";
    alpha.schemas = {"tree.ini"};
    alpha.texts = {Text("Genesis", "Gen"), Text("Exodus", "Ex"), Text("Leviticus", "Lev"),
                   Text("", "", -1), Text("Numbers", "Num")};
    alpha.texts[2].chapter_file = "k3.dat";
    alpha_ = AddCollection("alpha", alpha);
    test::WriteFile(JoinPath(alpha_, "data/tree.ini"),
                    "; groups\r\n[1]\r\nname=Law\r\n[2]\r\nname = Prophets \r\n[1.1]\r\n"
                    "name=Torah\r\ntexts= 3 x 5 4 99 -1 \r\n[1.2]\r\n[1.1.1]\r\nname=Deep\r\n"
                    "[01.3]\r\nname=Third\r\n[1.a]\r\nname=Odd\r\n[x]\r\nname=None\r\n");
    test::WriteFile(JoinPath(alpha_, "data/k3.dat"),
                    Concat({ChapterRecord("One", "", "", 1, 0, 0, 10),
                            ChapterRecord("One", "One.A", "", 1, 1, 0, 20),
                            ChapterRecord("One", "One.B", "", 1, 2, 0, 30),
                            ChapterRecord("Two", "", "", 2, 0, 0, 40)}));

    CollectionSpec beta;
    beta.cdid = "BBBB0001";
    beta.title = "Beta";
    beta.texts = {Text("Psalms", "Ps"), Text("Proverbs", "Prov")};
    beta.texts[0].long_label = "Poetry";
    AddCollection("beta", beta);

    CollectionSpec gamma;
    gamma.cdid = "CCCC0001";
    gamma.title = "Gamma";
    gamma.texts = {Text("Job", "Job")};
    const std::string root = AddCollection("gamma", gamma);
    test::WriteFile(JoinPath(root, "id/metainfo.dat"),
                    Concat({test::MetaHeader("Gamma", "CCCC0001", 9, 2),
                            test::MetaProperty('j', "textinfo.dat")}));
  }

  TTreeRecords Children(const TTreeRecord& key) { return TTreeInfo(*catalog, key).Items(); }

  std::string alpha_;
};

TEST_F(TreeInfoTest, RootListsTheCataloguedCollectionsWithSchemaAndVersion) {
  const TTreeRecords cds = Children({});
  ASSERT_EQ(Names(cds), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(cds[0].Key.CDID, "AAAA0001");
  EXPECT_EQ(ResolvePath(cds[0].Key.Schema), ResolvePath(JoinPath(alpha_, "data/tree.ini")));
  EXPECT_EQ(cds[0].Key.Section, "");
  EXPECT_EQ(cds[1].Key.Schema, "");
  EXPECT_TRUE(cds[0].VersionOK);
  EXPECT_FALSE(cds[2].VersionOK);
  EXPECT_EQ(cds[2].MajorVersion, 9);
  EXPECT_EQ(cds[2].MinorVersion, 2);

  // Below a collection without schema: every text in catalog order, then their chapters.
  const TTreeRecords texts = Children(cds[1].Key);
  EXPECT_EQ(Names(texts), (std::vector<std::string>{"Poetry: Psalms", "Proverbs"}));
  EXPECT_EQ(texts[1].Key.TextNo, 2);
  EXPECT_EQ(texts[1].Key.CDID, "BBBB0001");
  // Gamma's children carry its version, too.
  const TTreeRecords job = Children(cds[2].Key);
  ASSERT_EQ(job.size(), 1u);
  EXPECT_FALSE(job[0].VersionOK);
  EXPECT_EQ(job[0].MajorVersion, 9);
}

TEST_F(TreeInfoTest, SchemaGroupsNestBySectionPathAndListTheirTexts) {
  const TTreeRecord cd = Children({})[0].Key;
  const TTreeRecords top = Children(cd);
  // One-part sections; "1.a" has one part, "x" none.
  ASSERT_EQ(Names(top), (std::vector<std::string>{"Law", "Prophets", "Odd"}));
  EXPECT_EQ(top[0].Key.Section, "1");
  EXPECT_EQ(top[0].Key.Schema, cd.Schema);

  const TTreeRecords law = Children(top[0].Key);
  ASSERT_EQ(Names(law), (std::vector<std::string>{"Torah", "...", "Third"}));
  EXPECT_TRUE(Children(top[1].Key).empty());

  // Sub-groups first, then the present texts that "texts" names.
  const TTreeRecords torah = Children(law[0].Key);
  ASSERT_EQ(Names(torah), (std::vector<std::string>{"Deep", "Lev/Leviticus", "Num/Numbers"}));
  const TTreeRecord& leviticus = torah[1].Key;
  EXPECT_EQ(leviticus.TextNo, 3);
  EXPECT_EQ(leviticus.CDID, "AAAA0001");
  EXPECT_EQ(leviticus.Schema, "");
  EXPECT_EQ(leviticus.Section, "");

  // Chapters in up to three levels, named by their own level.
  const TTreeRecords chapters = Children(leviticus);
  ASSERT_EQ(Names(chapters), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(chapters[1].Key.Position, 40);
  const TTreeRecords sub = Children(chapters[0].Key);
  ASSERT_EQ(Names(sub), (std::vector<std::string>{"One.A", "One.B"}));
  EXPECT_EQ(sub[1].Key.L1, 1);
  EXPECT_EQ(sub[1].Key.L2, 2);
  EXPECT_EQ(sub[1].Key.Position, 30);
  EXPECT_TRUE(Children(sub[0].Key).empty());

  // A schema that does not exist has no groups.
  TTreeRecord missing = cd;
  missing.Schema = JoinPath(alpha_, "data/none.ini");
  EXPECT_TRUE(Children(missing).empty());
}

TEST_F(TreeInfoTest, SectionPathsStopAtTheFirstPartThatIsNoNumber) {
  using Path = std::vector<int32_t>;
  EXPECT_EQ(TTreeInfo::SectionPath("2.01.3"), (Path{2, 1, 3}));
  EXPECT_EQ(TTreeInfo::SectionPath("1..2"), (Path{1}));
  EXPECT_EQ(TTreeInfo::SectionPath("-1"), Path{});
  EXPECT_EQ(TTreeInfo::SectionPath("99999999999"), Path{});
  std::string deep = "1";
  for (int i = 0; i < 40; ++i) deep += ".1";
  EXPECT_EQ(TTreeInfo::SectionPath(deep).size(), 30u);
}

TEST_F(TreeInfoTest, UnknownCollectionsAndMissingTextsRaise) {
  const TTreeRecord alpha = Children({})[0].Key;
  TTreeRecord key;
  key.CDID = "ZZZZ0001";
  EXPECT_EQ(InternalCode([&] { Children(key); }), "AD-TTI-LT-1");
  key.TextNo = 1;
  EXPECT_EQ(InternalCode([&] { Children(key); }), "AD-TTI-LT-1");
  key = alpha;
  key.CDID = "ZZZZ0001";
  key.Section = "1.1";
  EXPECT_EQ(InternalCode([&] { Children(key); }), "AD-TTI-LTBL-1");
  key.Section = "1";  // no texts to read: the groups need no catalogued collection
  EXPECT_EQ(Names(Children(key)), (std::vector<std::string>{"Torah", "...", "Third"}));

  key = {};
  key.CDID = "AAAA0001";
  key.TextNo = 1;  // no chapter file
  EXPECT_EQ(InternalCode([&] { Children(key); }), "TI-TTI-GNS-2");
  key.TextNo = 4;  // empty slot
  EXPECT_EQ(InternalCode([&] { Children(key); }), "TI-TTI-GSN-1");
  key.TextNo = 300;
  EXPECT_EQ(InternalCode([&] { Children(key); }), "TI-TTI-GSN-1");
}

}  // namespace
}  // namespace quillmar
