#pragma once

#include <QWidget>

namespace quillmar::gui {

// The start-up picture: borderless, 250 x 150 pixels, centred on the screen, with the program's
// name and the publisher's notice in its top-left corner.
class TSplashForm : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 250;
  static constexpr int kHeight = 150;

  explicit TSplashForm(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quillmar::gui
