#include "retrieval/integer_set.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/bytes.h"
#include "base/errors.h"

namespace quillmar::retrieval {

namespace {

constexpr const char* kAccessViolation = "Zugriffsverletzung (IS 101)";
constexpr const char* kNotAscending = "Formatfehler (IS 002)";
constexpr const char* kNotANumber = "Formatfehler (IS 003)";

// Stands for the nearest element of an empty set in BereichWaehlen.
constexpr int32_t kNoElement = -10000000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void TIntegerSet::Leeren() {
  if (values_.empty()) return;
  values_.clear();
  ende_ = true;
  index_ = kNone;
  last_found_ = kNone;
  last_not_found_ = kNone;
}

void TIntegerSet::Hinzufuegen(int32_t v) {
  const auto at = std::lower_bound(values_.begin(), values_.end(), v);
  if (at == values_.end() || *at != v) {
    // The iterator keeps standing on the same element; an insertion in front of it moves that
    // element one place back.
    const auto pos = static_cast<int32_t>(at - values_.begin());
    if (index_ != kNone && pos < index_) ++index_;
    values_.insert(at, v);
  }
  last_found_ = v;
  last_not_found_ = kNone;
}

void TIntegerSet::Umschalten(int32_t v) {
  const auto at = std::lower_bound(values_.begin(), values_.end(), v);
  if (at != values_.end() && *at == v)
    values_.erase(at);
  else
    values_.insert(at, v);
  last_found_ = kNone;
  last_not_found_ = kNone;
  index_ = kNone;
}

void TIntegerSet::BereichWaehlen(int32_t v, int32_t anker) {
  int32_t von = v;
  int32_t bis = v;
  if (v != anker) {
    int32_t n = kNoElement;
    for (int32_t x : values_) n = Naechster(n, x, v);
    const int32_t t = Naechster(n, anker, v);
    von = std::min(t, v);
    bis = std::max(t, v);
  }
  values_.clear();
  values_.reserve(static_cast<size_t>(int64_t{bis} - von + 1));
  for (int64_t x = von; x <= bis; ++x) values_.push_back(static_cast<int32_t>(x));
  last_found_ = kNone;
  last_not_found_ = kNone;
  index_ = kNone;
}

bool TIntegerSet::Enthaelt(int32_t v) {
  if (values_.empty()) return false;
  if (v == last_found_) return true;
  if (v == last_not_found_) return false;
  if (std::binary_search(values_.begin(), values_.end(), v)) {
    last_found_ = v;
    return true;
  }
  last_not_found_ = v;
  return false;
}

int32_t TIntegerSet::Erstes() {
  if (values_.empty()) {
    ende_ = true;
    index_ = kNone;
    return 0;
  }
  ende_ = false;
  index_ = 1;
  return values_.front();
}

int32_t TIntegerSet::Naechstes() {
  if (ende_ || index_ == kNone || index_ >= Anzahl()) {
    ende_ = true;
    return 0;
  }
  ++index_;
  return values_[static_cast<size_t>(index_ - 1)];
}

int32_t TIntegerSet::Element(int32_t i) {
  if (i < 1 || i > Anzahl()) throw Exception(kAccessViolation);
  // The iterator ends up on element i, as after stepping there with Erstes/Naechstes.
  index_ = i;
  ende_ = false;
  return values_[static_cast<size_t>(i - 1)];
}

std::string TIntegerSet::AlsText() const {
  std::string text;
  for (int32_t x : values_) {
    if (!text.empty()) text.push_back(' ');
    text += std::to_string(x);
  }
  return text;
}

void TIntegerSet::AusText(const std::string& s) {
  values_.clear();
  ende_ = true;
  index_ = kNone;
  last_found_ = kNone;
  last_not_found_ = kNone;
  const std::string text = Trim(s) + " ";
  if (text == " ") return;
  int64_t previous = -2147483647;
  int64_t number = 0;
  bool inNumber = false;
  for (char c : text) {
    if (IsDigit(c)) {
      // A number beyond the 32-bit range cannot follow its predecessor in a valid text.
      number = std::min<int64_t>(number * 10 + (c - '0'), int64_t{kNone} + 1);
      inNumber = true;
      continue;
    }
    if (!inNumber) continue;
    if (number <= previous || number > kNone) throw Exception(kNotAscending);
    values_.push_back(static_cast<int32_t>(number));
    previous = number;
    number = 0;
    inNumber = false;
  }
  if (values_.empty()) throw Exception(kNotANumber);
}

void TIntegerSet::Assign(const TIntegerSet& other) {
  if (&other == this) return;
  AusText(other.AlsText());
}

int32_t Naechster(int32_t a, int32_t b, int32_t ziel) {
  const int64_t da = std::llabs(int64_t{a} - ziel);
  const int64_t db = std::llabs(int64_t{b} - ziel);
  if (da != db) return da < db ? a : b;
  return std::min(a, b);
}

bool IstZahl(const std::string& s) {
  std::string_view rest(s);
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) rest.remove_prefix(1);
  return !rest.empty() && std::all_of(rest.begin(), rest.end(), IsDigit);
}

}  // namespace quillmar::retrieval
