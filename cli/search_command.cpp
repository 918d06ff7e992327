#include "cli/search_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "cli/date_text.h"
#include "cli/hit_writer.h"
#include "cli/session.h"
#include "collection/cd_info.h"
#include "retrieval/complex_query.h"
#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"

namespace quillmar::cli {

namespace {

using retrieval::TDatumsGrenze;
using retrieval::TFundstellenListe;
using retrieval::TSuchKatalog;
using retrieval::TSuchThread;

constexpr LangText kNoQuery = {"Sie müssen einen Suchbegriff eingeben.",
                               "You have to input a word you want to search."};

// The search form's text kinds and the text parts each one searches.
struct TextKind {
  int32_t kind;
  uint8_t parts[2];
  int count;
};
constexpr TextKind kTextKinds[] = {{1, {1, 2}, 2},   {3, {3, 4}, 2},   {0, {0, 0}, 1},
                                   {12, {12, 0}, 1}, {10, {10, 0}, 1}, {11, {11, 0}, 1}};
// The search form's default languages: German, Latin, English, French, Greek, Spanish,
// Italian, other.
constexpr uint8_t kDefaultLanguages[] = {0, 1, 101, 102, 103, 104, 105, 199};

// The cancel flag of the running search, set by SIGINT.
std::atomic<std::atomic<bool>*> g_cancel{nullptr};

extern "C" void CancelOnSignal(int) {
  std::atomic<bool>* flag = g_cancel.load();
  if (flag) flag->store(true);
}

class CancelOnInterrupt {
 public:
  explicit CancelOnInterrupt(std::atomic<bool>& flag) {
    g_cancel.store(&flag);
    previous_ = std::signal(SIGINT, CancelOnSignal);
  }
  ~CancelOnInterrupt() {
    std::signal(SIGINT, previous_);
    g_cancel.store(nullptr);
  }
  CancelOnInterrupt(const CancelOnInterrupt&) = delete;
  CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

 private:
  void (*previous_)(int) = SIG_DFL;
};

// The filters the search form gives the result list.
struct Filters {
  std::vector<retrieval::TFundTextBedingung> texts;
  std::vector<uint8_t> parts;
  std::vector<uint8_t> languages;
  TDatumsGrenze from, to;
};

TDatumsGrenze Date(const std::string& text) {
  const auto date = ParseDateText(text);
  if (!date) throw Exception(InvalidDateMessage(text));
  return *date;
}

// The identifier among `selected` that names the same collection as `cdid`.
std::string SelectedCD(const std::vector<std::string>& selected, const std::string& cdid) {
  for (const auto& s : selected)
    if (SameCDID(s, cdid)) return s;
  throw UsageError("--texts names " + cdid + ", which is none of the --collection directories");
}

Filters MakeFilters(const SearchArguments& s, const std::vector<std::string>& selected) {
  Filters f;
  for (const auto& t : s.texts) {
    retrieval::TFundTextBedingung condition;
    condition.TextNr = t.text;
    condition.CD = retrieval::TCDKennung(SelectedCD(selected, t.cdid));
    f.texts.push_back(condition);
  }
  for (const auto& kind : kTextKinds) {
    const bool wanted =
        s.parts.empty() || std::find(s.parts.begin(), s.parts.end(), kind.kind) != s.parts.end();
    if (wanted) f.parts.insert(f.parts.end(), kind.parts, kind.parts + kind.count);
  }
  if (s.languages.empty())
    f.languages.assign(std::begin(kDefaultLanguages), std::end(kDefaultLanguages));
  else
    for (int32_t code : s.languages) f.languages.push_back(static_cast<uint8_t>(code));
  if (s.date && (s.from || s.to)) throw UsageError("--date excludes --from and --to");
  if (s.date) f.from = f.to = Date(*s.date);
  if (s.from) f.from = Date(*s.from);
  if (s.to) f.to = Date(*s.to);
  return f;
}

void ApplyFilters(const Filters& f, const TSuchKatalog& katalog, TFundstellenListe& list) {
  list.FilterZuruecksetzen();
  list.TextBedingungen = f.texts;
  list.Textteile.Aktiv = true;
  for (uint8_t p : f.parts) list.Textteile.Aufnehmen(p);
  list.Sprachen.Aktiv = true;
  for (uint8_t l : f.languages) list.Sprachen.Aufnehmen(l);
  list.DatumVon = f.from;
  list.DatumBis = f.to;
  list.Katalog = &katalog;
}

// The catalog's view of the searched collections. A directory given with --collection is
// announced to the catalog without the full scan, which is what reads the date values of the
// collection metadata; they are read here instead.
TSuchKatalog SearchCatalog(Session& session) {
  TSuchKatalog katalog = TSuchKatalog::FromCatalog(session.Catalog(), session.Selected());
  for (const auto& cdid : session.Selected()) {
    retrieval::TCDSuchInfo info = katalog.Info(cdid);
    const TCDInfo metadata(info.Path);
    info.NoDateMarker = metadata.GetNoDateMarker();
    info.YearOffset = metadata.GetYearOffset();
    katalog.Hinzufuegen(std::move(info));
  }
  return katalog;
}

// Repeated searches in one process measure warm searches: the memory a search frees stays with
// the process for the next one instead of going back to the system and faulting in again (glibc
// otherwise unmaps large blocks and trims the heap after every search).
void KeepFreedMemory() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest value glibc takes
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

std::string QueryText(const std::vector<std::string>& words) {
  std::string query;
  for (const auto& w : words) query += (query.empty() ? "" : " ") + w;
  return query;
}

}  // namespace

int RunSearch(const Arguments& args, const std::string& argv0, std::ostream& out,
              std::ostream& err) {
  if (args.collections.empty()) throw UsageError("search needs at least one --collection DIR");
  const SearchArguments& s = args.search;
  Session session(argv0, args.collections);
  if (s.language != 0) SetCurrentLanguage(s.language);
  const std::string query = QueryText(args.positional);
  if (Trim(query).empty()) {
    err << "quillmar: " << Tr(kNoQuery) << "\n";
    return 1;
  }
  // A section admits any distance only.
  if (s.mode == 2 && s.distanceGiven && s.distance != 0)
    throw UsageError("--mode section needs --distance 0");
  const int32_t distance = s.mode == 2 ? 0 : s.distance;
  const Filters filters = MakeFilters(s, session.Selected());
  const TSuchKatalog katalog = SearchCatalog(session);

  if (s.repeat > 0) KeepFreedMemory();
  std::unique_ptr<TSuchThread> search;
  // With --repeat, one untimed run first: the timed runs then see the process warm (its caches
  // of word lists and hit ranges filled), as a user's second search does.
  const int runs = s.repeat > 0 ? s.repeat + 1 : 1;
  std::chrono::steady_clock::duration total{};
  int done = 0;
  for (int run = 0; run < runs; ++run) {
    if (run == 1) {
      total = {};
      done = 0;
    }
    search.reset();
    const auto started = std::chrono::steady_clock::now();
    search = std::make_unique<TSuchThread>(katalog, nullptr);
    for (const auto& cdid : session.Selected()) search->CDHinzufuegen(cdid);
    auto& anfrage = search->Anfrage();
    anfrage.Wortabstand = distance;
    anfrage.Modus = s.mode;
    anfrage.Stufe = s.fuzzy;
    anfrage.Anfrage = Utf8ToCp1252(query);
    ApplyFilters(filters, katalog, anfrage.Ergebnis);
    {
      CancelOnInterrupt cancel(anfrage.Abbrechen);
      search->Execute();
    }
    total += std::chrono::steady_clock::now() - started;
    ++done;
    if (anfrage.Fehler || anfrage.Status != 0) break;
  }
  auto& anfrage = search->Anfrage();
  if (s.repeat > 0) {
    const auto us =
        std::chrono::duration_cast<std::chrono::nanoseconds>(total).count() / 1000.0 / done;
    err << "time_us_per_query=" << us << " hits=" << anfrage.Ergebnis.Anzahl() << "\n";
  }
  if (anfrage.Fehler) err << "quillmar: " << anfrage.FehlerText << "\n";
  if (anfrage.Status == retrieval::TKomplexAnfrage::kAbgebrochen || anfrage.Status < 0) {
    err << "quillmar: " << retrieval::StatusText(anfrage.Status) << "\n";
    return 1;
  }
  HitWriter writer(out, args.formatGiven ? args.format : OutputFormat::kText, session.Catalog(),
                   s.context);
  writer.Write(anfrage.Ergebnis, query);
  return anfrage.Fehler ? 1 : 0;
}

}  // namespace quillmar::cli
