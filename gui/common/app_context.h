#pragma once

#include <memory>
#include <string>

#include "system/drive_list.h"
#include "system/recording_plugin_host.h"
#include "system/registry_store.h"
#include "system/user_prompts.h"

namespace quillmar {
class TCalderwickData;
class TextStyle;
class TBookmark;
}  // namespace quillmar

namespace quillmar::gui {

// What the reader keeps for its whole run: the platform objects, the catalog of collections
// (which reads and writes every setting), the text-style table every text window draws with,
// and the bookmark store. Created before the first window; outlives every window.
class AppContext {
 public:
  // The pieces a context is made of; the defaults are the user's own: the user's settings
  // store, the optical drives and message boxes.
  struct Parts {
    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<DriveList> drives;
    std::unique_ptr<UserPrompts> prompts;
    std::string argv0;  // for the executable's path when no application object exists
  };

  // Fills in the missing parts, builds the catalog and runs its start-up (language, executable,
  // multimedia hand-over), builds the text-style table and opens the bookmark store.
  explicit AppContext(Parts parts);
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  TCalderwickData& Catalog() { return *catalog_; }
  TextStyle& Style() { return *style_; }
  TBookmark& Bookmarks() { return *bookmarks_; }
  UserPrompts& Prompts() { return *prompts_; }
  RegistryStore& Store() { return *store_; }

  // Rebuilds the text-style table from the settings "Font", "FontSize", "Relations",
  // "LinkColor", "BackColor" and "UCFont" and measures its fonts on a screen-resolution image.
  // Raises Exception "Can't dectect text metrics." when a font cannot be measured.
  void RebuildTextStyle();

 private:
  std::unique_ptr<RegistryStore> store_;
  std::unique_ptr<DriveList> drives_;
  std::unique_ptr<UserPrompts> prompts_;
  RecordingPlugInHost plugins_;
  std::unique_ptr<TCalderwickData> catalog_;
  std::unique_ptr<TextStyle> style_;
  std::unique_ptr<TBookmark> bookmarks_;
};

}  // namespace quillmar::gui
