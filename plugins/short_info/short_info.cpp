// The short-information viewer: a modal window with the entry's caption and one page per file
// the record lists (text, HTML or picture). The window is closed before ShowKurzInfo returns, so
// no code of this module is left running when the reader unloads it.

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdint>
#include <string_view>
#include <vector>

#include "plugins/shared/module_support.h"

namespace {

using quillmar::modules::PathFromReader;
using quillmar::modules::Say;

// The short-information record: the caption (length byte + up to 80 characters) at its start,
// from byte 129 ten parts of three 129-byte strings (length byte + up to 128 characters).
constexpr size_t kCaptionCapacity = 80;
constexpr size_t kPartsOffset = 129;
constexpr size_t kStringSize = 129;
constexpr int kParts = 10;
constexpr qint64 kMaxTextBytes = 4 << 20;  // a text page shows at most 4 MB
constexpr int kWidth = 640;
constexpr int kHeight = 480;
const QSize kPictureRoom(kWidth - 60, kHeight - 160);  // the page of a picture in a new window

// A length-prefixed string; a length byte beyond the field's capacity is cut to it.
std::string_view ShortString(const unsigned char* record, size_t offset, size_t capacity) {
  size_t length = record[offset];
  if (length > capacity) length = capacity;
  return {reinterpret_cast<const char*>(record + offset + 1), length};
}

struct Part {
  QString files[2];
  QString description;
};

std::vector<Part> ReadParts(const unsigned char* record) {
  std::vector<Part> parts;
  for (int i = 0; i < kParts; ++i) {
    const size_t offset = kPartsOffset + static_cast<size_t>(i) * 3 * kStringSize;
    const std::string_view first = ShortString(record, offset, kStringSize - 1);
    if (first.empty()) break;
    Part part;
    part.files[0] = PathFromReader(first);
    const std::string_view second = ShortString(record, offset + kStringSize, kStringSize - 1);
    if (!second.empty()) part.files[1] = PathFromReader(second);
    part.description = quillmar::modules::FromCp1252(
        ShortString(record, offset + 2 * kStringSize, kStringSize - 1));
    parts.push_back(part);
  }
  return parts;
}

QWidget* Notice(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QWidget* PicturePage(const QString& path) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QImage image = reader.read();
  if (image.isNull())
    return Notice(
        Say("Das Bild '%1' kann nicht gelesen werden.", "Cannot read the picture '%1'.").arg(path));
  auto* label = new QLabel;
  label->setAlignment(Qt::AlignCenter);
  label->setPixmap(quillmar::modules::FitPicture(QPixmap::fromImage(image), kPictureRoom));
  auto* scroll = new QScrollArea;
  scroll->setAlignment(Qt::AlignCenter);
  scroll->setWidget(label);
  return scroll;
}

QWidget* HtmlPage(const QString& path) {
  auto* browser = new QTextBrowser;
  browser->setOpenExternalLinks(true);
  browser->setSource(QUrl::fromLocalFile(path));
  return browser;
}

// Text files are UTF-8 when they decode as such, else Windows-1252.
QWidget* TextPage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Notice(
        Say("Die Datei '%1' kann nicht gelesen werden.", "Cannot read the file '%1'.").arg(path));
  const QByteArray bytes = file.read(kMaxTextBytes);
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(bytes);
  if (utf8.hasError())
    text = quillmar::modules::FromCp1252(
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  auto* edit = new QPlainTextEdit(text);
  edit->setReadOnly(true);
  return edit;
}

QWidget* FilePage(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile())
    return Notice(Say("Datei '%1' nicht gefunden.", "File '%1' not found.").arg(path));
  const QString suffix = info.suffix().toLower();
  if (suffix == "htm" || suffix == "html") return HtmlPage(path);
  if (!QImageReader::imageFormat(path).isEmpty()) return PicturePage(path);
  return TextPage(path);
}

}  // namespace

QUILLMAR_VIEWER_MODULE("10001", "Quillmar short information")

extern "C" {

// Shows the entry modally. 0 after the window was closed; 1 without a record, 2 outside a
// Widgets application.
Q_DECL_EXPORT int32_t ShowKurzInfo(void* window, int32_t /*zero*/, const void* record) {
  if (record == nullptr) return 1;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 2;
  const auto* bytes = static_cast<const unsigned char*>(record);
  const QString caption = quillmar::modules::FromCp1252(ShortString(bytes, 0, kCaptionCapacity));

  QDialog dialog(static_cast<QWidget*>(window));
  dialog.setObjectName("ShortInformation");
  dialog.setWindowTitle(caption);
  auto* layout = new QVBoxLayout(&dialog);
  auto* heading = new QLabel(caption, &dialog);
  heading->setObjectName("CaptionLabel");
  QFont font = heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  heading->setFont(font);
  heading->setWordWrap(true);
  layout->addWidget(heading);

  auto* pages = new QTabWidget(&dialog);
  pages->setObjectName("FilePages");
  for (const Part& part : ReadParts(bytes)) {
    // A part's label names its first file's page; other pages show their file names.
    bool first = true;
    for (const QString& path : part.files) {
      if (path.isEmpty()) continue;
      const QString title =
          first && !part.description.isEmpty() ? part.description : QFileInfo(path).fileName();
      const int index = pages->addTab(FilePage(path), title);
      pages->setTabToolTip(index, path);
      first = false;
    }
  }
  if (pages->count() == 0) pages->addTab(Notice(Say("Keine Dateien.", "No files.")), caption);
  layout->addWidget(pages, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(kWidth, kHeight);
  dialog.exec();
  return 0;
}

}  // extern "C"
