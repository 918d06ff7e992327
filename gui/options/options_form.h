#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace quillmar {
class SettingsStore;
}  // namespace quillmar

namespace quillmar::gui {

class AppContext;
class WindowServices;

// The settings dialog: the layout of texts, the language, the extra CD drive and cross-reference
// links (general page); the text font, the relative sizes of the text styles with a preview,
// the colours and the Unicode font for Greek (font page); the proxy (connection page).
//
// The dialog works on a copy of the settings and writes them all with OK, so Cancel leaves every
// setting as it was, "Restore default settings" and a Greek font chosen through "Unicode setup"
// included. Every number field is a spin box with a range, so OK never meets an invalid number.
//
// On the preview, the left mouse button makes a text style smaller and the right one larger:
// each sample changes its own size percentage by 3 ("text(small)" three of them at once), while
// "text" changes the base size by 1 and rescales the other percentages so that those styles keep
// their size. No percentage falls below the one that still gives a 1-point font.
class TOptionsForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kEntryCount = 18;
  using Entries = std::array<int32_t, kEntryCount>;
  // Shows a colour dialog at `current`; nothing when the user cancelled.
  using ColourChooser =
      std::function<std::optional<QColor>(const QColor& current, QWidget* parent)>;

  // The smallest point size a text style may get: QFont and the canvas need at least one point.
  static constexpr int kSmallestPointSize = 1;
  static constexpr int kMinFontSize = 3;
  static constexpr int kMaxTypedFontSize = 60;  // what the size field takes when typed into
  static constexpr int kMaxFontSize = 80;       // what a click on "text" may reach
  static constexpr int kPercentStep = 3;

  TOptionsForm(AppContext& context, WindowServices& services, QWidget* parent = nullptr);

  // After OK: the language was changed (and stored).
  bool LanguageChanged() const { return languageChanged_; }
  // The working size percentages and base size of the preview.
  const Entries& Relations() const { return entries_; }
  int BaseSize() const;

  // The colour dialog of the two colour buttons; null restores QColorDialog.
  static void SetColourChooser(ColourChooser chooser);

  // The value "CDROMDrive" takes for `entry`. With drive letters (Windows) the entry's first
  // character in upper case, or empty when that is no letter A..Z; elsewhere the entry names a
  // directory and is stored trimmed.
  static std::string StoredDrive(const QString& entry, bool driveLetters);
  // The percentages after the base size went from `oldSize` to `newSize`: each entry of the
  // styles that keep their absolute size becomes round(entry × old / new), halves to even.
  static Entries Rescaled(const Entries& entries, int oldSize, int newSize);
  // `entry` raised to the least percentage that gives a font of kSmallestPointSize at `size`.
  static int32_t AtLeastSmallest(int32_t entry, int size);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildGeneralPage();
  QWidget* BuildFontPage();
  QWidget* BuildPreview(QWidget* parent);
  QWidget* BuildConnectionPage();
  void Load();
  void ShowFace(const QString& face);
  void UpdatePreview();
  void UpdateGreekInfo();
  void SampleClicked(size_t sample, bool larger);
  void ChooseColour(int32_t& colour);
  void Restore();
  void InstallGreekFont();
  void ChooseDriveDirectory();
  void OKButtonClick();
  SettingsStore& Settings();

  AppContext& context_;
  WindowServices& services_;

  // Working state.
  Entries entries_{};
  int32_t backColour_ = 0;
  int32_t linkColour_ = 0;
  std::optional<std::string> greekFont_;  // set by Restore or Unicode setup, stored by OK
  bool languageChanged_ = false;

  QTabWidget* pages_;
  QRadioButton* half_;
  QRadioButton* one_;
  QRadioButton* oneAndHalf_;
  QRadioButton* own_;
  QDoubleSpinBox* ownSpacing_;
  QCheckBox* justify_;
  QCheckBox* crossReferences_;
  QSpinBox* margin_;
  QSpinBox* indent_;
  QComboBox* language_;
  QLineEdit* drive_;
  QComboBox* face_;
  QSpinBox* size_;
  QLabel* greekInfo_;
  QFrame* preview_;
  std::array<QLabel*, 10> samples_{};
  QLineEdit* proxy_;
  QSpinBox* port_;
};

}  // namespace quillmar::gui
