#pragma once

#include <string>

#include "builder/index_entry.h"
#include "builder/source_model.h"

namespace quillmar::builder {

// Writes the collection files of `source` (a merged collection, texts numbered) under `outDir`:
// ID/<CDID>.hid, ID/metainfo.dat, data/textinfo.dat, per text its stream files (layers 1-3 as far
// as the text has them), page, chapter, picture and synchronisation files, the tree schema files,
// the short-information file, and copies from `mediaSourceDir` into media/ of every file the
// collection names there (pictures, short-information parts, programs). Directories are created
// as needed; existing files are overwritten. Returns one entry per indexed word, text by text,
// each layer in stream order. Raises `EInOutError` when a file cannot be written or a media file
// cannot be read, `Exception` when the collection has no header.
IndexEntries WriteCollection(const SourceCollection& source, const std::string& outDir,
                             const std::string& mediaSourceDir);

}  // namespace quillmar::builder
