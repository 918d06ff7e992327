#include "cli/hit_context.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/text_info.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/plain_text.h"
#include "text/stream_codes.h"
#include "text/word_collector.h"

namespace quillmar::cli {

namespace {

std::string ReadStream(const std::string& name) {
  std::ifstream in;
  if (!OpenForReading(in, ResolveExisting(name).value_or(name))) return {};
  return ReadAll(in);
}

}  // namespace

HitContext::HitContext(TCalderwickData& catalog, int32_t words, bool unicodeGreek)
    : catalog_(catalog), words_(words), unicodeGreek_(unicodeGreek) {}

HitContext::~HitContext() = default;

TTextInfo& HitContext::Catalog(const std::string& cdid) {
  auto& info = infos_[cdid];
  if (!info) {
    info = std::make_unique<TTextInfo>();
    info->Load(catalog_.GetTextInfoFile(cdid));
  }
  return *info;
}

const std::vector<HitContext::Word>& HitContext::Words(const std::string& cdid, int32_t textNr,
                                                       int layer) {
  const Key key{cdid, textNr, layer};
  auto found = streams_.find(key);
  if (found != streams_.end()) return found->second;
  std::vector<Word>& words = streams_[key];
  try {
    TTextInfo& info = Catalog(cdid);
    if (textNr < 1 || textNr > info.RecordCount()) return words;
    info.Select(textNr);
    if (info.CurrentText() != textNr) return words;
    const std::string file = layer == 1   ? info.GetLayer1DateiName()
                             : layer == 2 ? info.GetLayer2DateiName()
                                          : info.GetLayer3DateiName();
    if (file.empty()) return words;
    ParagraphParser parser;
    for (const auto& paragraph : ParagraphCutter::Split(ReadStream(file))) {
      WordCollector collector(WordCollector::Columns::kMainOnly);
      try {
        parser.Parse(paragraph.text, paragraph.start, collector);
      } catch (const Exception&) {
        continue;  // a damaged paragraph contributes no words
      }
      for (const StreamWord& w : collector.Words()) {
        std::string text = PlainTextUtf8(w.bytes, unicodeGreek_, w.font_code == stream::kGreekFont);
        text.erase(
            std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
            text.end());
        if (!text.empty()) words.push_back({w.EndPosition(), std::move(text)});
      }
    }
  } catch (const Exception&) {
    words.clear();  // an unreadable catalog or stream: no context
  }
  return words;
}

std::string HitContext::Line(const std::string& cdid, int32_t textNr, int32_t textPart,
                             const std::vector<int32_t>& positions) {
  const auto& words = Words(cdid, textNr, TTextInfo::KindLayer(textPart));
  std::set<size_t> marked;
  for (int32_t p : positions) {
    const auto at = std::lower_bound(words.begin(), words.end(), p,
                                     [](const Word& w, int32_t pos) { return w.end < pos; });
    if (at != words.end()) marked.insert(static_cast<size_t>(at - words.begin()));
  }
  if (marked.empty()) return {};
  const size_t n = static_cast<size_t>(words_);
  const size_t first = *marked.begin() > n ? *marked.begin() - n : 0;
  const size_t last = std::min(words.size() - 1, *marked.rbegin() + n);
  std::string line;
  for (size_t i = first; i <= last; ++i) {
    if (i > first) line += ' ';
    if (marked.count(i))
      line += std::string(kMarkOpen) + words[i].text + kMarkClose;
    else
      line += words[i].text;
  }
  return line;
}

}  // namespace quillmar::cli
