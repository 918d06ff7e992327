// Rows of the result list built from real collections, and the printable result document.

#include "search_ui/result_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"
#include "collection/cd_info.h"
#include "retrieval/complex_query.h"
#include "support/temp_dir.h"
#include "text/plain_text.h"

namespace quillmar::search_ui {
namespace {

// Two texts: one with both labels, a chapter with a section, a period as date; one with only
// a long label and a single year.
constexpr char kQuelleA[] =
    "@collection ROWA0001\n@title Rows A\n@version 1.0\n@nodate 0\n@yearoffset 1000\n"
    "@text one\n@number 1\n@title First Title\n@long Long Author\n@short Short\n@lang en\n"
    "@date 3.5.1200 to 1210\n"
    "@page 7\n@chapter Alpha Chapter\n@section Beta Section\n@line 4\nzebra one two{fn:a zebra "
    "note}\n\n"
    "@text two\n@number 2\n@title Second Title\n@long Only Long\n@lang en\n@date 1300\n"
    "@chapter Gamma\nzebra here\n";
// Another offset; a passage without a date and one with a year before Christ.
constexpr char kQuelleB[] =
    "@collection ROWB0001\n@title Rows B\n@version 1.0\n@nodate 0\n@yearoffset 500\n"
    "@text b\n@number 1\n@title B Title\n@short BS\n@lang en\n"
    "@heading zebra head\nzebra body\n\n@date -100\nlast zebra\n";

class ResultRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentLanguage(kEnglish);
    for (const auto& [cd, quelle] : {std::pair{"ROWA0001", kQuelleA}, {"ROWB0001", kQuelleB}}) {
      const std::string dir = dir_.Sub(cd);
      builder::WriteIndex(
          builder::WriteCollection(builder::MergeSources({builder::ParseSource(quelle, "t.qms")}),
                                   dir, ""),
          JoinPath(dir, "data"));
      const TCDInfo meta(dir);
      retrieval::CollectionSearchInfo info;
      info.CDID = cd;
      info.Path = dir;
      info.NoDateMarker = meta.GetNoDateMarker();
      info.YearOffset = meta.GetYearOffset();
      info.TextInfoFile = ResolvePath(JoinPath(meta.DataPath(), meta.GetTextInfoFileName()));
      katalog_.Hinzufuegen(info);
    }
  }

  // "zebra" over both collections, in result order.
  retrieval::TFundstellenListe Zebra() {
    retrieval::TKomplexAnfrage q(katalog_, nullptr);
    q.Wortabstand = 20;
    q.Modus = 1;
    q.CDs = {"ROWA0001", "ROWB0001"};
    q.Ausfuehren("zebra");
    EXPECT_EQ(q.Status, 0);
    retrieval::TFundstellenListe hits;
    hits.Uebernehmen(q.Ergebnis);
    return hits;
  }

  test::TempDir dir_;
  retrieval::SearchCatalog katalog_;
};

// Words|title|author|chapter|page|line|kind|date of a row.
std::string Felder(const ResultRow& z) {
  return z.Worte + "|" + z.Titel + "|" + z.Autor + "|" + z.Kapitel + "|" + std::to_string(z.Seite) +
         "|" + std::to_string(z.Zeile) + "|" + z.Art + "|" + z.Datum;
}

TEST_F(ResultRowsTest, RowsCarryCatalogFieldsKindsAndDates) {
  retrieval::TFundstellenListe hits = Zebra();
  ResultRows builder(katalog_);
  std::vector<std::string> rows;
  for (const auto& hit : hits.EntryList()) rows.push_back(Felder(builder.Zeile(hit, true)));
  EXPECT_EQ(builder.CatalogChanges(), 2);  // A's rows, then B's
  // Without a short label the long one is the author; B has its own year offset, its heading
  // sorts first and an unknown year is not shown.
  EXPECT_EQ(
      rows,
      (std::vector<std::string>{
          "zebra|First Title|Short|Alpha Chapter/Beta Section|7|4|text|3.5.1200 - 1210",
          "zebra|First Title|Short|Alpha Chapter/Beta Section|7|0|footnote|3.5.1200 - 1210",
          "zebra|Second Title|Only Long|Gamma|0|0|text|1300", "zebra|B Title|BS||0|0|heading|",
          "zebra|B Title|BS||0|0|text|", "zebra|B Title|BS||0|0|text|-100"}));
  const ResultRow fussnote = builder.Zeile(hits.EntryList()[1], false);
  EXPECT_EQ(fussnote.Position.CD.Str(), "ROWA0001");
  EXPECT_EQ(fussnote.Position.TextNr, 1);
  EXPECT_EQ(fussnote.Position.Textteil, 11);
  EXPECT_EQ(fussnote.Position.Anfang, hits.EntryList()[1].Anzeige.Anfang);
  EXPECT_EQ(fussnote.Datum, "");  // no date condition: the column stays empty
  EXPECT_EQ(builder.Zeile(hits.EntryList()[5], false).Position.CD.Str(), "ROWB0001");

  // A catalog that knows neither collection leaves the catalog fields empty.
  retrieval::SearchCatalog ohne;
  EXPECT_EQ(Felder(ResultRows(ohne).Zeile(hits.EntryList()[0], false)), "zebra||||7|4|text|");
}

TEST_F(ResultRowsTest, CatalogIsReloadedExactlyWhenTheCollectionChanges) {
  const retrieval::TFundstellenListe sorted = Zebra();
  const auto& e = sorted.EntryList();
  // Arrival order A, A, B, A, B, B: four changes of collection from one row to the next.
  retrieval::TFundstellenListe mixed;
  for (size_t i : {0u, 1u, 3u, 2u, 4u, 5u})
    mixed.Anhaengen(e[i].Fundstelle, e[i].Anzeige, e[i].CD.View());
  ResultRows builder(katalog_);
  std::vector<std::string> titles;
  for (const auto& hit : mixed.EntryList()) titles.push_back(builder.Zeile(hit, false).Titel);
  EXPECT_EQ(builder.CatalogChanges(), 4);
  EXPECT_EQ(titles, (std::vector<std::string>{"First Title", "First Title", "B Title",
                                              "Second Title", "B Title", "B Title"}));
}

TEST_F(ResultRowsTest, DocumentPrintsTheSelectedFields) {
  ResultRow row{"zebra", "Histories", "Hdt.", "Clio", 12, 3, "footnote", "", {}};
  const std::string file = dir_.Sub("result.tmp");
  test::WriteFile(file, "old contents");
  // The heading paragraph comes with blank paragraphs around it.
  const std::string head =
      "\r\n\r\n\r\nSearch results\r\n\r\nQuestion: zebra\r\n2 occurrence(s)\r\n";

  // "0 0 0 0 1 1 1": words, author, title, page.
  WriteResultDocument(file, "zebra", 2, {row, row}, {true, true, true, true, false, false, false});
  EXPECT_EQ(PlainText(test::ReadFile(file)),
            head + "zebra Hdt.: Histories. Page 12 \r\nzebra Hdt.: Histories. Page 12 ");

  // Every field: the chapter joins the title with ", ", the kind is bracketed.
  WriteResultDocument(file, "zebra", 1, {row}, {true, true, true, true, true, true, true});
  EXPECT_EQ(PlainText(test::ReadFile(file)),
            "\r\n\r\n\r\nSearch results\r\n\r\nQuestion: zebra\r\n1 occurrence(s)\r\n"
            "zebra Hdt.: Histories, Clio, Page 12 Line 3 (footnote)");

  // Nothing chosen: one empty paragraph per row.
  WriteResultDocument(file, "zebra", 2, {row, row}, {});
  EXPECT_EQ(PlainText(test::ReadFile(file)), head + "\r\n");  // the second row's separator

  // Non-Latin-1 query text arrives in Windows-1252.
  WriteResultDocument(file,
                      "Stra\xc3\x9f"
                      "e \xe2\x80\x9cx\xe2\x80\x9d",
                      0, {}, {});
  EXPECT_NE(test::ReadFile(file).find("Stra\xdf"
                                      "e \x93x\x94"),
            std::string::npos);

  // A file that cannot be written raises and leaves nothing behind.
  const std::string bad = dir_.Sub("missing/dir/result.tmp");
  EXPECT_THROW(WriteResultDocument(bad, "q", 0, {}, {}), EInOutError);
  EXPECT_FALSE(FileExists(bad));
}

}  // namespace
}  // namespace quillmar::search_ui
