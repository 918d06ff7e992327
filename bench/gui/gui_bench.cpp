// Timings of the reader's windows on the King James Bible, drawn offscreen: the main window's
// first paint, opening a text, Page Down, opening a hit and stepping to the next hit.
//
//   QUILLMAR_BENCH_KJV=build/collections/kjv build/bench/quillmar_gui_bench
//
// Every step ends with the window grabbed, so the time includes layout and drawing.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "collection/calderwick_data.h"
#include "gui/app/main_window.h"
#include "gui/common/app_context.h"
#include "gui/text/text_child.h"
#include "retrieval/complex_query.h"
#include "retrieval/search_catalog.h"
#include "support/fakes.h"
#include "system/memory_registry_store.h"

namespace {

using quillmar::gui::AppContext;
using quillmar::gui::TCalderwickForm;
using quillmar::gui::TTextChild;

const char* KjvDirectory() { return std::getenv("QUILLMAR_BENCH_KJV"); }

// A reader on an in-memory settings store with the KJV announced.
struct Reader {
  Reader() {
    AppContext::Parts parts{std::make_unique<quillmar::MemoryRegistryStore>(),
                            std::make_unique<quillmar::test::FakeDrives>(),
                            std::make_unique<quillmar::test::ScriptedPrompts>(), "reader"};
    parts.greekFonts = [] { return QStringList(); };
    context = std::make_unique<AppContext>(std::move(parts));
    context->Catalog().AnnounceDirectory(KjvDirectory());
    cdid = context->Catalog().CDs().back().CDID;
  }
  std::unique_ptr<TCalderwickForm> NewForm() {
    auto form = std::make_unique<TCalderwickForm>(*context);
    form->resize(1024, 768);
    form->CreateNavigation();
    form->show();
    return form;
  }
  std::unique_ptr<AppContext> context;
  std::string cdid;
};

// The hits of `word` in the KJV, in list order.
std::vector<quillmar::retrieval::TFundPosition> Hits(Reader& reader, const std::string& word) {
  using namespace quillmar::retrieval;
  const SearchCatalog katalog =
      SearchCatalog::FromCatalog(reader.context->Catalog(), {reader.cdid});
  TKomplexAnfrage query(katalog, nullptr);
  query.CDs = {reader.cdid};
  query.Modus = 1;
  query.Ausfuehren(word);
  std::vector<TFundPosition> hits;
  for (const auto& hit : query.Ergebnis.EntryList()) {
    TFundPosition p;  // as the result list hands a row to the main window
    p.Textteil = hit.Anzeige.Textteil;
    p.TextNr = hit.Anzeige.TextNr;
    p.Anfang = hit.Anzeige.Anfang;
    p.Ende = hit.Anzeige.Ende;
    for (int k = 0; k < TAnzeigeRecord::kMaxWords; ++k) p.WortPos[k] = hit.Anzeige.WortPos[k];
    p.CD = hit.CD;
    hits.push_back(p);
  }
  return hits;
}

void Draw(QWidget* window) { benchmark::DoNotOptimize(window->grab()); }

// From the reader's context (settings, catalog with the KJV, text styles, plug-ins, bookmarks)
// to the painted main window with its navigation window.
void BM_FirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    auto reader = std::make_unique<Reader>();
    auto form = reader->NewForm();
    Draw(form.get());
    state.PauseTiming();
    form.reset();
    reader.reset();
    state.ResumeTiming();
  }
}

void BM_OpenText(benchmark::State& state) {
  Reader reader;
  auto form = reader.NewForm();
  int32_t text = 1;
  for (auto _ : state) {
    TTextChild* window = form->OpenTextByIds(reader.cdid, text, 0, 0, true);
    Draw(window);
    state.PauseTiming();
    window->close();
    QApplication::processEvents();
    text = text % 66 + 1;
    state.ResumeTiming();
  }
}

void BM_PageDown(benchmark::State& state) {
  Reader reader;
  auto form = reader.NewForm();
  TTextChild* window = form->OpenTextByIds(reader.cdid, 19, 0, 0, true);  // Psalms
  Draw(window);
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    Draw(window);
  }
}

// Opening hits of "light" spread over the whole Bible, each in the reader's hit window.
void BM_OpenHit(benchmark::State& state) {
  Reader reader;
  auto form = reader.NewForm();
  const auto hits = Hits(reader, "light");
  size_t i = 0;
  for (auto _ : state) {
    form->OpenResultPosition(hits[i]);
    Draw(form->ActiveTextWindow());
    i = (i + 37) % hits.size();
  }
}

// What F3 does once a hit is open: the next hit of the list, mostly in the same text.
void BM_NextHit(benchmark::State& state) {
  Reader reader;
  auto form = reader.NewForm();
  const auto hits = Hits(reader, "light");
  size_t i = 0;
  form->OpenResultPosition(hits[i]);
  for (auto _ : state) {
    i = (i + 1) % hits.size();
    form->OpenResultPosition(hits[i]);
    Draw(form->ActiveTextWindow());
  }
}

}  // namespace

BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenHit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextHit)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (KjvDirectory() == nullptr) {
    std::fprintf(stderr, "Set QUILLMAR_BENCH_KJV to a built King James Bible collection.\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
