#include "gui/text/text_child_impl.h"

#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "base/paths.h"
#include "base/roman.h"
#include "collection/calderwick_data.h"
#include "collection/not_found.h"
#include "gui/common/captions.h"
#include "gui/text/cross_reference_links.h"
#include "text/markings.h"
#include "text/plain_text.h"
#include "text/stream_codes.h"
#include "text/text_style.h"

namespace quillmar::gui {

using namespace text_child;

namespace {

QString PageText(int32_t number, bool arabic) {
  if (number < 1) return {};
  return arabic ? QString::number(number) : QString::fromStdString(RomanNumeral(number));
}

}  // namespace

// ---- components and drawing ----

void TTextChild::Impl::BuildComponents() {
  scroll_bar = new QScrollBar(Qt::Vertical, q);
  scroll_bar->setObjectName("TextScrollBar");
  scroll_bar->setRange(0, kScrollMax);
  scroll_bar->setFocusPolicy(Qt::NoFocus);
  QObject::connect(scroll_bar, &QScrollBar::actionTriggered, q,
                   [this](int action) { Guard([&] { ScrollAction(action); }); });
  QObject::connect(scroll_bar, &QScrollBar::sliderReleased, q,
                   [this] { Guard([&] { ScrollEnd(); }); });

  status_bar = new QStatusBar(q);
  status_bar->setObjectName("TextStatusBar");
  status_bar->setSizeGripEnabled(false);
  // The window paints only its text area (it is opaque): the status bar paints its own ground.
  status_bar->setAutoFillBackground(true);
  status_bar->setStyleSheet("QStatusBar::item { border: none; }");

  menu = new QMenu(q);
  menu->setObjectName("TextPopupMenu");
  auto item = [this](const char* name, const LangText& caption, auto handler) {
    QAction* a = menu->addAction(Text(caption));
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, q, [this, handler] { Guard(handler); });
    return a;
  };
  back = item("mnItemBack", captions::kBack, [this] { q->Back(); });
  next = item("mnItemNext", captions::kForward, [this] { q->Next(); });
  menu->addSeparator();
  go_to_page = item("GehezuSeite1", captions::kGoToPage, [this] { q->GoToPage(); });
  synchronise = item("Synchronisiere1", captions::kSynchronise, [this] { q->Synchronise(); });
  menu->addSeparator();
  copy = item("Kopieren1", captions::kCopy, [this] { q->Copy(); });
  copy->setShortcut(QKeySequence::Copy);
  mark_paragraph =
      item("Absatzmarkieren1", captions::kMarkParagraph, [this] { q->MarkParagraph(); });
  menu->addSeparator();
  print = item("Drucken1", captions::kPrint, [this] { emit q->PrintRequested(q); });
  menu->addSeparator();
  bookmark = item("Lesezeichen1", captions::kNewBookmark, [this] {
    if (services != nullptr) services->NewBookmark(q);
  });
  menu->addSeparator();
  help = item("Hilfe1", captions::kHelp, [this] {
    if (services != nullptr) services->ShowHelp(kHelpTopic);
  });
}

// Panels for a main text: "Seite", page, "Zeile", line, label; for footnotes and scholia:
// "Seite", page, label; in file mode the label alone.
void TTextChild::Impl::BuildPanels() {
  for (QLabel* label : panels) {
    status_bar->removeWidget(label);
    delete label;
  }
  panels.clear();
  auto add = [this](const char* name, const QString& text, int width, int stretch) {
    auto* label = new QLabel(text, status_bar);
    label->setObjectName(name);
    if (width > 0) {
      label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      label->setFixedWidth(width);
    }
    status_bar->addWidget(label, stretch);
    panels.push_back(label);
  };
  if (file_mode) {
    add("LabelPanel", {}, 0, 1);
    return;
  }
  const QFontMetrics fm(status_bar->font());
  add("PageCaption", Text(kPage), 0, 0);
  add("PagePanel", {}, fm.horizontalAdvance("XXXXXXXXXX") + 6, 0);
  if (layer == kMainLayer) {
    add("LineCaption", Text(kLine), 0, 0);
    add("LinePanel", {}, fm.horizontalAdvance("XXX") + 6, 0);
  }
  add("LabelPanel", {}, 0, 1);
}

QRect TTextChild::Impl::TextArea() const {
  const int w = std::max(1, q->width() - scroll_bar->sizeHint().width());
  const int h = std::max(1, q->height() - status_bar->sizeHint().height());
  return {0, 0, w, h};
}

// The document draws into an image of the text area's size; paintEvent shows it. The image has
// the screen's device pixel ratio, so text stays sharp on scaled screens (150 %, 200 %) while
// the document keeps measuring in the widget's coordinates.
void TTextChild::Impl::EnsureBuffer() {
  const QRect area = TextArea();
  const qreal ratio = q->devicePixelRatioF();
  const QSize pixels(static_cast<int>(std::ceil(area.width() * ratio)),
                     static_cast<int>(std::ceil(area.height() * ratio)));
  if (!buffer.isNull() && buffer.size() == pixels && buffer.devicePixelRatio() == ratio) return;
  if (painter.isActive()) painter.end();
  buffer = QImage(pixels, QImage::Format_RGB32);
  buffer.setDevicePixelRatio(ratio);
  buffer.fill(QtCanvas::ToQColor(style.Colours().Screen[ColourTable::kBackground]));
  painter.begin(&buffer);
  if (canvas) canvas->SetFonts(style);
  if (doc) doc->SetClientRect({0, 0, area.width(), area.height()});
}

// Draws the document and trims its cache once enough scrolling has happened.
void TTextChild::Impl::Draw() {
  if (!Loaded()) {
    buffer.fill(QtCanvas::ToQColor(style.Colours().Screen[ColourTable::kBackground]));
  } else {
    doc->Draw();
    if (scroll_counter > kTrimCounter && doc->Count() > kTrimParagraphs) {
      doc->Trim();
      scroll_counter = 0;
    }
  }
  q->update();
}

// ---- reading ----

// While the text file is missing the user is asked for the medium; giving up closes the window.
bool TTextChild::Impl::TextFileReady() {
  if (file_name.empty()) {  // the text has no stream in this layer: nothing to ask for
    CloseWindow();
    return false;
  }
  while (!FileExists(file_name)) {
    PromptResult answer = PromptResult::kCancel;
    const int i = cdid.empty() ? -1 : catalog.GetCDIndex(cdid);
    if (!file_mode && i >= 0) {
      const TCRrecord& cd = catalog.CDs()[static_cast<size_t>(i)];
      answer = TNotFoundForm::ShowCDNotFound(catalog.Prompts(), cd.Name, cd.Path);
    } else {
      answer = TNotFoundForm::ShowFileNotFound(catalog.Prompts(), file_name);
    }
    if (answer != PromptResult::kRetry) {
      CloseWindow();
      return false;
    }
    ClearPathCache();  // the user may have inserted the medium meanwhile
  }
  return true;
}

void TTextChild::Impl::CloseWindow() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(q->parentWidget())) {
    sub->close();
  } else {
    q->close();
  }
  closing = true;
}

TAbsatzDataRecord TTextChild::Impl::ReadParagraph(int32_t p) {
  if (p < 1 || p > stream_file.DateiLen()) RaiseInternalError("TC-GA 001");
  std::optional<TAbsatzDataRecord> record = ParagraphCutter(stream_file).ReadAt(p);
  if (!record) RaiseInternalError("TC-GA 001");
  return *record;
}

// The paragraph after the last loaded one; false at the end of the text.
bool TTextChild::Impl::AddNext() {
  if (!Loaded()) RaiseInternalError("TC-AED 001");
  const TAbsatz& last = doc->Paragraph(doc->Count() - 1);
  const int32_t p = last.EndPos() + 1;
  if (p < 1 || p > stream_file.DateiLen()) return false;
  const TAbsatzDataRecord record = ReadParagraph(p);
  if (record.start <= last.EndPos()) return false;  // no progress: a file that changed
  doc->Append(record.text, record.start);
  scroll_counter += 2;
  return true;
}

// The paragraph before the first loaded one, read at its last byte; false at the start.
bool TTextChild::Impl::AddPrevious() {
  if (!Loaded()) RaiseInternalError("TC-AAD 001");
  const int32_t first = doc->Paragraph(0).StartPos();
  const int32_t p = first - 3;  // skips the separator in front of the first paragraph
  if (p < 1) return false;
  const TAbsatzDataRecord record = ReadParagraph(p);
  if (record.start >= first) return false;
  doc->Prepend(record.text, record.start);
  scroll_counter += 2;
  return true;
}

// Makes p the current position, reading its paragraph when it is not loaded, and reads further
// paragraphs until the text area is filled or the text ends.
void TTextChild::Impl::LoadAround(int32_t p) {
  if (p < 1 || p > stream_file.DateiLen()) RaiseInternalError("TC-LP 002");
  const bool loaded = Loaded() && p >= doc->Paragraph(0).StartPos() &&
                      p <= doc->Paragraph(doc->Count() - 1).EndPos();
  if (!loaded) {
    doc->Clear();
    ApplyDocSettings();
    const TAbsatzDataRecord record = ReadParagraph(p);
    const TAbsatz& paragraph = doc->Append(record.text, record.start);
    // A position in a separator belongs to the following paragraph; a read cut short by a
    // vanished file ends early.
    p = std::clamp(p, paragraph.StartPos(), std::max(paragraph.StartPos(), paragraph.EndPos()));
    // The selection survives reloading.
    if (sel_from >= 1) doc->SetUserMarking(sel_from, sel_to);
  }
  doc->SetCurrentPosition(p);
  const int32_t height = TextArea().height();
  while (doc->HeightFromCurrent() < height && AddNext()) {
  }
}

void TTextChild::Impl::GoTo(int32_t p, bool force) {
  if (closing || stream_file.DateiLen() <= 0) return;
  if (!force && Loaded() && p == doc->CurrentPosition()) return;
  if (p < 1 || p > stream_file.DateiLen()) return;
  if (!TextFileReady()) return;
  EnsureBuffer();
  LoadAround(p);
  Draw();
  UpdateScrollBar();
  ShowWord(doc->LastWordOfFirstVisibleLine());
}

bool TTextChild::Impl::LineDownStep() {
  int32_t next_line = doc->NextLineStart();
  if (next_line == -1 && AddNext()) next_line = doc->NextLineStart();
  if (next_line == -1) return false;
  LoadAround(next_line);
  if (doc->NextLineStart() == next_line) RaiseInternalError("TC-ZNU 001");
  return true;
}

bool TTextChild::Impl::LineUpStep() {
  const int32_t before = doc->CurrentPosition();
  int32_t previous = doc->PreviousLineStart();
  if (previous == -1 && AddPrevious()) previous = doc->PreviousLineStart();
  if (previous == -1 || previous == before) return false;
  LoadAround(previous);
  return true;
}

// Shows the moved text and tells the synchronised windows.
void TTextChild::Impl::Moved() {
  Draw();
  UpdateScrollBar();
  SyncAfterMove();
}

void TTextChild::Impl::LineDown() {
  if (closing || !Loaded() || !TextFileReady()) return;
  if (!LineDownStep()) return;
  scroll_counter += 1;
  Moved();
  ShowWord(doc->LastVisibleWord());
}

void TTextChild::Impl::LineUp() {
  if (closing || !Loaded() || !TextFileReady()) return;
  if (!LineUpStep()) return;
  scroll_counter += 1;
  Moved();
  ShowWord(doc->FirstVisibleWord());
}

// Whether the text behind the current line still fills the text area; reads further
// paragraphs as far as needed to tell.
bool TTextChild::Impl::FilledBelowCurrentLine() {
  const int32_t height = TextArea().height();
  while (doc->HeightFromCurrent() - doc->CurrentLineHeight() < height) {
    if (!AddNext()) return false;
  }
  return true;
}

// Scrolls by a window's height but no further than the last page: the text's end stays at the
// bottom of the window instead of scrolling up into an empty window.
void TTextChild::Impl::PageDown() {
  if (closing || !Loaded() || !TextFileReady()) return;
  const int32_t limit = TextArea().height();
  int32_t sum = 0;
  bool moved = false;
  while (sum <= limit && FilledBelowCurrentLine() && LineDownStep()) {
    moved = true;
    sum += doc->CurrentLineHeight();
  }
  if (!moved) return;
  scroll_counter += 3;
  Moved();
  ShowWord(doc->LastVisibleWord());
}

void TTextChild::Impl::PageUp() {
  if (closing || !Loaded() || !TextFileReady()) return;
  const int32_t limit = TextArea().height();
  int32_t sum = 0;
  bool moved = false;
  while (sum <= limit && LineUpStep()) {
    moved = true;
    sum += doc->CurrentLineHeight();
  }
  if (!moved) return;
  scroll_counter += 3;
  Moved();
  ShowWord(doc->FirstVisibleWord());
}

// ---- scroll bar ----

void TTextChild::Impl::UpdateScrollBar() {
  if (!file_mode && (!text_info || text_info->CurrentText() < 1)) return;
  const int32_t length = stream_file.DateiLen();
  if (!Loaded() || length <= 0) return;
  FlagScope updating(updating_bar);
  const int32_t current = doc->CurrentPosition();
  int position = static_cast<int>(std::lround(double(current) / length * kScrollMax));
  if (current < kEdgeBytes) position = 1;
  if (current > length - kEdgeBytes) position = kScrollMax;
  const TWortListRecord* first = doc->FirstVisibleWord();
  const TWortListRecord* last = doc->LastVisibleWord();
  const int32_t span =
      first != nullptr && last != nullptr ? last->EndPos - first->StartPos : kDefaultSpan;
  const long page = std::lround(double(kScrollMax) * span / length);
  scroll_bar->setPageStep(static_cast<int>(std::clamp(page, 1L, long{kScrollMax})));
  scroll_bar->setValue(position);
  last_bar_position = position;
}

void TTextChild::Impl::ScrollAction(int action) {
  if (closing || scrolling || resizing || updating_bar || !Loaded()) return;
  FlagScope busy(scrolling);
  const int32_t length = stream_file.DateiLen();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      LineDown();
      break;
    case QAbstractSlider::SliderSingleStepSub:
      LineUp();
      break;
    case QAbstractSlider::SliderPageStepAdd:
      PageDown();
      break;
    case QAbstractSlider::SliderPageStepSub:
      PageUp();
      break;
    case QAbstractSlider::SliderToMinimum:
      GoTo(1, false);
      break;
    case QAbstractSlider::SliderToMaximum:
      GoTo(std::max(1, length - kBottomOffset), false);
      break;
    case QAbstractSlider::SliderMove:
      ScrollTrack(scroll_bar->sliderPosition());
      return;  // the thumb stays where the user holds it
    default:
      return;
  }
  // The text decides where the thumb stands, not the step the scroll bar took.
  if (last_bar_position >= 0) scroll_bar->setSliderPosition(last_bar_position);
}

// Thumb tracking previews the page at the thumb's position in the status bar.
void TTextChild::Impl::ScrollTrack(int thumb) {
  if (thumb == last_track) return;
  last_track = thumb;
  const int32_t length = stream_file.DateiLen();
  int32_t p = static_cast<int32_t>(std::lround(double(thumb) / kScrollMax * length));
  if (thumb <= scroll_bar->minimum()) p = 1;
  if (thumb >= scroll_bar->maximum()) p = length;
  p = std::clamp(p, 1, std::max(1, length - kBottomOffset));
  track_position = p;
  if (file_mode || !text_info || layer < kMainLayer) return;
  const PageFileRecord page = text_info->GetPositionSeite(p, layer);
  if (page.Position[0] < 1) return;
  panels[1]->setText(PageText(page.Number, page.Arabic));
  LabelPanel()->setText(FromCp1252(page.Text));
  if (layer == kMainLayer) panels[3]->clear();
}

void TTextChild::Impl::ScrollEnd() {
  if (closing || scrolling || resizing || !Loaded() || track_position < 1) return;
  FlagScope busy(scrolling);
  const int32_t p = track_position;
  track_position = -1;
  last_track = -1;
  GoTo(p, false);
  UpdateScrollBar();
}

void TTextChild::Impl::SyncAfterMove() {
  if (!sync_mode || syncing || !text_info) return;
  FlagScope running(syncing);
  const TWortListRecord* first = doc->FirstVisibleWord();
  const TWortListRecord* last = doc->LastVisibleWord();
  if (first == nullptr || last == nullptr) return;
  const SyncRange range = text_info->GetSyncRange(first->StartPos, last->StartPos);
  synchronous = range.Target >= 1;
  if (services != nullptr) services->SynchroniseOthers(q, range.Target);
}

// ---- settings, selection, status ----

// A main text whose catalog entry has the margin flag gets the BorderWidth setting within its
// limits; every other text gets no margin column.
void TTextChild::Impl::ApplyBorder() {
  if (!file_mode && layer == kMainLayer && text_info && text_info->HasMargin()) {
    const int32_t most = std::max(kNoMargin, (q->width() - scroll_bar->sizeHint().width()) / 2);
    border = std::clamp(view.borderWidth, kNoMargin, most);
  } else {
    border = kNoMargin;
  }
}

void TTextChild::Impl::ApplyDocSettings() {
  doc->SetLeftBorder(border);
  doc->SetIndentCount(view.paraBlank);
  doc->SetLineSpacingFactor(view.lineSpacing);
  doc->SetJustifiedDefault(view.justified);
  doc->SetUnicodeGreek(view.unicodeGreek);
}

void TTextChild::Impl::ResetSelection() { anchor = sel_from = sel_to = -1; }

void TTextChild::Impl::SetSelection(int32_t from, int32_t to) {
  sel_from = from;
  sel_to = to;
  doc->SetUserMarking(from, to);
  q->update();
}

void TTextChild::Impl::Extend(const TWortListRecord* word) {
  if (word == nullptr) return;
  if (anchor == -1) {
    anchor = word->StartPos;
    SetSelection(word->StartPos, word->EndPos);
  } else {
    SetSelection(std::min(anchor, word->StartPos), std::max(anchor, word->StartPos));
  }
}

QLabel* TTextChild::Impl::LabelPanel() const { return panels.back(); }

void TTextChild::Impl::ShowWord(const TWortListRecord* word) {
  if (word == nullptr || panels.empty()) return;
  QString label = FromCp1252(word->Label);
  if (file_mode) {
    LabelPanel()->setText(label);
    return;
  }
  panels[1]->setText(PageText(word->PageNumber, word->PageNumbering == 1));
  if (layer == kMainLayer) {
    panels[3]->setText(word->LineNumber < 1 ? QString() : QString::number(word->LineNumber));
    if (sync_mode) label += " (" + Text(synchronous ? kInSync : kOutOfSync) + ")";
  }
  LabelPanel()->setText(label);
}

const TWortListRecord* TTextChild::Impl::WordAt(const QPoint& p) const {
  if (!Loaded() || !TextArea().contains(p)) return nullptr;
  return doc->WordAt(p.x(), p.y());
}

// The selected bytes, continued to the end of the last word: up to the next blank, paragraph
// separator or the end of the file.
std::string TTextChild::Impl::SelectionBytes() {
  std::string out;
  const int32_t length = stream_file.DateiLen();
  if (sel_from < 1 || sel_from > length) return out;
  const int32_t to = std::min(std::max(sel_to, sel_from), length);
  for (int32_t p = sel_from; p <= to; ++p) {
    const char c = stream_file.Zeichen(p);
    if (stream_file.KeineDatenMehr()) return out;
    out += c;
  }
  for (int32_t p = to + 1; p <= length; ++p) {
    const char c = stream_file.Zeichen(p);
    if (stream_file.KeineDatenMehr() || c == ' ') break;
    if (c == stream::kEscape && p < length &&
        stream_file.Zeichen(p + 1) == stream::kParagraphSeparator) {
      break;
    }
    out += c;
  }
  return out;
}

bool TTextChild::Impl::GreekFontAt(int32_t position) {
  for (int32_t p = position - 1; p >= 1; --p) {
    if (stream_file.Zeichen(p) != stream::kEscape) continue;
    if (stream_file.KeineDatenMehr()) return false;
    const char code = stream_file.Zeichen(p + 1);
    if (code == stream::kParagraphSeparator) return false;
    if (stream::IsFontCode(code)) return code == stream::kGreekFont;
  }
  return false;
}

std::string TTextChild::Impl::SelectionText() {
  const std::string bytes = SelectionBytes();
  if (bytes.empty()) return {};
  const bool unicode = view.unicodeGreek;
  return PlainTextUtf8(bytes, unicode, unicode && GreekFontAt(sel_from));
}

void TTextChild::Impl::LinkCurrentParagraph(const TWortListRecord* word) {
  if (cross_references == nullptr || closing || file_mode || cdid.empty()) return;
  if (cross_references->LinkCurrentParagraph(q, *doc, word, cdid, cross_reference_memory)) Draw();
}

void TTextChild::Impl::LinkAllParagraphs() {
  if (cross_references == nullptr || closing || file_mode || cdid.empty() || !Loaded()) return;
  if (cross_references->LinkAllParagraphs(q, *doc, cdid)) Draw();
}

void TTextChild::Impl::RemoveCrossReferenceLinks() {
  // The window may hover the same paragraph again and must then link it again.
  cross_reference_memory = {};
  if (closing || !TDavurUredInterface::RemoveLinks(*doc)) return;
  Guard([this] { Draw(); });
}

void TTextChild::Impl::FollowLink(const TWortListRecord& word, int32_t tablePosition) {
  const int32_t number = word.LinkNumber;
  switch (word.LinkKind) {
    case 1:
      services->OpenCompanion(q, 2, number);
      break;
    case 2:
    case 3:
      services->OpenCompanion(q, 3, number);
      break;
    case 4: {
      const std::string file = text_info ? text_info->GetBildName(number) : std::string();
      const QString caption = title + " (" + Text(kPicture) + " " + QString::number(number) + ")";
      services->OpenPicture(q, file, caption);
      break;
    }
    case 5:
      if (tablePosition >= 1) services->OpenTable(q, tablePosition);
      break;
    case 100:
    case 101:
    case 102:
      services->ResolveLink(q, word.LinkKind, word.LinkTarget ? word.LinkTarget->Target : "");
      break;
    default:
      break;
  }
}

}  // namespace quillmar::gui
