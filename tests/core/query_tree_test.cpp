#include "retrieval/query_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "retrieval/search_thread.h"
#include "support/temp_dir.h"

namespace quillmar::retrieval {
namespace {

// The tree below `node` as text: words as written, [phrase], (left & right), (left ... right),
// {a | b}.
std::string Show(const QueryTree& tree, std::size_t node) {
  const QueryNode& n = tree[node];
  std::string s;
  auto list = [&](const char* open, const char* separator, const char* close) {
    s = open;
    for (std::size_t k = 0; k < n.children.size(); ++k) {
      EXPECT_LT(n.children[k], node) << "children come before their parent";
      s += (k > 0 ? separator : "") + Show(tree, n.children[k]);
    }
    s += close;
  };
  switch (n.kind) {
    case QueryNodeKind::kWord:
      return n.text;
    case QueryNodeKind::kPhrase:
      list("[", " ", "]");
      break;
    case QueryNodeKind::kJoin:
      list("(", n.ordered ? " ... " : " & ", ")");
      break;
    case QueryNodeKind::kOr:
      list("{", " | ", "}");
      break;
  }
  return s;
}

std::string Parse(const std::string& line) {
  const QueryTree tree = ParseQuery(line, "AND", "OR");
  EXPECT_TRUE(tree.Valid()) << line;
  return tree.Valid() ? Show(tree, tree.Root()) : "";
}

std::string Nested(std::size_t depth, const std::string& inner) {
  return std::string(depth, '(') + inner + std::string(depth, ')');
}

TEST(QueryTreeTest, OperatorsBindOrOverAndOverFollowedByOverPhrase) {
  EXPECT_EQ(Parse("light"), "light");
  EXPECT_EQ(Parse("a b OR c AND d ... e f"), "{[a b] | (c & (d ... [e f]))}");
  EXPECT_EQ(Parse("a AND b and c"), "(a & (b & c))");
  EXPECT_EQ(Parse("a...b .. c"), "(a ... (b ... c))");
  EXPECT_EQ(Parse("((a OR b)) (c d) l?ght"), "[{a | b} [c d] l?ght]");
  EXPECT_EQ(Parse("(a) AND light AND"), "(a & light)");  // a last AND is ignored
}

// Lines whose status the query language decides in a way that is easy to get wrong: the last
// error met wins, operands are re-tokenized after being joined with blanks, and nesting is
// counted per level visited.
TEST(QueryTreeTest, StatusIsTheLastSyntaxErrorMet) {
  using namespace query_status;
  struct Case {
    std::string line;
    int32_t status;
  };
  const Case cases[] = {
      {"light AND", kOk},                        // an operator at the end is ignored
      {"light .. dark", kOk},                    // any run of dots is "..."
      {"light ...", kFollowedByError},           // dots at the end: an error, yet still a token
      {"light ... AND dark", kFollowedByError},  // "light ..." re-tokenized at the "..." level
      {"light AND ... dark", kFollowedByError},
      {"AND light", kAndError},
      {"light) OR", kOrError},  // the bracket error first, the OR error last
      {"OR light)", kOrError},
      {"a AND ) b", kBracketError},
      {"(light))", kBracketError},
      {"()", kOrError},  // an empty group is an empty OR operand
      {"light ( )", kOrError},
      {"(a OR) AND b", kOrError},
      {"a OR b ... OR c", kFollowedByError},
      {Nested(197, "light"), kOk},
      {Nested(198, "light"), kFormatError},
      {Nested(197, "light AND Jerusalem"), kOk},
      // Of two joined words, a mask is loaded last: the other one passes the levels below, and
      // the right one passes two.
      {Nested(197, "Jerusalem AND *lem"), kOk},
      {Nested(197, "*lem AND Jerusalem"), kFormatError},
      // The "..." level lies at the limit; its right word operand is not a level of its own.
      {Nested(197, "light darkness ... Jerusalem"), kOk},
      {Nested(5000, "light"), kFormatError},
  };
  for (const Case& c : cases) {
    const QueryTree tree = ParseQuery(c.line, "AND", "OR");
    EXPECT_EQ(tree.status, c.status) << c.line.substr(0, 60);
    EXPECT_EQ(tree.nodes.empty(), c.status != kOk) << c.line.substr(0, 60);
  }
}

// A syntax error ends the search before any collection is bound: a collection whose files are
// missing raises once a word is looked up, but not for a line that does not parse.
TEST(QueryTreeTest, SyntaxErrorTouchesNoCollection) {
  test::TempDir dir;
  SearchCatalog katalog;
  CollectionSearchInfo info;
  info.CDID = "GONE";
  info.Path = dir.Sub("missing");
  katalog.Hinzufuegen(info);
  auto run = [&](const std::string& line) {
    auto thread = std::make_unique<TSuchThread>(katalog, nullptr);
    thread->CDHinzufuegen("GONE");
    thread->Anfrage().Anfrage = line;
    thread->Anfrage().Modus = kSameParagraph;
    thread->Execute();
    return thread;
  };
  const auto bad = run("AND light");
  EXPECT_EQ(bad->Anfrage().Status, query_status::kAndError);
  EXPECT_FALSE(bad->Anfrage().Fehler) << bad->Anfrage().FehlerText;
  EXPECT_EQ(bad->Anfrage().Ergebnis.Anzahl(), 0);
  EXPECT_TRUE(run("light")->Anfrage().Fehler);
}

}  // namespace
}  // namespace quillmar::retrieval
