#include "retrieval/complex_query.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "retrieval/conjunction.h"
#include "retrieval/group_set.h"
#include "retrieval/hit_query.h"
#include "retrieval/mask.h"
#include "retrieval/query_tree.h"

namespace quillmar::retrieval {

namespace {

constexpr LangText kErrorPrefix{"Fehler in der Anfrageformulierung", "Error in question"};
constexpr LangText kCancelledText{"Suche wurde abgebrochen", "Search canceled"};
constexpr LangText kBadBracket{"Klammer falsch gesetzt", "Wrong use of brackets"};
constexpr LangText kOder{"Schlüsselwort 'ODER' falsch verwendet", "Wrong use of 'OR'"};
constexpr LangText kUnd{"Schlüsselwort 'UND' falsch verwendet", "Wrong use of 'AND'"};
constexpr LangText kBadEllipsis{"Konjunktion '...' falsch verwendet", "Wrong use of '...'"};
constexpr LangText kFormat{"Formatfehler", "format error"};
constexpr LangText kLeftOut{
    "Die Sammlung '%s' konnte nicht durchsucht werden; das Ergebnis enthält keine ihrer "
    "Fundstellen.",
    "The collection '%s' could not be searched; the result has none of its hits."};

// Word ends of the fuzzy rewriting.
bool IsWordEnd(char c) {
  return static_cast<unsigned char>(c) <= 32 || c == '(' || c == ')' || c == '.' || c == '[' ||
         c == ']';
}

// Sets a pointer for the time of a scope and restores its previous value.
template <typename T>
class ScopedPointer {
 public:
  ScopedPointer(T*& target, T* value) : target_(target), previous_(target) { target_ = value; }
  ~ScopedPointer() { target_ = previous_; }
  ScopedPointer(const ScopedPointer&) = delete;
  ScopedPointer& operator=(const ScopedPointer&) = delete;

 private:
  T*& target_;
  T* previous_;
};

// A plain word with at most this many hits is loaded before the other operand of a join, which
// is then evaluated only within the word's groups.
constexpr int64_t kWordFirstLimit = 20000;

// The word distance within a phrase: each word directly follows the one before.
constexpr int32_t kAdjacent = 1;

}  // namespace

std::string StatusText(int32_t status) {
  if (status == TKomplexAnfrage::kCancelled) return Tr(kCancelledText);
  if (status >= query_status::kOk) return {};
  const LangText* genau = nullptr;
  switch (status) {
    case query_status::kBracketError:
      genau = &kBadBracket;
      break;
    case query_status::kOrError:
      genau = &kOder;
      break;
    case query_status::kAndError:
      genau = &kUnd;
      break;
    case query_status::kFollowedByError:
      genau = &kBadEllipsis;
      break;
    case query_status::kFormatError:
      genau = &kFormat;
      break;
    default:
      break;
  }
  std::string text = Tr(kErrorPrefix);
  if (genau != nullptr) text += std::string(": ") + Tr(*genau);
  return text;
}

std::string CollectionErrorText(const CollectionSearchInfo& cd, const std::string& error) {
  const std::string name = Trim(cd.Name).empty() ? Trim(cd.CDID) : Cp1252ToUtf8(cd.Name);
  return Format(Tr(kLeftOut), {name}) + "\n" + error;
}

TKomplexAnfrage::TKomplexAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik)
    : katalog_(katalog),
      word_query_(std::make_unique<TFundstellenAnfrage>(katalog, phonetik, &Abbrechen)) {
  const bool deutsch = CurrentLanguage() == kGerman;
  UndWort = deutsch ? "UND" : "AND";
  OderWort = deutsch ? "ODER" : "OR";
  Ergebnis.Katalog = &katalog;
  Vorlage.Katalog = &katalog;
}

TKomplexAnfrage::~TKomplexAnfrage() = default;

std::string TKomplexAnfrage::ExpandStarWords(std::string_view zeile, std::string_view oderWort) {
  std::string out;
  size_t i = 0;
  while (i < zeile.size()) {
    if (IsWordEnd(zeile[i])) {
      out += zeile[i++];
      continue;
    }
    const size_t start = i;
    while (i < zeile.size() && !IsWordEnd(zeile[i])) ++i;
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
  const std::string zeile = Stufe > 0 ? ExpandStarWords(anfrage, OderWort) : anfrage;
  const QueryTree tree = ParseQuery(zeile, UndWort, OderWort, Stufe != 0);
  Status = tree.status;
  bound_cd_.clear();
  LeftOut.clear();
  Fehler = false;
  FehlerText.clear();
  if (tree.Valid()) {
    for (const std::string& cd : CDs) {
      current_cd_ = cd;
      TFundstellenListe liste;
      try {
        liste = Evaluate(tree, tree.Root());
      } catch (const EInOutError& e) {
        // The collection's files are gone or damaged (its medium removed while the search ran,
        // say): what it gave so far is dropped, the other collections are searched on.
        bound_cd_.clear();
        LeftOut.push_back(cd);
        if (Fehler) FehlerText += "\n\n";
        Fehler = true;
        FehlerText += CollectionErrorText(katalog_.Info(cd), e.what());
        continue;
      }
      if (Abgebrochen()) {
        Status = kCancelled;
        Ergebnis.Leeren();
        break;
      }
      // Every hit came through the filters of Vorlage, which Ergebnis holds.
      Ergebnis.InsertAllAdmitted(liste);
    }
  }
  Ergebnis.EinstellungenKopieren(Vorlage);
  if (!CompactResult) Ergebnis.Materialize();
}

// ---- evaluation ----

TFundstellenListe TKomplexAnfrage::Evaluate(const QueryTree& tree, std::size_t node) {
  if (Abgebrochen()) return {};
  const QueryNode& n = tree[node];
  switch (n.kind) {
    case QueryNodeKind::kWord:
      return EinzelWort(n.text);
    case QueryNodeKind::kPhrase:
      return EvaluatePhrase(tree, n);
    case QueryNodeKind::kJoin:
      return EvaluateJoin(tree, n);
    case QueryNodeKind::kOr:
      return EvaluateOr(tree, n);
  }
  return {};
}

TFundstellenListe TKomplexAnfrage::EvaluateOr(const QueryTree& tree, const QueryNode& node) {
  // Words only: their hits are gathered and ordered together, and the list built once.
  const bool nurWoerter =
      std::all_of(node.children.begin(), node.children.end(),
                  [&](std::size_t k) { return tree[k].kind == QueryNodeKind::kWord; });
  if (Narrow && nurWoerter && !node.children.empty()) {
    std::vector<std::string> woerter;
    for (const std::size_t k : node.children) woerter.push_back(Trim(tree[k].text));
    return EinzelWoerter(woerter);
  }
  TFundstellenListe ergebnis;
  for (const std::size_t operand : node.children) {
    TFundstellenListe teil = Evaluate(tree, operand);
    if (Abgebrochen()) return {};
    ergebnis.InsertAll(teil);
    if (Abgebrochen()) return {};
  }
  return ergebnis;
}

TFundstellenListe TKomplexAnfrage::EvaluateJoin(const QueryTree& tree, const QueryNode& node) {
  // A restriction to paragraphs does not carry into a join by sections.
  const ScopedPointer<const GroupSet> grob(
      aussen_, aussen_ != nullptr && aussen_->Modus() < Modus ? nullptr : aussen_);
  TFundstellenListe l1;
  TFundstellenListe l2;
  EvaluateOperands(tree, node.children[0], node.children[1], Modus, Wortabstand, l1, l2);
  if (Abgebrochen()) return {};
  return Combine(l1, l2, Wortabstand, Modus, node.ordered);
}

TFundstellenListe TKomplexAnfrage::EvaluatePhrase(const QueryTree& tree, const QueryNode& node) {
  // Each word must directly follow the one before in the same paragraph; joined from the
  // right, as "a b c" is "a" followed by the phrase "b c".
  const std::vector<std::size_t>& glieder = node.children;
  const size_t n = glieder.size();
  // Every word of a phrase lies in one paragraph. With three plain words or more, the
  // paragraphs that all of them have a hit in are found first (GroupSet::CommonParagraphs) and
  // every part is loaded only within them. With fewer, finding them costs more than it saves:
  // the rarest word is loaded first, the others within its paragraphs (EvaluatePhraseByRarest).
  std::optional<GroupSet> gemeinsam;
  if (n > 2 && Narrow) gemeinsam = CommonParagraphs(tree, glieder);
  if (Abgebrochen()) return {};
  if (!gemeinsam) return EvaluatePhraseByRarest(tree, node);
  if (gemeinsam->Anzahl() == 0) return {};
  std::vector<TFundstellenListe> teile(n);
  const ScopedPointer<const GroupSet> innen(aussen_, &*gemeinsam);
  for (size_t k = 0; k < n; ++k) {
    teile[k] = Evaluate(tree, glieder[k]);
    if (Abgebrochen()) return {};
  }
  TFundstellenListe ergebnis = std::move(teile.back());
  for (size_t k = n - 1; k-- > 0;) {
    ergebnis = Combine(teile[k], ergebnis, kAdjacent, kSameParagraph, true);
    if (Abgebrochen()) return {};
  }
  return ergebnis;
}

TFundstellenListe TKomplexAnfrage::EvaluatePhraseByRarest(const QueryTree& tree,
                                                          const QueryNode& node) {
  // Every word of a phrase lies in the paragraph of its rarest word: that word is loaded
  // first, the other words only within its paragraphs.
  const std::vector<std::size_t>& glieder = node.children;
  const size_t n = glieder.size();
  auto istWort = [&](size_t k) { return tree[glieder[k]].kind == QueryNodeKind::kWord; };
  std::vector<TFundstellenListe> teile(n);
  size_t seltenstes = n;
  if (n > 1 && Narrow) {
    int64_t wenigste = std::numeric_limits<int64_t>::max();
    for (size_t k = 0; k < n; ++k) {
      if (!istWort(k)) continue;
      const int64_t anzahl = HitCount(tree[glieder[k]].text);
      if (seltenstes == n || anzahl < wenigste) {
        seltenstes = k;
        wenigste = anzahl;
      }
    }
  }
  const bool eingegrenzt = seltenstes < n;
  for (size_t k = 0; k < n; ++k) {
    if (eingegrenzt && istWort(k) && k != seltenstes) continue;
    teile[k] = Evaluate(tree, glieder[k]);
    if (Abgebrochen()) return {};
  }
  // The remaining words from the right: the last one within the paragraphs of the rarest word,
  // every other one within those of the phrase to its right, which lie inside them.
  auto laden = [&](size_t k, const TFundstellenListe& partner) {
    if (eingegrenzt && k != seltenstes && istWort(k))
      teile[k] = WordWithin(tree[glieder[k]].text, partner, kSameParagraph);
  };
  if (eingegrenzt) laden(n - 1, teile[seltenstes]);
  if (Abgebrochen()) return {};
  TFundstellenListe ergebnis = std::move(teile.back());
  for (size_t k = n - 1; k-- > 0;) {
    laden(k, ergebnis);
    if (Abgebrochen()) return {};
    ergebnis = Combine(teile[k], ergebnis, kAdjacent, kSameParagraph, true);
    if (Abgebrochen()) return {};
  }
  return ergebnis;
}

std::optional<GroupSet> TKomplexAnfrage::CommonParagraphs(const QueryTree& tree,
                                                          const std::vector<std::size_t>& glieder) {
  // The plain words (masks and fuzzy words have no hit count to plan by), each word once.
  std::vector<std::string> woerter;
  for (const std::size_t k : glieder) {
    if (tree[k].kind != QueryNodeKind::kWord) continue;
    const std::string t = Trim(tree[k].text);
    if (HitCount(t) == std::numeric_limits<int64_t>::max()) continue;
    if (std::find(woerter.begin(), woerter.end(), t) == woerter.end()) woerter.push_back(t);
  }
  // An enclosing restriction to paragraphs takes part like one more word.
  const bool aussenAbsaetze =
      aussen_ != nullptr && aussen_->Selectable() && aussen_->Modus() == kSameParagraph;
  if (woerter.size() + (aussenAbsaetze ? 1 : 0) < 3) return std::nullopt;
  std::vector<TFundstellenDateiAnfrage::SortedHits> halten;  // keeps the ranges alive
  std::vector<GroupSet::WordHits> treffer;
  for (const std::string& w : woerter) {
    GroupSet::WordHits& hits = treffer.emplace_back();
    for (TFundstellenDateiAnfrage::SortedHits& r : word_query_->SortedRanges(w)) {
      hits.emplace_back(*r);
      halten.push_back(std::move(r));
    }
    if (Abgebrochen()) return std::nullopt;
  }
  if (aussenAbsaetze) treffer.push_back({aussen_->Anchors()});
  return GroupSet::CommonParagraphs(std::move(treffer), &Abbrechen);
}

void TKomplexAnfrage::BindCollection() {
  TFundstellenAnfrage& anfrage = *word_query_;
  anfrage.Stufe = Stufe;
  if (bound_cd_ == current_cd_ && !bound_cd_.empty()) return;
  bound_cd_.clear();
  anfrage.SetzeCD(current_cd_);
  bound_cd_ = current_cd_;
}

int64_t TKomplexAnfrage::HitCount(std::string_view wort) {
  const std::string t = Trim(wort);
  if (Stufe != 0 || TMaske::IstMaske(t)) return std::numeric_limits<int64_t>::max();
  BindCollection();
  return word_query_->HitCount(t);
}

TFundstellenListe TKomplexAnfrage::WordWithin(std::string_view wort,
                                              const TFundstellenListe& andere, int32_t modus) {
  const GroupSet gruppen(andere, modus);
  const ScopedPointer<const GroupSet> restriction(word_query_->Restriction, &gruppen);
  return EinzelWort(wort);
}

void TKomplexAnfrage::EvaluateOperands(const QueryTree& tree, std::size_t links, std::size_t rechts,
                                       int32_t modus, int32_t abstand, TFundstellenListe& l1,
                                       TFundstellenListe& l2) {
  const bool wortLinks = tree[links].kind == QueryNodeKind::kWord;
  const bool wortRechts = tree[rechts].kind == QueryNodeKind::kWord;
  if (!Narrow || !GroupSet::Applicable(modus, abstand) || (!wortLinks && !wortRechts)) {
    l1 = Evaluate(tree, links);
    if (Abgebrochen()) return;
    l2 = Evaluate(tree, rechts);
    return;
  }
  if (wortLinks != wortRechts) {
    // A rare word first, and the other operand only within its groups.
    const std::string& wort = tree[wortLinks ? links : rechts].text;
    if (HitCount(wort) <= kWordFirstLimit) {
      TFundstellenListe& w = wortLinks ? l1 : l2;
      TFundstellenListe& x = wortLinks ? l2 : l1;
      w = EinzelWort(wort);
      if (Abgebrochen()) return;
      const GroupSet gruppen(w, modus);
      const ScopedPointer<const GroupSet> innen(aussen_, &gruppen);
      x = Evaluate(tree, wortLinks ? rechts : links);
      return;
    }
  }
  bool linksZuerst = wortRechts;
  if (wortLinks && wortRechts)
    linksZuerst = HitCount(tree[links].text) <= HitCount(tree[rechts].text);
  if (linksZuerst) {
    l1 = Evaluate(tree, links);
    if (Abgebrochen()) return;
    l2 = WordWithin(tree[rechts].text, l1, modus);
  } else {
    l2 = Evaluate(tree, rechts);
    if (Abgebrochen()) return;
    l1 = WordWithin(tree[links].text, l2, modus);
  }
}

TFundstellenListe TKomplexAnfrage::EinzelWort(std::string_view wort) {
  return EinzelWoerter({Trim(wort)});
}

TFundstellenListe TKomplexAnfrage::EinzelWoerter(const std::vector<std::string>& woerter) {
  TFundstellenAnfrage& anfrage = *word_query_;
  BindCollection();
  const ScopedPointer<const GroupSet> gruppen(
      anfrage.Restriction, anfrage.Restriction != nullptr ? anfrage.Restriction : aussen_);
  anfrage.Ergebnis().EinstellungenKopieren(Vorlage);
  anfrage.Suche(woerter);
  TFundstellenListe neu;
  neu.Uebernehmen(anfrage.Ergebnis());
  return neu;
}

TFundstellenListe TKomplexAnfrage::Combine(TFundstellenListe& l1, TFundstellenListe& l2,
                                           int32_t abstand, int32_t modus, bool geordnet) {
  TUndKonjunktion k;
  k.Wortabstand = abstand;
  k.Modus = modus;
  k.CDKennung = current_cd_;
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
