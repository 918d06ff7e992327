#include "text/print_job.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/language.h"
#include "collection/datei.h"
#include "text/document.h"
#include "text/font_table.h"
#include "text/paragraph_cutter.h"
#include "text/print_file.h"

namespace quillmar {

namespace {

constexpr LangText kUnreadable{"Die Datei '%s' kann nicht gelesen werden.",
                               "Unable to read the file '%s'."};

SourcePage PageOf(const TWortListRecord& w) { return {w.PageNumber, w.PageNumbering == 1}; }

// Calls f for every word of the page's paragraphs, in text order, each paragraph from the line
// the page shows first.
template <typename F>
void ForPageWords(const TAbsaetze& doc, F f) {
  for (int32_t i = doc.FirstVisible(); i <= doc.LastVisible(); ++i) {
    const TAbsatz& p = doc.Paragraph(i);
    for (int32_t l = std::max(0, p.CurrentLine()); l < p.Lines().Count(); ++l) {
      for (const TWortListRecord& w : p.Lines().Line(l).Words()) f(w);
    }
  }
}

// The source pages of the first and the last word printed on the page; of the page's first and
// last words when none was printed; page 0 (Roman, shown as nothing) on a page without words.
std::pair<SourcePage, SourcePage> PageRange(const TAbsaetze& doc) {
  const TWortListRecord* first = nullptr;
  const TWortListRecord* last = nullptr;
  const TWortListRecord* any_first = nullptr;
  const TWortListRecord* any_last = nullptr;
  ForPageWords(doc, [&](const TWortListRecord& w) {
    if (any_first == nullptr) any_first = &w;
    any_last = &w;
    // Words outside the print range get a box too but are not printed.
    if (!w.Drawn() || !w.Visible) return;
    if (first == nullptr) first = &w;
    last = &w;
  });
  if (first == nullptr) {
    first = any_first;
    last = any_last;
  }
  if (first == nullptr) return {SourcePage{}, SourcePage{}};
  return {PageOf(*first), PageOf(*last)};
}

// Where the page after a drawn page begins: the first undrawn line of the last paragraph it
// reached, or the paragraph after it (`after`: the position behind each loaded paragraph's
// bytes). Nothing when the page's first paragraph could not take a single line.
std::optional<int32_t> NextPageStart(const TAbsaetze& doc, const std::vector<int32_t>& after) {
  const int32_t k = doc.LastVisible();
  const TAbsatz& p = doc.Paragraph(k);
  const int32_t lines = p.Lines().Count();
  if (lines == 0 || p.LastLineDrawn() >= lines - 1) return after[static_cast<size_t>(k)];
  if (p.LastLineDrawn() >= p.CurrentLine()) return p.Lines().Line(p.LastLineDrawn() + 1).FirstPos();
  if (k == doc.FirstVisible()) return std::nullopt;
  return p.StartPos();
}

}  // namespace

void PrintJob::CheckMetrics() {
  Canvas& canvas = target_.Surface();
  for (int n = 1; n <= FontTable::kCount; ++n) {
    TextMetric m;
    try {
      canvas.SelectFont(n, true);
      m = canvas.Metrics(n, true);
    } catch (const Exception&) {
      RaiseInternalError("PTF-DA 001");
    }
    if (m.Height <= 0) RaiseInternalError("PTF-DA 001");
  }
}

PrintResult PrintJob::Print(const TPPFFile& file, int32_t first, int32_t last, bool wholeFile) {
  TDatei stream_file;
  stream_file.SetDateiName(file.FileName());
  if (stream_file.DateiLen() <= 0 || stream_file.NoLangerAvailable()) {
    throw EInOutError(Format(Tr(kUnreadable), {file.FileName()}));
  }
  if (wholeFile) {
    first = 1;
    last = stream_file.DateiLen();
  }
  ParagraphCutter cutter(stream_file);
  // A whole file is a generated document (the result list): its paragraphs carry no pages of a
  // source text, so the header counts the printed pages.
  return Print(cutter, file.HeaderText(), first, last, wholeFile);
}

PrintResult PrintJob::Print(const ParagraphCutter& cutter, std::string_view header, int32_t first,
                            int32_t last, bool printedPages) {
  PrintResult result;
  if (first < 1 || last < first) return result;
  CheckMetrics();
  Canvas& canvas = target_.Surface();
  const PrintArea area = PrintArea::Of(target_.Device(), settings_.Margins);
  if (area.Right <= area.Left || area.Bottom <= area.Top) {
    result.Complete = false;
    return result;
  }
  const int32_t height = area.Bottom - area.Top;

  int32_t begin = first;  // where the next page begins
  for (;;) {
    std::optional<TAbsatzDataRecord> record = cutter.ReadAt(begin);
    if (!record) RaiseInternalError("PTF-GA 001");
    begin = std::max(begin, record->start);

    TAbsaetze doc(canvas, colours_);
    doc.SetPrinter(true);
    doc.SetClientRect(area.Bounds());
    doc.SetLeftBorder(area.TextMargin(settings_.MarginPercent));
    doc.SetIndentCount(settings_.ParaBlank);
    doc.SetLineSpacingFactor(settings_.LineSpacing);
    doc.SetJustifiedDefault(settings_.Blocksatz);
    doc.SetUnicodeGreek(settings_.UnicodeGreek);
    doc.SetPrintRange(first, last);

    // Loaded paragraphs and the position behind each one's bytes.
    std::vector<int32_t> after;
    doc.Append(record->text, record->start);
    after.push_back(record->start + static_cast<int32_t>(record->text.size()));
    doc.SetCurrentPosition(begin);
    while (doc.HeightFromCurrent() < height) {
      const int32_t next = after.back();
      if (next > last) break;
      std::optional<TAbsatzDataRecord> more = cutter.ReadAt(next);
      if (!more || more->start > last || more->start <= doc.Paragraph(doc.Count() - 1).StartPos())
        break;
      doc.Append(more->text, more->start);
      after.push_back(more->start + static_cast<int32_t>(more->text.size()));
    }
    if (doc.Count() == 0) RaiseInternalError("PTF-AED 001");

    if (result.Pages > 0) target_.NewPage();
    doc.Draw();
    if (printedPages) {
      const SourcePage page{result.Pages + 1, true};
      target_.DrawHeader(area.Left, area.HeaderTop, HeaderLine(header, page, page));
    } else {
      const auto [from_page, to_page] = PageRange(doc);
      target_.DrawHeader(area.Left, area.HeaderTop, HeaderLine(header, from_page, to_page));
    }
    ++result.Pages;

    const std::optional<int32_t> next = NextPageStart(doc, after);
    if (!next) {
      result.Complete = false;
      return result;
    }
    if (*next > last) return result;
    const std::optional<TAbsatzDataRecord> following = cutter.ReadAt(*next);
    if (!following || std::max(*next, following->start) > last) return result;
    if (std::max(*next, following->start) <= begin) {
      result.Complete = false;
      return result;
    }
    begin = *next;
  }
}

}  // namespace quillmar
