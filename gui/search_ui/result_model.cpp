#include "gui/search_ui/result_model.h"

#include <iterator>

#include "base/language.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

namespace {

constexpr LangText kKoepfe[] = {{"Wörter", "Words"},    {"Titel", "Title"}, {"Autor", "Author"},
                                {"Kapitel", "Chapter"}, {"Seite", "Page"},  {"Zeile", "Line"},
                                {"Art", "Kind"},        {"Datum", "Date"}};

}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::DatumsspalteZeigen() {
  if (datum_) return;
  beginInsertColumns(QModelIndex(), kDatum, kDatum);
  datum_ = true;
  endInsertColumns();
}

void ResultModel::Anfuegen(std::vector<search_ui::ResultRow>&& zeilen) {
  if (zeilen.empty()) return;
  const int first = static_cast<int>(zeilen_.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(zeilen.size()) - 1);
  zeilen_.insert(zeilen_.end(), std::make_move_iterator(zeilen.begin()),
                 std::make_move_iterator(zeilen.end()));
  endInsertRows();
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(zeilen_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : (datum_ ? kDatum + 1 : kDatum);
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) {
    const bool rechts = index.column() == kSeite || index.column() == kZeile;
    return QVariant::fromValue(Qt::AlignVCenter | (rechts ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole) return {};
  const search_ui::ResultRow& z = Zeile(index.row());
  switch (index.column()) {
    case kWorte:
      return Utf8(z.Worte);
    case kTitel:
      return Utf8(z.Titel);
    case kAutor:
      return Utf8(z.Autor);
    case kKapitel:
      return Utf8(z.Kapitel);
    case kSeite:
      return QString::number(z.Seite);
    case kZeile:
      return QString::number(z.Zeile);
    case kArt:
      return Utf8(z.Art);
    case kDatum:
      return Utf8(z.Datum);
    default:
      return {};
  }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return Text(kKoepfe[section]);
  if (role == Qt::TextAlignmentRole && (section == kSeite || section == kZeile))
    return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
  return {};
}

}  // namespace quillmar::gui
