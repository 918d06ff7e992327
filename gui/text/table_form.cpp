#include "gui/text/table_form.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "base/bytes.h"
#include "base/codepage.h"
#include "gui/common/gui_strings.h"
#include "text/plain_text.h"
#include "text/simple_table.h"

namespace quillmar::gui {
namespace {

constexpr double kRowHeightFactor = 1.5;  // a list row is about 1.5 text heights
constexpr int kExtraRows = 2;             // room for the heading row and the frame
constexpr int kColumnPadding = 4;         // added to each column width in the sum
constexpr char kHeightSample[] = "Fg";
constexpr char kWidthSuffix[] = "12";

// Cell and title bytes as shown: stream codes removed, Windows-1252 to Unicode.
QString Shown(const std::string& bytes) { return FromCp1252(Trim(PlainText(bytes))); }

}  // namespace

TTableForm::TTableForm(QWidget* parent) : QWidget(parent) {
  resize(kDefaultWidth, kDefaultHeight);
  list_ = new QTreeWidget(this);
  list_->setObjectName("TabListView");
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionsMovable(false);
  // Grid lines: every cell draws its right and bottom edge.
  list_->setStyleSheet(
      "QTreeView::item { border: 1px solid palette(midlight); border-top: none; "
      "border-left: none; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
}

TTableForm::~TTableForm() = default;

void TTableForm::SetFontSize(int points) {
  if (points < 1) return;
  QFont font = list_->font();
  font.setPointSize(points);
  list_->setFont(font);
}

void TTableForm::Show(const TSimpleTable& table) {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  QWidget* frame = sub != nullptr ? static_cast<QWidget*>(sub) : this;
  if (frame->isMaximized() || frame->isMinimized()) frame->showNormal();
  const QFontMetrics metrics(list_->font());

  const int rows = table.RowCount();
  const int columns = table.ColCount();
  const int textHeight = metrics.size(Qt::TextSingleLine, kHeightSample).height();
  const double wanted = (rows + kExtraRows) * kRowHeightFactor * textHeight;
  if (wanted < height()) SetClientSize(width(), static_cast<int>(std::lround(wanted)));

  setWindowTitle(Shown(table.Title()));

  list_->clear();
  list_->setColumnCount(columns);
  std::vector<QString> cells(static_cast<size_t>(rows) * static_cast<size_t>(columns));
  auto cell = [&](int r, int c) -> QString& {
    return cells[static_cast<size_t>(r - 1) * static_cast<size_t>(columns) +
                 static_cast<size_t>(c - 1)];
  };
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) cell(r, c) = Shown(table.Cell(r, c));

  auto* heading = new QTreeWidgetItem;
  std::vector<int> widths(static_cast<size_t>(columns), 0);
  int sum = 0;
  for (int c = 1; c <= columns; ++c) {
    int& width = widths[static_cast<size_t>(c - 1)];
    for (int r = 1; r <= rows; ++r)
      width = std::max(width, metrics.horizontalAdvance(cell(r, c) + kWidthSuffix));
    heading->setText(c - 1, cell(1, c));
    heading->setTextAlignment(c - 1, Qt::AlignRight | Qt::AlignVCenter);
    sum += width + kColumnPadding;
  }
  list_->setHeaderItem(heading);
  for (int c = 0; c < columns; ++c) list_->setColumnWidth(c, widths[static_cast<size_t>(c)]);

  QList<QTreeWidgetItem*> items;
  for (int r = 2; r <= rows; ++r) {
    auto* item = new QTreeWidgetItem;
    for (int c = 1; c <= columns; ++c) {
      item->setText(c - 1, cell(r, c));
      item->setTextAlignment(c - 1, Qt::AlignRight | Qt::AlignVCenter);
    }
    items.append(item);
  }
  list_->addTopLevelItems(items);

  // A table without columns leaves the width alone rather than collapse the window.
  if (sum > 0 && width() > sum) SetClientSize(sum, height());
}

void TTableForm::SetClientSize(int width, int height) {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (sub == nullptr) {
    resize(width, height);
    return;
  }
  sub->resize(sub->width() + width - this->width(), sub->height() + height - this->height());
}

}  // namespace quillmar::gui
