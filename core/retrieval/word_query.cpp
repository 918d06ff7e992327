#include "retrieval/word_query.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/long_int_file.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"

namespace quillmar::retrieval {

namespace {

// The word list of KRVC0001 holds four words outside the sort order, at these record numbers.
struct SpecialWord {
  const char* schluessel;
  int32_t satz;
};
constexpr SpecialWord kKRVCSpecialWords[] = {
    {"aedelberhdus", 144835}, {"aeggihardi", 144836}, {"aeid", 144837}, {"aellio", 144838}};

bool IsKRVC(const std::string& cdid) { return SameCDID(cdid, "KRVC0001"); }

// The word key of a stored word, built into a fixed buffer: scans run over every record and
// must not allocate per record. The key bytes of each byte are those of Normalisieren; bytes up
// to 32 inside a word are kept, as Normalisieren keeps them.
class KeyBuffer {
 public:
  std::string_view Build(std::string_view wort) {
    while (!wort.empty() && static_cast<uint8_t>(wort.front()) <= 32) wort.remove_prefix(1);
    while (!wort.empty() && static_cast<uint8_t>(wort.back()) <= 32) wort.remove_suffix(1);
    if (wort.size() > index_layout::kWortCapacity)
      wort = wort.substr(0, index_layout::kWortCapacity);
    size_t laenge = 0;
    for (char c : wort) {
      const Eintrag& e = Table()[static_cast<uint8_t>(c)];
      for (uint8_t i = 0; i < e.anzahl; ++i) puffer_[laenge++] = e.bytes[i];
    }
    return {puffer_.data(), laenge};
  }

 private:
  struct Eintrag {
    uint8_t anzahl = 0;
    char bytes[2] = {};
  };

  static const std::array<Eintrag, 256>& Table() {
    static const std::array<Eintrag, 256> tabelle = [] {
      std::array<Eintrag, 256> t{};
      for (int c = 0; c < 256; ++c) {
        const std::string einzeln(1, static_cast<char>(c));
        const std::string key = c <= 32 ? einzeln : Normalisieren(einzeln);
        t[c].anzahl = static_cast<uint8_t>(key.size());
        std::memcpy(t[c].bytes, key.data(), key.size());
      }
      return t;
    }();
    return tabelle;
  }

  std::array<char, 2 * index_layout::kWortCapacity> puffer_{};
};

}  // namespace

namespace {
constexpr size_t kKeptLookups = 4096;
}  // namespace

WordLookupCache& WordLookupCache::Instance() {
  static WordLookupCache cache;
  return cache;
}

std::string WordLookupCache::Key(const FileStamp& datei, const std::string& cdid,
                                 const std::string& wort) {
  std::string key;
  key.reserve(datei.path.size() + cdid.size() + wort.size() + 2 * sizeof(int64_t) + 2);
  key += datei.path;
  key += '\0';
  // Size and time as their bytes: fixed width, so the parts cannot run into each other.
  char zahlen[2 * sizeof(int64_t)];
  std::memcpy(zahlen, &datei.size, sizeof(int64_t));
  std::memcpy(zahlen + sizeof(int64_t), &datei.mtime, sizeof(int64_t));
  key.append(zahlen, sizeof zahlen);
  key += cdid;
  key += '\0';
  key += wort;
  return key;
}

std::shared_ptr<const std::vector<TWortDateiRecord>> WordLookupCache::Find(
    const FileStamp& datei, const std::string& cdid, const std::string& wort) {
  const std::string key = Key(datei, cdid, wort);
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = index_.find(key);
  if (it == index_.end()) return nullptr;
  order_.splice(order_.begin(), order_, it->second);
  return it->second->records;
}

void WordLookupCache::Store(const FileStamp& datei, const std::string& cdid,
                            const std::string& wort,
                            std::shared_ptr<const std::vector<TWortDateiRecord>> records) {
  std::string key = Key(datei, cdid, wort);
  std::lock_guard<std::mutex> guard(lock_);
  if (const auto it = index_.find(key); it != index_.end()) {
    it->second->records = std::move(records);
    order_.splice(order_.begin(), order_, it->second);
    return;
  }
  order_.push_front(Eintrag{key, std::move(records)});
  index_.emplace(std::move(key), order_.begin());
  while (order_.size() > kKeptLookups) {
    index_.erase(order_.back().key);
    order_.pop_back();
  }
}

void WordLookupCache::Leeren() {
  std::lock_guard<std::mutex> guard(lock_);
  index_.clear();
  order_.clear();
}

TWoerterAnfrage::TWoerterAnfrage(const SearchCatalog& katalog, PhoneticConversion* phonetik)
    : katalog_(katalog), phonetik_(phonetik) {}

void TWoerterAnfrage::SetzeCD(const std::string& cdid) {
  cdid_ = cdid;
  std::lock_guard<std::mutex> guard(lock_);
  stamp_.reset();
  const CollectionSearchInfo& cd = katalog_.Info(cdid);
  // One look at the word list for everything this binding asks of it: the path as spelled is
  // stamped first, and only one that does not exist so is resolved in any letter case.
  const std::string root = StripTrailingSeparator(cd.Path);
  std::optional<FileStamp> stamp;
  if (!root.empty())
    stamp =
        StampFile(NativeSeparators(JoinPath(JoinPath(root, "data"), index_layout::kWortListeName)));
  if (!stamp) {
    const std::string path = TWortDateiAnfrage::WordListPath(cd);
    // A collection the snapshot does not know has no root directory: name the file it lacks.
    if (path.empty())
      throw EInOutError(TWortDateiAnfrage::NotFoundText(
          JoinPath(JoinPath(Trim(cdid), "data"), index_layout::kWortListeName)));
    stamp = StampFile(path);  // the path is resolved
    if (!stamp) throw EInOutError(TWortDateiAnfrage::NotFoundText(path));
  }
  stamp_ = *stamp;
  if (const FileCache::Inhalt contents = anfrage_.Binden(cd, *stamp)) {
    leser_.SetzeInhalt(stamp->path, contents);
  } else {
    leser_.SetzeDateiName(stamp->path);
  }
}

void TWoerterAnfrage::Suche(const std::string& word) {
  const CollectionSearchInfo& cd = katalog_.Info(cdid_);
  if (Stufe != 0 && cd.FSID.empty()) Stufe = 0;
  if (Stufe < 0 || Stufe > 4) RaiseInternalError("TWA-SSW-1");
  if (Stufe > 0)
    FindFuzzy(cd, word);
  else if (TMaske::IstMaske(word))
    FindMask(word);
  else
    FindWord(word);
}

void TWoerterAnfrage::FindWord(const std::string& word) {
  int32_t sonder = 0;
  if (IsKRVC(cdid_)) {
    const std::string schluessel = Normalisieren(word);
    for (const SpecialWord& s : kKRVCSpecialWords) {
      if (schluessel != s.schluessel) continue;
      const TWortDateiRecord record = leser_.Lies(s.satz);
      if (!leser_.Ausserhalb()) {
        ergebnis_.Hinzufuegen(record);
        sonder = s.satz;
      }
    }
  }
  anfrage_.Suche(word);
  if (!anfrage_.Gefunden()) return;
  // The found record first, then the other records with the same key in file order.
  const std::vector<TWortDateiRecord>& run = anfrage_.Run();
  const int32_t anfang = anfrage_.RunStart();
  const int32_t gefunden = anfrage_.Satznummer();
  ergebnis_.Hinzufuegen(run[static_cast<size_t>(gefunden - anfang)]);
  for (size_t i = 0; i < run.size(); ++i) {
    const int32_t nr = anfang + static_cast<int32_t>(i);
    if (nr != gefunden && nr != sonder) ergebnis_.Hinzufuegen(run[i]);
  }
}

void TWoerterAnfrage::FindMask(const std::string& word) {
  maske_.Setzen(Normalisieren(word));
  const std::string praefix = Normalisieren(TMaske::Praefix(word));
  std::vector<TWortDateiRecord> treffer;
  int32_t von = 0;
  int32_t bis = -1;
  Expand(anfrage_, leser_, praefix, true, treffer, von, bis);
  if (!praefix.empty() && IsKRVC(cdid_) && maske_.Anzahl() > 0) {
    KeyBuffer puffer;
    for (const SpecialWord& s : kKRVCSpecialWords) {
      if (s.satz >= von && s.satz <= bis) continue;  // already tested by the scan
      const TWortDateiRecord record = leser_.Lies(s.satz);
      if (!leser_.Ausserhalb() && maske_.Passt(puffer.Build(record.Wort)))
        treffer.push_back(record);
    }
  }
  for (const TWortDateiRecord& record : treffer) ergebnis_.Hinzufuegen(record);
}

void TWoerterAnfrage::Expand(TWortDateiAnfrage& anfrage, TLesenWortDatei& leser,
                             const std::string& praefix, bool normalisieren,
                             std::vector<TWortDateiRecord>& ziel, int32_t& von, int32_t& bis) {
  von = 0;
  bis = -1;
  // A mask of wildcards only has no literal part and matches no stored word.
  if (maske_.Anzahl() == 0) return;
  int32_t start = 1;
  if (!praefix.empty()) {
    anfrage.Suche(praefix);
    start = anfrage.Gefunden() ? anfrage.RunStart() : anfrage.NachfolgerNr();
    if (start < 1) return;
  }
  KeyBuffer puffer;
  WordRecordView view;
  int32_t n = start;
  for (; leser.ReadForward(n, view); ++n) {
    const std::string_view wort = normalisieren ? puffer.Build(view.Wort) : view.Wort;
    if (wort.substr(0, praefix.size()) != praefix) break;
    if (maske_.Passt(wort)) ziel.push_back({std::string(view.Wort), view.Von, view.Bis});
  }
  von = start;
  bis = n - 1;
}

void TWoerterAnfrage::FindFuzzy(const CollectionSearchInfo& cd, const std::string& word) {
  const std::string key =
      phonetik_ != nullptr ? Normalisieren(phonetik_->Phoneme(cd.FSID, word, Stufe)) : "";
  const std::string& wortDatei = cd.FSWordFiles[Stufe - 1];
  TWortDateiAnfrage anfrage;
  TLesenWortDatei leser;
  anfrage.SetzeDateiName(wortDatei);
  leser.SetzeDateiName(wortDatei);

  std::vector<TWortDateiRecord> gesammelt;
  if (!TMaske::IstMaske(key)) {
    anfrage.Suche(key);
    if (anfrage.Gefunden()) gesammelt = anfrage.Run();
  } else {
    maske_.Setzen(key);
    int32_t von = 0;
    int32_t bis = -1;
    Expand(anfrage, leser, TMaske::Praefix(key), false, gesammelt, von, bis);
  }

  const std::string& linkDatei = cd.FSLinkFiles[Stufe - 1];
  if (linkDatei.empty() || gesammelt.empty()) return;
  TLongIntFile links;
  {
    std::lock_guard<std::mutex> guard(lock_);
    links.SetDateiName(linkDatei);
  }
  // Entries beyond the file (a damaged range) point nowhere.
  const int64_t eintraege = links.DateiLen() / 4;
  for (const TWortDateiRecord& record : gesammelt) {
    const int64_t erster = std::max<int64_t>(record.Von, 0);
    const int64_t letzter = std::min<int64_t>(record.Bis, eintraege - 1);
    for (int64_t k = erster; k <= letzter; ++k) {
      const int32_t index = links.GetLongInt(static_cast<int32_t>(k + 1));
      if (index < 0 || index >= leser_.Anzahl()) continue;
      const TWortDateiRecord ziel = leser_.Lies(index + 1);
      if (!leser_.Ausserhalb()) ergebnis_.Hinzufuegen(ziel);
    }
  }
}

}  // namespace quillmar::retrieval
