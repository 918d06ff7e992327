#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "gui/common/window_services.h"

namespace quillmar {
class TAbsaetze;
class TCalderwickData;
class TextStyle;
struct TPositionRecord;
namespace retrieval {
struct TFundPosition;
}
}  // namespace quillmar

namespace quillmar::gui {

class TGeheZuSeiteForm;

// The layout settings every text window takes from the settings store.
struct ViewSettings {
  bool justified = true;      // "Blocksatz"
  int32_t lineSpacing = 5;    // "LineSpacing": line spacing factor
  int32_t borderWidth = 60;   // "BorderWidth": margin column in pixels
  int32_t paraBlank = 3;      // "ParaBlank": paragraph indent in blanks
  bool unicodeGreek = false;  // Greek shown in Unicode
};

// The window in which a text is read: one layer of one text of a collection, or a stream file
// opened by name (file mode). It lives inside a QMdiSubWindow of the main window.
class TTextChild : public QWidget {
  Q_OBJECT

 public:
  // services may be null (no main window: links and companion requests are ignored).
  TTextChild(TCalderwickData& catalog, TextStyle& style, WindowServices* services,
             QWidget* parent = nullptr);
  ~TTextChild() override;

  // Raises InternalError "TC-SID-001" for a collection that is not catalogued.
  void SetCollection(const std::string& cdid);
  // Layer 1 main text, 2 footnotes, 3 scholia/remarks. False when the window gave up (the text
  // file is missing and the user cancelled the not-found dialog).
  bool OpenText(int32_t textNr, int32_t layer, bool synchronise);
  bool OpenFile(const std::string& fileName, const QString& caption, int32_t position);
  void GoToPosition(int32_t position);
  // Goes to a position as a jump the user can come back from: the place shown before and the
  // place reached are both remembered in the history, so back returns to where the user was and
  // next to where he went.
  void JumpTo(int32_t position);
  void ApplyViewSettings(const ViewSettings& settings);  // and lays the text out again
  // The context menu, the status bar captions and the title in the current language.
  void SetCaptions();

  const std::string& CDID() const;
  int32_t TextNr() const;
  int32_t Layer() const;  // -1 in file mode
  bool FileMode() const;
  // The stream file shown (a generated file in file mode), empty without one.
  const std::string& FileName() const;
  bool HasText() const;
  bool Synoptic() const;
  QString Title() const;
  // The selection's from and to text positions (what a print range takes), 0 when nothing is
  // marked.
  int32_t MarkedFrom() const;
  int32_t MarkedTo() const;
  bool HasSelection() const;

  void Copy();
  void MarkParagraph();
  bool Export(const QString& fileName);  // false when the file cannot be written
  QString BookmarkCaption() const;
  void GoToPage();  // runs the go-to-page dialog

  void RememberPosition();
  void Back();
  void Next();
  bool CanGoBack() const;
  bool CanGoNext() const;

  void SetScrollBarVisible(bool visible);
  // Follows another window in synchronise mode: goes to the place of this text that corresponds
  // to the synchronisation target. Nothing happens outside synchronise mode or without points.
  void FollowSync(int32_t target);

  // Opens the hit's text in the layer of its text part, marks the hit (replacing any earlier
  // hit marking) and goes to the hit's first position, remembering the place before and the hit
  // in the history. The collection must be catalogued.
  void ShowHit(const retrieval::TFundPosition& hit);
  // True once the window has shown a hit, also while back or next show another text, where the
  // hit is not marked.
  bool HasHitMarking() const;
  // Goes to the page (arabic or roman numerals) of the current layer; false, after telling the
  // user, when the text has no such page. Nothing in file mode.
  bool GoToPage(const QString& pageText);
  // Turns synchronise mode on and asks the main window to synchronise the other windows.
  void Synchronise();
  // Lays the text out again for the window's size and the text style (after the main window
  // stopped moving or resizing, or the fonts changed).
  void Relayout();

  int32_t CurrentPosition() const;    // the document's current position, -1 when empty
  int32_t FileLength() const;         // of the stream file, 0 without one
  int32_t LeftBorder() const;         // pixels; 2 means no margin column
  int32_t LeftBorderPercent() const;  // left border x 100 / client width, 0 when unset
  // The loaded part of the text (for printing, tables and tests).
  const TAbsaetze& Document() const;
  // The image the text is drawn into, in device pixels at the screen's device pixel ratio.
  const QImage& TextImage() const;

  // The dialog GoToPage() runs; not owned. Without one each call makes its own.
  static void SetGoToPageDialog(TGeheZuSeiteForm* dialog);

 signals:
  // The user chose Print in the context menu.
  void PrintRequested(TTextChild* window);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowEntry(const TPositionRecord& entry);  // a place of the history

  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace quillmar::gui
