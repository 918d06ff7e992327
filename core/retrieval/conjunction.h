#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "retrieval/hit_list.h"

namespace quillmar::retrieval {

// The join modes (TUndKonjunktion::Modus, TKomplexAnfrage::Modus, GroupSet): where two hits must
// lie to be joined. Kept as int32_t, the type of the settings that carry them.
inline constexpr int32_t kJoinModeUnset = -1;
inline constexpr int32_t kSameParagraph = 1;
inline constexpr int32_t kSameSection = 2;

// Combines two hits of one collection into one hit when they lie in the same paragraph
// (kSameParagraph, at most `abstand` words apart unless abstand is 0) or the same section
// (kSameSection, abstand 0). The result is a copy of the earlier hit spanning both, with up to five
// words in position order. Raises Exception "(IF-SFS 001)" for an earlier hit without word number,
// "(IF-SFS 002)" for another modus, "(IF-SFS 003)" for modus 2 with a distance.
std::optional<TFundstellenListe::Eintrag> Verbinden(const TFundstellenListe::Eintrag& a,
                                                    const TFundstellenListe::Eintrag& b,
                                                    int32_t abstand, int32_t modus);

// Joins two lists sorted by HitVergleich into the list of combined hits: in either order (AND)
// or with the hit of Liste1 first ("..."). Each hit takes part in at most one combined hit; the
// result stays in HitVergleich order.
class TUndKonjunktion {
 public:
  TUndKonjunktion();

  int32_t Wortabstand = 0;         // 0: any distance
  int32_t Modus = kJoinModeUnset;  // kSameParagraph or kSameSection
  std::string CDKennung;           // given to every combined hit
  // When given, a set flag ends the join with an empty result.
  const std::atomic<bool>* Abbruch = nullptr;
  std::unique_ptr<TFundstellenListe> Liste1;
  std::unique_ptr<TFundstellenListe> Liste2;
  std::unique_ptr<TFundstellenListe> Ergebnis;

  // Raise Exception "interner Fehler (UKJ 001)" when a list is missing.
  void Liste1_UND_Liste2();
  void Liste1_PPP_Liste2();

 private:
  void Combine(bool geordnet);
};

}  // namespace quillmar::retrieval
