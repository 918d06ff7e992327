#include "retrieval/word_key.h"

#include <array>
#include <cstdint>

namespace quillmar {

namespace {

// Small letter of each byte under KleinFalten.
constexpr std::array<uint8_t, 256> MakeFoldTable() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<uint8_t>(c + 32);
  table[140] = 156;  // Œ
  // À..Ï, Ñ..Ô, Ö, Ù..Ý map to their small letter 32 codes higher; Ã Ð Õ × Ø Þ stay.
  for (int c = 192; c <= 221; ++c) {
    if (c != 195 && c != 208 && c != 213 && c != 215 && c != 216) {
      table[c] = static_cast<uint8_t>(c + 32);
    }
  }
  return table;
}

// The key bytes of one folded character: one or two bytes.
struct KeyBytes {
  uint8_t count;
  uint8_t first;
  uint8_t second;
};

// Key bytes of each raw byte: folding and transliteration in one step.
constexpr std::array<KeyBytes, 256> MakeKeyTable(const std::array<uint8_t, 256>& fold) {
  std::array<uint8_t, 256> single{};
  for (int c = 0; c < 256; ++c) single[c] = static_cast<uint8_t>(c);
  for (int c : {224, 225, 226, 229}) single[c] = 'a';
  single[231] = 'c';
  for (int c = 232; c <= 235; ++c) single[c] = 'e';
  for (int c = 236; c <= 239; ++c) single[c] = 'i';
  single[241] = 'n';
  for (int c = 242; c <= 244; ++c) single[c] = 'o';
  for (int c = 249; c <= 251; ++c) single[c] = 'u';
  single[255] = 'y';

  std::array<KeyBytes, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const uint8_t small = fold[c];
    switch (small) {
      case 156:  // œ
      case 246:  // ö
        table[c] = {2, 'o', 'e'};
        break;
      case 223:  // ß
        table[c] = {2, 's', 's'};
        break;
      case 228:  // ä
      case 230:  // æ
        table[c] = {2, 'a', 'e'};
        break;
      case 252:  // ü
        table[c] = {2, 'u', 'e'};
        break;
      default:
        table[c] = {1, single[small], 0};
    }
  }
  return table;
}

constexpr std::array<uint8_t, 256> kFold = MakeFoldTable();
constexpr std::array<KeyBytes, 256> kKey = MakeKeyTable(kFold);

constexpr bool IsTrimmed(uint8_t c) { return c <= 32; }

std::string_view TrimView(std::string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && IsTrimmed(static_cast<uint8_t>(s[begin]))) ++begin;
  while (end > begin && IsTrimmed(static_cast<uint8_t>(s[end - 1]))) --end;
  return s.substr(begin, end - begin);
}

// Yields the key bytes of a trimmed word one at a time; -1 at the end.
class KeyCursor {
 public:
  explicit KeyCursor(std::string_view word) : word_(TrimView(word)) {}

  int Next() {
    if (pending_ >= 0) {
      const int c = pending_;
      pending_ = -1;
      return c;
    }
    if (index_ == word_.size()) return -1;
    const KeyBytes& key = kKey[static_cast<uint8_t>(word_[index_++])];
    if (key.count == 2) pending_ = key.second;
    return key.first;
  }

 private:
  std::string_view word_;
  size_t index_ = 0;
  int pending_ = -1;
};

}  // namespace

char FoldCharToLower(char c) { return static_cast<char>(kFold[static_cast<uint8_t>(c)]); }

std::string KleinFalten(std::string_view word) {
  std::string result(word);
  for (char& c : result) c = FoldCharToLower(c);
  return result;
}

std::string Normalisieren(std::string_view word) {
  const std::string_view trimmed = TrimView(word);
  std::string result;
  result.reserve(trimmed.size() + 4);
  for (char c : trimmed) {
    const KeyBytes& key = kKey[static_cast<uint8_t>(c)];
    result.push_back(static_cast<char>(key.first));
    if (key.count == 2) result.push_back(static_cast<char>(key.second));
  }
  return result;
}

int WortVergleich(std::string_view a, std::string_view b) {
  KeyCursor left(a);
  KeyCursor right(b);
  for (;;) {
    const int x = left.Next();
    const int y = right.Next();
    // The end (-1) sorts before every byte, so a prefix sorts first.
    if (x != y) return x < y ? -1 : 1;
    if (x < 0) return 0;
  }
}

int WortVergleichMitSchluessel(std::string_view wort, std::string_view schluessel) {
  KeyCursor left(wort);
  for (const char k : schluessel) {
    const int x = left.Next();
    const int y = static_cast<uint8_t>(k);
    if (x != y) return x < y ? -1 : 1;
  }
  return left.Next() < 0 ? 0 : 1;
}

}  // namespace quillmar
