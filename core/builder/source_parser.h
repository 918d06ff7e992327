#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/source_model.h"

namespace quillmar::builder {

// Parses one collection source file (UTF-8, docs/source-format.md) into the model. A file holds
// at most one collection header and any number of texts. Malformed input raises `Exception` with
// the message "<fileName>:<line>:<column>: <what>" (column omitted where it does not help).
// Input of any size and content is safe: nesting is bounded and the work is linear in the input.
SourceCollection ParseSource(std::string_view utf8, const std::string& fileName);

// Joins parsed files into one collection and checks what crosses files: exactly one header, text
// keys and numbers unique (texts without @number get the lowest free numbers in order, at most
// 255), group members and anchor links resolved, anchors unique. The texts come out ordered by
// number. Raises `Exception` with the place of the offending directive or element.
SourceCollection MergeSources(std::vector<SourceCollection> parts);

}  // namespace quillmar::builder
