#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "retrieval/phonetic_conversion.h"
#include "system/dynamic_library.h"
#include "system/plugin_host.h"
#include "system/plugin_prompts.h"

namespace quillmar {

class TCalderwickData;

// One row of the module list (UTF-8).
struct ModuleInfo {
  std::string Name;     // the module's display name
  std::string Version;  // four numbers separated by "."
  std::string Copyright;
  std::string Location;  // the registered path
  std::string ID;
};

// The process-wide plug-in manager: registers, installs, loads, calls and unloads plug-in modules
// (shared libraries with the exports ID, name, version, copyright, VersionCheck, phonem,
// ShowKurzInfo and RunMM; docs/plugins.md). Registrations live in the settings store under
// "Software\Quillmar\Reader\plugin\<ID>" with the values "Name" (path) and "CDID".
//
// Three slots hold at most one loaded module each: the phonetic matcher, the short-information
// viewer and the multimedia runner. Every failure ends in an error report through the
// PlugInPrompts and a neutral result (empty text, false, -1); nothing is thrown to the caller.
// A module that a slot cannot use is reported once (not once per word of a fuzzy query) until a
// registration changes or the module list is read.
//
// Trust: a module is loaded only from an absolute, registered path. Modules in the program's own
// plug-in directory are registered at start; a module from a collection's "bin" directory is
// installed (copied into the per-user module directory) only after the user agreed.
//
// Texts: paths are UTF-8. IDs that come from collection data (IsPresent, Load, Phoneme,
// ShowShortInformation, RunMultimedia) are Windows-1252 bytes, as are the strings a module
// returns (ReadModuleString); registered IDs (settings keys, ModuleList, RegisterModule,
// UnregisterModule) are UTF-8. For the usual ASCII IDs both are the same.
//
// Thread safety: Phoneme may run on the search thread while the user-interface thread uses the
// other operations; one mutex serialises every slot use, so no slot is unloaded during a call.
class TPlugInManager : public PlugInHost, public retrieval::PhoneticConversion {
 public:
  // The platform pieces. `pluginDirectory` is the program's own plug-in directory (absolute; may
  // be empty), `userModuleDirectory` where modules installed from collections go (created when
  // needed). All references must outlive the manager.
  struct Platform {
    DynamicLibraries& libraries;
    PlugInPrompts& prompts;
    std::string pluginDirectory;
    std::string userModuleDirectory;
  };

  explicit TPlugInManager(Platform platform);
  ~TPlugInManager() override;  // unloads every slot
  TPlugInManager(const TPlugInManager&) = delete;
  TPlugInManager& operator=(const TPlugInManager&) = delete;

  // Connects the manager to the catalog (settings, collection paths, version numbers). Must be
  // called before any other operation; the catalog must outlive the manager's use.
  void Attach(TCalderwickData& catalog);

  // PlugInHost, called by the catalog. IsPresent is make-sure-present (name = module ID, library
  // = file name); true when the registered file exists or was installed now. Load with an empty
  // cdid registers the modules of the program's plug-in directory; with a cdid it installs the
  // library from that collection's "bin" directory after asking the user.
  bool IsPresent(const std::string& name, const std::string& library) override;
  void Load(const std::string& library, const std::string& cdid) override;

  // Reads the export "ID", "name", "version" or "copyright" of a module file; unloads every slot
  // first. Empty after a reported failure.
  std::string ReadModuleString(const std::string& path, const std::string& exportName);
  // The module's VersionCheck with the reader's version; false after a reported failure.
  bool VersionCheck(const std::string& path);

  // Registers a module file by its absolute path (read its ID; CDID empty) and returns the ID,
  // or empty after a reported failure (bad ID, not a module). Used by "modules add" and the
  // builder; the user named the file, so no question is asked.
  std::string RegisterModule(const std::string& path);
  // Removes a registration; false when the ID was not registered. Unloads every slot first.
  bool UnregisterModule(const std::string& id);

  // Installs `library` from the collection's "bin" directory (asks the user first).
  void InstallFromCD(const std::string& library, const std::string& cdid);
  // Registers every module file in the program's plug-in directory whose ID is unregistered or
  // whose registered file no longer exists (what Load("mmpi10.dll", "") does). The modules' IDs
  // are remembered in the catalog's cache directory (ModuleIdCache), so only new or changed
  // module files are loaded to read them.
  void RegisterShippedModules();

  // PhoneticConversion: the "phonem" export of the module registered as `libraryId`, called
  // with the word (Windows-1252) and the level. Empty when the module cannot be used.
  std::string Phoneme(const std::string& libraryId, const std::string& word, int level) override;
  // "ShowKurzInfo" of module `id` with the window handle and the short-information record;
  // -1 when the module cannot be used.
  int32_t ShowShortInformation(const std::string& id, void* window, const void* record);
  // "RunMM" of module `moduleId` for the collection's media directory; -1 when it cannot be used.
  int32_t RunMultimedia(const std::string& cdid, const std::string& moduleId);

  // Every registered module (reads each one's strings; unloads every slot first), sorted by name.
  std::vector<ModuleInfo> ModuleList();
  // Unloads all three slots.
  void UnloadAll();

  // Versions compare as four integers ("." separated; missing or non-numeric parts are 0).
  static bool VersionNewer(const std::string& candidate, const std::string& installed);
  // A valid module ID: 1-130 printable characters without "\" or "/".
  static bool ValidID(const std::string& id);

 private:
  struct Slot;
  struct Impl;
  // InstallFromCD; true when the module is installed now or already present in the same or a
  // newer version.
  bool Install(const std::string& library, const std::string& cdid);
  std::unique_ptr<Impl> d_;
};

}  // namespace quillmar
