#include "retrieval/word_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "retrieval/word_key.h"
#include "support/internal_code.h"
#include "support/temp_dir.h"
#include "word_list_bytes.h"

namespace quillmar::retrieval {
namespace {

std::string Zahlwort(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "k%05d", v);
  return buf;
}

std::vector<TWortDateiRecord> Zahlwoerter(int anzahl, int schritt, int versatz = 0) {
  std::vector<TWortDateiRecord> records;
  for (int i = 1; i <= anzahl; ++i) records.push_back({Zahlwort(schritt * i), i + versatz, -i});
  return records;
}

using test::MessageOf;

class WordFileTest : public ::testing::Test {
 protected:
  std::string Schreiben(const std::vector<TWortDateiRecord>& records) {
    test::WriteFile(path, test::WortListeBytes(records));
    return path;
  }
  test::TempDir dir;
  std::string path = dir.Sub("wortlst.dat");
};

TEST_F(WordFileTest, LookupByKeyNeighboursAndBadFiles) {
  TWortDateiAnfrage a;
  a.SetzeDateiName(
      Schreiben({{"abend", 1, 2}, {"Baum", 3, 4}, {"M\xFCller", 5, 6}, {"zeit", 9, 9}}));
  for (const char* w : {"M\xFCller", "M\xDCLLER", " mueller "}) {
    a.Suche(w);
    EXPECT_EQ(a.Satznummer() + a.Bis(), 9) << w;
  }
  const auto nachbarn = [&](const char* w) {
    a.Suche(w);
    return std::to_string(a.Satznummer()) + "|" + a.Vorgaenger() + "|" +
           std::to_string(a.VorgaengerNr()) + "|" + a.Nachfolger() + "|" +
           std::to_string(a.NachfolgerNr()) + "|" + std::to_string(a.Von());
  };
  EXPECT_EQ(nachbarn("aaa"), "-1||-1|abend|1|0");
  EXPECT_EQ(nachbarn("zz"), "-1|zeit|4||-1|0");
  EXPECT_EQ(nachbarn("c"), "-1|Baum|2|M\xFCller|3|0");
  std::filesystem::remove(path);
  a.Suche(" \t");  // a blank word never opens the file
  EXPECT_FALSE(a.Gefunden());

  const std::string missing = dir.Sub("fuzzy/s1wl.dat");
  EXPECT_EQ(MessageOf([&] { a.SetzeDateiName(" " + missing); }),
            "File 's1wl.dat' not found in '" + dir.Sub("fuzzy") + "'.(TWDA 001)");
  EXPECT_EQ(a.DateiName(), path);
  test::WriteFile(path, "");
  EXPECT_EQ(MessageOf([&] { a.Suche("x"); }), "Datei '" + path + "' ist leer. (TWDA 002)");
  // One record and a stray byte; a length byte beyond the field is clamped to its 30 bytes.
  std::string satz = test::WortSatz(std::string(30, 'q'), 7, 8) + "x";
  satz[0] = static_cast<char>(200);
  test::WriteFile(path, satz);
  a.Suche(std::string(30, 'Q'));
  EXPECT_EQ(a.Von(), 7);
}

// 5000 words k00002 ... k10000 span four blocks: every word is found at its number, and every
// odd number before, between and after them is reported with its neighbours.
TEST_F(WordFileTest, LookupAcrossBlocksFindsEveryWordAndEveryGap) {
  constexpr int kAnzahl = 5000;
  TWortDateiAnfrage a;
  a.SetzeDateiName(Schreiben(Zahlwoerter(kAnzahl, 2)));
  for (int v = 1; v <= 2 * kAnzahl + 1; ++v) {
    a.Suche(Zahlwort(v));
    const int i = v / 2;  // records with a smaller word
    if (v % 2 == 0) {
      ASSERT_EQ(a.Satznummer(), i) << v;
      ASSERT_EQ(a.Bis(), -i);
      continue;
    }
    ASSERT_FALSE(a.Gefunden()) << v;
    ASSERT_EQ(a.VorgaengerNr(), i == 0 ? -1 : i) << v;
    ASSERT_EQ(a.NachfolgerNr(), i == kAnzahl ? -1 : i + 1) << v;
    ASSERT_EQ(a.Nachfolger(), i == kAnzahl ? "" : Zahlwort(2 * i + 2));
  }
}

// Random words over letters the key folds together, so equal keys form runs: against a count over
// the sorted list, for sizes around the block size.
TEST_F(WordFileTest, LookupAgreesWithAReferenceAndReportsRuns) {
  const char* zeichen[] = {"a", "A", "e", "s", "u", "\xE4", "\xFC", "\xDF", "\xC4", "b"};
  std::mt19937 rng(42);
  auto zufallswort = [&] {
    std::string w;
    for (unsigned i = 0, n = 1 + rng() % 5; i < n; ++i) w += zeichen[rng() % 10];
    return w;
  };
  for (int anzahl : {1, 2, 6, 7, 1500, 1501, 3100}) {
    std::vector<TWortDateiRecord> records;
    for (int i = 0; i < anzahl; ++i) records.push_back({zufallswort(), i, i});
    std::stable_sort(records.begin(), records.end(), [](const auto& x, const auto& y) {
      return WortVergleich(x.Wort, y.Wort) < 0;
    });
    TWortDateiAnfrage a;
    a.SetzeDateiName(Schreiben(records));
    std::vector<std::string> proben;
    for (const auto& r : records) proben.push_back(r.Wort);
    for (int i = 0; i < 300; ++i) proben.push_back(zufallswort());
    for (const std::string& probe : proben) {
      const auto [von, bis] = std::equal_range(
          records.begin(), records.end(), TWortDateiRecord{probe, 0, 0},
          [](const auto& x, const auto& y) { return WortVergleich(x.Wort, y.Wort) < 0; });
      const int kleiner = static_cast<int>(von - records.begin());
      const int gleich = static_cast<int>(bis - von);
      a.Suche(probe);
      ASSERT_EQ(a.Gefunden(), gleich > 0) << anzahl << " " << probe;
      if (gleich == 0) {
        ASSERT_EQ(a.VorgaengerNr(), kleiner == 0 ? -1 : kleiner) << anzahl << " " << probe;
        ASSERT_EQ(a.NachfolgerNr(), kleiner == anzahl ? -1 : kleiner + 1);
        continue;
      }
      ASSERT_GT(a.Satznummer(), kleiner);
      ASSERT_LE(a.Satznummer(), kleiner + gleich);
      ASSERT_EQ(a.RunStart(), kleiner + 1);
      ASSERT_EQ(a.Run().size(), static_cast<size_t>(gleich));
      ASSERT_EQ(a.Run().back().Von, records[static_cast<size_t>(kleiner + gleich - 1)].Von);
    }
  }
}

TEST_F(WordFileTest, VariantCheckOnTheOlderCollectionsOnly) {
  test::WriteFile(dir.Sub("cd/data/wortlst.dat"), test::WortListeAus("abc \xC4ra aera b"));
  CollectionSearchInfo cd;
  cd.Path = dir.Sub("cd") + "/";
  for (const char* cdid : {"KRVT0001", "krvc0001 ", "TEST0001"}) {
    cd.CDID = cdid;
    TWortDateiAnfrage a;
    a.SetzeCD(cd);
    a.Suche("aera");
    const bool aelter = cd.CDID != "TEST0001";
    const int andere = a.Satznummer() == 2 ? 3 : 2;
    EXPECT_EQ(a.HatVariante(), aelter) << cdid;
    EXPECT_EQ(a.VarianteVorNr(), aelter && andere < a.Satznummer() ? andere : -1);
    EXPECT_EQ(a.VarianteNachNr(), aelter && andere > a.Satznummer() ? andere : -1);
    EXPECT_EQ(a.Run().size(), 2u);
    a.Suche("b");  // carries no variant of the previous word
    EXPECT_FALSE(a.HatVariante());
    EXPECT_EQ(a.VarianteNachNr(), -1);
  }
}

// The window after reading record n of 5000: after the file is rewritten, records inside it still
// show the old content, records just outside the new one.
TEST_F(WordFileTest, ReaderWindowCentresAwayFromTheEnds) {
  struct Fall {
    int n, erster, letzter;
  };
  for (const Fall& f : {Fall{1, 1, 1500}, Fall{949, 1, 1500}, Fall{950, 200, 1699},
                        Fall{4050, 3300, 4799}, Fall{4051, 3501, 5000}}) {
    TLesenWortDatei l;
    l.SetzeDateiName(Schreiben(Zahlwoerter(5000, 1)));
    EXPECT_EQ(l.Lies(f.n).Von, f.n);
    Schreiben(Zahlwoerter(5000, 1, 100000));
    EXPECT_EQ(l.Lies(f.erster).Von, f.erster) << f.n;
    EXPECT_EQ(l.Lies(f.letzter).Von, f.letzter) << f.n;
    // Outside: the next record (or, at the end, the one before the window) reads anew.
    const int aussen = f.letzter < 5000 ? f.letzter + 1 : f.erster - 1;
    EXPECT_GT(l.Lies(aussen).Von, 100000) << f.n;
  }
}

TEST_F(WordFileTest, ReaderRangeScansAndDamage) {
  TLesenWortDatei l;
  EXPECT_TRUE(l.Leer());
  EXPECT_THROW(l.Verfuegbar(), InternalError);  // "LWD-IA-1": no file bound
  l.SetzeDateiName(Schreiben(Zahlwoerter(3200, 1)));
  EXPECT_EQ(l.Anzahl(), 3200);
  EXPECT_TRUE(l.Verfuegbar());
  for (int n : {0, 3201}) {
    EXPECT_EQ(l.Lies(n).Wort, "");
    EXPECT_TRUE(l.Ausserhalb());
  }
  WordRecordView sicht;
  int n = 1;
  for (; l.ReadForward(n, sicht); ++n) ASSERT_EQ(sicht.Wort, Zahlwort(n));
  EXPECT_EQ(n, 3201);

  // A file that shrank since it was bound serves what it still holds and never more.
  TLesenWortDatei kurz;
  kurz.SetzeDateiName(path);
  test::TruncateFile(path, 40 * 100 + 7);
  EXPECT_EQ(kurz.Lies(50).Von, 50);
  EXPECT_THROW(kurz.Lies(3000), EInOutError);
  std::filesystem::remove(path);
  EXPECT_FALSE(kurz.Verfuegbar());
}

}  // namespace
}  // namespace quillmar::retrieval
