#include "text/greek.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "base/codepage.h"
#include "text/greek_tables.h"

namespace quillmar {
namespace {

TEST(GreekTables, SectionsAreCompleteAndUnambiguous) {
  EXPECT_EQ(GreekPairKeys().size(), 216u);
  EXPECT_EQ(GreekFirstTokenKeys().size(), 196u);
  EXPECT_EQ(GreekLaterTokenKeys().size(), 110u);

  std::set<std::string_view> pairs;
  size_t last_length = 4;
  for (const GreekPairKey& pair : GreekPairKeys()) {
    EXPECT_TRUE(pairs.insert(pair.key).second) << pair.key;
    EXPECT_TRUE(pair.key.size() == 3 || pair.key.size() == 4) << pair.key;
    EXPECT_LE(pair.key.size(), last_length) << "four-character keys come first: " << pair.key;
    last_length = pair.key.size();
  }
  for (auto section : {GreekFirstTokenKeys(), GreekLaterTokenKeys()}) {
    std::set<std::string_view> keys;
    for (const GreekTokenKey& token : section) {
      EXPECT_TRUE(keys.insert(token.key).second) << token.key;
      EXPECT_TRUE(token.key.size() >= 1 && token.key.size() <= 4) << token.key;
    }
  }
}

// Every key converts to its own output in its place: no earlier or longer key shadows it, and
// the pair gate lets every pair key through.
TEST(GreekTables, EveryKeyIsReachable) {
  for (const GreekPairKey& pair : GreekPairKeys()) {
    std::u16string expected{pair.first, pair.second, u'\u03C3'};
    EXPECT_EQ(GreekToUnicode(std::string(pair.key) + "s"), expected) << pair.key;
  }
  for (const GreekTokenKey& token : GreekFirstTokenKeys()) {
    EXPECT_EQ(GreekToUnicode(token.key), std::u16string(1, token.letter)) << token.key;
  }
  for (const GreekTokenKey& token : GreekLaterTokenKeys()) {
    EXPECT_EQ(GreekToUnicode("b" + std::string(token.key)),
              std::u16string({u'\u03B2', token.letter}))
        << token.key;
  }
}

struct Row {
  const char* input;
  const char16_t* output;
};

TEST(GreekToUnicode, TellingRowsAndEdgeCases) {
  const Row rows[] = {
      // At the start of a part.
      {"a", u"\u03B1"},
      {"`a", u"\u1F00"},
      {".a", u"\u1F01"},
      {"`'a", u"\u1F04"},
      {"``a", u"\u1F02"},
      {"`~a", u"\u1F06"},
      {"`':a", u"\u1F84"},
      {"'a", u"\u03AC"},
      {"':i", u"\u0390"},
      {".r", u"\u1FE5"},
      {"`r", u"\u1FE4"},
      {".R", u"\u1FEC"},
      {"'s", u"\u03C2"},
      {":g", u"\u03DC"},
      {"Q", u"\u0398"},
      {"C", u"\u03A7"},
      // After the first token ("b" is β).
      {"ba", u"\u03B2\u03B1"},
      {"b`a", u"\u03B2\u1F70"},
      {"b~w", u"\u03B2\u1FF6"},
      {"b'a", u"\u03B2\u03AC"},
      {"b':i", u"\u03B2\u0390"},
      {"b`:i", u"\u03B2\u1FD2"},
      {"b.r", u"\u03B2\u1FE5"},
      {"b`r", u"\u03B2\u1FE4"},
      {"b's", u"\u03B2\u03C2"},
      {"b:g", u"\u03B2\u03DC"},
      {"b:G", u"\u03B2\u03DC"},
      {"b.R", u"\u03B2\u03A1"},  // the full stop counts only before a small r
      // Vowel pairs at the start of parts of four or more characters.
      {".a'u", u"\u03B1\u1F55"},
      {".'au", u"\u03B1\u1F55"},
      {"`eis", u"\u03B5\u1F30\u03C3"},
      {"`a`e", u"\u1F00\u1F72"},
      {"`'ae", u"\u1F00\u03AD"},
      {"`E'e", u"\u0395\u1F14"},
      {".o~is", u"\u03BF\u1F37\u03C3"},
      // Edge cases.
      {"", u""},
      {".oi", u"\u03BF\u1F31"},
      {".ai", u"\u1F01\u03B9"},  // three characters: no pair
      {"~a", u"\u03B1"},         // a leading tilde is dropped
      {"l'ogos", u"\u03BB\u03CC\u03B3\u03BF\u03C3"},
      {"l'ogo's", u"\u03BB\u03CC\u03B3\u03BF\u03C2"},
      {"1a,2b;3", u"\u03B1\u03B2"},
      {"jv", u""},
      {"``", u""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(GreekToUnicode(row.input), row.output) << row.input;
  }
  EXPECT_EQ(GreekToUtf8("`'a"), "\u1F04");
  EXPECT_EQ(GreekToUtf8(".oi"), "\u03BF\u1F31");
}

struct ByteRow {
  const char* input;
  const char* output;
};

TEST(GreekToCp1253, MonotonicBytes) {
  const ByteRow rows[] = {
      {"", ""},
      {"logos", "\xEB\xEF\xE3\xEF\xF3"},
      {"ABCQ", "\xC1\xC2\xD7\xC8"},
      {"JVjv", "\xE8\xF2\xF6\xF9"},
      {"`a", "\xE1"},             // the smooth breathing goes
      {"`'a", "\xDC"},            // breathing and acute: the acute stays
      {"``a", "\xDC"},            // breathing and grave: an acute
      {".`a", "\xB4\xDC"},        // the rough breathing stays as a sign
      {"b~a`e", "\xE2\xDC\xDD"},  // circumflex and grave become the acute
      {"'AEHIOUW", "\xA2\xC5\xC7\xC9\xCF\xD5\xD9"},
      {"'a'e'h'i'o'u'w'E'H'I'O'U'W", "\xDC\xDD\xDE\xDF\xFC\xFD\xFE\xB8\xB9\xBA\xBC\xBE\xBF"},
      {"l'ogo's", "\xEB\xFC\xE3\xEF\xF2"},
      {"'b", " "},            // an acute before a consonant
      {"a'''e", "\xE1\xDD"},  // runs of accents are one accent
      {"a':i", "\xE1\xDF"},   // colons go
      {"\xEF", "\xE9"},
      {"b;1\"a",
       "\xE2\xA1"
       "1\xE1"},
      {"a'", "\xE1"},
  };
  for (const ByteRow& row : rows) {
    EXPECT_EQ(GreekToCp1253(row.input), row.output) << row.input;
  }
  EXPECT_EQ(ToUtf8(GreekToCp1253("qe'o's"), CodePage::k1253), "\u03B8\u03B5\u03CC\u03C2");
}

// Untrusted bytes: any sequence converts, the Unicode output is Greek letters only (valid
// UTF-8), and the 8-bit output never grows.
TEST(Greek, ArbitraryBytesConvertSafely) {
  const std::string alphabet = "`.'~:;\"aeiouhwrsgAEIOURbq \xEF";
  std::mt19937 random(1253);
  for (int round = 0; round < 3000; ++round) {
    std::string part(random() % 24, '\0');
    for (char& c : part) {
      c = round % 2 == 0 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
    }
    std::u16string greek = GreekToUnicode(part);
    EXPECT_LE(greek.size(), part.size());
    for (char16_t c : greek) {
      ASSERT_TRUE((c >= 0x0370 && c <= 0x03FF) || (c >= 0x1F00 && c <= 0x1FFF)) << part;
    }
    std::string utf8 = GreekToUtf8(part);
    for (size_t pos = 0; pos < utf8.size();) ASSERT_NE(DecodeUtf8(utf8, pos), U'\uFFFD') << part;
    EXPECT_LE(GreekToCp1253(part).size(), part.size());
  }
  // Long runs of marks stay linear: a paragraph without blanks is a single part.
  std::string marks;
  for (int i = 0; i < 50000; ++i) marks += "`':";
  EXPECT_EQ(GreekToUnicode(marks), u"");
  EXPECT_EQ(GreekToCp1253(marks), "");
}

}  // namespace
}  // namespace quillmar
