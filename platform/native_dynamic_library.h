#pragma once

#include <memory>
#include <string>

#include "system/dynamic_library.h"

namespace quillmar {

// Loads shared libraries with the system's loader (dlopen, LoadLibrary): the exact absolute path
// given (no search path, no "lib" prefix or suffix added), every symbol resolved at load, so a
// module with unresolved dependencies fails to load rather than in a later call.
//
// Each object holds a reference of its own; the system counts them, so unloading one of several
// objects of the same file leaves the file loaded for the others, and it is unmapped with the
// last.
class NativeDynamicLibraries : public DynamicLibraries {
 public:
  std::unique_ptr<DynamicLibrary> Load(const std::string& path) override;
};

}  // namespace quillmar
