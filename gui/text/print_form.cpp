#include "gui/text/print_form.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/errors.h"
#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/settings_store.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "gui/text/page_setup_form.h"
#include "platform/gui/qt_canvas.h"
#include "text/print_file.h"
#include "text/text_style.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Drucken", "Print"};
constexpr LangText kSetup{"&Einrichten...", "&Setup..."};
constexpr LangText kPage{"Seite...", "Page..."};
constexpr LangText kSelected{"Ausgewählt", "Selected"};
constexpr LangText kNothing{"Kein Text ausgewählt.", "No text selected."};
constexpr LangText kPrinter{"Drucker", "Printer"};
constexpr LangText kPrinting{"wird gedruckt...", "printing..."};
constexpr LangText kPdfFilter{"PDF-Dateien (*.pdf)", "PDF files (*.pdf)"};
constexpr LangText kCannotStart{"Der Drucker '%s' kann nicht benutzt werden.",
                                "Unable to use the printer '%s'."};
constexpr LangText kIncomplete{
    "Der Text passt nicht auf die Seite; der Ausdruck ist unvollständig.",
    "The text does not fit on the page; the printout is incomplete."};

constexpr int kWidth = 445;
constexpr int kHeight = 106;
constexpr double kHeaderPoints = 9.0;
constexpr char kHeaderFace[] = "Times New Roman";
constexpr int kPointsPerInch = 72;

// "PBorders" reaches its callers as left, right, bottom, top (the stored list is left, right,
// top, bottom with the last two handed over swapped).
PageMargins FromStore(const std::array<int32_t, 4>& b) { return {b[0], b[1], b[3], b[2]}; }
std::array<int32_t, 4> ToStore(const PageMargins& m) { return {m.Left, m.Right, m.Bottom, m.Top}; }

// A QPrinter document seen through the text canvas.
class QtPrintTarget : public PrintTarget {
 public:
  QtPrintTarget(QPrinter& printer, QPainter& painter, QtCanvas& canvas)
      : printer_(printer), painter_(painter), canvas_(canvas) {}

  Canvas& Surface() override { return canvas_; }
  PrintDevice Device() override {
    return {printer_.width(), printer_.height(), printer_.logicalDpiX(), printer_.logicalDpiY()};
  }
  void NewPage() override { printer_.newPage(); }
  void DrawHeader(int32_t x, int32_t top, std::string_view bytes) override {
    QFont font(QString::fromLatin1(kHeaderFace));
    font.setPixelSize(std::max(
        1, static_cast<int>(std::lround(kHeaderPoints * printer_.logicalDpiY() / kPointsPerInch))));
    painter_.save();
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    const QFontMetrics metrics(font, &printer_);
    painter_.drawText(QPoint(x, top + metrics.ascent()), QtCanvas::ToQString(bytes, 0));
    painter_.restore();
  }

 private:
  QPrinter& printer_;
  QPainter& painter_;
  QtCanvas& canvas_;
};

}  // namespace

TPrintTextForm::TPrintTextForm(AppContext& context, std::unique_ptr<TPPFFile> file, int32_t first,
                               int32_t last, int marginPercent, bool wholeFile, QWidget* parent,
                               WindowServices* services)
    : QDialog(parent),
      context_(context),
      services_(services),
      file_(std::move(file)),
      first_(first),
      last_(last),
      whole_file_(wholeFile),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      print_text_label_(new QLabel(this)),
      printer_label_(new QLabel(this)),
      ok_button_(MakeButton(captions::kOK, "OKButton", this)),
      cancel_button_(MakeButton(captions::kCancel, "CancelButton", this)),
      setup_button_(MakeButton(kSetup, "PrinterSetupButton", this)),
      page_button_(MakeButton(kPage, "SeiteButton", this)),
      help_button_(MakeButton(captions::kHelp, "HelpButton", this)) {
  setObjectName("PrintTextForm");
  setWindowTitle(Text(kCaption));
  print_text_label_->setObjectName("PrintTextLabel");
  printer_label_->setObjectName("PrinterLabel");
  ok_button_->setDefault(true);

  SettingsStore& store = context_.Catalog().Settings();
  settings_.Margins = FromStore(store.GetPBorders());
  settings_.MarginPercent = marginPercent;
  settings_.ParaBlank = store.GetParaBlank();
  settings_.LineSpacing = store.GetLineSpacing();
  settings_.Blocksatz = store.GetBlocksatz();
  settings_.UnicodeGreek = context_.Catalog().UCFontSet();

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {ok_button_, cancel_button_, setup_button_, page_button_, help_button_})
    buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(print_text_label_);
  layout->addWidget(printer_label_);
  layout->addLayout(buttons);
  resize(kWidth, kHeight);

  connect(ok_button_, &QPushButton::clicked, this, &TPrintTextForm::OKButtonClick);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
  connect(setup_button_, &QPushButton::clicked, this, &TPrintTextForm::PrinterSetupButtonClick);
  connect(page_button_, &QPushButton::clicked, this, &TPrintTextForm::PageButtonClick);
  HelpOnF1(this, help_button_);
  connect(help_button_, &QPushButton::clicked, this, &TPrintTextForm::HelpButtonClick);
  RefreshLabels();
}

TPrintTextForm::~TPrintTextForm() = default;

int TPrintTextForm::Run(AppContext& context, std::unique_ptr<TPPFFile> file, int32_t first,
                        int32_t last, int marginPercent, bool wholeFile, QWidget* parent,
                        WindowServices* services) {
  TPrintTextForm form(context, std::move(file), first, last, marginPercent, wholeFile, parent,
                      services);
  return form.exec();
}

void TPrintTextForm::SetPdfOutput(const QString& fileName, int dpi) {
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(fileName);
  printer_->setResolution(dpi);
  printer_->setFullPage(true);
  RefreshLabels();
}

bool TPrintTextForm::CanPrint() const {
  return file_ && file_->Valid() && (first_ >= 1 || whole_file_);
}

void TPrintTextForm::RefreshLabels() {
  print_text_label_->setText(CanPrint()
                                 ? Text(kSelected) + ": " + QtCanvas::ToQString(file_->Title(), 0)
                                 : Text(kNothing));
  QString name = printer_->printerName();
  if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty())
    name = printer_->outputFileName();
  printer_label_->setText(Text(kPrinter) + ": " + name);
}

bool TPrintTextForm::EnsureOutput() {
  const bool pdf = printer_->outputFormat() == QPrinter::PdfFormat;
  if (pdf ? !printer_->outputFileName().isEmpty() : !printer_->printerName().isEmpty()) return true;
  const QString name =
      QFileDialog::getSaveFileName(this, Text(kCaption), QString(), Text(kPdfFilter));
  if (name.isEmpty()) return false;
  SetPdfOutput(name);
  return true;
}

bool TPrintTextForm::Print() {
  if (!CanPrint()) return false;
  printer_->setDocName(QtCanvas::ToQString(file_->Title(), 0));
  QPainter painter;
  if (!painter.begin(printer_.get())) {
    context_.Prompts().ShowError(Format(Tr(kCannotStart), {printer_label_->text().toStdString()}));
    return false;
  }
  const TextStyle& style = context_.Style();
  QtCanvas canvas(painter, style);
  QtPrintTarget target(*printer_, painter, canvas);
  PrintResult result;
  try {
    result = PrintJob(target, style.Colours(), settings_).Print(*file_, first_, last_, whole_file_);
  } catch (const Exception& e) {
    printer_->abort();
    if (painter.isActive()) painter.end();
    context_.Prompts().ShowError(e.what());
    return false;
  }
  painter.end();
  if (!result.Complete) {
    context_.Prompts().ShowError(Tr(kIncomplete));
    return false;
  }
  return true;
}

void TPrintTextForm::OKButtonClick() {
  if (!file_) return;
  if (CanPrint()) {
    if (!EnsureOutput()) return;
    printer_label_->setText(Text(kPrinting));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const bool printed = Print();
    QApplication::restoreOverrideCursor();
    RefreshLabels();
    if (!printed) return;
  }
  accept();
}

void TPrintTextForm::PrinterSetupButtonClick() {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer on this system: the setup chooses the PDF file to print to.
    const QString name = QFileDialog::getSaveFileName(this, Text(kCaption),
                                                      printer_->outputFileName(), Text(kPdfFilter));
    if (!name.isEmpty()) SetPdfOutput(name);
  } else {
    QPrintDialog dialog(printer_.get(), this);
    dialog.exec();
  }
  setup_done_ = true;
  RefreshLabels();
}

void TPrintTextForm::PageButtonClick() {
  TSeitenForm form(this);
  form.SetMargins(settings_.Margins);
  if (form.exec() != QDialog::Accepted) return;
  settings_.Margins = form.Margins();
  context_.Catalog().Settings().SetPBorders(ToStore(settings_.Margins));
}

void TPrintTextForm::HelpButtonClick() {
  if (services_ != nullptr) services_->ShowHelp(QString::fromLatin1(kHelpTopic));
}

}  // namespace quillmar::gui
