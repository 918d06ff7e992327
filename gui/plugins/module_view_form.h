#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace quillmar {
class TPlugInManager;
}

namespace quillmar::gui {

// The module list of the main window's Module command: one read-only row per registered module
// (name, version, copyright, location, ID), sorted by name. Filling it reads every module's
// strings, which unloads any module the manager holds loaded.
class TModulViewForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 510;
  static constexpr int kHeight = 251;

  // Fills the list under the hourglass.
  explicit TModulViewForm(TPlugInManager& plugins, QWidget* parent = nullptr);

  QTableWidget* List() const { return list_; }
  QPushButton* OKButton() const { return okButton_; }

 private:
  void Fill(TPlugInManager& plugins);

  QTableWidget* list_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace quillmar::gui
