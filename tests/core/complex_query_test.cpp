#include "retrieval/complex_query.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/language.h"
#include "retrieval/conjunction.h"
#include "retrieval/hit_file.h"
#include "retrieval/hit_query.h"
#include "retrieval/search_thread.h"
#include "support/index_files.h"
#include "support/temp_dir.h"

namespace quillmar::retrieval {
namespace {

// A hit in text 1 at `pos` with word number `wn` in paragraph `absatz` of chapter `kapitel`.
TFundstelle H(int32_t pos, uint16_t wn, int32_t absatz, uint8_t kapitel) {
  TFundstelle h;
  h.TextNr = 1;
  h.Position = pos;
  h.WortNr = wn;
  h.Seite = 1;
  h.AbsatzKennung3 = absatz;
  h.Kapitel = kapitel;
  return h;
}

// Paragraph 1: "gott kaiser"; 2: "kaiser .. gott" (3 words apart); 3: "gott ... kaiser" (4 apart),
// chapter 2; 4: "papst", chapter 2; 5: "burg", "hamburg".
std::vector<test::IndexWord> Woerter() {
  return {{"gott", {H(10, 1, 1, 1), H(130, 13, 2, 1), H(200, 20, 3, 2)}},
          {"kaiser", {H(15, 2, 1, 1), H(100, 10, 2, 1), H(240, 24, 3, 2)}},
          {"papst", {H(300, 30, 4, 2)}},
          {"burg", {H(400, 40, 5, 3)}},
          {"hamburg", {H(410, 41, 5, 3)}}};
}

class ComplexQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sprache_ = CurrentLanguage();
    SetCurrentLanguage(kGerman);
    for (const char* cd : {"CDA", "CDB", "CDC"}) {
      CollectionSearchInfo info;
      info.CDID = cd;
      info.Path = dir_.Sub(cd);
      katalog_.Hinzufuegen(info);
    }
    test::WriteIndexFiles(dir_.Sub("CDA/data"), Woerter());
    test::WriteIndexFiles(dir_.Sub("CDC/DATA"), Woerter());
    test::WriteIndexFiles(dir_.Sub("CDB/data"), Woerter());
    std::remove(dir_.Sub("CDB/data/fundst.dat").c_str());
  }
  void TearDown() override { SetCurrentLanguage(sprache_); }

  // Positions of the hits of `zeile` on CDA.
  std::vector<int32_t> Suche(const std::string& zeile, int32_t abstand = 0, int32_t modus = 1) {
    TKomplexAnfrage q(katalog_, nullptr);
    q.CDs = {"CDA"};
    q.Wortabstand = abstand;
    q.Modus = modus;
    q.Ausfuehren(zeile);
    status_ = q.Status;
    std::vector<int32_t> out;
    for (const auto& e : q.Ergebnis.EntryList()) out.push_back(e.Fundstelle.Position);
    return out;
  }
  using P = std::vector<int32_t>;

  int sprache_ = kEnglish;
  test::TempDir dir_;
  SearchCatalog katalog_;
  int32_t status_ = -1;
};

TEST_F(ComplexQueryTest, AndFollowedByAndPhraseJoinHitsByTheirRules) {
  EXPECT_EQ(Suche("gott UND kaiser", 3), (P{10, 100}));  // either order, at most 3 words apart
  EXPECT_EQ(Suche("Gott und Kaiser", 0), (P{10, 100, 200}));
  EXPECT_EQ(Suche("gott ... kaiser"), (P{10, 200}));
  EXPECT_EQ(Suche("kaiser...gott"), (P{100}));
  EXPECT_EQ(Suche("gott kaiser"), (P{10}));  // the very next word
  EXPECT_EQ(Suche("kaiser gott"), P{});
  EXPECT_EQ(Suche("gott UND papst"), P{});
  EXPECT_EQ(Suche("gott UND papst", 0, 2), (P{200}));  // same section
  EXPECT_EQ(Suche("(gott ODER kaiser) UND papst", 0, 2), (P{200}));
  EXPECT_EQ(Suche("gott ODER kaiser ODER gott"), (P{10, 15, 100, 130, 200, 240}));
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(Suche("gott UND"), (P{10, 130, 200}));
  EXPECT_EQ(status_, 0);

  TKomplexAnfrage q(katalog_, nullptr);
  q.CDs = {"CDA"};
  q.Modus = 1;
  q.Ausfuehren("gott kaiser");
  const TAnzeigeRecord& a = q.Ergebnis.Anzeige(1);
  EXPECT_EQ(q.Ergebnis.AnzeigeText(1), "gott...kaiser");
  EXPECT_EQ(a.Anfang, 10);
  EXPECT_EQ(a.Ende, 20);
  EXPECT_EQ(a.WortPos[1], 15);
  EXPECT_EQ(a.WortPos[2], -1);

  q.Modus = 2;
  q.Wortabstand = 3;
  try {
    q.Ausfuehren("gott UND kaiser");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "interner Fehler, unerlaubter Wert (IF-SFS 003)");
  }
}

TEST_F(ComplexQueryTest, CombiningMergesWordSlotsAndChecksItsArguments) {
  TFundstellenListe::Eintrag a{TAnzeigeRecord::Single(H(10, 1, 1, 1), "a"), H(10, 1, 1, 1), {}};
  TFundstellenListe::Eintrag b{TAnzeigeRecord::Single(H(30, 3, 1, 1), "c"), H(30, 3, 1, 1), {}};
  TFundstellenListe::Eintrag c{TAnzeigeRecord::Single(H(20, 2, 1, 1), "b"), H(20, 2, 1, 1), {}};
  const auto ab = Verbinden(b, a, 0, 1);  // ordered by position whatever the argument order
  ASSERT_TRUE(ab);
  const auto abc = Verbinden(*ab, c, 2, 1);
  ASSERT_TRUE(abc);
  EXPECT_EQ(abc->Anzeige.AnzeigeText(), "a...b...c");
  EXPECT_EQ(abc->Anzeige.Ende, 30);
  EXPECT_EQ(Verbinden(a, a, 1, 1)->Anzeige.AnzeigeText(), "a");
  EXPECT_FALSE(Verbinden(a, b, 1, 1));  // two words apart
  EXPECT_THROW(Verbinden(a, b, 0, 3), Exception);
  a.Anzeige.WortNummern[0] = 0;
  try {
    Verbinden(a, b, 0, 1);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "interner Fehler, Wortnummer erwartet (IF-SFS 001)");
  }
  TUndKonjunktion k;
  k.Liste2.reset();
  try {
    k.Liste1_UND_Liste2();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "interner Fehler (UKJ 001)");
  }
}

TEST_F(ComplexQueryTest, SyntaxErrorsSetTheirStatusAndLeaveNoHits) {
  // The keywords of the interface language, in any case.
  for (const auto& [zeile, status] :
       {std::pair{"UND kaiser", -4}, std::pair{"gott oder", -3}, std::pair{"gott AND kaiser", 0}}) {
    Suche(zeile);
    EXPECT_EQ(status_, status) << zeile;
  }
  EXPECT_EQ(Suche("papst ODER"), P{});
  EXPECT_EQ(status_, -3);

  EXPECT_EQ(StatusText(-2), "Fehler in der Anfrageformulierung: Klammer falsch gesetzt");
  EXPECT_EQ(StatusText(-3),
            "Fehler in der Anfrageformulierung: Schlüsselwort 'ODER' falsch verwendet");
  EXPECT_EQ(StatusText(10), "Suche wurde abgebrochen");
  EXPECT_EQ(StatusText(-1), "Fehler in der Anfrageformulierung");
  EXPECT_EQ(StatusText(0), "");
  SetCurrentLanguage(kEnglish);
  EXPECT_EQ(StatusText(-4), "Error in question: Wrong use of 'AND'");
  EXPECT_EQ(StatusText(-5), "Error in question: Wrong use of '...'");
  EXPECT_EQ(StatusText(-6), "Error in question: format error");
  EXPECT_EQ(StatusText(10), "Search canceled");
  TKomplexAnfrage englisch(katalog_, nullptr);
  EXPECT_EQ(englisch.UndWort, "AND");
  EXPECT_EQ(englisch.OderWort, "OR");
}

TEST_F(ComplexQueryTest, FuzzyLevelsWidenWordsWithOuterAsterisks) {
  EXPECT_EQ(TKomplexAnfrage::ExpandStarWords("*burg", "ODER"), "(burg ODER *burg)");
  EXPECT_EQ(TKomplexAnfrage::ExpandStarWords(" a burg* (x.*b*) * ", "OR"),
            "a (burg OR burg*) (x.(b OR b* OR *b OR *b*)) *");

  // Without a fuzzy library the level falls back to exact search; "burg" comes twice, once.
  TKomplexAnfrage q(katalog_, nullptr);
  q.CDs = {"CDA"};
  q.Stufe = 2;
  q.Ausfuehren("*burg");
  EXPECT_EQ(q.Status, 0);
  ASSERT_EQ(q.Ergebnis.Anzahl(), 2);
}

TEST_F(ComplexQueryTest, WordHitsOfSeveralWordRecordsAreSortedAndMergedLikeSingleInserts) {
  TFundstelle kopf = H(700, 70, 7, 3);
  kopf.Textteil = 1;
  test::WriteIndexFiles(dir_.Sub("CDC/DATA"), {{"burg", {H(410, 41, 5, 3), kopf, H(400, 40, 5, 3)}},
                                               {"hamburg", {H(410, 41, 5, 3), H(5, 1, 1, 1)}}});
  TFundstellenAnfrage q(katalog_, nullptr);
  q.Stufe = 0;
  q.SetzeCD("CDC");
  q.Suche("*burg");
  std::vector<std::string> folge;
  for (const auto& e : q.Ergebnis().EntryList()) {
    folge.push_back(std::to_string(e.Fundstelle.Position) + e.Anzeige.Worte[0].Str());
  }
  // The heading first; the position reached through both words keeps the first word's record.
  EXPECT_EQ(folge, (std::vector<std::string>{"700burg", "5hamburg", "400burg", "410burg"}));
}

TEST_F(ComplexQueryTest, CancelledSearchEndsEmptyWithStatus10) {
  TSuchThread t(katalog_, nullptr);
  t.CDHinzufuegen("CDA");
  t.Anfrage().Anfrage = "gott ODER kaiser";
  t.Anfrage().Modus = 1;
  bool beendet = false;
  t.OnEnd = [&] { beendet = true; };
  EXPECT_EQ(t.ReturnValue(), SearchThreadState::kNotStarted);
  t.KAFTerminate();
  t.Start();
  t.Wait();
  EXPECT_TRUE(beendet);
  EXPECT_EQ(t.ReturnValue(), SearchThreadState::kEnded);
  EXPECT_EQ(t.Anfrage().Status, 10);
  EXPECT_EQ(t.Anfrage().Ergebnis.Anzahl(), 0);
  EXPECT_FALSE(t.Anfrage().Fehler);
}

// CDB has lost its hit file: it is left out with one message naming it, and the collections on
// either side of it keep every hit, with the filters in force.
TEST_F(ComplexQueryTest, ACollectionWithAFileErrorIsLeftOutAndTheOthersAreSearched) {
  CollectionSearchInfo bravo;
  bravo.CDID = "CDB";
  bravo.Name = "Bravo";
  bravo.Path = dir_.Sub("CDB");
  katalog_.Hinzufuegen(bravo);
  TSuchThread t(katalog_, nullptr);
  for (const char* cd : {"CDC", "CDB", "CDC", "CDA"}) t.CDHinzufuegen(cd);
  EXPECT_EQ(t.CDs(), (std::vector<std::string>{"CDC", "CDB", "CDA"}));
  t.Anfrage().Anfrage = "gott";
  t.Anfrage().Ergebnis.Textteile.Aktiv = true;
  t.Anfrage().Ergebnis.Textteile.Aufnehmen(0);
  t.Start();
  t.Wait();
  const TKomplexAnfrage& q = t.Anfrage();
  EXPECT_TRUE(q.Fehler);
  EXPECT_EQ(q.LeftOut, std::vector<std::string>{"CDB"});
  EXPECT_EQ(q.FehlerText,
            "Die Sammlung 'Bravo' konnte nicht durchsucht werden; das Ergebnis enthält keine "
            "ihrer Fundstellen.\nDatei 'fundst.dat' nicht gefunden in '" +
                dir_.Sub("CDB/data") + "'.(TFDA 001)");
  std::vector<std::string> cds;
  for (const auto& e : q.Ergebnis.EntryList()) cds.push_back(e.CD.Str());
  EXPECT_EQ(cds, (std::vector<std::string>{"CDA", "CDA", "CDA", "CDC", "CDC", "CDC"}));
  EXPECT_EQ(q.Status, 0);
  EXPECT_TRUE(q.Ergebnis.Textteile.Aktiv);
  EXPECT_TRUE(q.Vorlage.Textteile.Enthaelt(0));
}

// The hit file is opened after the words were looked up: a collection whose directory goes at
// that moment (its medium taken out) is left out with a message, and the next collection is
// searched as usual.
TEST_F(ComplexQueryTest, ACollectionRemovedWhileSearchedIsLeftOut) {
  const std::string cda = dir_.Sub("CDA");
  TFundstellenDateiAnfrage::SetOpenHook([&](const std::string& path) {
    if (path.starts_with(cda)) std::filesystem::rename(cda, cda + ".away");
  });
  TSuchThread t(katalog_, nullptr);
  t.CDHinzufuegen("CDA");
  t.CDHinzufuegen("CDC");
  t.Anfrage().Anfrage = "gott UND kaiser";
  t.Anfrage().Modus = 1;
  t.Start();
  t.Wait();
  TFundstellenDateiAnfrage::SetOpenHook(nullptr);
  const TKomplexAnfrage& q = t.Anfrage();
  EXPECT_EQ(q.LeftOut, std::vector<std::string>{"CDA"});
  EXPECT_NE(q.FehlerText.find("nicht gefunden in '" + cda + "/data'"), std::string::npos)
      << q.FehlerText;
  EXPECT_GT(q.Ergebnis.Anzahl(), 0);
  for (const auto& e : q.Ergebnis.EntryList()) EXPECT_EQ(e.CD.Str(), "CDC");
}

}  // namespace
}  // namespace quillmar::retrieval
