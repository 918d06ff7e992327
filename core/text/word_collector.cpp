#include "text/word_collector.h"

namespace quillmar {

void WordCollector::AddWord(const StreamWord& word) { words_.push_back(word); }

void WordCollector::AddMarginWord(const StreamWord& word) {
  if (columns_ == Columns::kAll) words_.push_back(word);
}

}  // namespace quillmar
