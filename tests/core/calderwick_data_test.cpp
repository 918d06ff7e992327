#include "collection/calderwick_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/registry_keys.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/internal_code.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"

namespace quillmar {
namespace {

using test::InternalCode;

using test::CollectionSpec;
using test::TextRecord;

void AppendFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(ResolvePath(path), std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The code of the internal error that `call` raises, or "" when it raises none.
class CatalogTest : public ::testing::Test {
 protected:
  CatalogTest() {
    env.executable_path = "/usr/bin/quillmar-reader";
    env.default_program_directory = dir.Sub("program");
    env.version_major = 1;
    env.version_minor = 7;
    std::filesystem::create_directories(dir.Sub("program"));
    SetCurrentLanguage(kEnglish);
  }

  TCalderwickData& Catalog() {
    if (!catalog_)
      catalog_ = std::make_unique<TCalderwickData>(
          TCalderwickData::Platform{store, drives, prompts, plugins, env});
    return *catalog_;
  }

  // A collection with two texts, a tree schema, and the given identifier, at dir/<name>.
  std::string MakeCollection(const std::string& name, const std::string& cdid,
                             CollectionSpec layout = {}) {
    layout.cdid = cdid;
    if (layout.title == CollectionSpec{}.title) layout.title = "Collection " + cdid;
    if (layout.texts.empty()) {
      TextRecord genesis;
      genesis.number = 1;
      genesis.title = "Genesis";
      genesis.long_label = "King James Version";
      genesis.short_label = "KJV";
      TextRecord exodus = genesis;
      exodus.number = 2;
      exodus.title = "Exodus";
      layout.texts = {genesis, exodus};
    }
    if (layout.schemas.empty()) layout.schemas = {"schema.ini", "alt.ini"};
    return test::WriteCollection(dir.Sub(name), layout);
  }

  std::string Key(const std::string& cdid) { return TCalderwickData::CDKey(cdid); }

  test::TempDir dir;
  AppEnvironment env;
  MemoryRegistryStore store;
  test::FakeDrives drives;
  test::ScriptedPrompts prompts;
  RecordingPlugInHost plugins;
  std::unique_ptr<TCalderwickData> catalog_;
};

TEST_F(CatalogTest, DriveCollectionsAreCataloguedAndRegistered) {
  const std::string cd = MakeCollection("cdrom", "KJVB0001");
  drives.drives = {cd};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  ASSERT_EQ(catalog.CDs().size(), 1u);
  const TCRrecord& record = catalog.CDs()[0];
  EXPECT_EQ(record.CDID, "KJVB0001");
  EXPECT_EQ(record.Name, "Collection KJVB0001");
  EXPECT_EQ(record.Path, cd + kNativeSeparator);
  EXPECT_EQ(catalog.GetCDPath("kjvb0001 "), cd);

  EXPECT_EQ(store.ReadString(Key("KJVB0001"), "Path"), cd + kNativeSeparator);
  EXPECT_EQ(store.ReadString(Key("KJVB0001"), "Name"), "Collection KJVB0001");
  EXPECT_EQ(store.ReadInteger(Key("KJVB0001"), "LocalCDROM_Drive"), 1);
  EXPECT_FALSE(
      catalog.IsRegistered("KJVB0001"));  // registered during this scan, listed at the next
  catalog.ScanCDs();
  EXPECT_TRUE(catalog.IsRegistered("KJVB0001"));
  EXPECT_EQ(catalog.CDs().size(), 1u);

  // Schemas: "0" is the first, "current" names it.
  // Identity files that make no usable identifier are passed over.
  const std::string odd = dir.Sub("odd");
  test::WriteFile(JoinPath(odd, "id/.hid"), "");
  test::WriteFile(JoinPath(odd, "id/A\\B.hid"), "");
  EXPECT_FALSE(catalog.AnnounceDirectory(odd));

  EXPECT_EQ(ResolvePath(catalog.GetCurrentSchema("KJVB0001")),
            ResolvePath(JoinPath(JoinPath(cd, "data"), "schema.ini")));
  EXPECT_EQ(store.ReadString(Key("KJVB0001") + "\\schema", "current"), "0");
  EXPECT_TRUE(store.ReadString(Key("KJVB0001") + "\\schema", "1")->ends_with("alt.ini"));
  EXPECT_TRUE(catalog.CDAvailable("KJVB0001", false));
}

TEST_F(CatalogTest, SameCollectionInTwoDrivesAndOnDisk) {
  const std::string a = MakeCollection("a", "KJVB0001");
  const std::string b = MakeCollection("b", "KJVB0001");
  const std::string disk = MakeCollection("disk", "KJVB0001");
  // Registered earlier as a hard-disk collection.
  store.WriteString(Key("KJVB0001"), "Path", disk + "/");
  store.WriteString(Key("KJVB0001"), "Name", "On disk");
  store.WriteInteger(Key("KJVB0001"), "LocalCDROM_Drive", 0);
  drives.drives = {a, b};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  ASSERT_EQ(catalog.CDs().size(), 2u);  // both drive copies; the disk copy is not added again
  EXPECT_EQ(catalog.GetCDIndex("KJVB0001"), 0);
  EXPECT_EQ(catalog.GetCDPath("KJVB0001"), a);
  // Already registered: the scan leaves its registration alone.
  EXPECT_EQ(store.ReadString(Key("KJVB0001"), "Path"), disk + "/");

  drives.drives.clear();
  catalog.ScanCDs();
  ASSERT_EQ(catalog.CDs().size(), 1u);
  EXPECT_EQ(catalog.CDs()[0].Name, "On disk");
  EXPECT_EQ(catalog.GetCDPath("KJVB0001"), disk);
}

TEST_F(CatalogTest, AnnouncedDirectoryIsRegisteredAndTheFileDeleted) {
  const std::string cd = MakeCollection("installed", "SPRV0001");
  const std::string announce = dir.Sub("program/announce.txt");
  test::WriteFile(announce, cd + "\r\nsecond line is ignored\r\n");
  auto& catalog = Catalog();
  catalog.ScanCDs();
  EXPECT_FALSE(std::filesystem::exists(announce));
  ASSERT_EQ(catalog.GetCDIndex("SPRV0001"), 0);
  EXPECT_EQ(store.ReadInteger(Key("SPRV0001"), "LocalCDROM_Drive"), 0);

  // The next scan takes it back from the registry.
  catalog.ScanCDs();
  ASSERT_EQ(catalog.CDs().size(), 1u);
  EXPECT_EQ(catalog.GetCDPath("SPRV0001"), cd);
  EXPECT_TRUE(prompts.errors.empty());

  test::WriteFile(announce, dir.Sub("nothing-here") + "\n");
  catalog.ScanCDs();
  EXPECT_FALSE(std::filesystem::exists(announce));
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0],
            "The path '" + dir.Sub("nothing-here") + "' is not a valid data directory.");
}

TEST_F(CatalogTest, CapitalisedCollectionLayout) {
  CollectionSpec layout;
  layout.upper = true;
  layout.year_offset = 1000;
  const std::string cd = MakeCollection("upper", "KJVB0001", layout);
  auto& catalog = Catalog();
  ASSERT_TRUE(catalog.AnnounceDirectory(cd + "/"));
  EXPECT_EQ(catalog.CDs()[0].CDID, "KJVB0001");
  // An announced collection is complete without a scan: dates are searched with its offset.
  EXPECT_EQ(catalog.CDs()[0].YearOffset, 1000);
  EXPECT_EQ(catalog.GetTextName("KJVB0001", 1), "King James Version: Genesis");
  EXPECT_TRUE(catalog.CDAvailable("KJVB0001", false));
  EXPECT_TRUE(FileExists(catalog.GetCurrentSchema("KJVB0001")));
}

TEST_F(CatalogTest, CurrentSchemaFallsBackToTheFirst) {
  drives.drives = {MakeCollection("cd", "KJVB0001")};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  const std::string key = Key("KJVB0001") + "\\schema";
  store.WriteString(key, "current", "7");
  EXPECT_TRUE(catalog.GetCurrentSchema("KJVB0001").ends_with("schema.ini"));
  EXPECT_EQ(store.ReadString(key, "current"), "0");
  store.WriteString(key, "current", "1");
  EXPECT_TRUE(catalog.GetCurrentSchema("KJVB0001").ends_with("alt.ini"));
  // A user's choice survives a scan.
  catalog.ScanCDs();
  EXPECT_EQ(store.ReadString(key, "current"), "1");
  EXPECT_EQ(InternalCode([&] { catalog.GetCurrentSchema("NOPE0001"); }), "AD-TPD-GCS-1");
}

TEST_F(CatalogTest, FuzzySearchFiles) {
  CollectionSpec layout;
  layout.fs_id = "KJVPHON";
  const std::string cd = MakeCollection("cd", "KJVB0001", layout);
  test::WriteFile(JoinPath(cd, "data/s2wl.dat"), "x");
  test::WriteFile(dir.Sub("program/s3lnk.dat"), "x");
  drives.drives = {cd};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  EXPECT_EQ(catalog.GetFSID("KJVB0001"), "KJVPHON");
  EXPECT_TRUE(catalog.HasFS("KJVB0001"));
  EXPECT_EQ(catalog.GetFSWordFile("KJVB0001", 1), "");
  EXPECT_EQ(catalog.GetFSWordFile("KJVB0001", 2), ResolvePath(JoinPath(cd, "data/s2wl.dat")));
  store.WriteString(Key("KJVB0001") + "\\FS", "3b", "<APP>\\s3lnk.dat");
  EXPECT_EQ(catalog.GetFSLinkFile("KJVB0001", 3), ResolvePath(dir.Sub("program/s3lnk.dat")));

  for (int bad : {0, 5})
    EXPECT_EQ(InternalCode([&] { catalog.GetFSWordFile("KJVB0001", bad); }), "AD-TPD-GFWF-1");
  EXPECT_EQ(InternalCode([&] { catalog.GetFSLinkFile("NOPE0001", 1); }), "AD-TPD-GFLF-2");
  // A value the user changed is kept by the next scan.
  store.WriteString(Key("KJVB0001") + "\\FS", "ID", "OTHER");
  catalog.ScanCDs();
  EXPECT_EQ(catalog.GetFSID("KJVB0001"), "OTHER");
}

TEST_F(CatalogTest, StartUpAndWantedPlugIns) {
  CollectionSpec layout;
  layout.plugins = {{"phon.dll", "Phonetic"}, {"info.dll", "Info"}};
  drives.drives = {MakeCollection("cd", "KJVB0001", layout)};
  plugins.MarkPresent("Info", "info.dll");
  store.WriteInteger(keys::kOptions, "language", 1);
  auto& catalog = Catalog();
  catalog.StartUp();
  EXPECT_EQ(CurrentLanguage(), kGerman);
  SetCurrentLanguage(kEnglish);
  EXPECT_FALSE(catalog.UCFontSet());
  catalog.Settings().SetUCFont("DejaVu Serif");
  EXPECT_TRUE(catalog.UCFontSet());
  catalog.ScanCDs();
  ASSERT_EQ(plugins.calls.size(), 2u);
  EXPECT_EQ(plugins.calls[0], (std::pair<std::string, std::string>{"mmpi10.dll", ""}));
  EXPECT_EQ(plugins.calls[1], (std::pair<std::string, std::string>{"phon.dll", "KJVB0001"}));
  EXPECT_EQ(store.ReadString(keys::kOptions, "Application"), "/usr/bin/quillmar-reader");
}

TEST_F(CatalogTest, AvailabilityAsksUntilTheMediumIsBack) {
  const std::string cd = MakeCollection("cd", "KJVB0001");
  drives.drives = {cd};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  const std::string moved = dir.Sub("elsewhere");
  std::filesystem::rename(cd, moved);
  ClearPathCache();
  EXPECT_FALSE(catalog.CDAvailable("KJVB0001", false));
  EXPECT_TRUE(prompts.asked.empty());

  prompts.answers = {PromptResult::kRetry, PromptResult::kRetry};
  int asked = 0;
  prompts.on_ask = [&] {
    if (++asked == 2) std::filesystem::rename(moved, cd);  // the user inserts the CD
  };
  EXPECT_TRUE(catalog.CDAvailable("KJVB0001", true));
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0],
            "Can't access the CD-ROM 'Collection KJVB0001' in directory '" + cd + "'.");

  std::filesystem::rename(cd, moved);
  ClearPathCache();
  prompts.on_ask = nullptr;
  EXPECT_FALSE(catalog.CDAvailable("KJVB0001", true));  // Cancel

  // Not catalogued at all: an error box naming the collection the registry knows.
  store.WriteString(Key("GONE0001"), "Name", "Gone collection");
  EXPECT_FALSE(catalog.CDAvailable("GONE0001", true));
  ASSERT_FALSE(prompts.errors.empty());
  EXPECT_EQ(prompts.errors.back(),
            "This operation requires a currently non available CD-ROM.\r\r'Gone collection'");
}

TEST_F(CatalogTest, OlderCollectionIsKnownByItsInstaller) {
  const std::string krvt = dir.Sub("krvt");
  test::WriteFile(JoinPath(krvt, "BIN/MAUNINST.EXE"), "MZ");
  drives.drives = {krvt};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  ASSERT_EQ(catalog.GetCDIndex("KRVT0001"), 0);
  EXPECT_EQ(catalog.CDs()[0].MajorVersion, 1);
  EXPECT_TRUE(catalog.CDAvailable("KRVT0001", false));
  EXPECT_EQ(catalog.GetLiFile("KRVT0001"), JoinPath(catalog.GetAppPath(), "kv1li.dat"));
  EXPECT_EQ(catalog.GetAbFile("KRVT0001"), JoinPath(catalog.GetAppPath(), "kv1ab.dat"));
  // An identity file does not make it available: only the installer counts.
  std::filesystem::remove(ResolvePath(JoinPath(krvt, "bin/mauninst.exe")));
  test::WriteFile(JoinPath(krvt, "id/KRVT0001.hid"), "");
  ClearPathCache();
  EXPECT_FALSE(catalog.CDAvailable("KRVT0001", false));
}

TEST_F(CatalogTest, AuxiliaryFilesFromProperties) {
  const std::string cd = MakeCollection("cd", "KJVB0001");
  AppendFile(JoinPath(cd, "id/metainfo.dat"), test::MetaProperty('e', "biblio.dat"));
  AppendFile(JoinPath(cd, "id/metainfo.dat"), test::MetaProperty('l', "about.txt"));
  drives.drives = {cd};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  EXPECT_EQ(catalog.GetLiFile("KJVB0001"), JoinPath(JoinPath(cd, "data"), "biblio.dat"));
  EXPECT_EQ(catalog.GetAbFile("KJVB0001"), JoinPath(cd, "about.txt"));
  EXPECT_EQ(catalog.GetWbFile("KJVB0001"), "");
  EXPECT_EQ(catalog.GetKiFile("NOPE0001"), "");
}

TEST_F(CatalogTest, TextNamesAndUnknownCollections) {
  drives.drives = {MakeCollection("cd", "KJVB0001")};
  auto& catalog = Catalog();
  catalog.ScanCDs();
  EXPECT_EQ(catalog.GetTextName("KJVB0001", 2), "King James Version: Exodus");
  for (int32_t bad : {0, 3, -1})
    EXPECT_EQ(InternalCode([&] { catalog.GetTextName("KJVB0001", bad); }), "AD-TPD-GNA-2");
  EXPECT_EQ(InternalCode([&] { catalog.GetTextName("NOPE0001", 1); }), "AD-TPD-GNA-1");
  EXPECT_EQ(InternalCode([&] { catalog.GetCDPath("NOPE0001"); }), "AD-TPD-CDP-1");
  EXPECT_EQ(catalog.GetCDName("NOPE0001"), "");
}

TEST_F(CatalogTest, ExtraDriveSettingNamesADirectory) {
  const std::string cd = MakeCollection("mnt", "KJVB0001");
  store.WriteString(keys::kOptions, "CDROMDrive", cd + "/");
  drives.drives = {cd};  // already listed: not scanned twice
  auto& catalog = Catalog();
  catalog.ScanCDs();
  EXPECT_EQ(catalog.CDs().size(), 1u);
  drives.drives.clear();
  catalog.ScanCDs();
  EXPECT_EQ(catalog.CDs().size(), 1u);
  EXPECT_EQ(store.ReadInteger(Key("KJVB0001"), "LocalCDROM_Drive"), 1);
}

// The scan keeps a damaged collection with the reason and asks for none of its plug-ins; a
// collection whose medium is gone is not damaged, one with an empty text catalog has no texts.
// Opening asks CDUsable, which looks again: reported only when asked, repair is noticed.
TEST_F(CatalogTest, DamagedCollectionsAreKeptWithTheReasonAndLookedAtAgainWhenOpened) {
  const auto wantsViewer = [](const std::string& root) {
    AppendFile(JoinPath(root, "id/metainfo.dat"), test::MetaPlugIn("viewer.dll", "Viewer"));
  };
  const std::string good = MakeCollection("good", "GOOD0001");
  wantsViewer(good);
  const std::string broken = MakeCollection("broken", "DMGC0001");
  wantsViewer(broken);
  const std::string catalogFile = ResolvePath(JoinPath(broken, "data/textinfo.dat"));
  std::filesystem::rename(catalogFile, catalogFile + ".away");
  std::filesystem::create_directory(catalogFile);
  const std::string empty = MakeCollection("empty", "EMPT0001");
  test::WriteFile(ResolvePath(JoinPath(empty, "data/textinfo.dat")), "");
  auto& catalog = Catalog();
  const std::string gone = MakeCollection("gone", "GONE0001");
  ASSERT_TRUE(catalog.AnnounceDirectory(gone));
  std::filesystem::rename(gone, gone + ".away");
  ClearPathCache();
  drives.drives = {broken, good, empty};
  plugins.calls.clear();
  catalog.ScanCDs();
  ASSERT_EQ(catalog.CDs().size(), 4u);
  std::vector<std::string> damage;
  for (const TCRrecord& cd : catalog.CDs()) damage.push_back(cd.Damage);
  EXPECT_EQ(damage, (std::vector<std::string>{"'" + catalogFile + "' is a directory, not a file.",
                                              "", "", ""}));
  EXPECT_EQ(plugins.calls,
            (std::vector<std::pair<std::string, std::string>>{{"viewer.dll", "GOOD0001"}}));

  EXPECT_FALSE(catalog.CDUsable("DMGC0001", false));
  EXPECT_TRUE(prompts.errors.empty());
  EXPECT_FALSE(catalog.CDUsable("DMGC0001", true));
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], "The collection 'Collection DMGC0001' in '" + broken +
                                   "' cannot be used.\n" + damage[0]);
  // A collection whose metadata names no title is named by its identifier.
  TCRrecord nameless;
  nameless.CDID = "DMGC0001";
  nameless.Path = broken + "/";
  nameless.Damage = damage[0];
  EXPECT_EQ(DamagedCollectionText(nameless),
            "The collection 'DMGC0001' in '" + broken + "' cannot be used.\n" + damage[0]);
  std::filesystem::remove(catalogFile);
  std::filesystem::rename(catalogFile + ".away", catalogFile);
  ClearPathCache();
  EXPECT_TRUE(catalog.CDUsable("DMGC0001", true));
  EXPECT_EQ(catalog.CDs()[0].Damage, "");
  EXPECT_FALSE(catalog.CDUsable("GONE0001", false));
  EXPECT_TRUE(prompts.asked.empty());
}

}  // namespace
}  // namespace quillmar
