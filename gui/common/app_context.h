#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "platform/atomic_file.h"
#include "system/drive_list.h"
#include "system/dynamic_library.h"
#include "system/plugin_prompts.h"
#include "system/program_launcher.h"
#include "system/registry_store.h"
#include "system/user_prompts.h"

namespace quillmar {
class TCalderwickData;
class TPlugInManager;
class TextStyle;
class TBookmark;
}  // namespace quillmar

namespace quillmar::gui {

class CrossReferenceLinks;

// What the reader keeps for its whole run: the platform objects, the plug-in manager, the catalog
// of collections (which reads and writes every setting), the text-style table every text window
// draws with, and the bookmark store. Created before the first window; outlives every window.
class AppContext {
 public:
  // The pieces a context is made of; the defaults are the user's own: the user's settings
  // store, the optical drives, message boxes, shared libraries loaded with QLibrary, the module
  // manager's own boxes, the desktop's program launcher and the program's plug-in directory.
  struct Parts {
    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<DriveList> drives;
    std::unique_ptr<UserPrompts> prompts;
    std::string argv0;  // for the executable's path when no application object exists
    std::unique_ptr<DynamicLibraries> libraries = nullptr;
    std::unique_ptr<PlugInPrompts> pluginPrompts = nullptr;
    std::unique_ptr<ProgramLauncher> launcher = nullptr;
    std::string pluginDirectory = {};  // empty: the program's own (platform/app_paths.h)
    // The fonts that can show polytonic Greek; null: the installed ones (TFontInfo).
    std::function<QStringList()> greekFonts = nullptr;
  };

  // Fills in the missing parts, builds the plug-in manager and the catalog, attaches the one to
  // the other and runs the catalog's start-up (language, executable, registering the shipped
  // modules), builds the text-style table and opens the bookmark store. At the first start (no
  // "UCFont" stored yet) Greek is shown in Unicode when a font covers polytonic Greek: that
  // font becomes "UCFont"; without one Greek keeps the 8-bit Greek font.
  explicit AppContext(Parts parts);
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  TCalderwickData& Catalog() { return *catalog_; }
  TextStyle& Style() { return *style_; }
  TBookmark& Bookmarks() { return *bookmarks_; }
  CrossReferenceLinks& CrossReferences() { return *crossReferences_; }
  UserPrompts& Prompts() { return *prompts_; }
  RegistryStore& Store() { return *store_; }
  TPlugInManager& Plugins() { return *plugins_; }
  PlugInPrompts& PluginPrompts() { return *pluginPrompts_; }
  // The fonts that cover polytonic Greek, for the choice of "UCFont".
  QStringList GreekFonts() const;
  ProgramLauncher& Launcher() { return *launcher_; }

  // Rebuilds the text-style table from the settings "Font", "FontSize", "Relations",
  // "LinkColor", "BackColor" and "UCFont" and measures its fonts on a screen-resolution image.
  // Raises Exception "Can't dectect text metrics." when a font cannot be measured.
  void RebuildTextStyle();

 private:
  std::unique_ptr<RegistryStore> store_;
  std::unique_ptr<DriveList> drives_;
  std::unique_ptr<UserPrompts> prompts_;
  std::unique_ptr<DynamicLibraries> libraries_;
  std::unique_ptr<PlugInPrompts> pluginPrompts_;
  std::unique_ptr<ProgramLauncher> launcher_;
  std::unique_ptr<TPlugInManager> plugins_;  // goes after the catalog, which calls it
  std::unique_ptr<TCalderwickData> catalog_;
  std::unique_ptr<TextStyle> style_;
  AtomicFileWriter fileWriter_;  // bookmarks and notes: flushed to the disk, then renamed
  std::unique_ptr<TBookmark> bookmarks_;
  std::function<QStringList()> greekFonts_;
  std::unique_ptr<CrossReferenceLinks> crossReferences_;
};

}  // namespace quillmar::gui
