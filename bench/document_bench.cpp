// Costs of the document model: laying out, drawing and re-marking about 60 lines of a text
// stream written by the collection builder, on the fixed test canvas.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "builder/source_parser.h"
#include "builder/text_stream_writer.h"
#include "support/fixed_canvas.h"
#include "text/document.h"
#include "text/paragraph_cutter.h"

namespace {

using namespace quillmar;

// Six paragraphs of 80 words with italics, Greek, footnotes and margin notes, under a chapter
// heading: about 60 lines of 600 px.
const std::vector<TAbsatzDataRecord>& Paragraphs() {
  static const std::vector<TAbsatzDataRecord> paragraphs = [] {
    std::string src =
        "@collection BNCH0001\n@title Bench\n@text t\n@title Text\n@chapter Book One\n";
    const char* words[] = {"lorem",      "ipsum", "dolor", "sit", "amet",    "consectetur",
                           "adipiscing", "elit",  "sed",   "do",  "eiusmod", "tempor"};
    for (int p = 0; p < 6; ++p) {
      for (int w = 0; w < 80; ++w) {
        if (w % 17 == 5) src += "{i:emphasis} ";
        if (w % 23 == 7) src += "{greek:lo'gos} ";
        if (w % 31 == 11) src += "word{fn:A note.} ";
        if (w % 40 == 3) src += "{margin:Note " + std::to_string(w) + "} ";
        src += words[(p * 7 + w) % 12];
        src += ' ';
      }
      src += "\n\n";
    }
    const builder::SourceCollection c = builder::MergeSources({builder::ParseSource(src, "b.qms")});
    const builder::WrittenText text = builder::WriteTextStreams(c.texts.at(0), c.header.id, {}, {});
    return ParagraphCutter::Split(text.layers[0].Bytes());
  }();
  return paragraphs;
}

void Fill(TAbsaetze& doc) {
  doc.SetClientRect({0, 0, 665, 1400});
  doc.SetLeftBorder(60);
  doc.SetIndentCount(3);
  doc.SetLineSpacingFactor(1);
  doc.SetJustifiedDefault(true);
  for (const TAbsatzDataRecord& p : Paragraphs()) doc.Append(p.text, p.start);
}

void BM_DocumentLayout(benchmark::State& state) {
  test::FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc(canvas, colours);
  int64_t lines = 0;
  for (auto _ : state) {
    doc.Clear();
    Fill(doc);
    lines = 0;
    for (int32_t i = 0; i < doc.Count(); ++i) lines += doc.Paragraph(i).Lines().Count();
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_DocumentLayout)->Unit(benchmark::kMicrosecond);

void BM_DocumentDraw(benchmark::State& state) {
  test::FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc(canvas, colours);
  Fill(doc);
  for (auto _ : state) {
    canvas.ClearOps();
    doc.Draw();
    benchmark::DoNotOptimize(canvas.ops.data());
  }
  state.counters["ops"] = static_cast<double>(canvas.ops.size());
}
BENCHMARK(BM_DocumentDraw)->Unit(benchmark::kMicrosecond);

// A selection growing and shrinking over the drawn text: only changed words are redrawn.
void BM_DocumentMarkings(benchmark::State& state) {
  test::FixedCanvas canvas;
  ColourTables colours;
  TAbsaetze doc(canvas, colours);
  Fill(doc);
  doc.Draw();
  const int32_t from = doc.Paragraph(1).StartPos();
  const int32_t to = doc.Paragraph(doc.Count() - 1).EndPos();
  int32_t step = 0;
  for (auto _ : state) {
    canvas.ClearOps();
    doc.SetUserMarking(from, from + (step++ % 2 == 0 ? (to - from) / 2 : to - from));
  }
}
BENCHMARK(BM_DocumentMarkings)->Unit(benchmark::kMicrosecond);

}  // namespace
