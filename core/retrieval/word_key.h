#pragma once

#include <string>
#include <string_view>

// The word key: the one collation of the word index. Every comparison of index words (lookup,
// mask expansion, the word list browser, cross-references) goes through these functions. Words
// are Windows-1252 bytes.
namespace quillmar {

// Lower-case folding: A-Z and the Windows-1252 capitals that have a small letter in the code page
// (Œ, À-Ï without Ã, Ñ-Ô, Ö, Ù-Ý) become that small letter; every other byte is kept. Folding does
// not trim; the lookup key of a word is KleinFalten(Trim(word)).
std::string KleinFalten(std::string_view word);
char FoldCharToLower(char c);

// The word key (Wortschluessel): the word trimmed (bytes 0..32 removed at both ends), folded by
// KleinFalten and transliterated: œ ö → "oe", ß → "ss", ä æ → "ae", ü → "ue", à á â å → "a",
// ç → "c", è-ë → "e", ì-ï → "i", ñ → "n", ò-ô → "o", ù-û → "u", ÿ → "y"; other bytes unchanged.
std::string Normalisieren(std::string_view word);

// Compares the word keys of a and b byte by byte as unsigned values; a key that is a prefix of the
// other sorts first. Returns -1, 0 or +1. Works without building the keys.
int WortVergleich(std::string_view a, std::string_view b);
// WortVergleich(wort, b) for a key already made by Normalisieren(b): a lookup compares many
// words with one key and builds the key's bytes once.
int WortVergleichMitSchluessel(std::string_view wort, std::string_view schluessel);

}  // namespace quillmar
