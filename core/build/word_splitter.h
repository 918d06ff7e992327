#pragma once

#include <string>
#include <string_view>

namespace quillmar::build {

// The form of a stream word that goes into the word index: the word's stream bytes with
// punctuation split off both ends (together with inline codes left standing at an end). Inside
// the word everything stays. Greek words keep the accent and breathing marks of their
// transliteration (' ` . < > and the like); only sentence punctuation is split off them.
// Empty when nothing but punctuation is left.
std::string IndexWord(std::string_view bytes, bool greek);

}  // namespace quillmar::build
