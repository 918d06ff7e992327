#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gui/common/window_services.h"

namespace quillmar {
class TCalderwickData;
class TBookmark;
class TPlugInManager;
class PlugInPrompts;
class ProgramLauncher;
struct TBookmarkRecord;
}  // namespace quillmar

namespace quillmar::gui {

class TInternetPage;

// The permanent navigation window: the content tree of all collections, the bookmarks with
// their notes, the publisher's online offers (TInternetPage) and the multimedia entries of the
// collections. Closing it only minimises it.
//
// Every change of the bookmarks reaches the disk at once; an edited note shortly after the last
// keystroke, when another bookmark is chosen and when the note field loses the focus.
//
// Errors go to the catalog's UserPrompts, OK/Cancel questions to SetQuestion's function.
class TNavigationForm : public QWidget {
  Q_OBJECT

 public:
  // What the multimedia page runs its entries with: the plug-in manager, the prompts that
  // confirm a program entry, and the launcher that starts it.
  struct MediaParts {
    TPlugInManager& plugins;
    PlugInPrompts& prompts;
    ProgramLauncher& launcher;
  };

  // Without `media` the multimedia page lists the collections only.
  TNavigationForm(TCalderwickData& catalog, TBookmark& bookmarks, WindowServices* services,
                  QWidget* parent = nullptr, const MediaParts* media = nullptr);
  ~TNavigationForm() override;  // stores the window size and the current note

  // Rebuilds the content tree from a fresh scan of the collections, the multimedia tree and the
  // Internet page's list (from the stored list file).
  void Refresh();
  // Sets every caption for the current interface language.
  void SetCaptions();
  // Stores a new bookmark, shows it selected on the bookmark page and comes to the front.
  void AddBookmark(const TBookmarkRecord& record);
  // Ends a running download of the Internet page (the main window closes).
  void CancelTransfer();
  TInternetPage* InternetPage() const;

  // Asks an OK/Cancel question (the delete confirmation, the offer to install a newer reader);
  // `accept` is the caption of the OK button. True for OK. By default a warning box; tests set
  // their own (an empty function restores the box). Process-wide, since the form asks already
  // while it is being created.
  using ConfirmFunction = std::function<bool(const QString& text, const QString& accept)>;
  static void SetQuestion(ConfirmFunction question);

  // The size chosen at creation from the stored "NavWinSize".
  QSize sizeHint() const override;

 protected:
  // Inside the main window's QMdiSubWindow a close only minimises the window.
  void closeEvent(QCloseEvent* event) override;
  // Leaving the note field writes its note.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace quillmar::gui
