#include "gui/text/cross_reference_links.h"

#include "collection/calderwick_data.h"
#include "gui/text/text_child.h"

namespace quillmar::gui {

bool CrossReferenceLinks::Active() const { return catalog_.Settings().GetSmartLinks(); }

void CrossReferenceLinks::SetTextWindow(TTextChild* window) { window_ = window; }

TTextChild* CrossReferenceLinks::TextWindow() const {
  return static_cast<TTextChild*>(window_.data());
}

void CrossReferenceLinks::Forget(const TTextChild* window) {
  if (window_.data() == window) window_.clear();
}

bool CrossReferenceLinks::LinkCurrentParagraph(TTextChild* window, TAbsaetze& doc,
                                               const TWortListRecord* word, const std::string& cdid,
                                               CrossReferenceMemory& memory) {
  if (!Active()) return false;
  SetTextWindow(window);
  return core_.LinkParagraphOf(doc, word, cdid, memory);
}

bool CrossReferenceLinks::LinkAllParagraphs(TTextChild* window, TAbsaetze& doc,
                                            const std::string& cdid) {
  if (!Active()) return false;
  SetTextWindow(window);
  return core_.LinkShownParagraphs(doc, cdid);
}

}  // namespace quillmar::gui
