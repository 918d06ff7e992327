// The fast paths of the search engine must not change a result: narrowing frequent words to the
// other operand's paragraphs, serving hits and word lists from the process's caches, and reading
// hits from the derived hit index.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"
#include "retrieval/complex_query.h"
#include "retrieval/conjunction.h"
#include "retrieval/file_cache.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_cache.h"
#include "retrieval/hit_index.h"
#include "retrieval/hit_query.h"
#include "retrieval/integer_set.h"
#include "retrieval/word_query.h"
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

TEST_F(RetrievalPathsTest, PhrasesPlannedByTheirCommonParagraphsFindWhatPlainEvaluationFinds) {
  Bauen(dir_.path(), 23, 400);
  std::mt19937 rng(9);
  const char* const glieder[] = {"alpha", "beta", "the", "of",  "and",
                                 "light", "al*",  "*a",  "th?", "nowhere"};
  // Phrases of two to five words (repeated words, masks, a missing word), alone, in brackets
  // with an alternative, or as an operand of a join whose other operand restricts them.
  const char* const umgebung[] = {"%", "(%) OR gamma", "% AND delta", "delta ... %",
                                  "(% OR beta of) AND the"};
  const struct { int32_t abstand, modus; } arten[] = {{20, 1}, {1, 1}, {0, 2}};
  int mitTreffern = 0;
  for (int i = 0; i < 240; ++i) {
    std::string phrase;
    const int n = 2 + static_cast<int>(rng() % 4);
    for (int k = 0; k < n; ++k) phrase += (k ? " " : "") + std::string(glieder[rng() % 10]);
    std::string zeile = umgebung[rng() % 5];
    zeile.replace(zeile.find('%'), 1, phrase);
    const auto& art = arten[i % 3];
    const auto schnell = Suche(zeile, art.abstand, art.modus, true);
    ASSERT_EQ(schnell, Suche(zeile, art.abstand, art.modus, false))
        << zeile << " distance " << art.abstand << " mode " << art.modus;
    mitTreffern += schnell.size() > 1;
  }
  EXPECT_GT(mitTreffern, 60);
}

// A result of words left compact and read one entry at a time (as the command-line tool does)
// holds what the built list holds, over two collections whose hits are merged.
TEST_F(RetrievalPathsTest, ACompactResultReadEntryByEntryEqualsTheBuiltList) {
  test::TempDir zweite;
  Bauen(dir_.path(), 31, 120);
  Bauen(zweite.path(), 32, 90);
  CollectionSearchInfo info;
  info.CDID = "PATH0002";
  info.Path = zweite.path();
  katalog_.Hinzufuegen(info);
  auto text = [](const TFundstellenListe::Eintrag& e) {
    std::string z = e.CD.Str() + "/" + std::to_string(e.Fundstelle.TextNr) + "/" +
                    std::to_string(e.Fundstelle.Position) + "/" + std::to_string(e.Anzeige.Ende);
    for (int32_t p : e.Anzeige.WortPos) z += "," + std::to_string(p);
    return z + " " + e.Anzeige.AnzeigeText();
  };
  for (const char* zeile : {"alpha", "the OR of OR al*", "*a", "beta AND gamma", "nowhere",
                            "(light OR delta) ... the", "the of"}) {
    std::vector<std::string> gebaut;
    std::vector<std::string> einzeln;
    std::vector<std::string> gelesen;
    for (const bool kompakt : {false, true}) {
      TKomplexAnfrage q(katalog_, nullptr);
      q.Wortabstand = 20;
      q.Modus = kSameParagraph;
      q.CompactResult = kompakt;
      q.CDs = {"PATH0001", "PATH0002"};
      q.Ausfuehren(zeile);
      const auto n = static_cast<size_t>(q.Ergebnis.Anzahl());
      if (!kompakt) {
        for (const auto& e : q.Ergebnis.EntryList()) gebaut.push_back(text(e));
        continue;
      }
      for (size_t k = 0; k < n; ++k) einzeln.push_back(text(q.Ergebnis.EntryAt(k)));
      // The sequential reads build the entries first.
      for (int32_t i = 1; i <= q.Ergebnis.Anzahl(); ++i) {
        const TFundstelle& h = q.Ergebnis.Fundstelle(i);
        gelesen.push_back(q.Ergebnis.CDKennung(i) + "/" + std::to_string(h.TextNr) + "/" +
                          std::to_string(h.Position));
      }
      EXPECT_FALSE(q.Ergebnis.Kompakt());
    }
    EXPECT_EQ(einzeln, gebaut) << zeile;
    ASSERT_EQ(gelesen.size(), gebaut.size()) << zeile;
    for (size_t k = 0; k < gebaut.size(); ++k)
      EXPECT_EQ(gebaut[k].substr(0, gelesen[k].size() + 1), gelesen[k] + "/") << zeile;
  }
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
  WordLookupCache::Instance().Leeren();
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

// The hits of several words (an OR of words, a mask's words) are merged in one pass; the result
// must be what inserting each word's list into the union one after another gives (of equal hits
// the earlier word's stays), under the text-part filter too.
TEST_F(RetrievalPathsTest, WordsMergedInOnePassEqualTheUnionOfEachWordsList) {
  Bauen(dir_.path(), 41, 200);
  std::mt19937 rng(17);
  const char* const terms[] = {"alpha", "beta", "the", "of", "light",
                               "al*",   "*a",   "th?", "*",  "nowhere"};
  const uint8_t parts[] = {0, 1, 10, 11, 12};
  auto text = [](const TFundstellenListe::Eintrag& e) {
    return std::to_string(e.Fundstelle.TextNr) + "/" + std::to_string(e.Fundstelle.Textteil) + "/" +
           std::to_string(e.Fundstelle.Position) + " " + e.Anzeige.AnzeigeText();
  };
  for (int i = 0; i < 80; ++i) {
    std::vector<std::string> words;
    const int n = 2 + static_cast<int>(rng() % 4);
    for (int k = 0; k < n; ++k) words.emplace_back(terms[rng() % 10]);
    TSmallIntSet filter;
    filter.Aktiv = i % 2 == 1;
    for (const uint8_t t : parts)
      if (rng() % 2) filter.Aufnehmen(t);

    TFundstellenAnfrage together(katalog_, nullptr);
    together.SetzeCD("PATH0001");
    together.Ergebnis().Textteile = filter;
    together.Suche(words);
    std::vector<std::string> merged;
    for (const auto& e : together.Ergebnis().EntryList()) merged.push_back(text(e));

    TFundstellenAnfrage single(katalog_, nullptr);
    single.SetzeCD("PATH0001");
    TFundstellenListe united;
    united.Textteile = filter;
    for (const std::string& w : words) {
      single.Ergebnis().Textteile = filter;
      single.Suche(w);
      united.InsertAll(single.Ergebnis());
    }
    std::vector<std::string> inserted;
    for (const auto& e : united.EntryList()) inserted.push_back(text(e));
    std::string line;
    for (const std::string& w : words) line += w + " ";
    ASSERT_EQ(merged, inserted) << line << (filter.Aktiv ? "filtered" : "");
  }
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

TEST(GroupSetTest, CommonParagraphsAreThoseEveryWordHasAHitIn) {
  std::mt19937 rng(4);
  auto zufall = [&](int n) {
    std::vector<TFundstelle> hits;
    for (int k = 0; k < n; ++k)
      hits.push_back(ParagraphHit(static_cast<uint8_t>(1 + rng() % 2),
                                  static_cast<uint8_t>(rng() % 2 ? 0 : 1),
                                  static_cast<int32_t>(rng() % 4000)));
    std::sort(hits.begin(), hits.end(),
              [](const TFundstelle& a, const TFundstelle& b) { return HitKey(a) < HitKey(b); });
    return hits;
  };
  auto gleich = [](const TFundstelle& a, const TFundstelle& b) {
    return a.TextNr == b.TextNr && a.Textteil == b.Textteil &&
           a.AbsatzKennung3 == b.AbsatzKennung3 && a.Seite == b.Seite;
  };
  for (int runde = 0; runde < 200; ++runde) {
    // Two to four words of very different frequency; some with two records (ranges).
    std::vector<std::vector<std::vector<TFundstelle>>> woerter(2 + rng() % 3);
    for (auto& w : woerter) {
      const int groesse = static_cast<int>(rng() % 3 == 0 ? rng() % 20 : rng() % 900);
      w.push_back(zufall(groesse));
      if (rng() % 3 == 0) w.push_back(zufall(static_cast<int>(rng() % 50)));
    }
    std::vector<GroupSet::WordHits> eingabe;
    for (const auto& w : woerter) {
      GroupSet::WordHits& e = eingabe.emplace_back();
      for (const auto& r : w) e.emplace_back(r);
    }
    const GroupSet gemeinsam = GroupSet::CommonParagraphs(eingabe);
    ASSERT_TRUE(gemeinsam.Selectable());
    auto hat = [&](const std::vector<std::vector<TFundstelle>>& wort, const TFundstelle& h) {
      for (const auto& r : wort)
        if (std::any_of(r.begin(), r.end(), [&](const TFundstelle& x) { return gleich(x, h); }))
          return true;
      return false;
    };
    // Every hit of any word lies in a common paragraph exactly when every word has one there.
    for (const auto& wort : woerter) {
      for (const auto& r : wort) {
        for (const TFundstelle& h : r) {
          const bool ueberall =
              std::all_of(woerter.begin(), woerter.end(), [&](const auto& w) { return hat(w, h); });
          ASSERT_EQ(gemeinsam.Enthaelt(h), ueberall) << "round " << runde;
        }
      }
    }
  }
  EXPECT_EQ(GroupSet::CommonParagraphs({}).Anzahl(), 0u);
}

// Joins read compact lists in place: the same combined hits as from the built entries.
TEST(CompactListTest, JoinsOfCompactListsEqualJoinsOfTheirEntries) {
  std::mt19937 rng(8);
  for (int runde = 0; runde < 100; ++runde) {
    auto liste = [&](const char* wort) {
      auto hits = std::make_shared<std::vector<TFundstelle>>();
      const int n = static_cast<int>(rng() % 60);
      for (int k = 0; k < n; ++k) {
        TFundstelle h = ParagraphHit(1, rng() % 4 ? 0 : 1, static_cast<int32_t>(rng() % 2000));
        h.WortNr = static_cast<uint16_t>(h.Position / 7 + 1);
        hits->push_back(h);
      }
      std::sort(hits->begin(), hits->end(),
                [](const TFundstelle& a, const TFundstelle& b) { return HitKey(a) < HitKey(b); });
      hits->erase(std::unique(hits->begin(), hits->end(),
                              [](const TFundstelle& a, const TFundstelle& b) {
                                return HitKey(a) == HitKey(b);
                              }),
                  hits->end());
      std::vector<TFundstellenListe::KompakterTreffer> kompakt;
      for (uint32_t k = 0; k < hits->size(); ++k) kompakt.push_back({0, k});
      TFundstellenListe l;
      l.SetzeKompakt(std::move(kompakt), {hits}, {{WordRef(wort), 5}}, "CD");
      return l;
    };
    const TFundstellenListe a = liste("alpha");
    const TFundstellenListe b = liste("gamma");
    auto verbinden = [&](bool gebaut, bool geordnet, int32_t abstand) {
      TUndKonjunktion k;
      k.Wortabstand = abstand;
      k.Modus = kSameParagraph;
      k.CDKennung = "CD";
      *k.Liste1 = a;
      *k.Liste2 = b;
      if (gebaut) {
        k.Liste1->Materialize();
        k.Liste2->Materialize();
      }
      geordnet ? k.Liste1_PPP_Liste2() : k.Liste1_UND_Liste2();
      std::vector<std::string> out;
      for (const auto& e : k.Ergebnis->EntryList()) {
        std::string z = std::to_string(e.Anzeige.Anfang) + "-" + std::to_string(e.Anzeige.Ende);
        for (int32_t p : e.Anzeige.WortPos) z += "," + std::to_string(p);
        out.push_back(z + e.Anzeige.AnzeigeText());
      }
      return out;
    };
    for (const bool geordnet : {false, true}) {
      for (const int32_t abstand : {0, 3}) {
        ASSERT_EQ(verbinden(false, geordnet, abstand), verbinden(true, geordnet, abstand))
            << "round " << runde;
      }
    }
  }
}

TEST(WordLookupCacheTest, ServesAWordOnlyForTheFileStateCollectionAndWordItWasFoundFor) {
  WordLookupCache& cache = WordLookupCache::Instance();
  cache.Leeren();
  const FileStamp datei{"/c/data/wortlst.dat", 4000, 77};
  cache.Store(datei, "CD1", "licht",
              std::make_shared<const std::vector<TWortDateiRecord>>(
                  std::vector<TWortDateiRecord>{{"Licht", 3, 9}}));
  const auto gefunden = cache.Find(datei, "CD1", "licht");
  ASSERT_NE(gefunden, nullptr);
  EXPECT_EQ(gefunden->front().Bis, 9);
  FileStamp anders = datei;
  anders.size = 4040;  // rewritten: another size
  EXPECT_EQ(cache.Find(anders, "CD1", "licht"), nullptr);
  anders = datei;
  anders.mtime = 78;  // rewritten at the same size
  EXPECT_EQ(cache.Find(anders, "CD1", "licht"), nullptr);
  EXPECT_EQ(cache.Find(datei, "CD2", "licht"), nullptr);
  EXPECT_EQ(cache.Find(datei, "CD1", "Licht"), nullptr);
  cache.Leeren();
  EXPECT_EQ(cache.Find(datei, "CD1", "licht"), nullptr);
}

TEST(WortRefTest, KeepsTheFirstTwentyBytesAndComparesByWord) {
  const WordRef a("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(a.View(), "abcdefghijklmnopqrst");
  EXPECT_EQ(a, WordRef("abcdefghijklmnopqrst"));
  EXPECT_FALSE(WordRef("x") == WordRef("y"));
  EXPECT_TRUE(WordRef("").Leer());
  EXPECT_EQ(WordRef().View(), "");
  // Thousands of words fill several of the table's growing blocks; each reads back as stored.
  std::vector<std::pair<WordRef, std::string>> many;
  for (int i = 0; i < 5000; ++i) {
    const std::string w = "wordref-" + std::to_string(i);
    many.emplace_back(WordRef(w), w);
  }
  for (const auto& [ref, w] : many) ASSERT_EQ(ref.View(), w);
  EXPECT_EQ(many[4321].first, WordRef("wordref-4321"));
}

}  // namespace
}  // namespace quillmar::retrieval
