#include "platform/app_paths.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>
#include <filesystem>
#include <string>

#include "platform/file_registry_store.h"
#include "platform/user_store.h"
#include "support/temp_dir.h"

// The substitutes for the program directory and the registry outside Windows.
#ifndef _WIN32

namespace quillmar {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (unsets it for nullptr) until the end of the scope.
struct ScopedEnv {
  ScopedEnv(const char* variable, const char* value)
      : name(variable), was_set(qEnvironmentVariableIsSet(variable)), old(qgetenv(variable)) {
    value ? qputenv(name, value) : qunsetenv(name);
  }
  ~ScopedEnv() { was_set ? qputenv(name, old) : qunsetenv(name); }
  const char* name;
  bool was_set;
  QByteArray old;
};

TEST(AppPaths, VariablesNameTheDirectoriesElseTheUsersStandardOnesServe) {
  test::TempDir dir;
  const std::string config = dir.Sub("my config");
  const std::string data = dir.Sub("data/quillmar");
  const std::string cache = dir.Sub("cache");
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    ScopedEnv env("QUILLMAR_CONFIG_DIR", unset);
    ScopedEnv cache_env("QUILLMAR_CACHE_DIR", unset);
    EXPECT_TRUE(ConfigDirectory().ends_with("/quillmar")) << ConfigDirectory();
    EXPECT_TRUE(CacheDirectory().ends_with("/quillmar")) << CacheDirectory();
    EXPECT_NE(CacheDirectory(), ConfigDirectory());
  }
  ScopedEnv config_env("QUILLMAR_CONFIG_DIR", config.c_str());
  ScopedEnv data_env("QUILLMAR_DATA_DIR", (data + "/").c_str());
  ScopedEnv cache_env("QUILLMAR_CACHE_DIR", cache.c_str());
  EXPECT_EQ(ConfigDirectory(), config);
  EXPECT_FALSE(fs::exists(config));  // only named, not created
  auto store = OpenUserStore();
  store->WriteInteger("Software\\Quillmar\\Reader\\Options", "language", 1);
  EXPECT_EQ(FileRegistryStore(config + "/quillmar.ini")
                .ReadInteger("Software\\Quillmar\\Reader\\Options", "language"),
            1);
  const AppEnvironment app = CurrentAppEnvironment("ignored-argv0");
  EXPECT_EQ(app.default_program_directory, data);
  EXPECT_EQ(app.cache_directory, cache);
  EXPECT_FALSE(fs::exists(cache));      // created when the first index is built there
  EXPECT_TRUE(fs::is_directory(data));  // created
  EXPECT_TRUE(fs::is_regular_file(app.executable_path)) << app.executable_path;
}

}  // namespace
}  // namespace quillmar

#endif  // _WIN32
