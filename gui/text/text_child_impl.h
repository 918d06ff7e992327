#pragma once

// The state and the inner workings of TTextChild, shared by its two source files.

#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/datei.h"
#include "collection/text_info.h"
#include "gui/common/gui_strings.h"
#include "gui/common/text_layers.h"
#include "gui/text/text_child.h"
#include "platform/gui/qt_canvas.h"
#include "retrieval/hit_list.h"
#include "text/davur_ured.h"
#include "text/document.h"
#include "text/history.h"
#include "text/paragraph_cutter.h"

class QAction;
class QLabel;
class QMenu;
class QScrollBar;
class QStatusBar;

namespace quillmar::gui::text_child {

inline constexpr LangText kLoading{"laden...", "laden..."};
inline constexpr LangText kPage{"Seite", "Page"};
inline constexpr LangText kLine{"Zeile", "Line"};
inline constexpr LangText kFootnotes{"Fußnoten", "footnotes"};
inline constexpr LangText kScholia{"Scholien/Bemerkungen", "(historical) remarks"};
inline constexpr LangText kPicture{"Abbildung", "picture"};
inline constexpr LangText kInSync{"synchron", "synchron"};
inline constexpr LangText kOutOfSync{"nicht synchron", "not synchron"};
inline constexpr LangText kNoPage{"Die Seite existiert nicht.", "The page not exists."};
inline constexpr LangText kNoWordMarked{
    "Im entsprechenden Absatz muß wenigstens ein Wort markiert sein.",
    "At least one word of the paragraph must be marked."};

inline constexpr char kHelpTopic[] = "IDH_13000";
inline constexpr int kScrollMax = 10000;       // scroll bar range 0..kScrollMax
inline constexpr int32_t kNoMargin = 2;        // left border that draws no margin column
inline constexpr int32_t kBottomOffset = 10;   // the bottom of the scroll bar goes to length - 10
inline constexpr int32_t kEdgeBytes = 100;     // positions this close to an end pin the thumb there
inline constexpr int32_t kDefaultSpan = 200;   // page size in bytes when no word is visible
inline constexpr int kTrimCounter = 20;        // scroll counter above which the cache is trimmed
inline constexpr int kTrimParagraphs = 3;      // ... when more paragraphs than this are loaded
inline constexpr int kResizeCounter = 20;      // scroll counter growth per resize
inline constexpr int kDragScrollLimit = 1000;  // pixels below the text that still scroll a drag
inline constexpr int kWheelNotch = 120;

// Sets a flag for the lifetime of the object.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace quillmar::gui::text_child

namespace quillmar::gui {

struct TTextChild::Impl {
  // The word last clicked, as far as the bookmark caption needs it.
  struct ClickedWord {
    std::string label;
    int32_t page = 0;
  };

  Impl(TTextChild* owner, TCalderwickData& c, TextStyle& s, WindowServices* sv)
      : q(owner), catalog(c), style(s), services(sv) {}

  // Components and drawing.
  void BuildComponents();
  void BuildPanels();
  QRect TextArea() const;
  void EnsureBuffer();
  void Draw();

  // Reading and moving.
  bool TextFileReady();
  void CloseWindow();
  TAbsatzDataRecord ReadParagraph(int32_t p);
  bool AddNext();
  bool AddPrevious();
  void LoadAround(int32_t p);
  void GoTo(int32_t p, bool force);
  bool LineDownStep();
  bool LineUpStep();
  void LineDown();
  void LineUp();
  bool FilledBelowCurrentLine();
  void PageDown();
  void PageUp();
  void Moved();
  void UpdateScrollBar();
  void ScrollAction(int action);
  void ScrollTrack(int thumb);
  void ScrollEnd();
  void SyncAfterMove();

  // Settings and state.
  void UpdateTitle();  // the text's long name with the layer's name, in the current language
  void ApplyBorder();
  void ApplyDocSettings();
  void ResetSelection();
  void SetSelection(int32_t from, int32_t to);
  void Extend(const TWortListRecord* word);
  void ShowWord(const TWortListRecord* word);
  QLabel* LabelPanel() const;
  std::string SelectionBytes();
  // The selection as plain UTF-8 text, its Greek in Unicode when the window shows Unicode Greek.
  std::string SelectionText();
  // Whether the text at `position` is set in the Greek font (the last font code before it in its
  // paragraph).
  bool GreekFontAt(int32_t position);
  void FollowLink(const TWortListRecord& word, int32_t tablePosition);
  // Cross-reference links (only while "smrtlnk2" is on): the paragraph under the mouse, every
  // shown paragraph when Ctrl goes down, and the removal of them all when a key is released.
  void LinkCurrentParagraph(const TWortListRecord* word);
  void LinkAllParagraphs();
  void RemoveCrossReferenceLinks();
  bool Loaded() const { return doc->Count() > 0; }
  const TWortListRecord* WordAt(const QPoint& p) const;

  // Runs an event handler, reporting what it raises instead of letting it reach Qt.
  template <typename F>
  void Guard(F f) {
    try {
      f();
    } catch (const std::exception& e) {
      catalog.Prompts().ShowError(e.what());
    }
  }

  TTextChild* q;
  TCalderwickData& catalog;
  TextStyle& style;
  WindowServices* services;
  CrossReferenceLinks* cross_references = nullptr;  // outlives the window; null without one
  CrossReferenceMemory cross_reference_memory;      // the key this window handled last
  bool ctrl_linked = false;                         // Ctrl linked all until a key is released

  QScrollBar* scroll_bar = nullptr;
  QStatusBar* status_bar = nullptr;
  std::vector<QLabel*> panels;
  QMenu* menu = nullptr;
  QAction* back = nullptr;
  QAction* next = nullptr;
  QAction* go_to_page = nullptr;
  QAction* synchronise = nullptr;
  QAction* copy = nullptr;
  QAction* mark_paragraph = nullptr;
  QAction* print = nullptr;
  QAction* bookmark = nullptr;
  QAction* help = nullptr;

  // Declared in this order so that the document goes first, then the canvas, then the painter.
  QImage buffer;
  QPainter painter;
  std::unique_ptr<QtCanvas> canvas;
  std::unique_ptr<TAbsaetze> doc;

  TDatei stream_file;
  THistory history;
  // The hit the window was last asked to show. Its marking is drawn only while that hit's text
  // is open: back and next may show another text in the same window.
  std::optional<retrieval::TFundPosition> hit;
  std::string cdid;
  std::unique_ptr<TTextInfo> text_info;
  int32_t layer = -1;
  int32_t text_nr = 0;
  std::string text_dir;
  std::string file_name;
  QString title;
  bool file_mode = false;
  bool sync_allowed = false;
  bool sync_mode = false;
  bool synchronous = false;

  ViewSettings view;
  int32_t border = text_child::kNoMargin;
  int32_t anchor = -1;
  int32_t sel_from = -1;
  int32_t sel_to = -1;
  std::optional<ClickedWord> clicked;
  int scroll_counter = 0;
  int last_bar_position = -1;
  int last_track = -1;
  int32_t track_position = -1;
  int wheel_rest = 0;
  int zoom_rest = 0;  // Ctrl+wheel rotation short of a notch

  bool closing = false;
  bool scrolling = false;
  bool updating_bar = false;
  bool resizing = false;
  bool bar_hidden = false;
  bool syncing = false;
};

}  // namespace quillmar::gui
