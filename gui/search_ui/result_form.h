#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "retrieval/hit_list.h"
#include "retrieval/search_catalog.h"

class QLabel;
class QPushButton;
class QStatusBar;
class QTreeView;

namespace quillmar::gui {

class AppContext;
class WindowServices;
class ResultModel;
class TDarstellungsthread;

// The result list of a search (the content of an MDI child): one row per hit with words, title,
// author, chapter, page, line, kind and, for a date search, the date. A display thread builds the
// rows from the hit list and posts them in batches, so the user can open the first hits while
// the rest arrive. Opening a row asks the window services to show the hit.
class TSuchResultForm : public QWidget {
  Q_OBJECT

 public:
  TSuchResultForm(AppContext& context, WindowServices& services, QWidget* parent = nullptr);
  ~TSuchResultForm() override;  // stops the display thread and frees its rows

  // Takes the hits of a finished search (with the filters they were found with) and starts
  // building the rows; `count` and `query` (as typed) make the status line, `dateSearch` adds
  // the date column. `katalog` is the search's snapshot; the list keeps it alive. Called once.
  void Fill(retrieval::TFundstellenListe&& hits,
            std::shared_ptr<const retrieval::SearchCatalog> katalog, const QString& query,
            int count, bool dateSearch);
  // Shows the list (its MDI child window when it has one).
  void Zeigen();
  // The title, the buttons, the status line and the column headers in the current language.
  void SetCaptions();

  // F3 / Shift+F3: the next / previous row, or the first one without a selection; nothing at the
  // end of the list. Opens the row.
  void NextHit();
  void PreviousHit();
  // Chooses the fields, writes "result.tmp" in the program directory and prints it.
  void Print();
  // The Open button: the selected row (the first one when none is selected).
  void OpenSelected();

  int RowCount() const;
  retrieval::TFundPosition Position(int row) const;
  // The selected row, -1 without one.
  int SelectedRow() const;
  // Rows are still to come.
  bool Filling() const;
  QString StatusText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString StatusLine() const;  // "<count> occurrence(s)  Question: <query>"
  QString Caption() const;     // "Search results - <query>"
  void OpenCurrentRow();       // opens the selected row, if any
  // Selects and opens the row `step` rows on (the first when none is selected); nothing at an end.
  void StepHit(int step);
  void SelectRow(int row);
  void NewButtonClick();
  void PanelZeigen(bool on);
  void CloseAfterSearch();

  AppContext& context_;
  WindowServices& services_;
  std::shared_ptr<const retrieval::SearchCatalog> katalog_;
  std::unique_ptr<TDarstellungsthread> thread_;
  ResultModel* model_;
  QTreeView* list_;
  QWidget* panel_;
  QPushButton* open_;
  QPushButton* new_;
  QPushButton* print_;
  QPushButton* closeButton_;
  QStatusBar* status_;
  QLabel* statusText_;
  QString query_;
  int count_ = 0;
  bool filled_ = false;  // the last batch has been appended
};

}  // namespace quillmar::gui
