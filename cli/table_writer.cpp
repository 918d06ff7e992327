#include "cli/table_writer.h"

#include <cstdio>

namespace quillmar::cli {

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

TableWriter::TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> columns)
    : out_(out), format_(format), columns_(std::move(columns)) {
  if (format_ == OutputFormat::kJson) out_ << "[";
}

TableWriter::~TableWriter() {
  if (format_ == OutputFormat::kJson) out_ << (first_ ? "]\n" : "\n]\n");
  out_.flush();
}

void TableWriter::Row(const std::vector<std::string>& fields) {
  if (format_ != OutputFormat::kJson) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) out_ << '\t';
      for (char c : fields[i]) out_ << (c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
    }
    out_ << '\n';
    return;
  }
  out_ << (first_ ? "\n  {" : ",\n  {");
  for (size_t i = 0; i < fields.size() && i < columns_.size(); ++i)
    out_ << (i ? ", " : "") << JsonString(columns_[i]) << ": " << JsonString(fields[i]);
  out_ << "}";
  first_ = false;
}

}  // namespace quillmar::cli
