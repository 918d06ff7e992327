#include "retrieval/hit_query.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace {

// Most hits reserved ahead of reading; a damaged word list may promise any number.
constexpr int64_t kMaxReserve = int64_t{1} << 22;

// Asks for a cache line that the sorted walk over the gathered hits will need shortly.
inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

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
    if (l.stufe == Stufe && l.wort == word) return l.records;
  }
  woerter_.Stufe = Stufe;
  woerter_.Ergebnis().Leeren();
  woerter_.Suche(word);
  // A query names few words; the list stays short.
  looked_up_.push_back(LookedUp{Stufe, word, woerter_.Ergebnis().Records()});
  woerter_.Ergebnis().Leeren();
  return looked_up_.back().records;
}

int64_t TFundstellenAnfrage::HitCount(const std::string& word) {
  int64_t n = 0;
  for (const TWortDateiRecord& r : Records(word))
    n += std::max<int64_t>(0, int64_t{r.Bis} - r.Von + 1);
  return n;
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

  if (!GatherHits(records)) {
    treffer_.clear();
    ranges_.clear();
    ergebnis_.Leeren();
    return;
  }
  OrderHits();
  TFundstellenListe::Entries eintraege = ListEntries(records);
  treffer_.clear();
  folge_.clear();
  ranges_.clear();
  if (Abgebrochen()) {
    ergebnis_.Leeren();
    return;
  }
  // Sorted, unique and filtered by the result list's own filters: taken over as it is.
  ergebnis_.entries_ = std::move(eintraege);
  ergebnis_.sorted_ = true;
  ergebnis_.index_ = 0;
}

bool TFundstellenAnfrage::GatherHits(const std::vector<TWortDateiRecord>& records) {
  std::vector<Treffer>& treffer = treffer_;
  treffer.clear();
  ranges_.clear();
  int64_t erwartet = 0;
  for (const TWortDateiRecord& r : records)
    erwartet += std::max<int64_t>(0, int64_t{r.Bis} - r.Von + 1);
  const GroupSet* gruppen = Restriction;
  if (gruppen == nullptr)
    treffer.reserve(static_cast<size_t>(std::min<int64_t>(erwartet, kMaxReserve)));

  const TFundstellenListe& filter = datei_.Liste();
  bool filtern = filter.HasFilter();
  const std::optional<TFundstellenListe::ByteFilter> bytes =
      filtern ? filter.AsByteFilter() : std::nullopt;
  if (bytes && bytes->Alle) filtern = false;
  auto nehmen = [&](const TFundstelle& h, uint32_t wort) {
    if (!filtern || (bytes ? bytes->Zulaessig(h) : filter.Zulaessig(h, cd_)))
      treffer.push_back(Treffer{&h, wort});
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
      const size_t vorher = treffer.size();
      treffer.resize(vorher + hits.size());
      for (size_t k = 0; k < hits.size(); ++k) treffer[vorher + k] = Treffer{&hits[k], wort};
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
    laeufe.push_back(folge.size());
    while (laeufe.size() > 2) {
      std::vector<size_t> naechste{0};
      for (size_t r = 0; r + 2 < laeufe.size(); r += 2) {
        std::inplace_merge(folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r]),
                           folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r + 1]),
                           folge.begin() + static_cast<std::ptrdiff_t>(laeufe[r + 2]));
        naechste.push_back(laeufe[r + 2]);
      }
      if (laeufe.size() % 2 == 0) naechste.push_back(laeufe.back());
      laeufe = std::move(naechste);
    }
  } else {
    std::sort(folge.begin(), folge.end());
  }
  folge.erase(std::unique(folge.begin(), folge.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              folge.end());
}

TFundstellenListe::Entries TFundstellenAnfrage::ListEntries(
    const std::vector<TWortDateiRecord>& records) const {
  TFundstellenListe::Entries eintraege;
  eintraege.reserve(folge_.size());
  const CDIdentifier cd(cd_);
  std::vector<WordRef> worte;
  worte.reserve(records.size());
  for (const TWortDateiRecord& r : records) worte.emplace_back(r.Wort);
  constexpr size_t kPrefetchAhead = 8;
  for (size_t n = 0; n < folge_.size(); ++n) {
    if (n + kPrefetchAhead < folge_.size())
      Prefetch(treffer_[folge_[n + kPrefetchAhead].second].hit);
    const Treffer& t = treffer_[folge_[n].second];
    eintraege.push_back(TFundstellenListe::Eintrag{
        TAnzeigeRecord::Single(*t.hit, worte[t.wort],
                               static_cast<int32_t>(records[t.wort].Wort.size())),
        *t.hit, cd});
  }
  return eintraege;
}

}  // namespace quillmar::retrieval
