#include "platform/native_dynamic_library.h"

#include <filesystem>
#include <system_error>

#include "base/paths.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <dlfcn.h>
#endif

namespace quillmar {

namespace {

#ifdef _WIN32
using Handle = HMODULE;
#else
using Handle = void*;
#endif

class NativeDynamicLibrary : public DynamicLibrary {
 public:
  explicit NativeDynamicLibrary(Handle handle) : handle_(handle) {}

  // An object dropped without Unload leaves the library loaded: code it handed out (a callback
  // a host still holds) must stay mapped.
  ~NativeDynamicLibrary() override = default;

  void* Symbol(const std::string& name) override {
    if (!handle_) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(handle_, name.c_str()));
#else
    return dlsym(handle_, name.c_str());
#endif
  }

  bool Unload() override {
    if (!handle_) return true;
#ifdef _WIN32
    if (!FreeLibrary(handle_)) return false;
#else
    if (dlclose(handle_) != 0) return false;
#endif
    handle_ = nullptr;
    return true;
  }

 private:
  Handle handle_;
};

}  // namespace

std::unique_ptr<DynamicLibrary> NativeDynamicLibraries::Load(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path file = FsPath(path);
  std::error_code ec;
  // Only an existing file named by an absolute path: the loader would otherwise search the
  // system's library path.
  if (!file.is_absolute() || !fs::is_regular_file(file, ec)) return nullptr;
#ifdef _WIN32
  // The library's own directory is searched for its dependencies; a failure raises no dialog.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const Handle handle =
      LoadLibraryExW(file.wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  SetErrorMode(previous);
#else
  int flags = RTLD_NOW | RTLD_LOCAL;
#if defined(QUILLMAR_LIBRARIES_STAY_MAPPED) && defined(RTLD_NODELETE)
  // Sanitizer builds: unmapping a library hides what its initialisers (and those of the libraries
  // it pulled in, Qt for a viewer module) allocated from the leak checker, which then reports it
  // as leaked by an unknown module. Kept mapped, it stays reachable.
  flags |= RTLD_NODELETE;
#endif
  const Handle handle = dlopen(file.c_str(), flags);
#endif
  if (!handle) return nullptr;
  return std::make_unique<NativeDynamicLibrary>(handle);
}

}  // namespace quillmar
