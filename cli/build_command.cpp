#include "cli/build_command.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/paths.h"
#include "builder/build_collection.h"
#include "builder/source_parser.h"
#include "cli/import_command.h"
#include "cli/session.h"

namespace quillmar::cli {

namespace {

std::string ReadSource(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw EInOutError("cannot read '" + path + "'");
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw EInOutError("cannot read '" + path + "'");
  return text.str();
}

// The key source of --fuzzy MODULE: the module registered with the session's plug-in manager
// (its failures are reported on stderr). A module that gives no key for a plain word at some
// level stops the build before anything is written.
builder::FuzzyKeySource ModuleKeys(Session& session, const std::string& module) {
  const std::string path = Utf8Path(std::filesystem::absolute(FsPath(module)).lexically_normal());
  const std::string id = session.Plugins().RegisterModule(path);
  if (id.empty()) throw AlreadyReported{};
  const std::string libraryId = Utf8ToCp1252(id);
  TPlugInManager& manager = session.Plugins();
  for (int level = 1; level <= 4; ++level) {
    if (manager.Phoneme(libraryId, "Quillmar", level).empty())
      throw Exception("the module '" + module + "' (" + id + ") gives no phonetic key for level " +
                      std::to_string(level));
  }
  return {libraryId, [&manager, libraryId](const std::string& word, int level) {
            return manager.Phoneme(libraryId, word, level);
          }};
}

// A directory of its own under the system's temporary directory, removed with the object.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    const auto base = std::filesystem::temp_directory_path();
    for (int n = 0;; ++n) {
      path_ = base / ("quillmar-import-" + std::to_string(::getpid()) + "-" + std::to_string(n));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace

int RunBuild(const Arguments& args, const std::string& argv0, std::ostream& out) {
  if (args.positional.empty()) throw UsageError("build needs at least one source file");
  if (args.output.empty()) throw UsageError("build needs -o DIR");
  if (!args.collections.empty()) throw UsageError("build takes no --collection");

  std::vector<builder::SourceCollection> parts;
  std::optional<TemporaryDirectory> importedMedia;
  if (!args.from.empty()) {
    // The imported source is built as it is; its pictures wait in a directory of their own.
    const builder::ImportResult imported = ImportFiles(args.from, args, 0);
    out << imported.summary << "\n";
    parts.push_back(builder::ParseSource(imported.source, args.positional.front() + " (imported)"));
    importedMedia.emplace();
    CopyPictures(imported, importedMedia->Path());
  } else {
    for (const auto& source : args.positional)
      parts.push_back(builder::ParseSource(ReadSource(source), source));
  }
  builder::SourceCollection collection = builder::MergeSources(std::move(parts));

  std::unique_ptr<Session> session;
  builder::BuildOptions options;
  if (!args.fuzzyModule.empty()) {
    session =
        std::make_unique<Session>(argv0, std::vector<std::string>{}, Session::Settings::kPrivate);
    options.fuzzy = ModuleKeys(*session, args.fuzzyModule);
  }

  std::string sourceDir = DirectoryOf(args.positional.front());
  if (sourceDir.empty()) sourceDir = ".";
  const std::string media = importedMedia ? importedMedia->Path() : JoinPath(sourceDir, "media");
  const std::string id = collection.header.id;
  const size_t texts = collection.texts.size();
  const builder::IndexEntries entries =
      builder::BuildCollection(std::move(collection), args.output, media, options);

  out << id << ": " << texts << " texts, " << entries.size() << " indexed words";
  if (options.fuzzy) out << ", fuzzy lists of " << Cp1252ToUtf8(options.fuzzy->libraryId);
  out << " -> " << args.output << "\n";
  return 0;
}

}  // namespace quillmar::cli
