#include "platform/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include "base/version.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#elif defined(__APPLE__)
#include <mach-o/dyld.h>

#include <cstdint>
#include <vector>
#endif

// The installed module directory relative to the installed executables (set by the build).
#ifndef QUILLMAR_RELATIVE_PLUGIN_DIR
#define QUILLMAR_RELATIVE_PLUGIN_DIR "../lib/quillmar/plugins"
#endif

namespace quillmar {

namespace {

constexpr char kConfigDirVariable[] = "QUILLMAR_CONFIG_DIR";
constexpr char kDataDirVariable[] = "QUILLMAR_DATA_DIR";
constexpr char kCacheDirVariable[] = "QUILLMAR_CACHE_DIR";
constexpr char kSubdirectory[] = "quillmar";
constexpr char kPluginDirVariable[] = "QUILLMAR_PLUGIN_DIR";
constexpr char kModulesSubdirectory[] = "modules";

std::string NativePath(const QString& path) {
  return QDir::toNativeSeparators(QDir::cleanPath(path)).toStdString();
}

// The directory an environment variable names, or a sub-directory of a standard location.
QString ChosenDirectory(const char* variable, QStandardPaths::StandardLocation location,
                        const char* fallback_under_home) {
  const QString overridden = qEnvironmentVariable(variable);
  if (!overridden.isEmpty()) return overridden;
  QString base = QStandardPaths::writableLocation(location);
  if (base.isEmpty()) base = QDir::homePath() + u'/' + QString::fromUtf8(fallback_under_home);
  return base + u'/' + QString::fromUtf8(kSubdirectory);
}

QString ExecutablePath(const std::string& argv0) {
  if (QCoreApplication::instance()) {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return path;
  }
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length > 0 && length < buffer.size())
    return QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(length));
#elif defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);  // asks for the size
  std::vector<char> buffer(size + 1, '\0');
  if (_NSGetExecutablePath(buffer.data(), &size) == 0) {
    const QString path = QFileInfo(QString::fromUtf8(buffer.data())).canonicalFilePath();
    if (!path.isEmpty()) return path;
  }
#else
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  if (!self.isEmpty()) return self;
#endif
  if (argv0.empty()) return {};
  return QFileInfo(QString::fromStdString(argv0)).absoluteFilePath();
}

}  // namespace

std::string ConfigDirectory() {
  return NativePath(
      ChosenDirectory(kConfigDirVariable, QStandardPaths::GenericConfigLocation, ".config"));
}

std::string CacheDirectory() {
  return NativePath(
      ChosenDirectory(kCacheDirVariable, QStandardPaths::GenericCacheLocation, ".cache"));
}

std::string DefaultProgramDirectory() {
#ifdef _WIN32
  const QString executable = ExecutablePath({});
  if (!executable.isEmpty()) return NativePath(QFileInfo(executable).absolutePath());
  return NativePath(QDir::currentPath());
#else
  const QString dir =
      ChosenDirectory(kDataDirVariable, QStandardPaths::GenericDataLocation, ".local/share");
  QDir().mkpath(dir);  // a failure shows when a file is written there
  return NativePath(dir);
#endif
}

std::string PluginDirectory(const std::string& argv0) {
  const QString overridden = qEnvironmentVariable(kPluginDirVariable);
  if (!overridden.isEmpty()) return NativePath(QFileInfo(overridden).absoluteFilePath());
  const QString executable = ExecutablePath(argv0);
  if (executable.isEmpty()) return {};
  const QString dir = QFileInfo(executable).absolutePath();
  for (const QString& candidate :
       {dir + QStringLiteral("/plugins"), dir + QStringLiteral("/../plugins"),
        dir + u'/' + QStringLiteral(QUILLMAR_RELATIVE_PLUGIN_DIR),
        dir + QStringLiteral("/../lib/quillmar/plugins")}) {
    if (QFileInfo(candidate).isDir()) return NativePath(candidate);
  }
  return {};
}

std::string UserModuleDirectory() { return UserModuleDirectory(DefaultProgramDirectory()); }

std::string UserModuleDirectory(const std::string& programDirectory) {
  return NativePath(QString::fromStdString(programDirectory) + u'/' +
                    QString::fromUtf8(kModulesSubdirectory));
}

AppEnvironment CurrentAppEnvironment(const std::string& argv0) {
  AppEnvironment env;
  const QString executable = ExecutablePath(argv0);
  if (!executable.isEmpty()) env.executable_path = NativePath(executable);
  env.default_program_directory = DefaultProgramDirectory();
  env.cache_directory = CacheDirectory();
  env.version_major = kVersionMajor;
  env.version_minor = kVersionMinor;
  env.version_build = kVersionBuild;
  return env;
}

}  // namespace quillmar
