#include "gui/search_ui/result_model.h"

#include <iterator>

#include "base/language.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

namespace {

constexpr LangText kHeaders[] = {{"Wörter", "Words"},    {"Titel", "Title"}, {"Autor", "Author"},
                                 {"Kapitel", "Chapter"}, {"Seite", "Page"},  {"Zeile", "Line"},
                                 {"Art", "Kind"},        {"Datum", "Date"}};

}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::ShowDateColumn() {
  if (dateColumn_) return;
  beginInsertColumns(QModelIndex(), kColDate, kColDate);
  dateColumn_ = true;
  endInsertColumns();
}

void ResultModel::Append(std::vector<search_ui::ResultRow>&& zeilen) {
  if (zeilen.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(zeilen.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(zeilen.begin()),
               std::make_move_iterator(zeilen.end()));
  endInsertRows();
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : (dateColumn_ ? kColDate + 1 : kColDate);
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) {
    const bool rightAligned = index.column() == kColPage || index.column() == kColLine;
    return QVariant::fromValue(Qt::AlignVCenter | (rightAligned ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole) return {};
  const search_ui::ResultRow& z = Zeile(index.row());
  switch (index.column()) {
    case kColWords:
      return Utf8(z.Worte);
    case kColTitle:
      return Utf8(z.Titel);
    case kColAuthor:
      return Utf8(z.Autor);
    case kColChapter:
      return Utf8(z.Kapitel);
    case kColPage:
      return QString::number(z.Seite);
    case kColLine:
      return QString::number(z.Zeile);
    case kColKind:
      return Utf8(z.Art);
    case kColDate:
      return Utf8(z.Datum);
    default:
      return {};
  }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return Text(kHeaders[section]);
  if (role == Qt::TextAlignmentRole && (section == kColPage || section == kColLine))
    return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
  return {};
}

}  // namespace quillmar::gui
