#include "base/roman.h"

#include <array>
#include <utility>

namespace quillmar {

std::string RomanNumeral(int32_t n) {
  static constexpr std::array<std::pair<int32_t, const char*>, 13> kDigits{{{1000, "M"},
                                                                            {900, "CM"},
                                                                            {500, "D"},
                                                                            {400, "CD"},
                                                                            {100, "C"},
                                                                            {90, "XC"},
                                                                            {50, "L"},
                                                                            {40, "XL"},
                                                                            {10, "X"},
                                                                            {9, "IX"},
                                                                            {5, "V"},
                                                                            {4, "IV"},
                                                                            {1, "I"}}};
  constexpr int32_t kLimit = 4999;
  std::string out;
  if (n < 1 || n > kLimit) return out;
  for (const auto& [value, letters] : kDigits) {
    for (; n >= value; n -= value) out += letters;
  }
  return out;
}

}  // namespace quillmar
