#include "cli/words_command.h"

#include <map>

#include "base/codepage.h"
#include "base/language.h"
#include "cli/session.h"
#include "cli/table_writer.h"
#include "retrieval/mask.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_file.h"
#include "retrieval/word_key.h"
#include "retrieval/word_query.h"
#include "text/greek_input.h"

namespace quillmar::cli {

namespace {

using retrieval::TLesenWortDatei;
using retrieval::TWortDateiRecord;

int64_t Hits(const TWortDateiRecord& r) { return int64_t{r.Bis} - r.Von + 1; }

// Rows for a plain word: every record whose word key equals the word's (they stand together
// around the record found), or the records before and after the place where it would stand.
void WordRows(const retrieval::CollectionSearchInfo& cd, const std::string& word,
              TableWriter& table) {
  retrieval::TWortDateiAnfrage lookup;
  lookup.SetzeCD(cd);
  lookup.Suche(word);
  TLesenWortDatei reader;
  reader.SetzeDateiName(lookup.DateiName());
  if (!reader.Verfuegbar()) return;
  auto row = [&](const char* relation, int32_t n) {
    if (n < 1 || n > reader.Anzahl()) return;
    const TWortDateiRecord r = reader.Lies(n);
    table.Row({relation, Cp1252ToUtf8(r.Wort), n, Hits(r)});
  };
  if (!lookup.Gefunden()) {
    row("before", lookup.VorgaengerNr());
    row("after", lookup.NachfolgerNr());
    return;
  }
  const std::string key = Normalisieren(word);
  int32_t first = lookup.Satznummer();
  while (first > 1 && Normalisieren(reader.Lies(first - 1).Wort) == key) --first;
  for (int32_t n = first; n <= reader.Anzahl(); ++n) {
    if (n != lookup.Satznummer() && Normalisieren(reader.Lies(n).Wort) != key) break;
    row("match", n);
  }
}

// Rows for a mask: the records the word query expands it to, with their record numbers.
void MaskRows(const retrieval::SearchCatalog& katalog, const std::string& cdid,
              const std::string& mask, TableWriter& table) {
  retrieval::TWoerterAnfrage query(katalog, nullptr);
  query.Stufe = 0;
  query.SetzeCD(cdid);
  query.Suche(mask);
  // Record numbers by hit range: every record owns a range of its own.
  retrieval::TWortDateiAnfrage file;
  file.SetzeCD(katalog.Info(cdid));
  TLesenWortDatei reader;
  reader.SetzeDateiName(file.DateiName());
  std::map<int32_t, int32_t> numbers;
  if (reader.Verfuegbar())
    for (int32_t n = 1; n <= reader.Anzahl(); ++n) numbers.emplace(reader.Lies(n).Von, n);
  for (const auto& r : query.Ergebnis().Records()) {
    const auto n = numbers.find(r.Von);
    table.Row(
        {"match", Cp1252ToUtf8(r.Wort), n == numbers.end() ? Cell("") : Cell(n->second), Hits(r)});
  }
}

}  // namespace

int RunWords(const Arguments& args, const std::string& argv0, std::ostream& out) {
  if (args.collections.size() != 1) throw UsageError("words needs one --collection DIR");
  if (args.positional.size() != 1) throw UsageError("words needs one WORD or MASK");
  Session session(argv0, args.collections);
  if (args.search.language != 0) SetCurrentLanguage(args.search.language);
  const std::string cdid = session.Selected().front();
  const auto katalog = retrieval::SearchCatalog::FromCatalog(session.Catalog(), {cdid});
  // A word in Greek letters is looked up in its transliteration.
  const std::string word = TransliterateGreekQuery(args.positional.front(), false, '.');
  TableWriter table(out, args.format, {"relation", "word", "record", "hits"}, args.header);
  if (retrieval::TMaske::IstMaske(word))
    MaskRows(katalog, cdid, word, table);
  else
    WordRows(katalog.Info(cdid), word, table);
  return 0;
}

}  // namespace quillmar::cli
