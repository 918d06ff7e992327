#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmar::retrieval {

// An ordered set of 32-bit integers (the selected entries of the word list browser) with a
// sequential iterator and a text form "1 2 5".
class TIntegerSet {
 public:
  static constexpr int32_t kNone = 2147483647;

  int32_t Anzahl() const { return static_cast<int32_t>(values_.size()); }
  bool Ende() const { return ende_; }

  void Leeren();
  void Hinzufuegen(int32_t v);
  void Umschalten(int32_t v);
  // Replaces the set by the range from v to whichever of the nearest element and `anker` lies
  // nearer to v (a click with the range key held).
  void BereichWaehlen(int32_t v, int32_t anker);
  bool Enthaelt(int32_t v);
  int32_t Erstes();
  int32_t Naechstes();
  // The i-th element (1-based); raises Exception "Zugriffsverletzung (IS 101)" out of range.
  int32_t Element(int32_t i);
  std::string AlsText() const;
  // Raises Exception "Formatfehler (IS 002)" / "(IS 003)".
  void AusText(const std::string& s);
  void Assign(const TIntegerSet& other);

 private:
  std::vector<int32_t> values_;  // ascending, no duplicates
  bool ende_ = true;
  int32_t index_ = kNone;  // 1-based iterator index
  int32_t last_found_ = kNone;
  int32_t last_not_found_ = kNone;
};

// A set of byte values 0..255 used as a filter; Aktiv says whether the filter is in force.
class TSmallIntSet {
 public:
  void Aufnehmen(uint8_t b) { bits_[b >> 6] |= uint64_t{1} << (b & 63); }
  bool Enthaelt(uint8_t b) const { return (bits_[b >> 6] >> (b & 63)) & 1; }
  void Leeren() { bits_[0] = bits_[1] = bits_[2] = bits_[3] = 0; }
  bool IstLeer() const { return (bits_[0] | bits_[1] | bits_[2] | bits_[3]) == 0; }
  // Every value 0..255 is a member.
  bool IstVoll() const { return (bits_[0] & bits_[1] & bits_[2] & bits_[3]) == ~uint64_t{0}; }
  void AlleAufnehmen() { bits_[0] = bits_[1] = bits_[2] = bits_[3] = ~uint64_t{0}; }
  // Copies the members, not Aktiv.
  void Assign(const TSmallIntSet& other) {
    for (int i = 0; i < 4; ++i) bits_[i] = other.bits_[i];
  }
  bool Aktiv = false;

 private:
  uint64_t bits_[4] = {0, 0, 0, 0};
};

// Whichever of a and b is nearer to ziel; the smaller on a tie.
int32_t Naechster(int32_t a, int32_t b, int32_t ziel);
// True when s, after one leading "+" or "-", is non-empty and all digits.
bool IstZahl(const std::string& s);

}  // namespace quillmar::retrieval
