#include "gui/search_ui/search_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/language.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "gui/search_ui/result_form.h"
#include "plugins/plugin_manager.h"
#include "retrieval/complex_query.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Suchen", "Find"};
constexpr LangText kRunning{"Suche läuft...", "searching..."};
constexpr LangText kCancelling{"Suche wird abgebrochen, warten...", "Search cancels, wait..."};
constexpr LangText kCanceled{"Suche wurde abgebrochen", "Search canceled"};
constexpr LangText kNoneFound{"Keine Stellen gefunden.", "No occurrences found."};

constexpr int kWidth = 201, kHeight = 76;

}  // namespace

TSucheLauftForm::TSucheLauftForm(AppContext& context, WindowServices& services,
                                 std::shared_ptr<const retrieval::SearchCatalog> katalog,
                                 QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      context_(context),
      services_(services),
      katalog_(std::move(katalog)),
      thread_(std::make_unique<retrieval::TSuchThread>(*katalog_, &context.Plugins())) {
  setWindowTitle(Text(kCaption));
  setFixedSize(kWidth, kHeight);
  info_ = new QLabel(Text(kRunning), this);
  info_->setObjectName("InfoLabel");
  info_->setAlignment(Qt::AlignCenter);
  cancel_ = MakeButton(captions::kCancel, "CancelButton", this);
  cancel_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(info_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  connect(cancel_, &QPushButton::clicked, this, &TSucheLauftForm::Cancel);

  // The outcome handler runs on the worker: it only posts the report to this dialog. The
  // destructor joins the worker first, so the dialog outlives every such call; a report still
  // queued then goes with the dialog.
  thread_->OnEnd = [this] {
    QMetaObject::invokeMethod(
        this, [this] { Completed(); }, Qt::QueuedConnection);
  };
}

TSucheLauftForm::~TSucheLauftForm() {
  thread_->KAFTerminate();
  thread_->Wait();
  if (waiting_) QApplication::restoreOverrideCursor();
}

void TSucheLauftForm::Start() {
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  if (!waiting_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waiting_ = true;
  }
  thread_->Start();
}

void TSucheLauftForm::Cancel() {
  if (abbruch_) return;
  abbruch_ = true;
  info_->setText(Text(kCancelling));
  info_->repaint();
  // The search ends after its current hit with status 10; the outcome handler reports it.
  thread_->KAFTerminate();
}

void TSucheLauftForm::closeEvent(QCloseEvent* event) {
  if (!finished_) {
    Cancel();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TSucheLauftForm::reject() {
  if (!finished_) Cancel();
}

void TSucheLauftForm::Completed() {
  if (finished_) return;
  finished_ = true;
  thread_->Wait();
  hide();
  if (waiting_) {
    QApplication::restoreOverrideCursor();
    waiting_ = false;
  }
  retrieval::TKomplexAnfrage& q = thread_->Anfrage();
  UserPrompts& prompts = context_.Prompts();
  // A message box runs its own event loop, in which the owner may close and take this dialog.
  const QPointer<TSucheLauftForm> self(this);
  if (q.Fehler) {
    // One message: the collections left out, and that the others gave nothing when so.
    std::string text = q.FehlerText;
    const bool othersSearched = !q.LeftOut.empty() && q.LeftOut.size() < q.CDs.size();
    if (othersSearched && q.Status == retrieval::query_status::kOk && q.Ergebnis.Anzahl() == 0)
      text += "\n\n" + std::string(Tr(kNoneFound));
    QApplication::beep();
    prompts.ShowError(text);
    if (self.isNull()) return;
  }
  if (q.Status == retrieval::TKomplexAnfrage::kCancelled) {
    prompts.ShowInformation(Tr(kCanceled));
  } else if (q.Status < 0) {
    prompts.ShowError(retrieval::StatusText(q.Status));
  } else if (q.Ergebnis.Anzahl() > 0) {
    if (TSuchResultForm* list = services_.CreateResultList()) {
      // The hits with the filters they were found under (the date condition among them).
      retrieval::TFundstellenListe hits;
      hits.Uebernehmen(q.Ergebnis);
      hits.EinstellungenKopieren(q.Vorlage);
      const int count = hits.Anzahl();
      const bool dateSearch = hits.HatDatumsbedingung();
      list->Fill(std::move(hits), katalog_, query_, count, dateSearch);
      list->Zeigen();
    }
  } else if (!q.Fehler) {
    prompts.ShowInformation(Tr(kNoneFound));
  }
  if (self.isNull()) return;
  emit SearchFinished();
  deleteLater();
}

}  // namespace quillmar::gui
