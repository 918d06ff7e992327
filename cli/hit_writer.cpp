#include "cli/hit_writer.h"

#include <optional>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/text_info.h"
#include "search_ui/search_settings.h"

namespace quillmar::cli {

namespace {

constexpr LangText kPage = {"Seite", "page"};
constexpr LangText kLine = {"Zeile", "line"};
constexpr LangText kOccurrences = {"Fundstelle(n)", "occurrence(s)"};
constexpr LangText kQuestion = {"Anfrage", "Question"};
constexpr LangText kNothingFound = {"Keine Stellen gefunden.", "No occurrences found."};

}  // namespace

struct HitWriter::Row {
  std::string cdid;
  int32_t text = 0;
  int32_t part = 0;
  int32_t start = 0;
  int32_t end = 0;
  std::vector<int32_t> positions;
  std::string words;  // UTF-8
  int32_t page = 0;
  int32_t line = 0;
  std::string title;    // UTF-8
  std::string context;  // UTF-8; empty without --context
};

HitWriter::HitWriter(std::ostream& out, OutputFormat format, TCalderwickData& catalog,
                     int32_t context, bool header, bool unicodeGreek)
    : out_(out), format_(format), header_(header), catalog_(catalog) {
  if (context >= 0) context_ = std::make_unique<HitContext>(catalog, context, unicodeGreek);
}

HitWriter::~HitWriter() = default;

std::string HitWriter::Title(const std::string& cdid, int32_t textNr) {
  // Each lookup in the text catalog opens files: remember the titles already found.
  const auto known = titles_.find({cdid, textNr});
  if (known != titles_.end()) return known->second;
  std::string title = LookUpTitle(cdid, textNr);
  titles_.emplace(std::make_pair(cdid, textNr), title);
  return title;
}

std::string HitWriter::LookUpTitle(const std::string& cdid, int32_t textNr) {
  auto& info = infos_[cdid];
  if (!info) {
    info = std::make_unique<TTextInfo>();
    try {
      info->Load(catalog_.GetTextInfoFile(cdid));
    } catch (const Exception&) {
      return {};
    }
  }
  if (textNr < 1 || textNr > info->RecordCount()) return {};
  info->Select(textNr);
  return info->CurrentText() == textNr ? Cp1252ToUtf8(info->Title()) : std::string();
}

HitWriter::Row HitWriter::Build(const retrieval::TFundstellenListe::Eintrag& hit) {
  Row row;
  const auto& a = hit.Anzeige;
  row.cdid = hit.CD.Str();
  row.text = a.TextNr;
  row.part = a.Textteil;
  row.start = a.Anfang;
  row.end = a.Ende;
  for (int32_t p : a.WortPos)
    if (p != -1) row.positions.push_back(p);
  row.words = Cp1252ToUtf8(a.AnzeigeText());
  row.page = hit.Fundstelle.Seite;
  row.line = hit.Fundstelle.Zeile;
  row.title = Title(row.cdid, row.text);
  if (context_) row.context = context_->Line(row.cdid, row.text, row.part, row.positions);
  return row;
}

void HitWriter::Text(const Row& row) {
  out_ << row.words << "\t" << row.cdid << " " << row.text << " " << row.title << ", " << Tr(kPage)
       << " " << row.page << ", " << Tr(kLine) << " " << row.line << " ("
       << search_ui::TextKindName(row.part) << ")\n";
  if (context_) out_ << "    " << row.context << "\n";
}

void HitWriter::Write(const retrieval::TFundstellenListe& hits, const std::string& query) {
  std::optional<TableWriter> table;
  if (format_ != OutputFormat::kText) {
    std::vector<std::string> columns = {"cdid",      "text",  "part", "start", "end",
                                        "positions", "words", "page", "line",  "title"};
    if (context_) columns.push_back("context");
    table.emplace(out_, format_, std::move(columns), header_);
  }
  bool first = true;
  // One entry at a time: a result of words stays compact (TKomplexAnfrage::CompactResult).
  for (size_t k = 0; k < static_cast<size_t>(hits.Anzahl()); ++k) {
    const Row row = Build(hits.EntryAt(k));
    if (table) {
      std::vector<Cell> fields = {
          row.cdid,  row.text, row.part, row.start, row.end, Cell::NumberList(row.positions),
          row.words, row.page, row.line, row.title};
      if (context_) fields.push_back(row.context);
      table->Row(fields);
    } else {
      Text(row);
    }
    first = false;
  }
  table.reset();
  if (format_ == OutputFormat::kText) {
    if (first)
      out_ << Tr(kNothingFound) << "\n";
    else
      out_ << hits.Anzahl() << " " << Tr(kOccurrences) << "  " << Tr(kQuestion) << ": " << query
           << "\n";
  }
  out_.flush();
}

}  // namespace quillmar::cli
