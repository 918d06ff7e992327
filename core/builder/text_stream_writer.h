#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "builder/index_entry.h"
#include "builder/source_model.h"
#include "builder/stream_builder.h"

namespace quillmar::builder {

// Where an anchor stands: layer 1..3 and text position in that layer's stream.
struct AnchorPlace {
  int32_t text = 0;
  int32_t layer = 1;
  int32_t position = 1;
  bool operator==(const AnchorPlace&) const = default;
};
using AnchorMap = std::map<std::string, AnchorPlace>;

struct WrittenPage {
  int32_t number = 0;
  std::string label;  // Windows-1252
  bool arabic = true;
  std::array<int32_t, 3> position = {-1, -1, -1};  // start in layers 1..3, -1 = none
};

struct WrittenChapter {
  std::array<std::string, 3> names;  // Windows-1252
  int32_t l1 = 0, l2 = 0, l3 = 0;
  int32_t position = 0;  // start of the heading paragraph in layer 1
};

// A paragraph's cross-reference: its reference key and the place it leads to, written
// "CDID text layer position".
struct WrittenCrossReference {
  int32_t key = 0;
  std::string target;
};

// Everything one text contributes to the collection, held in memory.
struct WrittenText {
  std::array<StreamBuilder, 3> layers;  // main text, footnotes, scholia/remarks
  std::vector<WrittenPage> pages;
  std::vector<WrittenChapter> chapters;
  std::vector<std::pair<int32_t, int32_t>> sync;  // (layer-1 position, target)
  IndexEntries entries;
  AnchorMap anchors;  // the anchors this text defines
  std::vector<WrittenCrossReference> cross_references;
};

// Dates as the index stores them: years plus the collection's YearOffset, an unknown year as
// the NoDateMarker.
struct DateSettings {
  uint16_t no_date_marker = 0;
  uint16_t year_offset = 0;
};

// Writes the three streams of one text and collects its pages, chapters, synchronisation points,
// anchors and index entries. Links to anchors ("#name") take their targets from `anchors`; an
// anchor not (yet) known gets a provisional target of the same form.
WrittenText WriteTextStreams(const SourceText& text, const std::string& cdid,
                             const DateSettings& dates, const AnchorMap& anchors);

}  // namespace quillmar::builder
