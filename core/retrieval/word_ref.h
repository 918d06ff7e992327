#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar::retrieval {

// A hit word as display records keep it: an index into the process's table of words that hits
// were found through, so a display record holds five 4-byte references instead of five
// 21-byte strings. Words are cut to their first 20 bytes. The table only grows (by the words
// of the word lists searched); references stay valid for the whole run and may be read from
// any thread.
class WordRef {
 public:
  static constexpr size_t kLength = 20;

  WordRef() = default;
  WordRef(std::string_view s) { Setzen(s); }  // NOLINT: converts like a string

  void Setzen(std::string_view s);
  std::string_view View() const;
  std::string Str() const { return std::string(View()); }
  bool Leer() const { return id_ == 0; }
  friend bool operator==(WordRef a, WordRef b) { return a.id_ == b.id_; }

 private:
  uint32_t id_ = 0;  // 0: the empty word
};

}  // namespace quillmar::retrieval
