#include "search_ui/search_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/language.h"
#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"

namespace quillmar::search_ui {
namespace {

using retrieval::TDatum;

DateBound Datum(uint8_t tag, uint8_t monat, int32_t jahr, int32_t jahr2 = TDatum::kNoYear) {
  return DateBound{tag, monat, jahr, jahr2};
}

// "day.month.year" as read, or "-" when the text is no date.
std::string Gelesen(const std::string& text) {
  const auto d = ParseDate(text);
  if (!d) return "-";
  EXPECT_EQ(d->Jahr2, TDatum::kNoYear) << text;
  return std::to_string(d->Tag) + "." + std::to_string(d->Monat) + "." + std::to_string(d->Jahr);
}

class SearchSettingsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCurrentLanguage(sprache_); }
  const int sprache_ = CurrentLanguage();
};

TEST_F(SearchSettingsTest, ReadsAndFormatsDates) {
  // Read from the year backwards; the field before an empty one stays unknown.
  for (const auto& [text, datum] :
       std::vector<std::pair<std::string, std::string>>{{"1200", "0.0.1200"},
                                                        {"12.3.1200", "12.3.1200"},
                                                        {"1,3:1200", "1.3.1200"},
                                                        {"1\\3/1200", "1.3.1200"},
                                                        {"-44", "0.0.-44"},
                                                        {"+20000", "0.0.20000"},
                                                        {"5..1200", "0.0.1200"},
                                                        {"x.3.1200", "0.3.1200"}})
    EXPECT_EQ(Gelesen(text), datum) << text;
  // Three fields are day, month, year: "1200/3/12" is day 1200 of March in the year 12.
  for (const char* ungueltig : {"", "1200/3/12", "31.13.1200", "5.0.1200", "32.1.1200", "0.-1.5",
                                "1.1.1200.5", "x", "1200.", "12a", "+-5", "20001", "-20001"})
    EXPECT_EQ(Gelesen(ungueltig), "-") << ungueltig;

  for (const char* text : {"1200", "3.1200", "12.3.1200", "-44"})
    EXPECT_EQ(DateAsNumbers(*ParseDate(text)), text);
  EXPECT_EQ(DateAsNumbers(Datum(0, 0, 1200, 1201)), "1200/1201");
  EXPECT_EQ(DateAsNumbers(DateBound{}), "");
  SetCurrentLanguage(kGerman);
  EXPECT_EQ(DateAsText(Datum(3, 3, 1200)), "3. März 1200");
  EXPECT_EQ(DateAsText(Datum(0, 12, 1200, 1201)), "Dezember 1200/1201");
  EXPECT_EQ(DateAsText(DateBound{}), "");
  EXPECT_EQ(InvalidDateMessage("5.0.1200"),
            "Das eingegebene Datum 5.0.1200 ist ungültig.\n"
            "Folgende Formate sind gültig: tt.mm.jjjj | mm.jjjj | jjjj.");
}

TEST_F(SearchSettingsTest, Summaries) {
  SetCurrentLanguage(kGerman);
  const DateBound kein;
  EXPECT_EQ(DateSummary(kein, kein, kein), "Chronologische Einschränkungen: keine.");
  EXPECT_EQ(DateSummary(Datum(0, 0, 1200), Datum(0, 3, 1250), kein),
            "Chronologische Einschränkungen: 1200 - März 1250.");
  // The exact date replaces the range.
  EXPECT_EQ(DateSummary(Datum(0, 0, 1200), Datum(0, 0, 1250), Datum(5, 5, 1220)),
            "Chronologische Einschränkungen: 5. Mai 1220.");
  EXPECT_EQ(AndSummary(1, 20), "Wortabstand bei UND-Verknüpfung: 20.");
  EXPECT_EQ(AndSummary(1, 0), "Wortabstand bei UND-Verknüpfung: beliebig/Absatz.");
  EXPECT_EQ(AndSummary(2, 0), "Wortabstand bei UND-Verknüpfung: beliebig/Unterkapitel.");
  EXPECT_EQ(FuzzyNotice({"A", "B\xe4"}),
            "Die folgenden CDs unterstützen keine unscharfe Suche:\n'A'\n'Bä'\n\nWird ignoriert.");

  // Unknown kinds and languages are left out; languages in list order.
  SetCurrentLanguage(kEnglish);
  EXPECT_EQ(TextKindSummary({0, 11, 99}), "Kind of text: text, footnote.");
  retrieval::TSmallIntSet sprachen;
  for (uint8_t code : {199, 1, 255, 104, 2}) sprachen.Aufnehmen(code);
  EXPECT_EQ(LanguageSummary(sprachen), "Language of texts: all, spain, latin, other.");
}

class SucheEinrichtenTest : public SearchSettingsTest {
 protected:
  SucheEinrichtenTest() : suche_(katalog_, nullptr) {
    e_ = SearchSettings::Standard();
    e_.Anfrage = "gro\xdf UND karl*";
    e_.CDAuswahl = {
        {"AAAA0001", "Alpha", true}, {"BBBB0002", "Beta", false}, {"CCCC0003", "Gamma", true}};
    e_.TextAuswahl = {{"0", 0, "alle", false},
                      {"BBBB0002", 7, "T7", true},
                      {"aaaa0001 ", 2, "T2", true},
                      {"CCCC0003", 4, "T4", false}};
  }
  std::vector<std::string> Einrichten() {
    return SetUpSearch(e_, suche_, katalog_,
                       [](const std::string& cd) { return cd == "CCCC0003"; });
  }
  retrieval::TFundstellenListe& Liste() { return suche_.Anfrage().Ergebnis; }

  retrieval::SearchCatalog katalog_;
  retrieval::TSuchThread suche_;
  SearchSettings e_;
};

TEST_F(SucheEinrichtenTest, FillsQueryCollectionsAndFilters) {
  e_.Wortabstand = 7, e_.UndModus = 2, e_.Stufe = 3;
  e_.Textarten = {1, 0, 11};
  e_.DatumVon = Datum(0, 0, 1200), e_.DatumBis = Datum(0, 0, 1300);
  EXPECT_EQ(Einrichten(), std::vector<std::string>{"Alpha"});

  const auto& a = suche_.Anfrage();
  EXPECT_EQ(std::vector<int32_t>({a.Wortabstand, a.Modus, a.Stufe}),
            std::vector<int32_t>({7, 2, 3}));
  EXPECT_EQ(a.Anfrage, "gro\xdf UND karl*");
  // Checked collections, then those of checked texts; one spelling per collection, as the
  // search names it.
  EXPECT_EQ(suche_.CDs(), (std::vector<std::string>{"AAAA0001", "CCCC0003", "BBBB0002"}));
  std::vector<std::string> texte;
  for (const auto& t : Liste().TextBedingungen)
    texte.push_back(t.CD.Str() + "/" + std::to_string(t.TextNr));
  EXPECT_EQ(texte, (std::vector<std::string>{"BBBB0002/7", "AAAA0001/2"}));
  EXPECT_TRUE(Liste().Textteile.Aktiv);
  for (int teil = 0; teil < 256; ++teil)
    EXPECT_EQ(Liste().Textteile.Enthaelt(static_cast<uint8_t>(teil)),
              teil == 0 || teil == 1 || teil == 2 || teil == 11)
        << teil;
  EXPECT_TRUE(Liste().Sprachen.Aktiv);
  for (uint8_t code : kLanguages)
    EXPECT_EQ(Liste().Sprachen.Enthaelt(code), e_.Sprachen.Enthaelt(code)) << int{code};
  EXPECT_EQ(Liste().DatumVon.Jahr, 1200);
  EXPECT_EQ(Liste().DatumBis.Jahr, 1300);
  EXPECT_EQ(Liste().Katalog, &katalog_);
}

TEST_F(SucheEinrichtenTest, ExactDateWinsAndAllTextsAddsNoCondition) {
  e_.TextAuswahl[0].Selected = true;
  e_.DatumVon = Datum(0, 0, 1200), e_.DatumBis = Datum(0, 0, 1300);
  e_.DatumGenau = Datum(4, 5, 1250);
  e_.Textarten = {3, 12, 10};
  e_.Stufe = 9;
  Einrichten();
  EXPECT_EQ(suche_.CDs(), (std::vector<std::string>{"AAAA0001", "CCCC0003"}));
  EXPECT_TRUE(Liste().TextBedingungen.empty());
  EXPECT_EQ(std::vector<int>({Liste().DatumVon.Tag, Liste().DatumVon.Jahr, Liste().DatumBis.Monat,
                              Liste().DatumBis.Jahr}),
            std::vector<int>({4, 1250, 5, 1250}));
  for (int teil = 0; teil <= 12; ++teil)  // subtitle 3 brings 4
    EXPECT_EQ(Liste().Textteile.Enthaelt(teil), teil == 3 || teil == 4 || teil == 10 || teil == 12);
  EXPECT_EQ(suche_.Anfrage().Stufe, 0);  // outside 0..4: exact search
}

TEST_F(SucheEinrichtenTest, NothingCheckedBelowAllSearchesCheckedCollectionsUnfiltered) {
  for (auto& t : e_.TextAuswahl) t.Selected = false;
  Einrichten();
  EXPECT_EQ(suche_.CDs(), (std::vector<std::string>{"AAAA0001", "CCCC0003"}));
  EXPECT_TRUE(Liste().TextBedingungen.empty());
  EXPECT_FALSE(Liste().HatDatumsbedingung());
}

TEST_F(SearchSettingsTest, HistoryRoundTrip) {
  SearchSettings e = SearchSettings::Standard();
  e.Anfrage = "karl";
  e.CDAuswahl = {{"AAAA0001", "Alpha", true}, {"BBBB0002", "Beta", false}};
  e.TextAuswahl = {{"0", 0, "alle", false}, {"AAAA0001", 3, "Drei", true}};
  e.Sprachen.Leeren();
  for (uint8_t code : {199, 0, 255, 103, 42}) e.Sprachen.Aufnehmen(code);
  e.Textarten = {0, 11};
  e.DatumVon = Datum(1, 2, 1200), e.DatumBis = Datum(0, 0, 1300, 1301);
  e.UndModus = 2, e.Wortabstand = 0, e.Stufe = 4;

  const TSearchHistoryRecord r = e.ToHistory();
  EXPECT_EQ(r.Language, (TSprachArray{255, 0, 103, 199, 42}));  // list order, others last
  const TSearchHistoryRecord z = SearchSettings::FromHistory(r).ToHistory();
  EXPECT_EQ(z.Question, "karl");
  ASSERT_TRUE(z.CDIDs.size() == 2u && z.Texts.size() == 2u);
  EXPECT_TRUE(z.CDIDs[0].Selected && !z.CDIDs[1].Selected);
  EXPECT_EQ(z.Texts[1].TextNo, 3);
  EXPECT_EQ(z.Language, r.Language);
  EXPECT_EQ(z.TKinds, e.Textarten);
  EXPECT_EQ(DateAsNumbers(z.Date1), "1.2.1200");
  EXPECT_EQ(DateAsNumbers(z.Date2), "1300/1301");
  EXPECT_TRUE(IsNoDate(z.Date3));
  EXPECT_EQ(std::vector<int32_t>({z.UndMode, z.WordDistance, z.FuzzyLevel}),
            std::vector<int32_t>({2, 0, 4}));

  TSearchHistoryRecord kaputt = r;
  for (int32_t stufe : {5, -1}) {
    kaputt.FuzzyLevel = stufe;
    EXPECT_EQ(SearchSettings::FromHistory(kaputt).Stufe, 0) << stufe;
  }
}

}  // namespace
}  // namespace quillmar::search_ui
