// The fast paths of the search engine must not change a result: narrowing frequent words to the
// other operand's paragraphs, serving hits and word lists from the process's caches, and reading
// hits from the derived hit index.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"
#include "retrieval/complex_query.h"
#include "retrieval/file_cache.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_cache.h"
#include "retrieval/hit_index.h"
#include "retrieval/word_ref.h"
#include "support/temp_dir.h"

namespace quillmar::retrieval {
namespace {

const char* const kMaxWords[] = {"alpha", "beta", "gamma", "delta", "the", "of", "and", "light"};

// A collection of chapters, pages, headings, footnotes and margin notes whose paragraphs are
// random sentences over a small vocabulary, so every word is frequent somewhere.
std::string Quelle(unsigned seed, int absaetze) {
  std::mt19937 rng(seed);
  auto wort = [&] { return std::string(kMaxWords[rng() % 8]); };
  std::string s =
      "@collection PATH0001\n@title Paths\n@version 1.0\n@text t\n@number 1\n"
      "@title One\n@lang en\n";
  for (int p = 0; p < absaetze; ++p) {
    if (p % 7 == 0) s += "@chapter Chapter " + std::to_string(p / 7 + 1) + "\n";
    if (p % 5 == 0) s += "@page " + std::to_string(p / 5 + 1) + "\n";
    if (p % 9 == 4) s += "@heading " + wort() + " " + wort() + "\n";
    const int n = 3 + static_cast<int>(rng() % 12);
    for (int w = 0; w < n; ++w) {
      s += wort() + " ";
      if (rng() % 17 == 0) s += "{fn:" + wort() + " " + wort() + "} ";
      if (rng() % 23 == 0) s += "{margin:" + wort() + "} ";
    }
    s += "\n\n";
  }
  return s;
}

void Bauen(const std::string& dir, unsigned seed, int absaetze) {
  const builder::SourceCollection quelle =
      builder::MergeSources({builder::ParseSource(Quelle(seed, absaetze), "paths.qms")});
  builder::WriteIndex(builder::WriteCollection(quelle, dir, ""), JoinPath(dir, "data"));
}

class RetrievalPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CollectionSearchInfo info;
    info.CDID = "PATH0001";
    info.Path = dir_.path();
    katalog_.Hinzufuegen(info);
  }

  // Every hit of the query as text, in result order.
  std::vector<std::string> Suche(const std::string& zeile, int32_t abstand, int32_t modus,
                                 bool eingrenzen) {
    TKomplexAnfrage q(katalog_, nullptr);
    q.Wortabstand = abstand;
    q.Modus = modus;
    q.Narrow = eingrenzen;
    q.CDs = {"PATH0001"};
    q.Ausfuehren(zeile);
    std::vector<std::string> out{std::to_string(q.Status)};
    for (const TFundstellenListe::Eintrag& e : q.Ergebnis.EntryList()) {
      std::string z = std::to_string(e.Fundstelle.TextNr) + "/" +
                      std::to_string(e.Anzeige.Textteil) + "/" + std::to_string(e.Anzeige.Anfang) +
                      "-" + std::to_string(e.Anzeige.Ende);
      for (int32_t p : e.Anzeige.WortPos) z += "," + std::to_string(p);
      out.push_back(z + " " + e.Anzeige.AnzeigeText());
    }
    return out;
  }

  test::TempDir dir_;
  SearchCatalog katalog_;
};

TEST_F(RetrievalPathsTest, NarrowingToTheOtherOperandsGroupsLeavesEveryResultAsItIs) {
  Bauen(dir_.path(), 11, 300);
  std::mt19937 rng(5);
  auto wort = [&] {
    const int k = static_cast<int>(rng() % 10);
    return k < 8 ? std::string(kMaxWords[k]) : std::string(k == 8 ? "al*" : "*a");
  };
  const char* const ops[] = {" AND ", " OR ", " ... ", " "};
  // Random expressions up to two levels deep, in brackets now and then.
  std::function<std::string(int)> ausdruck = [&](int tiefe) -> std::string {
    if (tiefe > 1 || rng() % 3 == 0) return wort();
    std::string s = ausdruck(tiefe + 1) + ops[rng() % 4] + ausdruck(tiefe + 1);
    return rng() % 2 ? "(" + s + ")" : s;
  };
  const struct { int32_t abstand, modus; } arten[] = {{20, 1}, {3, 1}, {0, 1}, {0, 2}};
  int mitTreffern = 0;
  for (int i = 0; i < 300; ++i) {
    const std::string zeile = ausdruck(0);
    const auto& art = arten[i % 4];
    const auto schnell = Suche(zeile, art.abstand, art.modus, true);
    ASSERT_EQ(schnell, Suche(zeile, art.abstand, art.modus, false))
        << zeile << " distance " << art.abstand << " mode " << art.modus;
    mitTreffern += schnell.size() > 1;
  }
  EXPECT_GT(mitTreffern, 150);  // the comparison was not over empty results
}

TEST_F(RetrievalPathsTest, ARebuiltCollectionIsReadAnewNotServedFromTheCaches) {
  Bauen(dir_.path(), 1, 40);
  const auto vorher = Suche("alpha", 20, 1, true);
  Bauen(dir_.path(), 2, 60);  // other words at other places, other file sizes
  const auto nachher = Suche("alpha", 20, 1, true);
  EXPECT_NE(vorher, nachher);
  // The same answers as a process that never saw the first collection.
  HitCache::Instance().Leeren();
  FileCache::Instance().Leeren();
  EXPECT_EQ(nachher, Suche("alpha", 20, 1, true));
  EXPECT_EQ(Suche("the of", 20, 1, true), Suche("the of", 20, 1, false));
}

TEST_F(RetrievalPathsTest, TheDerivedHitIndexLeavesEveryResultAsItIs) {
  Bauen(dir_.path(), 7, 400);
  const std::string data = JoinPath(dir_.path(), "data");
  WriteHitIndex(data, JoinPath(data, HitIndex::kFileName));
  HitIndexStore::Instance().Leeren();
  std::mt19937 rng(9);
  auto wort = [&] {
    const int k = static_cast<int>(rng() % 11);
    return k < 8 ? std::string(kMaxWords[k]) : std::string(k == 8 ? "al*" : k == 9 ? "*a" : "?he");
  };
  const char* const ops[] = {" AND ", " OR ", " ... ", " "};
  std::function<std::string(int)> ausdruck = [&](int tiefe) -> std::string {
    if (tiefe > 1 || rng() % 3 == 0) return wort();
    return "(" + ausdruck(tiefe + 1) + ops[rng() % 4] + ausdruck(tiefe + 1) + ")";
  };
  const struct { int32_t abstand, modus; } arten[] = {{20, 1}, {2, 1}, {0, 2}};
  for (int i = 0; i < 200; ++i) {
    const std::string zeile = ausdruck(0);
    const auto& art = arten[i % 3];
    // Every range read anew: from the index, then from fundst.dat alone.
    HitCache::Instance().Leeren();
    katalog_.HitIndexes = HitIndexUse::kBeside;
    const auto mitIndex = Suche(zeile, art.abstand, art.modus, true);
    HitCache::Instance().Leeren();
    katalog_.HitIndexes = HitIndexUse::kOff;
    ASSERT_EQ(mitIndex, Suche(zeile, art.abstand, art.modus, true)) << zeile;
  }
  EXPECT_TRUE(
      HitIndexStore::Instance().Find({*StampFile(*ResolveExisting(JoinPath(data, "wortlst.dat"))),
                                      *StampFile(*ResolveExisting(JoinPath(data, "fundst.dat")))},
                                     HitIndexUse::kBeside, ""));  // the index was there to be used
}

// A hit of paragraph `absatz` (positions 100 * absatz .. 100 * absatz + 99) of a text part.
TFundstelle ParagraphHit(uint8_t text, uint8_t teil, int32_t position) {
  TFundstelle h;
  h.TextNr = text;
  h.Textteil = teil;
  h.Position = position;
  h.AbsatzKennung3 = position / 100;
  h.Seite = static_cast<uint16_t>(position / 1000);
  return h;
}

TEST(GroupSetTest, SelectFindsEveryHitInTheParagraphsOfTheList) {
  std::mt19937 rng(3);
  for (int runde = 0; runde < 200; ++runde) {
    // Random hits of a frequent word and of a rarer one over a few texts, parts and paragraphs.
    auto zufall = [&](int n) {
      std::vector<TFundstelle> hits;
      for (int k = 0; k < n; ++k)
        hits.push_back(ParagraphHit(static_cast<uint8_t>(1 + rng() % 2),
                                    static_cast<uint8_t>(rng() % 2 ? 0 : 1),
                                    static_cast<int32_t>(rng() % 3000)));
      std::sort(hits.begin(), hits.end(),
                [](const TFundstelle& a, const TFundstelle& b) { return HitKey(a) < HitKey(b); });
      return hits;
    };
    const std::vector<TFundstelle> haeufig = zufall(1 + static_cast<int>(rng() % 400));
    const std::vector<TFundstelle> selten = zufall(static_cast<int>(rng() % 30));
    TFundstellenListe partner;
    for (const TFundstelle& h : selten) partner.Einfuegen(h, TAnzeigeRecord{}, "CD");
    const GroupSet gruppen(partner, kSameParagraph);
    ASSERT_TRUE(gruppen.Selectable());

    std::vector<uint32_t> erwartet;
    for (uint32_t k = 0; k < haeufig.size(); ++k) {
      const TFundstelle& h = haeufig[k];
      const bool drin = std::any_of(selten.begin(), selten.end(), [&](const TFundstelle& s) {
        return s.TextNr == h.TextNr && s.Textteil == h.Textteil &&
               s.AbsatzKennung3 == h.AbsatzKennung3 && s.Seite == h.Seite;
      });
      if (drin) erwartet.push_back(k);
      EXPECT_EQ(gruppen.Enthaelt(h), drin);
    }
    std::vector<uint32_t> gewaehlt;
    gruppen.Select(haeufig, gewaehlt);
    ASSERT_EQ(gewaehlt, erwartet) << "round " << runde;
  }
}

TEST(WortRefTest, KeepsTheFirstTwentyBytesAndComparesByWord) {
  const WordRef a("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(a.View(), "abcdefghijklmnopqrst");
  EXPECT_EQ(a, WordRef("abcdefghijklmnopqrst"));
  EXPECT_FALSE(WordRef("x") == WordRef("y"));
  EXPECT_TRUE(WordRef("").Leer());
  EXPECT_EQ(WordRef().View(), "");
}

}  // namespace
}  // namespace quillmar::retrieval
