#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar::retrieval {

// Status values of a query (TKomplexAnfrage::Status).
namespace query_status {
inline constexpr int32_t kNotRun = -1;  // before the first run
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kCancelled = 10;
// Syntax errors.
inline constexpr int32_t kBracketError = -2;
inline constexpr int32_t kOrError = -3;
inline constexpr int32_t kAndError = -4;
inline constexpr int32_t kFollowedByError = -5;  // "..."
inline constexpr int32_t kFormatError = -6;      // also nesting deeper than kMaxQueryDepth
}  // namespace query_status

// A full stop inside a word: the query line cannot hold "." there (a run of dots is the "..."
// operator), so the search form writes this byte for the full stop of transliterated Greek (the
// rough breathing); a word node has the full stop back.
inline constexpr char kWordFullStop = '\x81';

// Deepest nesting of brackets and operators a query line may have (see ParseQuery).
inline constexpr int kMaxQueryDepth = 200;

enum class QueryNodeKind {
  kWord,    // a word or a mask, as its token text
  kPhrase,  // words directly following each other in one paragraph, `children` in order
  kJoin,    // AND (ordered false) or "..." (ordered true) of children[0] and children[1]
  kOr,      // the union of `children`, in the order written
};

struct QueryNode {
  QueryNodeKind kind = QueryNodeKind::kWord;
  bool ordered = false;               // kJoin: "..." rather than AND
  std::string text;                   // kWord: the token
  std::vector<std::size_t> children;  // indexes into QueryTree::nodes
};

// A parsed query line. Nodes are stored in post-order: every child has a smaller index than its
// parent, so a bottom-up pass is one loop over `nodes`, and the root is the last node. Brackets
// have no node of their own; an operator with one operand, a one-word phrase and a bracketed
// expression are represented by the operand itself.
struct QueryTree {
  std::vector<QueryNode> nodes;  // empty when status is not kOk
  int32_t status = query_status::kOk;

  bool Valid() const { return status == query_status::kOk && !nodes.empty(); }
  std::size_t Root() const { return nodes.size() - 1; }
  const QueryNode& operator[](std::size_t index) const { return nodes[index]; }
};

// Parses a query line: OR (lowest) over AND over "..." over phrases (words separated by blanks)
// over words, masks and bracketed expressions. andWord and orWord are the keywords in upper case
// (tokens match whatever their case). The status is kOk or the code of the last syntax error
// met: the whole line is examined even after an error, and the rules are those the query
// language has always had, including their odd corners (an operator as the last token is
// ignored, a run of dots is one "..." token even at the end of the line, where it is also an
// error, and a word operand of a join is not counted as a level of nesting, except one of two
// joined words: the left one, or the right one when only the left is a mask; with `fuzzy`, no
// word counts as a mask). On a syntax error the tree has no nodes.
QueryTree ParseQuery(std::string_view line, std::string_view andWord, std::string_view orWord,
                     bool fuzzy = false);

}  // namespace quillmar::retrieval
