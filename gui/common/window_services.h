#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "retrieval/hit_list.h"

namespace quillmar::gui {

class CrossReferenceLinks;
class TSuchResultForm;
class TTextChild;

// What the main window does for the other windows. Text windows and the navigation window hold
// a pointer to it and never create reading windows themselves. The defaults do nothing, so a
// window can be tested without a main window; TCalderwickForm overrides every operation.
class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Content tree and bookmarks. `paragraph` is a text position; the first three go to
  // paragraph + 2 (past the paragraph separator), OpenTextByIds to the position itself.
  virtual void OpenTextFromReference(const std::string& /*cdid*/, int32_t /*textNr*/,
                                     int32_t /*paragraph*/) {}
  virtual void OpenTextSynoptic(const std::string& /*cdid*/, int32_t /*textNr*/,
                                int32_t /*paragraph*/) {}
  virtual void OpenTextInNewWindow(const std::string& /*cdid*/, int32_t /*textNr*/,
                                   int32_t /*paragraph*/) {}
  virtual TTextChild* OpenTextByIds(const std::string& /*cdid*/, int32_t /*textNr*/,
                                    int32_t /*layer*/, int32_t /*paragraph*/, bool /*newWindow*/) {
    return nullptr;
  }
  // A plain stream file (file mode), e.g. a generated result document.
  virtual void OpenTextFile(const std::string& /*fileName*/, const QString& /*caption*/,
                            int32_t /*paragraph*/) {}

  // Requests of a text window.
  // The footnote (layer 2) or scholia/remarks (layer 3) companion at `position`.
  virtual void OpenCompanion(TTextChild* /*from*/, int32_t /*layer*/, int32_t /*position*/) {}
  // A link of kind 100 (place), 101/102 (link table) from a text window.
  virtual void ResolveLink(TTextChild* /*from*/, int32_t /*type*/, const std::string& /*target*/) {}
  virtual void OpenPicture(TTextChild* /*from*/, const std::string& /*file*/,
                           const QString& /*caption*/) {}
  virtual void OpenTable(TTextChild* /*from*/, int32_t /*position*/) {}
  virtual void SynchroniseOthers(TTextChild* /*from*/, int32_t /*line*/) {}
  // F3 / Shift+F3: the newest result list steps to its next / previous hit.
  virtual void NextHit() {}
  virtual void PreviousHit() {}
  // Ctrl+wheel in a text window: the reader's font `steps` sizes bigger (negative: smaller).
  virtual void ChangeFontSize(int /*steps*/) {}

  // Search.
  // The search command: shows the search form; true when it was left with "Start search".
  virtual bool Find() { return false; }
  // A new result list window (an MDI child), not yet shown; null where there is no main window.
  virtual TSuchResultForm* CreateResultList() { return nullptr; }
  // Shows a hit in a text window (the last one showing hits, else a new one), hit words marked.
  virtual void OpenResultPosition(const retrieval::TFundPosition& /*hit*/) {}
  // Prints a generated stream file (the result document) under `title`.
  virtual void PrintFile(const std::string& /*fileName*/, const QString& /*title*/) {}
  virtual void NewBookmark(TTextChild* /*from*/) {}
  virtual void TextWindowClosed(TTextChild* /*window*/) {}
  // The cross-reference service text windows call on mouse moves and Ctrl, and the navigation
  // window rebuilds at every refresh; none without a main window. It outlives every window.
  virtual CrossReferenceLinks* CrossReferences() { return nullptr; }
  // True while the user moves or resizes the main window: text windows skip their re-layout.
  virtual bool MovingOrResizing() const { return false; }

  // Help at a topic string such as "IDH_13000"; empty for the contents.
  virtual void ShowHelp(const QString& /*topic*/) {}
};

}  // namespace quillmar::gui
