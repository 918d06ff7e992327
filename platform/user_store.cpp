#include "platform/user_store.h"

#ifdef _WIN32
#include "platform/qt/qt_registry_store.h"
#else
#include "base/paths.h"
#include "platform/app_paths.h"
#include "platform/file_registry_store.h"
#endif

namespace quillmar {

std::unique_ptr<RegistryStore> OpenUserStore() {
#ifdef _WIN32
  return QtRegistryStore::OpenUserRegistry();
#else
  return std::make_unique<FileRegistryStore>(JoinPath(ConfigDirectory(), "quillmar.ini"));
#endif
}

}  // namespace quillmar
