#include "gui/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/bookmark.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "gui/app/app_icons.h"
#include "gui/app/companion_placement.h"
#include "gui/app/help_window.h"
#include "gui/app/main_window_texts.h"
#include "gui/app/view_steps.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/gui_strings.h"
#include "gui/navigation/navigation_form.h"
#include "gui/options/options_form.h"
#include "gui/plugins/module_view_form.h"
#include "gui/search_ui/result_form.h"
#include "gui/text/cross_reference_links.h"
#include "gui/text/goto_page_dialog.h"
#include "gui/text/picture_form.h"
#include "text/link_file.h"
#include "text/link_table.h"
#include "text/text_style.h"

namespace quillmar::gui {
namespace {

constexpr int kInitialWidth = 620;
constexpr int kInitialHeight = 470;
constexpr int kMoveSettleMs = 300;  // a move or resize counts as ended after this pause
constexpr char kFirstOstrabelCD[] = "KRVT0001";
constexpr char kSecondOstrabelCD[] = "KRVT0002";
constexpr char kTopicText[] = "IDH_13000";
constexpr char kTopicContent[] = "IDH_02000";

QString Hint(const LangText& text) { return Text(text).remove('&').remove("..."); }

// A menu item that runs `slot` on `receiver`; its caption is set with the others.
template <typename Slot>
QAction* AddItem(QMenu* menu, QObject* receiver, Slot slot, const QKeySequence& key = {}) {
  QAction* action = menu->addAction(QString());
  if (!key.isEmpty()) action->setShortcut(key);
  QObject::connect(action, &QAction::triggered, receiver, slot);
  return action;
}

// The platform's keys for a standard command (Ctrl+Q for Quit on Linux, Cmd+Q on macOS). Close
// needs none: every sub-window takes the platform's Close keys itself.
void SetStandardKeys(QAction* action, QKeySequence::StandardKey key) { action->setShortcuts(key); }

}  // namespace

struct TCalderwickForm::Actions {
  QMenu *file, *edit, *find, *view, *font, *margin, *extras, *window, *help;
  QAction *navigation, *close, *closeAll, *print, *addCollection, *refresh, *exit;
  QAction *copy, *markParagraph, *selectAll, *saveAs, *bookmark;
  QAction *search, *nextHit, *previousHit, *goToPage;
  QAction *back, *forward, *bigger, *smaller, *wider, *narrower, *toolBar, *settings;
  QAction *bibliography, *ostrabel;
  QAction *cascade, *tileVertically, *tileHorizontally;
  std::array<QAction*, kWindowSlots> windowItems;
  QAction *helpContents, *modules, *about;
  // Tool buttons with hints of their own.
  QAction *tbNavigation, *tbSearch, *tbPrint, *tbBack, *tbForward, *tbBigger, *tbSmaller,
      *tbNarrower, *tbWider;
};

TCalderwickForm::TCalderwickForm(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), a_(std::make_unique<Actions>()) {
  move(0, 0);
  resize(kInitialWidth, kInitialHeight);
  setWindowState(Qt::WindowMaximized);
  mdi_ = new QMdiArea(this);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
    RebuildWindowList();
    UpdateFileMenu();
    UpdateFindMenu();
  });

  BuildMenus();
  BuildToolBar();
  SetCaptions();

  SettingsStore& settings = context_.Catalog().Settings();
  const bool toolBarVisible = settings.GetTBVisible();
  a_->toolBar->setChecked(toolBarVisible);
  toolBar_->setVisible(toolBarVisible);
  context_.Catalog().Settings().WriteApplication(QApplication::applicationFilePath().toStdString());
  context_.CrossReferences().SetMainWindow(this);

  moveTimer_ = new QTimer(this);
  moveTimer_->setSingleShot(true);
  moveTimer_->setInterval(kMoveSettleMs);
  connect(moveTimer_, &QTimer::timeout, this, &TCalderwickForm::EndOfMove);

  goToPage_ = new TGeheZuSeiteForm(this);
  TTextChild::SetGoToPageDialog(goToPage_);

  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::WindowShortcut);
  connect(f1, &QShortcut::activated, this, &TCalderwickForm::HelpForActive);
  RebuildWindowList();
  UpdateFileMenu();
  UpdateFindMenu();
}

TCalderwickForm::~TCalderwickForm() {
  closing_ = true;
  // Destroying the base classes closes the sub-windows, which activates others: no slot of this
  // object may run by then.
  if (mdi_ != nullptr) {
    disconnect(mdi_, nullptr, this, nullptr);
    for (QMdiSubWindow* sub : mdi_->subWindowList()) disconnect(sub, nullptr, this, nullptr);
  }
  TTextChild::SetGoToPageDialog(nullptr);
  if (help_) delete help_.data();
}

void TCalderwickForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  BuildFileAndEditMenus(bar);
  BuildFindAndViewMenus(bar);
  BuildExtrasWindowAndHelpMenus(bar);
}

void TCalderwickForm::BuildFileAndEditMenus(QMenuBar* bar) {
  Actions& a = *a_;
  auto add = [this](QMenu* menu, auto slot) { return AddItem(menu, this, slot); };

  a.file = bar->addMenu(QString());
  a.navigation = add(a.file, [this] { ShowNavigation(); });
  a.close = add(a.file, [this] { CloseActive(); });
  a.closeAll = add(a.file, [this] { CloseAll(); });
  a.print = add(a.file, [this] { Print(); });
  a.file->addSeparator();
  recent_ = a.file->addMenu(QString());
  recent_->setObjectName("RecentMenu");
  connect(a.file, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateRecentMenu);
  a.file->addSeparator();
  a.addCollection = add(a.file, [this] { AddCollection(); });
  a.refresh = add(a.file, [this] {
    if (navigation_) Guarded([this] { navigation_->Refresh(); });
  });
  a.file->addSeparator();
  a.exit = add(a.file, [this] { close(); });
  SetStandardKeys(a.print, QKeySequence::Print);
  SetStandardKeys(a.exit, QKeySequence::Quit);
  connect(a.file, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateFileMenu);

  a.edit = bar->addMenu(QString());
  a.copy = add(a.edit, [this] { CopyText(); });
  a.markParagraph = add(a.edit, [this] {
    if (TTextChild* t = ActiveTextWindow()) t->MarkParagraph();
  });
  a.selectAll = add(a.edit, [] {});
  a.selectAll->setVisible(false);
  a.saveAs = add(a.edit, [this] { SaveAs(); });
  a.edit->addSeparator();
  a.bookmark = add(a.edit, [this] { NewBookmark(ActiveTextWindow()); });
  connect(a.edit, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateEditMenu);
}

void TCalderwickForm::BuildFindAndViewMenus(QMenuBar* bar) {
  Actions& a = *a_;
  auto add = [this](QMenu* menu, auto slot, const QKeySequence& key = {}) {
    return AddItem(menu, this, slot, key);
  };

  a.find = bar->addMenu(QString());
  a.search = add(
      a.find, [this] { Find(); }, QKeySequence(Qt::CTRL | Qt::Key_F));
  a.nextHit = add(
      a.find, [this] { NextHit(); }, QKeySequence(Qt::Key_F3));
  a.previousHit = add(
      a.find, [this] { PreviousHit(); }, QKeySequence(Qt::SHIFT | Qt::Key_F3));
  // F3 and Shift+F3 everywhere; macOS adds its Cmd+G and Shift+Cmd+G.
  for (auto [action, key] : {std::pair{a.nextHit, QKeySequence::FindNext},
                             std::pair{a.previousHit, QKeySequence::FindPrevious}}) {
    QList<QKeySequence> keys = action->shortcuts();
    for (const QKeySequence& k : QKeySequence::keyBindings(key))
      if (!keys.contains(k)) keys << k;
    action->setShortcuts(keys);
  }
  a.find->addSeparator();
  a.goToPage = add(a.find, [this] {
    if (TTextChild* t = ActiveTextWindow(); t && !t->FileMode()) t->GoToPage();
  });
  connect(a.find, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateFindMenu);

  a.view = bar->addMenu(QString());
  a.back = add(a.view, [this] {
    if (TTextChild* t = ActiveTextWindow(); t && t->CanGoBack()) t->Back();
  });
  a.forward = add(a.view, [this] {
    if (TTextChild* t = ActiveTextWindow(); t && t->CanGoNext()) t->Next();
  });
  a.view->addSeparator();
  a.font = a.view->addMenu(QString());
  a.bigger = add(a.font, [this] { FontBigger(); });
  a.smaller = add(a.font, [this] { FontSmaller(); });
  // Ctrl+plus (also Ctrl+= on keyboards where plus needs Shift) and Ctrl+minus.
  a.bigger->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  a.smaller->setShortcuts(QKeySequence::ZoomOut);
  a.margin = a.view->addMenu(QString());
  a.wider = add(a.margin, [this] { MarginWider(); });
  a.narrower = add(a.margin, [this] { MarginNarrower(); });
  a.toolBar = add(a.view, [this] { ToggleToolBar(); });
  a.toolBar->setCheckable(true);
  a.view->addSeparator();
  a.settings = add(a.view, [this] { ShowSettings(); });
  connect(a.view, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateViewMenu);
  // The tool bar's back and forward buttons trigger these items, which Qt ignores while they are
  // disabled; outside the open menu they stay enabled (their commands check the history).
  connect(a.view, &QMenu::aboutToHide, this, [this] {
    a_->back->setEnabled(true);
    a_->forward->setEnabled(true);
  });
}

void TCalderwickForm::BuildExtrasWindowAndHelpMenus(QMenuBar* bar) {
  Actions& a = *a_;
  auto add = [this](QMenu* menu, auto slot) { return AddItem(menu, this, slot); };

  a.extras = bar->addMenu(QString());
  a.bibliography = add(a.extras, [this] { OpenLinkFileTarget(true); });
  a.ostrabel = add(a.extras, [this] { OpenLinkFileTarget(false); });
  connect(a.extras, &QMenu::aboutToShow, this, &TCalderwickForm::UpdateExtrasMenu);

  a.window = bar->addMenu(QString());
  a.cascade = add(a.window, [this] { Cascade(); });
  a.tileVertically = add(a.window, [this] { TileVertically(); });
  a.tileHorizontally = add(a.window, [this] { TileHorizontally(); });
  a.window->addSeparator();
  for (int i = 0; i < kWindowSlots; ++i) {
    a.windowItems[static_cast<size_t>(i)] = add(a.window, [this, i] { ActivateSlot(i); });
    a.windowItems[static_cast<size_t>(i)]->setVisible(false);
  }
  connect(a.window, &QMenu::aboutToShow, this, &TCalderwickForm::RebuildWindowList);

  a.help = bar->addMenu(QString());
  a.helpContents = add(a.help, [this] { ShowHelp(QString()); });
  a.help->addSeparator();
  a.modules = add(a.help, [this] { ShowModules(); });
  a.about = add(a.help, [this] { ShowAbout(); });
}

void TCalderwickForm::BuildToolBar() {
  Actions& a = *a_;
  toolBar_ = addToolBar(QStringLiteral("main"));
  toolBar_->setObjectName(QStringLiteral("MainToolBar"));
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  // The desktop theme's icon, else the bundled drawing; where neither can be drawn, the style's
  // standard icon or a short text.
  auto add = [this](const char* theme, const char* bundled, QStyle::StandardPixmap standard,
                    auto slot) {
    QIcon icon = ToolIcon(theme, bundled);
    if (icon.isNull()) icon = style()->standardIcon(standard);
    QAction* action = toolBar_->addAction(icon, QString());
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  auto addText = [this](const char* theme, const char* bundled, const QString& glyph, auto slot) {
    QAction* action = toolBar_->addAction(ToolIcon(theme, bundled), glyph);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  a.tbNavigation =
      add("view-list-tree", "navigation", QStyle::SP_DirHomeIcon, [this] { ShowNavigation(); });
  toolBar_->addSeparator();
  a.tbBack = add("go-previous", "back", QStyle::SP_ArrowBack, [this] { a_->back->trigger(); });
  a.tbForward =
      add("go-next", "forward", QStyle::SP_ArrowForward, [this] { a_->forward->trigger(); });
  toolBar_->addSeparator();
  a.tbSearch = add("edit-find", "search", QStyle::SP_FileDialogContentsView, [this] { Find(); });
  toolBar_->addSeparator();
  a.tbPrint = add("document-print", "print", QStyle::SP_DialogSaveButton, [this] { Print(); });
  toolBar_->addSeparator();
  a.tbBigger = addText("zoom-in", "font-bigger", QStringLiteral("A+"), [this] { FontBigger(); });
  a.tbSmaller =
      addText("zoom-out", "font-smaller", QStringLiteral("A-"), [this] { FontSmaller(); });
  toolBar_->addSeparator();
  a.tbNarrower = addText("format-indent-less", "margin-narrower", QStringLiteral("|<"),
                         [this] { MarginNarrower(); });
  a.tbWider = addText("format-indent-more", "margin-wider", QStringLiteral("|>"),
                      [this] { MarginWider(); });
}

void TCalderwickForm::SetCaptions() {
  Actions& a = *a_;
  using namespace texts;
  a.file->setTitle(Text(kFileMenu));
  a.navigation->setText(Text(kNavigation));
  a.close->setText(Text(captions::kClose));
  a.closeAll->setText(Text(kCloseAll));
  a.print->setText(Text(captions::kPrint));
  a.addCollection->setText(Text(kAddCollection));
  a.refresh->setText(Text(kRefresh));
  a.exit->setText(Text(kExit));
  UpdateRecentMenu();
  a.edit->setTitle(Text(kEditMenu));
  a.copy->setText(Text(captions::kCopy));
  a.markParagraph->setText(Text(captions::kMarkParagraph));
  a.selectAll->setText(Text(kSelectAll));
  a.saveAs->setText(Text(kSaveAs));
  a.bookmark->setText(Text(captions::kNewBookmark));
  a.find->setTitle(Text(kFindMenu));
  a.search->setText(Text(kFind));
  a.nextHit->setText(Text(kNextHit));
  a.previousHit->setText(Text(kPreviousHit));
  a.goToPage->setText(Text(captions::kGoToPage));
  a.view->setTitle(Text(kViewMenu));
  a.back->setText(Text(captions::kBack));
  a.forward->setText(Text(captions::kForward));
  a.font->setTitle(Text(kFontMenu));
  a.bigger->setText(Text(kBigger));
  a.smaller->setText(Text(kSmaller));
  a.margin->setTitle(Text(kMarginMenu));
  a.wider->setText(Text(kWider));
  a.narrower->setText(Text(kNarrower));
  a.toolBar->setText(Text(kToolBar));
  a.settings->setText(Text(captions::kSettings));
  a.extras->setTitle(Text(kExtrasMenu));
  a.bibliography->setText(Text(kBibliography));
  a.ostrabel->setText(Text(kOstrabel));
  a.window->setTitle(Text(kWindowMenu));
  a.cascade->setText(Text(kCascade));
  a.tileVertically->setText(Text(kTileVertically));
  a.tileHorizontally->setText(Text(kTileHorizontally));
  a.help->setTitle(Text(kHelpMenu));
  a.helpContents->setText(Text(captions::kHelp));
  a.modules->setText(Text(kModules));
  a.about->setText(Text(kAbout));

  a.tbNavigation->setToolTip(Hint(kNavigation));
  a.tbSearch->setToolTip(Hint(kFind));
  a.tbPrint->setToolTip(Hint(captions::kPrint));
  a.tbBack->setToolTip(Hint(captions::kBack));
  a.tbForward->setToolTip(Hint(captions::kForward));
  a.tbBigger->setToolTip(Text(kHintBigger));
  a.tbSmaller->setToolTip(Text(kHintSmaller));
  a.tbNarrower->setToolTip(Text(kHintNarrower));
  a.tbWider->setToolTip(Text(kHintWider));
  toolBar_->setWindowTitle(Hint(kToolBar));
  if (goToPage_) goToPage_->SetCaptions();
  if (navigation_) navigation_->SetCaptions();
  if (help_) help_->SetCaptions();
  for (TTextChild* t : TextWindows()) t->SetCaptions();
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (auto* list = qobject_cast<TSuchResultForm*>(sub->widget())) list->SetCaptions();
}

TNavigationForm* TCalderwickForm::CreateNavigation() {
  if (navigation_) return navigation_;
  const TNavigationForm::MediaParts media{context_.Plugins(), context_.PluginPrompts(),
                                          context_.Launcher()};
  navigation_ = new TNavigationForm(context_.Catalog(), context_.Bookmarks(), this, this, &media);
  navigationSub_ = mdi_->addSubWindow(navigation_);
  navigationSub_->installEventFilter(this);
  navigationSub_->show();
  RebuildWindowList();
  return navigation_;
}

// ---- window list ----

void TCalderwickForm::RebuildWindowList() {
  const QList<QMdiSubWindow*> children = mdi_->subWindowList(QMdiArea::CreationOrder);
  for (int i = 0; i < kWindowSlots; ++i) {
    QAction* item = a_->windowItems[static_cast<size_t>(i)];
    if (i < children.size()) {
      slots_[static_cast<size_t>(i)] = children[i];
      item->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(children[i]->windowTitle()));
      item->setVisible(true);
    } else {
      slots_[static_cast<size_t>(i)] = nullptr;
      item->setVisible(false);
    }
  }
}

std::vector<QMdiSubWindow*> TCalderwickForm::WindowList() const {
  std::vector<QMdiSubWindow*> list;
  for (const auto& slot : slots_)
    if (slot) list.push_back(slot.data());
  return list;
}

CrossReferenceLinks* TCalderwickForm::CrossReferences() { return &context_.CrossReferences(); }

// A closing text window takes its companions with it and leaves the window list.
void TCalderwickForm::TextWindowClosed(TTextChild* window) {
  if (!window) return;
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i] && slots_[i]->widget() == window) {
      slots_[i] = nullptr;
      a_->windowItems[i]->setVisible(false);
    }
  }
  if (!closing_ && window != discarding_) CloseCompanions(window);
}

void TCalderwickForm::ActivateSlot(int slot) {
  if (QMdiSubWindow* sub = slots_[static_cast<size_t>(slot)]) Raise(sub->widget());
}

// ---- menu states ----

TTextChild* TCalderwickForm::ActiveTextWindow() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  return sub ? qobject_cast<TTextChild*>(sub->widget()) : nullptr;
}

void TCalderwickForm::UpdateEditMenu() {
  TTextChild* t = ActiveTextWindow();
  const bool text = t && t->HasText();
  a_->copy->setEnabled(text);
  a_->markParagraph->setEnabled(text);
  a_->saveAs->setEnabled(text);
  a_->bookmark->setEnabled(text && !t->FileMode());
  a_->selectAll->setEnabled(t != nullptr);
}

void TCalderwickForm::UpdateFileMenu() {
  const TTextChild* t = ActiveTextWindow();
  a_->print->setEnabled(ActiveResultList() != nullptr || (t && t->HasText()));
}

void TCalderwickForm::UpdateFindMenu() {
  TTextChild* t = ActiveTextWindow();
  a_->goToPage->setEnabled(t && !t->FileMode());
  const bool results = ResultList() != nullptr;
  a_->nextHit->setEnabled(results);
  a_->previousHit->setEnabled(results);
}

void TCalderwickForm::UpdateViewMenu() {
  TTextChild* t = ActiveTextWindow();
  a_->back->setEnabled(t && t->CanGoBack());
  a_->forward->setEnabled(t && t->CanGoNext());
}

void TCalderwickForm::UpdateExtrasMenu() {
  TCalderwickData& catalog = context_.Catalog();
  a_->ostrabel->setVisible(catalog.GetCDIndex(kFirstOstrabelCD) >= 0 ||
                           catalog.GetCDIndex(kSecondOstrabelCD) >= 0);
  a_->bibliography->setEnabled(false);
  a_->ostrabel->setEnabled(false);
  TTextChild* t = ActiveTextWindow();
  if (!t || t->FileMode() || t->CDID().empty()) return;
  Guarded([&] {
    a_->bibliography->setEnabled(!catalog.GetLiFile(t->CDID()).empty());
    a_->ostrabel->setEnabled(!catalog.GetWbFile(t->CDID()).empty());
  });
}

// ---- view commands ----

ViewSettings TCalderwickForm::CurrentViewSettings() const {
  SettingsStore& settings = context_.Catalog().Settings();
  ViewSettings view;
  view.justified = settings.GetBlocksatz();
  view.lineSpacing = settings.GetLineSpacing();
  view.borderWidth = settings.GetBorderWidth();
  view.paraBlank = settings.GetParaBlank();
  view.unicodeGreek = context_.Catalog().UCFontSet();
  return view;
}

void TCalderwickForm::ApplyViewSettingsToAll() {
  const ViewSettings view = CurrentViewSettings();
  for (TTextChild* t : TextWindows()) t->ApplyViewSettings(view);
}

void TCalderwickForm::FontBigger() { StepFontSize(TextStyle::BiggerBaseSize); }

void TCalderwickForm::FontSmaller() { StepFontSize(TextStyle::SmallerBaseSize); }

void TCalderwickForm::ChangeFontSize(int steps) {
  for (; steps > 0; --steps) FontBigger();
  for (; steps < 0; ++steps) FontSmaller();
}

void TCalderwickForm::StepFontSize(std::optional<int> (*step)(int font3Size)) {
  Guarded([this, step] {
    const int size = context_.Style().Fonts(false).FontOf(3).size;
    if (const std::optional<int> base = step(size)) {
      context_.Catalog().Settings().SetFontSize(*base);
      context_.RebuildTextStyle();
      ApplyViewSettingsToAll();
    }
  });
}

void TCalderwickForm::MarginWider() { StepMargin(ViewSteps::WiderMargin); }

void TCalderwickForm::MarginNarrower() { StepMargin(ViewSteps::NarrowerMargin); }

void TCalderwickForm::StepMargin(int32_t (*step)(int32_t width)) {
  Guarded([this, step] {
    SettingsStore& settings = context_.Catalog().Settings();
    settings.SetBorderWidth(step(settings.GetBorderWidth()));
    ApplyViewSettingsToAll();
  });
}

void TCalderwickForm::ShowSettings() {
  TOptionsForm form(context_, *this, this);
  if (form.exec() == QDialog::Accepted) ApplySettings(form.LanguageChanged());
}

void TCalderwickForm::ApplySettings(bool languageChanged) {
  Guarded([this, languageChanged] {
    if (languageChanged) {
      SetCurrentLanguage(context_.Catalog().Settings().GetLanguage());
      SetCaptions();
    }
    context_.RebuildTextStyle();
    ApplyViewSettingsToAll();
  });
}

void TCalderwickForm::ToggleToolBar() {
  Guarded([this] {
    SettingsStore& settings = context_.Catalog().Settings();
    const bool visible = !settings.GetTBVisible();
    settings.SetTBVisible(visible);
    a_->toolBar->setChecked(visible);
    toolBar_->setVisible(visible);
  });
}

// ---- window commands ----

void TCalderwickForm::ShowNavigation() {
  if (navigation_) Raise(navigation_);
}

void TCalderwickForm::CloseActive() {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  if (sub && sub != navigationSub_) sub->close();
}

void TCalderwickForm::CloseAll() {
  QList<QPointer<QMdiSubWindow>> children;
  for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
    if (sub != navigationSub_) children.append(sub);
  for (const QPointer<QMdiSubWindow>& sub : children)
    if (sub) sub->close();
}

void TCalderwickForm::Cascade() {
  if (navigationSub_) navigationSub_->showMinimized();
  mdi_->cascadeSubWindows();
}

void TCalderwickForm::TileVertically() { Tile(Qt::Horizontal); }
void TCalderwickForm::TileHorizontally() { Tile(Qt::Vertical); }

// Side by side (Qt::Horizontal) or one above the other (Qt::Vertical), in creation order, over
// the whole client area; minimised windows stay where they are.
void TCalderwickForm::Tile(Qt::Orientation orientation) {
  if (navigationSub_) navigationSub_->showMinimized();
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (qobject_cast<TBildForm*>(sub->widget())) sub->close();
  std::vector<QMdiSubWindow*> open;
  for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
    if (sub->isVisible() && !sub->isMinimized()) open.push_back(sub);
  if (open.empty()) return;
  const QRect area = mdi_->viewport()->rect();
  const int n = static_cast<int>(open.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* sub = open[static_cast<size_t>(i)];
    if (sub->isMaximized()) sub->showNormal();
    if (orientation == Qt::Horizontal) {
      const int left = area.width() * i / n;
      const int right = area.width() * (i + 1) / n;
      sub->setGeometry(left, 0, right - left, area.height());
    } else {
      const int top = area.height() * i / n;
      const int bottom = area.height() * (i + 1) / n;
      sub->setGeometry(0, top, area.width(), bottom - top);
    }
  }
}

bool TCalderwickForm::AddCollectionDirectory(const std::string& directory) {
  bool added = false;
  Guarded([&] {
    added = context_.Catalog().AnnounceDirectory(directory);
    if (added && navigation_) navigation_->Refresh();
  });
  return added;
}

void TCalderwickForm::AddCollection() {
  const QString dir = QFileDialog::getExistingDirectory(this, Text(texts::kChooseCollection));
  if (!dir.isEmpty()) AddCollectionDirectory(dir.toStdString());
}

bool TCalderwickForm::SearchPossible() {
  for (const TCRrecord& cd : context_.Catalog().CDs())
    if (context_.Catalog().CDUsable(cd.CDID, false)) return true;
  context_.Prompts().ShowError(Tr(texts::kNoCD));
  return false;
}

// ---- edit commands ----

void TCalderwickForm::CopyText() {
  TTextChild* t = ActiveTextWindow();
  if (t && t->MarkedFrom() >= 1 && t->MarkedTo() >= 1) t->Copy();
}

void TCalderwickForm::SaveAs() {
  TTextChild* t = ActiveTextWindow();
  if (!t || t->MarkedFrom() < 1 || t->MarkedTo() < 1) return;
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setNameFilter(Text(texts::kSaveFilter));
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString file = dialog.selectedFiles().first();
  if (QFileInfo::exists(file)) {
    const QString question =
        Utf8(Format(Tr(texts::kOverwrite), {QFileInfo(file).fileName().toStdString()}));
    if (QMessageBox::warning(this, QApplication::applicationDisplayName(), question,
                             QMessageBox::Ok | QMessageBox::Cancel,
                             QMessageBox::Cancel) != QMessageBox::Ok)
      return;
  }
  if (!t->Export(file))
    context_.Prompts().ShowError(Format(Tr(texts::kCannotSave), {file.toStdString()}));
}

void TCalderwickForm::NewBookmark(TTextChild* from) {
  if (!from || !from->HasText() || from->FileMode() || !navigation_) return;
  Guarded([&] {
    TBookmarkRecord record;
    record.Title = ToCp1252(from->BookmarkCaption()).substr(0, TBookmark::kTitleCap);
    record.CDID = Trim(from->CDID()).substr(0, TBookmark::kCDIDCap);
    record.CDName = context_.Catalog().GetCDName(from->CDID()).substr(0, TBookmark::kCDNameCap);
    record.TextNo = from->TextNr();
    record.Layer = from->Layer();
    record.FirstParagraph = from->MarkedFrom();
    record.LastParagraph = from->MarkedTo();
    if (record.FirstParagraph < 1 || record.LastParagraph < 1)
      record.FirstParagraph = record.LastParagraph = 2;
    navigation_->AddBookmark(record);
  });
}

// The module list fills under the hourglass (reading every module's strings); pending paints run
// first so the menu is gone meanwhile.
void TCalderwickForm::ShowModules() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents();
  std::unique_ptr<TModulViewForm> form;
  Guarded([&] { form = std::make_unique<TModulViewForm>(context_.Plugins(), this); });
  QApplication::restoreOverrideCursor();
  if (form) form->exec();
}

void TCalderwickForm::ShowAbout() {
  const std::string version = std::to_string(context_.Catalog().VersionMajor()) + "." +
                              std::to_string(context_.Catalog().VersionMinor()) + "." +
                              std::to_string(context_.Catalog().VersionBuild());
  QMessageBox::about(this, Hint(texts::kAbout), Utf8(Format(Tr(texts::kAboutText), {version})));
}

void TCalderwickForm::OpenLinkFileTarget(bool bibliography) {
  TTextChild* t = ActiveTextWindow();
  if (!t || t->FileMode() || t->CDID().empty()) return;
  Guarded([&] {
    TCalderwickData& catalog = context_.Catalog();
    const std::string file =
        bibliography ? catalog.GetLiFile(t->CDID()) : catalog.GetWbFile(t->CDID());
    if (file.empty()) return;
    TLinkFile links(catalog);
    links.Load(file);
    const LinkFileRecord record = links.Find(t->CDID(), t->TextNr());
    if (record.TargetTextNr < 0 || Trim(record.TargetCDID).empty()) return;
    const int32_t position = links.Resolve(record);
    if (!catalog.CDUsable(record.TargetCDID, true)) return;
    OpenTextByIds(record.TargetCDID, record.TargetTextNr, 1, position, false);
  });
}

// ---- help ----

void TCalderwickForm::ShowHelp(const QString& topic) {
  if (!help_) help_ = new HelpWindow();
  help_->ShowTopic(topic);
}

void TCalderwickForm::HelpForActive() {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  if (sub && qobject_cast<TTextChild*>(sub->widget()))
    ShowHelp(QString::fromLatin1(kTopicText));
  else if (sub && sub == navigationSub_)
    ShowHelp(QString::fromLatin1(kTopicContent));
  else
    ShowHelp(QString());
}

// ---- events ----

bool TCalderwickForm::eventFilter(QObject* watched, QEvent* event) {
  // Closing the navigation window only minimises it.
  if (event->type() == QEvent::Close && !closing_ && watched == navigationSub_) {
    event->ignore();
    navigationSub_->showMinimized();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TCalderwickForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RebuildWindowList();
  QMainWindow::changeEvent(event);
}

void TCalderwickForm::moveEvent(QMoveEvent* event) {
  if (isVisible()) {
    moving_ = true;
    moveTimer_->start();
  }
  QMainWindow::moveEvent(event);
}

void TCalderwickForm::resizeEvent(QResizeEvent* event) {
  if (isVisible()) {
    moving_ = true;
    moveTimer_->start();
  }
  QMainWindow::resizeEvent(event);
}

void TCalderwickForm::EndOfMove() {
  moving_ = false;
  for (TTextChild* t : TextWindows()) {
    t->SetScrollBarVisible(true);
    t->Relayout();
  }
}

void TCalderwickForm::closeEvent(QCloseEvent* event) {
  closing_ = true;
  if (navigation_) navigation_->CancelTransfer();
  SaveSession();
  if (help_) help_->close();
  QMainWindow::closeEvent(event);
}

void TCalderwickForm::wheelEvent(QWheelEvent* event) { event->accept(); }

// ---- errors ----

void TCalderwickForm::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    context_.Prompts().ShowError(e.what());
  }
}

}  // namespace quillmar::gui
