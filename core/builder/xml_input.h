#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "builder/import.h"

// XML input of the importers: parsing with the place of an error, and small element helpers.
namespace quillmar::builder::xml {

// Parses the file into `doc`, keeping white space between elements (it separates words). A
// malformed document raises `Exception` "<file>:<line>:<column>: <what>".
void Load(pugi::xml_document& doc, const ImportFile& file);

// "<file>:<line>:<column>" of a byte offset.
std::string Place(const ImportFile& file, ptrdiff_t offset);

// The element's name without its namespace prefix ("tei:p" is "p").
std::string_view LocalName(const pugi::xml_node& node);

// The first child element of that local name, or an empty node.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view name);

// All text below the node, in document order.
std::string AllText(const pugi::xml_node& node);

// Elements nest at most this deep in the importers' walks; deeper ones raise an error.
inline constexpr int kMaxDepth = 200;
// Raises the error for an element nested deeper than kMaxDepth.
[[noreturn]] void TooDeep(const ImportFile& file, const pugi::xml_node& node);

}  // namespace quillmar::builder::xml
