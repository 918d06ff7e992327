#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "retrieval/search_catalog.h"
#include "retrieval/search_thread.h"

class QLabel;
class QPushButton;

namespace quillmar::gui {

class AppContext;
class WindowServices;

// The dialog shown while a search runs. It owns the search thread and, after a search with
// hits, the rows' builder until the result list takes over. The search's outcome handler runs
// on the worker; the dialog forwards it to the user-interface thread (queued call), where it
// reports a cancellation, an error or no hits, or asks the window services for a result list
// and hands the hits over. Worker threads never touch a widget.
//
// Use: create, fill Thread() (for instance with search_ui::SetUpSearch), Start(). The
// dialog deletes itself after reporting, or passes itself on to the result list.
class TSucheLauftForm : public QDialog {
  Q_OBJECT

 public:
  // `katalog` is the snapshot the search reads; the dialog keeps it alive.
  TSucheLauftForm(AppContext& context, WindowServices& services,
                  std::shared_ptr<const retrieval::SearchCatalog> katalog,
                  QWidget* parent = nullptr);
  ~TSucheLauftForm() override;  // cancels and waits for a running search

  retrieval::TSuchThread& Thread() { return *thread_; }
  // The query line as typed, for the result list's status line.
  void SetQueryText(const QString& query) { query_ = query; }
  // Shows the dialog (not modal) and starts the search.
  void Start();
  // "Search cancels, wait...", then stops the search; the outcome handler still reports.
  void Cancel();

 signals:
  // The outcome has been reported (or handed to a result list).
  void SearchFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape: cancels the search instead of hiding the dialog.
  void reject() override;

 private:
  void Completed();

  AppContext& context_;
  WindowServices& services_;
  std::shared_ptr<const retrieval::SearchCatalog> katalog_;
  std::unique_ptr<retrieval::TSuchThread> thread_;
  QString query_;
  QLabel* info_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool waiting_ = false;   // the hourglass cursor is set
  bool abbruch_ = false;   // a cancel has been requested
  bool finished_ = false;  // the outcome has been reported
};

}  // namespace quillmar::gui
