#pragma once

#include <QDialog>
#include <array>

class QCheckBox;

namespace quillmar {
class SettingsStore;
}  // namespace quillmar

namespace quillmar::gui {

// Chooses the fields of a printed result list. The boxes start from the "ResultDocFormat"
// setting; Next writes them back and accepts, Cancel changes nothing.
class TSuchFormatForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSuchFormatForm(SettingsStore& settings, QWidget* parent = nullptr);

  // The boxes in the setting's order: words, author, title, page, line, kind, chapter.
  std::array<bool, 7> Felder() const;

 private:
  void NextButtonClick();

  SettingsStore& settings_;
  std::array<QCheckBox*, 7> boxes_{};
};

}  // namespace quillmar::gui
