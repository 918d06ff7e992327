#include "retrieval/complex_query.h"

#include <limits>

#include "base/bytes.h"
#include "base/language.h"
#include "retrieval/conjunction.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_query.h"
#include "retrieval/mask.h"

namespace quillmar::retrieval {

namespace {

constexpr LangText kFehlerPraefix{"Fehler in der Anfrageformulierung", "Error in question"};
constexpr LangText kAbgebrochenText{"Suche wurde abgebrochen", "Search canceled"};
constexpr LangText kKlammer{"Klammer falsch gesetzt", "Wrong use of brackets"};
constexpr LangText kOder{"Schlüsselwort 'ODER' falsch verwendet", "Wrong use of 'OR'"};
constexpr LangText kUnd{"Schlüsselwort 'UND' falsch verwendet", "Wrong use of 'AND'"};
constexpr LangText kPunkte{"Konjunktion '...' falsch verwendet", "Wrong use of '...'"};
constexpr LangText kFormat{"Formatfehler", "format error"};

// Status codes of syntax errors.
constexpr int32_t kKlammerFehler = -2;
constexpr int32_t kOderFehler = -3;
constexpr int32_t kUndFehler = -4;
constexpr int32_t kPunkteFehler = -5;
constexpr int32_t kFormatFehler = -6;

constexpr std::string_view kFolgt = "...";

bool IstLeerzeichen(char c) { return static_cast<unsigned char>(c) <= 32; }

// Word ends of the fuzzy rewriting.
bool IstWortende(char c) {
  return IstLeerzeichen(c) || c == '(' || c == ')' || c == '.' || c == '[' || c == ']';
}

std::string Verbinden(const std::vector<std::string>& tokens, size_t von, size_t bis) {
  std::string s;
  for (size_t k = von; k < bis; ++k) {
    if (!s.empty()) s += ' ';
    s += tokens[k];
  }
  return s;
}

// Counts one level of nesting for the time of a call.
class Ebene {
 public:
  explicit Ebene(int& tiefe) : tiefe_(tiefe) { ++tiefe_; }
  ~Ebene() { --tiefe_; }
  Ebene(const Ebene&) = delete;
  Ebene& operator=(const Ebene&) = delete;

 private:
  int& tiefe_;
};

// Sets a pointer for the time of a scope.
template <typename T>
class Setzen {
 public:
  Setzen(T*& ziel, T* wert) : ziel_(ziel), alt_(ziel) { ziel_ = wert; }
  ~Setzen() { ziel_ = alt_; }
  Setzen(const Setzen&) = delete;
  Setzen& operator=(const Setzen&) = delete;

 private:
  T*& ziel_;
  T* alt_;
};

// A plain word with at most this many hits is loaded before the other operand of a join, which
// is then evaluated only within the word's groups.
constexpr int64_t kWortZuerst = 20000;

}  // namespace

std::string StatusText(int32_t status) {
  if (status == TKomplexAnfrage::kAbgebrochen) return Tr(kAbgebrochenText);
  if (status >= 0) return {};
  const LangText* genau = nullptr;
  switch (status) {
    case kKlammerFehler:
      genau = &kKlammer;
      break;
    case kOderFehler:
      genau = &kOder;
      break;
    case kUndFehler:
      genau = &kUnd;
      break;
    case kPunkteFehler:
      genau = &kPunkte;
      break;
    case kFormatFehler:
      genau = &kFormat;
      break;
    default:
      break;
  }
  std::string text = Tr(kFehlerPraefix);
  if (genau != nullptr) text += std::string(": ") + Tr(*genau);
  return text;
}

TKomplexAnfrage::TKomplexAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik)
    : wortanfrage_(std::make_unique<TFundstellenAnfrage>(katalog, phonetik, &Abbrechen)) {
  const bool deutsch = CurrentLanguage() == kGerman;
  UndWort = deutsch ? "UND" : "AND";
  OderWort = deutsch ? "ODER" : "OR";
  Ergebnis.Katalog = &katalog;
  Vorlage.Katalog = &katalog;
}

TKomplexAnfrage::~TKomplexAnfrage() = default;

std::string TKomplexAnfrage::SternWorteErweitern(std::string_view zeile,
                                                 std::string_view oderWort) {
  std::string out;
  size_t i = 0;
  while (i < zeile.size()) {
    if (IstWortende(zeile[i])) {
      out += zeile[i++];
      continue;
    }
    const size_t start = i;
    while (i < zeile.size() && !IstWortende(zeile[i])) ++i;
    const std::string_view w = zeile.substr(start, i - start);
    const bool vorn = w.front() == '*';
    const bool hinten = w.back() == '*';
    // A word of asterisks only stays: it has no letters to offer alternatives for.
    if ((!vorn && !hinten) || w.find_first_not_of('*') == std::string_view::npos) {
      out += w;
      continue;
    }
    std::string_view x = w;
    if (vorn) x.remove_prefix(1);
    if (hinten) x.remove_suffix(1);
    const std::string x_(x);
    std::vector<std::string> glieder{x_};
    if (hinten) glieder.push_back(x_ + "*");
    if (vorn) glieder.push_back("*" + x_);
    if (vorn && hinten) glieder.push_back("*" + x_ + "*");
    out += '(';
    for (size_t k = 0; k < glieder.size(); ++k) {
      if (k > 0) {
        out += ' ';
        out += oderWort;
        out += ' ';
      }
      out += glieder[k];
    }
    out += ')';
  }
  return Trim(out);
}

void TKomplexAnfrage::Ausfuehren(const std::string& anfrage) {
  Vorlage.FilterZuruecksetzen();
  Vorlage.EinstellungenKopieren(Ergebnis);
  Ergebnis.Leeren();
  Status = 0;
  const std::string zeile = Stufe > 0 ? SternWorteErweitern(anfrage, OderWort) : anfrage;
  gebundene_cd_.clear();
  for (const std::string& cd : CDs) {
    aktuelle_cd_ = cd;
    tiefe_ = 0;
    TFundstellenListe liste = Auswerten(zeile);
    if (Abgebrochen()) {
      Status = kAbgebrochen;
      Ergebnis.Leeren();
      break;
    }
    Ergebnis.EinfuegenAlle(liste);
  }
  Ergebnis.EinstellungenKopieren(Vorlage);
}

// ---- tokens ----

std::string TKomplexAnfrage::NaechstesToken(std::string_view s, size_t& pos) {
  while (pos < s.size() && IstLeerzeichen(s[pos])) ++pos;
  if (pos >= s.size()) return {};
  const size_t start = pos;
  const char c = s[pos];
  if (c == ')') {
    Status = kKlammerFehler;
    ++pos;
    return {};
  }
  if (c == '.') {
    while (pos < s.size() && s[pos] == '.') ++pos;
    if (pos >= s.size()) Status = kPunkteFehler;
    return std::string(kFolgt);
  }
  if (c == '(') {
    int tiefe = 0;
    for (; pos < s.size(); ++pos) {
      if (s[pos] == '(') {
        ++tiefe;
      } else if (s[pos] == ')' && --tiefe == 0) {
        ++pos;
        return std::string(s.substr(start, pos - start));
      }
    }
    Status = kKlammerFehler;
    return std::string(s.substr(start));
  }
  while (pos < s.size() && s[pos] != '(' && !IstLeerzeichen(s[pos]) && s[pos] != '.') {
    if (s[pos] == ')') {
      Status = kKlammerFehler;
      const std::string wort(s.substr(start, pos - start));
      ++pos;
      return wort;
    }
    ++pos;
  }
  return std::string(s.substr(start, pos - start));
}

std::vector<std::string> TKomplexAnfrage::Zerlegen(std::string_view ausdruck) {
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos < ausdruck.size()) {
    std::string t = NaechstesToken(ausdruck, pos);
    if (!t.empty()) tokens.push_back(std::move(t));
  }
  return tokens;
}

bool TKomplexAnfrage::IstGruppe(std::string_view ausdruck) {
  const std::string t = Trim(ausdruck);
  if (t.empty() || t.front() != '(') return false;
  int tiefe = 0;
  for (size_t k = 0; k < t.size(); ++k) {
    if (t[k] == '(') {
      ++tiefe;
    } else if (t[k] == ')' && --tiefe == 0) {
      return k == t.size() - 1;
    }
  }
  Status = kKlammerFehler;
  return false;
}

bool TKomplexAnfrage::IstUnd(std::string_view token) const {
  return UpperAscii(Trim(token)) == UndWort;
}

bool TKomplexAnfrage::IstOder(std::string_view token) const {
  return UpperAscii(Trim(token)) == OderWort;
}

// ---- levels ----

TFundstellenListe TKomplexAnfrage::Auswerten(std::string_view ausdruck) {
  Ebene ebene(tiefe_);
  if (tiefe_ > kMaxTiefe) {
    Status = kFormatFehler;
    return {};
  }
  if (Abgebrochen()) return {};
  if (IstGruppe(ausdruck)) {
    const std::string t = Trim(ausdruck);
    return Auswerten(std::string_view(t).substr(1, t.size() - 2));
  }
  return Oder(ausdruck);
}

TFundstellenListe TKomplexAnfrage::Oder(std::string_view ausdruck) {
  TFundstellenListe ergebnis;
  if (Abgebrochen()) return ergebnis;
  const std::vector<std::string> tokens = Zerlegen(ausdruck);
  std::string operand;
  auto aufnehmen = [&]() {
    TFundstellenListe teil = IstGruppe(operand) ? Auswerten(operand) : Und(operand);
    if (Abgebrochen()) return false;
    ergebnis.EinfuegenAlle(teil);
    return !Abgebrochen();
  };
  for (const std::string& t : tokens) {
    if (!IstOder(t)) {
      if (!operand.empty()) operand += ' ';
      operand += t;
      continue;
    }
    if (operand.empty()) {
      Status = kOderFehler;
      return ergebnis;
    }
    if (!aufnehmen()) return {};
    operand.clear();
  }
  if (operand.empty()) {
    Status = kOderFehler;
    return ergebnis;
  }
  if (!aufnehmen()) return {};
  return ergebnis;
}

TFundstellenListe TKomplexAnfrage::Und(std::string_view ausdruck) {
  return Verknuepfung(ausdruck, false);
}

TFundstellenListe TKomplexAnfrage::Folgt(std::string_view ausdruck) {
  return Verknuepfung(ausdruck, true);
}

TFundstellenListe TKomplexAnfrage::Verknuepfung(std::string_view ausdruck, bool geordnet) {
  Ebene ebene(tiefe_);
  if (tiefe_ > kMaxTiefe) {
    Status = kFormatFehler;
    return {};
  }
  if (Abgebrochen()) return {};
  // AND joins operands of the "..." level, "..." those of the phrase level.
  auto tiefer = [&](std::string_view a) { return geordnet ? Phrase(a) : Folgt(a); };
  const std::vector<std::string> tokens = Zerlegen(ausdruck);
  size_t k = 0;
  while (k < tokens.size() && !(geordnet ? tokens[k] == kFolgt : IstUnd(tokens[k]))) ++k;
  if (k == tokens.size()) return tiefer(ausdruck);
  const std::string links = Verbinden(tokens, 0, k);
  const std::string rechts = Verbinden(tokens, k + 1, tokens.size());
  if (links.empty()) {
    Status = geordnet ? kPunkteFehler : kUndFehler;
    return {};
  }
  // An operator as the last token is ignored.
  if (rechts.empty()) return tiefer(links);
  // A restriction to paragraphs does not carry into a join by sections.
  const Setzen<const GroupSet> grob(
      aussen_, aussen_ != nullptr && aussen_->Modus() < Modus ? nullptr : aussen_);
  TFundstellenListe l1;
  TFundstellenListe l2;
  Operanden(
      links, [&] { return IstGruppe(links) ? Auswerten(links) : tiefer(links); }, rechts,
      [&] { return IstGruppe(rechts) ? Auswerten(rechts) : Verknuepfung(rechts, geordnet); }, Modus,
      Wortabstand, l1, l2);
  if (Abgebrochen()) return {};
  return Verknuepfen(l1, l2, Wortabstand, Modus, geordnet);
}

TFundstellenListe TKomplexAnfrage::Phrase(std::string_view ausdruck) {
  if (Abgebrochen()) return {};
  const std::vector<std::string> tokens = Zerlegen(ausdruck);
  if (tokens.empty()) {
    Status = kFormatFehler;
    return {};
  }
  // Each word must directly follow the one before in the same paragraph; joined from the
  // right, as "a b c" is "a" followed by the phrase "b c".
  // Every word of a phrase lies in the paragraph of its rarest word: that word is loaded
  // first, the other plain words only within its paragraphs. Groups are evaluated in their
  // order, as they may set Status; plain words never do.
  std::vector<TFundstellenListe> teile(tokens.size());
  size_t seltenstes = tokens.size();
  if (tokens.size() > 1 && Eingrenzen) {
    int64_t wenigste = std::numeric_limits<int64_t>::max();
    for (size_t k = 0; k < tokens.size(); ++k) {
      if (!IstSchlichtesWort(tokens[k])) continue;
      const int64_t n = Trefferzahl(tokens[k]);
      if (seltenstes == tokens.size() || n < wenigste) {
        seltenstes = k;
        wenigste = n;
      }
    }
  }
  for (size_t k = 0; k < tokens.size(); ++k) {
    if (seltenstes < tokens.size() && IstSchlichtesWort(tokens[k]) && k != seltenstes) continue;
    teile[k] = Operand(tokens[k]);
    if (Abgebrochen()) return {};
  }
  // The remaining words from the right: the last one within the paragraphs of the rarest word,
  // every other one within those of the phrase to its right, which lie inside them.
  const bool eingegrenzt = seltenstes < tokens.size();
  auto laden = [&](size_t k, const TFundstellenListe& partner) {
    if (eingegrenzt && k != seltenstes && IstSchlichtesWort(tokens[k]))
      teile[k] = WortIn(tokens[k], partner, 1);
  };
  if (eingegrenzt) laden(tokens.size() - 1, teile[seltenstes]);
  if (Abgebrochen()) return {};
  TFundstellenListe ergebnis = std::move(teile.back());
  for (size_t k = teile.size() - 1; k-- > 0;) {
    laden(k, ergebnis);
    if (Abgebrochen()) return {};
    ergebnis = Verknuepfen(teile[k], ergebnis, 1, 1, true);
    if (Abgebrochen()) return {};
  }
  return ergebnis;
}

TFundstellenListe TKomplexAnfrage::Operand(std::string_view token) {
  return IstGruppe(token) ? Auswerten(token) : EinzelWort(token);
}

void TKomplexAnfrage::Binden() {
  TFundstellenAnfrage& anfrage = *wortanfrage_;
  anfrage.Stufe = Stufe;
  if (gebundene_cd_ == aktuelle_cd_ && !gebundene_cd_.empty()) return;
  gebundene_cd_.clear();
  anfrage.SetzeCD(aktuelle_cd_);
  gebundene_cd_ = aktuelle_cd_;
}

bool TKomplexAnfrage::IstSchlichtesWort(std::string_view ausdruck) const {
  const std::string t = Trim(ausdruck);
  if (t.empty() || IstUnd(t) || IstOder(t)) return false;
  for (char c : t)
    if (IstLeerzeichen(c) || c == '(' || c == ')' || c == '.') return false;
  return true;
}

int64_t TKomplexAnfrage::Trefferzahl(std::string_view wort) {
  const std::string t = Trim(wort);
  if (Stufe != 0 || TMaske::IstMaske(t)) return std::numeric_limits<int64_t>::max();
  Binden();
  return wortanfrage_->Trefferzahl(t);
}

TFundstellenListe TKomplexAnfrage::WortIn(std::string_view wort, const TFundstellenListe& andere,
                                          int32_t modus) {
  const GroupSet gruppen(andere, modus);
  struct Zuruecksetzen {
    TFundstellenAnfrage& a;
    ~Zuruecksetzen() { a.Beschraenkung = nullptr; }
  } zuruecksetzen{*wortanfrage_};
  wortanfrage_->Beschraenkung = &gruppen;
  return EinzelWort(wort);
}

template <typename Links, typename Rechts>
void TKomplexAnfrage::Operanden(std::string_view links, Links auswertenLinks,
                                std::string_view rechts, Rechts auswertenRechts, int32_t modus,
                                int32_t abstand, TFundstellenListe& l1, TFundstellenListe& l2) {
  const bool wortLinks = IstSchlichtesWort(links);
  const bool wortRechts = IstSchlichtesWort(rechts);
  if (!Eingrenzen || !GroupSet::Anwendbar(modus, abstand) || (!wortLinks && !wortRechts)) {
    l1 = auswertenLinks();
    if (Abgebrochen()) return;
    l2 = auswertenRechts();
    return;
  }
  if (wortLinks != wortRechts) {
    // A rare word first, and the other operand only within its groups.
    const std::string_view wort = wortLinks ? links : rechts;
    if (Trefferzahl(wort) <= kWortZuerst) {
      TFundstellenListe& w = wortLinks ? l1 : l2;
      TFundstellenListe& x = wortLinks ? l2 : l1;
      w = EinzelWort(wort);
      if (Abgebrochen()) return;
      const GroupSet gruppen(w, modus);
      const Setzen<const GroupSet> innen(aussen_, &gruppen);
      x = wortLinks ? auswertenRechts() : auswertenLinks();
      return;
    }
  }
  bool linksZuerst = wortRechts;
  if (wortLinks && wortRechts) linksZuerst = Trefferzahl(links) <= Trefferzahl(rechts);
  if (linksZuerst) {
    l1 = auswertenLinks();
    if (Abgebrochen()) return;
    l2 = WortIn(rechts, l1, modus);
  } else {
    l2 = auswertenRechts();
    if (Abgebrochen()) return;
    l1 = WortIn(links, l2, modus);
  }
}

TFundstellenListe TKomplexAnfrage::EinzelWort(std::string_view wort) {
  TFundstellenAnfrage& anfrage = *wortanfrage_;
  Binden();
  const Setzen<const GroupSet> gruppen(
      anfrage.Beschraenkung, anfrage.Beschraenkung != nullptr ? anfrage.Beschraenkung : aussen_);
  anfrage.Ergebnis().EinstellungenKopieren(Vorlage);
  anfrage.Suche(Trim(wort));
  TFundstellenListe neu;
  neu.Uebernehmen(anfrage.Ergebnis());
  return neu;
}

TFundstellenListe TKomplexAnfrage::Verknuepfen(TFundstellenListe& l1, TFundstellenListe& l2,
                                               int32_t abstand, int32_t modus, bool geordnet) {
  TUndKonjunktion k;
  k.Wortabstand = abstand;
  k.Modus = modus;
  k.CDKennung = aktuelle_cd_;
  k.Abbruch = &Abbrechen;
  k.Liste1->Assign(l1);
  k.Liste2->Assign(l2);
  if (geordnet) {
    k.Liste1_PPP_Liste2();
  } else {
    k.Liste1_UND_Liste2();
  }
  TFundstellenListe r;
  r.Uebernehmen(*k.Ergebnis);
  return r;
}

}  // namespace quillmar::retrieval
