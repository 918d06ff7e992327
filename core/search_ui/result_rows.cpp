#include "search_ui/result_rows.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/text_info.h"
#include "retrieval/index_layout.h"
#include "search_ui/search_settings.h"
#include "text/text_generator.h"

namespace quillmar::search_ui {

namespace {

using retrieval::TDatum;

constexpr LangText kTitleCaption{"Suchergebnisse", "Search results"};
constexpr LangText kAnfrage{"Anfrage: ", "Question: "};
constexpr LangText kFundstellen{"Fundstelle(n)", "occurrence(s)"};
constexpr LangText kSeite{"Seite ", "Page "};
constexpr LangText kZeile{"Zeile ", "Line "};
constexpr LangText kWriteFailed{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};

// Indexes into the seven print flags (order of the "ResultDocFormat" setting).
enum Field {
  kFieldWords = 0,
  kFieldAuthor,
  kFieldTitle,
  kFieldPage,
  kFieldLine,
  kFieldKind,
  kFieldChapter
};

// A stored year that means "no date": the collection's marker or the unknown year.
bool IsNoYear(uint16_t jahr, uint16_t marker) { return jahr == TDatum::kNoYear || jahr == marker; }

// "d.m.yyyy", "m.yyyy" or "yyyy" with "/yyyy" for a second year, years shown as stored minus the
// collection's offset; empty when the year is unknown. A second year of 0 is "none" as well.
std::string DateText(const TDatum& d, uint16_t marker, uint16_t offset) {
  if (IsNoYear(d.Jahr, marker)) return {};
  std::string text;
  if (d.Monat != 0) {
    if (d.Tag != 0) text = std::to_string(d.Tag) + ".";
    text += std::to_string(d.Monat) + ".";
  }
  text += std::to_string(static_cast<int32_t>(d.Jahr) - offset);
  if (d.Jahr2 != 0 && !IsNoYear(d.Jahr2, marker))
    text += "/" + std::to_string(static_cast<int32_t>(d.Jahr2) - offset);
  return text;
}

retrieval::TFundPosition PositionVon(const retrieval::TFundstellenListe::Eintrag& hit) {
  retrieval::TFundPosition p;
  p.Textteil = hit.Anzeige.Textteil;
  p.TextNr = hit.Anzeige.TextNr;
  p.Anfang = hit.Anzeige.Anfang;
  p.Ende = hit.Anzeige.Ende;
  for (int k = 0; k < retrieval::TAnzeigeRecord::kMaxWords; ++k)
    p.WortPos[k] = hit.Anzeige.WortPos[k];
  p.CD = hit.CD;
  return p;
}

void Text(TTextGenerator& g, const std::string& utf8) { g.AddText(Utf8ToCp1252(utf8)); }

void WriteRow(TTextGenerator& g, const ResultRow& z, const std::array<bool, 7>& f) {
  g.StartParagraph();
  if (f[kFieldWords]) {
    g.SetBold(true);
    g.SetItalic(true);
    Text(g, z.Worte);
    g.SetItalic(false);
    g.SetBold(false);
    g.AddText(" ");
  }
  if (f[kFieldAuthor]) Text(g, z.Autor + (f[kFieldTitle] ? ": " : ". "));
  if (f[kFieldTitle]) Text(g, z.Titel + (f[kFieldChapter] ? ", " : ". "));
  if (f[kFieldChapter]) {
    g.SetBold(true);
    Text(g, z.Kapitel);
    g.SetBold(false);
    g.AddText(", ");
  }
  if (f[kFieldPage]) Text(g, Tr(kSeite) + std::to_string(z.Seite) + " ");
  if (f[kFieldLine]) Text(g, Tr(kZeile) + std::to_string(z.Zeile) + " ");
  if (f[kFieldKind]) {
    g.AddText("(");
    g.SetItalic(true);
    Text(g, z.Art);
    g.SetItalic(false);
    g.AddText(")");
  }
}

}  // namespace

ResultRows::ResultRows(const retrieval::SearchCatalog& katalog) : katalog_(katalog) {}

ResultRows::~ResultRows() = default;

ResultRow ResultRows::Zeile(const retrieval::TFundstellenListe::Eintrag& hit, bool dateSearch) {
  ResultRow z;
  z.Position = PositionVon(hit);
  try {
    z.Worte = Cp1252ToUtf8(hit.Anzeige.AnzeigeText());
  } catch (const std::exception&) {
    // a display record without words: the row shows none
  }

  const std::string cd = hit.CD.Str();
  if (cd != cd_) {
    cd_ = cd;
    ++catalog_changes_;
    const retrieval::CollectionSearchInfo& ci = katalog_.Info(cd);
    no_date_marker_ = ci.NoDateMarker;
    year_offset_ = ci.YearOffset;
    // No prompts: a missing catalog is not asked for from the row builder, its fields stay empty.
    info_ = std::make_unique<TTextInfo>(nullptr);
    bool loaded = false;
    try {
      loaded = !ci.TextInfoFile.empty() && info_->Load(ci.TextInfoFile);
    } catch (const std::exception&) {
      loaded = false;
    }
    if (!loaded) info_.reset();
  }

  if (info_) {
    try {
      info_->Select(hit.Fundstelle.TextNr);
      if (info_->CurrentText() == hit.Fundstelle.TextNr) {
        z.Titel = Cp1252ToUtf8(info_->Title());
        const std::string shortLabel = info_->ShortLabel();
        z.Autor = Cp1252ToUtf8(shortLabel.empty() ? info_->LongLabel() : shortLabel);
        // The catalog reads the chapter bytes of a hit record.
        std::array<uint8_t, index_layout::kFundstelleSize> record{};
        record[index_layout::kKapitelOffset] = hit.Fundstelle.Kapitel;
        record[index_layout::kUnterkapitelOffset] = hit.Fundstelle.Unterkapitel;
        info_->SetHitPosition(record);
        z.Kapitel = Cp1252ToUtf8(info_->ChapterName());
      }
    } catch (const std::exception&) {
      // a damaged catalog or chapter file: the fields read so far stay, the rest stays empty
    }
  }

  z.Seite = hit.Fundstelle.Seite;
  z.Zeile = hit.Fundstelle.Zeile;
  z.Art = TextKindName(hit.Anzeige.Textteil);
  if (dateSearch) {
    const std::string d1 = DateText(hit.Fundstelle.Datum1, no_date_marker_, year_offset_);
    const std::string d2 = DateText(hit.Fundstelle.Datum2, no_date_marker_, year_offset_);
    if (d1.empty() || d2.empty() || d1 == d2)
      z.Datum = d1.empty() ? d2 : d1;
    else
      z.Datum = d1 + " - " + d2;
  }
  return z;
}

void WriteResultDocument(const std::string& dateiName, const std::string& anfrage, int32_t anzahl,
                         const std::vector<ResultRow>& rows, const std::array<bool, 7>& fields) {
  // Written beside the target and renamed over it, so a failure leaves the old file intact.
  const std::string neu = dateiName + ".new";
  try {
    TTextGenerator g(neu);
    g.NewChapter(1, Utf8ToCp1252(Tr(kTitleCaption)));
    g.StartParagraph();
    Text(g, Tr(kAnfrage));
    g.SetBold(true);
    Text(g, anfrage);
    g.SetBold(false);
    g.StartParagraph();
    Text(g, std::to_string(anzahl) + " " + Tr(kFundstellen));
    for (const ResultRow& z : rows) WriteRow(g, z, fields);
    g.Close();
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(NativeSeparators(neu), ignored);
    throw;
  }
  std::error_code error;
  std::filesystem::rename(NativeSeparators(neu), NativeSeparators(dateiName), error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(NativeSeparators(neu), ignored);
    throw EInOutError(Format(Tr(kWriteFailed), {dateiName}));
  }
}

}  // namespace quillmar::search_ui
