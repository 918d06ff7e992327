#pragma once

#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "cli/hit_context.h"
#include "cli/table_writer.h"
#include "retrieval/hit_list.h"

namespace quillmar::cli {

// Writes the hits of a search:
// - kTsv: one line per hit: collection, text number, text part, first and last position, the
//   hit word positions joined by ",", the words, page, line, text title (and the context); with
//   `header` the column names first;
// - kJson: an array of objects with the same fields, positions as a number array;
// - kJsonl: the same objects, one per line;
// - kText: a readable line per hit (context indented below it) and a closing count line.
// `context` < 0 writes no context.
class HitWriter {
 public:
  // `unicodeGreek`: the context shows Greek in Unicode rather than in its transliteration.
  HitWriter(std::ostream& out, OutputFormat format, TCalderwickData& catalog, int32_t context,
            bool header = false, bool unicodeGreek = false);
  ~HitWriter();
  HitWriter(const HitWriter&) = delete;
  HitWriter& operator=(const HitWriter&) = delete;

  void Write(const retrieval::TFundstellenListe& hits, const std::string& query);

 private:
  struct Row;
  Row Build(const retrieval::TFundstellenListe::Eintrag& hit);
  std::string Title(const std::string& cdid, int32_t textNr);
  std::string LookUpTitle(const std::string& cdid, int32_t textNr);
  void Text(const Row& row);

  std::ostream& out_;
  OutputFormat format_;
  bool header_;
  TCalderwickData& catalog_;
  std::unique_ptr<HitContext> context_;
  std::map<std::string, std::unique_ptr<TTextInfo>> infos_;
  std::map<std::pair<std::string, int32_t>, std::string> titles_;
};

}  // namespace quillmar::cli
