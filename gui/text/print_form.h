#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "text/print_job.h"
#include "text/print_layout.h"

class QLabel;
class QPrinter;
class QPushButton;

namespace quillmar {
class TPPFFile;
}

namespace quillmar::gui {

class AppContext;
class WindowServices;

// The print dialog: prints a range of a text (or a whole generated file such as the result
// list) described by a print file, with the page margins of the setting "PBorders", the view
// settings of the settings store and a header line per page. It owns its QPrinter; printing to
// a PDF file works without any printer installed.
class TPrintTextForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr char kHelpTopic[] = "IDH_08000";

  // `first`/`last`: the text positions of the range to print (the text window's marked range;
  // first 0: nothing selected). `marginPercent`: the text window's margin as a share of its
  // width (0 without one). `wholeFile`: print the whole stream whatever the range says.
  // `services` (may be null) shows the help.
  TPrintTextForm(AppContext& context, std::unique_ptr<TPPFFile> file, int32_t first, int32_t last,
                 int marginPercent, bool wholeFile, QWidget* parent = nullptr,
                 WindowServices* services = nullptr);
  ~TPrintTextForm() override;

  // Shows the dialog modally for a print file; answers QDialog::Accepted or Rejected.
  static int Run(AppContext& context, std::unique_ptr<TPPFFile> file, int32_t first, int32_t last,
                 int marginPercent, bool wholeFile, QWidget* parent = nullptr,
                 WindowServices* services = nullptr);

  QPrinter& Printer() { return *printer_; }
  // Sends the printout to a PDF file instead of a printer (full page, `dpi` dots per inch).
  void SetPdfOutput(const QString& fileName, int dpi = 600);
  // Whether OK prints: a valid print file and a range (first >= 1) or the whole file.
  bool CanPrint() const;
  // Prints without asking anything. False, after an error box, when nothing could be printed,
  // printing failed or stopped early (the text did not fit the page).
  bool Print();
  // Refreshes the selection and printer labels.
  void RefreshLabels();
  PrintSettings Settings() const { return settings_; }

 private:
  void OKButtonClick();
  void PrinterSetupButtonClick();
  void PageButtonClick();
  void HelpButtonClick();
  // Asks for a PDF file name when the printer has no device to print on; false on cancel.
  bool EnsureOutput();

  AppContext& context_;
  WindowServices* services_;
  std::unique_ptr<TPPFFile> file_;
  int32_t first_;
  int32_t last_;
  bool whole_file_;
  bool setup_done_ = false;
  PrintSettings settings_;
  std::unique_ptr<QPrinter> printer_;
  QLabel* print_text_label_;
  QLabel* printer_label_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
  QPushButton* setup_button_;
  QPushButton* page_button_;
  QPushButton* help_button_;
};

}  // namespace quillmar::gui
