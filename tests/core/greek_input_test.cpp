#include "text/greek_input.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "text/greek.h"
#include "text/greek_tables.h"

namespace quillmar {
namespace {

std::string Utf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) AppendUtf8(out, c);
  return out;
}

// Reading back what the display shows gives a transliteration the display shows alike, for every
// key of every section in the place it stands.
TEST(GreekInput, RoundTripsEveryTableKey) {
  auto roundTrip = [](const std::string& translit) {
    const std::u16string shown = GreekToUnicode(translit);
    const GreekTransliteration back = TransliterateGreek(Utf8(shown));
    EXPECT_EQ(back.error, std::string_view::npos) << translit;
    EXPECT_EQ(GreekToUnicode(back.text), shown) << translit << " -> " << back.text;
  };
  for (const GreekTokenKey& k : GreekFirstTokenKeys()) roundTrip(std::string(k.key));
  for (const GreekTokenKey& k : GreekLaterTokenKeys()) roundTrip("b" + std::string(k.key));
  for (const GreekPairKey& k : GreekPairKeys()) roundTrip(std::string(k.key) + "n");
  roundTrip(".oi");
  roundTrip("b.r");
}

TEST(GreekInput, ReadsAnyNormalisationForm) {
  EXPECT_EQ(TransliterateGreek("κλέος").text, "kl'eo's");
  // NFD, the oxia form, and marks typed in another order.
  EXPECT_EQ(TransliterateGreek("κλε\u0301ος").text, "kl'eo's");
  EXPECT_EQ(TransliterateGreek("κλ\u1F73ος").text, "kl'eo's");
  EXPECT_EQ(TransliterateGreek("α\u0301\u0313νθρωπος").text, "`'anqrwpo's");
  EXPECT_EQ(TransliterateGreek("Ἡροδότου Ἁλικαρνησσέος").text, ".Hrod'otou .Alikarnhss'eo's");
  EXPECT_EQ(TransliterateGreek("τῷ ᾠδῇ ἀΐδιος ῥήτωρ").text, "t~:w `:wd~:h `a':idio's .r'htwr");
  EXPECT_EQ(TransliterateGreek("Ϝάναξ").text, ":g'anax");
  // A word-initial diphthong carries its breathing on the second vowel.
  EXPECT_EQ(TransliterateGreek("εἰς αὐτός οἱ οἷς").text, "`ei's `aut'o's .oi .o~i's");
  EXPECT_EQ(GreekToUnicode(TransliterateGreek("αὐτός").text), u"αὐτός");
  // Greek punctuation and other text stay text.
  EXPECT_EQ(TransliterateGreek("λόγος; λόγος· (1)").text, "l'ogo's; l'ogo's\u00B7 (1)");
}

TEST(GreekInput, ReportsCharactersWithoutTransliteration) {
  EXPECT_EQ(TransliterateGreek("ab ᾱ").error, 3u);           // alpha with macron
  EXPECT_EQ(TransliterateGreek("λϲ").error, 2u);             // lunate sigma
  EXPECT_EQ(TransliterateGreek("x\u0301").error, 1u);        // a mark without its Greek letter
  EXPECT_EQ(TransliterateGreek("α\u0301\u0300").error, 0u);  // two accents
  EXPECT_EQ(TransliterateGreek("naïve").error, std::string_view::npos);
}

TEST(GreekInput, QueryWordsKeepMasksAndOperators) {
  EXPECT_EQ(TransliterateGreekQuery("λόγ*", false, '.'), "l'og*");
  EXPECT_EQ(TransliterateGreekQuery("\"ἀρχὴ λόγος\" AND (θε?ς)", false, '.'),
            "\"`arc`h l'ogo's\" AND (qe?'s)");
  EXPECT_EQ(TransliterateGreekQuery("Ἡροδότου", false, '|'), "|Hrod'otou");
  EXPECT_EQ(TransliterateGreekQuery("Müller", false, '.'), "M\xFCller");
  // For a fuzzy search an unaccented Greek word is flagged as Greek.
  EXPECT_EQ(TransliterateGreekQuery("λογος λόγος", true, '.'), "`logo's l'ogo's");
  EXPECT_TRUE(HasGreekMarks("l'ogo's"));
  EXPECT_FALSE(HasGreekMarks("king's"));
}

}  // namespace
}  // namespace quillmar
