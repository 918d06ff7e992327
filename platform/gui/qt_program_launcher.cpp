#include "platform/gui/qt_program_launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace quillmar {

bool QtProgramLauncher::StartDetached(const std::string& program) {
  const QString path = QString::fromStdString(program);
  // The program alone, with no argument and in its own directory: the path is never split into
  // a command line.
  return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
}

bool QtProgramLauncher::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace quillmar
