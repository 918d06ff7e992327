#include "retrieval/query_tree.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/bytes.h"
#include "retrieval/mask.h"

namespace quillmar::retrieval {

namespace {

using namespace query_status;

constexpr std::string_view kFollowedBy = "...";
// The parse of an expression that ended in a syntax error.
constexpr std::size_t kNoNode = std::numeric_limits<std::size_t>::max();

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string JoinTokens(const std::vector<std::string>& tokens, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t k = from; k < to; ++k) {
    if (!s.empty()) s += ' ';
    s += tokens[k];
  }
  return s;
}

// Recursive descent over substrings: every level tokenizes its text anew, and operands are the
// level's tokens joined again with single blanks. Errors are recorded and parsing goes on, so
// the status is the last error met in the order the levels are visited.
class QueryParser {
 public:
  QueryParser(std::string_view andWord, std::string_view orWord, bool fuzzy)
      : and_word_(andWord), or_word_(orWord), fuzzy_(fuzzy) {}

  QueryTree Parse(std::string_view line) {
    ParseExpression(line);
    QueryTree tree;
    tree.status = status_;
    if (status_ == kOk) tree.nodes = std::move(nodes_);
    return tree;
  }

 private:
  // One level of nesting for the time of a call; deeper than kMaxQueryDepth is a format error.
  class Level {
   public:
    explicit Level(int& depth) : depth_(depth) { ++depth_; }
    ~Level() { --depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;
    bool TooDeep() const { return depth_ > kMaxQueryDepth; }

   private:
    int& depth_;
  };

  // ---- tokens ----

  // A bracketed group (to its matching bracket, or to the end when unbalanced), a run of dots
  // (as "..."), or a word up to a blank, bracket or dot. A stray ")" ends a word and is dropped.
  std::string NextToken(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    if (pos >= s.size()) return {};
    const std::size_t start = pos;
    const char c = s[pos];
    if (c == ')') {
      status_ = kBracketError;
      ++pos;
      return {};
    }
    if (c == '.') {
      while (pos < s.size() && s[pos] == '.') ++pos;
      if (pos >= s.size()) status_ = kFollowedByError;
      return std::string(kFollowedBy);
    }
    if (c == '(') {
      int depth = 0;
      for (; pos < s.size(); ++pos) {
        if (s[pos] == '(') {
          ++depth;
        } else if (s[pos] == ')' && --depth == 0) {
          ++pos;
          return std::string(s.substr(start, pos - start));
        }
      }
      status_ = kBracketError;
      return std::string(s.substr(start));
    }
    while (pos < s.size() && s[pos] != '(' && !IsBlank(s[pos]) && s[pos] != '.') {
      if (s[pos] == ')') {
        status_ = kBracketError;
        const std::string word(s.substr(start, pos - start));
        ++pos;
        return word;
      }
      ++pos;
    }
    return std::string(s.substr(start, pos - start));
  }

  std::vector<std::string> Tokenize(std::string_view expression) {
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    while (pos < expression.size()) {
      std::string t = NextToken(expression, pos);
      if (!t.empty()) tokens.push_back(std::move(t));
    }
    return tokens;
  }

  // Whether the whole expression is one bracketed group; an unclosed bracket is an error.
  bool IsGroup(std::string_view expression) {
    const std::string t = Trim(expression);
    if (t.empty() || t.front() != '(') return false;
    int depth = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
      if (t[k] == '(') {
        ++depth;
      } else if (t[k] == ')' && --depth == 0) {
        return k == t.size() - 1;
      }
    }
    status_ = kBracketError;
    return false;
  }

  bool IsAnd(std::string_view token) const { return UpperAscii(Trim(token)) == and_word_; }
  bool IsOr(std::string_view token) const { return UpperAscii(Trim(token)) == or_word_; }

  // A single word token: no blanks, brackets or dots, and no keyword.
  bool IsPlainWord(std::string_view expression) const {
    const std::string t = Trim(expression);
    if (t.empty() || IsAnd(t) || IsOr(t)) return false;
    for (char c : t)
      if (IsBlank(c) || c == '(' || c == ')' || c == '.') return false;
    return true;
  }

  bool Unlimited(std::string_view word) const { return fuzzy_ || TMaske::IstMaske(Trim(word)); }

  // ---- nodes ----

  std::size_t AddNode(QueryNode node) {
    nodes_.push_back(std::move(node));
    return nodes_.size() - 1;
  }

  std::size_t AddWord(std::string_view token) {
    QueryNode node;
    node.kind = QueryNodeKind::kWord;
    node.text = Trim(token);
    std::replace(node.text.begin(), node.text.end(), kWordFullStop, '.');
    return AddNode(std::move(node));
  }

  // A node over `children`, or the only child itself.
  std::size_t AddList(QueryNodeKind kind, std::vector<std::size_t> children) {
    if (children.size() == 1) return children.front();
    QueryNode node;
    node.kind = kind;
    node.children = std::move(children);
    return AddNode(std::move(node));
  }

  // ---- levels ----

  // A bracketed group is its content; anything else the OR level.
  std::size_t ParseExpression(std::string_view expression) {
    const Level level(depth_);
    if (level.TooDeep()) {
      status_ = kFormatError;
      return kNoNode;
    }
    if (IsGroup(expression)) {
      const std::string t = Trim(expression);
      return ParseExpression(std::string_view(t).substr(1, t.size() - 2));
    }
    return ParseOr(expression);
  }

  // Operands between OR tokens; an empty operand ends the level with an error.
  std::size_t ParseOr(std::string_view expression) {
    const std::vector<std::string> tokens = Tokenize(expression);
    std::vector<std::size_t> operands;
    std::string operand;
    auto take = [&] {
      operands.push_back(IsGroup(operand) ? ParseExpression(operand) : ParseJoin(operand, false));
    };
    for (const std::string& t : tokens) {
      if (!IsOr(t)) {
        if (!operand.empty()) operand += ' ';
        operand += t;
        continue;
      }
      if (operand.empty()) {
        status_ = kOrError;
        return kNoNode;
      }
      take();
      operand.clear();
    }
    if (operand.empty()) {
      status_ = kOrError;
      return kNoNode;
    }
    take();
    return AddList(QueryNodeKind::kOr, std::move(operands));
  }

  // The AND level (ordered false) and the "..." level (true): the tokens before the first
  // operator are the left operand, one level down; the rest the right operand, this level again.
  std::size_t ParseJoin(std::string_view expression, bool ordered) {
    const Level level(depth_);
    if (level.TooDeep()) {
      status_ = kFormatError;
      return kNoNode;
    }
    // AND joins operands of the "..." level, "..." those of the phrase level.
    auto lower = [&](std::string_view a) { return ordered ? ParsePhrase(a) : ParseJoin(a, true); };
    const std::vector<std::string> tokens = Tokenize(expression);
    std::size_t k = 0;
    while (k < tokens.size() && !(ordered ? tokens[k] == kFollowedBy : IsAnd(tokens[k]))) ++k;
    if (k == tokens.size()) return lower(expression);
    const std::string left = JoinTokens(tokens, 0, k);
    const std::string right = JoinTokens(tokens, k + 1, tokens.size());
    if (left.empty()) {
      status_ = ordered ? kFollowedByError : kAndError;
      return kNoNode;
    }
    // An operator as the last token is ignored.
    if (right.empty()) return lower(left);
    auto parseLeft = [&] { return IsGroup(left) ? ParseExpression(left) : lower(left); };
    auto parseRight = [&] {
      return IsGroup(right) ? ParseExpression(right) : ParseJoin(right, ordered);
    };
    // A word operand is taken as it is, without passing the levels below (which count towards
    // the depth). Of two words, the one promising fewer hits passes them: a mask, and any word
    // of a fuzzy search, promises the most; the left one when both promise the same.
    const bool wordLeft = IsPlainWord(left);
    const bool wordRight = IsPlainWord(right);
    const bool rightFirst = wordLeft && wordRight && Unlimited(left) && !Unlimited(right);
    QueryNode node;
    node.kind = QueryNodeKind::kJoin;
    node.ordered = ordered;
    const bool leftAsWord = wordLeft && (!wordRight || rightFirst);
    const bool rightAsWord = wordRight && !rightFirst;
    const std::size_t l = leftAsWord ? AddWord(left) : parseLeft();
    const std::size_t r = rightAsWord ? AddWord(right) : parseRight();
    node.children = {l, r};
    return AddNode(std::move(node));
  }

  // Tokens that must directly follow each other.
  std::size_t ParsePhrase(std::string_view expression) {
    const std::vector<std::string> tokens = Tokenize(expression);
    if (tokens.empty()) {
      status_ = kFormatError;
      return kNoNode;
    }
    std::vector<std::size_t> parts;
    for (const std::string& t : tokens)
      parts.push_back(IsGroup(t) ? ParseExpression(t) : AddWord(t));
    return AddList(QueryNodeKind::kPhrase, std::move(parts));
  }

  std::string and_word_;
  std::string or_word_;
  bool fuzzy_;
  int32_t status_ = kOk;
  int depth_ = 0;
  std::vector<QueryNode> nodes_;
};

}  // namespace

QueryTree ParseQuery(std::string_view line, std::string_view andWord, std::string_view orWord,
                     bool fuzzy) {
  return QueryParser(andWord, orWord, fuzzy).Parse(line);
}

}  // namespace quillmar::retrieval
