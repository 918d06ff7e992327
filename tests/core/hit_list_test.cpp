#include "retrieval/hit_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "retrieval/hit_file.h"
#include "retrieval/search_catalog.h"
#include "support/index_files.h"
#include "support/temp_dir.h"

namespace quillmar::retrieval {
namespace {

TFundstelle Hit(uint8_t text, int32_t pos, uint8_t teil = 0) {
  TFundstelle h;
  h.TextNr = text;
  h.Position = pos;
  h.Textteil = teil;
  h.WortNr = 1;
  return h;
}

TDatum Jahr(uint16_t jahr, uint8_t monat = 0, uint8_t tag = 0) {
  TDatum d;
  d.Jahr = jahr;
  d.Monat = monat;
  d.Tag = tag;
  return d;
}

TFundstelle Datiert(TDatum von, TDatum bis) {
  TFundstelle h = Hit(1, 1);
  h.Datum1 = von;
  h.Datum2 = bis;
  return h;
}

// (CD, text, part, position) of every entry in list order.
std::vector<std::string> Folge(const TFundstellenListe& l) {
  std::vector<std::string> out;
  for (const auto& e : l.EntryList()) {
    out.push_back(e.CD.Str() + ":" + std::to_string(e.Fundstelle.TextNr) + "/" +
                  std::to_string(e.Fundstelle.Textteil) + "@" +
                  std::to_string(e.Fundstelle.Position) + "=" + e.Anzeige.Worte[0].Str());
  }
  return out;
}

TEST(HitList, EinfuegenSortsByCdTextPartRankAndPositionAndDropsEqualHits) {
  TFundstellenListe l;
  for (uint8_t teil : {11, 10, 12, 4, 3, 0, 2, 1, 7})
    l.EinfuegenMitWort(Hit(1, 100 - teil, teil), "w", "B");
  l.EinfuegenMitWort(Hit(1, 500, 1), "w", "A");
  l.EinfuegenMitWort(Hit(0, 900, 11), "w", "B");
  l.EinfuegenMitWort(Hit(1, 5, 0), "x", "B");
  l.EinfuegenMitWort(Hit(1, 5, 0), "dup", "B");  // equal to the previous one: dropped
  EXPECT_EQ(Folge(l),
            (std::vector<std::string>{"A:1/1@500=w", "B:0/11@900=w", "B:1/1@99=w", "B:1/2@98=w",
                                      "B:1/0@5=x", "B:1/0@100=w", "B:1/3@97=w", "B:1/4@96=w",
                                      "B:1/12@88=w", "B:1/10@90=w", "B:1/11@89=w", "B:1/7@93=w"}));

  // A hit equal to the predecessor of the last insertion point is still found equal.
  TFundstellenListe m;
  for (int32_t pos : {10, 30, 20, 10, 20, 30}) m.EinfuegenMitWort(Hit(1, pos), "w", "A");
  EXPECT_EQ(m.Anzahl(), 3);

  // A damaged hit record at the very end of the position range: the end is clamped, not wrapped.
  TFundstellenListe n;
  n.EinfuegenMitWort(Hit(1, std::numeric_limits<int32_t>::max() - 1), "word", "A");
  EXPECT_EQ(n.EntryList()[0].Anzeige.Ende, std::numeric_limits<int32_t>::max());
}

TEST(HitList, BatchAndUnionEqualOneByOneInsertion) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    TFundstellenListe::Entries stapel;
    TFundstellenListe einzeln;
    TFundstellenListe gesammelt;
    // Both lists start with the same hits, so the union has to prefer existing entries.
    for (int k = 0; k < 20; ++k) {
      const TFundstelle h = Hit(rng() % 3, rng() % 15, rng() % 3);
      einzeln.EinfuegenMitWort(h, "alt" + std::to_string(k), "C");
      gesammelt.EinfuegenMitWort(h, "alt" + std::to_string(k), "C");
    }
    for (int k = 0; k < 60; ++k) {
      const TFundstelle h = Hit(rng() % 3, rng() % 15, rng() % 13);
      const std::string cd = rng() % 4 == 0 ? "B" : "C";
      const TAnzeigeRecord a = TAnzeigeRecord::Single(h, "neu" + std::to_string(k));
      einzeln.Einfuegen(h, a, cd);
      stapel.push_back(TFundstellenListe::Eintrag{a, h, CDIdentifier(cd)});
    }
    TFundstellenListe quelle;
    for (const auto& e : stapel) quelle.Anhaengen(e.Fundstelle, e.Anzeige, e.CD.View());
    gesammelt.InsertAll(quelle);
    EXPECT_EQ(quelle.Anzahl(), 0);
    ASSERT_EQ(Folge(gesammelt), Folge(einzeln)) << "round " << round;
  }
}

TEST(HitList, FiltersOnTextsLanguagesAndTextParts) {
  TFundstellenListe l;
  TFundstelle h = Hit(3, 1, 11);
  h.Sprache = 103;
  EXPECT_TRUE(l.Zulaessig(h, "A"));

  l.TextBedingungHinzufuegen(3, "B");
  EXPECT_FALSE(l.Zulaessig(h, "A"));
  EXPECT_TRUE(l.Zulaessig(h, "B"));
  l.TextBedingungHinzufuegen(3, "A");
  EXPECT_TRUE(l.Zulaessig(h, "A"));

  l.Sprachen.Aktiv = true;
  l.Sprachen.Aufnehmen(0);
  EXPECT_FALSE(l.Zulaessig(h, "A"));
  l.Sprachen.Aufnehmen(255);  // all languages
  EXPECT_TRUE(l.Zulaessig(h, "A"));

  l.Textteile.Aktiv = true;
  l.Textteile.Aufnehmen(0);
  EXPECT_FALSE(l.Zulaessig(h, "A"));
  l.Textteile.Aufnehmen(11);
  EXPECT_TRUE(l.Zulaessig(h, "A"));

  // Filters apply to every way of filling; Leeren keeps them, FilterZuruecksetzen drops them.
  l.AnhaengenRoh(Hit(3, 2, 4), "A");
  l.Einfuegen(Hit(4, 2, 11), TAnzeigeRecord{}, "A");
  EXPECT_EQ(l.Anzahl(), 0);
  l.EinfuegenMitWort(Hit(3, 2, 0), "w", "A");
  EXPECT_EQ(l.Anzahl(), 1);
  l.Leeren();
  l.FilterZuruecksetzen();
  l.AnhaengenRoh(Hit(3, 2, 0), "A");
  EXPECT_EQ(l.Anzahl(), 1);
}

TEST(HitList, DateFilterUsesTheCollectionsMarkerAndOffset) {
  SearchCatalog katalog;
  CollectionSearchInfo info;
  info.CDID = "OFS";
  info.NoDateMarker = 9999;
  info.YearOffset = 1000;
  katalog.Hinzufuegen(info);
  TFundstellenListe l;
  l.Katalog = &katalog;

  // Only a lower bound: the end date decides.
  l.DatumVon.Jahr = 1200;
  EXPECT_TRUE(l.HatDatumsbedingung());
  EXPECT_TRUE(l.Zulaessig(Datiert(Jahr(1199), Jahr(1201)), "X"));
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(1150), Jahr(1160)), "X"));
  // On OFS the user's 1200 is 2200 in the collection's years.
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(1199), Jahr(1201)), "OFS"));
  EXPECT_TRUE(l.Zulaessig(Datiert(Jahr(2150), Jahr(2201)), "OFS"));

  // Only an upper bound.
  l.DatumVon = DateBound{};
  l.DatumBis.Jahr = 1200;
  l.DatumBis.Monat = 3;
  EXPECT_TRUE(l.Zulaessig(Datiert(Jahr(1200, 3), Jahr(1300)), "X"));
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(1200, 4), Jahr(1300)), "X"));

  // Both bounds: an interval, and an unknown year (or the marker) in either date fails.
  l.DatumVon.Jahr = 1100;
  l.DatumBis = DateBound{};
  l.DatumBis.Jahr = 1200;
  EXPECT_TRUE(l.Zulaessig(Datiert(Jahr(1150), Jahr(1150)), "X"));
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(1250), Jahr(1260)), "X"));
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(1150), Jahr(TDatum::kNoYear)), "X"));
  EXPECT_TRUE(l.Zulaessig(Datiert(Jahr(2150), Jahr(2150)), "OFS"));
  EXPECT_FALSE(l.Zulaessig(Datiert(Jahr(2150), Jahr(9999)), "OFS"));
}

TEST(HitList, ReadsOnlySequentially) {
  TFundstellenListe l;
  for (int32_t pos : {1, 2, 3}) l.EinfuegenMitWort(Hit(1, pos), "wort", "A");
  EXPECT_EQ(l.Fundstelle(1).Position, 1);
  EXPECT_EQ(l.Anzeige(1).Ende, 4);
  EXPECT_EQ(l.Fundstelle(2).Position, 2);
  try {
    l.Fundstelle(4);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "unzulässiger Leseversuch (Range Error) (FSL 005)");
  }
  EXPECT_THROW(l.Fundstelle(0), Exception);
  l.Fundstelle(1);
  try {
    l.Fundstelle(3);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "unzulässiger Leseversuch (FSL 006)");
  }
  EXPECT_EQ(l.AnzeigeText(2), "wort");
  const TFundPosition p = l.FundPosition(3);
  EXPECT_EQ(p.WortPos[0], 3);
  EXPECT_EQ(p.CD.Str(), "A");

  TAnzeigeRecord leer;
  try {
    leer.AnzeigeText();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "interner Fehler, kein gültiger AnzeigeRecord (IF-ATS 001)");
  }
}

class HitFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<TFundstelle> viele;
    for (int32_t k = 0; k < 1500; ++k) viele.push_back(Hit(2, k + 1));
    test::WriteIndexFiles(dir_.path(), {{"a", {Hit(1, 10), Hit(1, 20, 11)}}, {"b", viele}});
    datei_.SetzeDateiName(dir_.Sub("fundst.dat"));
    datei_.SetzeCDKennung("CD1");
  }
  // The error text of loading Von..Bis.
  std::string Fehler(int32_t von, int32_t bis) {
    datei_.Von = von;
    datei_.Bis = bis;
    try {
      datei_.Laden();
    } catch (const EInOutError& e) {
      return e.what();
    }
    return "";
  }

  test::TempDir dir_;
  TFundstellenDateiAnfrage datei_;
};

TEST_F(HitFileTest, LoadsRangesThroughTheListsFilters) {
  datei_.Von = datei_.Bis = 1;
  datei_.Laden();
  ASSERT_EQ(datei_.Liste().Anzahl(), 1);
  EXPECT_EQ(datei_.Liste().Fundstelle(1).Textteil, 11);
  EXPECT_EQ(datei_.Liste().CDKennung(1), "CD1");

  datei_.Liste().Textteile.Aktiv = true;
  datei_.Liste().Textteile.Aufnehmen(0);
  datei_.Von = 0;
  datei_.Bis = 1501;
  datei_.Laden();
  EXPECT_EQ(datei_.Liste().Anzahl(), 1501);

  const std::string path = dir_.Sub("nichts/fundst.dat");
  try {
    datei_.SetzeDateiName(path);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()),
              "File 'fundst.dat' not found in '" + dir_.Sub("nichts") + "'.(TFDA 001)");
  }
}

TEST_F(HitFileTest, RangesPastTheEndOfTheFileAreReported) {
  const std::string pfad = dir_.Sub("fundst.dat");
  // 1502 records: a range from record 502 holds exactly one 1000-record block, then nothing.
  EXPECT_EQ(Fehler(502, 1502), "unerwartetes Ende von '" + pfad + "' .(TFDA 002)");
  EXPECT_EQ(Fehler(1502, 1502), "unerwartetes Ende von '" + pfad + "' .(TFDA 002)");
  EXPECT_EQ(Fehler(1000, 1600), "unerwartetes Ende von '" + pfad + "' .(TFDA 003)");
  EXPECT_EQ(datei_.Liste().Anzahl(), 502);  // what the file holds stays loaded
  EXPECT_EQ(Fehler(1501, 1501), "");
  EXPECT_EQ(Fehler(-1, 3), "unerwartetes Ende von '" + pfad + "' .(TFDA 002)");
  EXPECT_EQ(Fehler(5, 4), "");  // an empty range reads nothing

  // A trailing partial record is no record.
  test::TruncateFile(pfad, 1502 * 44 - 1);
  EXPECT_EQ(Fehler(1501, 1501), "unerwartetes Ende von '" + pfad + "' .(TFDA 003)");
}

}  // namespace
}  // namespace quillmar::retrieval
