#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace quillmar {
class TCalderwickData;
class TTextInfo;
}  // namespace quillmar

namespace quillmar::cli {

// Keyword-in-context lines for hits: the hit words with a number of words of context on either
// side, taken from the words of the text's stream file (the layer the hit's text part is shown
// in). Each stream is read and parsed once and kept for later hits of the same text.
class HitContext {
 public:
  static constexpr const char* kMarkOpen = "[[";
  static constexpr const char* kMarkClose = "]]";

  // `unicodeGreek`: words in the Greek font as Unicode Greek rather than transliterated.
  HitContext(TCalderwickData& catalog, int32_t words, bool unicodeGreek = false);
  ~HitContext();

  // The context of a hit as UTF-8: the words from `words` before the first hit word to `words`
  // after the last, separated by blanks, each hit word between kMarkOpen and kMarkClose. A
  // position marks the word that contains it or, when it points at codes in front of a word,
  // the word that follows. Empty when the text or its stream cannot be read.
  std::string Line(const std::string& cdid, int32_t textNr, int32_t textPart,
                   const std::vector<int32_t>& positions);

 private:
  struct Word {
    int32_t end = 0;   // text position of the word's last byte
    std::string text;  // plain text, UTF-8
  };
  using Key = std::tuple<std::string, int32_t, int>;  // collection, text, layer

  const std::vector<Word>& Words(const std::string& cdid, int32_t textNr, int layer);
  TTextInfo& Catalog(const std::string& cdid);

  TCalderwickData& catalog_;
  int32_t words_;
  bool unicodeGreek_;
  std::map<std::string, std::unique_ptr<TTextInfo>> infos_;
  std::map<Key, std::vector<Word>> streams_;
};

}  // namespace quillmar::cli
