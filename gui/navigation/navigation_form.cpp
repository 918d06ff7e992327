#include "gui/navigation/navigation_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/bookmark.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "collection/tree_info.h"
#include "gui/common/captions.h"
#include "gui/common/gui_strings.h"
#include "gui/online/internet_page.h"
#include "gui/text/cross_reference_links.h"
#include "plugins/multimedia.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Navigation", "Navigation"};
constexpr LangText kContentPage{"&Inhalt", "&Content"};
constexpr LangText kBookmarkPage{"&Lesezeichen", "&Bookmarks"};
constexpr LangText kInternetPage{"In&ternet", "&Internet"};
constexpr LangText kMediaPage{"&Multimedia", "&Multimedia"};
constexpr LangText kOpenNew{"&Neu öffnen", "Open &new"};
constexpr LangText kDelete{"&Löschen", "&Delete"};
constexpr LangText kWarning{"Warnung", "Warning"};
constexpr LangText kInstall{"&Installieren", "&Install"};
constexpr LangText kCDNotAvailable{"Die CD '%s' ist nicht verfügbar.",
                                   "The CD '%s' is not available."};
constexpr LangText kInsertCD{
    "Legen Sie die CD '%s' ein und wählen Sie 'Aktualisieren' im Hauptmenü.",
    "Insert the CD '%s' and choose 'Refresh' in main menu."};
constexpr LangText kConfirmDelete{"'%s' wird gelöscht. Sind Sie sicher?",
                                  "'%s' will be deleted. Are You sure?"};
constexpr LangText kNeedsNewer{"Die CD-ROM '%s' benötigt eine neuere Version des Quillmar reader.",
                               "The CD-ROM '%s' needs a newer version of the Quillmar reader."};
constexpr LangText kInstallNow{"Soll Quillmar reader %d.%d jetzt installiert werden?",
                               "Do You want install Quillmar reader %d.%d now?"};
constexpr LangText kFileNotFound{"Datei '%s' nicht gefunden.", "File '%s' not found."};

constexpr char kContentHelp[] = "IDH_02000";
constexpr char kBookmarkHelp[] = "IDH_03000";
constexpr char kMediaHelp[] = "IDH_06000";
constexpr char kInstallerArgument[] = "/P";
constexpr char kNoChapters[] = "TI-TTI-GNS-2";

constexpr int kDefaultHeight = 391;
constexpr int kMinimumNoteHeight = 10;  // pixels the splitter leaves each side
// An edited note is written this many milliseconds after the last change, so a crash loses at
// most the last moment of typing without writing the file at every keystroke.
constexpr int kNoteSaveDelay = 1000;
// Content tree: index into Impl::keys; multimedia tree: index into Impl::mediaEntries; list:
// bookmark identifier.
constexpr int kKeyRole = Qt::UserRole;
constexpr int kLoadedRole = Qt::UserRole + 1;  // tree: the node's children are loaded

bool MessageBoxQuestion(const QString& text, const QString& accept) {
  QMessageBox box(QMessageBox::Warning, Text(kWarning), text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QAbstractButton* ok = box.addButton(accept, QMessageBox::AcceptRole);
  box.addButton(Text(captions::kCancel), QMessageBox::RejectRole);
  box.exec();
  return box.clickedButton() == ok;
}

TNavigationForm::ConfirmFunction& QuestionHook() {
  static TNavigationForm::ConfirmFunction question;
  return question;
}

bool Ask(const QString& text, const QString& accept) {
  const auto& hook = QuestionHook();
  return hook ? hook(text, accept) : MessageBoxQuestion(text, accept);
}

// The hourglass while a collection is read.
struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

enum class OpenMode { kReuse, kNewWindow, kSynoptic };

// A button whose caption SetCaptions gives.
QPushButton* NamedButton(const char* name, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  return button;
}

// A page's button row: the buttons left-aligned, without margins.
QWidget* LeftAlignedRow(QWidget* owner, std::initializer_list<QPushButton*> buttons) {
  auto* row = new QWidget(owner);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* button : buttons) layout->addWidget(button);
  layout->addStretch();
  return row;
}

// Return and Enter on a list do what a double-click on its current item does.
class OpenOnEnter : public QObject {
 public:
  OpenOnEnter(QAbstractItemView* view, std::function<void()> open)
      : QObject(view), open_(std::move(open)) {
    view->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        open_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> open_;
};

}  // namespace

struct TNavigationForm::Impl {
  Impl(TNavigationForm* form, TCalderwickData& c, TBookmark& b, WindowServices* s)
      : q(form), catalog(c), bookmarks(b), services(s) {}

  void Build();
  void BuildContentPage();
  void BuildBookmarkPage();
  void BuildMediaPage();
  void ChooseSize();
  void ShowError(const std::string& message) { catalog.Prompts().ShowError(message); }

  // Content tree.
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const TreeChild& child);
  const TTreeRecord& KeyOf(const QTreeWidgetItem* item) const {
    return keys[item->data(0, kKeyRole).toULongLong()];
  }
  void Expand(QTreeWidgetItem* item);
  void OfferNewVersion(const TreeChild& cd);
  // A collection that cannot be read: a greyed node without children whose tip says why.
  void AddDamagedNode(const TreeChild& cd);
  // Shows, after the current event, one message for each damaged collection not yet reported
  // with the same damage in this run.
  void ReportDamage(const TCRrecords& cds);
  void UpdateButtons();
  void OpenSelected(OpenMode mode);

  // Bookmarks.
  void FillBookmarks();
  QListWidgetItem* AddRow(const TBookmarkRecord& record);
  void SelectBookmark(QListWidgetItem* item);
  void SaveCurrentNote();
  void SaveList();
  void Rename(QListWidgetItem* item);
  void OpenBookmark();
  void DeleteBookmark();

  // Multimedia.
  void FillMedia();
  const TMediaEntry* SelectedMedia() const;
  void OpenMedia();

  TNavigationForm* q;
  TCalderwickData& catalog;
  TBookmark& bookmarks;
  WindowServices* services;

  QTabWidget* pages = nullptr;
  QWidget* contentPage = nullptr;
  QTreeWidget* tree = nullptr;
  QPushButton* textOpen = nullptr;
  QPushButton* textNewOpen = nullptr;
  QPushButton* textSynOpen = nullptr;
  QPushButton* textHelp = nullptr;
  QWidget* contentButtons = nullptr;
  QWidget* bookmarkPage = nullptr;
  QListWidget* list = nullptr;
  QPlainTextEdit* memo = nullptr;
  QTimer* noteTimer = nullptr;  // writes the edited note a moment after the last change
  QPushButton* bookmarkOpen = nullptr;
  QPushButton* bookmarkDelete = nullptr;
  QPushButton* bookmarkHelp = nullptr;
  TInternetPage* internetPage = nullptr;
  QWidget* mediaPage = nullptr;
  QTreeWidget* mediaTree = nullptr;
  QPushButton* kurzOpen = nullptr;
  QPushButton* kurzHelp = nullptr;

  std::unique_ptr<TMultiMedia> media;     // null without the plug-in parts
  std::vector<TMediaEntry> mediaEntries;  // the multimedia tree's nodes
  std::vector<TTreeRecord> keys;          // the references of the tree's nodes
  std::set<std::string> reported;         // identifier and damage of each damaged collection
  bool updating = false;                  // the tree is being rebuilt
  bool filling = false;                   // the bookmark list is being rebuilt
  bool loadingNote = false;
  int32_t currentNote = 0;  // identifier of the bookmark whose note the memo shows
  bool noteModified = false;
  QSize initialSize;
};

TNavigationForm::TNavigationForm(TCalderwickData& catalog, TBookmark& bookmarks,
                                 WindowServices* services, QWidget* parent, const MediaParts* media)
    : QWidget(parent), d_(std::make_unique<Impl>(this, catalog, bookmarks, services)) {
  if (media)
    d_->media = std::make_unique<TMultiMedia>(
        TMultiMedia::Platform{catalog, media->plugins, media->prompts, media->launcher});
  d_->Build();
  d_->ChooseSize();
  d_->pages->setCurrentWidget(d_->contentPage);
  SetCaptions();
  Refresh();
  d_->FillBookmarks();
}

TNavigationForm::~TNavigationForm() {
  try {
    d_->catalog.Settings().SetNavWinSize({width(), height()});
  } catch (const std::exception&) {
    // The size is a convenience; the store reports its own trouble elsewhere.
  }
  d_->SaveCurrentNote();
}

void TNavigationForm::CancelTransfer() { d_->internetPage->CancelTransfer(); }

TInternetPage* TNavigationForm::InternetPage() const { return d_->internetPage; }

void TNavigationForm::SetQuestion(ConfirmFunction question) {
  QuestionHook() = std::move(question);
}

QSize TNavigationForm::sizeHint() const { return d_->initialSize; }

bool TNavigationForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == d_->memo && event->type() == QEvent::FocusOut) d_->SaveCurrentNote();
  return QWidget::eventFilter(watched, event);
}

void TNavigationForm::closeEvent(QCloseEvent* event) {
  auto* window = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!window) return QWidget::closeEvent(event);
  event->ignore();
  window->showMinimized();
}

void TNavigationForm::Impl::Build() {
  pages = new QTabWidget(q);
  pages->setObjectName("NavPageControl");
  auto* outer = new QVBoxLayout(q);
  outer->addWidget(pages);
  BuildContentPage();
  BuildBookmarkPage();
  internetPage = new TInternetPage(catalog, services, Ask);
  pages->addTab(internetPage, QString());
  BuildMediaPage();
  QObject::connect(pages, &QTabWidget::currentChanged, q, [this] {
    if (pages->currentWidget() == internetPage)
      internetPage->PageShown();
    else
      internetPage->PageHidden();
  });
}

void TNavigationForm::Impl::BuildContentPage() {
  contentPage = new QWidget;
  contentPage->setObjectName("ContTabSheet");
  tree = new QTreeWidget(contentPage);
  tree->setObjectName("TextTreeView");
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  textOpen = NamedButton("TextOpenButton", contentPage);
  textNewOpen = NamedButton("TextNewOpenButton", contentPage);
  textSynOpen = NamedButton("TextSynOpenButton", contentPage);
  textHelp = NamedButton("TextHelpButton", contentPage);
  contentButtons = LeftAlignedRow(contentPage, {textOpen, textNewOpen, textSynOpen, textHelp});
  auto* contentLayout = new QVBoxLayout(contentPage);
  contentLayout->addWidget(tree);
  contentLayout->addWidget(contentButtons);
  pages->addTab(contentPage, QString());

  QObject::connect(tree, &QTreeWidget::itemExpanded, q,
                   [this](QTreeWidgetItem* item) { Expand(item); });
  QObject::connect(tree, &QTreeWidget::currentItemChanged, q, [this] { UpdateButtons(); });
  QObject::connect(tree, &QTreeWidget::itemDoubleClicked, q, [this] {
    if (textOpen->isEnabled()) OpenSelected(OpenMode::kReuse);
  });
  new OpenOnEnter(tree, [this] {
    if (textOpen->isEnabled()) OpenSelected(OpenMode::kReuse);
  });
  QObject::connect(textOpen, &QPushButton::clicked, q, [this] { OpenSelected(OpenMode::kReuse); });
  QObject::connect(textNewOpen, &QPushButton::clicked, q,
                   [this] { OpenSelected(OpenMode::kNewWindow); });
  QObject::connect(textSynOpen, &QPushButton::clicked, q,
                   [this] { OpenSelected(OpenMode::kSynoptic); });
  QObject::connect(textHelp, &QPushButton::clicked, q, [this] {
    if (services) services->ShowHelp(kContentHelp);
  });
}

void TNavigationForm::Impl::BuildBookmarkPage() {
  bookmarkPage = new QWidget;
  bookmarkPage->setObjectName("BookmarkTabSheet");
  auto* splitter = new QSplitter(Qt::Vertical, bookmarkPage);
  splitter->setChildrenCollapsible(false);
  list = new QListWidget(splitter);
  list->setObjectName("BookmarkListView");
  list->setSortingEnabled(true);
  list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  memo = new QPlainTextEdit(splitter);
  memo->setObjectName("BookmarkMemo");
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list->setMinimumHeight(kMinimumNoteHeight);
  memo->setMinimumHeight(kMinimumNoteHeight);
  bookmarkOpen = NamedButton("BookmarkOpenButton", bookmarkPage);
  bookmarkDelete = NamedButton("BookmarkDeleteButton", bookmarkPage);
  bookmarkHelp = NamedButton("BookmarkHelpButton", bookmarkPage);
  auto* bookmarkLayout = new QVBoxLayout(bookmarkPage);
  bookmarkLayout->addWidget(splitter);
  bookmarkLayout->addWidget(
      LeftAlignedRow(bookmarkPage, {bookmarkOpen, bookmarkDelete, bookmarkHelp}));
  pages->addTab(bookmarkPage, QString());

  QObject::connect(list, &QListWidget::currentItemChanged, q,
                   [this](QListWidgetItem* item) { SelectBookmark(item); });
  QObject::connect(list, &QListWidget::itemChanged, q,
                   [this](QListWidgetItem* item) { Rename(item); });
  QObject::connect(list, &QListWidget::itemDoubleClicked, q, [this] { OpenBookmark(); });
  new OpenOnEnter(list, [this] { OpenBookmark(); });
  noteTimer = new QTimer(q);
  noteTimer->setSingleShot(true);
  noteTimer->setInterval(kNoteSaveDelay);
  QObject::connect(noteTimer, &QTimer::timeout, q, [this] { SaveCurrentNote(); });
  QObject::connect(memo, &QPlainTextEdit::textChanged, q, [this] {
    if (loadingNote) return;
    noteModified = true;
    noteTimer->start();
  });
  memo->installEventFilter(q);
  QObject::connect(bookmarkOpen, &QPushButton::clicked, q, [this] { OpenBookmark(); });
  QObject::connect(bookmarkDelete, &QPushButton::clicked, q, [this] { DeleteBookmark(); });
  QObject::connect(bookmarkHelp, &QPushButton::clicked, q, [this] {
    if (services) services->ShowHelp(kBookmarkHelp);
  });
}

void TNavigationForm::Impl::BuildMediaPage() {
  mediaPage = new QWidget;
  mediaPage->setObjectName("KurzInfoTabSheet");
  mediaTree = new QTreeWidget(mediaPage);
  mediaTree->setObjectName("MediaTreeView");
  mediaTree->setHeaderHidden(true);
  mediaTree->setColumnCount(1);
  mediaTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  kurzOpen = NamedButton("KurzOpenButton", mediaPage);
  kurzHelp = NamedButton("KurzHelpButton", mediaPage);
  auto* layout = new QVBoxLayout(mediaPage);
  layout->addWidget(mediaTree);
  layout->addWidget(LeftAlignedRow(mediaPage, {kurzOpen, kurzHelp}));
  pages->addTab(mediaPage, QString());

  QObject::connect(mediaTree, &QTreeWidget::currentItemChanged, q,
                   [this] { kurzOpen->setEnabled(SelectedMedia() != nullptr); });
  QObject::connect(mediaTree, &QTreeWidget::itemDoubleClicked, q, [this](QTreeWidgetItem* item) {
    mediaTree->setCurrentItem(item);
    OpenMedia();
  });
  QObject::connect(kurzOpen, &QPushButton::clicked, q, [this] { OpenMedia(); });
  new OpenOnEnter(mediaTree, [this] { OpenMedia(); });
  QObject::connect(kurzHelp, &QPushButton::clicked, q, [this] {
    if (services) services->ShowHelp(kMediaHelp);
  });
}

// The width just fits the content page's buttons; a stored size that is larger and still fits
// into the main window (or the screen) replaces it.
void TNavigationForm::Impl::ChooseSize() {
  QSize bound;
  if (QWidget* parent = q->parentWidget())
    bound = parent->window()->size();
  else if (QScreen* screen = QGuiApplication::primaryScreen())
    bound = screen->availableSize();
  const auto saved = catalog.Settings().GetNavWinSize();
  int width = contentButtons->sizeHint().width() + 20;
  int height = kDefaultHeight;
  if (saved[0] > width && saved[0] < bound.width()) width = saved[0];
  if (saved[1] > height && saved[1] < bound.height()) height = saved[1];
  initialSize = QSize(width, height);
  q->resize(initialSize);
}

void TNavigationForm::SetCaptions() {
  setWindowTitle(Text(kCaption));
  d_->pages->setTabText(d_->pages->indexOf(d_->contentPage), Text(kContentPage));
  d_->pages->setTabText(d_->pages->indexOf(d_->bookmarkPage), Text(kBookmarkPage));
  d_->pages->setTabText(d_->pages->indexOf(d_->internetPage), Text(kInternetPage));
  d_->pages->setTabText(d_->pages->indexOf(d_->mediaPage), Text(kMediaPage));
  d_->internetPage->SetCaptions();
  d_->textOpen->setText(Text(captions::kOpen));
  d_->textNewOpen->setText(Text(kOpenNew));
  d_->textSynOpen->setText(Text(captions::kSynchronise));
  d_->textHelp->setText(Text(captions::kHelp));
  d_->bookmarkOpen->setText(Text(captions::kOpen));
  d_->bookmarkDelete->setText(Text(kDelete));
  d_->bookmarkHelp->setText(Text(captions::kHelp));
  d_->kurzOpen->setText(Text(captions::kOpen));
  d_->kurzHelp->setText(Text(captions::kHelp));
}

// --- content tree ----------------------------------------------------------------------------

void TNavigationForm::Refresh() {
  Impl& d = *d_;
  BusyCursor busy;
  d.updating = true;
  d.tree->clear();
  d.keys.clear();
  try {
    const TTreeInfo root(d.catalog, TTreeRecord{});
    for (const TreeChild& cd : root.Items()) {
      if (!cd.Damage.empty())
        d.AddDamagedNode(cd);
      else if (cd.VersionOK)
        d.AddNode(nullptr, cd);
      else
        d.OfferNewVersion(cd);
    }
  } catch (const std::exception& e) {
    d.ShowError(e.what());
  }
  d.ReportDamage(d.catalog.CDs());
  d.FillMedia();
  d.internetPage->BuildList();  // entries for one collection follow the installed collections
  if (d.services != nullptr) {
    if (CrossReferenceLinks* links = d.services->CrossReferences()) {
      try {
        links->Rebuild();
      } catch (const std::exception& e) {
        d.ShowError(e.what());
      }
    }
  }
  d.updating = false;
  d.UpdateButtons();
}

QTreeWidgetItem* TNavigationForm::Impl::AddNode(QTreeWidgetItem* parent, const TreeChild& child) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, FromCp1252(child.Name));
  item->setData(0, kKeyRole, QVariant::fromValue<qulonglong>(keys.size()));
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  keys.push_back(child.Key);
  if (parent)
    parent->addChild(item);
  else
    tree->addTopLevelItem(item);
  return item;
}

void TNavigationForm::Impl::AddDamagedNode(const TreeChild& cd) {
  QTreeWidgetItem* item = AddNode(nullptr, cd);
  if (cd.Name.empty()) item->setText(0, Utf8(Trim(cd.Key.CDID)));
  item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
  item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
  item->setData(0, kLoadedRole, true);
  item->setToolTip(0, Utf8(cd.Damage));
}

// The messages wait for the event loop: at start the splash screen still covers the main window
// while the tree is first filled.
void TNavigationForm::Impl::ReportDamage(const TCRrecords& cds) {
  std::vector<std::string> messages;
  for (const TCRrecord& cd : cds) {
    if (cd.Damage.empty() || !reported.insert(Trim(cd.CDID) + "\n" + cd.Damage).second) continue;
    messages.push_back(DamagedCollectionText(cd));
  }
  if (messages.empty()) return;
  // The prompts outlive the form, which a message box's event loop may take away meanwhile.
  QMetaObject::invokeMethod(
      q,
      [&prompts = catalog.Prompts(), messages] {
        for (const std::string& message : messages) prompts.ShowError(message);
      },
      Qt::QueuedConnection);
}

// Loads a node's children when it is first expanded, once its collection is available; the
// node closes again when it is not or when reading fails.
void TNavigationForm::Impl::Expand(QTreeWidgetItem* item) {
  if (item->data(0, kLoadedRole).toBool()) return;
  bool loaded = false;
  try {
    BusyCursor busy;
    const TTreeRecord key = KeyOf(item);
    if (catalog.CDUsable(key.CDID, true)) {
      if (item->childCount() > 0) RaiseInternalError("NF-EN 001");
      TTreeRecords children;
      try {
        children = TTreeInfo(catalog, key).Items();
      } catch (const InternalError& e) {
        // A text without chapters (empty chapter file) simply has no children.
        if (e.Code() != kNoChapters) throw;
      }
      for (const TreeChild& child : children) AddNode(item, child);
      if (children.empty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
      item->setData(0, kLoadedRole, true);
      loaded = true;
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  if (!loaded) item->setExpanded(false);
}

// The collection needs a newer reader: offer to run the collection's setup program, which
// installs one, and end so that it can replace this program.
void TNavigationForm::Impl::OfferNewVersion(const TreeChild& cd) {
  std::string second = Tr(kInstallNow);
  second = ReplaceFirst(second, "%d", std::to_string(cd.MajorVersion));
  second = ReplaceFirst(second, "%d", std::to_string(cd.MinorVersion));
  const QString text = Utf8(Format(Tr(kNeedsNewer), {Cp1252ToUtf8(cd.Name)})) + "\n" + Utf8(second);
  if (!Ask(text, Text(kInstall)) || catalog.GetCDIndex(cd.Key.CDID) < 0) return;
  const std::string root = catalog.GetCDPath(cd.Key.CDID);
  const std::string setup = JoinPath(root, TCDInfo(root).GetSetupFileName());
  if (!FileExists(setup)) {
    ShowError(Format(Tr(kFileNotFound), {NativeSeparators(setup)}));
    return;
  }
  if (QProcess::startDetached(Utf8(ResolvePath(setup)), {kInstallerArgument}))
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TNavigationForm::Impl::UpdateButtons() {
  if (updating) return;
  const QTreeWidgetItem* item = tree->currentItem();
  const bool text = item && KeyOf(item).TextNo != 0;
  textOpen->setEnabled(text);
  textNewOpen->setEnabled(text);
  textSynOpen->setEnabled(text);
}

void TNavigationForm::Impl::OpenSelected(OpenMode mode) {
  const QTreeWidgetItem* item = tree->currentItem();
  if (!item) return;
  const TTreeRecord key = KeyOf(item);
  if (key.TextNo == 0) return;
  try {
    if (!catalog.CDUsable(key.CDID, true) || !services) return;
    switch (mode) {
      case OpenMode::kReuse:
        services->OpenTextFromReference(key.CDID, key.TextNo, key.Position);
        break;
      case OpenMode::kNewWindow:
        services->OpenTextInNewWindow(key.CDID, key.TextNo, key.Position);
        break;
      case OpenMode::kSynoptic:
        services->OpenTextSynoptic(key.CDID, key.TextNo, key.Position);
        break;
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

// --- multimedia ------------------------------------------------------------------------------

// One top-level node per installed collection (catalog order) with an empty entry, and below it
// the collection's multimedia entries. A collection whose entries cannot be read keeps its node.
void TNavigationForm::Impl::FillMedia() {
  mediaTree->clear();
  mediaEntries.clear();
  auto addNode = [this](QTreeWidgetItem* parent, const std::string& caption, TMediaEntry entry) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, FromCp1252(caption));
    item->setData(0, kKeyRole, QVariant::fromValue<qulonglong>(mediaEntries.size()));
    mediaEntries.push_back(std::move(entry));
    if (parent)
      parent->addChild(item);
    else
      mediaTree->addTopLevelItem(item);
    return item;
  };
  const TCRrecords cds = catalog.CDs();
  for (const TCRrecord& cd : cds) {
    QTreeWidgetItem* node = addNode(nullptr, cd.Name, TMediaEntry{});
    if (!media || !cd.Damage.empty()) continue;  // a damaged collection is reported once, above
    try {
      media->SetCD(cd.CDID);
      media->SetMediaDir(JoinPath(StripTrailingSeparator(cd.Path), "media"));
      for (int i = 0; i < media->Count(); ++i) {
        TMediaEntry entry = media->GetEntry(i);
        const std::string caption = entry.Caption;
        addNode(node, caption, std::move(entry));
      }
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
  kurzOpen->setEnabled(false);
}

const TMediaEntry* TNavigationForm::Impl::SelectedMedia() const {
  const QTreeWidgetItem* item = mediaTree->currentItem();
  if (!item) return nullptr;
  const TMediaEntry& entry = mediaEntries[item->data(0, kKeyRole).toULongLong()];
  return entry.Empty() ? nullptr : &entry;
}

// Runs the selected entry with the main window's handle; a presentation saves the main window's
// state first and restores it afterwards. The entry is copied: running it may refresh the tree.
void TNavigationForm::Impl::OpenMedia() {
  const TMediaEntry* selected = SelectedMedia();
  if (!selected || !media) return;
  const TMediaEntry entry = *selected;
  QPointer<QWidget> window = q->window();
  Qt::WindowStates state = window->windowState();
  TMultiMedia::RunContext context;
  context.window = window.data();
  context.saveWindowState = [window, &state] {
    if (window) state = window->windowState();
  };
  context.restoreWindowState = [window, &state] {
    if (!window) return;
    window->setWindowState(state);
    window->raise();
    window->activateWindow();
  };
  try {
    media->Run(entry, context);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

// --- bookmarks -------------------------------------------------------------------------------

QListWidgetItem* TNavigationForm::Impl::AddRow(const TBookmarkRecord& record) {
  auto* item = new QListWidgetItem(FromCp1252(record.Title));
  item->setData(kKeyRole, record.Id);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  const QSignalBlocker block(list);
  list->addItem(item);
  return item;
}

void TNavigationForm::Impl::FillBookmarks() {
  SaveCurrentNote();  // the list is rebuilt without a current bookmark
  filling = true;
  list->clear();
  for (int32_t i = 0; i < bookmarks.Count(); ++i) AddRow(bookmarks.GetItem(i));
  list->setCurrentItem(nullptr);
  currentNote = 0;
  loadingNote = true;
  memo->clear();
  loadingNote = false;
  noteModified = false;
  memo->setEnabled(false);
  filling = false;
}

void TNavigationForm::Impl::SelectBookmark(QListWidgetItem* item) {
  if (filling) return;
  SaveCurrentNote();
  currentNote = item ? item->data(kKeyRole).toInt() : 0;
  QString text;
  if (currentNote != 0) {
    try {
      QStringList lines;
      for (const std::string& line : bookmarks.LoadNote(currentNote)) lines << Utf8(line);
      text = lines.join('\n');
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
  loadingNote = true;
  memo->setPlainText(text);
  loadingNote = false;
  noteModified = false;
  memo->setEnabled(currentNote != 0);
}

// Writes the memo into the current bookmark's note file when it was edited and the bookmark
// still exists.
void TNavigationForm::Impl::SaveCurrentNote() {
  noteTimer->stop();
  if (currentNote == 0 || !noteModified || bookmarks.IndexOf(currentNote) < 0) return;
  // The raw text keeps non-breaking spaces, which toPlainText turns into plain ones; paragraphs
  // and soft line breaks both end a line of the note.
  QString text = memo->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, '\n').replace(QChar::LineSeparator, '\n');
  std::vector<std::string> lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  try {
    bookmarks.SaveNote(currentNote, lines);
    noteModified = false;
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

// Writes bookmark.dat at once after every change of the list, so that no change waits for the
// end of the run.
void TNavigationForm::Impl::SaveList() {
  try {
    bookmarks.Save();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

// An edited caption becomes the bookmark's title, cut to the title's 80 characters.
void TNavigationForm::Impl::Rename(QListWidgetItem* item) {
  if (filling) return;
  const int32_t index = bookmarks.IndexOf(item->data(kKeyRole).toInt());
  if (index < 0) return;
  TBookmarkRecord record = bookmarks.GetItem(index);
  record.Title = ToCp1252(item->text());
  if (record.Title.size() > TBookmark::kTitleCap) record.Title.resize(TBookmark::kTitleCap);
  bookmarks.SetItem(index, record);
  SaveList();
  const QString shown = FromCp1252(record.Title);
  if (item->text() != shown) {
    const QSignalBlocker block(list);
    item->setText(shown);
  }
}

void TNavigationForm::Impl::OpenBookmark() {
  const QListWidgetItem* item = list->currentItem();
  if (!item) return;
  const int32_t index = bookmarks.IndexOf(item->data(kKeyRole).toInt());
  if (index < 0) return;
  const TBookmarkRecord record = bookmarks.GetItem(index);
  if (catalog.GetCDIndex(record.CDID) < 0) {
    const std::string name = Cp1252ToUtf8(record.CDName.empty() ? record.CDID : record.CDName);
    ShowError(Format(Tr(kCDNotAvailable), {name}) + "\n" + Format(Tr(kInsertCD), {name}));
    return;
  }
  try {
    if (catalog.CDUsable(record.CDID, true) && services)
      services->OpenTextByIds(record.CDID, record.TextNo, record.Layer, record.FirstParagraph,
                              true);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TNavigationForm::Impl::DeleteBookmark() {
  const QListWidgetItem* item = list->currentItem();
  if (!item) return;
  const int32_t id = item->data(kKeyRole).toInt();
  if (!Ask(Utf8(Format(Tr(kConfirmDelete), {item->text().toStdString()})), "OK")) return;
  try {
    bookmarks.Delete(id);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  SaveList();
  FillBookmarks();
}

void TNavigationForm::AddBookmark(const TBookmarkRecord& record) {
  Impl& d = *d_;
  TBookmarkRecord stored = record;
  try {
    stored.Id = d.bookmarks.Add(record);
  } catch (const std::exception& e) {
    d.ShowError(e.what());
    return;
  }
  d.SaveList();
  stored = d.bookmarks.GetItem(d.bookmarks.IndexOf(stored.Id));
  QListWidgetItem* item = d.AddRow(stored);
  d.pages->setCurrentWidget(d.bookmarkPage);
  d.list->setCurrentItem(item);
  d.list->scrollToItem(item);
  if (auto* window = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    if (window->isMinimized()) window->showNormal();
    if (QMdiArea* area = window->mdiArea()) area->setActiveSubWindow(window);
  } else {
    raise();
    activateWindow();
  }
}

}  // namespace quillmar::gui
