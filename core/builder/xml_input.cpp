#include "builder/xml_input.h"

#include <algorithm>

#include "base/errors.h"

namespace quillmar::builder::xml {

std::string Place(const ImportFile& file, ptrdiff_t offset) {
  const size_t end =
      std::min(file.bytes.size(), static_cast<size_t>(std::max<ptrdiff_t>(0, offset)));
  int line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < end; ++i) {
    if (file.bytes[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  // Columns count characters: UTF-8 continuation bytes do not start one.
  int column = 1;
  for (size_t i = lineStart; i < end; ++i)
    if ((static_cast<unsigned char>(file.bytes[i]) & 0xC0) != 0x80) ++column;
  return file.name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

void Load(pugi::xml_document& doc, const ImportFile& file) {
  const pugi::xml_parse_result result =
      doc.load_buffer(file.bytes.data(), file.bytes.size(),
                      pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto);
  if (!result) throw Exception(Place(file, result.offset) + ": " + result.description());
  if (!doc.document_element()) throw Exception(Place(file, 0) + ": the file holds no XML element");
}

std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view name) {
  for (pugi::xml_node c : node.children())
    if (c.type() == pugi::node_element && LocalName(c) == name) return c;
  return {};
}

std::string AllText(const pugi::xml_node& node) {
  // Iterative, so that no nesting depth can exhaust the stack.
  std::string s;
  for (pugi::xml_node n = node.first_child(); n && n != node;) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) s += n.value();
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n != node && !n.next_sibling()) n = n.parent();
    if (n != node) n = n.next_sibling();
  }
  return s;
}

void TooDeep(const ImportFile& file, const pugi::xml_node& node) {
  throw Exception(Place(file, node.offset_debug()) + ": elements nested deeper than " +
                  std::to_string(kMaxDepth));
}

}  // namespace quillmar::builder::xml
