#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/common/window_services.h"
#include "gui/text/text_child.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QTimer;
class QToolBar;

namespace quillmar::gui {

class AppContext;
class TGeheZuSeiteForm;
class HelpWindow;
class TNavigationForm;
class TSuchResultForm;

// The reader's main window: menus, tool bar and a multiple-document area that owns every
// reading window (the permanent navigation window and the text windows). Other windows never
// create reading windows themselves; they call the window services below.
class TCalderwickForm : public QMainWindow, public WindowServices {
  Q_OBJECT

 public:
  static constexpr int kWindowSlots = 9;

  // `context` outlives the window. Captions follow the current language; the tool bar, the
  // text-style table and the option keys' "Application" value are set from and in the settings.
  explicit TCalderwickForm(AppContext& context, QWidget* parent = nullptr);
  ~TCalderwickForm() override;

  // Creates the navigation window (once) as an MDI child; it lives as long as the main window
  // and closing it only minimises it.
  TNavigationForm* CreateNavigation();
  TNavigationForm* Navigation() const { return navigation_; }
  // The session: SaveSession stores the open text windows (collection, text, layer, position,
  // place) in the settings, RestoreSession opens them again (once the collections are known),
  // leaving out those whose collection is not available. Closing the main window saves it.
  void SaveSession();
  void RestoreSession();
  QMdiArea* MdiArea() const { return mdi_; }

  // Every caption and hint for the current language, also those of the navigation window, the
  // go-to-page dialog, the help window, the text windows and the result lists.
  void SetCaptions();

  // The window list: child i (creation order) in slot i, at most nine; the rest empty.
  void RebuildWindowList();
  std::vector<QMdiSubWindow*> WindowList() const;

  // Text windows in creation order.
  std::vector<TTextChild*> TextWindows() const;
  TTextChild* ActiveTextWindow() const;

  // View commands. Font steps change "FontSize", margin steps "BorderWidth"; each re-applies
  // the view settings to all text windows when it changed anything.
  void FontBigger();
  void FontSmaller();
  void MarginWider();
  void MarginNarrower();
  void ToggleToolBar();
  // The settings command: the settings dialog, and after OK ApplySettings.
  void ShowSettings();
  // Puts stored settings into effect: the captions of every window after a language change, the
  // text-style table and the view settings of every text window.
  void ApplySettings(bool languageChanged);
  // The layout settings of text windows as the settings store holds them now.
  ViewSettings CurrentViewSettings() const;
  void ApplyViewSettingsToAll();

  // Window commands. The navigation window is minimised before arranging and never closed.
  void ShowNavigation();
  void CloseActive();
  void CloseAll();
  void Cascade();
  void TileVertically();    // side by side
  void TileHorizontally();  // one above the other

  // Registers a collection directory in the settings and refreshes the content tree. False
  // (after the catalog's message) when the directory holds no collection.
  bool AddCollectionDirectory(const std::string& directory);
  // The search command's check: with no collection available it shows "There is no CD
  // available." and returns false.
  bool SearchPossible();

  // Search and printing. The newest result list (F3 and Shift+F3 step through it), the active
  // one, and the print command (the active result list or text window).
  TSuchResultForm* ResultList() const;
  TSuchResultForm* ActiveResultList() const;
  void Print();
  void PrintText(TTextChild* window);
  // 1 when the last search form was left with "Start search", 2 when it was cancelled.
  int LastSearchResult() const { return lastSearchResult_; }

  // WindowServices.
  void OpenTextFromReference(const std::string& cdid, int32_t textNr, int32_t paragraph) override;
  void OpenTextSynoptic(const std::string& cdid, int32_t textNr, int32_t paragraph) override;
  void OpenTextInNewWindow(const std::string& cdid, int32_t textNr, int32_t paragraph) override;
  TTextChild* OpenTextByIds(const std::string& cdid, int32_t textNr, int32_t layer,
                            int32_t paragraph, bool newWindow) override;
  void OpenTextFile(const std::string& fileName, const QString& caption,
                    int32_t paragraph) override;
  void OpenCompanion(TTextChild* from, int32_t layer, int32_t position) override;
  void ResolveLink(TTextChild* from, int32_t type, const std::string& target) override;
  // A picture window per link key (an open one is brought to the front); a table window.
  void OpenPicture(TTextChild* from, const std::string& file, const QString& caption) override;
  void OpenTable(TTextChild* from, int32_t position) override;
  void NewBookmark(TTextChild* from) override;
  void TextWindowClosed(TTextChild* window) override;
  // Every other main-text window in synchronise mode follows to the target.
  void SynchroniseOthers(TTextChild* from, int32_t line) override;
  bool MovingOrResizing() const override { return moving_; }
  CrossReferenceLinks* CrossReferences() override;
  void ShowHelp(const QString& topic) override;
  bool Find() override;
  TSuchResultForm* CreateResultList() override;
  void OpenResultPosition(const retrieval::TFundPosition& hit) override;
  void PrintFile(const std::string& fileName, const QString& title) override;
  void NextHit() override;
  void PreviousHit() override;
  void ChangeFontSize(int steps) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  struct Actions;
  enum class Reuse { kAny, kSynoptic, kNever };

  void BuildMenus();
  // The steps of BuildMenus, one or two menus of the bar each.
  void BuildFileAndEditMenus(QMenuBar* bar);
  void BuildFindAndViewMenus(QMenuBar* bar);
  void BuildExtrasWindowAndHelpMenus(QMenuBar* bar);
  // Sets the font size or the margin width one step from the current one (the step answers no
  // font size at the end of the range) and applies it to every text window.
  void StepFontSize(std::optional<int> (*step)(int font3Size));
  void StepMargin(int32_t (*step)(int32_t width));
  void BuildToolBar();
  void UpdateEditMenu();
  void UpdateFileMenu();
  void UpdateFindMenu();
  void UpdateViewMenu();
  void UpdateExtrasMenu();
  // The File menu's recently opened texts, newest first; RememberText puts a text at the top.
  void UpdateRecentMenu();
  void RememberText(TTextChild* t);
  void ActivateSlot(int slot);

  // Opens a layer-1 window at paragraph + 2 (content tree requests).
  void OpenReference(const std::string& cdid, int32_t textNr, int32_t paragraph, Reuse reuse);
  // A new text window in a sub-window of the MDI area, shown; null sub-window on failure.
  TTextChild* NewTextWindow(const QRect* geometry = nullptr);
  QRect DefaultGeometry() const;
  QRect NewWindowGeometry(QSize size) const;
  TTextChild* FindText(const std::string& cdid, int32_t textNr, int32_t layer,
                       bool synopticOnly) const;
  // Brings a sub-window up: restored when minimised, then activated.
  void Raise(QWidget* child);
  void Discard(TTextChild* child);
  QMdiSubWindow* SubWindowOf(const QWidget* child) const;
  void CloseCompanions(TTextChild* closing);
  void OpenLinkFileTarget(bool bibliography);
  void SaveAs();
  void CopyText();
  void ShowAbout();
  void ShowModules();
  void AddCollection();
  void HelpForActive();
  void EndOfMove();
  void Tile(Qt::Orientation orientation);
  // Runs `action`; an exception it raises is shown in an error box.
  void Guarded(const std::function<void()>& action);

  AppContext& context_;
  QMdiArea* mdi_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* recent_ = nullptr;
  TNavigationForm* navigation_ = nullptr;
  TGeheZuSeiteForm* goToPage_ = nullptr;
  QPointer<QMdiSubWindow> navigationSub_;
  std::unique_ptr<Actions> a_;
  std::array<QPointer<QMdiSubWindow>, kWindowSlots> slots_;
  QPointer<HelpWindow> help_;
  QTimer* moveTimer_ = nullptr;
  bool synchronising_ = false;  // followers moving must not start another round
  bool moving_ = false;
  bool closing_ = false;
  int lastSearchResult_ = 1;
  TTextChild* discarding_ = nullptr;  // a new window that could not load its text
};

}  // namespace quillmar::gui
