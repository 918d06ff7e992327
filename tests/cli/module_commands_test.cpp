// The modules command on the tool's own settings, with test modules built by the test suite.

#include <filesystem>

#include "cli/cli_fixture.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

std::string Module(const std::string& file) {
  return std::string(QUILLMAR_TEST_MODULE_DIR) + "/" + file + QUILLMAR_TEST_MODULE_SUFFIX;
}

// The program's plug-in directory holds a copy of the module "phon19".
class ModuleCommandsTest : public test::CliTest {
 protected:
  ModuleCommandsTest() {
    fs::create_directories(dir.Sub("plugins"));
    shipped = dir.Sub("plugins/phon19" QUILLMAR_TEST_MODULE_SUFFIX);
    fs::copy_file(Module("phon19"), shipped);
    setenv("QUILLMAR_PLUGIN_DIR", dir.Sub("plugins").c_str(), 1);
  }
  ~ModuleCommandsTest() override { unsetenv("QUILLMAR_PLUGIN_DIR"); }

  std::string shipped;
};

TEST_F(ModuleCommandsTest, ListAddAndRemoveRegisteredModules) {
  // The shipped module is registered at start and listed.
  test::CliResult r = Run("modules");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "TESTPHON\tModule phon19\t1.9.0.0\t(c) Quillmar tests\t" + shipped + "\n");

  r = Run("modules add " + Module("nophonem"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "registered NOPHONEM at " + Module("nophonem") + "\n");
  r = Run("modules --format json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "[\n  {\"id\": \"NOPHONEM\", \"name\": \"Module nophonem\", \"version\": \"1.0.0.0\", "
            "\"copyright\": \"(c) Quillmar tests\", \"location\": \"" +
                Module("nophonem") +
                "\"},\n  {\"id\": \"TESTPHON\", \"name\": \"Module phon19\", \"version\": "
                "\"1.9.0.0\", \"copyright\": \"(c) Quillmar tests\", \"location\": \"" +
                shipped + "\"}\n]\n");

  // Refused: a relative path (usage), an overlong ID and a file that is no module (reported).
  EXPECT_EQ(Run("modules add nophonem" QUILLMAR_TEST_MODULE_SUFFIX).status, 2);
  r = Run("modules add " + Module("longid"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has no valid module ID"), std::string::npos) << r.err;
  test::WriteFile(dir.Sub("junk" QUILLMAR_TEST_MODULE_SUFFIX), "no library");
  r = Run("modules add " + dir.Sub("junk" QUILLMAR_TEST_MODULE_SUFFIX));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has wrong format"), std::string::npos) << r.err;

  r = Run("modules remove nophonem");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "removed nophonem\n");
  EXPECT_EQ(Run("modules remove NOPHONEM").status, 1);
  r = Run("modules");
  EXPECT_EQ(r.out, "TESTPHON\tModule phon19\t1.9.0.0\t(c) Quillmar tests\t" + shipped + "\n");
  EXPECT_EQ(Run("modules --collection " + dir.path()).status, 2);
}

}  // namespace
}  // namespace quillmar
