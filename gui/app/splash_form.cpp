#include "gui/app/splash_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace quillmar::gui {
namespace {

constexpr char kFirstLine[] = "Quillmar reader - CD-ROM retrieval software";
constexpr char kSecondLine[] = "(c) The Quillmar publishers";
constexpr int kLabelPoints = 7;
constexpr qreal kLeftPage = -1;
constexpr qreal kRightPage = 1;

// One page of the open book, curving out from the spine at x = 125 to the left (side -1) or to
// the right (side 1).
QPainterPath BookPage(qreal side) {
  constexpr qreal kSpineX = 125;
  auto x = [side](qreal offset) { return kSpineX + side * offset; };
  QPainterPath page;
  page.moveTo(kSpineX, 128);
  page.cubicTo(x(20), 118, x(55), 118, x(80), 126);
  page.lineTo(x(80), 66);
  page.cubicTo(x(55), 58, x(20), 58, kSpineX, 68);
  page.closeSubpath();
  return page;
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setFixedSize(kWidth, kHeight);
  auto* label = new QLabel(QStringLiteral("%1\n%2").arg(QString::fromLatin1(kFirstLine),
                                                        QString::fromLatin1(kSecondLine)),
                           this);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(kLabelPoints);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: #f4ead2; background: transparent;"));
  label->move(4, 3);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }
}

// A dark blue page with an open book and a quill.
void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, kHeight);
  sky.setColorAt(0, QColor(18, 32, 74));
  sky.setColorAt(1, QColor(48, 78, 140));
  p.fillRect(rect(), sky);

  const QPainterPath left = BookPage(kLeftPage);
  const QPainterPath right = BookPage(kRightPage);
  p.setPen(QPen(QColor(120, 96, 60), 1.5));
  p.setBrush(QColor(244, 234, 210));
  p.drawPath(left);
  p.drawPath(right);
  p.setPen(QPen(QColor(150, 140, 120), 1));
  for (int i = 0; i < 5; ++i) {
    const qreal y = 78 + i * 9;
    p.drawLine(QPointF(55, y), QPointF(115, y + 2));
    p.drawLine(QPointF(135, y + 2), QPointF(195, y));
  }

  QPainterPath quill;
  quill.moveTo(150, 110);
  quill.cubicTo(175, 80, 205, 50, 232, 30);
  quill.cubicTo(215, 62, 190, 90, 150, 110);
  p.setPen(QPen(QColor(230, 230, 240), 1));
  p.setBrush(QColor(250, 250, 255, 220));
  p.drawPath(quill);
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.drawLine(QPointF(150, 110), QPointF(146, 116));
}

}  // namespace quillmar::gui
