// The window services of the main window: opening, finding and closing text windows.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "base/bytes.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "gui/app/companion_placement.h"
#include "gui/app/main_window.h"
#include "gui/app/main_window_texts.h"
#include "gui/common/app_context.h"
#include "gui/common/text_layers.h"
#include "gui/navigation/navigation_form.h"
#include "text/link_table.h"

namespace quillmar::gui {
namespace {

constexpr int32_t kParagraphSkip = 2;  // from a paragraph start past its separator
constexpr int kPlaceLink = 100;
constexpr int kTableLinkFirst = 101;
constexpr int kTableLinkLast = 102;

bool ShowsText(const TTextChild* t, const std::string& cdid, int32_t textNr, int32_t layer) {
  return !t->FileMode() && t->Layer() == layer && t->TextNr() == textNr &&
         SameCDID(t->CDID(), cdid);
}

}  // namespace

std::vector<TTextChild*> TCalderwickForm::TextWindows() const {
  std::vector<TTextChild*> list;
  for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
    if (auto* t = qobject_cast<TTextChild*>(sub->widget())) list.push_back(t);
  return list;
}

QMdiSubWindow* TCalderwickForm::SubWindowOf(const QWidget* child) const {
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (sub->widget() == child) return sub;
  return nullptr;
}

// The last matching window in creation order.
TTextChild* TCalderwickForm::FindText(const std::string& cdid, int32_t textNr, int32_t layer,
                                      bool synopticOnly) const {
  const std::vector<TTextChild*> windows = TextWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (ShowsText(*it, cdid, textNr, layer) && (!synopticOnly || (*it)->Synoptic())) return *it;
  return nullptr;
}

void TCalderwickForm::Raise(QWidget* child) {
  QMdiSubWindow* sub = SubWindowOf(child);
  if (!sub) return;
  if (sub->isMinimized()) sub->showNormal();
  sub->show();
  mdi_->setActiveSubWindow(sub);
  sub->raise();
}

TTextChild* TCalderwickForm::NewTextWindow(const QRect* geometry) {
  auto* t = new TTextChild(context_.Catalog(), context_.Style(), this);
  connect(t, &TTextChild::PrintRequested, this, &TCalderwickForm::PrintText);
  QMdiSubWindow* sub = mdi_->addSubWindow(t);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setGeometry(geometry ? *geometry : DefaultGeometry());
  sub->show();
  return t;
}

// Two thirds of the client area, placed as PlaceNewWindow places every new window.
QRect TCalderwickForm::DefaultGeometry() const {
  constexpr int kMinWidth = 420;
  constexpr int kMinHeight = 320;
  const QRect area = mdi_->viewport()->rect();
  return NewWindowGeometry(QSize(std::max(area.width() * 2 / 3, kMinWidth),
                                 std::max(area.height() * 2 / 3, kMinHeight)));
}

// Each new window a step further down and to the right, starting again at the top left after
// eight steps; the window is shrunk and moved so that it lies inside the client area and no
// scroll bar appears.
QRect TCalderwickForm::NewWindowGeometry(QSize size) const {
  constexpr int kStep = 24;
  constexpr int kSteps = 8;
  const QRect area = mdi_->viewport()->rect();
  const int width = std::max(std::min(size.width(), area.width()), 1);
  const int height = std::max(std::min(size.height(), area.height()), 1);
  const int steps = static_cast<int>(mdi_->subWindowList().size()) % kSteps;
  const int x = std::max(0, std::min(steps * kStep, area.width() - width));
  const int y = std::max(0, std::min(steps * kStep, area.height() - height));
  return QRect(x, y, width, height);
}

// Removes a window that could not load its text, without the closing rules of a text window.
void TCalderwickForm::Discard(TTextChild* child) {
  discarding_ = child;
  if (QMdiSubWindow* sub = SubWindowOf(child)) sub->close();
  discarding_ = nullptr;
}

void TCalderwickForm::OpenReference(const std::string& cdid, int32_t textNr, int32_t paragraph,
                                    Reuse reuse) {
  Guarded([&] {
    if (!context_.Catalog().CDUsable(cdid, true)) return;
    if (reuse != Reuse::kNever) {
      if (TTextChild* t = FindText(cdid, textNr, kMainLayer, reuse == Reuse::kSynoptic)) {
        Raise(t);
        t->JumpTo(paragraph + kParagraphSkip);
        return;
      }
    }
    TTextChild* t = NewTextWindow();
    t->SetCollection(cdid);
    if (!t->OpenText(textNr, kMainLayer, reuse == Reuse::kSynoptic)) return Discard(t);
    t->ApplyViewSettings(CurrentViewSettings());
    t->JumpTo(paragraph + kParagraphSkip);
    Raise(t);
    RememberText(t);
  });
}

void TCalderwickForm::OpenTextFromReference(const std::string& cdid, int32_t textNr,
                                            int32_t paragraph) {
  OpenReference(cdid, textNr, paragraph, Reuse::kAny);
}

void TCalderwickForm::OpenTextSynoptic(const std::string& cdid, int32_t textNr, int32_t paragraph) {
  OpenReference(cdid, textNr, paragraph, Reuse::kSynoptic);
}

void TCalderwickForm::OpenTextInNewWindow(const std::string& cdid, int32_t textNr,
                                          int32_t paragraph) {
  OpenReference(cdid, textNr, paragraph, Reuse::kNever);
}

TTextChild* TCalderwickForm::OpenTextByIds(const std::string& cdid, int32_t textNr, int32_t layer,
                                           int32_t paragraph, bool newWindow) {
  TTextChild* result = nullptr;
  Guarded([&] {
    if (layer < kMainLayer || layer > kScholiaLayer) layer = kMainLayer;
    if (!context_.Catalog().CDUsable(cdid, true)) return;
    TTextChild* t = newWindow ? nullptr : FindText(cdid, textNr, layer, false);
    if (!t) {
      t = NewTextWindow();
      t->SetCollection(cdid);
      if (!t->OpenText(textNr, layer, false)) return Discard(t);
    }
    t->ApplyViewSettings(CurrentViewSettings());
    t->JumpTo(paragraph);
    Raise(t);
    RememberText(t);
    result = t;
  });
  return result;
}

void TCalderwickForm::OpenTextFile(const std::string& fileName, const QString& caption,
                                   int32_t paragraph) {
  Guarded([&] {
    TTextChild* t = NewTextWindow();
    if (!t->OpenFile(fileName, caption, paragraph + kParagraphSkip)) return Discard(t);
    t->ApplyViewSettings(CurrentViewSettings());
    Raise(t);
  });
}

void TCalderwickForm::OpenCompanion(TTextChild* from, int32_t layer, int32_t position) {
  if (!from || from->FileMode() || (layer != kFootnoteLayer && layer != kScholiaLayer)) return;
  Guarded([&] {
    QMdiSubWindow* fromSub = SubWindowOf(from);
    if (!fromSub) return;
    if (fromSub->isMinimized() || fromSub->isMaximized()) fromSub->showNormal();
    const std::string cdid = from->CDID();
    const int32_t textNr = from->TextNr();
    TTextChild* t = FindText(cdid, textNr, layer, false);
    if (!t) {
      std::optional<QRect> other;
      const int32_t otherLayer = layer == kFootnoteLayer ? kScholiaLayer : kFootnoteLayer;
      if (TTextChild* o = FindText(cdid, textNr, otherLayer, false))
        if (QMdiSubWindow* oSub = SubWindowOf(o); oSub && !oSub->isMinimized())
          other = oSub->geometry();
      const QRect place =
          CompanionPlacement::Place(mdi_->viewport()->rect(), fromSub->geometry(), other);
      t = NewTextWindow(&place);
      t->SetCollection(cdid);
      if (!t->OpenText(textNr, layer, false)) return Discard(t);
      t->ApplyViewSettings(CurrentViewSettings());
    }
    t->JumpTo(position + kParagraphSkip);
    Raise(t);
  });
}

void TCalderwickForm::CloseCompanions(TTextChild* closing) {
  if (closing->FileMode()) return;
  std::vector<int32_t> layers;
  if (closing->Layer() == kMainLayer) layers = {kFootnoteLayer, kScholiaLayer};
  if (closing->Layer() == kScholiaLayer) layers = {kFootnoteLayer};
  QList<QPointer<QMdiSubWindow>> companions;
  for (TTextChild* t : TextWindows()) {
    if (t == closing) continue;
    for (int32_t layer : layers)
      if (ShowsText(t, closing->CDID(), closing->TextNr(), layer))
        companions.append(SubWindowOf(t));
  }
  for (const QPointer<QMdiSubWindow>& sub : companions)
    if (sub) sub->close();
}

void TCalderwickForm::ResolveLink(TTextChild* from, int32_t type, const std::string& target) {
  Guarded([&] {
    if (type == kPlaceLink) {
      const LinkTableEntry place = LinkTable::ParsePlace(target);
      OpenTextByIds(place.cdid, place.textNr, place.layer, place.paragraph, false);
      return;
    }
    if (type < kTableLinkFirst || type > kTableLinkLast || !from) return;
    std::optional<LinkTableEntry> found;
    if (!from->FileMode() && !Trim(from->CDID()).empty()) {
      const std::string root = context_.Catalog().GetCDPath(from->CDID());
      const TCDInfo info(root);
      const std::string table = info.GetLinkTableFileName();
      if (!Trim(table).empty())
        found = LinkTable::FindInTable(JoinInside(info.DataPath(), Trim(table)),
                                       LinkTable::ParseKey(target));
    }
    if (!found) {
      context_.Prompts().ShowError(Tr(texts::kLinkUnresolved));
      return;
    }
    OpenTextByIds(found->cdid, found->textNr, found->layer, found->paragraph, false);
  });
}

void TCalderwickForm::SynchroniseOthers(TTextChild* from, int32_t line) {
  if (synchronising_ || line < 1) return;
  synchronising_ = true;
  try {
    for (TTextChild* t : TextWindows())
      if (t != from && t->Synoptic() && t->Layer() == 1) t->FollowSync(line);
  } catch (const std::exception& e) {
    synchronising_ = false;
    context_.Prompts().ShowError(e.what());
    return;
  }
  synchronising_ = false;
}

}  // namespace quillmar::gui
