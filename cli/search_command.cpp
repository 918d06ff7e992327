#include "cli/search_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <memory>
#include <optional>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "cli/hit_writer.h"
#include "cli/session.h"
#include "collection/cd_info.h"
#include "platform/stderr_prompts.h"
#include "retrieval/complex_query.h"
#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"
#include "search_ui/search_settings.h"

namespace quillmar::cli {

namespace {

using retrieval::DateBound;
using retrieval::SearchCatalog;
using retrieval::TSuchThread;

constexpr LangText kNoQuery = {"Sie müssen einen Suchbegriff eingeben.",
                               "You have to input a word you want to search."};

// Ctrl-C during a search: the flag of the running search (set at once, so the search stops at
// its next check) and the process-wide note that the user wants to stop, which keeps a repeated
// search from starting its next run.
std::atomic<std::atomic<bool>*> g_cancel{nullptr};
std::atomic<bool> g_interrupted{false};

extern "C" void CancelOnSignal(int) {
  g_interrupted.store(true);
  std::atomic<bool>* flag = g_cancel.load();
  if (flag) flag->store(true);
}

// Catches SIGINT for as long as it lives; the previous handler comes back afterwards.
class InterruptHandler {
 public:
  InterruptHandler() { previous_ = std::signal(SIGINT, CancelOnSignal); }
  ~InterruptHandler() {
    std::signal(SIGINT, previous_);
    g_cancel.store(nullptr);
  }
  InterruptHandler(const InterruptHandler&) = delete;
  InterruptHandler& operator=(const InterruptHandler&) = delete;

  // Hands the signal to this search's cancel flag; set already when the signal came before.
  static void Watch(std::atomic<bool>& flag) {
    g_cancel.store(&flag);
    if (g_interrupted.load()) flag.store(true);
  }
  // Before the watched search goes away.
  static void Unwatch() { g_cancel.store(nullptr); }
  static bool Interrupted() { return g_interrupted.load(); }

 private:
  void (*previous_)(int) = SIG_DFL;
};

DateBound Date(const std::string& text) {
  const auto date = search_ui::ParseDate(text);
  if (!date) throw Exception(search_ui::InvalidDateMessage(text));
  return *date;
}

// The identifier among `selected` that names the same collection as `cdid`.
std::string SelectedCD(const std::vector<std::string>& selected, const std::string& cdid) {
  for (const auto& s : selected)
    if (SameCDID(s, cdid)) return s;
  throw UsageError("--texts names " + cdid + ", which is none of the --collection directories");
}

// The search form's settings for the command line: every --collection checked, the --texts
// checked below an unchecked "all" entry (or "all" checked without --texts), the --parts kinds
// in the form's order, the --languages codes or the form's default set, and the dates.
search_ui::SearchSettings Settings(const SearchArguments& s, Session& session,
                                   const std::string& query, int32_t distance) {
  auto e = search_ui::SearchSettings::Standard();
  e.Anfrage = search_ui::QueryLine(query, s.fuzzy);
  for (const auto& cdid : session.Selected())
    e.CDAuswahl.push_back(TCDSelect{cdid, session.Catalog().GetCDName(cdid), true});
  e.TextAuswahl.push_back(TTextSelect{"0", 0, "", s.texts.empty()});
  for (const auto& t : s.texts)
    e.TextAuswahl.push_back(TTextSelect{SelectedCD(session.Selected(), t.cdid), t.text, "", true});
  if (!s.parts.empty()) {
    e.Textarten.clear();
    for (uint8_t kind : search_ui::kTextKinds)
      if (std::find(s.parts.begin(), s.parts.end(), kind) != s.parts.end())
        e.Textarten.push_back(kind);
  }
  if (!s.languages.empty()) {
    e.Sprachen.Leeren();
    for (int32_t code : s.languages) e.Sprachen.Aufnehmen(static_cast<uint8_t>(code));
  }
  if (s.date && (s.from || s.to)) throw UsageError("--date excludes --from and --to");
  if (s.date) e.DatumGenau = Date(*s.date);
  if (s.from) e.DatumVon = Date(*s.from);
  if (s.to) e.DatumBis = Date(*s.to);
  e.UndModus = s.mode;
  e.Wortabstand = distance;
  e.Stufe = s.fuzzy;
  return e;
}

// The catalog's view of the searched collections. A directory given with --collection is
// announced to the catalog without the full scan, which is what reads the date values of the
// collection metadata; they are read here instead.
SearchCatalog MakeSearchCatalog(Session& session) {
  SearchCatalog katalog = SearchCatalog::FromCatalog(session.Catalog(), session.Selected());
  for (const auto& cdid : session.Selected()) {
    retrieval::CollectionSearchInfo info = katalog.Info(cdid);
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
  const search_ui::SearchSettings settings = Settings(s, session, query, distance);
  const SearchCatalog katalog = MakeSearchCatalog(session);

  if (s.repeat > 0) KeepFreedMemory();
  std::unique_ptr<TSuchThread> search;
  // With --repeat, two untimed runs first: the timed runs then see the process warm (its caches
  // of word lists and hit ranges filled; a word list is kept from its second search on), as a
  // user's later searches do.
  constexpr int kWarmUp = 2;
  const int runs = s.repeat > 0 ? s.repeat + kWarmUp : 1;
  // The timed runs are timed as a whole, as the Xapian side of the comparison times its loop:
  // reading the clocks around every run cost more than a search of a rare word.
  std::chrono::steady_clock::time_point started;
  std::clock_t startedCpu = 0;
  std::chrono::steady_clock::duration total{};
  std::chrono::steady_clock::duration first{};
  // Processor time too: on a shared machine it varies less than the wall clock.
  std::clock_t cpu = 0;
  std::clock_t firstCpu = 0;
  int done = 0;
  std::optional<InterruptHandler> interrupts(std::in_place);
  for (int run = 0; run < runs; ++run) {
    if (run == 0 || run == kWarmUp) {
      started = std::chrono::steady_clock::now();
      startedCpu = std::clock();
    }
    InterruptHandler::Unwatch();
    search.reset();
    search = std::make_unique<TSuchThread>(katalog, &session.Plugins());
    // A collection without fuzzy search is searched exactly; the tool gives no notice.
    search_ui::SetUpSearch(settings, *search, katalog, [](const std::string&) { return true; });
    auto& complexQuery = search->Anfrage();
    // The hit writer takes the entries one at a time on this thread.
    complexQuery.CompactResult = true;
    InterruptHandler::Watch(complexQuery.Abbrechen);
    search->Execute();
    if (run == 0 && s.repeat > 0) {
      first = std::chrono::steady_clock::now() - started;
      firstCpu = std::clock() - startedCpu;
    }
    if (run >= kWarmUp) ++done;
    if (complexQuery.Fehler || complexQuery.Status != 0 || InterruptHandler::Interrupted()) break;
  }
  if (done > 0) {
    total = std::chrono::steady_clock::now() - started;
    cpu = std::clock() - startedCpu;
  }
  interrupts.reset();  // Ctrl-C while the hits are written ends the tool at once
  if (InterruptHandler::Interrupted()) {
    err << "quillmar: " << retrieval::StatusText(retrieval::TKomplexAnfrage::kCancelled) << "\n";
    throw Interrupted{};
  }
  auto& complexQuery = search->Anfrage();
  if (s.repeat > 0 && done > 0) {  // no timed run when a warm-up run failed
    const auto us =
        std::chrono::duration_cast<std::chrono::nanoseconds>(total).count() / 1000.0 / done;
    // The untimed first run is reported too: in a fresh process it is the first query's time.
    const auto firstUs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(first).count() / 1000.0;
    err << "time_us_per_query=" << us << " hits=" << complexQuery.Ergebnis.Anzahl()
        << " first_us=" << firstUs
        << " cpu_us_per_query=" << 1e6 * static_cast<double>(cpu) / CLOCKS_PER_SEC / done
        << " first_cpu_us=" << 1e6 * static_cast<double>(firstCpu) / CLOCKS_PER_SEC << "\n";
  }
  // A collection left out: its message, the other collections' hits, and exit status 1. When no
  // collection could be searched there is no result to write, not even "No occurrences found."
  if (complexQuery.Fehler) {
    err << PrefixedLines(complexQuery.FehlerText);
    if (complexQuery.LeftOut.empty() || complexQuery.LeftOut.size() == complexQuery.CDs.size())
      return 1;
  }
  if (complexQuery.Status == retrieval::TKomplexAnfrage::kCancelled || complexQuery.Status < 0) {
    err << "quillmar: " << retrieval::StatusText(complexQuery.Status) << "\n";
    return 1;
  }
  HitWriter writer(out, args.formatGiven ? args.format : OutputFormat::kText, session.Catalog(),
                   s.context, args.header, args.unicode);
  writer.Write(complexQuery.Ergebnis, query);
  return complexQuery.Fehler ? 1 : 0;
}

}  // namespace quillmar::cli
