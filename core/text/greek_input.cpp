#include "text/greek_input.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "base/codepage.h"
#include "text/greek.h"
#include "text/greek_tables.h"

namespace quillmar {
namespace {

// The marks of a letter as bits, in the order the transliteration writes them.
enum MarkBit : uint8_t {
  kSmooth = 1,
  kRough = 2,
  kAcute = 4,
  kGrave = 8,
  kCircumflex = 16,
  kDiaeresis = 32,
  kIotaSubscript = 64,
};

// A character's letter (0 for a combining mark) and marks.
struct GreekDecomposition {
  char32_t code;
  char letter;
  uint8_t marks;
};

#include "text/greek_decomposition.inc"

constexpr char32_t kFinalSigma = 0x03C2;
constexpr char32_t kCapitalDigamma = 0x03DC;
constexpr char32_t kSmallDigamma = 0x03DD;
constexpr char32_t kQuestionMark = 0x037E;  // canonically the semicolon
constexpr char32_t kAnoTeleia = 0x0387;     // canonically the middle dot
constexpr char32_t kMiddleDot = 0x00B7;
// The koronis and psili written as the elision mark (μυρί᾽): text, as the apostrophe U+2019.
constexpr char32_t kKoronis = 0x1FBD;
constexpr char32_t kPsili = 0x1FBF;
constexpr char32_t kApostrophe = 0x2019;

const GreekDecomposition* Decompose(char32_t ch) {
  const auto* end = std::end(kGreekDecompositions);
  const auto* it =
      std::lower_bound(std::begin(kGreekDecompositions), end, ch,
                       [](const GreekDecomposition& d, char32_t c) { return d.code < c; });
  return it != end && it->code == ch ? it : nullptr;
}

// Key -> letter of the two token sections.
using KeyMap = std::unordered_map<std::string_view, char16_t>;
KeyMap MapOf(std::span<const GreekTokenKey> keys) {
  KeyMap map;
  for (const GreekTokenKey& k : keys) map.emplace(k.key, k.letter);
  return map;
}
const KeyMap& FirstKeys() {
  static const KeyMap map = MapOf(GreekFirstTokenKeys());
  return map;
}
const KeyMap& LaterKeys() {
  static const KeyMap map = MapOf(GreekLaterTokenKeys());
  return map;
}

// The letter of a key at the start of a part (first-token keys) or inside one (later keys);
// either section when the other lacks the key.
char16_t LetterOf(const std::string& key, bool first) {
  const KeyMap& primary = first ? FirstKeys() : LaterKeys();
  const KeyMap& secondary = first ? LaterKeys() : FirstKeys();
  if (key == ".r") return u'\u1FE5';
  if (auto it = primary.find(key); it != primary.end()) return it->second;
  if (auto it = secondary.find(key); it != secondary.end()) return it->second;
  return 0;
}

// One Greek letter with its marks, or a run of other text.
struct Item {
  bool letter = false;
  std::string key;        // letter: its key at the start of a part; else the text (UTF-8)
  std::string laterKey;   // letter: its key inside a part
  char16_t shown = 0;     // letter: the precomposed letter it stands for
  bool blank = false;     // text: a blank (ends a part)
  bool wildcard = false;  // text: "*" or "?"
};

// The key of a letter with marks, or nullopt when no key can hold them.
std::optional<std::string> KeyOf(char letter, uint8_t marks) {
  std::string key;
  if (marks & kSmooth) key += '`';
  if (marks & kRough) key += '.';
  if ((marks & kSmooth) && (marks & kRough)) return std::nullopt;
  const int accents =
      ((marks & kAcute) != 0) + ((marks & kGrave) != 0) + ((marks & kCircumflex) != 0);
  if (accents > 1) return std::nullopt;
  if (marks & kAcute) key += '\'';
  if (marks & kGrave) key += '`';
  if (marks & kCircumflex) key += '~';
  if ((marks & kDiaeresis) && (marks & kIotaSubscript)) return std::nullopt;
  if (marks & (kDiaeresis | kIotaSubscript)) key += ':';
  key += letter;
  if (!FirstKeys().contains(key) && !LaterKeys().contains(key) && key != ".r") return std::nullopt;
  return key;
}

std::vector<Item> Read(std::string_view utf8, GreekTransliteration& result) {
  std::vector<Item> items;
  auto fail = [&](size_t at) {
    if (result.error == std::string_view::npos) result.error = at;
  };
  auto text = [&](std::string_view s) {
    if (items.empty() || items.back().letter || items.back().blank || items.back().wildcard)
      items.push_back(Item{});
    items.back().key += s;
  };
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    const char32_t ch = DecodeUtf8(utf8, pos);
    const std::string_view raw = utf8.substr(start, pos - start);
    if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') {
      items.push_back(Item{false, std::string(raw), {}, 0, true, false});
      continue;
    }
    if (ch == '*' || ch == '?') {
      items.push_back(Item{false, std::string(raw), {}, 0, false, true});
      continue;
    }
    char letter = 0;
    uint8_t marks = 0;
    std::string special;
    if (ch == kFinalSigma) {
      special = "'s";
    } else if (ch == kCapitalDigamma || ch == kSmallDigamma) {
      special = ":g";
    } else if (ch == kQuestionMark) {
      text(";");
      continue;
    } else if (ch == kAnoTeleia || ch == kKoronis || ch == kPsili) {
      std::string sign;
      AppendUtf8(sign, ch == kAnoTeleia ? kMiddleDot : kApostrophe);
      text(sign);
      continue;
    } else if (const GreekDecomposition* d = Decompose(ch)) {
      if (d->letter == 0) {  // a mark without its letter
        fail(start);
        text(raw);
        continue;
      }
      letter = d->letter;
      marks = d->marks;
    } else {
      if (IsGreekCharacter(ch)) fail(start);
      text(raw);
      continue;
    }
    // Combining marks that follow the letter.
    while (pos < utf8.size()) {
      size_t next = pos;
      const GreekDecomposition* d = Decompose(DecodeUtf8(utf8, next));
      if (d == nullptr || d->letter != 0) break;
      marks |= d->marks;
      pos = next;
    }
    Item item{true, special, special, 0, false, false};
    if (special.empty()) {
      std::optional<std::string> key = KeyOf(letter, marks);
      if (!key) {
        fail(start);
        marks = 0;
        key = KeyOf(letter, 0);
      }
      item.key = *key;
      // Inside a part only rho keeps its breathing.
      const bool rho = letter == 'r' || letter == 'R';
      item.laterKey = rho ? *key : KeyOf(letter, marks & ~(kSmooth | kRough)).value_or(*key);
      // A backquote is the smooth breathing in a first-token key and the grave in a later one.
      item.shown = LetterOf(*key, (marks & (kSmooth | kRough)) != 0);
    } else {
      if (marks != 0) fail(start);
      item.shown = LetterOf(special, true);
    }
    items.push_back(std::move(item));
  }
  return items;
}

// The key that shows a letter in its place: at the start of a part a grave without breathing
// becomes the acute (no first token has it); inside a part the breathing is gone already.
std::string Placed(const Item& item, bool first) {
  if (!first) return item.laterKey;
  const std::string& key = item.key;
  if (FirstKeys().contains(key)) return key;
  if (key.size() == 2 && key[0] == '`') return "'" + key.substr(1);
  return key;
}

// The pair key that gives the two letters of a word-initial diphthong, preferring the form with
// the accent before the second vowel.
std::optional<std::string> PairKey(char16_t first, char16_t second) {
  std::optional<std::string> found;
  for (const GreekPairKey& pair : GreekPairKeys()) {
    if (pair.first != first || pair.second != second) continue;
    std::string key(pair.key);
    if (!found || std::string_view("aeoAEO").find(key[1]) != std::string_view::npos) found = key;
  }
  return found;
}

// Writes the part items[begin, end) (which starts with a letter when `starts` is true).
void WritePart(const std::vector<Item>& items, size_t begin, size_t end, bool starts,
               std::string& out) {
  std::u16string expected;
  std::string plain;
  bool onlyLetters = true;
  for (size_t i = begin; i < end; ++i) {
    const Item& item = items[i];
    if (!item.letter) {
      onlyLetters = false;
      plain += item.key;
      continue;
    }
    const bool first = starts && i == begin;
    expected += item.shown;
    plain += Placed(item, first);
  }
  // A word-initial diphthong whose second vowel has the breathing.
  std::optional<std::string> paired;
  if (starts && end - begin >= 2 && items[begin + 1].letter) {
    const std::string& k0 = items[begin].key;
    const std::string& k1 = items[begin + 1].key;
    if (k0.size() == 1 && (k1[0] == '`' || k1[0] == '.')) {
      if (auto pair = PairKey(LetterOf(k0, false), LetterOf(k1, true))) {
        std::string s = *pair;
        for (size_t i = begin + 2; i < end; ++i)
          s += items[i].letter ? Placed(items[i], false) : items[i].key;
        paired = s;
      }
    }
  }
  if (paired &&
      (!onlyLetters || GreekToUnicode(plain) != expected || GreekToUnicode(*paired) == expected)) {
    out += *paired;
  } else {
    out += plain;
  }
}

std::string Write(const std::vector<Item>& items) {
  std::string out;
  size_t i = 0;
  bool partStart = true;  // the next item starts a part
  while (i < items.size()) {
    const Item& item = items[i];
    if (!item.letter) {
      out += item.key;
      partStart = item.blank;
      ++i;
      continue;
    }
    // A word: everything up to the next blank.
    size_t end = i;
    while (end < items.size() && !items[end].blank) ++end;
    WritePart(items, i, end, partStart, out);
    partStart = false;
    i = end;
  }
  return out;
}

}  // namespace

bool IsGreekCharacter(char32_t ch) {
  return (ch >= 0x0370 && ch <= 0x03FF) || (ch >= 0x1F00 && ch <= 0x1FFF) ||
         (Decompose(ch) != nullptr);
}

GreekTransliteration TransliterateGreek(std::string_view utf8) {
  GreekTransliteration result;
  result.text = Write(Read(utf8, result));
  return result;
}

bool HasGreekMarks(std::string_view word) {
  constexpr std::string_view kVowels = "aehiouwAEHIOUW";
  if (word.starts_with('.')) return true;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (c == '`' || c == '~' || c == ':') return true;
    if (c == '\'' && i + 1 < word.size() && kVowels.find(word[i + 1]) != std::string_view::npos)
      return true;
  }
  return false;
}

std::string TransliterateGreekQuery(std::string_view utf8, bool flagGreek, char fullStop) {
  GreekTransliteration ignored;
  const std::vector<Item> items = Read(utf8, ignored);
  std::string out;
  size_t i = 0;
  while (i < items.size()) {
    if (!items[i].letter && !items[i].wildcard) {
      out += Utf8ToCp1252(items[i].key);
      ++i;
      continue;
    }
    size_t end = i;
    while (end < items.size() && (items[end].letter || items[end].wildcard)) ++end;
    const bool hasLetter = std::any_of(items.begin() + static_cast<ptrdiff_t>(i),
                                       items.begin() + static_cast<ptrdiff_t>(end),
                                       [](const Item& it) { return it.letter; });
    std::string word;
    if (hasLetter) {
      WritePart(items, i, end, items[i].letter, word);
      if (flagGreek && items[i].letter && !HasGreekMarks(word)) word.insert(0, "`");
      std::replace(word.begin(), word.end(), '.', fullStop);
    } else {
      for (size_t k = i; k < end; ++k) word += items[k].key;
    }
    out += word;
    i = end;
  }
  return out;
}

}  // namespace quillmar
