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
  woerter_.SetzeCD(cdId);
  path_ = JoinPath(JoinPath(katalog_.Info(cdId).Path, "data"), index_layout::kFundstellenName);
  datei_.SetzeDateiName(path_);
  datei_.SetzeCDKennung(cdId);
}

int64_t TFundstellenAnfrage::HitCount(const std::string& word) {
  woerter_.Stufe = Stufe;
  woerter_.Ergebnis().Leeren();
  woerter_.Suche(word);
  int64_t n = 0;
  for (const TWortDateiRecord& r : woerter_.Ergebnis().Records())
    n += std::max<int64_t>(0, int64_t{r.Bis} - r.Von + 1);
  woerter_.Ergebnis().Leeren();
  return n;
}

void TFundstellenAnfrage::Suche(const std::string& word) {
  datei_.Liste().EinstellungenKopieren(ergebnis_);
  datei_.SetzeCDKennung(cd_);
  ergebnis_.Leeren();
  woerter_.Stufe = Stufe;
  woerter_.Ergebnis().Leeren();
  woerter_.Suche(word);
  const std::vector<TWortDateiRecord>& records = woerter_.Ergebnis().Records();
  if (records.empty()) return;

  if (!GatherHits(records)) {
    ergebnis_.Leeren();
    return;
  }
  OrderHits();
  TFundstellenListe::Entries eintraege = ListEntries(records);
  treffer_.clear();
  folge_.clear();
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
  std::vector<HitRange> bereiche;
  bereiche.reserve(records.size());
  for (const TWortDateiRecord& r : records) bereiche.push_back(HitRange{r.Von, r.Bis});

  std::vector<Treffer>& treffer = treffer_;
  treffer.clear();
  int64_t erwartet = 0;
  for (const HitRange& b : bereiche) erwartet += std::max<int64_t>(0, int64_t{b.Bis} - b.Von + 1);
  treffer.reserve(static_cast<size_t>(std::min<int64_t>(erwartet, kMaxReserve)));

  const TFundstellenListe& filter = datei_.Liste();
  const bool filtern = filter.HasFilter();
  const GroupSet* gruppen = Restriction;
  if (Abgebrochen()) return false;
  bool abgebrochen = false;
  datei_.Read(bereiche, [&](size_t bereich, std::span<const TFundstelle> hits) {
    for (const TFundstelle& h : hits) {
      if ((gruppen == nullptr || gruppen->Enthaelt(h)) && (!filtern || filter.Zulaessig(h, cd_))) {
        treffer.push_back(Treffer{h, static_cast<uint32_t>(bereich)});
      }
      if (Abgebrochen()) {
        abgebrochen = true;
        return false;
      }
    }
    return true;
  });
  return !abgebrochen;
}

// Inserting one by one keeps the first of equal hits in HitVergleich order: a stable sort
// followed by dropping later equals gives the same list.
void TFundstellenAnfrage::OrderHits() {
  std::vector<std::pair<uint64_t, uint32_t>>& folge = folge_;
  folge.resize(treffer_.size());
  bool geordnet = true;
  for (size_t k = 0; k < treffer_.size(); ++k) {
    folge[k] = {HitKey(treffer_[k].hit), static_cast<uint32_t>(k)};
    if (k > 0 && folge[k].first <= folge[k - 1].first) geordnet = false;
  }
  if (geordnet) return;
  std::sort(folge.begin(), folge.end());
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
    if (n + kPrefetchAhead < folge_.size()) Prefetch(&treffer_[folge_[n + kPrefetchAhead].second]);
    const Treffer& t = treffer_[folge_[n].second];
    eintraege.push_back(TFundstellenListe::Eintrag{
        TAnzeigeRecord::Single(t.hit, worte[t.wort],
                               static_cast<int32_t>(records[t.wort].Wort.size())),
        t.hit, cd});
  }
  return eintraege;
}

}  // namespace quillmar::retrieval
