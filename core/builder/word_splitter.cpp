#include "builder/word_splitter.h"

#include "base/bytes.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"
#include "text/stream_codes.h"

namespace quillmar::builder {
namespace {

// Windows-1252 punctuation split off the ends of ordinary words.
constexpr std::string_view kPunctuation =
    ".,;:!?()[]{}<>\"'`/*-+=&%$#~|\\_^"
    "\x82\x84\x85\x8B\x91\x92\x93\x94\x96\x97\x9B\xA1\xAB\xB7\xBB\xBF";
// Sentence punctuation split off the ends of Greek words (the transliteration uses the rest),
// with the Windows-1252 quotes, apostrophes (the elision mark), ellipsis, guillemets and middle
// dot (the ano teleia).
constexpr std::string_view kGreekPunctuation = ",;:!?()[]\"\x85\x91\x92\x93\x94\xAB\xB7\xBB";
// Marks of the transliteration that stand before a letter: at the end of a word they are a full
// stop and apostrophes of the sentence.
constexpr std::string_view kGreekFinalPunctuation = ".'`";

}  // namespace

std::string IndexWord(std::string_view bytes, bool greek) {
  const std::string_view split = greek ? kGreekPunctuation : kPunctuation;
  const std::string_view splitEnd = greek ? kGreekFinalPunctuation : std::string_view();
  size_t begin = 0;
  size_t end = bytes.size();
  bool changed = true;
  while (changed && begin < end) {
    changed = false;
    if (split.find(bytes[begin]) != std::string_view::npos) {
      ++begin;
      changed = true;
    } else if (end - begin >= 2 && bytes[begin] == stream::kEscape) {
      begin += 2;
      changed = true;
    }
    if (begin >= end) break;
    if (end - begin >= 2 && bytes[end - 2] == stream::kEscape) {
      end -= 2;
      changed = true;
    } else if (split.find(bytes[end - 1]) != std::string_view::npos ||
               splitEnd.find(bytes[end - 1]) != std::string_view::npos) {
      --end;
      changed = true;
    }
  }
  if (begin >= end) return {};
  return std::string(bytes.substr(begin, end - begin));
}

std::string WordListForm(std::string_view indexWord) {
  std::string folded = KleinFalten(Trim(indexWord));
  if (folded.size() > index_layout::kWortCapacity) folded.resize(index_layout::kWortCapacity);
  return folded;
}

}  // namespace quillmar::builder
