// The search services of the main window: the search form, result lists, opening hits and
// printing generated result documents.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "base/codepage.h"
#include "collection/calderwick_data.h"
#include "gui/app/main_window.h"
#include "gui/common/app_context.h"
#include "gui/common/gui_strings.h"
#include "gui/search_ui/result_form.h"
#include "gui/search_ui/search_form.h"
#include "gui/text/print_form.h"
#include "text/print_file.h"

namespace quillmar::gui {

bool TCalderwickForm::Find() {
  if (!SearchPossible()) return false;
  std::vector<OpenTextEntry> open;
  for (TTextChild* t : TextWindows()) {
    if (t->FileMode() || !t->HasText()) continue;
    const QMdiSubWindow* sub = SubWindowOf(t);
    open.push_back({t->CDID(), t->TextNr(), sub ? sub->windowTitle() : t->windowTitle()});
  }
  TSuchFormular form(context_, *this, std::move(open), this);
  lastSearchResult_ = form.exec() == QDialog::Accepted ? 1 : 2;
  return lastSearchResult_ == 1;
}

TSuchResultForm* TCalderwickForm::CreateResultList() {
  auto* list = new TSuchResultForm(context_, *this, this);
  QMdiSubWindow* sub = mdi_->addSubWindow(list);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setGeometry(NewWindowGeometry(list->size()));
  // F3 and Shift+F3 follow whether any result list exists.
  connect(sub, &QObject::destroyed, this, [this] {
    if (!closing_) UpdateFindMenu();
  });
  UpdateFindMenu();
  return list;
}

TSuchResultForm* TCalderwickForm::ResultList() const {
  const QList<QMdiSubWindow*> children = mdi_->subWindowList(QMdiArea::CreationOrder);
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    if (auto* list = qobject_cast<TSuchResultForm*>((*it)->widget())) return list;
  return nullptr;
}

TSuchResultForm* TCalderwickForm::ActiveResultList() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  return sub ? qobject_cast<TSuchResultForm*>(sub->widget()) : nullptr;
}

void TCalderwickForm::NextHit() {
  if (TSuchResultForm* list = ResultList()) list->NextHit();
}

void TCalderwickForm::PreviousHit() {
  if (TSuchResultForm* list = ResultList()) list->PreviousHit();
}

// The last window that shows hits is reused, so stepping through a result list keeps one
// window; otherwise a new one opens.
void TCalderwickForm::OpenResultPosition(const retrieval::TFundPosition& hit) {
  Guarded([&] {
    if (!context_.Catalog().CDUsable(hit.CD.Str(), true)) return;
    TTextChild* target = nullptr;
    for (TTextChild* t : TextWindows())
      if (t->HasHitMarking()) target = t;
    const bool fresh = target == nullptr;
    if (fresh) {
      target = NewTextWindow();
      target->ApplyViewSettings(CurrentViewSettings());
    }
    target->ShowHit(hit);
    if (fresh && !target->HasText()) return Discard(target);
    Raise(target);
  });
}

void TCalderwickForm::PrintFile(const std::string& fileName, const QString& title) {
  Guarded([&] {
    TPrintTextForm::Run(context_, std::make_unique<TPPFFile>(fileName, ToCp1252(title)), 0, 0, 0,
                        true, this, this);
  });
}

void TCalderwickForm::Print() {
  if (TSuchResultForm* list = ActiveResultList()) return list->Print();
  if (TTextChild* t = ActiveTextWindow(); t && t->HasText()) PrintText(t);
}

// The print dialog for a text window's marked range: a generated file by its name and caption,
// a collection text by collection, layer and text number.
void TCalderwickForm::PrintText(TTextChild* t) {
  Guarded([&] {
    std::unique_ptr<TPPFFile> file;
    if (t->FileMode())
      file = std::make_unique<TPPFFile>(t->FileName(), ToCp1252(t->windowTitle()));
    else
      file = std::make_unique<TPPFFile>(context_.Catalog(), t->CDID(), t->Layer(), t->TextNr());
    TPrintTextForm::Run(context_, std::move(file), t->MarkedFrom(), t->MarkedTo(),
                        t->LeftBorderPercent(), false, this, this);
  });
}

}  // namespace quillmar::gui
