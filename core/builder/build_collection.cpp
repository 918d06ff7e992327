#include "builder/build_collection.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"

namespace quillmar::builder {

IndexEntries BuildCollection(SourceCollection source, const std::string& outDir,
                             const std::string& mediaSourceDir, const BuildOptions& options) {
  if (options.fuzzy) {
    std::erase_if(source.header.properties, [](const SourceProperty& p) { return p.key == 'o'; });
    // Header values are UTF-8; the library identifier comes as Windows-1252 bytes.
    source.header.properties.push_back({'o', Cp1252ToUtf8(options.fuzzy->libraryId)});
  }
  IndexEntries entries = WriteCollection(source, outDir, mediaSourceDir);
  WriteIndex(entries, JoinPath(outDir, "data"), options);
  return entries;
}

}  // namespace quillmar::builder
