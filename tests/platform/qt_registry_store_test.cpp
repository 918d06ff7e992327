#include "platform/qt_registry_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

constexpr char kOptions[] = "Software\\Quillmar\\Reader\\Options";

// A store opened on a copy of the file under a new name: QSettings shares parsed files within a
// process by path, so only a new path shows what really is on disk, as after a restart.
std::unique_ptr<QtRegistryStore> Reload(const std::string& path) {
  static int counter = 0;
  const std::string copy = path + ".reload" + std::to_string(++counter) + ".ini";
  fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
  return std::make_unique<QtRegistryStore>(copy);
}

std::vector<uint8_t> AllBytes() {
  std::vector<uint8_t> bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<uint8_t>(b));
  return bytes;
}

TEST(QtRegistryStore, EveryTypeSurvivesARestart) {
  test::TempDir dir;
  const std::string path = dir.Sub("settings/quillmar.ini");
  const std::string tricky = " lead;#=\"quote\\back\ttab\nline, comma [x] @ByteArray(1) ";
  const std::string german = "Gr\u00f6\u00dfe \u20ac \u03b1";
  {
    QtRegistryStore store(path);
    store.WriteString(kOptions, "Tricky", tricky);
    store.WriteString(kOptions, "German", german);
    store.WriteString(kOptions, "Empty", "");
    store.WriteInteger(kOptions, "Min", std::numeric_limits<int32_t>::min());
    store.WriteInteger(kOptions, "Max", std::numeric_limits<int32_t>::max());
    store.WriteInteger(kOptions, "Zero", 0);
    store.WriteBinary(kOptions, "Bytes", AllBytes());
    store.WriteBinary(kOptions, "NoBytes", {});
    store.WriteString("", "AtTheRoot", "root");
    store.WriteString("General", "Name", "a key named General");
  }
  ASSERT_TRUE(fs::exists(path));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "same file" : "copy");
    auto store = round == 0 ? std::make_unique<QtRegistryStore>(path) : Reload(path);
    EXPECT_EQ(store->ReadString(kOptions, "Tricky"), tricky);
    EXPECT_EQ(store->ReadString(kOptions, "German"), german);
    EXPECT_EQ(store->ReadString(kOptions, "Empty"), "");
    EXPECT_EQ(store->ReadInteger(kOptions, "Min"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(store->ReadInteger(kOptions, "Max"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(store->ReadInteger(kOptions, "Zero"), 0);
    EXPECT_EQ(store->ReadBinary(kOptions, "Bytes"), AllBytes());
    EXPECT_EQ(store->ReadBinary(kOptions, "NoBytes"), std::vector<uint8_t>{});
    EXPECT_EQ(store->ReadString("", "AtTheRoot"), "root");
    EXPECT_EQ(store->ReadString("General", "Name"), "a key named General");
    EXPECT_EQ(store->ValueNames("").size(), 1u);
  }
}

TEST(QtRegistryStore, WronglyTypedValuesReadAsMissing) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  {
    QtRegistryStore store(path);
    store.WriteInteger(kOptions, "Number", 12);
    store.WriteString(kOptions, "Digits", " -34 ");
    store.WriteString(kOptions, "Word", "abc");
    store.WriteString(kOptions, "Huge", "99999999999");
    store.WriteBinary(kOptions, "Blob", {1, 2});
  }
  // In memory and from disk (where an integer has become text) alike.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "in memory" : "from disk");
    auto store = round == 0 ? std::make_unique<QtRegistryStore>(path) : Reload(path);
    EXPECT_EQ(store->ReadString(kOptions, "Number"), "12");
    EXPECT_EQ(store->ReadInteger(kOptions, "Digits"), -34);
    EXPECT_EQ(store->ReadInteger(kOptions, "Word"), std::nullopt);
    EXPECT_EQ(store->ReadInteger(kOptions, "Huge"), std::nullopt);
    EXPECT_EQ(store->ReadInteger(kOptions, "Blob"), std::nullopt);
    EXPECT_EQ(store->ReadString(kOptions, "Blob"), std::nullopt);
    EXPECT_EQ(store->ReadBinary(kOptions, "Number"), std::nullopt);
    EXPECT_EQ(store->ReadBinary(kOptions, "Word"), std::nullopt);
    EXPECT_TRUE(store->ValueExists(kOptions, "Blob"));
    EXPECT_EQ(store->ReadString(kOptions, "Missing"), std::nullopt);
    EXPECT_EQ(store->ReadInteger("Software\\Missing", "Number"), std::nullopt);
  }
}

TEST(QtRegistryStore, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  // Written by hand (or by another program) without the store's key markers.
  test::WriteFile(path,
                  "[Software]\n"
                  "Quillmar\\CD\\KRVT0001\\Path=/media/cdrom\n"
                  "Quillmar\\CD\\KRVT0001\\schema\\Current=1\n");
  QtRegistryStore store(path);
  EXPECT_TRUE(store.KeyExists("software/quillmar/cd/krvt0001"));
  EXPECT_TRUE(store.KeyExists("SOFTWARE\\QUILLMAR\\CD\\KRVT0001\\SCHEMA"));
  EXPECT_EQ(store.ReadString("software\\quillmar\\cd\\krvt0001", "PATH"), "/media/cdrom");
  EXPECT_EQ(store.ReadInteger("Software\\Quillmar\\CD\\krvt0001\\Schema", "current"), 1);

  store.WriteString("SOFTWARE\\quillmar\\cd\\KrVt0001", "path", "/mnt/other");
  store.WriteString("software\\QUILLMAR\\Reader\\options", "FontName", "Times");
  store.WriteInteger("Software\\Quillmar\\Reader\\Options", "FONTNAME", 3);
  auto reloaded = Reload(path);
  EXPECT_EQ(reloaded->SubKeys("software"), std::vector<std::string>{"Quillmar"});
  EXPECT_EQ(reloaded->SubKeys("software\\quillmar"), (std::vector<std::string>{"CD", "Reader"}));
  EXPECT_EQ(reloaded->SubKeys("software\\quillmar\\reader"), std::vector<std::string>{"options"});
  EXPECT_EQ(reloaded->ValueNames("software\\quillmar\\cd\\krvt0001"),
            std::vector<std::string>{"Path"});
  EXPECT_EQ(reloaded->ReadString("Software\\Quillmar\\CD\\KRVT0001", "Path"), "/mnt/other");
  EXPECT_EQ(reloaded->ValueNames("Software\\Quillmar\\Reader\\Options"),
            std::vector<std::string>{"FontName"});
  EXPECT_EQ(reloaded->ReadInteger("Software\\Quillmar\\Reader\\Options", "fontname"), 3);
}

TEST(QtRegistryStore, KeysExistOnceCreatedAndListingsHideTheMarker) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  {
    QtRegistryStore store(path);
    EXPECT_TRUE(store.KeyExists(""));
    EXPECT_FALSE(store.KeyExists("Software\\Quillmar\\CD"));
    store.CreateKey("Software\\Quillmar\\CD");
    store.WriteString("Software\\Quillmar\\Reader\\plugin\\zeta", "Name", "z.dll");
    store.WriteString("Software\\Quillmar\\Reader\\plugin\\Alpha", "Name", "a.dll");
    store.WriteString("Software\\Quillmar\\Reader\\plugin\\beta", "Name", "b.dll");
    store.WriteString("Software\\Quillmar\\Reader\\plugin\\beta", "CDID", "KJVB0001");
    store.DeleteValue("Software\\Quillmar\\Reader\\plugin\\zeta", "name");
  }
  auto store = Reload(path);
  EXPECT_TRUE(store->KeyExists("Software\\Quillmar\\CD"));
  EXPECT_TRUE(store->SubKeys("Software\\Quillmar\\CD").empty());
  EXPECT_TRUE(store->ValueNames("Software\\Quillmar\\CD").empty());
  // A key whose last value was deleted stays.
  EXPECT_TRUE(store->KeyExists("Software\\Quillmar\\Reader\\plugin\\zeta"));
  EXPECT_TRUE(store->ValueNames("Software\\Quillmar\\Reader\\plugin\\zeta").empty());
  EXPECT_EQ(store->SubKeys("Software\\Quillmar\\Reader\\plugin"),
            (std::vector<std::string>{"Alpha", "beta", "zeta"}));
  EXPECT_EQ(store->ValueNames("Software\\Quillmar\\Reader\\plugin\\beta"),
            (std::vector<std::string>{"CDID", "Name"}));
  EXPECT_TRUE(store->SubKeys("Software\\Missing").empty());
  EXPECT_TRUE(store->ValueNames("Software\\Missing").empty());

  // "." is the marker's name, never a value of the caller's.
  EXPECT_FALSE(store->ValueExists("Software\\Quillmar\\CD", "."));
  EXPECT_EQ(store->ReadString("Software\\Quillmar\\CD", "."), std::nullopt);
  EXPECT_THROW(store->WriteString("Software\\Quillmar\\CD", ".", "x"), InternalError);
  EXPECT_THROW(store->WriteString("Software\\Quillmar\\CD", "a\\b", "x"), InternalError);
  EXPECT_THROW(store->WriteInteger("Software\\Quillmar\\CD", "", 1), InternalError);
}

TEST(QtRegistryStore, DeleteKeyRemovesTheWholeTreeAndNothingBeside) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  {
    QtRegistryStore store(path);
    store.WriteString("Software\\Quillmar\\CD\\KJVB0001", "Path", "/a");
    store.WriteString("Software\\Quillmar\\CD\\KJVB0001\\schema", "1", "tree.ini");
    store.CreateKey("Software\\Quillmar\\CD\\KJVB0001\\FS\\deep\\er");
    store.WriteString("Software\\Quillmar\\CD\\KJVB0002", "Path", "/b");
    // A value of the key's name in the parent key is no part of the key.
    store.WriteString("Software\\Quillmar\\CD", "KJVB0001", "a value");
    store.DeleteKey("software\\quillmar\\cd\\kjvb0001");
    store.DeleteKey("Software\\Quillmar\\CD\\Missing");
    store.DeleteKey("Missing\\Too");
  }
  auto store = Reload(path);
  EXPECT_FALSE(store->KeyExists("Software\\Quillmar\\CD\\KJVB0001"));
  EXPECT_FALSE(store->KeyExists("Software\\Quillmar\\CD\\KJVB0001\\schema"));
  EXPECT_EQ(store->SubKeys("Software\\Quillmar\\CD"), std::vector<std::string>{"KJVB0002"});
  EXPECT_EQ(store->ReadString("Software\\Quillmar\\CD\\KJVB0002", "Path"), "/b");
  EXPECT_EQ(store->ReadString("Software\\Quillmar\\CD", "KJVB0001"), "a value");

  // And the other way round: deleting a value keeps a sub-key of the same name.
  store->WriteString("Software\\Quillmar\\CD", "KJVB0002", "value");
  store->DeleteValue("Software\\Quillmar\\CD", "kjvb0002");
  EXPECT_FALSE(store->ValueExists("Software\\Quillmar\\CD", "KJVB0002"));
  EXPECT_EQ(store->ReadString("Software\\Quillmar\\CD\\KJVB0002", "Path"), "/b");

  store->DeleteKey("");
  EXPECT_TRUE(store->SubKeys("").empty());
  EXPECT_FALSE(store->KeyExists("Software"));
}

#ifndef _WIN32

// Makes a directory refuse new entries, also for root (which ignores permission bits) where the
// file system supports the immutable flag. False when neither works here.
bool MakeDirectoryReadOnly(const std::string& path) {
  ::chmod(path.c_str(), 0555);
  const std::string probe = path + "/probe";
  if (std::FILE* f = std::fopen(probe.c_str(), "w")) {
    std::fclose(f);
    fs::remove(probe);
    if (std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0) return false;
    if (std::FILE* g = std::fopen(probe.c_str(), "w")) {
      std::fclose(g);
      fs::remove(probe);
      return false;
    }
  }
  return true;
}

void MakeDirectoryWritable(const std::string& path) {
  [[maybe_unused]] int ignored = std::system(("chattr -i '" + path + "' 2>/dev/null").c_str());
  ::chmod(path.c_str(), 0755);
}

TEST(QtRegistryStore, AFailedSaveRaisesAndIsForgotten) {
  test::TempDir dir;
  test::WriteFile(dir.Sub("plain"), "a regular file");
  QtRegistryStore store(dir.Sub("plain/quillmar.ini"));
  try {
    store.WriteString(kOptions, "FontName", "Times");
    ADD_FAILURE() << "a file under a regular file cannot be saved";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.Sub("plain/quillmar.ini")), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(store.ValueExists(kOptions, "FontName"));
  EXPECT_FALSE(store.KeyExists("Software"));
  EXPECT_THROW(store.CreateKey("Software"), EInOutError);
  EXPECT_FALSE(store.KeyExists("Software"));
}

TEST(QtRegistryStore, AFailedSaveLeavesTheFileAndTheStoreAsTheyWere) {
  test::TempDir dir;
  const std::string folder = dir.Sub("config");
  const std::string path = dir.Sub("config/quillmar.ini");
  QtRegistryStore store(path);
  store.WriteInteger(kOptions, "FontSize", 10);
  store.WriteString("Software\\Quillmar\\CD\\KJVB0001", "Path", "/a");
  const std::string before = test::ReadFile(path);

  if (!MakeDirectoryReadOnly(folder)) {
    MakeDirectoryWritable(folder);
    GTEST_SKIP() << "cannot make a directory read-only here";
  }
  EXPECT_THROW(store.WriteInteger(kOptions, "FontSize", 12), EInOutError);
  EXPECT_THROW(store.WriteString(kOptions, "New", "x"), EInOutError);
  EXPECT_THROW(store.DeleteKey("Software\\Quillmar\\CD"), EInOutError);
  EXPECT_THROW(store.DeleteValue(kOptions, "FontSize"), EInOutError);
  MakeDirectoryWritable(folder);

  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(store.ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(store.ValueExists(kOptions, "New"));
  EXPECT_EQ(store.ReadString("Software\\Quillmar\\CD\\KJVB0001", "Path"), "/a");

  // The next save that succeeds carries none of the failed changes.
  store.WriteInteger(kOptions, "Other", 1);
  auto reloaded = Reload(path);
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(reloaded->ValueExists(kOptions, "New"));
  EXPECT_EQ(reloaded->ReadString("Software\\Quillmar\\CD\\KJVB0001", "Path"), "/a");
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "Other"), 1);
}

#endif  // _WIN32

TEST(QtRegistryStore, LinesItCannotParseDoNotMakeSavesFail) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  test::WriteFile(path, "[Software\ngarbage line\nQuillmar\\Reader\\Options\\FontSize=9\n");
  QtRegistryStore store(path);
  store.WriteInteger(kOptions, "FontSize", 11);
  store.WriteInteger(kOptions, "Other", 2);
  auto reloaded = Reload(path);
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "FontSize"), 11);
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "Other"), 2);
}

TEST(QtRegistryStore, ConcurrentWritersAndReaders) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  QtRegistryStore store(path);
  constexpr int kThreads = 4;
  constexpr int kWrites = 15;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&store, t] {
      const std::string key = "Software\\Quillmar\\T" + std::to_string(t);
      for (int i = 0; i < kWrites; ++i) {
        store.WriteInteger(key, "V" + std::to_string(i), i);
        EXPECT_EQ(store.ReadInteger(key, "v" + std::to_string(i)), i);
        store.SubKeys("Software\\Quillmar");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto reloaded = Reload(path);
  EXPECT_EQ(reloaded->SubKeys("Software\\Quillmar").size(), static_cast<size_t>(kThreads));
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(reloaded->ValueNames("Software\\Quillmar\\T" + std::to_string(t)).size(),
              static_cast<size_t>(kWrites));
}

}  // namespace
}  // namespace quillmar
