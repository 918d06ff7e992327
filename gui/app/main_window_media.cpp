// The media services of the main window: picture and table windows opened from text links.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <cstdlib>

#include "collection/calderwick_data.h"
#include "gui/app/main_window.h"
#include "gui/common/app_context.h"
#include "gui/text/picture_form.h"
#include "gui/text/table_form.h"
#include "text/document.h"
#include "text/paragraph.h"
#include "text/text_style.h"

namespace quillmar::gui {

void TCalderwickForm::OpenPicture(TTextChild* from, const std::string& file,
                                  const QString& caption) {
  Guarded([&] {
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder)) {
      auto* open = qobject_cast<TBildForm*>(sub->widget());
      if (open != nullptr && sub->isVisible() && !open->LinkKey().isEmpty() &&
          open->LinkKey() == caption) {
        Raise(open);
        return;
      }
    }
    // A text without a catalogued collection (a plain file) has no "media" directory: the
    // picture is then reported as not found.
    TCalderwickData& catalog = context_.Catalog();
    const bool known = from != nullptr && catalog.GetCDIndex(from->CDID()) >= 0;
    const std::string cdPath = known ? catalog.GetCDPath(from->CDID()) : std::string();
    auto* form = new TBildForm;
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(NewWindowGeometry({TBildForm::kDefaultWidth, TBildForm::kDefaultHeight}));
    form->Open(cdPath, file, caption);
    sub->show();
    Raise(form);
  });
}

void TCalderwickForm::OpenTable(TTextChild* from, int32_t position) {
  Guarded([&] {
    if (from == nullptr) return;
    const TAbsatz* paragraph = from->Document().ParagraphAt(position);
    if (paragraph == nullptr || paragraph->Table() == nullptr) return;
    auto* form = new TTableForm;
    form->SetFontSize(std::abs(context_.Style().Fonts(false).FontOf(3).size));
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(NewWindowGeometry({TTableForm::kDefaultWidth, TTableForm::kDefaultHeight}));
    sub->show();
    form->Show(*paragraph->Table());
    Raise(form);
  });
}

}  // namespace quillmar::gui
