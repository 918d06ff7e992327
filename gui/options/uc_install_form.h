#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace quillmar::gui {

class WindowServices;

// Chooses the Unicode font Greek is shown with, among the fonts that cover Greek (the settings
// dialog hands it TFontInfo::GetGreekFonts()). With no such font the list stays empty and OK
// disabled. The choice is only handed back: the settings dialog stores it with its own OK, so
// cancelling that dialog keeps the font as it was.
class TUCInstallForm : public QDialog {
  Q_OBJECT

 public:
  TUCInstallForm(const QStringList& fonts, WindowServices& services, QWidget* parent = nullptr);

  // The selected font; empty when the list is empty.
  QString Chosen() const;

 private:
  QLabel* infoLabel_;
  QComboBox* fontBox_;
  QPushButton* ok_;
};

}  // namespace quillmar::gui
