#include "text/greek.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "base/codepage.h"
#include "text/greek_tables.h"

namespace quillmar {
namespace {

// The one part that is converted as a whole: the article "οἱ".
constexpr std::string_view kRoughOi = ".oi";
constexpr std::u16string_view kRoughOiGreek = u"\u03BF\u1F31";
// The rough breathing is recognised after the first token only before r.
constexpr std::string_view kRoughRho = ".r";
constexpr char16_t kRoughRhoGreek = u'\u1FE5';

// Whether the beginning of a part can hold a vowel-pair key: at least four characters, a
// breathing, then an accent or a first vowel, and a second vowel in third or fourth place.
bool MayStartWithPair(std::string_view part) {
  constexpr std::string_view kBreathings = "`.";
  constexpr std::string_view kAccentsOrFirstVowels = "'`~aeoAEO";
  constexpr std::string_view kFourthVowels = "eiu";
  constexpr std::string_view kThirdVowels = "iu";
  return part.size() >= 4 && kBreathings.find(part[0]) != std::string_view::npos &&
         kAccentsOrFirstVowels.find(part[1]) != std::string_view::npos &&
         (kFourthVowels.find(part[3]) != std::string_view::npos ||
          kThirdVowels.find(part[2]) != std::string_view::npos);
}

// Compares every pair key once, in table order, with what then stands at the beginning of
// `rest`; each match appends its two letters and consumes its characters. True when any matched.
bool ReadPairs(std::string_view& rest, std::u16string& out) {
  bool matched = false;
  for (const GreekPairKey& pair : GreekPairKeys()) {
    if (rest.starts_with(pair.key)) {
      out += pair.first;
      out += pair.second;
      rest.remove_prefix(pair.key.size());
      matched = true;
    }
  }
  return matched;
}

// The keys of a token table grouped by their first byte, each group in table order (an empty
// key, which matches anything, in every group): a token is looked for among the few keys that
// can match rather than the whole table, which is scanned for every character otherwise.
class TokenIndex {
 public:
  explicit TokenIndex(std::span<const GreekTokenKey> keys) {
    for (const GreekTokenKey& token : keys) {
      if (token.key.empty()) {
        for (auto& group : groups_) group.push_back(&token);
      } else {
        groups_[static_cast<unsigned char>(token.key.front())].push_back(&token);
      }
    }
  }
  const std::vector<const GreekTokenKey*>& Candidates(char first) const {
    return groups_[static_cast<unsigned char>(first)];
  }

 private:
  std::array<std::vector<const GreekTokenKey*>, 256> groups_;
};

const TokenIndex& FirstTokens() {
  static const TokenIndex index(GreekFirstTokenKeys());
  return index;
}

const TokenIndex& LaterTokens() {
  static const TokenIndex index(GreekLaterTokenKeys());
  return index;
}

// Reads one token with the longest key of `keys` that matches the beginning of `rest` (the
// first in table order among keys of that length); when none matches, drops one character.
// Always consumes at least one character.
void ReadToken(std::string_view& rest, const TokenIndex& keys, std::u16string& out) {
  const GreekTokenKey* best = nullptr;
  for (const GreekTokenKey* token : keys.Candidates(rest.front())) {
    if (rest.starts_with(token->key) && (best == nullptr || token->key.size() > best->key.size())) {
      best = token;
    }
  }
  if (best == nullptr || best->key.empty()) {
    rest.remove_prefix(1);
    return;
  }
  out += best->letter;
  rest.remove_prefix(best->key.size());
}

// Code page 1253 bytes of the letters a..z (j and v have no Greek letter of their own).
constexpr std::array<unsigned char, 26> kCp1253Letters = {
    0xE1, 0xE2, 0xF7, 0xE4, 0xE5, 0xF6, 0xE3, 0xE7, 0xE9, 0xF6, 0xEA, 0xEB, 0xEC,
    0xED, 0xEF, 0xF0, 0xE8, 0xF1, 0xF3, 0xF4, 0xF5, 0xF9, 0xF9, 0xEE, 0xF8, 0xE6};
// Capitals are 0x20 below their small letter, except these two.
constexpr unsigned char kCp1253CapitalJ = 0xE8;
constexpr unsigned char kCp1253CapitalV = 0xF2;
// Stand-alone signs for the full stop, colon and semicolon: tonos, diaeresis, dialytika-tonos.
constexpr unsigned char kCp1253Tonos = 0xB4;
constexpr unsigned char kCp1253Diaeresis = 0xA8;
constexpr unsigned char kCp1253DialytikaTonos = 0xA1;
constexpr unsigned char kCp1253FinalSigma = 0xF2;
// The byte of "ï" in the collection's code page, read as a plain i.
constexpr unsigned char kIDiaeresis = 0xEF;

// The letter after an acute: the accented vowel, the final sigma, or a blank.
unsigned char AccentedCp1253(unsigned char c) {
  constexpr std::string_view kVowels = "aehiouwAEHIOUW";
  constexpr std::array<unsigned char, 14> kAccented = {0xDC, 0xDD, 0xDE, 0xDF, 0xFC, 0xFD, 0xFE,
                                                       0xA2, 0xB8, 0xB9, 0xBA, 0xBC, 0xBE, 0xBF};
  size_t i = kVowels.find(static_cast<char>(c));
  if (i != std::string_view::npos) return kAccented[i];
  if (c == 's') return kCp1253FinalSigma;
  return ' ';
}

// Reduces the marks to the one accent monotonic Greek knows: leading breathings go (a smooth
// breathing with grave becomes an acute, a rough breathing is kept as the full stop), every accent
// becomes an apostrophe, colons go, runs of apostrophes become one, and "ï" becomes i.
std::string RewriteMarks(std::string_view part) {
  std::string s(part);
  if (s.starts_with("`'")) s.erase(0, 1);
  if (s.starts_with("``")) s.replace(0, 2, "'");
  if (s.starts_with(".`")) s[1] = '\'';
  if (s.starts_with("`")) s.erase(0, 1);
  std::replace(s.begin(), s.end(), '~', '\'');
  std::replace(s.begin(), s.end(), '`', '\'');
  // From the end to the start, so that each character sees the already reduced rest.
  std::string reversed;
  reversed.reserve(s.size());
  for (size_t i = s.size(); i-- > 0;) {
    char c = s[i];
    if (c == ':') continue;
    if (c == '\'' && !reversed.empty() && reversed.back() == '\'') reversed.pop_back();
    if (static_cast<unsigned char>(c) == kIDiaeresis) c = 'i';
    reversed.push_back(c);
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

}  // namespace

std::u16string GreekToUnicode(std::string_view part) {
  std::u16string out;
  if (part == kRoughOi) return std::u16string(kRoughOiGreek);
  std::string_view rest = part;
  bool paired = MayStartWithPair(rest) && ReadPairs(rest, out);
  if (!paired && !rest.empty()) ReadToken(rest, FirstTokens(), out);
  while (!rest.empty()) {
    if (rest.starts_with(kRoughRho)) {
      out += kRoughRhoGreek;
      rest.remove_prefix(kRoughRho.size());
    } else {
      ReadToken(rest, LaterTokens(), out);
    }
  }
  return out;
}

std::string GreekToUtf8(std::string_view part) {
  std::string out;
  for (char16_t c : GreekToUnicode(part)) AppendUtf8(out, c);
  return out;
}

std::string GreekToCp1253(std::string_view part) {
  std::string out;
  char pending = 0;
  for (char ch : RewriteMarks(part)) {
    unsigned char c = static_cast<unsigned char>(ch);
    unsigned char b = c;
    if (c == '.') {
      b = kCp1253Tonos;
    } else if (c == ':') {
      b = kCp1253Diaeresis;
    } else if (c == ';') {
      b = kCp1253DialytikaTonos;
    } else if (c == '"' || c == '\'') {
      pending = ch;
      continue;
    } else if (pending == '\'') {
      b = AccentedCp1253(c);
      pending = 0;
    } else if (c >= 'a' && c <= 'z') {
      b = kCp1253Letters[c - 'a'];
    } else if (c == 'J') {
      b = kCp1253CapitalJ;
    } else if (c == 'V') {
      b = kCp1253CapitalV;
    } else if (c >= 'A' && c <= 'Z') {
      b = kCp1253Letters[c - 'A'] - 0x20;
    }
    out.push_back(static_cast<char>(b));
  }
  return out;
}

}  // namespace quillmar
