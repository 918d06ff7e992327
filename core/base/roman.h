#pragma once

#include <cstdint>
#include <string>

namespace quillmar {

// Capital Roman numerals (M, CM, D, CD, C, XC, L, XL, X, IX, V, IV, I) for 1 ... 4999; empty for
// any other number (Roman numerals have no zero, and larger numbers need letters we lack).
std::string RomanNumeral(int32_t n);

}  // namespace quillmar
