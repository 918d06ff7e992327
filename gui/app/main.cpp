// The reader's start: single-instance guard, application, main window, splash, navigation
// window, message loop.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/version.h"
#include "gui/app/app_icons.h"
#include "gui/app/main_window.h"
#include "gui/app/qt_prompts.h"
#include "gui/app/single_instance.h"
#include "gui/app/splash_form.h"
#include "gui/common/app_context.h"
#include "platform/app_paths.h"

using namespace quillmar;
using namespace quillmar::gui;

int main(int argc, char** argv) {
  // --help and --version answer on the terminal, before any window or lock.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quillmar-reader %d.%d.%d\n", kVersionMajor, kVersionMinor, kVersionBuild);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "usage: quillmar-reader [Qt options]\n"
          "\n"
          "Reads and searches the text collections in optical drives and registered\n"
          "directories. Settings: $QUILLMAR_CONFIG_DIR/quillmar.ini; program directory:\n"
          "$QUILLMAR_DATA_DIR. See quillmar-reader(1).\n");
      return 0;
    }
  }

  // A second reader brings the running one to the front and ends, silently.
  const std::string config = ConfigDirectory();
  const QString serverName = SingleInstance::ServerName(config);
  const std::unique_ptr<QLockFile> guard = SingleInstance::Acquire(config);
  if (!guard) {
    const QCoreApplication core(argc, argv);
    SingleInstance::Activate(serverName);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quillmar-reader"));
  QApplication::setApplicationDisplayName(QStringLiteral("Quillmar reader"));
  QApplication::setApplicationVersion(
      QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionBuild));
  QGuiApplication::setDesktopFileName(QStringLiteral("quillmar-reader"));
  QApplication::setWindowIcon(ApplicationIcon());

  auto* prompts = new QtPrompts();
  AppContext context(AppContext::Parts{nullptr, nullptr, std::unique_ptr<UserPrompts>(prompts),
                                       argc > 0 ? argv[0] : ""});
  TCalderwickForm window(context);
  prompts->SetParent(&window);
  window.setWindowTitle(QStringLiteral("Quillmar reader"));
  window.showMaximized();
  const InstanceServer server(serverName);
  QObject::connect(&server, &InstanceServer::Activated, &window,
                   [&window] { SingleInstance::BringToFront(&window); });

  TSplashForm splash;
  splash.show();
  splash.repaint();
  QApplication::processEvents();
  window.CreateNavigation();
  window.RestoreSession();
  splash.close();

  return QApplication::exec();
}
