#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "text/picture_view.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace quillmar::gui {

// A picture of a collection in an MDI child: a panel with the zoom buttons "-" and "+", the
// picture area and two scroll bars that run from 0 to 100 percent of the bitmap. When the file
// is missing or unreadable the window shrinks to a message and an OK button that closes it.
class TBildForm : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 421;
  static constexpr int kDefaultHeight = 296;
  static constexpr int kMessageWidth = 300;
  static constexpr int kMessageHeight = 200;
  static constexpr int kPanelHeight = 33;

  explicit TBildForm(QWidget* parent = nullptr);
  ~TBildForm() override;

  // Shows the picture `file` under the collection's "media" directory; the caption becomes
  // `linkKey`. `cdPath` is the collection's root directory.
  void Open(const std::string& cdPath, const std::string& file, const QString& linkKey);

  // The link the picture was opened for; empty when the file could not be shown.
  const QString& LinkKey() const { return link_key_; }
  bool HasPicture() const { return !image_.isNull(); }
  const PictureView& View() const { return view_; }

  void ZoomIn();
  void ZoomOut();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class PictureArea;

  void ShowMessage(const QString& message);
  // The outer size of the window: of the MDI sub-window around the form when there is one.
  void SetWindowSize(int width, int height);
  void Scrolled(QScrollBar* bar, int action, bool vertical);
  void Redraw();

  QWidget* panel_ = nullptr;
  QPushButton* smaller_ = nullptr;
  QPushButton* bigger_ = nullptr;
  PictureArea* area_ = nullptr;
  QScrollBar* vertical_ = nullptr;
  QScrollBar* horizontal_ = nullptr;
  QLabel* info_ = nullptr;
  QPushButton* ok_ = nullptr;
  QString link_key_;
  QImage image_;
  PictureView view_;
  bool updating_bars_ = false;
};

}  // namespace quillmar::gui
