#include "phonetic_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace quillmar::phonetic {
namespace {

// The lowest level whose keys join the two words; 0 when no level does.
int FirstJoiningLevel(const std::string& a, const std::string& b) {
  for (int level = 1; level <= kLevels; ++level)
    if (Key(a, level) == Key(b, level)) return level;
  return 0;
}

// Spelling variants of one word or name, with the level that first joins them (Windows-1252).
struct Variant {
  const char* a;
  const char* b;
  int level;
};

constexpr Variant kEnglish[] = {
    {"colour", "color", 1},    {"honour", "Honor", 1},       {"Saviour", "Savior", 1},
    {"realise", "realize", 1}, {"travelled", "traveled", 1}, {"haue", "have", 1},
    {"vnto", "unto", 1},       {"Iesus", "Jesus", 1},        {"Isaac", "Isaak", 1},
    {"shew", "show", 2},       {"grey", "gray", 2},          {"centre", "center", 2},
};
constexpr Variant kGerman[] = {
    {"Meier", "Meyer", 1},
    {"Mayer", "Maier", 1},
    {"Meier", "Mayer", 2},
    {"Schmidt", "Schmitt", 1},
    {"M\xFCller", "Mueller", 1},
    {"M\xFCller", "Muller", 2},
    {"Stra\xDF"
     "e",
     "Strasse", 1},
    {"Photographie", "Fotografie", 1},
    {"Sch\xE4"
     "fer",
     "Schefer", 1},
    {"Carl", "Karl", 1},
    {"Hoffmann", "Hofmann", 1},
    {"Fischer", "Fisher", 3},
    {"Smith", "Schmidt", 3},
};
constexpr Variant kSpanish[] = {
    {"cuando", "quando", 1},
    {"psicolog\xED"
     "a",
     "sicologia", 1},
    {"naci\xF3n", "nacion", 1},
    {"a\xF1o", "ano", 1},
    {"hierba", "yerba", 3},
    {"Jerusal\xE9n", "Jerusalem", 3},
    {"Habana", "Havana", 4},
};
constexpr Variant kLatin[] = {
    {"Jerusalem", "Hierusalem", 1},
    {"Jerusalem", "Jerusalm", 2},
    {"philosophia", "filosofia", 1},
    {"caelum", "celum", 1},
    {"caelum", "coelum", 2},
    {"c\x9C"
     "lum",
     "coelum", 1},
    {"seruus", "servus", 1},
    {"uita", "vita", 1},
    {"Dauid", "David", 1},
    {"eius", "ejus", 1},
    {"maior", "major", 1},
    {"iustitia", "justicia", 1},
    {"gratia", "gracia", 1},
    {"fluuius", "fluvius", 1},
    {"iuuenis", "juvenis", 1},
    {"littera", "litera", 1},
    {"quum", "cum", 2},
    {"Christus", "Cristus", 1},
    {"quotidie", "cotidie", 2},
    {"theologia", "teologia", 2},
    {"charitas", "caritas", 3},
    {"Hebraeus", "Ebraeus", 3},
};

void ExpectVariants(const char* language, const std::vector<Variant>& variants) {
  for (const Variant& v : variants)
    EXPECT_EQ(FirstJoiningLevel(v.a, v.b), v.level) << language << ": " << v.a << " / " << v.b;
}

TEST(PhoneticRulesTest, VariantsAreJoinedFromTheirLevelOn) {
  ExpectVariants("English", {std::begin(kEnglish), std::end(kEnglish)});
  ExpectVariants("German", {std::begin(kGerman), std::end(kGerman)});
  ExpectVariants("Spanish", {std::begin(kSpanish), std::end(kSpanish)});
  ExpectVariants("Latin", {std::begin(kLatin), std::end(kLatin)});
}

TEST(PhoneticRulesTest, UnrelatedWordsStayApartAtTheLowerLevels) {
  // Apart at levels 1 and 2.
  for (const auto& [a, b] : std::vector<std::pair<const char*, const char*>>{
           {"Meier", "M\xFCller"},
           {"house", "horse"},
           {"caelum", "celer"},
           {"Vater", "Wasser"},
           {"casa", "caza"},
           {"pater", "mater"},
           {"night", "knight"},
           {"lord", "land"},
           {"yoke", "joke"},
           {"his", "is"},
       }) {
    EXPECT_NE(Key(a, 1), Key(b, 1)) << a << " / " << b;
    EXPECT_NE(Key(a, 2), Key(b, 2)) << a << " / " << b;
  }
  // Apart at level 1; the consonant skeleton of level 2 joins them.
  for (const auto& [a, b] : std::vector<std::pair<const char*, const char*>>{{"good", "god"},
                                                                             {"poet", "pet"},
                                                                             {"feed", "fed"},
                                                                             {"caelum", "coelum"},
                                                                             {"then", "ten"},
                                                                             {"three", "tree"},
                                                                             {"in", "inn"},
                                                                             {"dying", "ding"}}) {
    EXPECT_NE(Key(a, 1), Key(b, 1)) << a << " / " << b;
    EXPECT_EQ(Key(a, 2), Key(b, 2)) << a << " / " << b;
  }
}

TEST(PhoneticRulesTest, TransliteratedGreekIgnoresItsMarksAtLevelOne) {
  // λόγος, ἄνθρωπος, τῷ, ἀΐδιος, ψυχή, θεός as stored and as typed without marks (the query line
  // flags an unaccented Greek word with a leading backquote).
  for (const auto& [stored, typed] :
       std::vector<std::pair<const char*, const char*>>{{"l'ogo's", "`logo's"},
                                                        {"`'anqrwpo's", "`anqrwpo's"},
                                                        {"t~:w", "`tw"},
                                                        {"`a':idio's", "`aidio's"},
                                                        {"yuc'h", "`yuch"},
                                                        {"qe'o's", "`qeo's"}}) {
    EXPECT_EQ(Key(stored, 1), Key(typed, 1)) << stored;
  }
  // Other forms of a word and letters the Latin spelling rules would join stay apart.
  EXPECT_NE(Key("l'ogo's", 1), Key("l'ogou", 1));
  EXPECT_NE(Key("qe'o's", 1), Key("ke'o's", 1));
  EXPECT_NE(Key("yuc'h", 1), Key("iuc'h", 1));
  // An English genitive is not Greek.
  EXPECT_EQ(Key("Philip's", 1), Key("Philips", 1));
}

TEST(PhoneticRulesTest, KeysAreWordListWordsAndHigherLevelsJoinWhatLowerOnesJoin) {
  std::vector<std::string> words;
  for (const Variant& v : kEnglish) words.insert(words.end(), {v.a, v.b});
  for (const Variant& v : kGerman) words.insert(words.end(), {v.a, v.b});
  for (const Variant& v : kSpanish) words.insert(words.end(), {v.a, v.b});
  for (const Variant& v : kLatin) words.insert(words.end(), {v.a, v.b});
  words.insert(words.end(),
               {"M\xDCLLER", "  Jerusalem ", "1611", "don't", "\xC6gyptus", std::string(40, 'x'),
                "\x8A"
                "koda",
                "\xDE"
                "orn"});
  for (const std::string& w : words) {
    for (int level = 1; level <= kLevels; ++level) {
      const std::string key = Key(w, level);
      ASSERT_FALSE(key.empty()) << w;
      EXPECT_LE(key.size(), kMaxKeyLength) << w;
      for (char c : key) {
        EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << w;
      }
    }
    for (const std::string& other : words) {
      for (int level = 1; level < kLevels; ++level) {
        if (Key(w, level) != Key(other, level)) continue;
        EXPECT_EQ(Key(w, level + 1), Key(other, level + 1)) << w << " / " << other << level;
      }
    }
  }
  // Case, surrounding blanks and the cut of the word list at 30 bytes do not change a key.
  EXPECT_EQ(Key("  JERUSALEM ", 1), Key("jerusalem", 1));
  EXPECT_EQ(Key(std::string(29, 'a') + "bcd", 1), Key(std::string(29, 'a') + "b", 1));
  // Wildcards of a mask stay; literal parts after them are keyed without a word start.
  EXPECT_EQ(Key("Jerus*", 2), "jrs*");
  EXPECT_EQ(Key("*salem", 2), "*slm");
  EXPECT_EQ(Key("--", 3), "_");
  EXPECT_EQ(Key("1611", 4), "1611");
}

TEST(PhoneticRulesTest, TheModuleBufferIsNeverOverrun) {
  constexpr size_t kGuard = 64;
  const auto convert = [](const std::string& word, int32_t level) {
    std::array<char, kBufferSize + kGuard> buffer;
    buffer.fill('\x55');
    std::memset(buffer.data(), 0, kBufferSize);
    std::memcpy(buffer.data(), word.data(), std::min(word.size(), kBufferSize));
    ConvertBuffer(buffer.data(), level);
    for (size_t i = kBufferSize; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '\x55') << i;
    EXPECT_EQ(buffer[kBufferSize - 1], '\0');
    return std::string(buffer.data());
  };
  std::string high;  // every byte from 128 to 255, twice, cut to 254
  for (int round = 0; round < 2; ++round)
    for (int c = 128; c < 256; ++c) high += static_cast<char>(c);
  high.resize(254);
  for (int level = 0; level <= 5; ++level) {
    EXPECT_EQ(convert(high, level), Key(high, level));
    EXPECT_EQ(convert(std::string(254, 'a'), level), Key(std::string(254, 'a'), level));
    // No terminator inside the buffer: only the first 254 bytes are read.
    EXPECT_LE(convert(std::string(kBufferSize, 'm'), level).size(), kMaxKeyLength);
  }
  EXPECT_EQ(convert("Hierusalem", 2), "jrslm");
  EXPECT_EQ(convert("", 1), "_");
}

}  // namespace
}  // namespace quillmar::phonetic
