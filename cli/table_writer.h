#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quillmar::cli {

// kText is the readable form of commands that offer one; a table writes it like kTsv.
enum class OutputFormat { kTsv, kJson, kText };

// Writes rows either as tab-separated lines (no header; tabs and line breaks inside a field
// become blanks) or as a JSON array of objects keyed by the column names. Strings are UTF-8.
class TableWriter {
 public:
  TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> columns);
  ~TableWriter();  // closes the JSON array
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  void Row(const std::vector<std::string>& fields);

 private:
  std::ostream& out_;
  OutputFormat format_;
  std::vector<std::string> columns_;
  bool first_ = true;
};

// A JSON string literal with everything escaped that must be.
std::string JsonString(const std::string& utf8);

}  // namespace quillmar::cli
