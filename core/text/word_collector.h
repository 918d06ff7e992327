#pragma once

#include <vector>

#include "text/paragraph_sink.h"

namespace quillmar {

// Collects the words the paragraph parser finds, in text order, and ignores the layout. Margin
// words are kept among the others (StreamWord::margin tells them apart) unless only the main
// column is asked for. Words found before a damaged paragraph raised an error stay collected.
class WordCollector : public ParagraphSink {
 public:
  enum class Columns { kAll, kMainOnly };

  explicit WordCollector(Columns columns = Columns::kAll) : columns_(columns) {}

  const std::vector<StreamWord>& Words() const { return words_; }

  void AddWord(const StreamWord& word) override;
  void AddMarginWord(const StreamWord& word) override;
  void SetCentred(bool) override {}
  void SetJustified(bool) override {}
  void SetIndentMode(uint8_t) override {}
  void SetParagraphNumber(int32_t) override {}

 private:
  Columns columns_;
  std::vector<StreamWord> words_;
};

}  // namespace quillmar
