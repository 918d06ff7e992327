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

const QColor kNavy(0, 0, 128);
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
  std::function<void(QPainter&)> malen;
  std::function<void(QMouseEvent*)> klick;
  std::function<void(QMouseEvent*)> doppelklick;

  explicit LineArea(QWidget* parent) : QWidget(parent) {
    setObjectName("WortZeilen");
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (malen) malen(p);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (klick) klick(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (doppelklick) doppelklick(e);
  }
};

}  // namespace

struct TWortForm::Impl {
  TWortForm* q;
  TCalderwickData& catalog;
  WordBrowser browser;
  QScrollBar* bar = nullptr;
  LineArea* zeilen = nullptr;
  int zeilenhoehe = 0;
  QueryLine line;
  bool beendet = false;

  Impl(TWortForm* form, TCalderwickData& c, const std::string& cdid)
      : q(form), catalog(c), browser(c.GetCDIndex(cdid) >= 0 ? c.GetCDPath(cdid) : "") {}

  void Malen(QPainter& p);
  void Klick(QMouseEvent* e);
  void ScrollAktion(int action);
  void ScrollEnde();
  void Anzeigen();
  // Closes with the browser's result after it took the selection over (or not).
  void Beenden();
  // Closing from inside a paint or scroll handler waits for the event loop.
  void SpaeterBeenden() {
    QMetaObject::invokeMethod(
        q, [this] { Beenden(); }, Qt::QueuedConnection);
  }
};

void TWortForm::Impl::Anzeigen() {
  if (!browser.Verfuegbar()) {
    SpaeterBeenden();
    return;
  }
  const QSignalBlocker block(bar);
  bar->setSliderPosition(browser.LetzteScrollPos());
  zeilen->update();
}

void TWortForm::Impl::Malen(QPainter& p) {
  const int breite = zeilen->width();
  p.fillRect(zeilen->rect(), Qt::white);
  const std::vector<search_ui::WordRow> rows = browser.VisibleRows();
  if (!browser.Verfuegbar()) {
    SpaeterBeenden();
    return;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const search_ui::WordRow& z = rows[i];
    const int y = static_cast<int>(i) * zeilenhoehe;
    p.fillRect(QRect(0, y, breite, zeilenhoehe), z.Selected ? kNavy : QColor(Qt::white));
    p.setPen(z.Selected ? Qt::white : Qt::black);
    p.drawText(QRect(kTextX, y + kTextY, breite - kTextX, zeilenhoehe - kTextY),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FromCp1252(z.Wort));
    if (z.Focused) {
      QPen pen(z.Selected ? Qt::white : Qt::black);
      pen.setStyle(Qt::DotLine);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRect(0, y, breite - kFocusMargin - 1, zeilenhoehe - 1));
    }
  }
}

void TWortForm::Impl::Klick(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const int y = static_cast<int>(e->position().y());
  if (y < 0 || zeilenhoehe <= 0) return;
  browser.Click(y / zeilenhoehe, e->modifiers() & Qt::ControlModifier,
                e->modifiers() & Qt::ShiftModifier);
  zeilen->update();
}

void TWortForm::Impl::ScrollAktion(int action) {
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
  if (!browser.Verfuegbar()) SpaeterBeenden();
  zeilen->update();
}

void TWortForm::Impl::ScrollEnde() {
  browser.ApplyScroll(Scroll::Dragged, bar->sliderPosition());
  Anzeigen();
}

void TWortForm::Impl::Beenden() {
  if (beendet) return;
  beendet = true;
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
  d_->zeilenhoehe = fm.height() + 3;
  const int breite = 40 * fm.horizontalAdvance(QLatin1Char('A'));
  const int hoehe = WordBrowser::kRows * d_->zeilenhoehe;

  d_->bar = new QScrollBar(Qt::Vertical, this);
  d_->bar->setObjectName("ScrollBar1");
  d_->bar->setFocusPolicy(Qt::NoFocus);
  d_->bar->setRange(WordBrowser::kScrollMin, WordBrowser::kScrollMax);
  d_->bar->setSingleStep(1);
  d_->bar->setPageStep(d_->browser.ScrollPage());
  d_->bar->setValue(d_->browser.LetzteScrollPos());
  const int bar_breite = d_->bar->sizeHint().width();
  d_->bar->setGeometry(breite - bar_breite, 0, bar_breite, hoehe);
  connect(d_->bar, &QScrollBar::actionTriggered, this,
          [this](int action) { d_->ScrollAktion(action); });
  connect(d_->bar, &QScrollBar::sliderReleased, this, [this] { d_->ScrollEnde(); });

  d_->zeilen = new LineArea(this);
  d_->zeilen->setGeometry(0, 0, breite - bar_breite, hoehe);
  d_->zeilen->malen = [this](QPainter& p) { d_->Malen(p); };
  d_->zeilen->klick = [this](QMouseEvent* e) { d_->Klick(e); };
  d_->zeilen->doppelklick = [this](QMouseEvent* e) {
    d_->Klick(e);
    if (e->button() == Qt::LeftButton && d_->browser.PressKey(Key::Eingabe, false)) d_->Beenden();
  };
  setFixedSize(breite, hoehe);
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
  d_->Anzeigen();
}

int TWortForm::Ergebnis() const { return d_->browser.Ergebnis(); }

QueryLine TWortForm::Line() const { return d_->line; }

void TWortForm::keyPressEvent(QKeyEvent* event) {
  if (d_->beendet) return;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  bool schliessen = false;
  switch (event->key()) {
    case Qt::Key_Down:
      schliessen = d_->browser.PressKey(Key::Down, shift);
      break;
    case Qt::Key_Up:
      schliessen = d_->browser.PressKey(Key::Up, shift);
      break;
    case Qt::Key_PageUp:
      schliessen = d_->browser.PressKey(Key::PageUp, shift);
      break;
    case Qt::Key_PageDown:
      schliessen = d_->browser.PressKey(Key::PageDown, shift);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      schliessen = d_->browser.PressKey(Key::Eingabe, shift);
      break;
    case Qt::Key_Escape:
      schliessen = d_->browser.PressKey(Key::Escape, shift);
      break;
    case Qt::Key_Backspace:
      schliessen = d_->browser.PressKey(Key::Backspace, shift);
      break;
    default: {
      const QString text = event->text();
      if (text.size() != 1) {
        QDialog::keyPressEvent(event);
        return;
      }
      const unsigned char b = CharToByte(text.at(0).unicode(), CodePage::k1252);
      if (b != 0) d_->browser.TypeChar(static_cast<char>(b));
      schliessen = !d_->browser.Verfuegbar();
      break;
    }
  }
  if (schliessen)
    d_->Beenden();
  else
    d_->Anzeigen();
}

void TWortForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!d_->browser.Verfuegbar()) d_->SpaeterBeenden();
}

void TWortForm::reject() {
  if (d_->beendet) return;
  d_->browser.PressKey(Key::Escape, false);
  d_->Beenden();
}

}  // namespace quillmar::gui
