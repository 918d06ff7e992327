#include "gui/text/text_child.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/text_info.h"
#include "gui/common/captions.h"
#include "gui/text/cross_reference_links.h"
#include "gui/text/goto_page_dialog.h"
#include "gui/text/text_child_impl.h"
#include "platform/gui/qt_canvas.h"
#include "retrieval/hit_list.h"
#include "text/document.h"
#include "text/markings.h"
#include "text/plain_text.h"
#include "text/text_style.h"

namespace quillmar::gui {

using namespace text_child;

namespace {
TGeheZuSeiteForm* g_goto_page_dialog = nullptr;
}  // namespace

// ---- TTextChild ----

TTextChild::TTextChild(TCalderwickData& catalog, TextStyle& style, WindowServices* services,
                       QWidget* parent)
    : QWidget(parent), d_(std::make_unique<Impl>(this, catalog, style, services)) {
  setWindowTitle(Text(kLoading));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  d_->BuildComponents();
  d_->BuildPanels();
  d_->EnsureBuffer();
  d_->canvas = std::make_unique<QtCanvas>(d_->painter, style);
  d_->doc = std::make_unique<TAbsaetze>(*d_->canvas, style.Colours());
  d_->doc->SetCacheFactor(1);
  const QRect area = d_->TextArea();
  d_->doc->SetClientRect({0, 0, area.width(), area.height()});
  d_->ApplyDocSettings();
  if (services != nullptr) d_->cross_references = services->CrossReferences();
}

TTextChild::~TTextChild() {
  if (d_->cross_references != nullptr) d_->cross_references->Forget(this);
  d_->doc.reset();
  d_->canvas.reset();
  if (d_->painter.isActive()) d_->painter.end();
}

void TTextChild::SetCollection(const std::string& cdid) {
  const int i = d_->catalog.GetCDIndex(cdid);
  if (i < 0) RaiseInternalError("TC-SID-001");
  d_->cdid = d_->catalog.CDs()[static_cast<size_t>(i)].CDID;
  d_->file_mode = false;
  const std::string info_file = d_->catalog.GetTextInfoFile(d_->cdid);
  d_->text_info = std::make_unique<TTextInfo>(&d_->catalog.Prompts());
  d_->text_dir = DirectoryOf(info_file);
  if (!d_->text_info->Load(info_file)) d_->CloseWindow();
}

bool TTextChild::OpenText(int32_t textNr, int32_t layer, bool synchronise) {
  Impl& d = *d_;
  if (d.closing) return false;
  if (layer < kMainLayer || layer > kScholiaLayer) RaiseInternalError("TC-STN 001");
  if (!d.text_info) RaiseInternalError("TC-STN 002");
  d.layer = layer;
  d.text_info->Select(textNr);
  if (d.text_info->CurrentText() < 1) RaiseInternalError("TC-STN 002");
  d.text_nr = textNr;
  if (!d.file_mode) {
    d.file_name = layer == kMainLayer       ? d.text_info->GetLayer1DateiName()
                  : layer == kFootnoteLayer ? d.text_info->GetLayer2DateiName()
                                            : d.text_info->GetLayer3DateiName();
  }
  d.ApplyBorder();
  d.sync_allowed = layer == kMainLayer && d.text_info->HasSync();
  d.sync_mode = d.sync_allowed && synchronise;
  d.synchronous = false;
  d.synchronise->setEnabled(d.sync_allowed);
  d.print->setEnabled(true);
  d.go_to_page->setEnabled(true);

  d.UpdateTitle();
  d.BuildPanels();

  d.ResetSelection();
  d.clicked.reset();
  d.doc->Clear();
  d.doc->ClearHitMarkings();
  if (d.hit && SameCDID(d.hit->CD.Str(), d.cdid) && d.hit->TextNr == textNr &&
      TTextInfo::KindLayer(d.hit->Textteil) == layer) {
    d.doc->AddHitMarking(TFundMarkierung(*d.hit));
  }
  d.cross_reference_memory = {};
  d.ApplyDocSettings();
  if (!d.TextFileReady()) return false;
  d.stream_file.SetDateiName(d.file_name);
  d.Draw();
  return true;
}

bool TTextChild::OpenFile(const std::string& fileName, const QString& caption, int32_t position) {
  Impl& d = *d_;
  if (d.closing) return false;
  d.file_mode = true;
  d.layer = -1;
  d.text_nr = 0;
  d.cdid.clear();
  d.text_info.reset();
  d.sync_allowed = d.sync_mode = d.synchronous = false;
  d.synchronise->setEnabled(false);
  d.print->setEnabled(false);
  d.go_to_page->setEnabled(false);
  d.border = kNoMargin;
  d.BuildPanels();
  d.title = caption;
  setWindowTitle(caption);
  d.file_name = fileName;
  d.ResetSelection();
  d.clicked.reset();
  d.doc->Clear();
  d.doc->ClearHitMarkings();
  d.cross_reference_memory = {};
  d.ApplyDocSettings();
  if (!d.TextFileReady()) return false;
  d.stream_file.SetDateiName(fileName);
  d.GoTo(position, true);
  return true;
}

void TTextChild::GoToPosition(int32_t position) { d_->GoTo(position, false); }

void TTextChild::JumpTo(int32_t position) {
  RememberPosition();
  d_->GoTo(position, false);
  RememberPosition();
}

void TTextChild::SetCaptions() {
  Impl& d = *d_;
  const std::pair<QAction*, const LangText*> items[] = {
      {d.back, &captions::kBack},
      {d.next, &captions::kForward},
      {d.go_to_page, &captions::kGoToPage},
      {d.synchronise, &captions::kSynchronise},
      {d.copy, &captions::kCopy},
      {d.mark_paragraph, &captions::kMarkParagraph},
      {d.print, &captions::kPrint},
      {d.bookmark, &captions::kNewBookmark},
      {d.help, &captions::kHelp}};
  for (const auto& [action, caption] : items) action->setText(Text(*caption));
  for (QLabel* panel : d.panels) {
    if (panel->objectName() == QLatin1String("PageCaption")) panel->setText(Text(kPage));
    if (panel->objectName() == QLatin1String("LineCaption")) panel->setText(Text(kLine));
  }
  if (!d.file_mode && d.text_info && d.text_nr >= 1) d.UpdateTitle();
}

void TTextChild::Impl::UpdateTitle() {
  title = FromCp1252(text_info->GetLongTextName());
  if (layer == kFootnoteLayer) title += " (" + Text(kFootnotes) + ")";
  if (layer == kScholiaLayer) title += " (" + Text(kScholia) + ")";
  q->setWindowTitle(title);
}

void TTextChild::ApplyViewSettings(const ViewSettings& settings) {
  d_->view = settings;
  d_->ApplyBorder();
  Relayout();
}

void TTextChild::Relayout() {
  Impl& d = *d_;
  if (d.closing || d.resizing) return;
  FlagScope busy(d.resizing);
  d.scroll_counter += kResizeCounter;
  d.EnsureBuffer();
  d.canvas->SetFonts(d.style);
  d.ApplyBorder();
  d.ApplyDocSettings();
  if (!d.Loaded()) {
    d.Draw();
    return;
  }
  d.doc->Relayout();  // builds the words again, without cross-reference links
  d.cross_reference_memory = {};
  d.GoTo(d.doc->CurrentPosition(), true);
}

const std::string& TTextChild::CDID() const { return d_->cdid; }
int32_t TTextChild::TextNr() const { return d_->text_nr; }
int32_t TTextChild::Layer() const { return d_->layer; }
bool TTextChild::FileMode() const { return d_->file_mode; }
bool TTextChild::HasText() const { return d_->stream_file.DateiLen() > 0; }
bool TTextChild::Synoptic() const { return d_->sync_mode; }
QString TTextChild::Title() const { return d_->title; }
const std::string& TTextChild::FileName() const { return d_->file_name; }

int32_t TTextChild::MarkedFrom() const { return HasSelection() ? d_->sel_from : 0; }
int32_t TTextChild::MarkedTo() const { return HasSelection() ? d_->sel_to : 0; }
bool TTextChild::HasSelection() const {
  return d_->sel_from >= 1 && d_->doc->UserMarkings().Count() > 0;
}
int32_t TTextChild::CurrentPosition() const { return d_->doc->CurrentPosition(); }
int32_t TTextChild::FileLength() const { return d_->stream_file.DateiLen(); }
int32_t TTextChild::LeftBorder() const { return d_->border; }
int32_t TTextChild::LeftBorderPercent() const {
  const int width = d_->TextArea().width();
  if (d_->border <= 0 || width <= 0) return 0;
  return static_cast<int32_t>(std::lround(double(d_->border) * 100 / width));
}
const TAbsaetze& TTextChild::Document() const { return *d_->doc; }
bool TTextChild::HasHitMarking() const { return d_->hit.has_value(); }

void TTextChild::SetGoToPageDialog(TGeheZuSeiteForm* dialog) { g_goto_page_dialog = dialog; }

void TTextChild::Copy() {
  if (!HasSelection()) return;
  QString text = QString::fromStdString(d_->SelectionText());
  text.replace("\r\n", "\n");
  QGuiApplication::clipboard()->setText(text);
}

bool TTextChild::Export(const QString& fileName) {
  // UTF-8, so that Unicode Greek is kept.
  const QString text = HasSelection() ? QString::fromStdString(d_->SelectionText()) : QString();
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  QStringList lines = text.split("\r\n");
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  for (const QString& line : lines) file.write((line + "\n").toUtf8());
  return file.commit();
}

void TTextChild::MarkParagraph() {
  Impl& d = *d_;
  if (d.closing || !HasText()) return;
  if (d.sel_from < 1 && !d.doc->UserMarkings().Empty()) {
    if (const auto* m = dynamic_cast<const TUserMarkierung*>(&d.doc->UserMarkings().Item(0)))
      d.sel_from = m->To;
  }
  if (d.sel_from < 1 || d.sel_from > d.stream_file.DateiLen()) {
    d.catalog.Prompts().ShowInformation(Tr(kNoWordMarked));
    return;
  }
  const TAbsatzDataRecord paragraph = d.ReadParagraph(d.sel_from);
  const int32_t end =
      paragraph.start + std::max<int32_t>(0, static_cast<int32_t>(paragraph.text.size()) - 1);
  d.anchor = paragraph.start;
  d.SetSelection(paragraph.start, end);
}

QString TTextChild::BookmarkCaption() const {
  QString caption = windowTitle();
  if (d_->clicked) {
    caption += ", " + FromCp1252(d_->clicked->label) + ", " + Text(kPage) + ": " +
               QString::number(d_->clicked->page);
  }
  return caption;
}

void TTextChild::GoToPage() {
  if (d_->file_mode || !d_->text_info) return;
  TGeheZuSeiteForm* dialog = g_goto_page_dialog;
  std::unique_ptr<TGeheZuSeiteForm> own;
  if (dialog == nullptr) {
    own = std::make_unique<TGeheZuSeiteForm>(this);
    dialog = own.get();
  }
  if (dialog->exec() == TGeheZuSeiteForm::kOpened) GoToPage(dialog->PageText());
}

bool TTextChild::GoToPage(const QString& pageText) {
  Impl& d = *d_;
  if (d.file_mode || !d.text_info || d.closing) return false;
  const int32_t position = d.text_info->GetSeitenPosition(ToCp1252(pageText.trimmed()), d.layer);
  if (position < 0) {
    d.catalog.Prompts().ShowInformation(Tr(kNoPage));
    return false;
  }
  d.GoTo(std::max(position, 1), false);
  return true;
}

void TTextChild::FollowSync(int32_t target) {
  Impl& d = *d_;
  if (d.closing || d.syncing || !d.sync_mode || !d.Loaded() || target < 1) return;
  // The move must not make this window ask the others to follow in turn.
  FlagScope running(d.syncing);
  const int32_t position = d.text_info->GetSyncPosition(target);
  if (position < 1) return;
  d.GoTo(position, false);
  d.synchronous = true;
}

void TTextChild::Synchronise() {
  Impl& d = *d_;
  if (d.closing || d.syncing || !d.sync_allowed || !d.Loaded()) return;
  FlagScope running(d.syncing);
  const TWortListRecord* first = d.doc->FirstVisibleWord();
  const TWortListRecord* last = d.doc->LastVisibleWord();
  SyncRange range;
  if (first != nullptr && last != nullptr)
    range = d.text_info->GetSyncRange(first->StartPos, last->StartPos);
  const bool found = range.Target >= 1;
  if (d.services != nullptr) d.services->SynchroniseOthers(this, range.Target);
  if (!found && d.sync_mode) return;
  d.sync_mode = true;
  d.synchronous = found;
  d.ShowWord(first);
}

void TTextChild::RememberPosition() {
  Impl& d = *d_;
  if (!d.Loaded() || d.cdid.empty()) return;
  const TWortListRecord* word = d.doc->FirstVisibleWord();
  if (word == nullptr) return;
  TPositionRecord entry;
  entry.CDID = d.cdid;
  entry.Position = word->StartPos;
  entry.PageNumber = word->PageNumber;
  entry.LineNumber = word->LineNumber;
  entry.Caption = windowTitle().toStdString();
  entry.Label = word->Label;
  entry.TextNr = d.text_nr;
  entry.Layer = d.layer;
  d.history.Add(entry);
}

void TTextChild::Back() {
  TPositionRecord entry;
  if (d_->closing || !d_->history.Back(entry)) return;
  ShowEntry(entry);
}

void TTextChild::Next() {
  TPositionRecord entry;
  if (d_->closing || !d_->history.Next(entry)) return;
  ShowEntry(entry);
}

// Back and next are menu and tool bar commands: a place that can no longer be opened (its
// collection left the catalog when its medium was taken out) is reported to the user.
void TTextChild::ShowEntry(const TPositionRecord& entry) {
  d_->Guard([&] {
    SetCollection(entry.CDID);
    if (OpenText(entry.TextNr, entry.Layer, false)) d_->GoTo(entry.Position, true);
  });
}

bool TTextChild::CanGoBack() const { return d_->history.CanGoBack(); }
bool TTextChild::CanGoNext() const { return d_->history.CanGoNext(); }

void TTextChild::SetScrollBarVisible(bool visible) {
  d_->bar_hidden = !visible;
  d_->scroll_bar->setVisible(visible);
  if (visible) Relayout();
}

void TTextChild::ShowHit(const retrieval::TFundPosition& hit) {
  RememberPosition();  // before the collection changes: the entry names where the user was
  SetCollection(hit.CD.Str());
  d_->hit = hit;  // opening the hit's text marks it
  if (!OpenText(hit.TextNr, TTextInfo::KindLayer(hit.Textteil), false)) return;
  d_->GoTo(hit.Anfang, true);
  RememberPosition();
}

// ---- events ----

const QImage& TTextChild::TextImage() const { return d_->buffer; }

void TTextChild::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect area = d_->TextArea();
  p.fillRect(area, QtCanvas::ToQColor(d_->style.Colours().Screen[ColourTable::kBackground]));
  p.drawImage(0, 0, d_->buffer);
}

void TTextChild::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Impl& d = *d_;
  const int bar = d.scroll_bar->sizeHint().width();
  const int status = d.status_bar->sizeHint().height();
  d.scroll_bar->setGeometry(width() - bar, 0, bar, std::max(0, height() - status));
  d.status_bar->setGeometry(0, height() - status, width(), status);
  if (d.bar_hidden || (d.services != nullptr && d.services->MovingOrResizing())) return;
  d.Guard([this] { Relayout(); });
}

void TTextChild::keyPressEvent(QKeyEvent* event) {
  Impl& d = *d_;
  if (event->modifiers() == Qt::ControlModifier && !d.ctrl_linked) {
    d.ctrl_linked = true;
    d.Guard([&] { d.LinkAllParagraphs(); });
  }
  if (event->matches(QKeySequence::Copy)) {
    d.Guard([this] { Copy(); });
    return;
  }
  switch (event->key()) {
    case Qt::Key_F1:
      if (d.services != nullptr) d.services->ShowHelp(kHelpTopic);
      return;
    case Qt::Key_Down:
      d.Guard([&] { d.LineDown(); });
      return;
    case Qt::Key_Up:
      d.Guard([&] { d.LineUp(); });
      return;
    case Qt::Key_PageDown:
      d.Guard([&] { d.PageDown(); });
      return;
    case Qt::Key_PageUp:
      d.Guard([&] { d.PageUp(); });
      return;
    case Qt::Key_F3:
      if (d.services != nullptr && HasHitMarking()) {
        if (event->modifiers() & Qt::ShiftModifier) {
          d.services->PreviousHit();
        } else {
          d.services->NextHit();
        }
      }
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TTextChild::keyReleaseEvent(QKeyEvent* event) {
  Impl& d = *d_;
  // A held key's automatic repetition releases nothing: the links stay while Ctrl is held.
  if (!event->isAutoRepeat()) {
    d.ctrl_linked = false;
    d.RemoveCrossReferenceLinks();
  }
  QWidget::keyReleaseEvent(event);
}

void TTextChild::wheelEvent(QWheelEvent* event) {
  Impl& d = *d_;
  if (event->modifiers() & Qt::ControlModifier) {
    // Ctrl+wheel zooms like A+/A-: a notch away from the user makes the font bigger.
    d.zoom_rest += event->angleDelta().y();
    const int steps = d.zoom_rest / kWheelNotch;
    d.zoom_rest -= steps * kWheelNotch;
    if (steps != 0 && d.services != nullptr) d.services->ChangeFontSize(steps);
    event->accept();
    return;
  }
  d.wheel_rest += event->angleDelta().y();
  d.Guard([&] {
    for (; d.wheel_rest >= kWheelNotch; d.wheel_rest -= kWheelNotch) d.LineUp();
    for (; d.wheel_rest <= -kWheelNotch; d.wheel_rest += kWheelNotch) d.LineDown();
  });
  event->accept();
}

void TTextChild::mouseMoveEvent(QMouseEvent* event) {
  Impl& d = *d_;
  if (d.closing || !d.Loaded()) return;
  d.Guard([&] {
    const QPoint pos = event->position().toPoint();
    const TWortListRecord* word = d.WordAt(pos);
    d.ShowWord(word);
    d.LinkCurrentParagraph(word);
    word = d.WordAt(pos);  // the paragraph under the mouse may have become a link
    setCursor(word != nullptr && word->Link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (event->buttons() != Qt::LeftButton) return;
    const int bottom = d.TextArea().bottom();
    if (pos.y() > bottom && pos.y() < bottom + kDragScrollLimit) {
      d.LineDown();
      d.Extend(d.doc->LastVisibleWord());
    } else if (pos.y() < 1) {
      d.LineUp();
      d.Extend(d.doc->LastWordOfFirstVisibleLine());
    } else if (word != nullptr) {
      d.Extend(word);
    }
  });
}

void TTextChild::mousePressEvent(QMouseEvent* event) {
  Impl& d = *d_;
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  if (d.closing || !d.Loaded()) return;
  d.Guard([&] {
    const TWortListRecord* word = d.WordAt(event->position().toPoint());
    std::optional<TWortListRecord> hit;
    int32_t table_position = -1;
    if (word != nullptr) {
      hit = *word;
      d.clicked = Impl::ClickedWord{word->Label, word->PageNumber};
      if (const TAbsatz* paragraph = d.doc->ParagraphOf(word))
        table_position = paragraph->StartPos();
    } else {
      d.clicked.reset();
    }
    d.doc->ClearUserMarkings();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods == Qt::ShiftModifier;
    if (mods == Qt::NoModifier || (shift && d.anchor == -1)) {
      d.ResetSelection();
      if (hit) {
        d.anchor = hit->StartPos;
        d.SetSelection(hit->StartPos, hit->StartPos);
      }
    } else if (shift && hit) {
      d.SetSelection(std::min(d.anchor, hit->StartPos), std::max(d.anchor, hit->StartPos));
    }
    // Whatever was marked before and is no longer is drawn plain again.
    d.doc->DrawMarkings();
    update();
    if (hit && hit->Link && d.services != nullptr) {
      d.Draw();
      d.FollowLink(*hit, table_position);
    }
  });
}

void TTextChild::contextMenuEvent(QContextMenuEvent* event) {
  Impl& d = *d_;
  const bool marked = !d.doc->UserMarkings().Empty();
  d.copy->setEnabled(marked);
  d.mark_paragraph->setEnabled(marked);
  d.print->setEnabled(marked && !d.file_mode);
  d.bookmark->setEnabled(marked && !d.file_mode);
  d.back->setEnabled(CanGoBack());
  d.next->setEnabled(CanGoNext());
  d.go_to_page->setEnabled(!d.file_mode);
  d.synchronise->setEnabled(d.sync_allowed);
  d.menu->popup(event->globalPos());
}

void TTextChild::closeEvent(QCloseEvent* event) {
  d_->closing = true;
  if (d_->cross_references != nullptr) d_->cross_references->Forget(this);
  if (d_->services != nullptr) d_->services->TextWindowClosed(this);
  event->accept();
}

}  // namespace quillmar::gui
