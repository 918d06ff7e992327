#include "text/simple_table.h"

#include <algorithm>

#include "base/errors.h"
#include "text/stream_codes.h"

namespace quillmar {

using namespace stream;

namespace {

bool IsMarkupCode(char c) { return c >= kTableStart && c <= kRowStart; }

}  // namespace

TSimpleTable::TSimpleTable(std::string_view markup) : source_(markup) {
  const std::string_view s = source_;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != kEscape) {
      ++i;  // plain bytes between markup codes are not part of any cell
      continue;
    }
    if (i + 1 >= s.size() || !IsMarkupCode(s[i + 1])) RaiseInternalError("ST-SD 1");
    const char code = s[i + 1];
    i += 2;
    if (code == kTitleStart) {
      title_.clear();
      while (true) {
        if (i + 1 >= s.size()) RaiseInternalError("ST-SD 2");
        if (s[i] == kEscape && s[i + 1] == kTitleEnd) break;
        if (s[i] == kEscape && s[i + 1] == kTitleStart) {
          i += 2;
        } else if (s[i] == kEscape) {
          title_.append(s.substr(i, 2));
          i += 2;
        } else {
          title_ += s[i++];
        }
      }
      i += 2;
    } else if (code == kRowStart) {
      cells_.emplace_back();
    } else if (code == kCellStart) {
      if (cells_.empty()) cells_.emplace_back();
      const size_t begin = i;
      while (i < s.size() && !(s[i] == kEscape && i + 1 < s.size() && IsMarkupCode(s[i + 1])))
        i += (s[i] == kEscape) ? 2 : 1;
      i = std::min(i, s.size());
      cells_.back().emplace_back(s.substr(begin, i - begin));
    }
    // "<" and a stray ">" only mark places.
  }
  // Short rows are not padded: a damaged table of many rows and one very long row would
  // otherwise need rows x columns strings. Cell() answers the missing cells as empty.
  for (const auto& row : cells_) columns_ = std::max(columns_, static_cast<int>(row.size()));
}

const std::string& TSimpleTable::Cell(int row, int column) const {
  if (row < 1 || row > RowCount()) RaiseInternalError("ST-GI 1");
  if (column < 1 || column > columns_) RaiseInternalError("ST-GI 2");
  static const std::string kEmpty;
  const std::vector<std::string>& cells = cells_[static_cast<size_t>(row - 1)];
  const auto index = static_cast<size_t>(column - 1);
  return index < cells.size() ? cells[index] : kEmpty;
}

size_t TSimpleTable::TableStart(std::string_view paragraph) {
  for (size_t k = 0; k < 5 && k + 1 < paragraph.size(); ++k)
    if (paragraph[k] == kEscape && paragraph[k + 1] == kTableStart) return k;
  return std::string_view::npos;
}

std::string TSimpleTable::LinkText(std::string_view title) {
  std::string out{kEscape, kTableLink, '0', kEscape, kTerminator};
  out.append(title);
  out += kEscape;
  out += kTerminator;
  return out;
}

}  // namespace quillmar
