#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "collection/registry_access.h"
#include "collection/settings_store.h"
#include "system/app_environment.h"
#include "system/drive_list.h"
#include "system/plugin_host.h"
#include "system/registry_store.h"
#include "system/user_prompts.h"

namespace quillmar {

class TCDInfo;

// One catalogued collection ("CD").
struct TCRrecord {
  std::string CDID;  // up to 8 characters
  std::string Name;  // title from the metadata, Windows-1252 bytes
  std::string Path;  // root directory, ending in the native separator
  int32_t MinorVersion = 0;
  int32_t MajorVersion = 0;
  uint16_t NoDateMarker = 0;  // stands in a hit date's year or extra field the passage lacks
  uint16_t YearOffset = 0;    // added to years the user enters for the date filter
  // Why the collection cannot be read (CollectionDamage, UTF-8); empty when it can. Set by the
  // scan for a collection whose medium is present.
  std::string Damage;
};
using TCRrecords = std::vector<TCRrecord>;

// Selections of collections and texts shared by the search form and the search history.
struct TCDSelect {
  std::string CDID;
  std::string Name;  // at most 128 characters
  bool Selected = false;
};
using TCDSelectArray = std::vector<TCDSelect>;

struct TTextSelect {
  std::string CDID;  // "0" in the first element, which stands for all texts
  int32_t TextNo = 0;
  std::string Name;  // in the first element "alle" / "all"
  bool Selected = false;
};
using TTextSelectArray = std::vector<TTextSelect>;

// What keeps the collection at `root` from being read, as a message that names the file as it
// is on disk and what is wrong with it: its metadata (ID/metainfo.dat) or its text catalog
// missing or not a regular file, the metadata without a whole record, naming no text catalog
// or one outside the data directory. Empty when both can be read. Looks at nothing else, so a
// collection that passes may still have damaged texts or a damaged word index.
std::string CollectionDamage(const std::string& root);

// "The collection '<name>' in '<path>' cannot be used." followed by the collection's damage, for
// the one report of a damaged collection. The name falls back to the identifier.
std::string DamagedCollectionText(const TCRrecord& cd);

// The process-wide catalog of reachable collections and the only code that touches the settings
// store. It knows where each collection lives, its current tree schema and fuzzy-search files,
// and registers newly found collections under "Software\Quillmar\CD\<CDID>".
//
// The platform objects passed in must outlive the catalog. Used from the user-interface thread;
// the search thread only reads paths that a scan wrote before the search started.
class TCalderwickData {
 public:
  struct Platform {
    RegistryStore& registry;
    DriveList& drives;
    UserPrompts& prompts;
    PlugInHost& plugins;
    AppEnvironment environment;
  };

  explicit TCalderwickData(Platform platform);

  // What the program does once before its first window: records the executable, reads the
  // interface language into the process-wide language number, and hands the multimedia library
  // to the plug-in manager.
  void StartUp();

  RegistryAccess& Reg() { return reg_; }
  SettingsStore& Settings() { return settings_; }
  UserPrompts& Prompts() { return prompts_; }

  const AppEnvironment& Environment() const { return env_; }
  int32_t VersionMajor() const { return env_.version_major; }
  int32_t VersionMinor() const { return env_.version_minor; }
  int32_t VersionBuild() const { return env_.version_build; }
  bool UCFontSet() const { return ucfont_set_; }

  const TCRrecords& CDs() const { return cds_; }
  const std::vector<std::string>& RegisteredCDs() const { return registered_; }

  // Rebuilds the catalog from the drives, an announced directory and the registered
  // hard-disk collections. A collection whose files keep it from being read stays catalogued
  // with its Damage set.
  void ScanCDs();

  // Probes a directory and, when it holds a collection, catalogues and registers it as a
  // hard-disk collection. Otherwise shows "The path '%s' is not a valid data directory." and
  // returns false. A collection whose files keep it from being read (CollectionDamage) is
  // neither catalogued nor registered: its one message (DamagedCollectionText) is shown and the
  // result is false. This is what an installer's announcement leads to.
  bool AnnounceDirectory(const std::string& directory);

  int GetCDIndex(const std::string& cdid) const;
  std::string GetCDPath(const std::string& cdid) const;  // without trailing separator
  std::string GetCDName(const std::string& cdid);
  bool IsRegistered(const std::string& cdid) const;
  std::string GetCurrentSchema(const std::string& cdid);
  std::string GetFSWordFile(const std::string& cdid, int level);
  std::string GetFSLinkFile(const std::string& cdid, int level);
  std::string GetFSID(const std::string& cdid);
  bool HasFS(const std::string& cdid) { return !GetFSID(cdid).empty(); }
  std::string GetTextName(const std::string& cdid, int32_t textNo);
  // Full path of the collection's text catalog ("<CD>/data/" + its metadata's name for it).
  std::string GetTextInfoFile(const std::string& cdid) const;
  std::string GetLiFile(const std::string& cdid);
  std::string GetWbFile(const std::string& cdid);
  std::string GetKiFile(const std::string& cdid);
  std::string GetAbFile(const std::string& cdid);
  bool CDAvailable(const std::string& cdid, bool ask);
  // CDAvailable, and the collection's files can be read (CollectionDamage, checked now and kept
  // in its record). With `ask` a damaged collection is reported (DamagedCollectionText) before
  // false is returned. What opening a text or searching needs of a collection.
  bool CDUsable(const std::string& cdid, bool ask);

  std::string GetAppPath() { return settings_.GetPath(); }
  std::string GetVersionKey() const { return settings_.VersionKey(); }
  // "<Path>/Download", created with its missing parents; EInOutError when it cannot be.
  std::string GetDownloadDir();

  // Key of a collection: "Software\Quillmar\CD\<CDID>".
  static std::string CDKey(const std::string& cdid);

 private:
  bool Probe(const std::string& directory, TCRrecord& record) const;
  // The collection's identity file (or the marker of KRVT0001) exists: its medium is present.
  static bool Present(const TCRrecord& cd);
  // What a scan learns from a collection's metadata: wanted plug-ins, fuzzy-search key, date
  // markers, tree schema key.
  void Complete(TCRrecord& cd);
  void Register(size_t index, bool localDrive);
  void WriteSchemaKey(const std::string& cdid, const std::vector<std::string>& schemas);
  void EnsureFSKey(const std::string& cdid, const std::string& fsId);
  std::vector<std::string> ScanDrives();
  void ReadAnnouncement();
  void TakeBackRegistered();
  std::string GetFSFile(const std::string& cdid, int level, char kind, const char* badLevel,
                        const char* unknownCD);
  using CDInfoGetter = std::string (TCDInfo::*)() const;
  std::string AuxFile(const std::string& cdid, const char* krvtName, CDInfoGetter property,
                      bool inDataDirectory);

  RegistryAccess reg_;
  DriveList& drives_;
  UserPrompts& prompts_;
  PlugInHost& plugins_;
  AppEnvironment env_;
  SettingsStore settings_;
  std::vector<std::string> registered_;
  std::mutex announce_lock_;
  bool ucfont_set_ = false;
  TCRrecords cds_;
};

}  // namespace quillmar
