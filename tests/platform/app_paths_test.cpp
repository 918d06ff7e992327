#include "platform/app_paths.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>
#include <filesystem>
#include <optional>
#include <string>

#include "base/version.h"
#include "platform/qt_registry_store.h"
#include "support/temp_dir.h"

// The substitutes for the program directory and the registry outside Windows.
#ifndef _WIN32

namespace quillmar {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name).toStdString();
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      qputenv(name_, QByteArray::fromStdString(*value));
    else
      qunsetenv(name_);
  }

  const char* name_;
  std::optional<std::string> old_;
};

TEST(AppPaths, ConfigDirectoryFollowsItsVariable) {
  test::TempDir dir;
  const std::string config = dir.Sub("my config");
  {
    ScopedEnv env("QUILLMAR_CONFIG_DIR", config);
    EXPECT_EQ(ConfigDirectory(), config);
    EXPECT_FALSE(fs::exists(config));  // only named, not created

    // The user's store lives there and comes into being with the first write.
    auto store = QtRegistryStore::OpenUserStore();
    EXPECT_EQ(store->Location(), config + "/quillmar.ini");
    store->WriteInteger("Software\\Quillmar\\Reader\\Options", "language", 1);
    EXPECT_TRUE(fs::exists(config + "/quillmar.ini"));
  }
  for (const std::optional<std::string>& unset : {std::optional<std::string>{}, {""}}) {
    ScopedEnv env("QUILLMAR_CONFIG_DIR", unset);
    const std::string standard = ConfigDirectory();
    EXPECT_TRUE(standard.ends_with("/quillmar")) << standard;
    EXPECT_NE(standard, config);
  }
}

TEST(AppPaths, ProgramDirectoryFollowsItsVariableAndIsCreated) {
  test::TempDir dir;
  const std::string data = dir.Sub("data/quillmar");
  ScopedEnv env("QUILLMAR_DATA_DIR", data + "/");
  EXPECT_EQ(DefaultProgramDirectory(), data);
  EXPECT_TRUE(fs::is_directory(data));

  const AppEnvironment app = CurrentAppEnvironment("ignored-argv0");
  EXPECT_EQ(app.default_program_directory, data);
  EXPECT_TRUE(fs::is_regular_file(app.executable_path)) << app.executable_path;
  EXPECT_EQ(app.version_major, kVersionMajor);
  EXPECT_EQ(app.version_minor, kVersionMinor);
  EXPECT_EQ(app.version_build, kVersionBuild);
}

}  // namespace
}  // namespace quillmar

#endif  // _WIN32
