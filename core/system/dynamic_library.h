#pragma once

#include <memory>
#include <string>

namespace quillmar {

// One loaded shared library (.dll, .so, .dylib).
class DynamicLibrary {
 public:
  virtual ~DynamicLibrary() = default;
  // Address of an exported function, or nullptr when the library does not export `name`.
  virtual void* Symbol(const std::string& name) = 0;
  // Unloads the library. False when the system refuses; the library then stays loaded and the
  // object may be asked again.
  virtual bool Unload() = 0;
};

// Loads shared libraries by absolute path. The platform library implements it with the system's
// loader (dlopen, LoadLibrary).
class DynamicLibraries {
 public:
  virtual ~DynamicLibraries() = default;
  // The loaded library, or nullptr when `path` cannot be loaded (missing, not a library of this
  // platform, unresolved dependencies). `path` is UTF-8.
  virtual std::unique_ptr<DynamicLibrary> Load(const std::string& path) = 0;
};

}  // namespace quillmar
