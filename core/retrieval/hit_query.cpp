#include "retrieval/hit_query.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace {

// Most hits reserved ahead of reading; a damaged word list may promise any number.
constexpr int64_t kMaxReserve = int64_t{1} << 22;

}  // namespace

TFundstellenAnfrage::TFundstellenAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik,
                                         const std::atomic<bool>* abbruch)
    : katalog_(katalog), abbruch_(abbruch), woerter_(katalog, phonetik) {
  ergebnis_.Katalog = &katalog;
}

void TFundstellenAnfrage::SetzeCD(const std::string& cdId) {
  std::lock_guard<std::mutex> guard(lock_);
  cd_ = cdId;
  looked_up_.clear();
  woerter_.SetzeCD(cdId);
  path_ = JoinPath(JoinPath(katalog_.Info(cdId).Path, "data"), index_layout::kFundstellenName);
  datei_.Binden(path_);
  datei_.SetzeCDKennung(cdId);
  // The derived index, when one is current for both files as they were just stamped.
  if (katalog_.HitIndexes != HitIndexUse::kOff && woerter_.Stamp() && datei_.Stamp()) {
    datei_.BindIndex(HitIndexStore::Instance().Find({*woerter_.Stamp(), *datei_.Stamp()},
                                                    katalog_.HitIndexes, katalog_.CacheDirectory));
  }
}

const std::vector<TWortDateiRecord>& TFundstellenAnfrage::Records(const std::string& word) {
  for (const LookedUp& l : looked_up_) {
    if (l.stufe == Stufe && l.wort == word) return *l.records;
  }
  // Plain words and masks of an unchanged word list are looked up once in the process; fuzzy
  // words go through the phonetic module each time.
  WordLookupCache& cache = WordLookupCache::Instance();
  const bool cacheable = Stufe == 0 && woerter_.Stamp().has_value();
  if (cacheable) {
    if (const auto kept = cache.Find(*woerter_.Stamp(), cd_, word)) {
      looked_up_.push_back(LookedUp{Stufe, word, kept});
      return *kept;
    }
  }
  woerter_.Stufe = Stufe;
  woerter_.Ergebnis().Leeren();
  woerter_.Suche(word);
  // A query names few words; the list stays short.
  auto records =
      std::make_shared<const std::vector<TWortDateiRecord>>(woerter_.Ergebnis().Records());
  woerter_.Ergebnis().Leeren();
  // woerter_ turns a level on a collection without fuzzy search into 0: only asked-for exact
  // lookups are kept.
  if (cacheable) cache.Store(*woerter_.Stamp(), cd_, word, records);
  looked_up_.push_back(LookedUp{Stufe, word, records});
  return *records;
}

int64_t TFundstellenAnfrage::HitCount(const std::string& word) {
  int64_t n = 0;
  for (const TWortDateiRecord& r : Records(word))
    n += std::max<int64_t>(0, int64_t{r.Bis} - r.Von + 1);
  return n;
}

std::vector<TFundstellenDateiAnfrage::SortedHits> TFundstellenAnfrage::SortedRanges(
    const std::string& word) {
  std::vector<TFundstellenDateiAnfrage::SortedHits> ranges;
  for (const TWortDateiRecord& r : Records(word)) {
    if (Abgebrochen()) break;
    ranges.push_back(datei_.SortedRange(HitRange{r.Von, r.Bis}));
  }
  return ranges;
}

void TFundstellenAnfrage::Suche(const std::string& word) { Suche(std::vector<std::string>{word}); }

void TFundstellenAnfrage::Suche(const std::vector<std::string>& words) {
  datei_.Liste().EinstellungenKopieren(ergebnis_);
  datei_.SetzeCDKennung(cd_);
  ergebnis_.Leeren();
  // A copy: Records may grow the list of looked-up words later.
  std::vector<TWortDateiRecord> records;
  for (const std::string& word : words) {
    const std::vector<TWortDateiRecord>& r = Records(word);
    records.insert(records.end(), r.begin(), r.end());
  }
  if (records.empty()) return;

  int64_t erwartet = 0;
  for (const TWortDateiRecord& r : records)
    erwartet += std::max<int64_t>(0, int64_t{r.Bis} - r.Von + 1);
  const auto reserve =
      static_cast<size_t>(Restriction != nullptr ? 0 : std::min(erwartet, kMaxReserve));
  std::vector<TFundstellenListe::KompakterTreffer> kompakt;
  bool vollstaendig = false;
  if (records.size() == 1) {
    // One record's hits come from one range in HitKey order and are gathered in that order:
    // they are taken straight into the compact list, without equal neighbours (the first
    // stays, as OrderHits keeps it; equal keys need equal positions, so the key is computed
    // only then).
    ReservePrepared(kompakt, reserve);
    const TFundstelle* letzter = nullptr;
    vollstaendig = GatherHits(records, [&](const TFundstelle& h, uint32_t) {
      if (letzter != nullptr && h.Position == letzter->Position && HitKey(h) == HitKey(*letzter))
        return;
      kompakt.push_back({0, static_cast<uint32_t>(&h - ranges_.front()->data())});
      letzter = &h;
    });
  } else {
    vollstaendig = Restriction == nullptr && records.size() <= kMergeRecords
                       ? MergeRecords(records, kompakt, reserve)
                       : GatherAndOrder(records, kompakt, reserve);
  }
  treffer_.clear();
  folge_.clear();
  if (!vollstaendig || Abgebrochen()) {
    ranges_.clear();
    ergebnis_.Leeren();
    return;
  }
  // Sorted, unique and filtered by the result list's own filters: taken over as it is, with
  // the ranges the hits lie in.
  std::vector<TFundstellenListe::RangeWord> worte;
  worte.reserve(records.size());
  for (const TWortDateiRecord& r : records)
    worte.push_back({WordRef(r.Wort), static_cast<int32_t>(r.Wort.size())});
  ergebnis_.SetzeKompakt(std::move(kompakt), std::move(ranges_), worte, cd_);
  ranges_.clear();
}

namespace {

// Whether a hit passes a list's filters, decided once per search: no test at all when the
// filters admit every hit, two table lookups for the language and text-part filters alone.
class Admission {
 public:
  Admission(const TFundstellenListe& filter, const std::string& cd) : filter_(filter), cd_(cd) {
    if (filter.HasFilter()) bytes_ = filter.AsByteFilter();
    all_ = !filter.HasFilter() || (bytes_ && bytes_->Alle);
  }
  bool All() const { return all_; }
  bool operator()(const TFundstelle& h) const {
    return all_ || (bytes_ ? bytes_->Zulaessig(h) : filter_.Zulaessig(h, cd_));
  }

 private:
  const TFundstellenListe& filter_;
  const std::string& cd_;
  std::optional<TFundstellenListe::ByteFilter> bytes_;
  bool all_ = true;
};

}  // namespace

bool TFundstellenAnfrage::GatherAndOrder(const std::vector<TWortDateiRecord>& records,
                                         std::vector<TFundstellenListe::KompakterTreffer>& kompakt,
                                         size_t reserve) {
  treffer_.clear();
  ReservePrepared(treffer_, reserve);
  const bool vollstaendig = GatherHits(records, [&](const TFundstelle& h, uint32_t wort) {
    treffer_.push_back(Treffer{&h, wort});
  });
  if (vollstaendig) {
    OrderHits();
    kompakt = CompactHits();
  }
  return vollstaendig;
}

bool TFundstellenAnfrage::MergeRecords(const std::vector<TWortDateiRecord>& records,
                                       std::vector<TFundstellenListe::KompakterTreffer>& kompakt,
                                       size_t reserve) {
  ranges_.clear();
  for (const TWortDateiRecord& r : records) {
    if (Abgebrochen()) return false;
    ranges_.push_back(datei_.SortedRange(HitRange{r.Von, r.Bis}));
  }
  const Admission admitted(datei_.Liste(), cd_);
  struct Cursor {
    const TFundstelle* at;
    const TFundstelle* end;
    uint64_t key;  // of *at
    const TFundstelle* begin;
    uint32_t range;
  };
  const auto settle = [&](Cursor& c) {  // onto the next admitted hit
    while (c.at != c.end && !admitted(*c.at)) ++c.at;
    if (c.at != c.end) c.key = HitKey(*c.at);
  };
  std::vector<Cursor> cursors;
  cursors.reserve(records.size());
  for (size_t w = 0; w < records.size(); ++w) {
    const std::vector<TFundstelle>& hits = *ranges_[w];
    cursors.push_back(
        {hits.data(), hits.data() + hits.size(), 0, hits.data(), static_cast<uint32_t>(w)});
    settle(cursors.back());
  }
  ReservePrepared(kompakt, reserve);
  uint64_t last = 0;
  for (size_t n = 1;; ++n) {
    // The smallest key; of equal keys the earliest record's.
    Cursor* next = nullptr;
    for (Cursor& c : cursors)
      if (c.at != c.end && (next == nullptr || c.key < next->key)) next = &c;
    if (next == nullptr) break;
    if (kompakt.empty() || next->key != last) {
      kompakt.push_back({next->range, static_cast<uint32_t>(next->at - next->begin)});
      last = next->key;
    }
    ++next->at;
    settle(*next);
    if (n % 65536 == 0 && Abgebrochen()) return false;
  }
  return !Abgebrochen();
}

template <typename Take>
bool TFundstellenAnfrage::GatherHits(const std::vector<TWortDateiRecord>& records, Take&& take) {
  ranges_.clear();
  const GroupSet* gruppen = Restriction;
  const Admission admitted(datei_.Liste(), cd_);
  const bool filtern = !admitted.All();
  auto nehmen = [&](const TFundstelle& h, uint32_t wort) {
    if (admitted(h)) take(h, wort);
  };
  for (size_t w = 0; w < records.size(); ++w) {
    if (Abgebrochen()) return false;
    ranges_.push_back(datei_.SortedRange(HitRange{records[w].Von, records[w].Bis}));
    const std::vector<TFundstelle>& hits = *ranges_.back();
    const auto wort = static_cast<uint32_t>(w);
    if (gruppen != nullptr && gruppen->Selectable()) {
      auswahl_.clear();
      gruppen->Select(hits, auswahl_);
      for (const uint32_t k : auswahl_) nehmen(hits[k], wort);
    } else if (gruppen != nullptr) {
      for (const TFundstelle& h : hits) {
        if (gruppen->Enthaelt(h)) nehmen(h, wort);
      }
    } else if (!filtern) {
      for (const TFundstelle& h : hits) take(h, wort);
    } else {
      for (const TFundstelle& h : hits) nehmen(h, wort);
    }
  }
  return !Abgebrochen();
}

// Inserting one by one keeps the first of equal hits in HitVergleich order: a stable sort
// followed by dropping later equals gives the same list.
void TFundstellenAnfrage::OrderHits() {
  std::vector<std::pair<uint64_t, uint32_t>>& folge = folge_;
  ReservePrepared(folge, treffer_.size());
  folge.resize(treffer_.size());
  // Where each ascending run of keys starts: the hits of each word record come in order.
  std::vector<size_t> laeufe{0};
  bool gleiche = false;  // two neighbours with equal keys
  for (size_t k = 0; k < treffer_.size(); ++k) {
    folge[k] = {HitKey(*treffer_[k].hit), static_cast<uint32_t>(k)};
    if (k == 0) continue;
    if (folge[k].first < folge[k - 1].first) laeufe.push_back(k);
    if (folge[k].first == folge[k - 1].first) gleiche = true;
  }
  if (laeufe.size() == 1 && !gleiche) return;
  // Few runs are merged pairwise, many sorted; either way equal keys keep their index order.
  constexpr size_t kMergeRuns = 16;
  if (laeufe.size() <= kMergeRuns) {
    // Merged into a second array and back, both prepared: std::inplace_merge would take fresh
    // memory for every merge, and the page faults on it cost more than the merge.
    laeufe.push_back(folge.size());
    std::vector<std::pair<uint64_t, uint32_t>> merged;
    if (laeufe.size() > 2) {
      ReservePrepared(merged, folge.size());
      merged.resize(folge.size());
    }
    while (laeufe.size() > 2) {
      std::vector<size_t> naechste{0};
      size_t r = 0;
      for (; r + 2 < laeufe.size(); r += 2) {
        std::merge(folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r]),
                   folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r + 1]),
                   folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r + 1]),
                   folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r + 2]),
                   merged.begin() + static_cast<std::ptrdiff_t>(laeufe[r]));
        naechste.push_back(laeufe[r + 2]);
      }
      // An odd run at the end is copied over unchanged.
      if (r + 1 < laeufe.size())
        std::copy(folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r]), folge.end(),
                  merged.begin() + static_cast<std::ptrdiff_t>(laeufe[r]));
      if (laeufe.size() % 2 == 0) naechste.push_back(laeufe.back());
      laeufe = std::move(naechste);
      folge.swap(merged);
    }
  } else {
    std::sort(folge.begin(), folge.end());
  }
  folge.erase(std::unique(folge.begin(), folge.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              folge.end());
}

std::vector<TFundstellenListe::KompakterTreffer> TFundstellenAnfrage::CompactHits() const {
  std::vector<TFundstellenListe::KompakterTreffer> kompakt;
  ReservePrepared(kompakt, folge_.size());
  for (const auto& [key, index] : folge_) {
    const Treffer& t = treffer_[index];
    kompakt.push_back({t.wort, static_cast<uint32_t>(t.hit - ranges_[t.wort]->data())});
  }
  return kompakt;
}

}  // namespace quillmar::retrieval
