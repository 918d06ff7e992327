#include "phonetic_rules.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillmar::phonetic {

namespace {

bool IsWildcard(char c) { return c == '*' || c == '?'; }
bool IsVowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }
bool IsLetter(char c) { return c >= 'a' && c <= 'z'; }
char At(const std::string& s, size_t i) { return i < s.size() ? s[i] : '\0'; }

// Windows-1252 byte -> lower-case ASCII letters (empty: the byte is dropped). Letters with
// diacritics lose them; ä æ, ö œ and ü become "ae", "oe" and "ue" as in the word key; ß is "ss",
// þ "th". Digits are kept; punctuation, symbols and control bytes are dropped.
const std::array<const char*, 256>& FoldTable() {
  static const std::array<const char*, 256> table = [] {
    std::array<const char*, 256> t{};
    t.fill("");
    static const char* const kLower[26] = {"a", "b", "c", "d", "e", "f", "g", "h", "i",
                                           "j", "k", "l", "m", "n", "o", "p", "q", "r",
                                           "s", "t", "u", "v", "w", "x", "y", "z"};
    static const char* const kDigits[10] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int c = 0; c < 26; ++c) t['a' + c] = t['A' + c] = kLower[c];
    for (int c = 0; c < 10; ++c) t['0' + c] = kDigits[c];
    t['*'] = "*";
    t['?'] = "?";
    t[0x83] = "f";                                // ƒ
    t[0x8A] = t[0x9A] = "s";                      // Š š
    t[0x8C] = t[0x9C] = "oe";                     // Œ œ
    t[0x8E] = t[0x9E] = "z";                      // Ž ž
    t[0x9F] = t[0xDD] = t[0xFD] = t[0xFF] = "y";  // Ÿ Ý ý ÿ
    for (int base : {0xC0, 0xE0}) {               // capitals and small letters share the layout
      for (int c = 0; c <= 5; ++c) t[base + c] = "a";    // À-Å
      t[base + 4] = "ae";                                // Ä
      t[base + 6] = "ae";                                // Æ
      t[base + 7] = "c";                                 // Ç
      for (int c = 8; c <= 11; ++c) t[base + c] = "e";   // È-Ë
      for (int c = 12; c <= 15; ++c) t[base + c] = "i";  // Ì-Ï
      t[base + 16] = "d";                                // Ð
      t[base + 17] = "n";                                // Ñ
      for (int c = 18; c <= 21; ++c) t[base + c] = "o";  // Ò-Õ
      t[base + 22] = "oe";                               // Ö
      t[base + 24] = "o";                                // Ø
      for (int c = 25; c <= 27; ++c) t[base + c] = "u";  // Ù-Û
      t[base + 28] = "ue";                               // Ü
      t[base + 30] = "th";                               // Þ
    }
    t[0xDF] = "ss";  // ß
    return t;
  }();
  return table;
}

std::string Fold(std::string_view word) {
  while (!word.empty() && static_cast<unsigned char>(word.front()) <= 32) word.remove_prefix(1);
  while (!word.empty() && static_cast<unsigned char>(word.back()) <= 32) word.remove_suffix(1);
  word = word.substr(0, kMaxKeyLength);
  std::string out;
  for (char c : word) out += FoldTable()[static_cast<unsigned char>(c)];
  return out;
}

// Removes the second of two equal adjacent letters where `collapsible` says so.
template <typename Pred>
std::string Collapse(const std::string& s, Pred collapsible) {
  std::string out;
  for (char c : s)
    if (out.empty() || out.back() != c || !IsLetter(c) || !collapsible(c)) out += c;
  return out;
}

bool IsConsonant(char c) { return IsLetter(c) && !IsVowel(c); }

// Level 1 joins doubled consonants (Schmitt, Philipp, littera), except a doubled last letter of a
// word of up to four letters, which in English and German usually makes another word (in/inn,
// of/off, his/hiss, man/Mann).
std::string CollapseConsonants(const std::string& s, bool initial) {
  const size_t n = s.size();
  const bool keepLast = initial && n >= 2 && n <= 4 && s[n - 1] == s[n - 2];
  std::string out = Collapse(s.substr(0, keepLast ? n - 1 : n), IsConsonant);
  if (keepLast) out += s[n - 1];
  return out;
}

// Level 1: spelling variants. `initial`: the segment starts the word.
std::string Level1(std::string s, bool initial) {
  // y and j are i, except a y that starts the word before a vowel (yes, yoke).
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == 'j') s[i] = 'i';
    if (s[i] == 'y' && !(initial && i == 0 && IsVowel(At(s, 1)))) s[i] = 'i';
  }
  if (initial) {
    // A silent h before i and a vowel (Hierusalem, hierba), a silent p before s or t (psalmus,
    // Ptolemaeus); v for u before a consonant (vnto, vt).
    if (s.size() >= 3 && s[0] == 'h' && s[1] == 'i' && IsVowel(s[2])) s.erase(0, 1);
    if (s.size() >= 3 && s[0] == 'p' && (s[1] == 's' || s[1] == 't')) s.erase(0, 1);
    if (s.size() >= 2 && s[0] == 'v' && IsLetter(s[1]) && !IsVowel(s[1])) s[0] = 'u';
  }
  s = CollapseConsonants(s, initial);
  // Consonantal i and u (Iesus/Jesus, eius/ejus, uita/vita, Dauid/David, seruus/servus), read
  // from left to right: an i that starts the word before a vowel, then u, then i between vowels.
  if (initial && s.size() >= 2 && s[0] == 'i' && IsVowel(s[1])) s[0] = 'j';
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != 'u') continue;
    const char prev = i > 0 ? s[i - 1] : '\0';
    const char next = At(s, i + 1);
    const bool start = initial && i == 0 && IsVowel(next);
    const bool betweenVowels = IsVowel(prev) && IsVowel(next);
    // The first u of "uu" before a consonant (seruus, uulnus), not after q or g (equus).
    const bool firstOfDouble =
        next == 'u' && !IsVowel(At(s, i + 2)) && prev != 'q' && prev != 'g' && !IsVowel(prev);
    if (start || betweenVowels || firstOfDouble) s[i] = 'v';
  }
  for (size_t i = 1; i + 1 < s.size(); ++i)
    if (s[i] == 'i' && IsVowel(s[i - 1]) && IsVowel(s[i + 1])) s[i] = 'j';

  // Digraphs and the letters c and q.
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const char n1 = At(s, i + 1);
    const char n2 = At(s, i + 2);
    const char prev = i > 0 ? s[i - 1] : '\0';
    if (c == 's' && n1 == 'c' && n2 == 'h') {
      out += "sch";
      i += 2;
    } else if ((c == 'p' || c == 'r') && n1 == 'h') {
      out += c == 'p' ? 'f' : 'r';
      ++i;
    } else if (c == 'a' && n1 == 'e') {
      out += 'e';
      ++i;
    } else if (c == 'd' && n1 == 't' && n2 != 'h') {  // Schmidt; not breadth
      out += 't';
      ++i;
    } else if (c == 'c' && n1 == 'k') {
      out += 'k';
      ++i;
    } else if (c == 'c' && n1 == 'h') {
      if (n2 == 'r' || n2 == 'l') {
        out += 'k';
      } else {
        out += "ch";
      }
      ++i;
    } else if (c == 'c') {
      // Soft before e, i and the digraphs read as e (ae, oe); hard everywhere else.
      const bool soft = n1 == 'e' || n1 == 'i' || ((n1 == 'a' || n1 == 'o') && n2 == 'e');
      out += soft ? 'c' : 'k';
    } else if (c == 'q') {
      out += 'k';
    } else if (c == 't' && n1 == 'i' && IsVowel(n2) && i > 0 && prev != 's' && prev != 't' &&
               prev != 'x') {
      out += 'c';  // natio/nacio, gratia/gracia, partial/parcial
    } else {
      out += c;
    }
  }
  // English -our/-or (colour, honour, Saviour) after at least three letters; -ise/-ize.
  for (size_t i = 3; i + 3 <= out.size(); ++i)
    if (out.compare(i, 3, "our") == 0) out.erase(i + 1, 1);
  for (size_t i = 1; i + 1 < out.size(); ++i) {
    const char n = out[i + 1];
    if (out[i - 1] == 'i' && out[i] == 'z' && (n == 'e' || n == 'a' || n == 'i')) out[i] = 's';
  }
  return CollapseConsonants(out, initial);
}

// Level 2: the consonant skeleton. The first letter of the word stays; after it every vowel and
// every h that does not follow c or s is dropped; doubled letters that result are joined.
std::string Level2(const std::string& s, bool initial) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (initial && i == 0) {
      out += c;
    } else if (IsVowel(c)) {
      continue;
    } else if (c == 'h' && !(i > 0 && (s[i - 1] == 'c' || s[i - 1] == 's'))) {
      continue;
    } else {
      out += c;
    }
  }
  return Collapse(out, [](char) { return true; });
}

// Level 3: sound classes. An initial vowel or h is "a"; sch/sh are s, ch is k; voiced and
// voiceless consonants fall together (b/p, d/t, g/k), as do c (always soft here), z and s,
// v, w and f, m and n, j and y; x is ks.
std::string Level3(const std::string& s, bool initial) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const char n1 = At(s, i + 1);
    if (initial && i == 0 && (IsVowel(c) || c == 'h')) {
      out += 'a';
    } else if (c == 's' && n1 == 'c' && At(s, i + 2) == 'h') {
      out += 's';
      i += 2;
    } else if ((c == 's' || c == 'c') && n1 == 'h') {
      out += c == 's' ? 's' : 'k';
      ++i;
    } else {
      switch (c) {
        case 'b':
          out += 'p';
          break;
        case 'd':
          out += 't';
          break;
        case 'g':
        case 'q':
          out += 'k';
          break;
        case 'c':
        case 'z':
          out += 's';
          break;
        case 'x':
          out += "ks";
          break;
        case 'v':
        case 'w':
          out += 'f';
          break;
        case 'm':
          out += 'n';
          break;
        case 'y':
          out += 'j';
          break;
        case 'h':
          break;
        default:
          out += c;
      }
    }
  }
  return Collapse(out, [](char) { return true; });
}

// Level 4: a coarse code. After the first sound, j is dropped; l and r fall together, as do p
// and f.
std::string Level4(const std::string& s, bool initial) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == 'j' && !(initial && i == 0)) continue;
    switch (c) {
      case 'l':
        out += 'r';
        break;
      case 'f':
        out += 'p';
        break;
      default:
        out += c;
    }
  }
  return Collapse(out, [](char) { return true; });
}

// Applies a level's rules to every literal part of a (possibly masked) key; wildcards stay.
template <typename Rule>
std::string PerSegment(const std::string& key, Rule rule) {
  std::string out;
  size_t i = 0;
  while (i < key.size()) {
    if (IsWildcard(key[i])) {
      out += key[i++];
      continue;
    }
    size_t end = i;
    while (end < key.size() && !IsWildcard(key[end])) ++end;
    out += rule(key.substr(i, end - i), i == 0);
    i = end;
  }
  return out.substr(0, kMaxKeyLength);
}

// Whether the word is transliterated Greek (docs/greek.md): it carries a mark that only the
// transliteration uses, a backquote, tilde or colon, a full stop at its start, or an apostrophe
// before a vowel (an apostrophe before s is also the English genitive, so it does not count).
// The reader's query line marks an unaccented Greek word with a leading backquote.
bool IsTransliteratedGreek(std::string_view word) {
  while (!word.empty() && static_cast<unsigned char>(word.front()) <= 32) word.remove_prefix(1);
  if (word.starts_with('.')) return true;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (c == '`' || c == '~' || c == ':') return true;
    if (c == '\'' && i + 1 < word.size() &&
        std::string_view("aehiouwAEHIOUW").find(word[i + 1]) != std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace

std::string Key(std::string_view word, int level) {
  level = std::clamp(level, 1, kLevels);
  // Greek keeps its letters at level 1 (q is theta, y psi, c chi: the spelling rules of the
  // Latin alphabet would join different Greek letters); folding drops accents, breathings, iota
  // subscript and diaeresis.
  std::string key = IsTransliteratedGreek(word) ? Fold(word) : PerSegment(Fold(word), Level1);
  if (key.empty()) return "_";
  if (level >= 2) key = PerSegment(key, Level2);
  if (level >= 3) key = PerSegment(key, Level3);
  if (level >= 4) key = PerSegment(key, Level4);
  return key;
}

void ConvertBuffer(char* buffer, int32_t level) {
  const void* end = std::memchr(buffer, 0, kBufferSize - 1);
  const size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - buffer)
                                       : kBufferSize - 1;
  const std::string key = Key(std::string_view(buffer, length), level);
  const size_t n = std::min(key.size(), kBufferSize - 1);
  std::memcpy(buffer, key.data(), n);
  std::memset(buffer + n, 0, kBufferSize - n);
}

}  // namespace quillmar::phonetic
