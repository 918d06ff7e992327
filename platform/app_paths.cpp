#include "platform/app_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "base/version.h"

#ifdef _WIN32
#include <shlobj.h>

#include "platform/windows_api.h"
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <vector>
#else
#include <pwd.h>
#include <unistd.h>
#endif

// The installed module directory relative to the installed executables (set by the build).
#ifndef QUILLMAR_RELATIVE_PLUGIN_DIR
#define QUILLMAR_RELATIVE_PLUGIN_DIR "../lib/quillmar/plugins"
#endif

// The network module's directory relative to the installed executables, and the platform's
// suffix of loadable modules (both set by the build).
#ifndef QUILLMAR_RELATIVE_MODULE_DIR
#define QUILLMAR_RELATIVE_MODULE_DIR "../lib/quillmar"
#endif
#ifndef QUILLMAR_MODULE_SUFFIX
#define QUILLMAR_MODULE_SUFFIX ".so"
#endif

namespace quillmar {

namespace {

namespace fs = std::filesystem;

constexpr char kConfigDirVariable[] = "QUILLMAR_CONFIG_DIR";
constexpr char kDataDirVariable[] = "QUILLMAR_DATA_DIR";
constexpr char kCacheDirVariable[] = "QUILLMAR_CACHE_DIR";
constexpr char kSubdirectory[] = "quillmar";
constexpr char kPluginDirVariable[] = "QUILLMAR_PLUGIN_DIR";
constexpr char kModulesSubdirectory[] = "modules";

// Normalised ("a/./b/../c" is "a/c"), native separators, no trailing separator.
std::string NativePath(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  normal.make_preferred();
  return Utf8Path(normal);
}

std::string Variable(const char* name) {
#ifdef _WIN32
  std::wstring wide_name;
  for (const char* c = name; *c; ++c) wide_name.push_back(static_cast<wchar_t>(*c));
  const wchar_t* value = _wgetenv(wide_name.c_str());
  return value ? Utf8Path(fs::path(value)) : std::string();
#else
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
#endif
}

fs::path HomeDirectory() {
#ifdef _WIN32
  const std::string profile = Variable("USERPROFILE");
  return profile.empty() ? fs::path("C:\\") : FsPath(profile);
#else
  const std::string home = Variable("HOME");
  if (!home.empty()) return FsPath(home);
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
#endif
}

enum class Location { kConfig, kCache, kData };

// The user's base directory of each kind, as the desktop's conventions place it: the XDG
// variables (when they name an absolute path) or their defaults under the home directory on
// Linux and the BSDs, ~/Library on macOS, the local application data folder on Windows.
fs::path StandardLocation(Location location) {
#ifdef _WIN32
  fs::path base;
  PWSTR folder = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
    base = folder;
  CoTaskMemFree(folder);
  if (base.empty()) base = HomeDirectory() / "AppData" / "Local";
  return location == Location::kCache ? base / "cache" : base;
#elif defined(__APPLE__)
  const fs::path library = HomeDirectory() / "Library";
  switch (location) {
    case Location::kConfig:
      return library / "Preferences";
    case Location::kCache:
      return library / "Caches";
    case Location::kData:
      return library / "Application Support";
  }
  return library;
#else
  const char* variable = location == Location::kConfig  ? "XDG_CONFIG_HOME"
                         : location == Location::kCache ? "XDG_CACHE_HOME"
                                                        : "XDG_DATA_HOME";
  const fs::path named = FsPath(Variable(variable));
  if (named.is_absolute()) return named;
  const fs::path home = HomeDirectory();
  switch (location) {
    case Location::kConfig:
      return home / ".config";
    case Location::kCache:
      return home / ".cache";
    case Location::kData:
      return home / ".local" / "share";
  }
  return home;
#endif
}

// The directory an environment variable names, or the program's sub-directory of a standard
// location.
fs::path ChosenDirectory(const char* variable, Location location) {
  const std::string overridden = Variable(variable);
  if (!overridden.empty()) return FsPath(overridden);
  return StandardLocation(location) / kSubdirectory;
}

fs::path ExecutablePath(const std::string& argv0) {
  std::error_code ec;
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length > 0 && length < buffer.size()) return fs::path(buffer.substr(0, length));
#elif defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);  // asks for the size
  std::vector<char> buffer(size + 1, '\0');
  if (_NSGetExecutablePath(buffer.data(), &size) == 0) {
    const fs::path path = fs::canonical(buffer.data(), ec);
    if (!ec) return path;
  }
#else
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && !self.empty()) return self;
#endif
  if (argv0.empty()) return {};
  const fs::path absolute = fs::absolute(FsPath(argv0), ec);
  return ec ? fs::path() : absolute;
}

}  // namespace

std::string ConfigDirectory() {
  return NativePath(ChosenDirectory(kConfigDirVariable, Location::kConfig));
}

std::string CacheDirectory() {
  return NativePath(ChosenDirectory(kCacheDirVariable, Location::kCache));
}

std::string DefaultProgramDirectory() {
  std::error_code ec;
#ifdef _WIN32
  const fs::path executable = ExecutablePath({});
  if (!executable.empty()) return NativePath(executable.parent_path());
  return NativePath(fs::current_path(ec));
#else
  const fs::path dir = ChosenDirectory(kDataDirVariable, Location::kData);
  fs::create_directories(dir, ec);  // a failure shows when a file is written there
  return NativePath(dir);
#endif
}

std::string PluginDirectory(const std::string& argv0) {
  std::error_code ec;
  const std::string overridden = Variable(kPluginDirVariable);
  if (!overridden.empty()) return NativePath(fs::absolute(FsPath(overridden), ec));
  const fs::path executable = ExecutablePath(argv0);
  if (executable.empty()) return {};
  const fs::path dir = executable.parent_path();
  for (const fs::path& candidate :
       {dir / "plugins", dir / ".." / "plugins", dir / QUILLMAR_RELATIVE_PLUGIN_DIR,
        dir / ".." / "lib" / "quillmar" / "plugins"}) {
    if (fs::is_directory(candidate, ec)) return NativePath(candidate);
  }
  return {};
}

std::string NetworkModulePath(const std::string& argv0) {
  const std::string name = std::string("quillmar_network") + QUILLMAR_MODULE_SUFFIX;
  const fs::path dir = ExecutablePath(argv0).parent_path();
  const fs::path beside = dir / name;
  const fs::path installed = dir / QUILLMAR_RELATIVE_MODULE_DIR / name;
  std::error_code ec;
  return NativePath(fs::is_regular_file(beside, ec) ? beside : installed);
}

std::string UserModuleDirectory() { return UserModuleDirectory(DefaultProgramDirectory()); }

std::string UserModuleDirectory(const std::string& programDirectory) {
  return NativePath(FsPath(programDirectory) / kModulesSubdirectory);
}

AppEnvironment CurrentAppEnvironment(const std::string& argv0) {
  AppEnvironment env;
  const fs::path executable = ExecutablePath(argv0);
  if (!executable.empty()) env.executable_path = NativePath(executable);
  env.default_program_directory = DefaultProgramDirectory();
  env.cache_directory = CacheDirectory();
  env.version_major = kVersionMajor;
  env.version_minor = kVersionMinor;
  env.version_build = kVersionBuild;
  return env;
}

}  // namespace quillmar
