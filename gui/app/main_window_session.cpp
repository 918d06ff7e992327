// The main window's session: the text windows that come back at the next start and the File
// menu's list of recently opened texts, both kept in the settings store (SessionStore).
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/session_store.h"
#include "gui/app/main_window.h"
#include "gui/common/app_context.h"
#include "gui/common/gui_strings.h"
#include "gui/common/text_layers.h"

namespace quillmar::gui {
namespace {

constexpr LangText kRecentMenu{"&Zuletzt geöffnet", "&Recently opened"};

}  // namespace

void TCalderwickForm::SaveSession() {
  std::vector<SessionWindow> windows;
  for (TTextChild* t : TextWindows()) {
    if (!t->HasText() || t->FileMode()) continue;
    const QMdiSubWindow* sub = SubWindowOf(t);
    if (!sub) continue;
    // A minimised or maximised window comes back in its normal place.
    const QRect place =
        sub->isMinimized() || sub->isMaximized() ? sub->normalGeometry() : sub->geometry();
    windows.push_back({t->CDID(),
                       t->TextNr(),
                       t->Layer(),
                       t->CurrentPosition(),
                       {place.x(), place.y(), place.width(), place.height()}});
  }
  Guarded([&] { SessionStore(context_.Catalog().Reg()).WriteWindows(windows); });
}

void TCalderwickForm::RestoreSession() {
  std::vector<SessionWindow> windows;
  Guarded([&] { windows = SessionStore(context_.Catalog().Reg()).ReadWindows(); });
  TTextChild* last = nullptr;
  for (const SessionWindow& w : windows) {
    Guarded([&] {
      // Without asking for a medium: a collection that is gone is simply left out, and so is
      // a damaged one, which the navigation window has reported already.
      if (w.Layer < kMainLayer || w.Layer > kScholiaLayer ||
          context_.Catalog().GetCDIndex(w.CDID) < 0 || !context_.Catalog().CDUsable(w.CDID, false))
        return;
      QRect place(w.Geometry[0], w.Geometry[1], w.Geometry[2], w.Geometry[3]);
      if (place.width() < 1 || place.height() < 1) place = DefaultGeometry();
      TTextChild* t = NewTextWindow(&place);
      t->SetCollection(w.CDID);
      if (!t->OpenText(w.TextNr, w.Layer, false)) return Discard(t);
      t->ApplyViewSettings(CurrentViewSettings());
      t->GoToPosition(w.Position);
      last = t;
    });
  }
  if (last) Raise(last);
}

void TCalderwickForm::RememberText(TTextChild* t) {
  if (!t || !t->HasText() || t->FileMode()) return;
  Guarded([&] {
    SessionStore(context_.Catalog().Reg())
        .AddRecent(
            {t->CDID(), t->TextNr(), t->Layer(), t->CurrentPosition(), t->Title().toStdString()});
  });
}

void TCalderwickForm::UpdateRecentMenu() {
  recent_->setTitle(Text(kRecentMenu));
  recent_->clear();
  std::vector<RecentText> texts;
  Guarded([&] { texts = SessionStore(context_.Catalog().Reg()).ReadRecent(); });
  int n = 0;
  for (const RecentText& r : texts) {
    QString caption = Utf8(r.Title);
    if (caption.isEmpty()) caption = QString::fromStdString(r.CDID);
    caption.replace('&', QStringLiteral("&&"));
    QAction* item = recent_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(caption));
    connect(item, &QAction::triggered, this,
            [this, r] { OpenTextByIds(r.CDID, r.TextNr, r.Layer, r.Position, false); });
  }
  recent_->setEnabled(!texts.empty());
}

}  // namespace quillmar::gui
