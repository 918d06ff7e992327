#include "platform/qt/qt_registry_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "support/registry_checks.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

constexpr char kOptions[] = "Software\\Quillmar\\Reader\\Options";

// A store opened on a copy of the file under a new name: QSettings shares parsed files within a
// process by path, so only a new path shows what really is on disk, as after a restart.
std::unique_ptr<QtRegistryStore> Reload(const std::string& path) {
  static int counter = 0;
  const std::string copy = path + ".reload" + std::to_string(++counter) + ".ini";
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
  return std::make_unique<QtRegistryStore>(copy);
}

TEST(QtRegistryStore, ValuesKeepTheirTypeInMemoryAndOnDisk) {
  test::TempDir dir;
  const std::string path = dir.Sub("settings/quillmar.ini");
  const std::string tricky =
      " lead;#=\"quote\\back\ttab\nline, comma [x] @ByteArray(1) Gr\u00f6\u00dfe \u20ac ";
  Bytes all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes.push_back(static_cast<uint8_t>(b));
  QtRegistryStore written(path);
  written.WriteString(kOptions, "Tricky", tricky);
  written.WriteString(kOptions, "Empty", "");
  written.WriteInteger(kOptions, "Min", std::numeric_limits<int32_t>::min());
  written.WriteInteger(kOptions, "Max", std::numeric_limits<int32_t>::max());
  written.WriteBinary(kOptions, "Bytes", all_bytes);
  written.WriteBinary(kOptions, "NoBytes", {});
  written.WriteString("", "AtTheRoot", "root");
  written.WriteString("General", "Name", "a key named General");
  written.WriteString(kOptions, "Digits", " -34 ");
  written.WriteString(kOptions, "Huge", "99999999999");
  // In memory, and from disk where an integer has become text.
  const auto reloaded = Reload(path);
  for (const QtRegistryStore* store : {&written, reloaded.get()}) {
    SCOPED_TRACE(store == &written ? "in memory" : "from disk");
    EXPECT_EQ(store->ReadString(kOptions, "Tricky"), tricky);
    EXPECT_EQ(store->ReadString(kOptions, "Empty"), "");
    EXPECT_EQ(store->ReadInteger(kOptions, "Min"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(store->ReadInteger(kOptions, "Max"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(store->ReadBinary(kOptions, "Bytes"), all_bytes);
    EXPECT_EQ(store->ReadBinary(kOptions, "NoBytes"), Bytes{});
    EXPECT_EQ(store->ReadString("", "AtTheRoot"), "root");
    EXPECT_EQ(store->ReadString("General", "Name"), "a key named General");
    EXPECT_EQ(store->ValueNames("").size(), 1u);
    // Wrongly typed values read as missing; a string of digits reads as an integer too.
    EXPECT_EQ(store->ReadString(kOptions, "Max"), "2147483647");
    EXPECT_EQ(store->ReadInteger(kOptions, "Digits"), -34);
    EXPECT_EQ(store->ReadInteger(kOptions, "Tricky"), std::nullopt);
    EXPECT_EQ(store->ReadInteger(kOptions, "Huge"), std::nullopt);
    EXPECT_EQ(store->ReadInteger(kOptions, "Bytes"), std::nullopt);
    EXPECT_EQ(store->ReadString(kOptions, "Bytes"), std::nullopt);
    EXPECT_EQ(store->ReadBinary(kOptions, "Max"), std::nullopt);
    EXPECT_EQ(store->ReadBinary(kOptions, "Digits"), std::nullopt);
  }
}

TEST(QtRegistryStore, HandWrittenNamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  // Written by hand (or by another program): no key markers, and a line QSettings cannot parse,
  // which must not make saves fail.
  test::WriteFile(path,
                  "[Software]\n"
                  "garbage line\n"
                  "Quillmar\\CD\\KRVT0001\\Path=/media/cdrom\n"
                  "Quillmar\\CD\\KRVT0001\\schema\\Current=1\n");
  QtRegistryStore store(path);
  store.WriteString("SOFTWARE\\quillmar\\cd\\KrVt0001", "path", "/mnt/other");
  store.WriteString("software\\QUILLMAR\\Reader\\options", "FontName", "Times");
  store.WriteInteger(kOptions, "FONTNAME", 3);
  const auto reloaded = Reload(path);
  EXPECT_TRUE(reloaded->KeyExists("SOFTWARE/QUILLMAR/CD/KRVT0001/SCHEMA"));
  EXPECT_EQ(reloaded->ReadInteger("Software\\Quillmar\\CD\\krvt0001\\Schema", "current"), 1);
  EXPECT_EQ(reloaded->SubKeys("software\\quillmar"), (Names{"CD", "Reader"}));
  EXPECT_EQ(reloaded->SubKeys("software\\quillmar\\reader"), Names{"options"});
  EXPECT_EQ(reloaded->ValueNames("software\\quillmar\\cd\\krvt0001"), Names{"Path"});
  EXPECT_EQ(reloaded->ReadString("Software\\Quillmar\\CD\\KRVT0001", "PATH"), "/mnt/other");
  EXPECT_EQ(reloaded->ValueNames(kOptions), Names{"FontName"});
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "fontname"), 3);
}

TEST(QtRegistryStore, KeysExistOnceCreatedUntilDeletedWithTheirWholeTree) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  const std::string cd = "Software\\Quillmar\\CD";
  QtRegistryStore store(path);
  EXPECT_TRUE(store.KeyExists(""));
  EXPECT_FALSE(store.KeyExists(cd));
  store.CreateKey(cd + "\\zeta\\empty");
  store.WriteString(cd + "\\KJVB0001\\schema", "1", "tree.ini");
  store.WriteString(cd + "\\Beta", "Path", "/b");
  store.WriteString(cd, "KJVB0001", "a value");  // a value of a key's name is no part of it
  store.DeleteKey("software\\quillmar\\cd\\kjvb0001");
  store.WriteString(cd + "\\alpha", "Path", "/a");
  store.DeleteValue(cd + "\\ALPHA", "path");  // a key whose last value is deleted stays
  store.WriteString(cd, "Beta", "value");
  store.DeleteValue(cd, "BETA");  // and deleting a value keeps a sub-key of the same name
  const auto reloaded = Reload(path);
  EXPECT_TRUE(reloaded->KeyExists(cd + "\\zeta\\empty"));
  EXPECT_TRUE(reloaded->ValueNames(cd + "\\zeta\\empty").empty());  // the marker stays hidden
  EXPECT_FALSE(reloaded->KeyExists(cd + "\\KJVB0001\\schema"));
  EXPECT_EQ(reloaded->SubKeys(cd), (Names{"alpha", "Beta", "zeta"}));  // case-insensitive order
  EXPECT_EQ(reloaded->ValueNames(cd), Names{"KJVB0001"});
  EXPECT_EQ(reloaded->ReadString(cd + "\\beta", "Path"), "/b");
  // "." is the marker's name, never a value of the caller's.
  EXPECT_FALSE(reloaded->ValueExists(cd + "\\zeta\\empty", "."));
  EXPECT_THROW(store.WriteString(cd, ".", "x"), InternalError);
  EXPECT_THROW(store.WriteString(cd, "a\\b", "x"), InternalError);
  store.DeleteKey("");
  EXPECT_FALSE(Reload(path)->KeyExists("Software"));
}

#ifndef _WIN32

// Makes a directory refuse new entries (or accept them again); root ignores permission bits, so
// for root this takes the file system's immutable flag. False when that cannot be done here.
bool SetDirectoryWritable(const std::string& path, bool writable) {
  ::chmod(path.c_str(), writable ? 0755 : 0555);
  if (::geteuid() != 0) return true;
  const std::string chattr = std::string("chattr ") + (writable ? "-i '" : "+i '") + path + "'";
  return std::system((chattr + " 2>/dev/null").c_str()) == 0;
}

TEST(QtRegistryStore, AFailedSaveRaisesAndLeavesTheFileAndTheStoreAsTheyWere) {
  test::TempDir dir;
  const std::string path = dir.Sub("config/quillmar.ini");
  QtRegistryStore store(path);
  store.WriteInteger(kOptions, "FontSize", 10);
  const std::string before = test::ReadFile(path);
  if (!SetDirectoryWritable(dir.Sub("config"), false)) {
    SetDirectoryWritable(dir.Sub("config"), true);
    GTEST_SKIP() << "cannot make a directory read-only here";
  }
  try {
    store.WriteInteger(kOptions, "FontSize", 12);
    ADD_FAILURE() << "a save into a read-only directory must fail";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_THROW(store.WriteString("Software\\New\\Key", "Name", "x"), EInOutError);
  EXPECT_THROW(store.DeleteKey("Software"), EInOutError);
  EXPECT_THROW(store.DeleteValue(kOptions, "FontSize"), EInOutError);
  SetDirectoryWritable(dir.Sub("config"), true);
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(store.ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(store.KeyExists("Software\\New"));

  // The next save that succeeds carries none of the failed changes.
  store.WriteInteger(kOptions, "Other", 1);
  const auto reloaded = Reload(path);
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_EQ(reloaded->ReadInteger(kOptions, "Other"), 1);
  EXPECT_FALSE(reloaded->KeyExists("Software\\New"));
}

#endif  // _WIN32

TEST(QtRegistryStore, ConcurrentWritersLoseNothing) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  QtRegistryStore store(path);
  test::ExpectConcurrentWritersLoseNothing(store, [&] { return Reload(path); });
}

}  // namespace
}  // namespace quillmar
