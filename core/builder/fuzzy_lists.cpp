#include "builder/fuzzy_lists.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>

#include "base/bytes.h"
#include "base/paths.h"
#include "builder/build_files.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"

namespace quillmar::builder {

namespace layout = index_layout;

std::string FuzzyWordListName(int level) { return "s" + std::to_string(level) + "wl.dat"; }
std::string FuzzyLinkFileName(int level) { return "s" + std::to_string(level) + "lnk.dat"; }

std::string FuzzyListKey(std::string_view key) {
  std::string normal = Normalisieren(key);
  if (normal.size() > layout::kWortCapacity) normal.resize(layout::kWortCapacity);
  while (!normal.empty() && static_cast<uint8_t>(normal.back()) <= 32) normal.pop_back();
  return normal;
}

void WriteFuzzyLists(const std::vector<std::string>& words, const FuzzyKeySource& source,
                     const std::string& dataDir) {
  for (int level = 1; level <= kFuzzyLevels; ++level) {
    std::vector<std::string> keys;
    keys.reserve(words.size());
    for (const std::string& word : words) keys.push_back(FuzzyListKey(source.key(word, level)));
    // Key order; the words of one key in word-list order.
    std::vector<uint32_t> order(words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[a].compare(keys[b]) < 0; });

    std::string list;
    std::string links;
    links.reserve(order.size() * 4);
    for (size_t first = 0; first < order.size();) {
      size_t last = first;
      while (last + 1 < order.size() && keys[order[last + 1]] == keys[order[first]]) ++last;
      std::array<uint8_t, layout::kWortRecordSize> record{};
      WriteShortString(record, layout::kWortOffset, layout::kWortCapacity, keys[order[first]]);
      WriteInt32(record, layout::kVonOffset, static_cast<int32_t>(first));
      WriteInt32(record, layout::kBisOffset, static_cast<int32_t>(last));
      list.append(record.begin(), record.end());
      first = last + 1;
    }
    for (uint32_t index : order) {
      std::array<uint8_t, 4> entry{};
      WriteInt32(entry, 0, static_cast<int32_t>(index));
      links.append(entry.begin(), entry.end());
    }
    WriteWholeFile(NativeSeparators(JoinPath(dataDir, FuzzyWordListName(level))), list);
    WriteWholeFile(NativeSeparators(JoinPath(dataDir, FuzzyLinkFileName(level))), links);
  }
}

}  // namespace quillmar::builder
