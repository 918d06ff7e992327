#include "retrieval/hit_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "retrieval/hit_cache.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace {

constexpr int64_t kSatz = static_cast<int64_t>(index_layout::kFundstelleSize);
// Records per physical read: large reads keep mask searches over many words cheap.
constexpr int64_t kLeseSaetze = 8192;
// Records between two ranges that one read may run across rather than seek past (45 KB read
// cost less than another seek and read).
constexpr int64_t kLuecke = 1024;

[[noreturn]] void NichtGefunden(const std::string& path) {
  throw EInOutError("Datei '" + UpperAscii(Trim(path)) + "' nicht gefunden.(TFDA 001)");
}

// The range von.. could not be completed in a file of `groesse` bytes. Read in blocks of
// kBlockSaetze records from von, the range ends either at a block that is missing altogether
// (002) or at one that is cut short (003).
[[noreturn]] void UnerwartetesEnde(const std::string& path, int64_t von, int64_t groesse) {
  const int64_t block = kSatz * TFundstellenDateiAnfrage::kBlockSaetze;
  const int64_t rest = groesse - von * kSatz;
  const char* code = (von < 0 || rest <= 0 || rest % block == 0) ? "002" : "003";
  throw EInOutError("unerwartetes Ende von '" + path + "' .(TFDA " + code + ")");
}

// The file's size and modification time, under which the hit cache keeps its ranges.
HitCache::Datei CacheStamp(const std::string& resolved, const std::string& path) {
  std::error_code fehler;
  HitCache::Datei datei{resolved, 0, 0};
  datei.groesse = static_cast<int64_t>(std::filesystem::file_size(resolved, fehler));
  if (fehler) NichtGefunden(path);
  datei.zeit = std::filesystem::last_write_time(resolved, fehler).time_since_epoch().count();
  if (fehler) NichtGefunden(path);
  return datei;
}

// The last record one read from record k of range r should take: the end of this range and of
// the ranges right behind it, as long as the read stays within kLeseSaetze records and skips no
// more than kLuecke records between two ranges.
int64_t ReadEnd(std::span<const HitRange> bereiche, size_t r, int64_t k) {
  int64_t ende = bereiche[r].Bis;
  for (size_t q = r + 1; q < bereiche.size() && ende - k + 1 < kLeseSaetze; ++q) {
    const int64_t qv = bereiche[q].Von;
    if (bereiche[q].Bis < qv) continue;
    if (qv <= ende || qv > ende + 1 + kLuecke) break;
    ende = bereiche[q].Bis;
  }
  return ende;
}

}  // namespace

void TFundstellenDateiAnfrage::SetzeDateiName(const std::string& path) {
  if (!FileExists(path)) NichtGefunden(path);
  path_ = path;
}

void TFundstellenDateiAnfrage::Laden() {
  liste_.Leeren();
  const HitRange bereich{Von, Bis};
  Lesen(std::span<const HitRange>(&bereich, 1), [this](size_t, std::span<const TFundstelle> hits) {
    for (const TFundstelle& h : hits) liste_.AnhaengenRoh(h, cd_);
    return true;
  });
}

int64_t TFundstellenDateiAnfrage::ReadRecords(std::ifstream& in, int64_t k, int64_t saetze,
                                              int64_t& groesse) {
  if (saetze == 0) return 0;
  puffer_.resize(static_cast<size_t>(saetze * kSatz));
  in.clear();
  in.seekg(k * kSatz);
  in.read(reinterpret_cast<char*>(puffer_.data()), static_cast<std::streamsize>(saetze * kSatz));
  const int64_t gelesen = in ? saetze * kSatz : static_cast<int64_t>(in.gcount());
  if (gelesen < saetze * kSatz) groesse = k * kSatz + gelesen;  // the file has shrunk
  return gelesen / kSatz;
}

void TFundstellenDateiAnfrage::Lesen(std::span<const HitRange> bereiche, const Abnehmer& nimm) {
  if (bereiche.empty()) return;
  const std::optional<std::string> resolved = ResolveExisting(path_);
  if (!resolved) NichtGefunden(path_);
  const HitCache::Datei datei = CacheStamp(*resolved, path_);
  HitCache& cache = HitCache::Prozess();

  // The file is opened only when a range is not in the cache.
  std::ifstream in;
  int64_t groesse = datei.groesse;
  auto oeffnen = [&] {
    if (in.is_open()) return;
    in.open(*resolved, std::ios::binary);
    if (!in) NichtGefunden(path_);
    in.seekg(0, std::ios::end);
    groesse = static_cast<int64_t>(in.tellg());
    if (groesse < 0) NichtGefunden(path_);
  };

  // The buffer holds the records erster .. erster + anzahl - 1.
  int64_t erster = 0;
  int64_t anzahl = 0;
  for (size_t r = 0; r < bereiche.size(); ++r) {
    const int64_t von = bereiche[r].Von;
    const int64_t bis = bereiche[r].Bis;
    if (bis < von) continue;
    if (von < 0) UnerwartetesEnde(path_, von, groesse);
    if (const HitCache::Treffer gespeichert =
            cache.Holen(datei, bereiche[r].Von, bereiche[r].Bis)) {
      if (!nimm(r, std::span<const TFundstelle>(gespeichert->data(), gespeichert->size()))) return;
      continue;
    }
    oeffnen();
    ganz_.clear();
    int64_t k = von;
    while (k <= bis) {
      if (k < erster || k >= erster + anzahl) {
        const int64_t wunsch = std::min<int64_t>(ReadEnd(bereiche, r, k) - k + 1, kLeseSaetze);
        const int64_t verfuegbar = std::max<int64_t>(0, (groesse - k * kSatz) / kSatz);
        erster = k;
        anzahl = ReadRecords(in, k, std::min(wunsch, verfuegbar), groesse);
        if (anzahl == 0) break;
      }
      const int64_t bisHier = std::min(bis, erster + anzahl - 1);
      const size_t m = static_cast<size_t>(bisHier - k + 1);
      treffer_.resize(m);
      const uint8_t* p = puffer_.data() + static_cast<size_t>((k - erster) * kSatz);
      for (size_t t = 0; t < m; ++t) treffer_[t] = TFundstelle::Lesen(p + t * kSatz);
      ganz_.insert(ganz_.end(), treffer_.begin(), treffer_.end());
      if (!nimm(r, std::span<const TFundstelle>(treffer_.data(), m))) return;
      k = bisHier + 1;
    }
    if (k <= bis) UnerwartetesEnde(path_, von, groesse);
    // Unchanged since the size and time were taken: the range may be served from memory.
    if (groesse == datei.groesse)
      cache.Ablegen(datei, bereiche[r].Von, bereiche[r].Bis, std::move(ganz_));
  }
}

}  // namespace quillmar::retrieval
