#pragma once

#include <memory>
#include <string>
#include <vector>

#include "collection/calderwick_data.h"
#include "plugins/plugin_manager.h"
#include "system/drive_list.h"
#include "system/dynamic_library.h"
#include "system/plugin_prompts.h"
#include "system/registry_store.h"
#include "system/user_prompts.h"

namespace quillmar::cli {

// Thrown after the failure was already shown to the user through the prompts; exit status 1.
struct AlreadyReported {};

// The platform objects and the catalog for one run of the tool.
//
// With collection directories given (--collection), the tool works on those alone: settings live
// in memory, no drive is scanned and nothing is written to the user's settings. Without them it
// uses the user's settings store and scans drives and registered collections like the reader.
// Either way the plug-in manager registers the modules of the program's plug-in directory first,
// as the reader does at start; it asks no question (installing a collection's module needs the
// reader).
class Session {
 public:
  Session(const std::string& argv0, const std::vector<std::string>& collectionDirs);
  ~Session();

  TCalderwickData& Catalog() { return *catalog_; }
  TPlugInManager& Plugins() { return *plugins_; }
  // The identifiers of the --collection directories, in the order given.
  const std::vector<std::string>& Selected() const { return selected_; }

 private:
  std::unique_ptr<RegistryStore> registry_;
  std::unique_ptr<DriveList> drives_;
  std::unique_ptr<UserPrompts> prompts_;
  std::unique_ptr<DynamicLibraries> libraries_;
  std::unique_ptr<PlugInPrompts> plugin_prompts_;
  std::unique_ptr<TPlugInManager> plugins_;
  std::unique_ptr<TCalderwickData> catalog_;
  std::vector<std::string> selected_;
};

}  // namespace quillmar::cli
