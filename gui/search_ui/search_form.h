#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "search_ui/search_settings.h"

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillmar::gui {

class AppContext;
class WindowServices;

// A text window open when the search form is created: its texts are offered for the search.
struct OpenTextEntry {
  std::string cdid;
  int32_t textNr;
  QString title;
};

// The search form: the query line, the collections and open texts to search, the fuzzy level,
// the further options and the search history. "Start search" validates, starts the search
// (Starter), stores the search as the newest history entry and closes with Accepted.
//
// History: index 0 is a new query, n the n-th newest stored search. Up/Page Up moves to the
// next newer entry (from 1 back to a new query), Down/Page Down to the next older one when it
// exists. The form opens on the newest entry when it was started from a history entry last
// time ("SLQ" setting); clicking the lists or the options forgets that.
class TSuchFormular : public QDialog {
  Q_OBJECT

 public:
  // `parent` is the main window; the progress dialog of a started search gets it as parent.
  TSuchFormular(AppContext& context, WindowServices& services, std::vector<OpenTextEntry> openTexts,
                QWidget* parent = nullptr);
  ~TSuchFormular() override;

  // History entry `index` (1 ... 30) or, for index <= 0, a new query: every installed
  // collection and "all" plus each open text checked, the standard options. Raises the
  // history's errors (a stored text the collection no longer holds).
  void Laden(int index);
  // Validates the lists and starts the search; false (with a message) when nothing started.
  bool SucheStarten();

  int HistorienIndex() const { return historyIndex_; }
  bool LetzteAnfrageZeigen() const { return showLastQuery_; }
  // The settings as the form holds them: options, selections of the last Laden or start.
  const search_ui::SearchSettings& Einstellungen() const { return e_; }

  // Starts a search with the complete settings; an exception keeps the form open and is shown.
  // Default: snapshot of the searched collections, progress dialog, thread set up by
  // SetUpSearch, the notice about collections without fuzzy search, Start.
  std::function<void(const search_ui::SearchSettings&)> Starter;
  // Shows the notice naming collections without fuzzy search. Default: the timed notice with
  // "&OK", closing after 8 seconds.
  std::function<void(const QString&)> Notice;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StandardStarter(const search_ui::SearchSettings& e);
  void SucheStartenButtonClick();
  void OpenWordListButtonClick();
  void CDCheckListBoxClick();
  void OpenTextsCheckListBoxClick();
  void ChangeButtonClick();
  void UpButtonClick();
  void DownButtonClick();
  // Loads history entry `index`, showing an error instead of raising; true when loaded.
  bool SwitchTo(int index);
  void ShowLists();
  void ReadLists();
  void ShowSummaries();
  void UpdateWordListHint();
  void Notify(const char* text, bool beep);

  AppContext& context_;
  WindowServices& services_;
  std::vector<OpenTextEntry> openTexts_;
  search_ui::SearchSettings e_;
  int historyIndex_ = 0;
  bool showLastQuery_ = false;
  bool loading_ = false;  // the lists are being filled: their signals are no user's doing

  QLineEdit* anfrage_;
  QPushButton* wordList_;
  QAbstractButton* up_;
  QAbstractButton* down_;
  QButtonGroup* levels_;
  QListWidget* cdListe_;
  QListWidget* textListe_;
  QGroupBox* options_;
  QLabel* textKindLabel_;
  QLabel* languageLabel_;
  QLabel* dateLabel_;
  QLabel* undLabel_;
  QPushButton* change_;
};

}  // namespace quillmar::gui
