// The plug-in manager with real modules (tests/plugins/test_module.cpp, built in several
// variants) loaded through QLibrary.

#include "plugins/plugin_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/language.h"
#include "collection/calderwick_data.h"
#include "platform/native_dynamic_library.h"
#include "support/collection_writer.h"
#include "support/counting_libraries.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

const std::string kPlugInKey = "Software\\Quillmar\\Reader\\plugin\\";

std::string Module(const std::string& file) {
  return std::string(QUILLMAR_TEST_MODULE_DIR) + "/" + file + QUILLMAR_TEST_MODULE_SUFFIX;
}

// Answers questions from a script (no once it runs out) and records questions and reports.
class ScriptedPlugInPrompts : public PlugInPrompts {
 public:
  bool Question(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ErrorReport(const std::string& message) override {
    std::lock_guard lock(mutex);
    reports.push_back(message);
  }
  std::vector<std::string> Reports() {
    std::lock_guard lock(mutex);
    return reports;
  }

  std::deque<bool> answers;
  std::vector<std::string> questions;

 private:
  std::mutex mutex;
  std::vector<std::string> reports;
};

// A catalog of version 1.7 with an in-memory settings store, the manager as its plug-in host,
// the program's plug-in directory <temp>/shipped and the user's module directory
// <temp>/program/modules.
class PlugInManagerTest : public ::testing::Test {
 protected:
  PlugInManagerTest() {
    env.executable_path = "/usr/bin/quillmar-reader";
    env.default_program_directory = dir.Sub("program");
    env.version_major = 1;
    env.version_minor = 7;
    fs::create_directories(dir.Sub("program"));
    fs::create_directories(dir.Sub("shipped"));
    SetCurrentLanguage(kEnglish);
    manager = std::make_unique<TPlugInManager>(TPlugInManager::Platform{
        libraries, prompts, dir.Sub("shipped"), dir.Sub("program/modules")});
    catalog = std::make_unique<TCalderwickData>(
        TCalderwickData::Platform{store, drives, userPrompts, *manager, env});
    manager->Attach(*catalog);
  }

  // A copy of a test module under <temp>/<relative>.
  std::string Copy(const std::string& file, const std::string& relative) {
    const std::string target = dir.Sub(relative);
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(Module(file), target, fs::copy_options::overwrite_existing);
    return target;
  }

  // A collection in a drive whose "bin" directory holds the given test modules and whose
  // metadata wants `wanted` (library, ID) pairs.
  std::string AddCollection(const std::string& cdid, const std::vector<std::string>& binFiles,
                            std::vector<std::pair<std::string, std::string>> wanted = {}) {
    test::CollectionSpec layout;
    layout.cdid = cdid;
    layout.title = "Collection " + cdid;
    layout.plugins = std::move(wanted);
    const std::string root = test::WriteCollection(dir.Sub(cdid), layout);
    for (const auto& file : binFiles)
      Copy(file, cdid + "/bin/" + file + QUILLMAR_TEST_MODULE_SUFFIX);
    drives.drives.push_back(root);
    return root;
  }

  std::string Registered(const std::string& id) {
    return store.ReadString(kPlugInKey + id, "Name").value_or("");
  }
  std::string RegisteredCD(const std::string& id) {
    return store.ReadString(kPlugInKey + id, "CDID").value_or("");
  }
  void Register(const std::string& id, const std::string& path, const std::string& cdid = "") {
    store.WriteString(kPlugInKey + id, "Name", path);
    store.WriteString(kPlugInKey + id, "CDID", cdid);
  }

  test::TempDir dir;
  AppEnvironment env;
  MemoryRegistryStore store;
  test::FakeDrives drives;
  test::ScriptedPrompts userPrompts;
  ScriptedPlugInPrompts prompts;
  std::atomic<int> open{0};
  test::CountingLibraries libraries{std::make_unique<NativeDynamicLibraries>(), open};
  std::unique_ptr<TPlugInManager> manager;
  std::unique_ptr<TCalderwickData> catalog;
};

TEST(PlugInRules, VersionsCompareAsNumbersAndIDsAreBounded) {
  EXPECT_TRUE(TPlugInManager::VersionNewer("1.10", "1.9"));
  EXPECT_FALSE(TPlugInManager::VersionNewer("1.9", "1.10"));
  EXPECT_FALSE(TPlugInManager::VersionNewer("1.9.0.0", "1.9"));  // missing parts are 0
  EXPECT_TRUE(TPlugInManager::VersionNewer("1.9.0.1", "1.9.0.0"));
  EXPECT_TRUE(TPlugInManager::VersionNewer("2", "1.99.99.99"));
  EXPECT_FALSE(TPlugInManager::VersionNewer("x.5", "0.5"));  // non-numeric parts are 0
  EXPECT_FALSE(TPlugInManager::VersionNewer("", ""));

  EXPECT_TRUE(TPlugInManager::ValidID("TESTPHON"));
  EXPECT_TRUE(TPlugInManager::ValidID(std::string(130, 'L')));
  EXPECT_FALSE(TPlugInManager::ValidID(std::string(131, 'L')));
  for (const char* bad : {"", "   ", "A\\B", "A/B", "A\tB", "A\x7f"})
    EXPECT_FALSE(TPlugInManager::ValidID(bad)) << bad;
}

TEST_F(PlugInManagerTest, ShippedModulesAreRegisteredAndListedAndTheListUnloads) {
  const std::string phon = Copy("phon19", "shipped/phon19" QUILLMAR_TEST_MODULE_SUFFIX);
  const std::string filler = Copy("filler", "shipped/filler" QUILLMAR_TEST_MODULE_SUFFIX);
  const std::string longid = Copy("longid", "shipped/longid" QUILLMAR_TEST_MODULE_SUFFIX);
  test::WriteFile(dir.Sub("shipped/broken" QUILLMAR_TEST_MODULE_SUFFIX), "not a library");
  test::WriteFile(dir.Sub("shipped/readme.txt"), "not a module");
  // A registration whose file is gone is renewed; one whose file exists stays.
  Register("TESTPHON", dir.Sub("gone/phon19" QUILLMAR_TEST_MODULE_SUFFIX));
  Register("FILLER", Module("filler"), "OTHER001");

  manager->Load("mmpi10.dll", "");
  EXPECT_EQ(Registered("TESTPHON"), phon);
  EXPECT_EQ(RegisteredCD("TESTPHON"), "");
  EXPECT_EQ(Registered("FILLER"), Module("filler"));
  EXPECT_FALSE(store.KeyExists(kPlugInKey + std::string(131, 'L')));
  EXPECT_EQ(prompts.Reports(),
            std::vector<std::string>{"'" + dir.Sub("shipped/broken") + QUILLMAR_TEST_MODULE_SUFFIX +
                                     "' has wrong format."});
  EXPECT_EQ(open, 0);

  // The phonetic slot keeps its module loaded; opening the list unloads it. Every buffer ends
  // in a zero byte, also when the module filled all 255 bytes.
  EXPECT_EQ(manager->Phoneme("TESTPHON", "wort", 2), "WORT2");
  EXPECT_EQ(manager->Phoneme("FILLER", "wort", 2), std::string(254, 'X'));
  EXPECT_EQ(open, 1);
  const auto list = manager->ModuleList();
  EXPECT_EQ(open, 0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Name, "Module phon19");  // sorted by name: "M" before "N"
  EXPECT_EQ(list[0].Version, "1.9.0.0");
  EXPECT_EQ(list[0].Copyright, "(c) Quillmar tests");
  EXPECT_EQ(list[0].Location, phon);
  EXPECT_EQ(list[0].ID, "TESTPHON");
  EXPECT_EQ(list[1].Name, std::string(254, 'N'));
  EXPECT_EQ(list[1].ID, "FILLER");
  (void)filler;
  (void)longid;
}

// Loads through the system and notes every file asked for.
class RecordingLibraries : public DynamicLibraries {
 public:
  std::unique_ptr<DynamicLibrary> Load(const std::string& path) override {
    asked.push_back(fs::path(path).filename().string());
    return real.Load(path);
  }
  std::vector<std::string> asked;
  NativeDynamicLibraries real;
};

TEST_F(PlugInManagerTest, AStartLoadsOnlyShippedModulesWhoseIDIsNotRememberedForTheirStamp) {
  const std::string phon = Copy("phon19", "shipped/phon19" QUILLMAR_TEST_MODULE_SUFFIX);
  const std::string filler = Copy("filler", "shipped/filler" QUILLMAR_TEST_MODULE_SUFFIX);
  test::WriteFile(dir.Sub("shipped/broken" QUILLMAR_TEST_MODULE_SUFFIX), "not a library");
  env.cache_directory = dir.Sub("cache/quillmar");
  const std::string suffix = QUILLMAR_TEST_MODULE_SUFFIX;
  // One start of a program with settings of its own (as the tool with --collection): the
  // modules asked for, and what the settings then register.
  auto start = [&] {
    RecordingLibraries loader;
    MemoryRegistryStore settings;
    TPlugInManager plugins(TPlugInManager::Platform{loader, prompts, dir.Sub("shipped"), ""});
    TCalderwickData data(TCalderwickData::Platform{settings, drives, userPrompts, plugins, env});
    plugins.Attach(data);
    plugins.Load("mmpi10.dll", "");
    EXPECT_EQ(settings.ReadString(kPlugInKey + "TESTPHON", "Name"), phon);
    EXPECT_EQ(settings.ReadString(kPlugInKey + "FILLER", "Name"), filler);
    return loader.asked;
  };
  const std::vector<std::string> all{"broken" + suffix, "filler" + suffix, "phon19" + suffix};
  EXPECT_EQ(start(), all);
  // A module that did not load is asked again; the others are remembered.
  EXPECT_EQ(start(), std::vector<std::string>{"broken" + suffix});
  fs::last_write_time(phon, fs::last_write_time(phon) + std::chrono::hours(1));
  EXPECT_EQ(start(), (std::vector<std::string>{"broken" + suffix, "phon19" + suffix}));
  EXPECT_EQ(start(), std::vector<std::string>{"broken" + suffix});
  // A damaged or foreign file remembers nothing; a module that is gone is forgotten.
  test::WriteFile(dir.Sub("cache/quillmar/shipped-modules.txt"), "quillmar module IDs 1\nx\ty\n");
  EXPECT_EQ(start(), all);
  fs::remove(dir.Sub("shipped/broken" QUILLMAR_TEST_MODULE_SUFFIX));
  EXPECT_TRUE(start().empty());
  std::ifstream cache(dir.Sub("cache/quillmar/shipped-modules.txt"));
  const std::string text((std::istreambuf_iterator<char>(cache)), std::istreambuf_iterator<char>());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
}

TEST_F(PlugInManagerTest, UnusableModulesAreReportedAndGiveNoKey) {
  Register("NOPHONEM", Module("nophonem"));
  const std::string gone = dir.Sub("gone" QUILLMAR_TEST_MODULE_SUFFIX);
  Register("GONE", gone);
  Register("RELATIVE", "phon19" QUILLMAR_TEST_MODULE_SUFFIX);
  // A module without "phonem": wrong format, and the search goes on without a key.
  EXPECT_EQ(manager->Phoneme("NOPHONEM", "wort", 1), "");
  EXPECT_EQ(manager->Phoneme("GONE", "wort", 1), "");
  // Only absolute paths are loaded: a relative one is not looked for anywhere.
  EXPECT_EQ(manager->Phoneme("RELATIVE", "wort", 1), "");
  EXPECT_EQ(manager->ShowShortInformation("GONE", nullptr, "x"), -1);
  const std::string restart = "\rTo restore modul, restart Quillmar reader.";
  EXPECT_EQ(
      prompts.Reports(),
      (std::vector<std::string>{"'" + Module("nophonem") + "' has wrong format." + restart,
                                "File '" + gone + "' not found." + restart,
                                "File 'phon19" QUILLMAR_TEST_MODULE_SUFFIX "' not found." + restart,
                                "File '" + gone + "' not found." + restart}));
  EXPECT_EQ(open, 0);
  // Reported once, not once per word of a query.
  EXPECT_EQ(manager->Phoneme("NOPHONEM", "noch", 1), "");
  EXPECT_EQ(prompts.Reports().size(), 4u);

  // Reading a string names the missing export; a 131-character ID is not registered.
  EXPECT_EQ(manager->ReadModuleString(Module("nophonem"), "phonem"), "");
  EXPECT_EQ(prompts.Reports().back(),
            "'" + Module("nophonem") + "' has wrong format.\rfunction 'phonem'");
  EXPECT_EQ(manager->RegisterModule(Module("longid")), "");
  EXPECT_NE(prompts.Reports().back().find("has no valid module ID"), std::string::npos);
  EXPECT_EQ(manager->RegisterModule(Module("phon110")), "TESTPHON");
  EXPECT_EQ(Registered("TESTPHON"), Module("phon110"));
  EXPECT_TRUE(manager->UnregisterModule("testphon"));
  EXPECT_FALSE(manager->UnregisterModule("TESTPHON"));
}

TEST_F(PlugInManagerTest, SlotsCallTheirExportsWithTheirArguments) {
  Register("TESTPHON", Module("phon19"));
  AddCollection("KJVB0001", {});
  catalog->ScanCDs();
  const std::array<unsigned char, 3> record{42, 0, 0};
  EXPECT_EQ(manager->ShowShortInformation("TESTPHON", nullptr, record.data()), 42);
  const std::string media = catalog->GetCDPath("KJVB0001") + "/media";
  const std::string program = catalog->GetAppPath();
  EXPECT_EQ(manager->RunMultimedia("KJVB0001", "TESTPHON"),
            static_cast<int32_t>(media.size() + 1000 * program.size()));
  // A word longer than the buffer is cut, and the key still ends inside it.
  EXPECT_EQ(manager->Phoneme("TESTPHON", std::string(300, 'a'), 3), std::string(253, 'A') + "3");
  EXPECT_EQ(open, 3);  // one per slot, all the same file
  manager->UnloadAll();
  EXPECT_EQ(open, 0);
  EXPECT_TRUE(prompts.Reports().empty());
}

TEST_F(PlugInManagerTest, ACollectionsModuleIsInstalledOnlyAfterConsent) {
  AddCollection("KJVB0001", {"phon110"}, {{"phon110.dll", "TESTPHON"}});
  const std::string installed = dir.Sub("program/modules/phon110" QUILLMAR_TEST_MODULE_SUFFIX);

  // No to checking it: the collection's file is never loaded, nothing is copied or registered,
  // and the same scan does not ask twice.
  prompts.answers = {false};
  catalog->ScanCDs();
  ASSERT_EQ(prompts.questions.size(), 1u);
  for (const char* part : {"Collection KJVB0001", "phon110"})
    EXPECT_NE(prompts.questions[0].find(part), std::string::npos) << part;
  EXPECT_EQ(open, 0);
  EXPECT_FALSE(fs::exists(installed));
  EXPECT_EQ(Registered("TESTPHON"), "");

  // Yes to checking, no to installing: the question names what was read.
  prompts.answers = {true, false};
  catalog->ScanCDs();
  ASSERT_EQ(prompts.questions.size(), 3u);
  for (const char* part : {"Collection KJVB0001", "phon110", "TESTPHON", "1.10.0.0"})
    EXPECT_NE(prompts.questions[2].find(part), std::string::npos) << part;
  EXPECT_FALSE(fs::exists(installed));

  // Yes to both: copied into the user's module directory and registered with the collection.
  prompts.answers = {true, true};
  catalog->ScanCDs();
  EXPECT_EQ(prompts.questions.size(), 5u);
  EXPECT_TRUE(fs::exists(installed));
  EXPECT_EQ(Registered("TESTPHON"), installed);
  EXPECT_EQ(RegisteredCD("TESTPHON"), "KJVB0001");
  EXPECT_FALSE(fs::exists(dir.Sub("shipped/phon110" QUILLMAR_TEST_MODULE_SUFFIX)));
  EXPECT_EQ(manager->Phoneme("TESTPHON", "abc", 4), "ABC4");

  // Present now: the next scan asks nothing. An installed copy that is gone is installed again
  // from its collection, once.
  catalog->ScanCDs();
  EXPECT_EQ(prompts.questions.size(), 5u);
  manager->UnloadAll();
  fs::remove(installed);
  prompts.answers = {true, true};
  catalog->ScanCDs();
  EXPECT_EQ(prompts.questions.size(), 7u);
  EXPECT_TRUE(fs::exists(installed));
  EXPECT_TRUE(prompts.Reports().empty());
}

TEST_F(PlugInManagerTest, InstallReplacesOnlyWithANewerVersionOfAnAcceptedModule) {
  const std::string shipped = Copy("phon19", "shipped/phon19" QUILLMAR_TEST_MODULE_SUFFIX);
  manager->Load("mmpi10.dll", "");
  ASSERT_EQ(Registered("TESTPHON"), shipped);
  AddCollection("SAME0001", {"phon19"});
  AddCollection("NEW00001", {"phon110", "refuses", "longid"});
  catalog->ScanCDs();

  // The registered file itself: nothing asked, nothing copied. The same version in another
  // build: checked after consent, nothing copied.
  manager->InstallFromCD("phon19.dll", "SAME0001");
  EXPECT_TRUE(prompts.questions.empty());
  std::ofstream(dir.Sub("SAME0001/bin/phon19" QUILLMAR_TEST_MODULE_SUFFIX),
                std::ios::binary | std::ios::app)
      << "trailing bytes";
  prompts.answers = {true};
  manager->InstallFromCD("phon19.dll", "SAME0001");
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_FALSE(fs::exists(dir.Sub("program/modules")));

  // "1.10" is newer than "1.9": asked, and the copy replaces the registration.
  prompts.answers = {true, true};
  manager->InstallFromCD("phon110" QUILLMAR_TEST_MODULE_SUFFIX, "NEW00001");
  EXPECT_EQ(prompts.questions.size(), 3u);
  EXPECT_EQ(Registered("TESTPHON"), dir.Sub("program/modules/phon110" QUILLMAR_TEST_MODULE_SUFFIX));
  EXPECT_TRUE(fs::exists(shipped));  // the program's own file stays

  // Refused version, overlong ID, missing file: reported, never offered for installing.
  prompts.answers = {true, true};
  manager->InstallFromCD("refuses.dll", "NEW00001");
  manager->InstallFromCD("longid.dll", "NEW00001");
  manager->InstallFromCD("missing.dll", "NEW00001");
  EXPECT_EQ(prompts.questions.size(), 5u);
  const auto reports = prompts.Reports();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0], "Modul refuses" QUILLMAR_TEST_MODULE_SUFFIX
                        " ID=REFUSES requires a newer version of the Quillmar reader.");
  EXPECT_NE(reports[1].find("has no valid module ID"), std::string::npos);
  EXPECT_EQ(reports[2], "File '" + catalog->GetCDPath("NEW00001") + "/bin/missing.dll' not found.");
  EXPECT_FALSE(store.KeyExists(kPlugInKey + "REFUSES"));
}

TEST_F(PlugInManagerTest, TheListDoesNotUnloadAModuleDuringAPhoneticCall) {
  Register("TESTPHON", Module("phon19"));
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::thread search([&] {
    for (int i = 0; i < 300 && !stop; ++i)
      if (manager->Phoneme("TESTPHON", "wort", 1) != "WORT1") ++wrong;
  });
  for (int i = 0; i < 30; ++i) {
    manager->ModuleList();
    manager->UnloadAll();
  }
  stop = true;
  search.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(prompts.Reports().empty());
}

}  // namespace
}  // namespace quillmar
