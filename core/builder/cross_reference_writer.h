#pragma once

#include <string>
#include <vector>

#include "builder/source_model.h"
#include "builder/text_stream_writer.h"

namespace quillmar::builder {

// The files behind the paragraphs' {xref} elements (docs/formats/cross-reference.md,
// link-table.md): a lookup file that maps each paragraph's reference key ("17.") to a link-table
// key, and the link table that maps that key to the target place. Key N of the lookup leads to
// key N of the table.

// "<id in lower case>xr.dat" and "<id in lower case>lk.dat" in the data directory.
std::string CrossReferenceFileName(const SourceHeader& header);
std::string LinkTableFileName(const SourceHeader& header);
// The caption of the lookup file's type-9 metadata record.
inline constexpr char kCrossReferenceTitle[] = "Cross-references";

// 128-byte records sorted by key the way the lookup compares them.
std::string CrossReferenceBytes(const std::vector<WrittenCrossReference>& references);
// 83-byte records in key order. Raises Exception for a target the table cannot hold (a text
// number or layer above 255).
std::string LinkTableBytes(const std::vector<WrittenCrossReference>& references);

}  // namespace quillmar::builder
