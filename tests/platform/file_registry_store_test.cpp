#include "platform/file_registry_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "platform/settings_file_format.h"
#include "support/registry_checks.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

constexpr char kOptions[] = "Software\\Quillmar\\Reader\\Options";
const std::string kCd = "Software\\Quillmar\\CD";

Names FilesIn(const std::string& dir) {
  Names names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  return names;
}

// The additions the file store relies on: entry counts, types, copies and swaps.
TEST(MemoryRegistryStore, CountsTypesCopiesAndSwaps) {
  MemoryRegistryStore tree;
  tree.WriteString("A\\B\\C", "s", "x");  // three keys and a value
  tree.WriteInteger("a\\b", "I", 1);
  tree.WriteBinary("A", "b", {});
  tree.WriteInteger("A", "B", 2);  // replaces the binary value
  EXPECT_EQ(tree.EntryCount(), 6u);
  EXPECT_EQ(tree.TypeOf("a", "b"), MemoryRegistryStore::ValueType::kInteger);
  EXPECT_EQ(tree.TypeOf("A\\B\\C", "S"), MemoryRegistryStore::ValueType::kString);
  EXPECT_EQ(tree.TypeOf("A", "missing"), std::nullopt);
  MemoryRegistryStore copy(tree);
  tree.DeleteKey("a\\B");
  tree.DeleteValue("A", "b");
  EXPECT_EQ(tree.EntryCount(), 1u);
  tree.WriteString("A\\New", "n", "");
  EXPECT_EQ(tree.SubKeys("A"), Names{"New"});
  copy.Swap(tree);
  EXPECT_EQ(tree.EntryCount(), 6u);
  EXPECT_EQ(tree.ReadString("A\\B\\C", "s"), "x");
  EXPECT_EQ(copy.EntryCount(), 3u);
}

TEST(FileRegistryStore, EveryTypeAndNameSurvivesARestartInStoredOrder) {
  test::TempDir dir;
  const std::string path = dir.Sub("config/quillmar.ini");  // the directory is created
  const std::string tricky =
      " \"quoted\" back\\slash\nline\r\ttab \x01 Gr\xc3\xb6\xc3\x9f"
      "e ";
  const std::string not_utf8 = "caf\xe9 \xc3";  // kept byte for byte
  const std::string odd_key = kCd + "\\ spaced \\x=y;[#]\\\"q";
  Bytes all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes.push_back(static_cast<uint8_t>(b));
  const Names odd_names = {"a=b", " lead", "trail ", "", "\"q", ";semi", "#hash", "[br]", "x\ty"};
  {
    FileRegistryStore store(path);
    store.WriteString(kOptions, "Tricky", tricky);
    store.WriteString(kOptions, "NotUtf8", not_utf8);
    store.WriteString(kOptions, "Empty", "");
    store.WriteInteger(kOptions, "language", 2);
    store.WriteInteger(kOptions, "Min", std::numeric_limits<int32_t>::min());
    store.WriteInteger(kOptions, "Minus", -1);
    store.WriteBinary(kOptions, "Bytes", all_bytes);
    store.WriteBinary(kOptions, "NoBytes", {});
    store.WriteString("", "AtTheRoot", "root");
    for (const auto& name : odd_names) store.WriteString(odd_key, name, "v" + name);
    store.CreateKey(kCd + "\\Empty\\Deeper");
  }
  FileRegistryStore store(path);
  EXPECT_EQ(store.ReadString(kOptions, "tricky"), tricky);
  EXPECT_EQ(store.ReadString(kOptions, "NotUtf8"), not_utf8);
  EXPECT_EQ(store.ReadString(kOptions, "Empty"), "");
  EXPECT_EQ(store.ReadInteger(kOptions, "LANGUAGE"), 2);
  EXPECT_EQ(store.ReadInteger(kOptions, "Min"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(store.ReadInteger(kOptions, "Minus"), -1);
  EXPECT_EQ(store.ReadBinary(kOptions, "Bytes"), all_bytes);
  EXPECT_EQ(store.ReadBinary(kOptions, "NoBytes"), Bytes{});
  EXPECT_EQ(store.ReadString("", "AtTheRoot"), "root");
  // Types are kept: binary is no string, a string no binary.
  EXPECT_EQ(store.ReadString(kOptions, "Bytes"), std::nullopt);
  EXPECT_EQ(store.ReadBinary(kOptions, "Empty"), std::nullopt);
  EXPECT_EQ(store.ValueNames(kOptions),
            (Names{"Tricky", "NotUtf8", "Empty", "language", "Min", "Minus", "Bytes", "NoBytes"}));
  EXPECT_EQ(store.SubKeys(kCd), (Names{" spaced ", "Empty"}));
  EXPECT_EQ(store.ValueNames(odd_key), odd_names);
  for (const auto& name : odd_names) EXPECT_EQ(store.ReadString(odd_key, name), "v" + name);
  EXPECT_TRUE(store.KeyExists(kCd + "\\empty\\deeper"));

  const std::string text = test::ReadFile(path);
  for (const char* line :
       {"\n[Software\\Quillmar\\Reader\\Options]\n", "\nlanguage=dword:00000002\n",
        "\nMinus=dword:ffffffff\n", "\nNoBytes=hex:\n", "\n\"a=b\"=\"va=b\"\n",
        "\n[Software\\Quillmar\\CD\\Empty\\Deeper]\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(FileRegistryStore, DeleteKeyRemovesTheTreeOnDiskAndNoOpsWriteNothing) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  FileRegistryStore store(path);
  store.DeleteKey("Missing");
  store.DeleteValue("", "missing");
  EXPECT_FALSE(fs::exists(path));  // nothing changed, nothing saved
  store.WriteString(kCd + "\\KJVB0001", "Path", "/a");
  store.WriteString(kCd + "\\KJVB0001\\schema", "1", "tree.ini");
  store.CreateKey(kCd + "\\KJVB0001\\FS\\deep");
  store.WriteString(kCd + "\\KJVB0002", "Path", "/b");
  store.WriteString(kCd, "KJVB0001", "a value of the key's name stays");
  store.DeleteKey("software\\QUILLMAR\\cd\\kjvb0001");
  FileRegistryStore reloaded(path);
  EXPECT_FALSE(reloaded.KeyExists(kCd + "\\KJVB0001"));
  EXPECT_EQ(reloaded.SubKeys(kCd), Names{"KJVB0002"});
  EXPECT_EQ(reloaded.ReadString(kCd, "KJVB0001"), "a value of the key's name stays");
  reloaded.DeleteKey("");
  EXPECT_TRUE(FileRegistryStore(path).SubKeys("").empty());
}

TEST(FileRegistryStore, WritesOfAnotherObjectAreSeenAndNeverUndone) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  FileRegistryStore reader(path);
  FileRegistryStore tool(path);  // another process, as the command-line tool
  reader.WriteInteger(kOptions, "FontSize", 10);
  EXPECT_EQ(tool.ReadInteger(kOptions, "FontSize"), 10);
  tool.WriteString(kCd + "\\KJVB0001", "Path", "/cd");
  reader.WriteInteger(kOptions, "FontSize", 11);  // must keep the tool's registration
  tool.DeleteValue(kOptions, "Missing");
  EXPECT_EQ(tool.ReadInteger(kOptions, "FontSize"), 11);
  EXPECT_EQ(FileRegistryStore(path).ReadString(kCd + "\\KJVB0001", "Path"), "/cd");
}

// A group of writes is one save: seen inside the group at once, by others only at its end, and
// on top of what another process saved meanwhile. A group that throws saves nothing of its own
// (a nested one that throws drops only its writes).
TEST(FileRegistryStore, WritesTogetherAreOneSaveOnTopOfOthersOrNothing) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  FileRegistryStore reader(path);
  FileRegistryStore tool(path);
  reader.WriteInteger(kOptions, "FontSize", 10);
  reader.WriteTogether([&] {
    reader.WriteInteger(kOptions, "FontSize", 11);
    reader.WriteString(kOptions, "Name", "a");
    EXPECT_EQ(reader.ReadInteger(kOptions, "FontSize"), 11);
    EXPECT_EQ(tool.ReadInteger(kOptions, "FontSize"), 10);  // nothing saved yet
    std::thread other([&] {  // another thread of the process: outside the group
      reader.WriteString(kOptions, "Thread", "t");
      EXPECT_EQ(reader.ReadInteger(kOptions, "FontSize"), 10);
    });
    other.join();
    EXPECT_EQ(FileRegistryStore(path).ReadString(kOptions, "Thread"), "t");
    tool.WriteString(kCd + "\\KJVB0001", "Path", "/cd");  // another process saves meanwhile
    EXPECT_EQ(reader.ReadString(kCd + "\\KJVB0001", "Path"), "/cd");
    EXPECT_EQ(reader.ReadString(kOptions, "Name"), "a");
    reader.WriteTogether([&] { reader.DeleteValue(kOptions, "Name"); });
    EXPECT_FALSE(FileRegistryStore(path).ValueExists(kOptions, "Name"));
  });
  FileRegistryStore after(path);
  EXPECT_EQ(after.ReadInteger(kOptions, "FontSize"), 11);
  EXPECT_FALSE(after.ValueExists(kOptions, "Name"));
  EXPECT_EQ(after.ReadString(kCd + "\\KJVB0001", "Path"), "/cd");
  EXPECT_EQ(after.ReadString(kOptions, "Thread"), "t");

  const std::string saved = test::ReadFile(path);
  EXPECT_THROW(reader.WriteTogether([&] {
    reader.WriteInteger(kOptions, "FontSize", 12);
    reader.WriteTogether([&] {
      reader.WriteString(kOptions, "Inner", "x");
      throw EInOutError("inner");
    });
  }),
               EInOutError);
  EXPECT_EQ(test::ReadFile(path), saved);
  EXPECT_EQ(reader.ReadInteger(kOptions, "FontSize"), 11);

  reader.WriteTogether([&] {
    reader.WriteInteger(kOptions, "FontSize", 13);
    try {
      reader.WriteTogether([&] {
        reader.WriteString(kOptions, "Inner", "x");
        throw EInOutError("inner");
      });
    } catch (const EInOutError&) {
    }
    EXPECT_FALSE(reader.ValueExists(kOptions, "Inner"));
  });
  EXPECT_EQ(tool.ReadInteger(kOptions, "FontSize"), 13);
  EXPECT_FALSE(tool.ValueExists(kOptions, "Inner"));
}

TEST(FileRegistryStore, HandEditedFilesAreReadAndRewrittenCleanly) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  test::WriteFile(path,
                  "\xEF\xBB\xBF"
                  "root=\"at the root\"\r\n"
                  "\r\n# a comment\r\n; another\r\n"
                  "[ Software\\Quillmar\\Reader\\Options ]\r\n"
                  "  language = 1  \r\n"
                  "Path=\"C:\\Programs\\Q\" ; the directory\r\n"
                  "Neg=DWORD:FFFFFFFE\r\n"
                  "Date=hex: 0, ff ,0a\r\n"
                  "Bad1=dword:123456789\n"
                  "Bad2=hex:1,,2\n"
                  "Bad3=\"unterminated\n"
                  "Bad4=\"x\" trailing\n"
                  "no equals sign\n"
                  "Latin1=caf\xe9\n"
                  "[Broken\n"
                  "Lost=1\n"
                  "[\"Quoted\\tKey\"]\n"
                  "Huge=" +
                      std::string(100000, 'h') + "\n");
  FileRegistryStore store(path);
  EXPECT_EQ(store.ReadString("", "root"), "at the root");
  EXPECT_EQ(store.ReadInteger(kOptions, "language"), 1);             // an unquoted string of digits
  EXPECT_EQ(store.ReadString(kOptions, "Path"), "C:\\Programs\\Q");  // unknown escapes kept
  EXPECT_EQ(store.ReadInteger(kOptions, "Neg"), -2);
  EXPECT_EQ(store.ReadBinary(kOptions, "Date"), (Bytes{0x00, 0xFF, 0x0A}));
  EXPECT_EQ(store.ReadString(kOptions, "Latin1"), "caf\xEF\xBF\xBD");  // U+FFFD
  EXPECT_EQ(store.ValueNames(kOptions), (Names{"language", "Path", "Neg", "Date", "Latin1"}));
  EXPECT_EQ(store.SubKeys(""), (Names{"Software", "Quoted\tKey"}));
  EXPECT_EQ(store.ReadString("Quoted\tKey", "Huge")->size(), 100000u);

  store.WriteInteger(kOptions, "language", 2);
  const std::string text = test::ReadFile(path);
  EXPECT_EQ(text.find("Bad"), std::string::npos);
  EXPECT_EQ(text.find("Lost"), std::string::npos);
  FileRegistryStore reloaded(path);
  EXPECT_EQ(reloaded.ReadInteger(kOptions, "language"), 2);
  EXPECT_EQ(reloaded.ValueNames(kOptions), store.ValueNames(kOptions));
}

// Whatever a file holds, reading never fails, and what was read is written so that it reads
// back the same.
TEST(FileRegistryStore, GarbageReadsAndRoundTrips) {
  using namespace std::string_literals;
  const std::string alphabet =
      "[]\"\\=;#:,x0aF \t\r\n\xC3\xA4\xFF\x00"
      "dwordhex"s;
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t length = random() % 400;
    for (size_t i = 0; i < length; ++i) text.push_back(alphabet[random() % alphabet.size()]);
    MemoryRegistryStore parsed;
    ASSERT_TRUE(ParseSettingsFile(text, parsed));
    const auto written = FormatSettingsFile(parsed);
    ASSERT_TRUE(written);
    MemoryRegistryStore again;
    ASSERT_TRUE(ParseSettingsFile(*written, again));
    ASSERT_EQ(FormatSettingsFile(again), written) << "from: " << text;
  }
}

TEST(FileRegistryStore, AFileBeyondTheLimitsIsNeitherReadNorOverwritten) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  std::string many;
  for (size_t i = 0; i <= kMaxSettingsEntries; ++i) many += "v" + std::to_string(i) + "=1\n";
  for (const std::string& text : {many, std::string(kMaxSettingsFileSize + 1, '\n')}) {
    test::WriteFile(path, text);
    FileRegistryStore store(path);
    EXPECT_TRUE(store.ValueNames("").empty());
    EXPECT_THROW(store.WriteInteger(kOptions, "language", 1), EInOutError);
    EXPECT_EQ(test::ReadFile(path), text);
  }
  // A tree the writer could not read back is not written.
  FileRegistryStore store(dir.Sub("other.ini"));
  std::string deep = "K";
  for (size_t i = 0; i < kMaxSettingsKeyDepth; ++i) deep += "\\K";
  EXPECT_THROW(store.CreateKey(deep), EInOutError);
  EXPECT_FALSE(store.KeyExists("K"));
}

#ifndef _WIN32

// Caps the size of the files this process may write, so that a save fails even for root.
class FileSizeCap {
 public:
  explicit FileSizeCap(rlim_t bytes) : old_handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit capped = old_;
    capped.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &capped);
  }
  ~FileSizeCap() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  void (*old_handler_)(int);
  rlimit old_{};
};

TEST(FileRegistryStore, AFailedSaveRaisesAndLeavesTheFileAndTheStoreAsTheyWere) {
  test::TempDir dir;
  const std::string path = dir.Sub("config/quillmar.ini");
  FileRegistryStore store(path);
  store.WriteInteger(kOptions, "FontSize", 10);
  store.WriteString(kOptions, "Padding", std::string(400, 'p'));  // the file outgrows the cap
  store.WriteString(kCd + "\\KJVB0001", "Path", "/a");
  const std::string before = test::ReadFile(path);
  {
    FileSizeCap cap(300);
    try {
      store.WriteInteger(kOptions, "FontSize", 12);
      ADD_FAILURE() << "a save beyond the cap must fail";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot save the settings to '" + path + "'.");
    }
    EXPECT_THROW(store.WriteString("Software\\New\\Key", "New", "x"), EInOutError);
    EXPECT_THROW(store.DeleteKey(kCd), EInOutError);
    EXPECT_THROW(store.DeleteValue(kOptions, "FontSize"), EInOutError);
  }
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(FilesIn(dir.Sub("config")), Names{"quillmar.ini"});  // no temporary file left
  EXPECT_EQ(store.ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(store.KeyExists("Software\\New"));
  EXPECT_EQ(store.ReadString(kCd + "\\KJVB0001", "Path"), "/a");

  // The next save that succeeds carries none of the failed changes.
  store.WriteInteger(kOptions, "Other", 1);
  FileRegistryStore reloaded(path);
  EXPECT_EQ(reloaded.ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(reloaded.KeyExists("Software\\New"));
  EXPECT_EQ(reloaded.ReadString(kCd + "\\KJVB0001", "Path"), "/a");
  EXPECT_EQ(reloaded.ReadInteger(kOptions, "Other"), 1);
}

TEST(FileRegistryStore, AGroupWhoseSaveFailsRaisesAndLeavesTheFileAndTheStoreAsTheyWere) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  FileRegistryStore store(path);
  store.WriteInteger(kOptions, "FontSize", 10);
  const std::string before = test::ReadFile(path);
  {
    FileSizeCap cap(static_cast<rlim_t>(before.size() + 20));
    EXPECT_THROW(store.WriteTogether([&] {
      store.WriteInteger(kOptions, "FontSize", 12);
      store.WriteString(kOptions, "Padding", std::string(400, 'p'));
    }),
                 EInOutError);
  }
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(store.ReadInteger(kOptions, "FontSize"), 10);
  EXPECT_FALSE(store.ValueExists(kOptions, "Padding"));
}

#endif  // _WIN32

TEST(FileRegistryStore, ADirectoryThatCannotBeCreatedFailsTheSave) {
  test::TempDir dir;
  test::WriteFile(dir.Sub("blocker"), "a file, not a directory");
  const std::string path = dir.Sub("blocker/quillmar.ini");
  FileRegistryStore store(path);
  EXPECT_THROW(store.WriteInteger(kOptions, "language", 1), EInOutError);
  EXPECT_FALSE(store.KeyExists("Software"));
  EXPECT_EQ(test::ReadFile(dir.Sub("blocker")), "a file, not a directory");
}

TEST(FileRegistryStore, ConcurrentWritersLoseNothing) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini");
  FileRegistryStore store(path);
  test::ExpectConcurrentWritersLoseNothing(
      store, [&] { return std::make_unique<FileRegistryStore>(path); });
}

}  // namespace
}  // namespace quillmar
