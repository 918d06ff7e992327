#include "search_ui/search_settings.h"

#include <algorithm>
#include <charconv>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/language.h"
#include "retrieval/query_tree.h"
#include "retrieval/search_thread.h"
#include "text/greek_input.h"

namespace quillmar::search_ui {

namespace {

using retrieval::TDatum;

constexpr LangText kInvalidDate = {"Das eingegebene Datum %s ist ungültig.",
                                   "The date %s is not valid."};
constexpr LangText kValidFormats = {"Folgende Formate sind gültig: tt.mm.jjjj | mm.jjjj | jjjj.",
                                    "A date can be: dd.mm.yyyy | mm.yyyy | yyyy."};
constexpr LangText kMonths[12] = {
    {"Januar", "January"},  {"Februar", "February"},  {"März", "March"},
    {"April", "April"},     {"Mai", "May"},           {"Juni", "June"},
    {"Juli", "July"},       {"August", "August"},     {"September", "September"},
    {"Oktober", "October"}, {"November", "November"}, {"Dezember", "December"}};

constexpr LangText kPartText = {"Text", "text"};
constexpr LangText kPartHeading = {"Überschrift", "heading"};
constexpr LangText kPartSubheading = {"Unterüberschrift", "subheading"};
constexpr LangText kPartSubtitle = {"Untertitel", "subtitle"};
constexpr LangText kPartScholion = {"Scholie", "historical remark"};
constexpr LangText kPartFootnote = {"Fußnote", "footnote"};
constexpr LangText kPartMarginRemark = {"Randbemerkung", "margin remark"};

constexpr LangText kLangAll = {"alle", "all"};
constexpr LangText kLangGerman = {"deutsch", "german"};
constexpr LangText kLangEnglish = {"englisch", "english"};
constexpr LangText kLangFrench = {"französisch", "french"};
constexpr LangText kLangSpanish = {"spanisch", "spain"};
constexpr LangText kLangItalian = {"italienisch", "italien"};
constexpr LangText kLangLatin = {"latein", "latin"};
constexpr LangText kLangGreek = {"griechisch", "greek"};
constexpr LangText kLangOther = {"sonstige", "other"};

constexpr LangText kTextKindTitle = {"Textart", "Kind of text"};
constexpr LangText kLanguageTitle = {"Sprache der Texte", "Language of texts"};
constexpr LangText kDateTitle = {"Chronologische Einschränkungen", "Chronological restrictions"};
constexpr LangText kNoneCaption = {"keine", "none"};
constexpr LangText kAndTitle = {"Wortabstand bei UND-Verknüpfung",
                                "Distance between words for AND-conjunction"};
constexpr LangText kAnyCaption = {"beliebig", "any"};
constexpr LangText kParagraphCaption = {"Absatz", "paragraph"};
constexpr LangText kSubsectionCaption = {"Unterkapitel", "subsection"};

constexpr LangText kNoFuzzySearch = {"Die folgenden CDs unterstützen keine unscharfe Suche:",
                                     "The following CDs doesn't support fuzzy search:"};
constexpr LangText kWillBeIgnored = {"Wird ignoriert.", "Will be ignored."};

constexpr int kDateFields = 3;  // day, month, year
constexpr long kYearLimit = 20000;
constexpr int32_t kHighestLevel = 4;
constexpr int32_t kSubsectionMode = 2;

bool IsDateSeparator(char c) { return c == ',' || c == '.' || c == '/' || c == ':' || c == '\\'; }

// An optionally signed decimal number filling the whole field.
std::optional<long> FieldNumber(const std::string& feld) {
  const char* anfang = feld.data();
  const char* ende = feld.data() + feld.size();
  if (anfang != ende && *anfang == '+') {
    ++anfang;
    if (anfang != ende && *anfang == '-') return std::nullopt;
  }
  long wert = 0;
  const auto [rest, fehler] = std::from_chars(anfang, ende, wert);
  if (anfang == ende || fehler != std::errc() || rest != ende) return std::nullopt;
  return wert;
}

std::string JoinedList(const std::vector<std::string>& teile) {
  std::string out;
  for (const auto& t : teile) out += (out.empty() ? "" : ", ") + t;
  return out;
}

std::string Summary(const LangText& titel, const std::string& inhalt) {
  return std::string(Tr(titel)) + ": " + inhalt + ".";
}

bool AllTexts(const SearchSettings& e) {
  return !e.TextAuswahl.empty() && e.TextAuswahl[0].Selected;
}

// The identifier in `cds` naming the same collection as `cdId`, or cdId itself.
const std::string& Listed(const std::vector<std::string>& cds, const std::string& cdId) {
  for (const auto& cd : cds)
    if (SameCDID(cd, cdId)) return cd;
  return cdId;
}

}  // namespace

SearchSettings SearchSettings::Standard() {
  SearchSettings e;
  e.Textarten.assign(std::begin(kTextKinds), std::end(kTextKinds));
  for (uint8_t code : kStandardLanguages) e.Sprachen.Aufnehmen(code);
  return e;
}

SearchSettings SearchSettings::FromHistory(const TSearchHistoryRecord& record) {
  SearchSettings e;
  e.Anfrage = record.Question;
  e.CDAuswahl = record.CDIDs;
  e.TextAuswahl = record.Texts;
  for (uint8_t code : record.Language) e.Sprachen.Aufnehmen(code);
  e.Textarten = record.TKinds;
  e.DatumVon = record.Date1;
  e.DatumBis = record.Date2;
  e.DatumGenau = record.Date3;
  e.UndModus = record.UndMode;
  e.Wortabstand = record.WordDistance;
  e.Stufe = record.FuzzyLevel >= 0 && record.FuzzyLevel <= kHighestLevel ? record.FuzzyLevel : 0;
  return e;
}

TSearchHistoryRecord SearchSettings::ToHistory() const {
  TSearchHistoryRecord r;
  r.Question = Anfrage;
  r.CDIDs = CDAuswahl;
  r.Texts = TextAuswahl;
  for (uint8_t code : kLanguages)
    if (Sprachen.Enthaelt(code)) r.Language.push_back(code);
  // Codes the list does not offer (from an older entry) are kept, after the listed ones.
  for (int code = 0; code < 256; ++code) {
    const auto b = static_cast<uint8_t>(code);
    if (Sprachen.Enthaelt(b) &&
        std::find(std::begin(kLanguages), std::end(kLanguages), b) == std::end(kLanguages))
      r.Language.push_back(b);
  }
  r.TKinds = Textarten;
  r.Date1 = DatumVon;
  r.Date2 = DatumBis;
  r.Date3 = DatumGenau;
  r.UndMode = UndModus;
  r.WordDistance = Wortabstand;
  r.FuzzyLevel = Stufe;
  return r;
}

bool IsNoDate(const DateBound& date) {
  return date.Tag == 0 && date.Monat == 0 && date.Jahr == TDatum::kNoYear &&
         date.Jahr2 == TDatum::kNoYear;
}

std::optional<DateBound> ParseDate(const std::string& text) {
  std::vector<std::string> felder(1);
  for (char c : text) {
    if (!IsDateSeparator(c)) {
      felder.back() += c;
    } else if (static_cast<int>(felder.size()) == kDateFields) {
      return std::nullopt;  // a fourth field
    } else {
      felder.emplace_back();
    }
  }
  // Year, month, day: from the last field backwards; the first field that is no number ends
  // the reading and leaves the fields before it unknown.
  long werte[kDateFields] = {0, 0, 0};
  int bekannt = 0;
  for (auto feld = felder.rbegin(); feld != felder.rend(); ++feld, ++bekannt) {
    const auto n = FieldNumber(*feld);
    if (!n) break;
    werte[bekannt] = *n;
  }
  const long jahr = werte[0], monat = werte[1], tag = werte[2];
  if (bekannt == 0 || jahr < -kYearLimit || jahr > kYearLimit) return std::nullopt;
  if (monat < 0 || monat > 12 || tag < 0 || tag > 31 || (tag != 0 && monat == 0))
    return std::nullopt;
  DateBound date;
  date.Jahr = static_cast<int32_t>(jahr);
  date.Monat = static_cast<uint8_t>(monat);
  date.Tag = static_cast<uint8_t>(tag);
  return date;
}

std::string InvalidDateMessage(const std::string& text) {
  return Format(Tr(kInvalidDate), {text}) + "\n" + Tr(kValidFormats);
}

std::string DateAsNumbers(const DateBound& date) {
  if (IsNoDate(date)) return {};
  std::string out;
  if (date.Monat != 0) {
    if (date.Tag != 0) out = std::to_string(date.Tag) + ".";
    out += std::to_string(date.Monat) + ".";
  }
  out += std::to_string(date.Jahr);
  if (date.Jahr2 != TDatum::kNoYear) out += "/" + std::to_string(date.Jahr2);
  return out;
}

std::string DateAsText(const DateBound& date) {
  if (IsNoDate(date)) return {};
  std::string out;
  if (date.Monat >= 1 && date.Monat <= 12) {
    if (date.Tag != 0) out = std::to_string(date.Tag) + ". ";
    out += std::string(Tr(kMonths[date.Monat - 1])) + " ";
  }
  out += std::to_string(date.Jahr);
  if (date.Jahr2 != TDatum::kNoYear) out += "/" + std::to_string(date.Jahr2);
  return out;
}

std::string TextKindName(int32_t code) {
  switch (code) {
    case 0:
      return Tr(kPartText);
    case 1:
      return Tr(kPartHeading);
    case 2:
      return Tr(kPartSubheading);
    case 3:
    case 4:
      return Tr(kPartSubtitle);
    case 10:
      return Tr(kPartScholion);
    case 11:
      return Tr(kPartFootnote);
    case 12:
      return Tr(kPartMarginRemark);
    default:
      return {};
  }
}

std::string LanguageName(int32_t code) {
  switch (code) {
    case 255:
      return Tr(kLangAll);
    case 0:
      return Tr(kLangGerman);
    case 101:
      return Tr(kLangEnglish);
    case 102:
      return Tr(kLangFrench);
    case 104:
      return Tr(kLangSpanish);
    case 105:
      return Tr(kLangItalian);
    case 1:
      return Tr(kLangLatin);
    case 103:
      return Tr(kLangGreek);
    case 199:
      return Tr(kLangOther);
    default:
      return {};
  }
}

std::string TextKindSummary(const TTextArtArray& arten) {
  std::vector<std::string> namen;
  for (uint8_t code : arten) {
    std::string name = TextKindName(code);
    if (!name.empty()) namen.push_back(std::move(name));
  }
  return Summary(kTextKindTitle, JoinedList(namen));
}

std::string LanguageSummary(const retrieval::TSmallIntSet& sprachen) {
  std::vector<std::string> namen;
  for (uint8_t code : kLanguages)
    if (sprachen.Enthaelt(code)) namen.push_back(LanguageName(code));
  return Summary(kLanguageTitle, JoinedList(namen));
}

std::string DateSummary(const DateBound& von, const DateBound& bis, const DateBound& genau) {
  std::string inhalt;
  if (!IsNoDate(genau)) {
    inhalt = DateAsText(genau);
  } else if (!IsNoDate(von) || !IsNoDate(bis)) {
    // The options dialog sets both bounds; a stored search may hold only one.
    inhalt = DateAsText(von) + " - " + DateAsText(bis);
  } else {
    inhalt = Tr(kNoneCaption);
  }
  return Summary(kDateTitle, inhalt);
}

std::string AndSummary(int32_t undModus, int32_t wortabstand) {
  std::string inhalt;
  if (wortabstand != 0)
    inhalt = std::to_string(wortabstand);
  else
    inhalt = std::string(Tr(kAnyCaption)) + "/" +
             Tr(undModus == kSubsectionMode ? kSubsectionCaption : kParagraphCaption);
  return Summary(kAndTitle, inhalt);
}

std::vector<std::string> CollectionsToSearch(const SearchSettings& e) {
  // Identifiers naming the same collection (case, blanks) are searched once, under the first
  // spelling; a collection searched twice would give every hit twice.
  std::vector<std::string> cds;
  auto aufnehmen = [&cds](const std::string& cdId) {
    if (&Listed(cds, cdId) == &cdId) cds.push_back(cdId);
  };
  for (const auto& cd : e.CDAuswahl)
    if (cd.Selected) aufnehmen(cd.CDID);
  if (!AllTexts(e))
    for (size_t i = 1; i < e.TextAuswahl.size(); ++i)
      if (e.TextAuswahl[i].Selected) aufnehmen(e.TextAuswahl[i].CDID);
  return cds;
}

std::vector<std::string> SetUpSearch(const SearchSettings& e, retrieval::TSuchThread& suche,
                                     const retrieval::SearchCatalog& katalog,
                                     const std::function<bool(const std::string&)>& hasFS) {
  const std::vector<std::string> cds = CollectionsToSearch(e);
  for (const auto& cd : cds) suche.CDHinzufuegen(cd);
  std::vector<std::string> ohneUnscharf;
  for (const auto& cd : e.CDAuswahl)
    if (cd.Selected && !hasFS(cd.CDID)) ohneUnscharf.push_back(cd.Name);

  retrieval::TKomplexAnfrage& anfrage = suche.Anfrage();
  anfrage.Anfrage = e.Anfrage;
  anfrage.Wortabstand = e.Wortabstand;
  anfrage.Modus = e.UndModus;
  anfrage.Stufe = e.Stufe >= 0 && e.Stufe <= kHighestLevel ? e.Stufe : 0;

  retrieval::TFundstellenListe& liste = anfrage.Ergebnis;
  liste.FilterZuruecksetzen();
  // A text condition names its collection as the search does, since hits are matched to it by
  // the exact identifier.
  if (!AllTexts(e))
    for (size_t i = 1; i < e.TextAuswahl.size(); ++i)
      if (e.TextAuswahl[i].Selected)
        liste.TextBedingungHinzufuegen(e.TextAuswahl[i].TextNo, Listed(cds, e.TextAuswahl[i].CDID));
  if (!IsNoDate(e.DatumGenau)) {
    liste.DatumVon = liste.DatumBis = e.DatumGenau;
  } else {
    liste.DatumVon = e.DatumVon;
    liste.DatumBis = e.DatumBis;
  }
  liste.Textteile.Aktiv = true;
  for (uint8_t art : e.Textarten) {
    liste.Textteile.Aufnehmen(art);
    if (art == 1 || art == 3) liste.Textteile.Aufnehmen(static_cast<uint8_t>(art + 1));
  }
  liste.Sprachen.Aktiv = true;
  liste.Sprachen.Assign(e.Sprachen);
  liste.Katalog = &katalog;
  return ohneUnscharf;
}

std::string FuzzyNotice(const std::vector<std::string>& namen) {
  std::string text = std::string(Tr(kNoFuzzySearch)) + "\n";
  for (const auto& name : namen) text += "'" + Cp1252ToUtf8(name) + "'\n";
  return text + "\n" + Tr(kWillBeIgnored);
}

std::string QueryLine(std::string_view typed, int32_t stufe) {
  return TransliterateGreekQuery(typed, stufe >= 1, retrieval::kWordFullStop);
}

}  // namespace quillmar::search_ui
