#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "search_ui/result_rows.h"

namespace quillmar::gui {

// The rows of a result list: words, title, author, chapter, page, line, kind and, for a date
// search, the date. Rows are appended in batches and never change afterwards.
class ResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kColWords,
    kColTitle,
    kColAuthor,
    kColChapter,
    kColPage,
    kColLine,
    kColKind,
    kColDate
  };

  explicit ResultModel(QObject* parent = nullptr);

  // Adds the date column (before any row arrives).
  void ShowDateColumn();
  bool HasDateColumn() const { return dateColumn_; }
  void Append(std::vector<search_ui::ResultRow>&& zeilen);
  const search_ui::ResultRow& Zeile(int row) const { return rows_[static_cast<size_t>(row)]; }
  const std::vector<search_ui::ResultRow>& Zeilen() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<search_ui::ResultRow> rows_;
  bool dateColumn_ = false;
};

}  // namespace quillmar::gui
