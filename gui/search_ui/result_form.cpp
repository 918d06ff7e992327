#include "gui/search_ui/result_form.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>

#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "gui/search_ui/display_thread.h"
#include "gui/search_ui/format_form.h"
#include "gui/search_ui/result_model.h"
#include "search_ui/result_rows.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Suchergebnisse", "Search results"};
constexpr LangText kNew{"&Suchen...", "F&ind..."};
constexpr LangText kOccurrences{"Fundstelle(n)", "occurrence(s)"};
constexpr LangText kQueryCaption{"Anfrage", "Question"};
constexpr char kResultFile[] = "result.tmp";
constexpr char kPrintTitle[] = "Fundstellenliste";

constexpr int kDefaultWidth = 520, kDefaultHeight = 380;
constexpr int kPanelHeight = 34;
constexpr int kCloseWidth = 17, kCloseRightGap = 12;
// Column widths in pixels: words, title, author, chapter, page, line; kind and date keep the
// header's default.
constexpr int kColumnWidths[] = {100, 100, 100, 100, 30, 30};

// The style's item with grid lines right and below in a colour between the palette's base and
// text. A style sheet
// would do the same but takes over the item's colours: the selection of a list without the
// focus and the colours of a dark theme would be lost.
class GridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    // A fifth of the way from the background to the text: light grey on white, dark grey on a
    // dark background.
    const QColor base = option.palette.color(QPalette::Base);
    const QColor text = option.palette.color(QPalette::Text);
    painter->setPen(QColor((4 * base.red() + text.red()) / 5, (4 * base.green() + text.green()) / 5,
                           (4 * base.blue() + text.blue()) / 5));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

}  // namespace

TSuchResultForm::TSuchResultForm(AppContext& context, WindowServices& services, QWidget* parent)
    : QWidget(parent), context_(context), services_(services) {
  setWindowTitle(Text(kCaption));
  resize(kDefaultWidth, kDefaultHeight);

  model_ = new ResultModel(this);
  list_ = new QTreeView(this);
  list_->setObjectName("ListView1");
  list_->setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);  // keeps hundreds of thousands of rows fast
  list_->setSortingEnabled(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setSectionsClickable(false);
  list_->header()->setStretchLastSection(false);
  list_->setItemDelegate(new GridDelegate(list_));
  for (int c = 0; c < static_cast<int>(std::size(kColumnWidths)); ++c)
    list_->setColumnWidth(c, kColumnWidths[c]);
  // The selection stays visible when the list loses the focus.
  QPalette palette = list_->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  list_->setPalette(palette);
  list_->installEventFilter(this);
  connect(list_, &QTreeView::doubleClicked, this, [this] { OpenCurrentRow(); });

  panel_ = new QWidget(this);
  panel_->setObjectName("ButtonPanel");
  panel_->setFixedHeight(kPanelHeight);
  auto* buttons = new QHBoxLayout(panel_);
  buttons->setContentsMargins(4, 2, kCloseRightGap, 2);
  open_ = MakeButton(captions::kOpen, "OpenButton", panel_);
  open_->setDefault(true);
  new_ = MakeButton(kNew, "NewButton", panel_);
  print_ = MakeButton(captions::kPrint, "PrintButton", panel_);
  closeButton_ = new QPushButton(QString::fromUtf8("«"), panel_);
  closeButton_->setObjectName("WegButton");
  closeButton_->setFixedWidth(kCloseWidth);
  buttons->addWidget(open_);
  buttons->addWidget(new_);
  buttons->addWidget(print_);
  buttons->addStretch();
  buttons->addWidget(closeButton_);
  connect(open_, &QPushButton::clicked, this, &TSuchResultForm::OpenSelected);
  connect(new_, &QPushButton::clicked, this, &TSuchResultForm::NewButtonClick);
  connect(print_, &QPushButton::clicked, this, &TSuchResultForm::Print);
  connect(closeButton_, &QPushButton::clicked, this, [this] { PanelZeigen(false); });

  status_ = new QStatusBar(this);
  status_->setObjectName("StatusBar1");
  status_->setSizeGripEnabled(false);
  statusText_ = new QLabel(status_);
  statusText_->setObjectName("StatusPanel");
  status_->addWidget(statusText_, 1);
  status_->installEventFilter(this);
  statusText_->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(list_, 1);
  layout->addWidget(panel_);
  layout->addWidget(status_);
}

TSuchResultForm::~TSuchResultForm() {
  // The worker posts batches to this object: it must have ended before the object goes. Batches
  // still queued are dropped with the object.
  if (thread_) thread_->Stop();
  thread_.reset();
}

void TSuchResultForm::Fill(retrieval::TFundstellenListe&& hits,
                           std::shared_ptr<const retrieval::SearchCatalog> katalog,
                           const QString& query, int count, bool dateSearch) {
  if (thread_) thread_->Stop();
  thread_.reset();
  katalog_ = std::move(katalog);
  query_ = query;
  count_ = count;
  setWindowTitle(Caption());
  statusText_->setText(StatusLine());
  if (dateSearch) model_->ShowDateColumn();
  // The worker hands each batch to the user-interface thread; the batch is dropped there when
  // the list is being closed.
  filled_ = false;
  auto deliver = [this](TDarstellungsthread::TZeilen&& rows, bool last) {
    auto batch = std::make_shared<TDarstellungsthread::TZeilen>(std::move(rows));
    QMetaObject::invokeMethod(
        this,
        [this, batch, last] {
          if (!thread_ || thread_->StopRequested()) return;
          model_->Append(std::move(*batch));
          if (last) filled_ = true;
        },
        Qt::QueuedConnection);
  };
  thread_ = std::make_unique<TDarstellungsthread>(std::move(hits), katalog_, dateSearch, deliver);
  thread_->Start();
}

QString TSuchResultForm::StatusLine() const {
  return QString("%1 %2  %3: %4").arg(count_).arg(Text(kOccurrences), Text(kQueryCaption), query_);
}

// The caption followed by the query, so that the window list tells several lists apart.
QString TSuchResultForm::Caption() const {
  return query_.isEmpty() ? Text(kCaption) : QString("%1 - %2").arg(Text(kCaption), query_);
}

void TSuchResultForm::SetCaptions() {
  setWindowTitle(Caption());
  open_->setText(Text(captions::kOpen));
  new_->setText(Text(kNew));
  print_->setText(Text(captions::kPrint));
  if (!statusText_->text().isEmpty()) statusText_->setText(StatusLine());
  emit model_->headerDataChanged(Qt::Horizontal, 0, model_->columnCount() - 1);
}

void TSuchResultForm::Zeigen() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->show();
  show();
}

int TSuchResultForm::RowCount() const { return model_->rowCount(); }

retrieval::TFundPosition TSuchResultForm::Position(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  return model_->Zeile(row).Position;
}

int TSuchResultForm::SelectedRow() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

bool TSuchResultForm::Filling() const { return thread_ && !filled_; }

QString TSuchResultForm::StatusText() const { return statusText_->text(); }

void TSuchResultForm::SelectRow(int row) {
  const QModelIndex index = model_->index(row, 0);
  list_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(index);
}

void TSuchResultForm::OpenCurrentRow() {
  const int row = SelectedRow();
  if (row >= 0) services_.OpenResultPosition(Position(row));
}

void TSuchResultForm::OpenSelected() {
  if (RowCount() == 0) return;
  if (SelectedRow() < 0) SelectRow(0);
  OpenCurrentRow();
}

void TSuchResultForm::NextHit() { StepHit(1); }

void TSuchResultForm::PreviousHit() { StepHit(-1); }

void TSuchResultForm::StepHit(int step) {
  if (RowCount() == 0) return;
  const int row = SelectedRow();
  if (row < 0) {
    SelectRow(0);
  } else {
    const int next = row + step;
    if (next < 0 || next >= RowCount()) return;
    SelectRow(next);
  }
  OpenCurrentRow();
}

void TSuchResultForm::NewButtonClick() {
  if (services_.Find()) CloseAfterSearch();
}

void TSuchResultForm::CloseAfterSearch() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
    sub->close();
  else
    close();
}

void TSuchResultForm::Print() {
  TCalderwickData& catalog = context_.Catalog();
  TSuchFormatForm format(catalog.Settings(), this);
  if (format.exec() != QDialog::Accepted) return;
  try {
    const std::string file = JoinPath(catalog.GetAppPath(), kResultFile);
    search_ui::WriteResultDocument(file, query_.toStdString(), count_, model_->Zeilen(),
                                   catalog.Settings().GetResultDocFormat());
    services_.PrintFile(file, QString(kPrintTitle));
  } catch (const std::exception& e) {
    context_.Prompts().ShowError(e.what());
  }
}

void TSuchResultForm::PanelZeigen(bool on) { panel_->setVisible(on); }

bool TSuchResultForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenCurrentRow();
      return true;
    }
  }
  if ((watched == status_ || watched == statusText_) &&
      event->type() == QEvent::MouseButtonDblClick) {
    PanelZeigen(true);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quillmar::gui
