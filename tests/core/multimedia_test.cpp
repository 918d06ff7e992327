#include "plugins/multimedia.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/source_parser.h"
#include "plugins/plugin_manager.h"
#include "support/catalog_fixture.h"
#include "support/internal_code.h"
#include "system/program_launcher.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using test::Concat;

class RecordingLauncher : public ProgramLauncher {
 public:
  bool StartDetached(const std::string& program) override {
    started.push_back(program);
    return result;
  }
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return result;
  }
  bool result = true;
  std::vector<std::string> started, opened;
};

class ScriptedPlugInPrompts : public PlugInPrompts {
 public:
  bool Question(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
  void ErrorReport(const std::string& message) override { reports.push_back(message); }
  bool answer = false;
  std::vector<std::string> questions, reports;
};

class NoLibraries : public DynamicLibraries {
 public:
  std::unique_ptr<DynamicLibrary> Load(const std::string&) override { return nullptr; }
};

class MultimediaTest : public ::testing::Test, protected test::CatalogFixture {
 protected:
  MultimediaTest() { manager_.Attach(*catalog); }

  // Builds a collection from source text with the project's builder; the media files are
  // written beside the source first. Returns the collection's root.
  std::string Build(const std::string& name, const std::string& source,
                    const std::vector<std::string>& mediaFiles) {
    const std::string media = dir.Sub(name + "-src/media");
    for (const std::string& file : mediaFiles) test::WriteFile(JoinPath(media, file), file);
    const std::string root = dir.Sub(name);
    builder::WriteCollection(builder::MergeSources({builder::ParseSource(source, name + ".qms")}),
                             root, media);
    return Catalogue(root);
  }
  std::string Catalogue(const std::string& root) {
    drives.drives.push_back(root);
    catalog->ScanCDs();
    return root;
  }
  std::vector<TMediaEntry> Entries(const std::string& cdid, const std::string& root) {
    multimedia_.SetCD(cdid);
    multimedia_.SetMediaDir(JoinPath(root, "media") + "/");
    std::vector<TMediaEntry> entries;
    for (int i = 0; i < multimedia_.Count(); ++i) entries.push_back(multimedia_.GetEntry(i));
    return entries;
  }

  NoLibraries libraries_;
  ScriptedPlugInPrompts plugin_prompts_;
  RecordingLauncher launcher_;
  TPlugInManager manager_{{libraries_, plugin_prompts_, "", ""}};
  TMultiMedia multimedia_{{*catalog, manager_, plugin_prompts_, launcher_}};
};

constexpr char kHeader[] = "@collection MMED0001\n@title Media\n";

TEST_F(MultimediaTest, BuiltCollectionListsShortInfoThenPresentationsThenPrograms) {
  const std::string root = Build("cd",
                                 std::string(kHeader) +
                                     "@program page.html A page\n"
                                     "@presentation 1500 SLIDES Slides\n"
                                     "@shortinfo About\n"
                                     "@part a.txt | b.png | First\n"
                                     "@part c.html\n"
                                     "@shortinfo Nothing to show\n"
                                     "@presentation 7 OTHER Seven\n",
                                 {"a.txt", "b.png", "c.html", "page.html"});
  for (const char* file : {"a.txt", "b.png", "c.html", "page.html"})
    EXPECT_TRUE(FileExists(JoinPath(root, std::string("media/") + file))) << file;

  const std::vector<TMediaEntry> e = Entries("MMED0001", root);
  ASSERT_EQ(e.size(), 5u);
  const std::pair<int32_t, std::string> expected[] = {{kMediaShortInfo, "About"},
                                                      {kMediaShortInfo, "Nothing to show"},
                                                      {kMediaPresentation, "Slides"},
                                                      {7, "Seven"},
                                                      {kMediaProgram, "A page"}};
  for (size_t i = 0; i < e.size(); ++i) {
    EXPECT_EQ(e[i].Type, expected[i].first) << i;
    EXPECT_EQ(e[i].Caption, expected[i].second) << i;
    EXPECT_EQ(e[i].CDID, "MMED0001");
  }
  EXPECT_EQ(e[2].ModuleID, "SLIDES");
  EXPECT_EQ(e[3].ModuleID, "OTHER");
  EXPECT_TRUE(e[3].FromPresentationList);
  EXPECT_EQ(e[4].ProgramPath, JoinPath(JoinPath(root, "media"), "page.html"));

  // Handed-out parts name files in the media directory; an empty second name stays empty.
  const std::string media = JoinPath(root, "media");
  const std::vector<TShortInfoPart> parts = e[0].Parts();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].First, JoinPath(media, "a.txt"));
  EXPECT_EQ(parts[0].Second, JoinPath(media, "b.png"));
  EXPECT_EQ(parts[0].Third, "First");
  EXPECT_EQ(parts[1].First, JoinPath(media, "c.html"));
  EXPECT_EQ(parts[1].Second, "");
  EXPECT_TRUE(e[1].Parts().empty());

  EXPECT_EQ(test::InternalCode([&] { multimedia_.GetEntry(5); }), "MM-GI-1");
  EXPECT_EQ(test::InternalCode([&] { multimedia_.GetEntry(-1); }), "MM-GI-1");
}

TEST_F(MultimediaTest, CollectionWithoutEntriesOrUnknownHasNone) {
  const std::string root = Build("plain", std::string(kHeader) + "@text a\n@title A\nWords.\n", {});
  EXPECT_TRUE(Entries("MMED0001", root).empty());
  EXPECT_TRUE(Entries("NONE0001", root).empty());
  EXPECT_EQ(test::InternalCode([&] { multimedia_.GetEntry(0); }), "MM-GI-1");
}

TEST_F(MultimediaTest, DamagedShortInfoFileIsClampedAndItsPartialRecordIgnored) {
  test::CollectionSpec spec;
  spec.cdid = "MMED0001";
  const std::string root = test::WriteCollection(dir.Sub("cd"), spec);
  test::WriteFile(
      JoinPath(root, "id/metainfo.dat"),
      Concat({test::MetaHeader("Media", "MMED0001", 0, 0), test::MetaProperty('j', "textinfo.dat"),
              test::MetaProperty('h', "k.dat")}));
  // Length bytes beyond their fields: caption 255 (field 80), first string 200 (field 128).
  std::string record(kShortInfoRecordSize, 'x');
  record[0] = static_cast<char>(255);
  record[kShortInfoPartsOffset] = static_cast<char>(200);
  record[kShortInfoPartsOffset + kShortInfoStringSize] = 0;
  record[kShortInfoPartsOffset + 2 * kShortInfoStringSize] = static_cast<char>(129);
  record[kShortInfoPartsOffset + kShortInfoPartSize] = 0;  // the second part ends the list
  test::WriteFile(JoinPath(root, "data/k.dat"), record + std::string(100, 'y'));
  Catalogue(root);

  const std::vector<TMediaEntry> e = Entries("MMED0001", root);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].Caption, std::string(80, 'x'));
  EXPECT_EQ(e[0].ShortInfo[0], 80);  // the module sees clamped lengths too
  EXPECT_EQ(e[0].ShortInfo[kShortInfoPartsOffset + 2 * kShortInfoStringSize], 128);
  const std::vector<TShortInfoPart> parts = e[0].Parts();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].First.size(), kShortInfoStringBytes);  // the media path, cut to the field
  EXPECT_EQ(parts[0].First.rfind(JoinPath(root, "media"), 0), 0u);
  EXPECT_EQ(parts[0].Third, std::string(128, 'x'));

  test::WriteFile(JoinPath(root, "data/k.dat"), record.substr(0, 3000));
  EXPECT_TRUE(Entries("MMED0001", root).empty());
}

class ProgramRunTest : public MultimediaTest {
 protected:
  ProgramRunTest() {
    test::CollectionSpec spec;
    spec.cdid = "MMED0001";
    root_ = test::WriteCollection(dir.Sub("cd"), spec);
    test::WriteFile(
        JoinPath(root_, "id/metainfo.dat"),
        Concat({test::MetaHeader("Media", "MMED0001", 0, 0),
                test::MetaProperty('j', "textinfo.dat"), test::MetaMedia5("Missing", "gone.html"),
                test::MetaMedia5("Escape", "..\\secret.txt"), test::MetaMedia5("Link", "link.html"),
                test::MetaMedia5("Page", "Page.html"), test::MetaMedia5("Tool", "tool.sh")}));
    test::WriteFile(JoinPath(root_, "secret.txt"), "outside");
    test::WriteFile(JoinPath(root_, "media/page.html"), "<p>");
    test::WriteFile(JoinPath(root_, "media/tool.sh"), "#!/bin/sh\n");
    fs::permissions(JoinPath(root_, "media/tool.sh"), fs::perms::owner_exec, fs::perm_options::add);
    fs::create_symlink(JoinPath(root_, "secret.txt"), JoinPath(root_, "media/link.html"));
    Catalogue(root_);
    entries_ = Entries("MMED0001", root_);
  }
  void Run(size_t i) { multimedia_.Run(entries_.at(i), {}); }
  size_t Launches() const { return launcher_.started.size() + launcher_.opened.size(); }

  std::string root_;
  std::vector<TMediaEntry> entries_;
};

TEST_F(ProgramRunTest, MissingOrOutsideProgramsAreRefusedWithoutAsking) {
  ASSERT_EQ(entries_.size(), 5u);
  Run(0);
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], "File '" + JoinPath(root_, "media/gone.html") + "' not found.");
  Run(1);  // ..\secret.txt
  Run(2);  // a link inside media/ to secret.txt
  ASSERT_EQ(prompts.errors.size(), 3u);
  EXPECT_NE(prompts.errors[1].find("is not inside the collection's media directory"),
            std::string::npos)
      << prompts.errors[1];
  EXPECT_NE(prompts.errors[2].find("is not inside"), std::string::npos) << prompts.errors[2];
  EXPECT_TRUE(plugin_prompts_.questions.empty());
  EXPECT_EQ(Launches(), 0u);
}

TEST_F(ProgramRunTest, ProgramsRunOnlyAfterConsentDocumentsOpen) {
  const std::string page = fs::weakly_canonical(JoinPath(root_, "media/page.html")).string();
  const std::string tool = fs::weakly_canonical(JoinPath(root_, "media/tool.sh")).string();
  Run(3);  // declined
  ASSERT_EQ(plugin_prompts_.questions.size(), 1u);
  EXPECT_NE(plugin_prompts_.questions[0].find("'Page'"), std::string::npos);
  EXPECT_NE(plugin_prompts_.questions[0].find(page), std::string::npos);
  EXPECT_EQ(Launches(), 0u);

  plugin_prompts_.answer = true;
  Run(3);
  Run(4);
  EXPECT_EQ(launcher_.opened, std::vector<std::string>{page});
  EXPECT_EQ(launcher_.started, std::vector<std::string>{tool});
  EXPECT_TRUE(prompts.errors.empty());

  launcher_.result = false;  // nothing took it: the user is told
  Run(3);
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_EQ(prompts.errors[0], "Cannot open '" + page + "'.");
}

TEST_F(MultimediaTest, PresentationsRunThroughTheirModuleOnlyAsType1500) {
  const std::string root = Build("cd",
                                 std::string(kHeader) +
                                     "@presentation 7 OTHER Seven\n"
                                     "@presentation 9900 PROG Looks like a program\n"
                                     "@presentation 1000 INFO Looks like short information\n"
                                     "@presentation 1500 SLIDES Slides\n",
                                 {});
  const std::vector<TMediaEntry> e = Entries("MMED0001", root);
  ASSERT_EQ(e.size(), 4u);
  std::vector<std::string> calls;
  const TMultiMedia::RunContext context{nullptr, [&] { calls.push_back("save"); },
                                        [&] { calls.push_back("restore"); }};
  for (size_t i = 0; i < 3; ++i) multimedia_.Run(e[i], context);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(plugin_prompts_.reports.empty());
  EXPECT_TRUE(prompts.errors.empty());

  // No module is registered as SLIDES: the manager reports it; the window state comes back.
  multimedia_.Run(e[3], context);
  EXPECT_EQ(calls, (std::vector<std::string>{"save", "restore"}));
  ASSERT_EQ(plugin_prompts_.reports.size(), 1u);
  EXPECT_NE(plugin_prompts_.reports[0].find("not found"), std::string::npos)
      << plugin_prompts_.reports[0];
}

}  // namespace
}  // namespace quillmar
