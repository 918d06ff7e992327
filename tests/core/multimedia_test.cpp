#include "plugins/multimedia.h"

#include <gtest/gtest.h>

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

// The launcher and the plug-in prompts, recording what they are asked, and a library loader that
// loads nothing.
class FakeSystem : public ProgramLauncher, public PlugInPrompts, public DynamicLibraries {
 public:
  bool StartDetached(const std::string& program) override {
    started.push_back(program);
    return launches;
  }
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return launches;
  }
  bool Question(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
  void ErrorReport(const std::string& message) override { reports.push_back(message); }
  std::unique_ptr<DynamicLibrary> Load(const std::string&) override { return nullptr; }

  bool launches = true, answer = false;
  std::vector<std::string> started, opened, questions, reports;
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
  // A collection MMED0001 whose metadata holds, after its header, these records.
  std::string Forged(std::initializer_list<std::vector<uint8_t>> records) {
    test::CollectionSpec layout;
    layout.cdid = "MMED0001";
    const std::string root = test::WriteCollection(dir.Sub("cd"), layout);
    std::vector<uint8_t> meta = test::MetaHeader("Media", "MMED0001", 0, 0);
    for (const auto& record : records) meta.insert(meta.end(), record.begin(), record.end());
    test::WriteFile(JoinPath(root, "id/metainfo.dat"), meta);
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

  FakeSystem system_;
  TPlugInManager manager_{{system_, system_, "", ""}};
  TMultiMedia multimedia_{{*catalog, manager_, system_, system_}};
};

constexpr char kHeader[] = "@collection MMED0001\n@title Media\n";

// Entries in list order, their media paths, and which of them run.
TEST_F(MultimediaTest, BuiltCollectionListsShortInfoThenPresentationsThenPrograms) {
  const std::string root = Build("cd",
                                 std::string(kHeader) +
                                     "@program page.html A page\n"
                                     "@presentation 1500 SLIDES Slides\n"
                                     "@shortinfo About\n"
                                     "@part a.txt | b.png | One \\| two\n"
                                     "@part c.html\n"
                                     "@shortinfo Nothing to show\n"
                                     "@presentation 9900 OTHER Looks like a program\n",
                                 {"a.txt", "b.png", "c.html", "page.html"});
  const std::string media = JoinPath(root, "media");
  const std::vector<TMediaEntry> e = Entries("MMED0001", root);
  std::vector<std::string> listed;
  for (const TMediaEntry& entry : e)
    listed.push_back(std::to_string(entry.Type) + " " + entry.Caption + " " + entry.ModuleID +
                     entry.ProgramPath);
  EXPECT_EQ(listed,
            (std::vector<std::string>{"1000 About ", "1000 Nothing to show ", "1500 Slides SLIDES",
                                      "9900 Looks like a program OTHER",
                                      "9900 A page " + JoinPath(media, "page.html")}));
  EXPECT_TRUE(FileExists(JoinPath(media, "b.png")));

  // Parts name files in the media directory; an empty second name stays empty.
  const std::vector<TShortInfoPart> parts = e.at(0).Parts();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].First + parts[0].Second + parts[0].Third,
            JoinPath(media, "a.txt") + JoinPath(media, "b.png") + "One | two");
  EXPECT_EQ(parts[1].First + "|" + parts[1].Second, JoinPath(media, "c.html") + "|");
  EXPECT_TRUE(e[1].Parts().empty());
  EXPECT_EQ(test::InternalCode([&] { multimedia_.GetEntry(5); }), "MM-GI-1");
  EXPECT_EQ(test::InternalCode([&] { multimedia_.GetEntry(-1); }), "MM-GI-1");

  // A presentation runs only as type 1500; with no module registered the manager reports it,
  // and the window state comes back.
  std::vector<std::string> calls;
  const TMultiMedia::RunContext context{nullptr, [&] { calls.push_back("save"); },
                                        [&] { calls.push_back("restore"); }};
  multimedia_.Run(e[3], context);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(system_.reports.empty());
  EXPECT_TRUE(prompts.errors.empty());
  multimedia_.Run(e[2], context);
  EXPECT_EQ(calls, (std::vector<std::string>{"save", "restore"}));
  ASSERT_EQ(system_.reports.size(), 1u);
  EXPECT_NE(system_.reports[0].find("not found"), std::string::npos);
}

TEST_F(MultimediaTest, NoSourcesNoEntriesAndDamagedShortInfoIsClamped) {
  std::string root = Forged({});
  EXPECT_TRUE(Entries("MMED0001", root).empty());
  EXPECT_TRUE(Entries("NONE0001", root).empty());

  root = Forged({test::MetaProperty('h', "k.dat")});
  // Length bytes beyond their fields: caption 255 (field 80), first string 200 (field 128).
  std::string record(kShortInfoRecordSize, 'x');
  record[0] = static_cast<char>(255);
  record[kShortInfoPartsOffset] = static_cast<char>(200);
  const std::string escape =
      "\x0d"
      "a/..\\..\\x.txt";  // a second name leaving media/
  record.replace(kShortInfoPartsOffset + kShortInfoStringSize, escape.size(), escape);
  record[kShortInfoPartsOffset + 2 * kShortInfoStringSize] = static_cast<char>(129);
  record[kShortInfoPartsOffset + kShortInfoPartSize] = 0;  // the second part ends the list
  test::WriteFile(JoinPath(root, "data/k.dat"), record + std::string(100, 'y'));

  const std::vector<TMediaEntry> e = Entries("MMED0001", root);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].Caption, std::string(80, 'x'));
  EXPECT_EQ(e[0].ShortInfo[0], 80);  // the module sees clamped lengths too
  EXPECT_EQ(e[0].ShortInfo[kShortInfoPartsOffset + 2 * kShortInfoStringSize], 128);
  const std::vector<TShortInfoPart> parts = e[0].Parts();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].First.size(), kShortInfoStringBytes);  // the media path, cut to the field
  EXPECT_EQ(parts[0].First.rfind(JoinPath(root, "media"), 0), 0u);
  EXPECT_EQ(parts[0].Second, "");
  EXPECT_EQ(parts[0].Third, std::string(128, 'x'));

  test::WriteFile(JoinPath(root, "data/k.dat"), record.substr(0, 3000));
  EXPECT_TRUE(Entries("MMED0001", root).empty());
}

#ifndef _WIN32  // symbolic links, execute bits, and documents opened rather than started
TEST_F(MultimediaTest, ProgramsRunOnlyInsideMediaAndAfterConsent) {
  const std::string root =
      Forged({test::MetaMedia5("Missing", "gone.html"),
              test::MetaMedia5("Escape", "..\\secret.txt"), test::MetaMedia5("Link", "link.html"),
              test::MetaMedia5("Page", "Page.html"), test::MetaMedia5("Tool", "tool.sh")});
  test::WriteFile(JoinPath(root, "secret.txt"), "outside");
  test::WriteFile(JoinPath(root, "media/page.html"), "<p>");
  test::WriteFile(JoinPath(root, "media/tool.sh"), "#!/bin/sh\n");
  fs::permissions(JoinPath(root, "media/tool.sh"), fs::perms::owner_exec, fs::perm_options::add);
  fs::create_symlink(JoinPath(root, "secret.txt"), JoinPath(root, "media/link.html"));
  const std::vector<TMediaEntry> entries = Entries("MMED0001", root);
  const auto Run = [&](size_t i) { multimedia_.Run(entries.at(i), {}); };

  ASSERT_EQ(entries.size(), 5u);
  for (size_t i : {0, 1, 2}) Run(i);  // missing; ..\secret.txt; a link to secret.txt
  ASSERT_EQ(prompts.errors.size(), 3u);
  EXPECT_EQ(prompts.errors[0], "File '" + JoinPath(root, "media/gone.html") + "' not found.");
  for (size_t i : {1, 2})
    EXPECT_NE(prompts.errors[i].find("is not inside the collection's media directory"),
              std::string::npos)
        << prompts.errors[i];
  EXPECT_TRUE(system_.questions.empty());

  const std::string page = fs::weakly_canonical(JoinPath(root, "media/page.html")).string();
  const std::string tool = fs::weakly_canonical(JoinPath(root, "media/tool.sh")).string();
  Run(3);  // declined
  ASSERT_EQ(system_.questions.size(), 1u);
  EXPECT_NE(system_.questions[0].find("'Page'"), std::string::npos);
  EXPECT_NE(system_.questions[0].find(page), std::string::npos);
  EXPECT_EQ(system_.started.size() + system_.opened.size(), 0u);

  system_.answer = true;
  Run(3);
  Run(4);
  EXPECT_EQ(system_.opened, std::vector<std::string>{page});
  EXPECT_EQ(system_.started, std::vector<std::string>{tool});
  system_.launches = false;  // nothing took it: the user is told
  Run(3);
  EXPECT_EQ(prompts.errors.back(), "Cannot open '" + page + "'.");
}

#endif  // _WIN32

}  // namespace
}  // namespace quillmar
