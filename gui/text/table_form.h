#pragma once

#include <QWidget>

class QTreeWidget;

namespace quillmar {
class TSimpleTable;
}

namespace quillmar::gui {

// A table of a text in an MDI child: a read-only report list with grid lines and full-row
// selection. Row 1 of the table gives the column headings, every further row one item; all
// columns are right-aligned. The window shrinks to fit a small table but never grows.
class TTableForm : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 696;
  static constexpr int kDefaultHeight = 480;

  explicit TTableForm(QWidget* parent = nullptr);
  ~TTableForm() override;

  // Fills the list from `table` and sets the caption to its title. Heights and widths are
  // measured with the list's font: the client height becomes (rows + 2) x 1.5 x the height of
  // "Fg" when that is smaller, the client width the sum of the column widths (each the widest
  // cell text followed by "12", plus 4) when that is smaller.
  void Show(const TSimpleTable& table);
  // The list's text in `points` points, the reader's font size; before Show, which measures it.
  void SetFontSize(int points);

  QTreeWidget* List() const { return list_; }

 private:
  // Sets the size of the form (the client area of its window), keeping the MDI sub-window
  // around it in step when there is one.
  void SetClientSize(int width, int height);

  QTreeWidget* list_ = nullptr;
};

}  // namespace quillmar::gui
