#pragma once

#include <string>
#include <string_view>

namespace quillmar::builder {

// The form of a stream word that goes into the word index: the word's stream bytes with
// punctuation split off both ends (together with inline codes left standing at an end). Inside
// the word everything stays. Greek words keep the accent and breathing marks of their
// transliteration (' ` . < > and the like); only sentence punctuation is split off them.
// Empty when nothing but punctuation is left.
std::string IndexWord(std::string_view bytes, bool greek);

// The form an index word takes in the word list: trimmed, folded to lower case as KleinFalten
// does, cut to the 30 bytes of a word-list record. Empty when nothing is left.
std::string WordListForm(std::string_view indexWord);

}  // namespace quillmar::builder
