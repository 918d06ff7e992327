#include "text/davur_ured.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "builder/source_parser.h"
#include "support/fixed_canvas.h"
#include "support/internal_code.h"
#include "support/temp_dir.h"
#include "text/document.h"

namespace quillmar {
namespace {

// A 128-byte cross-reference record: key text, link text and first number.
void AddRecord(std::vector<uint8_t>& file, const std::string& key, const std::string& link,
               int32_t number) {
  std::vector<uint8_t> r(TCReferenceLookUp::kRecordSize, 0);
  WriteShortString(r, 0, 30, key);
  WriteShortString(r, 31, 30, link);
  WriteInt32(r, 64, number);
  file.insert(file.end(), r.begin(), r.end());
}

const std::string kEnd{'\x01', 'd'};  // ends a stream argument

// Paragraph text with a reference key on code 25 in front of `words`.
std::string Keyed(int32_t key, const std::string& words) {
  return "\x01\x19" + std::to_string(key) + kEnd + words;
}

TEST(DavurUredTest, AsksOnlyTheTextsOwnCollectionAndNeverForAnEmptyKey) {
  test::TempDir dir;
  std::vector<uint8_t> a;
  AddRecord(a, "5.", "51", 0);
  test::WriteFile(dir.Sub("a.dat"), a);
  std::vector<uint8_t> b;
  AddRecord(b, "", "99", 99);  // an empty stored key would be the prefix of every key
  AddRecord(b, "1.", "", 0);   // known neither by number nor by text
  AddRecord(b, "5.", "", 52);  // known by its number only
  test::WriteFile(dir.Sub("b.dat"), b);

  TDavurUredInterface links;
  EXPECT_EQ(test::InternalCode([&] { links.AddLookUpFile("CCCC0001", dir.Sub("none.dat")); }),
            "RFU-SFN 001");
  links.AddLookUpFile("AAAA0001", dir.Sub("a.dat"));
  links.AddLookUpFile("BBBB0001", dir.Sub("b.dat"));
  EXPECT_EQ(links.Count(), 2u);

  // The first file of the list belongs to another collection and must not answer.
  EXPECT_EQ(links.LinkText("BBBB0001", "5."), "52");
  EXPECT_EQ(links.LinkText("bbbb0001", "5."), "52");
  EXPECT_EQ(links.LinkText("AAAA0001", "5."), "51");
  EXPECT_EQ(links.LinkText("CCCC0001", "5."), std::nullopt);
  for (const char* miss : {"", "  ", "7.", "1.", "55."})
    EXPECT_EQ(links.LinkText("BBBB0001", miss), std::nullopt) << "'" << miss << "'";
  EXPECT_EQ(links.LinkText("AAAA0001", "55."), std::nullopt);  // "5." is no prefix of "55."
}

class DavurUredDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> file;
    AddRecord(file, "1.", "10", 10);
    AddRecord(file, "2.", "20", 20);
    AddRecord(file, "3.", "30", 30);
    test::WriteFile(dir.Sub("x.dat"), file);
    links.AddLookUpFile(kCD, dir.Sub("x.dat"));

    doc.SetClientRect({0, 0, 400, 300});
    doc.Append(Keyed(1, "alpha beta"), 1);
    // Key 2 is known, but the paragraph has a footnote link of its own.
    doc.Append(Keyed(2, "gamma \x01(3" + kEnd + "note" + kEnd), 100);
    doc.Append("delta", 200);
    doc.Append(Keyed(3, "omega"), 300);
    doc.SetCurrentPosition(1);
    doc.Draw();
  }

  const TWortListRecord& WordOf(int32_t paragraph, int32_t index = 1) {
    return doc.Paragraph(paragraph).Lines().Line(0).Words().Word(index);
  }
  std::string LinkOf(int32_t paragraph, int32_t index = 1) {
    const TWortListRecord& w = WordOf(paragraph, index);
    if (!w.Link) return "-";
    return std::to_string(w.LinkKind) + ":" + (w.LinkTarget ? w.LinkTarget->Target : "");
  }

  static constexpr char kCD[] = "QTST0001";
  test::TempDir dir;
  test::FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc{canvas, colours};
  TDavurUredInterface links;
};

TEST_F(DavurUredDocumentTest, CtrlLinksEveryShownParagraphUpToTheLastButNoneWithItsOwnLink) {
  ASSERT_EQ(doc.LastVisible(), 3);

  EXPECT_TRUE(links.LinkShownParagraphs(doc, kCD));
  EXPECT_EQ(LinkOf(0, 1), "102:10");
  EXPECT_EQ(LinkOf(0, 2), "102:10");
  EXPECT_EQ(LinkOf(1, 1), "-");    // gamma
  EXPECT_EQ(LinkOf(1, 2), "1:");   // its footnote link stays
  EXPECT_EQ(LinkOf(2), "-");       // no key
  EXPECT_EQ(LinkOf(3), "102:30");  // the last shown paragraph is linked too

  // Key release takes the cross-reference links off, and only them.
  EXPECT_TRUE(TDavurUredInterface::RemoveLinks(doc));
  EXPECT_EQ(LinkOf(0), "-");
  EXPECT_EQ(LinkOf(3), "-");
  EXPECT_EQ(LinkOf(1, 2), "1:");
  EXPECT_FALSE(TDavurUredInterface::RemoveLinks(doc));

  // Another collection's text finds nothing in this collection's file.
  EXPECT_FALSE(links.LinkShownParagraphs(doc, "OTHR0001"));
}

TEST_F(DavurUredDocumentTest, MouseMovesRememberTheLastKeyPerWindow) {
  CrossReferenceMemory window;
  CrossReferenceMemory other;
  EXPECT_TRUE(links.LinkParagraphOf(doc, &WordOf(0), kCD, window));
  EXPECT_EQ(LinkOf(0), "102:10");
  EXPECT_FALSE(links.LinkParagraphOf(doc, &WordOf(0, 2), kCD, window));  // same paragraph
  // Another window's memory is its own: it handles the same key.
  EXPECT_TRUE(links.LinkParagraphOf(doc, &WordOf(0, 2), kCD, other));
  EXPECT_FALSE(links.LinkParagraphOf(doc, &WordOf(2), kCD, window));  // no key: nothing changes
  EXPECT_EQ(LinkOf(0), "102:10");
}

TEST(DavurUredBuilderTest, OneXrefPerParagraphAndNoLinkTableOfTheSourcesOwn) {
  auto errorOf = [](const std::string& text) -> std::string {
    try {
      builder::MergeSources({builder::ParseSource(text, "e.qms")});
    } catch (const Exception& e) {
      return e.what();
    }
    return "(no error)";
  };
  const std::string head = "@collection QTST0001\n@title T\n@text a\n@title A\n";
  EXPECT_NE(errorOf(head + "{xref #x}{xref #x}{anchor x}Two.\n").find("one {xref}"),
            std::string::npos);
  EXPECT_NE(errorOf(head + "A{fn:{xref #x}}{anchor x}\n").find("xref"), std::string::npos);
  EXPECT_NE(errorOf(head + "{xref #nowhere}Text.\n").find("unknown anchor"), std::string::npos);
  EXPECT_NE(errorOf("@collection QTST0001\n@title T\n@property p my.dat\n@text a\n@title A\n"
                    "{xref QTST0001 1 1 1}Text.\n")
                .find("@property p"),
            std::string::npos);
}

}  // namespace
}  // namespace quillmar
