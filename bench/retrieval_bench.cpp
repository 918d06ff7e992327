// Costs of the retrieval engine on a built collection: word lookup, mask expansion, loading one
// word's hits (from fundst.dat and from the derived hit index), and the AND, "...", phrase and OR
// merges of whole queries.
//
// The collection is QUILLMAR_BENCH_COLLECTION (default build/collections/kjv, the King James
// Bible as scripts/build-collections.sh builds it) with the identifier QUILLMAR_BENCH_CDID
// (default KJVB0001). Without it every case is skipped.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "retrieval/complex_query.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_file.h"
#include "retrieval/hit_index.h"
#include "retrieval/hit_query.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_file.h"
#include "retrieval/word_query.h"

namespace {

using namespace quillmar::retrieval;

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

const std::string& CDID() {
  static const std::string id = Env("QUILLMAR_BENCH_CDID", "KJVB0001");
  return id;
}

// The collection as the search sees it; null when it is not there.
const SearchCatalog* Katalog() {
  static const SearchCatalog* katalog = []() -> const SearchCatalog* {
    const std::string path = Env("QUILLMAR_BENCH_COLLECTION", "build/collections/kjv");
    if (!std::filesystem::is_directory(path)) return nullptr;
    static SearchCatalog k;
    CollectionSearchInfo info;
    info.CDID = CDID();
    info.Path = path;
    k.Hinzufuegen(info);
    return &k;
  }();
  return katalog;
}

bool Skip(benchmark::State& state) {
  if (Katalog()) return false;
  state.SkipWithError("no collection: set QUILLMAR_BENCH_COLLECTION");
  return true;
}

void BM_WordLookup(benchmark::State& state, const char* word) {
  if (Skip(state)) return;
  TWortDateiAnfrage lookup;
  lookup.SetzeCD(Katalog()->Info(CDID()));
  for (auto _ : state) {
    lookup.Suche(word);
    benchmark::DoNotOptimize(lookup.Gefunden());
  }
}
BENCHMARK_CAPTURE(BM_WordLookup, found, "light")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_WordLookup, missing, "lightx")->Unit(benchmark::kMicrosecond);

void BM_MaskExpansion(benchmark::State& state, const char* mask) {
  if (Skip(state)) return;
  TWoerterAnfrage query(*Katalog(), nullptr);
  query.Stufe = 0;
  query.SetzeCD(CDID());
  for (auto _ : state) {
    query.Ergebnis().Leeren();
    query.Suche(mask);
    benchmark::DoNotOptimize(query.Ergebnis().Anzahl());
  }
}
BENCHMARK_CAPTURE(BM_MaskExpansion, prefix, "ligh*")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MaskExpansion, suffix, "*ness")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MaskExpansion, one_char, "l?ght")->Unit(benchmark::kMicrosecond);

// Reading one word's hits in hit order, as a search does when they are not in the process's hit
// cache: from fundst.dat (44 bytes per hit, then sorted) or from the derived hit index beside the
// collection (compressed, in hit order already). Binds the files anew each time, as a search does.
void BM_HitRead(benchmark::State& state, const char* word, bool index) {
  if (Skip(state)) return;
  const CollectionSearchInfo& cd = Katalog()->Info(CDID());
  TWortDateiAnfrage lookup;
  lookup.SetzeCD(cd);
  lookup.Suche(word);
  const HitRange range{lookup.Von(), lookup.Bis()};
  const std::string fundst = cd.Path + "/data/fundst.dat";
  std::shared_ptr<const HitIndex> derived;
  if (index) {
    const auto wortlst = StampFile(TWortDateiAnfrage::WordListPath(cd));
    const auto hits = StampFile(fundst);
    if (wortlst && hits)
      derived = HitIndexStore::Instance().Find({*wortlst, *hits}, HitIndexUse::kBeside, "");
    if (!derived) {
      state.SkipWithError("no current derived index beside the collection (quillmar build)");
      return;
    }
  }
  size_t count = 0;
  for (auto _ : state) {
    TFundstellenDateiAnfrage datei;
    datei.Binden(fundst);
    datei.BindIndex(derived);
    const std::vector<TFundstelle> hits = datei.LoadSorted(range);
    count = hits.size();
    benchmark::DoNotOptimize(hits.data());
  }
  state.counters["hits"] = static_cast<double>(count);
}
BENCHMARK_CAPTURE(BM_HitRead, rare_file, "darkness", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HitRead, rare_index, "darkness", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HitRead, frequent_file, "the", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HitRead, frequent_index, "the", true)->Unit(benchmark::kMicrosecond);

// A whole query over the collection: parse, look up, load, merge and sort, and build the result's
// entries (unless `compact`: a result of words is then left compact, as the command-line tool
// reads it).
void BM_Query(benchmark::State& state, const char* text, int distance, int mode, bool narrow = true,
              bool compact = false) {
  if (Skip(state)) return;
  int32_t hits = 0;
  for (auto _ : state) {
    TKomplexAnfrage query(*Katalog(), nullptr);
    query.Narrow = narrow;
    query.CompactResult = compact;
    query.Wortabstand = distance;
    query.Modus = mode;
    query.Stufe = 0;
    query.CDs = {CDID()};
    query.Ausfuehren(text);
    hits = query.Ergebnis.Anzahl();
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
}
// Loading one word's hits into a sorted list: a rare, a common and the most frequent word.
BENCHMARK_CAPTURE(BM_Query, load_rare, "darkness", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, load_common, "light", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, load_frequent, "the", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, and, "darkness AND light", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, and_frequent, "god AND lord", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, and_section, "heaven AND earth", 0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, follows, "darkness ... light", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase2, "God said", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase3, "in the beginning", 20, 1)->Unit(benchmark::kMicrosecond);
// Joins and phrases with the most frequent words: the planner loads the rarer word first and
// finds the other word's hits in its paragraphs by galloping search.
BENCHMARK_CAPTURE(BM_Query, and_most_frequent, "the AND lord", 20, 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase_frequent, "the lord", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase_most_frequent, "of the", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase4, "let there be light", 20, 1)->Unit(benchmark::kMicrosecond);
// The same joins without the planner: every word loaded in full, the join scans both lists.
BENCHMARK_CAPTURE(BM_Query, and_most_frequent_unplanned, "the AND lord", 20, 1, false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase4_unplanned, "let there be light", 20, 1, false)
    ->Unit(benchmark::kMicrosecond);
// Phrases of frequent words: the paragraphs common to all words are found first.
BENCHMARK_CAPTURE(BM_Query, phrase3_frequent, "of the lord", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, phrase3_frequent_unplanned, "of the lord", 20, 1, false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, or, "light OR darkness", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, or_frequent, "the OR of", 20, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, or_frequent_compact, "the OR of", 20, 1, true, true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, mask, "*ness", 20, 1)->Unit(benchmark::kMicrosecond);

// The planner's first step alone: the paragraphs every word of a phrase has a hit in, by
// galloping search over the words' cached hit ranges (no list is built); phrases of three words
// or more use it.
void BM_CommonParagraphs(benchmark::State& state, std::vector<std::string> words) {
  if (Skip(state)) return;
  TFundstellenAnfrage query(*Katalog(), nullptr);
  query.SetzeCD(CDID());
  std::vector<TFundstellenDateiAnfrage::SortedHits> ranges;
  std::vector<GroupSet::WordHits> hits;
  for (const std::string& w : words) {
    GroupSet::WordHits& h = hits.emplace_back();
    for (auto& r : query.SortedRanges(w)) {
      h.emplace_back(*r);
      ranges.push_back(std::move(r));
    }
  }
  size_t paragraphs = 0;
  for (auto _ : state) {
    const GroupSet common = GroupSet::CommonParagraphs(hits);
    paragraphs = common.Anzahl();
    benchmark::DoNotOptimize(paragraphs);
  }
  state.counters["paragraphs"] = static_cast<double>(paragraphs);
}
BENCHMARK_CAPTURE(BM_CommonParagraphs, phrase4,
                  std::vector<std::string>{"let", "there", "be", "light"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CommonParagraphs, frequent, std::vector<std::string>{"of", "the", "lord"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
