#include "text/markings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "retrieval/hit_list.h"
#include "support/fixed_canvas.h"
#include "text/document.h"

namespace quillmar {
namespace {

using test::FixedCanvas;
using Op = FixedCanvas::Op;

constexpr Color kNavy = 0x800000, kSilver = 0xC0C0C0, kWhite = 0xFFFFFF, kBlack = 0;

TFundMarkierung Hit(int32_t from, int32_t to, std::vector<int32_t> words) {
  retrieval::TFundPosition pos;
  pos.TextNr = 1;
  pos.Textteil = 11;
  pos.Anfang = from;
  pos.Ende = to;
  for (size_t i = 0; i < words.size(); ++i) pos.WortPos[i] = words[i];
  pos.CD.Setzen("KRVT0001");
  return TFundMarkierung(pos);
}

class MarkingsTest : public ::testing::Test {
 protected:
  MarkingsTest() { doc.SetClientRect({0, 0, 305, 100}); }

  const TWortListRecord& WordNo(int i) const {
    return doc.Paragraph(0).Lines().Line(0).Words().Word(i);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const Op& op : canvas.ops) {
      if (op.kind == Op::kText) out.push_back(op.text);
    }
    return out;
  }
  // Colour of the fill covering exactly [left, right) horizontally, -1 when none.
  int64_t FillColour(int32_t left, int32_t right) const {
    int64_t colour = -1;
    for (const Op& op : canvas.ops) {
      if (op.kind == Op::kFill && op.rect.Left == left && op.rect.Right == right)
        colour = op.colour;
    }
    return colour;
  }

  FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc{canvas, colours};
};

TEST_F(MarkingsTest, HitWordsSpansAndUserMarkings) {
  const TFundMarkierung hit = Hit(1, 10, {4});
  EXPECT_EQ(hit.CD, "KRVT0001");
  EXPECT_EQ(hit.Textteil, 11);
  doc.AddHitMarking(hit);
  // "aa" at 1, a font code at 4..5, "bb" at 6, "cc" at 9: the hit word position points at the
  // code in front of "bb".
  doc.Append(
      "aa \x01\x06"
      "bb cc",
      1);
  doc.Draw();
  EXPECT_EQ(WordNo(1).MarkingKind, 3);
  EXPECT_EQ(WordNo(2).MarkingKind, 2);
  EXPECT_EQ(WordNo(2).MarkBackColour, kBlack);
  EXPECT_EQ(WordNo(2).MarkTextColour, kWhite);
  EXPECT_EQ(WordNo(3).MarkBackColour, kSilver);

  // A user marking wins over the hit.
  doc.SetUserMarking(1, 7);
  EXPECT_EQ(WordNo(1).MarkingKind, 1);
  EXPECT_EQ(WordNo(2).MarkingKind, 1);
  EXPECT_EQ(WordNo(2).MarkBackColour, kNavy);
  EXPECT_EQ(WordNo(3).MarkingKind, 3);

  // Clearing the document keeps the hit, not the user marking.
  doc.Clear();
  EXPECT_EQ(doc.HitMarkings().Count(), 1);
  EXPECT_EQ(doc.UserMarkings().Count(), 0);

  // An inactive hit contains nothing; the hit word list ends at the first -1.
  TFundMarkierung inactive = Hit(1, 10, {4});
  inactive.TextNr = 0;
  EXPECT_FALSE(inactive.Contains(5));
  EXPECT_FALSE(Hit(1, 10, {-1, 6}).IsHitWord(6));
  EXPECT_TRUE(Hit(1, 10, {2, 6}).IsHitWord(6));
  EXPECT_FALSE(Hit(1, 10, {6}).IsHitWord(7));
  EXPECT_FALSE(Hit(1, 5, {6}).IsHitWord(6));  // outside the span
}

TEST_F(MarkingsTest, CollectionColoursAndAssign) {
  TMarkierungen set;
  const ColourTable table;
  EXPECT_EQ(set.BackColour(3, table), kWhite);
  set.Add(Hit(1, 10, {}));
  set.Add(Hit(3, 4, {3}));
  EXPECT_EQ(set.BackColour(3, table), kBlack);  // the last containing item decides
  EXPECT_EQ(set.BackColour(2, table), kSilver);
  const TMarkierungen copy = set;
  set.Clear();
  EXPECT_EQ(copy.Count(), 2);

  TUserMarkierung user(5, 9);
  user.Assign(Hit(1, 2, {}));
  EXPECT_EQ(user.From, -1);
  EXPECT_FALSE(user.Contains(-1));
  user.Assign(TUserMarkierung(2, 3));
  EXPECT_TRUE(user.Contains(3));
}

TEST_F(MarkingsTest, GapBandsEndAtTheLastMarkedWord) {
  // Words at 1, 4, 7, 10; boxes 24 px, blanks 10 px: gaps at 25..35, 59..69, 93..103.
  doc.AddHitMarking(Hit(1, 5, {}));
  doc.Append("aa bb cc dd", 1);
  doc.SetUserMarking(7, 8);
  doc.Draw();
  EXPECT_EQ(FillColour(25, 35), kSilver);  // hit span into hit span
  EXPECT_EQ(FillColour(59, 69), kSilver);  // hit span runs into the user-marked word
  EXPECT_EQ(FillColour(93, 103), kWhite);  // user marking ends at "cc"
  canvas.ClearOps();
  doc.ClearHitMarkings();
  doc.SetUserMarking(1, 5);
  doc.Draw();
  EXPECT_EQ(FillColour(25, 35), kNavy);
  EXPECT_EQ(FillColour(59, 69), kWhite);
}

TEST_F(MarkingsTest, MarkingRedrawTouchesOnlyChangedWords) {
  doc.Append("aa bb cc dd", 1);
  doc.Draw();
  canvas.ClearOps();
  doc.SetUserMarking(4, 5);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"bb"}));
  EXPECT_EQ(FillColour(25, 35), kWhite);  // gaps beside the changed word
  EXPECT_EQ(FillColour(59, 69), kWhite);
  EXPECT_EQ(FillColour(35, 59), kNavy);  // the word's own box

  canvas.ClearOps();
  doc.SetUserMarking(4, 5);
  EXPECT_TRUE(canvas.ops.empty());

  doc.SetUserMarking(4, 8);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"cc"}));
  EXPECT_EQ(FillColour(59, 69), kNavy);
  EXPECT_EQ(FillColour(93, 103), kWhite);
  EXPECT_TRUE(WordNo(3).Changed);
  EXPECT_FALSE(WordNo(2).Changed);
}

}  // namespace
}  // namespace quillmar
