#include "gui/search_ui/word_form.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <functional>
#include <vector>

#include "base/codepage.h"
#include "collection/calderwick_data.h"
#include "gui/common/gui_strings.h"
#include "search_ui/word_browser.h"

namespace quillmar::gui {
namespace {

using search_ui::BrowserQueryLine;
using search_ui::WordBrowser;
using Key = WordBrowser::Key;
using Scroll = WordBrowser::Scroll;

constexpr int kFocusMargin = 8;  // the focus rectangle ends this far left of the scroll bar
constexpr int kTextX = 3;
constexpr int kTextY = 1;

// One byte per UTF-16 unit, so that positions in the QString are positions in the bytes;
// characters Windows-1252 lacks become "?".
std::string ToCp1252PerUnit(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    const unsigned char b = CharToByte(c.unicode(), CodePage::k1252);
    bytes.push_back(b == 0 && c.unicode() != 0 ? '?' : static_cast<char>(b));
  }
  return bytes;
}

// The painted rows; what they show and what clicks do is the form's business.
class LineArea : public QWidget {
 public:
  std::function<void(QPainter&)> paint;
  std::function<void(QMouseEvent*)> click;
  std::function<void(QMouseEvent*)> doubleClick;

  explicit LineArea(QWidget* parent) : QWidget(parent) {
    setObjectName("WortZeilen");
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (paint) paint(p);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (click) click(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (doubleClick) doubleClick(e);
  }
};

}  // namespace

struct TWortForm::Impl {
  TWortForm* q;
  TCalderwickData& catalog;
  WordBrowser browser;
  QScrollBar* bar = nullptr;
  LineArea* rowArea = nullptr;
  int rowHeight = 0;
  QueryLine line;
  bool closing = false;

  Impl(TWortForm* form, TCalderwickData& c, const std::string& cdid)
      : q(form), catalog(c), browser(c.GetCDIndex(cdid) >= 0 ? c.GetCDPath(cdid) : "") {}

  void Paint(QPainter& p);
  void OnClick(QMouseEvent* e);
  void OnScrollAction(int action);
  void ScrollEnde();
  void Refresh();
  // Closes with the browser's result after it took the selection over (or not).
  void Beenden();
  // Closing from inside a paint or scroll handler waits for the event loop.
  void CloseLater() {
    QMetaObject::invokeMethod(
        q, [this] { Beenden(); }, Qt::QueuedConnection);
  }
};

void TWortForm::Impl::Refresh() {
  if (!browser.Verfuegbar()) {
    CloseLater();
    return;
  }
  const QSignalBlocker block(bar);
  bar->setSliderPosition(browser.LetzteScrollPos());
  rowArea->update();
}

// Colours of the palette, so that a dark theme gives dark rows; the selection keeps the
// active colours when the dialog is not active.
void TWortForm::Impl::Paint(QPainter& p) {
  const int areaWidth = rowArea->width();
  const QPalette& palette = rowArea->palette();
  const QColor base = palette.color(QPalette::Base);
  const QColor text = palette.color(QPalette::Text);
  const QColor selected = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor selectedText = palette.color(QPalette::Active, QPalette::HighlightedText);
  p.fillRect(rowArea->rect(), base);
  const std::vector<search_ui::WordRow> rows = browser.VisibleRows();
  if (!browser.Verfuegbar()) {
    CloseLater();
    return;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const search_ui::WordRow& z = rows[i];
    const int y = static_cast<int>(i) * rowHeight;
    p.fillRect(QRect(0, y, areaWidth, rowHeight), z.Selected ? selected : base);
    p.setPen(z.Selected ? selectedText : text);
    p.drawText(QRect(kTextX, y + kTextY, areaWidth - kTextX, rowHeight - kTextY),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FromCp1252(z.Wort));
    if (z.Focused) {
      QPen pen(z.Selected ? selectedText : text);
      pen.setStyle(Qt::DotLine);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRect(0, y, areaWidth - kFocusMargin - 1, rowHeight - 1));
    }
  }
}

void TWortForm::Impl::OnClick(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const int y = static_cast<int>(e->position().y());
  if (y < 0 || rowHeight <= 0) return;
  browser.Click(y / rowHeight, e->modifiers() & Qt::ControlModifier,
                e->modifiers() & Qt::ShiftModifier);
  rowArea->update();
}

void TWortForm::Impl::OnScrollAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      browser.ApplyScroll(Scroll::LineUp);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      browser.ApplyScroll(Scroll::LineDown);
      break;
    case QAbstractSlider::SliderPageStepSub:
      browser.ApplyScroll(Scroll::PageUp);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      browser.ApplyScroll(Scroll::PageDown);
      break;
    case QAbstractSlider::SliderToMinimum:
      browser.ApplyScroll(Scroll::Anfang);
      break;
    case QAbstractSlider::SliderToMaximum:
      browser.ApplyScroll(Scroll::Ende);
      break;
    default:
      return;  // a drag in progress: the list moves when the thumb is released
  }
  // The list decides where the thumb stands, not the step the scroll bar took.
  bar->setSliderPosition(browser.LetzteScrollPos());
  if (!browser.Verfuegbar()) CloseLater();
  rowArea->update();
}

void TWortForm::Impl::ScrollEnde() {
  browser.ApplyScroll(Scroll::Dragged, bar->sliderPosition());
  Refresh();
}

void TWortForm::Impl::Beenden() {
  if (closing) return;
  closing = true;
  browser.Close();
  if (browser.TooLong()) catalog.Prompts().ShowError(WordBrowser::TooLongText());
  const search_ui::Replacement& e = browser.CurrentReplacement();
  if (browser.Ergebnis() == WordBrowser::kAccept && e.Anfang >= 0) {
    line.text.replace(e.Anfang, e.Length, FromCp1252(e.Text));
    line.cursor = e.Anfang + static_cast<int>(e.Text.size());
    line.selectionStart = -1;
    line.selectionLength = 0;
  }
  q->QDialog::done(browser.Ergebnis() == WordBrowser::kAccept ? Accepted : Rejected);
}

TWortForm::TWortForm(TCalderwickData& catalog, const std::string& cdid, QWidget* parent)
    : QDialog(parent), d_(std::make_unique<Impl>(this, catalog, cdid)) {
  setObjectName("WortForm");
  setWindowTitle(FromCp1252(catalog.GetCDName(cdid)));
  setFocusPolicy(Qt::StrongFocus);

  const QFontMetrics fm(font());
  d_->rowHeight = fm.height() + 3;
  const int areaWidth = 40 * fm.horizontalAdvance(QLatin1Char('A'));
  const int areaHeight = WordBrowser::kRows * d_->rowHeight;

  d_->bar = new QScrollBar(Qt::Vertical, this);
  d_->bar->setObjectName("ScrollBar1");
  d_->bar->setFocusPolicy(Qt::NoFocus);
  d_->bar->setRange(WordBrowser::kScrollMin, WordBrowser::kScrollMax);
  d_->bar->setSingleStep(1);
  d_->bar->setPageStep(d_->browser.ScrollPage());
  d_->bar->setValue(d_->browser.LetzteScrollPos());
  const int barWidth = d_->bar->sizeHint().width();
  d_->bar->setGeometry(areaWidth - barWidth, 0, barWidth, areaHeight);
  connect(d_->bar, &QScrollBar::actionTriggered, this,
          [this](int action) { d_->OnScrollAction(action); });
  connect(d_->bar, &QScrollBar::sliderReleased, this, [this] { d_->ScrollEnde(); });

  d_->rowArea = new LineArea(this);
  d_->rowArea->setGeometry(0, 0, areaWidth - barWidth, areaHeight);
  d_->rowArea->paint = [this](QPainter& p) { d_->Paint(p); };
  d_->rowArea->click = [this](QMouseEvent* e) { d_->OnClick(e); };
  d_->rowArea->doubleClick = [this](QMouseEvent* e) {
    d_->OnClick(e);
    if (e->button() == Qt::LeftButton && d_->browser.PressKey(Key::Eingabe, false)) d_->Beenden();
  };
  setFixedSize(areaWidth, areaHeight);
}

TWortForm::~TWortForm() = default;

bool TWortForm::Verfuegbar() const { return d_->browser.Verfuegbar(); }

void TWortForm::Positionieren(const QueryLine& line) {
  d_->line = line;
  BrowserQueryLine zeile;
  zeile.Text = ToCp1252PerUnit(line.text);
  zeile.Cursor = line.cursor;
  zeile.SelectionStart = line.selectionStart;
  zeile.SelectionLength = line.selectionLength;
  d_->browser.Positionieren(zeile);
  d_->Refresh();
}

int TWortForm::Ergebnis() const { return d_->browser.Ergebnis(); }

QueryLine TWortForm::Line() const { return d_->line; }

void TWortForm::keyPressEvent(QKeyEvent* event) {
  if (d_->closing) return;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  bool done = false;
  switch (event->key()) {
    case Qt::Key_Down:
      done = d_->browser.PressKey(Key::Down, shift);
      break;
    case Qt::Key_Up:
      done = d_->browser.PressKey(Key::Up, shift);
      break;
    case Qt::Key_PageUp:
      done = d_->browser.PressKey(Key::PageUp, shift);
      break;
    case Qt::Key_PageDown:
      done = d_->browser.PressKey(Key::PageDown, shift);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      done = d_->browser.PressKey(Key::Eingabe, shift);
      break;
    case Qt::Key_Escape:
      done = d_->browser.PressKey(Key::Escape, shift);
      break;
    case Qt::Key_Backspace:
      done = d_->browser.PressKey(Key::Backspace, shift);
      break;
    default: {
      const QString text = event->text();
      if (text.size() != 1) {
        QDialog::keyPressEvent(event);
        return;
      }
      const unsigned char b = CharToByte(text.at(0).unicode(), CodePage::k1252);
      if (b != 0) d_->browser.TypeChar(static_cast<char>(b));
      done = !d_->browser.Verfuegbar();
      break;
    }
  }
  if (done)
    d_->Beenden();
  else
    d_->Refresh();
}

void TWortForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!d_->browser.Verfuegbar()) d_->CloseLater();
}

void TWortForm::reject() {
  if (d_->closing) return;
  d_->browser.PressKey(Key::Escape, false);
  d_->Beenden();
}

}  // namespace quillmar::gui
