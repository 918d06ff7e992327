#include "collection/settings_store.h"

#include <gtest/gtest.h>

#include "collection/registry_keys.h"
#include "system/memory_registry_store.h"

namespace quillmar {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() : reg(store), settings(reg, Env()) {}

  static AppEnvironment Env() {
    AppEnvironment env;
    env.executable_path = "/opt/quillmar/bin/quillmar-reader";
    env.default_program_directory = "/home/reader/.local/share/quillmar";
    env.version_major = 1;
    env.version_minor = 7;
    return env;
  }

  const std::string options = "Software\\Quillmar\\Reader\\1.7\\Options";
  MemoryRegistryStore store;
  RegistryAccess reg;
  SettingsStore settings;
};

TEST_F(SettingsStoreTest, ReadsWriteTheirDefaultsBack) {
  EXPECT_EQ(settings.GetBorderWidth(), 60);
  EXPECT_TRUE(settings.GetTBVisible());
  EXPECT_FALSE(settings.GetSLQ());
  EXPECT_EQ(settings.GetFont(), "Times New Roman");
  EXPECT_EQ(settings.GetLinkColor(), 0xFF0000);
  EXPECT_EQ(store.ReadInteger(options, "BorderWidth"), 60);
  EXPECT_EQ(store.ReadInteger(options, "TBVisible"), 1);
  EXPECT_EQ(store.ReadString(options, "Font"), "Times New Roman");
  EXPECT_EQ(settings.GetOnline().substr(settings.GetOnline().size() - 16), "/web/caldrem.dat");
  EXPECT_TRUE(store.ValueExists(keys::kOptions, "Online"));
  EXPECT_FALSE(store.ValueExists(keys::kOldOptions, "Online"));  // no fallback for "Online"
}

TEST_F(SettingsStoreTest, OldCommonKeyIsTheFallback) {
  // A first start after an older reader: the old key holds the language.
  store.WriteInteger(keys::kOldOptions, "language", 1);
  EXPECT_EQ(settings.GetLanguage(), 1);
  EXPECT_EQ(store.ReadInteger(keys::kOptions, "language"), 1);
  // Writes go to the common key only.
  settings.SetLanguage(2);
  EXPECT_EQ(store.ReadInteger(keys::kOldOptions, "language"), 1);
  EXPECT_EQ(settings.GetLanguage(), 2);
  // Neither key has it: the default lands in both.
  EXPECT_EQ(settings.GetCDROMDrive(), "");
  EXPECT_EQ(store.ReadString(keys::kOldOptions, "CDROMDrive"), "");
  EXPECT_EQ(store.ReadString(keys::kOptions, "CDROMDrive"), "");
}

TEST_F(SettingsStoreTest, LanguageOutsideOneAndTwoIsEnglish) {
  for (int stored : {7, 0, -1}) {
    store.WriteInteger(keys::kOptions, "language", stored);
    EXPECT_EQ(settings.GetLanguage(), 2) << stored;
  }
  store.WriteString(keys::kOptions, "language", "1");  // hand-edited as text
  EXPECT_EQ(settings.GetLanguage(), 1);
}

TEST_F(SettingsStoreTest, PathIsKeptInBothKeysWithoutTrailingSeparator) {
  EXPECT_EQ(settings.GetPath(), "/home/reader/.local/share/quillmar");
  EXPECT_EQ(store.ReadString(keys::kOldOptions, "Path"), "/home/reader/.local/share/quillmar");
  EXPECT_EQ(store.ReadString(keys::kOptions, "Path"), "/home/reader/.local/share/quillmar");

  store.WriteString(keys::kOptions, "Path", "/srv/quillmar/");
  EXPECT_EQ(settings.GetPath(), "/srv/quillmar");
  settings.SetPath("/data/q");
  EXPECT_EQ(store.ReadString(keys::kOldOptions, "Path"), "/data/q");

  // Only the old key knows the path: it is copied to both.
  store.DeleteKey(keys::kOptions);
  store.WriteString(keys::kOldOptions, "Path", "C:\\Programme\\Reader\\");
  EXPECT_EQ(settings.GetPath(), "C:\\Programme\\Reader");
  EXPECT_EQ(store.ReadString(keys::kOptions, "Path"), "C:\\Programme\\Reader");
  EXPECT_EQ(settings.GetHelpFile(), std::string("C:\\Programme\\Reader") + "/rhelp_e.hlp");
}

TEST_F(SettingsStoreTest, IntegerListsFillBadEntries) {
  store.WriteString(options, "Relations", "120 x");
  const auto relations = settings.GetRelations();
  EXPECT_EQ(relations[0], 120);
  for (size_t i = 1; i < relations.size(); ++i) EXPECT_EQ(relations[i], 100) << i;

  EXPECT_EQ(SettingsStore::ParseIntList("1  2 -3 4x 99999999999", 6, 7),
            (std::vector<int32_t>{1, 2, -3, 7, 7, 7}));
  EXPECT_EQ(SettingsStore::ParseIntList("", 2, 0), (std::vector<int32_t>{0, 0}));

  EXPECT_EQ(settings.GetRelations()[0], 120);
  settings.SetRelations({});
  EXPECT_EQ(store.ReadString(options, "Relations"), "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");
}

TEST_F(SettingsStoreTest, PageBordersSwapTheLastTwo) {
  settings.SetPBorders({1, 2, 3, 4});
  EXPECT_EQ(store.ReadString(options, "PBorders"), "1 2 4 3");
  EXPECT_EQ(settings.GetPBorders(), (std::array<int32_t, 4>{1, 2, 3, 4}));
  store.WriteString(options, "PBorders", "5 6");
  EXPECT_EQ(settings.GetPBorders(), (std::array<int32_t, 4>{5, 6, 10, 10}));
}

TEST_F(SettingsStoreTest, ResultDocFormatStoresOnAsZero) {
  const auto defaults = settings.GetResultDocFormat();
  EXPECT_EQ(defaults, (std::array<bool, 7>{true, true, true, true, false, false, false}));
  store.WriteString(options, "ResultDocFormat", "1 0 0 0 1 1 1");
  EXPECT_FALSE(settings.GetResultDocFormat()[0]);
  settings.SetResultDocFormat({false, true, false, true, false, true, false});
  EXPECT_EQ(store.ReadString(options, "ResultDocFormat"), "1 0 1 0 1 0 1");
}

TEST_F(SettingsStoreTest, DeletingTheVersionKeyResetsOnlyLayoutSettings) {
  settings.SetBorderWidth(99);
  settings.SetLanguage(1);
  settings.SetProxyServer("proxy.example.org");
  store.DeleteKey("Software\\Quillmar\\Reader\\1.7");
  EXPECT_EQ(settings.GetBorderWidth(), 60);
  EXPECT_EQ(settings.GetLanguage(), 1);
  EXPECT_EQ(settings.GetProxyServer(), "proxy.example.org");
}

TEST_F(SettingsStoreTest, PlugInRegistrations) {
  EXPECT_TRUE(settings.ListPlugIns().empty());
  EXPECT_TRUE(store.KeyExists(keys::kPlugInRoot));
  settings.RegisterPlugIn(" PHON01 ", "Phonetic matcher", "KJVB0001");
  settings.RegisterPlugIn("INFO02", "Short information", "");
  EXPECT_EQ(settings.GetPlugInName("phon01"), "Phonetic matcher");
  EXPECT_EQ(settings.GetPlugInCDID("PHON01"), "KJVB0001");
  EXPECT_EQ(settings.GetPlugInName("NONE"), "");
  EXPECT_EQ(settings.ListPlugIns(),
            (std::vector<std::string>{"Phonetic matcher", "Short information"}));
}

TEST(RegistryAccess, ReadWithDefaultCreatesAndRepairs) {
  MemoryRegistryStore store;
  RegistryAccess reg(store);
  const std::vector<uint8_t> date(12, 7);
  EXPECT_EQ(reg.ReadBinaryDef("K", "D", date), date);
  EXPECT_EQ(store.ReadBinary("K", "D"), date);
  store.WriteBinary("K", "D", {1, 2, 3});  // wrong length counts as missing
  EXPECT_EQ(reg.ReadBinaryDef("K", "D", date), date);
  store.WriteString("K", "N", "not a number");
  EXPECT_EQ(reg.ReadIntegerDef("K", "N", 5), 5);
  EXPECT_EQ(store.ReadInteger("K", "N"), 5);
  EXPECT_TRUE(reg.ReadBoolDef("K\\Sub", "B", true));
  EXPECT_EQ(store.ReadInteger("k\\sub", "b"), 1);  // names ignore case, as in the registry
}

TEST(MemoryRegistryStore, KeysAndTrees) {
  MemoryRegistryStore store;
  store.WriteString("A\\B\\C", "x", "1");
  store.WriteString("A\\b\\D", "y", "2");
  store.WriteString("A\\E", "z", "3");
  EXPECT_EQ(store.SubKeys("a"), (std::vector<std::string>{"B", "E"}));
  EXPECT_EQ(store.SubKeys("A\\B"), (std::vector<std::string>{"C", "D"}));
  store.DeleteKey("a\\B");
  EXPECT_FALSE(store.KeyExists("A\\B\\C"));
  EXPECT_TRUE(store.KeyExists("A\\E"));
  store.DeleteValue("A\\E", "Z");
  EXPECT_TRUE(store.ValueNames("A\\E").empty());
  store.DeleteKey("nothing\\here");  // no error

  // Slashes and doubled separators name the same key; removing the middle one of three keys or
  // values leaves the others found under any spelling.
  store.WriteInteger("L\\1", "v1", 1);
  store.WriteInteger("l//2", "v2", 2);
  store.WriteInteger("L\\3\\", "v3", 3);
  store.WriteInteger("L/3", "v4", 4);
  store.WriteInteger("L/3", "v5", 5);
  EXPECT_EQ(store.SubKeys("\\l\\"), (std::vector<std::string>{"1", "2", "3"}));
  store.DeleteKey("L\\2");
  store.DeleteValue("l\\3", "V4");
  EXPECT_EQ(store.ReadInteger("L\\1", "V1"), 1);
  EXPECT_EQ(store.ReadInteger("L\\3", "v3"), 3);
  EXPECT_EQ(store.ReadInteger("L\\3", "v5"), 5);
  EXPECT_EQ(store.ValueNames("L\\3"), (std::vector<std::string>{"v3", "v5"}));
  EXPECT_FALSE(store.KeyExists("L\\2"));
  // The key used last stays right while keys come and go around it (nodes move when their
  // siblings grow in number; the sanitizer build sees a stale one).
  store.WriteInteger("M\\a", "n", 1);
  for (int i = 0; i < 40; ++i) {
    store.WriteInteger("M\\a", "n", i);
    store.WriteInteger("M\\b" + std::to_string(i), "n", i);
    EXPECT_EQ(store.ReadInteger("M\\a", "n"), i);
  }
  store.DeleteKey("M\\a");
  EXPECT_FALSE(store.ReadInteger("M\\a", "n"));
  store.WriteInteger("M\\a", "n", 7);
  EXPECT_EQ(store.ReadInteger("m\\A", "N"), 7);
  EXPECT_EQ(store.SubKeys("M").size(), 41u);

  store.DeleteKey("");  // the whole tree
  EXPECT_EQ(store.EntryCount(), 0u);
  EXPECT_FALSE(store.KeyExists("A"));
}

}  // namespace
}  // namespace quillmar
