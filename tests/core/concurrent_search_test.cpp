#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/language.h"
#include "retrieval/search_thread.h"
#include "support/index_files.h"
#include "support/temp_dir.h"

// Searches on several threads at once share the process-wide caches (decoded hit ranges, whole
// word lists, the table of hit words). Each must get exactly what it gets alone; the
// ThreadSanitizer build of this test reports any unsynchronised access to the shared state.

namespace quillmar::retrieval {
namespace {

// 60 words "w00".."w59", word k with hits in paragraphs 1.., every word in every third paragraph.
std::vector<test::IndexWord> Words() {
  std::vector<test::IndexWord> words;
  for (int k = 0; k < 60; ++k) {
    test::IndexWord w;
    w.word = "w" + std::string(k < 10 ? "0" : "") + std::to_string(k);
    for (int p = k % 3; p < 600; p += 3) {
      TFundstelle h;
      h.TextNr = 1 + p % 4;
      h.Position = p * 100 + k;
      h.WortNr = static_cast<uint16_t>(p * 10 + k % 10 + 1);
      h.Seite = 1;
      h.AbsatzKennung3 = p;
      h.Kapitel = static_cast<uint8_t>(1 + p / 50);
      w.hits.push_back(h);
    }
    words.push_back(std::move(w));
  }
  return words;
}

std::vector<std::string> Positions(const TKomplexAnfrage& q) {
  std::vector<std::string> out;
  for (const auto& e : q.Ergebnis.EntryList())
    out.push_back(e.CD.Str() + ":" + std::to_string(e.Fundstelle.TextNr) + ":" +
                  std::to_string(e.Fundstelle.Position));
  return out;
}

TEST(ConcurrentSearch, ThreadsSharingTheCachesFindWhatEachFindsAlone) {
  const int language = CurrentLanguage();
  SetCurrentLanguage(kEnglish);
  test::TempDir dir;
  SearchCatalog catalog;
  for (const char* cd : {"CDA", "CDB"}) {
    CollectionSearchInfo info;
    info.CDID = cd;
    info.Path = dir.Sub(cd);
    catalog.Hinzufuegen(info);
    test::WriteIndexFiles(dir.Sub(std::string(cd) + "/data"), Words());
  }
  const std::vector<std::string> queries = {"w01 AND w04", "w0* OR w5?", "w03 ... w06",
                                            "(w10 OR w11) AND w13", "w2* AND w4*"};

  auto run = [&](const std::string& query, TSuchThread& t) {
    t.CDHinzufuegen("CDA");
    t.CDHinzufuegen("CDB");
    t.Anfrage().Anfrage = query;
    t.Anfrage().Modus = 1;
  };
  std::vector<std::vector<std::string>> alone;
  for (const std::string& query : queries) {
    TSuchThread t(catalog, nullptr);
    run(query, t);
    t.Execute();
    ASSERT_FALSE(t.Anfrage().Fehler) << t.Anfrage().FehlerText;
    ASSERT_FALSE(Positions(t.Anfrage()).empty()) << query;
    alone.push_back(Positions(t.Anfrage()));
  }

  // Every query three times over, all threads running at once.
  std::vector<std::unique_ptr<TSuchThread>> threads;
  for (int round = 0; round < 3; ++round)
    for (const std::string& query : queries) {
      threads.push_back(std::make_unique<TSuchThread>(catalog, nullptr));
      run(query, *threads.back());
    }
  for (auto& t : threads) t->Start();
  for (auto& t : threads) t->Wait();
  for (size_t k = 0; k < threads.size(); ++k) {
    const TKomplexAnfrage& q = threads[k]->Anfrage();
    EXPECT_FALSE(q.Fehler) << q.FehlerText;
    EXPECT_EQ(q.Status, 0);
    EXPECT_EQ(Positions(q), alone[k % queries.size()]) << queries[k % queries.size()];
  }
  SetCurrentLanguage(language);
}

}  // namespace
}  // namespace quillmar::retrieval
