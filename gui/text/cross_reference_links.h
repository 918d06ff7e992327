#pragma once

#include <QPointer>
#include <QWidget>

#include "text/davur_ured.h"

namespace quillmar {
class TCalderwickData;
}

namespace quillmar::gui {

class TTextChild;

// The reader's one cross-reference service: the lookup files of all collections (rebuilt by the
// navigation window at every refresh) and the hooks text windows call while the user moves the
// mouse or holds Ctrl. Everything is inactive while the setting "smrtlnk2" is off.
//
// The main window and the window being served are held weakly: a window that closes is
// forgotten, and one destroyed without closing leaves a null pointer, never a dangling one.
class CrossReferenceLinks {
 public:
  explicit CrossReferenceLinks(TCalderwickData& catalog) : catalog_(catalog) {}

  bool Active() const;
  TDavurUredInterface& Lookups() { return core_; }
  // Reads the lookup files every catalogued collection lists.
  void Rebuild() { core_.Rebuild(catalog_); }

  void SetMainWindow(QWidget* window) { main_ = window; }
  QWidget* MainWindow() const { return main_; }
  void SetTextWindow(TTextChild* window);
  TTextChild* TextWindow() const;
  // A closing window: when it is the one being served, nothing is served any more.
  void Forget(const TTextChild* window);

  // The hooks of TTextChild (they return whether the document must be drawn again).
  bool LinkCurrentParagraph(TTextChild* window, TAbsaetze& doc, const TWortListRecord* word,
                            const std::string& cdid, CrossReferenceMemory& memory);
  bool LinkAllParagraphs(TTextChild* window, TAbsaetze& doc, const std::string& cdid);

 private:
  TCalderwickData& catalog_;
  TDavurUredInterface core_;
  QPointer<QWidget> main_;
  QPointer<QWidget> window_;
};

}  // namespace quillmar::gui
