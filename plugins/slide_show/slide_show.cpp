// The slide show: a modal window that shows the pictures of a collection's media directory one
// after the other, by hand (buttons, arrow keys) and automatically. The window is closed before
// RunMM returns, so no code of this module is left running when the reader unloads it.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "plugins/shared/module_support.h"

namespace {

using quillmar::modules::Say;

constexpr size_t kDirectoryBufferSize = 512;
constexpr int kAdvanceMs = 5000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A zero-terminated string in a 512-byte buffer; an unterminated buffer ends at its size.
std::string_view BufferText(const char* buffer) {
  if (buffer == nullptr) return {};
  const void* end = std::memchr(buffer, 0, kDirectoryBufferSize);
  const size_t length =
      end ? static_cast<size_t>(static_cast<const char*>(end) - buffer) : kDirectoryBufferSize;
  return {buffer, length};
}

// The pictures of the directory, sorted by name without regard to case.
QStringList Pictures(const QString& directory) {
  const QDir dir(directory);
  QStringList pictures;
  for (const QString& file :
       dir.entryList({"*.png", "*.jpg", "*.jpeg", "*.gif", "*.bmp"}, QDir::Files | QDir::Readable,
                     QDir::Name | QDir::IgnoreCase))
    pictures << dir.filePath(file);
  return pictures;
}

// The show's window. Keys: Left/Right (also Page Up/Down, Backspace/Space) step, Escape closes;
// stepping by hand restarts the automatic advance.
class SlideShow : public QDialog {
 public:
  SlideShow(QStringList pictures, QWidget* parent)
      : QDialog(parent), pictures_(std::move(pictures)) {
    setObjectName("SlideShow");
    picture_ = new QLabel(this);
    picture_->setObjectName("Picture");
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(1, 1);
    picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    status_ = new QLabel(this);
    status_->setObjectName("Status");
    auto* previous = new QPushButton(Say("< &Zurück", "< &Previous"), this);
    previous->setObjectName("PreviousButton");
    auto* next = new QPushButton(Say("&Weiter >", "&Next >"), this);
    next->setObjectName("NextButton");
    auto* close = new QPushButton(Say("&Schließen", "&Close"), this);
    close->setObjectName("CloseButton");
    for (QPushButton* button : {previous, next, close}) button->setAutoDefault(false);
    connect(previous, &QPushButton::clicked, this, [this] { Step(-1); });
    connect(next, &QPushButton::clicked, this, [this] { Step(1); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(status_, 1);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_, 1);
    layout->addLayout(row);

    timer_ = new QTimer(this);
    timer_->setInterval(kAdvanceMs);
    connect(timer_, &QTimer::timeout, this, [this] { Step(1); });
    resize(kWidth, kHeight);
    Show(0);
    // A single picture has nothing to step to.
    const bool several = pictures_.size() > 1;
    previous->setEnabled(several);
    next->setEnabled(several);
    if (several) timer_->start();
  }

  int Current() const { return current_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_PageUp:
      case Qt::Key_Backspace:
        Step(-1);
        return;
      case Qt::Key_Right:
      case Qt::Key_PageDown:
      case Qt::Key_Space:
        Step(1);
        return;
      default:
        QDialog::keyPressEvent(event);
    }
  }

  void resizeEvent(QResizeEvent* event) override {
    QDialog::resizeEvent(event);
    Fit();
  }

 private:
  void Step(int delta) {
    const int count = static_cast<int>(pictures_.size());
    Show(((current_ + delta) % count + count) % count);
    if (timer_->isActive()) timer_->start();  // a step by hand restarts the interval
  }

  void Show(int index) {
    current_ = index;
    const QString path = pictures_[index];
    QImageReader reader(path);
    reader.setAutoTransform(true);
    image_ = QPixmap::fromImage(reader.read());
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name);
    status_->setText(QStringLiteral("%1 / %2   %3").arg(index + 1).arg(pictures_.size()).arg(name));
    if (image_.isNull())
      picture_->setText(
          Say("Das Bild '%1' kann nicht gelesen werden.", "Cannot read the picture '%1'.")
              .arg(name));
    Fit();
  }

  void Fit() {
    if (!image_.isNull())
      picture_->setPixmap(quillmar::modules::FitPicture(image_, picture_->size()));
  }

  QStringList pictures_;
  QLabel* picture_ = nullptr;
  QLabel* status_ = nullptr;
  QTimer* timer_ = nullptr;
  QPixmap image_;
  int current_ = 0;
};

}  // namespace

QUILLMAR_VIEWER_MODULE("QMSLIDES", "Quillmar slide show")

extern "C" {

// Runs the show modally. 0 after it was closed; 1 when the media directory holds no pictures
// (after saying so), 2 outside a Widgets application.
Q_DECL_EXPORT int32_t RunMM(int32_t /*zero*/, char* mediaDir, char* /*programDir*/) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 2;
  const QString directory = quillmar::modules::PathFromReader(BufferText(mediaDir));
  const QStringList pictures = Pictures(directory);
  QWidget* parent = QApplication::activeWindow();
  if (pictures.isEmpty()) {
    QMessageBox::information(parent, Say("Diashow", "Slide show"),
                             Say("Im Verzeichnis '%1' sind keine Bilder.",
                                 "There are no pictures in the directory '%1'.")
                                 .arg(QDir::toNativeSeparators(directory)));
    return 1;
  }
  SlideShow show(pictures, parent);
  show.exec();
  return 0;
}

}  // extern "C"
