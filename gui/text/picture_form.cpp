#include "gui/text/picture_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/codepage.h"
#include "base/language.h"
#include "base/paths.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {
namespace {

inline constexpr LangText kLoadingCaption{"laden", "loading"};
inline constexpr LangText kFileNotFound{"Datei '%s' nicht gefunden.", "File '%s' not found."};
inline constexpr LangText kFileUnreadable{"Datei '%s' kann nicht gelesen werden.",
                                          "Cannot read file '%s'."};
constexpr char kMediaDirectory[] = "media";
constexpr int kPercentMax = 100;

QRect ToQRect(const Rect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

// A picture file name from the text catalog names a file directly inside "media".
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

// Clears itself and draws the source rectangle of the form's bitmap stretched into the
// destination rectangle.
class TBildForm::PictureArea : public QWidget {
 public:
  explicit PictureArea(TBildForm& form) : QWidget(&form), form_(form) {
    setObjectName("BildImage");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (form_.image_.isNull()) return;
    const PictureView& view = form_.view_;
    const QRect target = ToQRect(view.Destination());
    if (target.isEmpty()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, form_.image_, ToQRect(view.Source()));
  }

  void resizeEvent(QResizeEvent*) override {
    form_.view_.SetArea(width(), height());
    form_.Redraw();
  }

 private:
  TBildForm& form_;
};

TBildForm::TBildForm(QWidget* parent) : QWidget(parent) {
  resize(kDefaultWidth, kDefaultHeight);

  panel_ = new QWidget(this);
  panel_->setObjectName("BildPanel");
  panel_->setFixedHeight(kPanelHeight);
  auto* buttons = new QHBoxLayout(panel_);
  buttons->setContentsMargins(4, 4, 4, 4);
  smaller_ = new QPushButton("-", panel_);
  smaller_->setObjectName("btnKleiner");
  bigger_ = new QPushButton("+", panel_);
  bigger_->setObjectName("btnGroesser");
  for (QPushButton* b : {smaller_, bigger_}) {
    b->setFixedWidth(b->sizeHint().height() + 8);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  connect(smaller_, &QPushButton::clicked, this, &TBildForm::ZoomOut);
  connect(bigger_, &QPushButton::clicked, this, &TBildForm::ZoomIn);

  area_ = new PictureArea(*this);
  vertical_ = new QScrollBar(Qt::Vertical, this);
  vertical_->setObjectName("VertScrollBar");
  horizontal_ = new QScrollBar(Qt::Horizontal, this);
  horizontal_->setObjectName("HorzScrollBar");
  for (QScrollBar* bar : {vertical_, horizontal_}) {
    bar->setRange(0, kPercentMax);
    bar->setFocusPolicy(Qt::NoFocus);
    const bool isVertical = bar == vertical_;
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar, isVertical](int action) { Scrolled(bar, action, isVertical); });
  }

  info_ = new QLabel(this);
  info_->setObjectName("InfoLabel");
  info_->setWordWrap(true);
  info_->setAlignment(Qt::AlignCenter);
  info_->hide();
  ok_ = MakeButton(captions::kOK, "OKButton", this);
  ok_->hide();
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
      sub->close();
    else
      close();
  });

  auto* grid = new QGridLayout;
  grid->setSpacing(0);
  grid->addWidget(area_, 0, 0);
  grid->addWidget(vertical_, 0, 1);
  grid->addWidget(horizontal_, 1, 0);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel_);
  layout->addLayout(grid, 1);
  layout->addWidget(info_, 1);
  layout->addWidget(ok_, 0, Qt::AlignHCenter | Qt::AlignBottom);
}

TBildForm::~TBildForm() = default;

void TBildForm::Open(const std::string& cdPath, const std::string& file, const QString& linkKey) {
  setWindowTitle(Text(kLoadingCaption));
  setWindowTitle(linkKey);
  const std::string wanted = JoinPath(JoinPath(cdPath, kMediaDirectory), Cp1252ToUtf8(file));
  const std::optional<std::string> found =
      !cdPath.empty() && PlainFileName(file) && FileExists(wanted) ? ResolveExisting(wanted)
                                                                   : std::nullopt;
  const QString shown = QString::fromStdString(found ? *found : NativeSeparators(wanted));
  if (!found) {
    ShowMessage(Utf8(Format(Tr(kFileNotFound), {shown.toStdString()})));
    return;
  }
  QImage image(QString::fromStdString(*found));
  if (image.isNull()) {
    ShowMessage(Utf8(Format(Tr(kFileUnreadable), {shown.toStdString()})));
    return;
  }
  link_key_ = linkKey;
  image_ = std::move(image);
  view_.SetArea(area_->width(), area_->height());
  view_.SetBitmap(image_.width(), image_.height());
  Redraw();
}

void TBildForm::ShowMessage(const QString& message) {
  link_key_.clear();
  image_ = QImage();
  view_.SetBitmap(0, 0);
  SetWindowSize(kMessageWidth, kMessageHeight);
  panel_->hide();
  vertical_->hide();
  horizontal_->hide();
  area_->hide();
  info_->setText(message);
  info_->show();
  ok_->show();
  ok_->setDefault(true);
  ok_->setFocus();
}

void TBildForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (ok_->isVisible()) ok_->setFocus();
}

void TBildForm::SetWindowSize(int width, int height) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
    sub->resize(width, height);
  else
    resize(width, height);
}

void TBildForm::ZoomIn() {
  view_.ZoomIn();
  Redraw();
}

void TBildForm::ZoomOut() {
  view_.ZoomOut();
  Redraw();
}

void TBildForm::Scrolled(QScrollBar* bar, int action, bool vertical) {
  if (updating_bars_) return;
  using Action = PictureView::ScrollAction;
  Action step;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      step = Action::kLineUp;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      step = Action::kLineDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      step = Action::kPageUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      step = Action::kPageDown;
      break;
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
    case QAbstractSlider::SliderMove:
      step = Action::kThumb;
      break;
    default:
      return;
  }
  // The slider already holds the position the action leads to; a thumb move is that percentage.
  const int thumb = bar->sliderPosition();
  if (vertical)
    view_.ScrollVertical(step, thumb);
  else
    view_.ScrollHorizontal(step, thumb);
  Redraw();
}

// Repaints the picture and sets both scroll bars from the source rectangle. Setting the slider
// position triggers the bar's own move action, which must not scroll again.
void TBildForm::Redraw() {
  area_->update();
  updating_bars_ = true;
  vertical_->setSliderPosition(view_.VerticalPercent());
  horizontal_->setSliderPosition(view_.HorizontalPercent());
  updating_bars_ = false;
}

}  // namespace quillmar::gui
