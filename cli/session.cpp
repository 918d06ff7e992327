#include "cli/session.h"

#include "base/language.h"
#include "platform/app_paths.h"
#include "platform/native_dynamic_library.h"
#include "platform/stderr_plugin_prompts.h"
#include "platform/stderr_prompts.h"
#include "platform/system_drive_list.h"
#include "platform/user_store.h"
#include "system/memory_registry_store.h"

namespace quillmar::cli {

namespace {

// The name under which the reader hands its own plug-in directory to the manager at start.
constexpr char kShippedModules[] = "mmpi10.dll";

class NoDrives : public DriveList {
 public:
  std::vector<std::string> OpticalDrivesWithMedium() const override { return {}; }
};
}  // namespace

Session::Session(const std::string& argv0, const std::vector<std::string>& collectionDirs,
                 Settings settings) {
  AppEnvironment env = CurrentAppEnvironment(argv0);
  prompts_ = std::make_unique<StderrPrompts>();
  libraries_ = std::make_unique<NativeDynamicLibraries>();
  plugin_prompts_ = std::make_unique<StderrPlugInPrompts>();
  plugins_ = std::make_unique<TPlugInManager>(
      TPlugInManager::Platform{*libraries_, *plugin_prompts_, PluginDirectory(argv0),
                               UserModuleDirectory(env.default_program_directory)});
  if (collectionDirs.empty() && settings == Settings::kDefault) {
    registry_ = OpenUserStore();
    drives_ = std::make_unique<SystemDriveList>();
  } else {
    registry_ = std::make_unique<MemoryRegistryStore>();
    drives_ = std::make_unique<NoDrives>();
  }
  catalog_ = std::make_unique<TCalderwickData>(
      TCalderwickData::Platform{*registry_, *drives_, *prompts_, *plugins_, env});
  plugins_->Attach(*catalog_);
  SetCurrentLanguage(catalog_->Settings().GetLanguage());
  // Before any collection is looked at: a collection's wanted modules may be shipped ones.
  plugins_->Load(kShippedModules, "");
  for (const auto& dir : collectionDirs) {
    if (!catalog_->AnnounceDirectory(dir)) throw AlreadyReported{};
    selected_.push_back(catalog_->CDs().back().CDID);
  }
}

Session::~Session() = default;

}  // namespace quillmar::cli
