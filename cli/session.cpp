#include "cli/session.h"

#include "base/language.h"
#include "platform/app_paths.h"
#include "platform/qt_drive_list.h"
#include "platform/qt_registry_store.h"
#include "platform/stderr_prompts.h"
#include "system/memory_registry_store.h"
#include "system/recording_plugin_host.h"

namespace quillmar::cli {

namespace {
class NoDrives : public DriveList {
 public:
  std::vector<std::string> OpticalDrivesWithMedium() const override { return {}; }
};
}  // namespace

Session::Session(const std::string& argv0, const std::vector<std::string>& collectionDirs) {
  AppEnvironment env = CurrentAppEnvironment(argv0);
  prompts_ = std::make_unique<StderrPrompts>();
  plugins_ = std::make_unique<RecordingPlugInHost>();
  if (collectionDirs.empty()) {
    registry_ = QtRegistryStore::OpenUserStore();
    drives_ = std::make_unique<QtDriveList>();
  } else {
    registry_ = std::make_unique<MemoryRegistryStore>();
    drives_ = std::make_unique<NoDrives>();
  }
  catalog_ = std::make_unique<TCalderwickData>(
      TCalderwickData::Platform{*registry_, *drives_, *prompts_, *plugins_, env});
  SetCurrentLanguage(catalog_->Settings().GetLanguage());
  for (const auto& dir : collectionDirs) {
    if (!catalog_->AnnounceDirectory(dir)) throw AlreadyReported{};
    selected_.push_back(catalog_->CDs().back().CDID);
  }
}

Session::~Session() = default;

}  // namespace quillmar::cli
