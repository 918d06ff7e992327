#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// A table paragraph built from its markup:
//   0x01 "<"  table start
//   0x01 "="  title start; the title runs to 0x01 ">" (further 0x01 "=" inside are skipped)
//   0x01 ">"  title end
//   0x01 "@"  new row
//   0x01 "?"  new cell in the current row; its text runs to the next 0x01 followed by a byte
//             in "<".."@" (other codes stay in the cell text)
// A cell before the first row starts row 1. The column count is the largest number of cells in
// a row; shorter rows are filled with empty cells. Outside cells and the title, 0x01 followed by
// any byte but "<".."@" is the internal error "ST-SD 1"; a title that runs to the end of the text
// is "ST-SD 2".
class TSimpleTable {
 public:
  // `markup` starts at the table start code (bytes before it are not part of the table).
  explicit TSimpleTable(std::string_view markup);

  // Cell text, row 1..RowCount() ("ST-GI 1" otherwise), column 1..ColCount() ("ST-GI 2").
  const std::string& Cell(int row, int column) const;
  const std::string& Title() const { return title_; }
  const std::string& Source() const { return source_; }
  int RowCount() const { return static_cast<int>(cells_.size()); }
  int ColCount() const { return columns_; }

  // Offset of the table start code when one of the first five bytes of a paragraph text is
  // 0x01 followed by "<"; std::string_view::npos otherwise.
  static size_t TableStart(std::string_view paragraph);
  // The paragraph text that stands for a table: a link of kind 5 with number 0 showing the
  // title (0x01 ".0" 0x01 "d", the title, 0x01 "d").
  static std::string LinkText(std::string_view title);

 private:
  std::string source_;
  std::string title_;
  std::vector<std::vector<std::string>> cells_;
  int columns_ = 0;
};

}  // namespace quillmar
