#include "builder/build_collection.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/fuzzy_lists.h"
#include "builder/index_writer.h"
#include "retrieval/hit_index.h"

namespace quillmar::builder {

IndexEntries BuildCollection(SourceCollection source, const std::string& outDir,
                             const std::string& mediaSourceDir, const BuildOptions& options) {
  if (options.fuzzy) {
    std::erase_if(source.header.properties, [](const SourceProperty& p) { return p.key == 'o'; });
    // Header values are UTF-8; the library identifier comes as Windows-1252 bytes.
    source.header.properties.push_back({'o', Cp1252ToUtf8(options.fuzzy->libraryId)});
  }
  IndexEntries entries = WriteCollection(source, outDir, mediaSourceDir);
  const std::string dataDir = JoinPath(outDir, "data");
  WriteIndex(entries, dataDir, options);
  if (!options.fuzzy) {
    // Lists of an earlier build would link into the new word list.
    for (int level = 1; level <= kFuzzyLevels; ++level) {
      for (const std::string& name : {FuzzyWordListName(level), FuzzyLinkFileName(level)}) {
        std::error_code ignored;
        std::filesystem::remove(FsPath(NativeSeparators(JoinPath(dataDir, name))), ignored);
      }
    }
  }
  // The derived hit index beside the files it is made from, so that searches read it at once.
  retrieval::WriteHitIndex(dataDir, JoinPath(dataDir, retrieval::HitIndex::kFileName));
  return entries;
}

}  // namespace quillmar::builder
