#pragma once

#include <memory>

#include "system/registry_store.h"

namespace quillmar {

// The user's settings store: on Windows the registry's current-user hive, elsewhere a
// FileRegistryStore on "quillmar.ini" in ConfigDirectory() (created at the first save).
std::unique_ptr<RegistryStore> OpenUserStore();

}  // namespace quillmar
