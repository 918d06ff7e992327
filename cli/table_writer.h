#pragma once

#include <concepts>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quillmar::cli {

// kText is the readable form of commands that offer one; a table writes it like kTsv.
enum class OutputFormat { kTsv, kJson, kJsonl, kText };

// One value of a table row: text (UTF-8, or the bytes of a file name), a number, a yes/no or a
// list of numbers. JSON writes numbers and booleans unquoted and a list as an array; tsv writes
// a boolean as "yes" or "no" and a list joined by ",".
class Cell {
 public:
  enum class Kind { kText, kNumber, kBoolean, kNumberList };

  Cell(std::string text) : text_(std::move(text)) {}  // NOLINT: implicit by design
  Cell(const char* text) : text_(text) {}             // NOLINT
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) Cell(T number)
      : text_(std::to_string(number)), kind_(Kind::kNumber) {}  // NOLINT
  static Cell Boolean(bool value) { return Cell(value ? "yes" : "no", Kind::kBoolean, value); }
  static Cell NumberList(const std::vector<int32_t>& numbers);

  const std::string& Text() const { return text_; }
  Kind GetKind() const { return kind_; }
  bool BooleanValue() const { return boolean_; }

 private:
  Cell(std::string text, Kind kind, bool value)
      : text_(std::move(text)), kind_(kind), boolean_(value) {}

  std::string text_;
  Kind kind_ = Kind::kText;
  bool boolean_ = false;
};

// Writes rows as
// - kTsv: tab-separated lines (tabs and line breaks inside a field become blanks), with the
//   column names as a first line when `header` is set;
// - kJson: one JSON array of objects keyed by the column names;
// - kJsonl: one JSON object per line, written as soon as the row is.
class TableWriter {
 public:
  TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> columns,
              bool header = false);
  ~TableWriter();  // closes the JSON array
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  void Row(const std::vector<Cell>& fields);

 private:
  std::ostream& out_;
  OutputFormat format_;
  std::vector<std::string> columns_;
  bool first_ = true;
};

// A JSON string literal of `text`, escaped as JSON requires, and always valid UTF-8: a byte that
// is not part of a valid UTF-8 sequence (a file name in another encoding) becomes the escape
// \udcXX, XX its value, which is how Python's "surrogateescape" decodes such bytes, so a script
// gets the original bytes back with os.fsencode.
std::string JsonString(const std::string& text);

// A JSON object of the column names and the row's values, on one line.
std::string JsonObject(const std::vector<std::string>& columns, const std::vector<Cell>& fields);

}  // namespace quillmar::cli
