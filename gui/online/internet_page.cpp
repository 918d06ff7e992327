#include "gui/online/internet_page.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>
#include <vector>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/language.h"
#include "collection/calderwick_data.h"
#include "gui/common/captions.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "online/file_download.h"
#include "online/inet_info.h"
#include "online/online_service.h"
#include "platform/net/qt_http_client.h"

namespace quillmar::gui {

namespace {

constexpr LangText kRefresh{"&Aktualisieren", "&Refresh"};
constexpr LangText kInstallNow{"Soll Quillmar reader %d.%d jetzt installiert werden?",
                               "Do You want install Quillmar reader %d.%d now?"};
constexpr LangText kNoWebAddress{"'%s' ist keine Web-Adresse.", "'%s' is not a web address."};
constexpr LangText kCannotOpen{"'%s' kann nicht geöffnet werden.", "Cannot open '%s'."};
constexpr char kInternetHelp[] = "IDH_05000";
#ifdef _WIN32
constexpr char kInstallerArgument[] = "/P";
#endif
constexpr int kIdRole = Qt::UserRole;

TInternetPage::UrlOpener& OpenerHook() {
  static TInternetPage::UrlOpener opener;
  return opener;
}

bool OpenUrl(const QUrl& url) {
  const auto& hook = OpenerHook();
  return hook ? hook(url) : QDesktopServices::openUrl(url);
}

QPushButton* NamedButton(const char* name, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

struct TInternetPage::Impl {
  Impl(TInternetPage* page, TCalderwickData& c, WindowServices* s, ConfirmFunction a)
      : q(page), catalog(c), services(s), ask(std::move(a)), download(client) {}

  void Build();
  // Starts fetching `url` into `target`; `then` gets whether it succeeded. False when another
  // download runs or the download could not start (the user was told).
  bool Download(const std::string& target, const std::string& url, std::function<void(bool)> then);
  void SetStatus(const QString& text, const QString& detail = {});
  const TINetInfoRecord* Selected() const;
  void OpenWebAddress(const std::string& target);
  void OpenDocument(const TINetInfoRecord& entry);
  void OfferReader(const TINetInfoRecord& entry);
  void ShowError(const std::string& message) { catalog.Prompts().ShowError(message); }

  TInternetPage* q;
  TCalderwickData& catalog;
  WindowServices* services;
  ConfirmFunction ask;
  QtHttpClient client;
  FileDownload download;  // uses `client`

  QListWidget* list = nullptr;
  QStatusBar* statusBar = nullptr;
  QLabel* status = nullptr;
  QPushButton* open = nullptr;
  QPushButton* refresh = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* help = nullptr;

  std::vector<TINetInfoRecord> entries;  // the listed records, in list order
  bool automaticPending = true;          // the first visit of the page refreshes the list
};

TInternetPage::TInternetPage(TCalderwickData& catalog, WindowServices* services,
                             ConfirmFunction ask, QWidget* parent)
    : QWidget(parent), d_(std::make_unique<Impl>(this, catalog, services, std::move(ask))) {
  setObjectName("InternetTabSheet");
  d_->Build();
  SetCaptions();
}

TInternetPage::~TInternetPage() = default;

void TInternetPage::SetUrlOpener(UrlOpener opener) { OpenerHook() = std::move(opener); }

void TInternetPage::Impl::Build() {
  list = new QListWidget(q);
  list->setObjectName("InetListView");
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  statusBar = new QStatusBar(q);
  statusBar->setObjectName("INetStatusBar");
  statusBar->setSizeGripEnabled(false);
  status = new QLabel(statusBar);
  status->setObjectName("INetStatusPanel");
  statusBar->addWidget(status, 1);
  statusBar->hide();
  statusBar->installEventFilter(q);
  status->installEventFilter(q);
  open = NamedButton("InetOpenButton", q);
  refresh = NamedButton("InetRefreshButton", q);
  cancel = NamedButton("INetCancelButton", q);
  help = NamedButton("InetHelpButton", q);
  cancel->setEnabled(false);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* button : {open, refresh, cancel, help}) row->addWidget(button);
  row->addStretch();
  auto* layout = new QVBoxLayout(q);
  layout->addWidget(list);
  layout->addWidget(statusBar);
  layout->addLayout(row);

  QObject::connect(list, &QListWidget::itemDoubleClicked, q, [this] { q->OpenEntry(); });
  QObject::connect(list, &QListWidget::currentItemChanged, q,
                   [this] { open->setEnabled(Selected() != nullptr); });
  QObject::connect(open, &QPushButton::clicked, q, [this] { q->OpenEntry(); });
  QObject::connect(refresh, &QPushButton::clicked, q, [this] { q->RefreshList(); });
  QObject::connect(cancel, &QPushButton::clicked, q, [this] { q->CancelTransfer(); });
  QObject::connect(help, &QPushButton::clicked, q, [this] {
    if (services) services->ShowHelp(kInternetHelp);
  });
  list->installEventFilter(q);
}

void TInternetPage::SetCaptions() {
  d_->open->setText(Text(captions::kOpen));
  d_->refresh->setText(Text(kRefresh));
  d_->cancel->setText(Text(captions::kCancel));
  d_->help->setText(Text(captions::kHelp));
}

bool TInternetPage::eventFilter(QObject* watched, QEvent* event) {
  Impl& d = *d_;
  if ((watched == d.statusBar || watched == d.status) &&
      event->type() == QEvent::MouseButtonDblClick) {
    if (!Busy()) d.statusBar->hide();
    d.refresh->setEnabled(!Busy());
    return true;
  }
  if (watched == d.list && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenEntry();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TInternetPage::Busy() const { return d_->download.Busy(); }

void TInternetPage::Impl::SetStatus(const QString& text, const QString& detail) {
  status->setText(text);
  status->setToolTip(detail);
}

// --- the list --------------------------------------------------------------------------------

void TInternetPage::BuildList() {
  Impl& d = *d_;
  d.list->clear();
  d.entries.clear();
  try {
    OfferList offers = ListOffers(RemoteListFile(d.catalog), CurrentListingContext(d.catalog));
    if (offers.notice) d.catalog.Prompts().ShowInformation(Tr(kServiceNoticeText));
    d.entries = std::move(offers.entries);
  } catch (const std::exception& e) {
    d.ShowError(e.what());
  }
  for (const TINetInfoRecord& entry : d.entries) {
    auto* item = new QListWidgetItem(FromCp1252(entry.Caption), d.list);
    item->setData(kIdRole, entry.Id);
  }
  d.open->setEnabled(false);
}

void TInternetPage::RefreshList() {
  Impl& d = *d_;
  std::string target;
  try {
    target = RemoteListFile(d.catalog);
  } catch (const std::exception& e) {
    d.ShowError(e.what());
    return;
  }
  d.Download(target, d.catalog.Settings().GetOnline(), [this](bool) { BuildList(); });
}

void TInternetPage::PageShown() {
  if (!d_->automaticPending) return;
  RefreshList();  // still pending while it starts: the request says "auto", the bar stays hidden
  d_->automaticPending = false;
}

void TInternetPage::PageHidden() { d_->statusBar->hide(); }

void TInternetPage::CancelTransfer() { d_->download.Cancel(); }

// --- downloads -------------------------------------------------------------------------------

bool TInternetPage::Impl::Download(const std::string& target, const std::string& url,
                                   std::function<void(bool)> then) {
  if (download.Busy()) {
    QApplication::beep();
    return false;
  }
  FileDownload::Events events;
  events.progress = [this](int64_t received, int64_t total) {
    SetStatus(Utf8(total >= 0 ? ReceivedText(received, total)
                              : std::string(Tr(kReceived)) + ": " + std::to_string(received)));
  };
  events.finished = [this, then = std::move(then)](const DownloadResult& result) {
    refresh->setEnabled(true);
    cancel->setEnabled(false);
    SetStatus(Text(result.ok ? kDownloadSuccessful : kDownloadFailed), Utf8(result.error));
    if (then) then(result.ok);
  };
  refresh->setEnabled(false);
  cancel->setEnabled(true);
  SetStatus(Text(kConnecting));
  if (!automaticPending) statusBar->show();
  try {
    download.Start(target, OnlineRequest(catalog, url, automaticPending), std::move(events));
  } catch (const std::exception& e) {
    refresh->setEnabled(true);
    cancel->setEnabled(false);
    SetStatus(Text(kDownloadFailed), Utf8(e.what()));
    ShowError(e.what());
    return false;
  }
  return true;
}

// --- opening entries -------------------------------------------------------------------------

const TINetInfoRecord* TInternetPage::Impl::Selected() const {
  const QListWidgetItem* item = list->currentItem();
  if (!item) return nullptr;
  const int32_t id = item->data(kIdRole).toInt();
  for (size_t i = entries.size(); i-- > 0;)
    if (entries[i].Id == id) return &entries[i];
  return nullptr;
}

void TInternetPage::OpenEntry() {
  Impl& d = *d_;
  const TINetInfoRecord* selected = d.Selected();
  if (!selected) return;
  const TINetInfoRecord entry = *selected;  // the list may be rebuilt meanwhile
  try {
    switch (entry.Kind) {
      case kNewReader:
        d.OfferReader(entry);
        break;
      case kWebPage:
      case kCollectionPage:
      case kReaderPage:
        d.OpenWebAddress(entry.Target);
        break;
      case kDocument:
      case kReaderDocument:
      case kCollectionDocument:
        d.OpenDocument(entry);
        break;
      default:
        break;
    }
  } catch (const std::exception& e) {
    d.ShowError(e.what());
  }
}

void TInternetPage::Impl::OpenWebAddress(const std::string& target) {
  const std::string address = WebAddress(Cp1252ToUtf8(target));
  if (address.empty()) {
    ShowError(Format(Tr(kNoWebAddress), {Cp1252ToUtf8(Trim(target))}));
    return;
  }
  if (!OpenUrl(QUrl(Utf8(address), QUrl::TolerantMode)))
    ShowError(Format(Tr(kCannotOpen), {address}));
}

// A document is fetched once; its file in the download directory is shown from then on.
void TInternetPage::Impl::OpenDocument(const TINetInfoRecord& entry) {
  const std::string file = EntryFile(catalog, entry.Id, false);
  const QString caption = FromCp1252(entry.Caption);
  auto show = [this, file, caption] {
    if (services) services->OpenTextFile(file, caption, 0);
  };
  if (std::filesystem::exists(file)) return show();
  const std::string address = WebAddress(Cp1252ToUtf8(entry.Target));
  if (address.empty()) {
    ShowError(Format(Tr(kNoWebAddress), {Cp1252ToUtf8(Trim(entry.Target))}));
    return;
  }
  Download(file, address, [show](bool ok) {
    if (ok) show();
  });
}

// A newer reader: on Windows its installer is fetched once and started with "/P", and the
// reader ends once the installer runs; elsewhere the installer's address opens in the browser.
void TInternetPage::Impl::OfferReader(const TINetInfoRecord& entry) {
  std::string text = Tr(kInstallNow);
  text = ReplaceFirst(text, "%d", std::to_string(entry.Major));
  text = ReplaceFirst(text, "%d", std::to_string(entry.Minor));
  if (!ask(Utf8(text), Text(captions::kOK))) return;
#ifdef _WIN32
  const std::string file = EntryFile(catalog, entry.Id, true);
  auto start = [file] {
    if (QProcess::startDetached(Utf8(file), {kInstallerArgument}))
      QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  };
  if (std::filesystem::exists(file)) return start();
  const std::string address = WebAddress(Cp1252ToUtf8(entry.Target));
  if (address.empty()) {
    ShowError(Format(Tr(kNoWebAddress), {Cp1252ToUtf8(Trim(entry.Target))}));
    return;
  }
  Download(file, address, [start](bool ok) {
    if (ok) start();
  });
#else
  OpenWebAddress(entry.Target);
#endif
}

}  // namespace quillmar::gui
