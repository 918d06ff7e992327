#pragma once

#include <string>

#include "builder/build_options.h"
#include "builder/index_entry.h"
#include "builder/source_model.h"

namespace quillmar::builder {

// Builds a whole collection under `outDir`: the collection files (WriteCollection, pictures from
// `mediaSourceDir`), the word index (WriteIndex) and the derived hit index made from it
// (retrieval::WriteHitIndex, data/fundst.qmx). With a fuzzy key source in `options` the
// metadata names its library as property 'o' (replacing any 'o' of the source) and the fuzzy
// word lists are written; without one, fuzzy word lists of an earlier build in `outDir` are
// removed. Returns the indexed words. Raises what the writers raise.
IndexEntries BuildCollection(SourceCollection source, const std::string& outDir,
                             const std::string& mediaSourceDir, const BuildOptions& options = {});

}  // namespace quillmar::builder
