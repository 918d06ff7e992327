#include "plugins/multimedia.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "plugins/plugin_manager.h"
#include "system/plugin_prompts.h"
#include "system/program_launcher.h"

namespace quillmar {
namespace {

constexpr LangText kFileNotFound{"Datei '%s' nicht gefunden.", "File '%s' not found."};
constexpr LangText kOutsideMedia{
    "'%s' liegt nicht im Medienverzeichnis der Sammlung und wird nicht geöffnet.",
    "'%s' is not inside the collection's media directory and is not opened."};
constexpr LangText kConfirmOpen{
    "Der Eintrag '%s' öffnet die Datei\r%s\r\rNur Programme aus vertrauenswürdigen Sammlungen "
    "öffnen. Fortfahren?",
    "The entry '%s' opens the file\r%s\r\rOnly open programs of collections you trust. "
    "Continue?"};
constexpr LangText kCannotOpen{"'%s' kann nicht geöffnet werden.", "Cannot open '%s'."};

// The short-information module that shows type-1000 entries.
constexpr char kShortInfoModule[] = "10001";
constexpr char kMediaDirectory[] = "media";

std::string MediaDirectoryOf(const TCalderwickData& catalog, const std::string& cdid) {
  if (catalog.GetCDIndex(cdid) < 0) return "";
  return JoinPath(catalog.GetCDPath(cdid), kMediaDirectory);
}

// True when `path`, with every symbolic link and "." or ".." resolved, lies inside `directory`
// (resolved the same way).
bool InsideDirectory(const std::string& path, const std::string& directory) {
  namespace fs = std::filesystem;
  if (directory.empty()) return false;
  std::error_code error;
  const fs::path root = fs::weakly_canonical(FsPath(ResolvePath(directory)), error);
  if (error) return false;
  const fs::path target = fs::weakly_canonical(FsPath(path), error);
  if (error) return false;
  const fs::path relative = target.lexically_relative(root);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

#ifdef _WIN32
// Windows starts programs by their extension; everything else is a document.
bool IsExecutableFile(const std::string& path) {
  std::string extension = Utf8Path(FsPath(path).extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".exe" || extension == ".com";
}
#else
bool IsExecutableFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(FsPath(path), error);
  if (error || !fs::is_regular_file(status)) return false;
  constexpr fs::perms kAnyExec =
      fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  return (status.permissions() & kAnyExec) != fs::perms::none;
}
#endif

// Runs a function when the scope ends, also when an exception leaves it.
template <typename F>
class AtScopeEnd {
 public:
  explicit AtScopeEnd(F f) : f_(std::move(f)) {}
  ~AtScopeEnd() { f_(); }
  AtScopeEnd(const AtScopeEnd&) = delete;
  AtScopeEnd& operator=(const AtScopeEnd&) = delete;

 private:
  F f_;
};

}  // namespace

TMultiMedia::TMultiMedia(Platform platform) : platform_(platform) {}

void TMultiMedia::SetCD(const std::string& cdid) {
  std::lock_guard guard(lock_);
  cdid_ = cdid;
  entries_ = ReadMediaEntries(platform_.catalog, cdid);
}

void TMultiMedia::SetMediaDir(const std::string& path) {
  std::lock_guard guard(lock_);
  media_dir_ = StripTrailingSeparator(path);
}

int TMultiMedia::Count() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(entries_.size());
}

TMediaEntry TMultiMedia::GetEntry(int i) const {
  std::lock_guard guard(lock_);
  if (i < 0 || static_cast<size_t>(i) >= entries_.size()) RaiseInternalError("MM-GI-1");
  return WithMediaPaths(entries_[static_cast<size_t>(i)], media_dir_);
}

void TMultiMedia::Run(const TMediaEntry& entry, const RunContext& context) {
  if (entry.FromPresentationList && entry.Type != kMediaPresentation) return;
  switch (entry.Type) {
    case kMediaShortInfo:
      platform_.plugins.ShowShortInformation(kShortInfoModule, context.window,
                                             entry.ShortInfo.data());
      return;
    case kMediaPresentation: {
      if (context.saveWindowState) context.saveWindowState();
      const AtScopeEnd restore([&context] {
        if (context.restoreWindowState) context.restoreWindowState();
      });
      platform_.plugins.RunMultimedia(entry.CDID, entry.ModuleID);
      return;
    }
    case kMediaProgram:
      RunProgram(entry);
      return;
    default:
      return;
  }
}

void TMultiMedia::RunProgram(const TMediaEntry& entry) {
  UserPrompts& prompts = platform_.catalog.Prompts();
  const std::string path = ResolvePath(entry.ProgramPath);
  if (entry.ProgramPath.empty() || !FileExists(path)) {
    prompts.ShowError(Format(Tr(kFileNotFound), {path}));
    return;
  }
  const std::string mediaDir = MediaDirectoryOf(platform_.catalog, entry.CDID);
  if (!InsideDirectory(path, mediaDir)) {
    prompts.ShowError(Format(Tr(kOutsideMedia), {path}));
    return;
  }
  // Start what was checked: the file itself, not a link that could be changed meanwhile.
  std::error_code error;
  const std::string target = Utf8Path(std::filesystem::weakly_canonical(FsPath(path), error));
  if (error) {
    prompts.ShowError(Format(Tr(kCannotOpen), {path}));
    return;
  }
  if (!platform_.prompts.Question(Format(Tr(kConfirmOpen), {Cp1252ToUtf8(entry.Caption), target})))
    return;
  const bool started = IsExecutableFile(target) ? platform_.launcher.StartDetached(target)
                                                : platform_.launcher.OpenDocument(target);
  if (!started) prompts.ShowError(Format(Tr(kCannotOpen), {target}));
}

}  // namespace quillmar
