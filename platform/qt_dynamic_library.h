#pragma once

#include <memory>
#include <string>

#include "system/dynamic_library.h"

namespace quillmar {

// Loads shared libraries with QLibrary: the exact absolute path given (no search path, no
// "lib" prefix or suffix added), every symbol resolved at load, so a module with unresolved
// dependencies fails to load rather than in a later call.
//
// All objects of one file share one QLibrary: unloading one of several objects of the same file
// counts as done, and the file is unloaded with the last one.
class QtDynamicLibraries : public DynamicLibraries {
 public:
  std::unique_ptr<DynamicLibrary> Load(const std::string& path) override;
};

}  // namespace quillmar
