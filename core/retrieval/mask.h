#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar::retrieval {

// One literal part of a mask with the number of characters allowed before it (after the previous
// part or the word start) and after it (checked for the last part only).
struct TMaskenTeil {
  int32_t MinVor = 0;
  int32_t MaxVor = 0;
  int32_t MinNach = 0;
  int32_t MaxNach = 0;
  std::string Text;
};

// A word mask with the wildcards "*" (any number of characters) and "?" (exactly one).
class TMaske {
 public:
  static constexpr int32_t kUnbounded = 2147483647;
  static constexpr int kMaxParts = 100;

  static bool IstMaske(std::string_view text);
  // The characters before the first wildcard.
  static std::string Praefix(std::string_view text);

  void Setzen(std::string_view maske);
  // Whether the word matches exactly what the wildcard pattern describes.
  bool Passt(std::string_view wort);

  int32_t Anzahl() const { return anzahl_; }
  const TMaskenTeil& Part(int k) const { return parts_[k - 1]; }  // 1-based

 private:
  bool Platzieren(int k, int32_t von);

  TMaskenTeil parts_[kMaxParts];
  std::string maske_;
  int32_t anzahl_ = 0;
  bool too_many_parts_ = false;  // more literal parts than kMaxParts: matches nothing
  std::string_view wort_;        // the word under test during Passt
  // Filled by Passt: 1-based start of each part's match and the position after it.
  int32_t anfang_[kMaxParts] = {};
  int32_t ende_[kMaxParts] = {};
};

}  // namespace quillmar::retrieval
