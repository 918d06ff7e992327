#include "plugins/plugin_manager.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/registry_keys.h"
#include "plugins/module_id_cache.h"
#include "plugins/plugin_abi.h"

namespace quillmar {

namespace fs = std::filesystem;
namespace abi = plugin_abi;

namespace {

constexpr LangText kNotFound{"Datei '%s' nicht gefunden.", "File '%s' not found."};
constexpr LangText kWrongFormat{"'%s' hat falsches Format.", "'%s' has wrong format."};
constexpr LangText kFunction{"Funktion '", "function '"};
constexpr LangText kEndError{"Fehler beim Beenden von '%s'.", "Error ending '%s'."};
constexpr LangText kRestart{"Zur Wiederherstellung Quillmar reader neu starten.",
                            "To restore modul, restart Quillmar reader."};
constexpr LangText kNewerReader{"Modul %s ID=%s erfordert eine neuere Version des Quillmar reader.",
                                "Modul %s ID=%s requires a newer version of the Quillmar reader."};
constexpr LangText kOrigin{"Herkunft des Moduls kann nicht bestimmt werden.",
                           "Origin of modul can't be detected."};
constexpr LangText kRestoration{"Wiederherstellung nicht möglich.", "Restoration impossible."};
constexpr LangText kAdditionalModule{"Ein zusätzliches Modul muß installiert werden.",
                                     "An additional modul has to be installed."};
constexpr LangText kInsertCD{"Legen Sie die CD '%s' ein.", "Insert the CD '%s'."};
constexpr LangText kErrorNumber{"Fehlernummer ", "error number "};
constexpr LangText kBadID{"'%s' hat keine gültige Modulkennung (ID=%s).",
                          "'%s' has no valid module ID (ID=%s)."};
constexpr LangText kCDUnknown{"Die Sammlung '%s' ist nicht verfügbar.",
                              "The collection '%s' is not available."};
constexpr LangText kInstallQuestion{
    "Die Sammlung '%s' bringt ein Zusatzmodul mit:\r\rDatei: %s\rID: %s\rVersion: %s\r\r"
    "Ein Modul ist ausführbarer Code. Installieren Sie es nur, wenn Sie der Sammlung vertrauen. "
    "Installieren?",
    "The collection '%s' brings an additional modul:\r\rFile: %s\rID: %s\rVersion: %s\r\r"
    "A modul is executable code. Install it only if you trust the collection. Install?"};
constexpr LangText kLoadQuestion{
    "Die Sammlung '%s' bringt das Zusatzmodul '%s' mit. Um seine Kennung und Version zu lesen, "
    "muss es geladen werden; dabei läuft sein Code im Quillmar reader. Prüfen Sie es nur, wenn Sie "
    "der Sammlung vertrauen. Modul prüfen?",
    "The collection '%s' brings the additional modul '%s'. Reading its ID and version means "
    "loading it, which runs its code in the Quillmar reader. Check it only if you trust the "
    "collection. Check the modul?"};
constexpr LangText kOwnDirectory{
    "Module aus Sammlungen werden nicht in das Programmverzeichnis '%s' installiert.",
    "Moduls from collections are not installed into the program's directory '%s'."};

constexpr size_t kMaxIDLength = 130;

enum SlotKind : size_t { kPhoneticSlot = 0, kShortInfoSlot = 1, kMultimediaSlot = 2 };
constexpr const char* kSlotExport[] = {abi::kExportPhonem, abi::kExportShowKurzInfo,
                                       abi::kExportRunMM};

bool IsAbsolute(const std::string& path) { return !path.empty() && FsPath(path).is_absolute(); }

bool RegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(FsPath(path), ec);
}

// A registered path the manager may load: absolute and an existing file.
bool Loadable(const std::string& path) { return IsAbsolute(path) && RegularFile(path); }

// File name endings of loadable modules on this platform.
// Whether two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b) {
  std::error_code ec;
  const auto size = fs::file_size(FsPath(a), ec);
  if (ec || size != fs::file_size(FsPath(b), ec) || ec) return false;
  std::ifstream first(FsPath(a), std::ios::binary);
  std::ifstream second(FsPath(b), std::ios::binary);
  std::array<char, 65536> x{};
  std::array<char, 65536> y{};
  while (first && second) {
    first.read(x.data(), x.size());
    second.read(y.data(), y.size());
    if (first.gcount() != second.gcount() ||
        !std::equal(x.begin(), x.begin() + first.gcount(), y.begin()))
      return false;
  }
  return first.eof() && second.eof();
}

bool HasModuleSuffix(const std::string& name) {
  const std::string lower = LowerAscii(name);
#if defined(_WIN32)
  return lower.ends_with(".dll");
#elif defined(__APPLE__)
  return lower.ends_with(".so") || lower.ends_with(".dylib");
#else
  return lower.ends_with(".so");
#endif
}

constexpr const char* kPlatformSuffix =
#if defined(_WIN32)
    ".dll";
#else
    ".so";
#endif

std::string PlugInKey(const std::string& id) {
  return std::string(keys::kPlugInRoot) + "\\" + Trim(id);
}

std::string NotFound(const std::string& path) { return Format(Tr(kNotFound), {path}); }
std::string WrongFormat(const std::string& path) { return Format(Tr(kWrongFormat), {path}); }
std::string WithRestart(const std::string& message) { return message + "\r" + Tr(kRestart); }

// A zero-filled buffer whose text is taken up to its first zero byte, the last byte forced to 0.
template <size_t N>
struct Buffer {
  std::array<char, N> bytes{};
  void Put(const std::string& text) {
    bytes.fill(0);
    std::memcpy(bytes.data(), text.data(), std::min(text.size(), N - 1));
  }
  std::string Text() {
    bytes[N - 1] = 0;
    return std::string(bytes.data());
  }
};

// The entry point's function type, from the address the library gave.
template <typename F>
F Entry(void* address) {
  F f = nullptr;
  static_assert(sizeof(f) == sizeof(address));
  std::memcpy(&f, &address, sizeof f);
  return f;
}

std::array<int64_t, 4> VersionParts(const std::string& text) {
  std::array<int64_t, 4> parts{};
  size_t begin = 0;
  for (size_t i = 0; i < parts.size() && begin <= text.size(); ++i) {
    const size_t end = std::min(text.find('.', begin), text.size());
    parts[i] = ParseInt32(std::string_view(text).substr(begin, end - begin)).value_or(0);
    begin = end + 1;
  }
  return parts;
}

}  // namespace

struct TPlugInManager::Slot {
  std::unique_ptr<DynamicLibrary> library;
  std::string id;  // the registered ID the module was loaded for
  std::string path;
  void* entry = nullptr;
};

struct TPlugInManager::Impl {
  using Reports = std::vector<std::string>;

  explicit Impl(Platform p) : platform(std::move(p)) {}

  Platform platform;
  TCalderwickData* catalog = nullptr;
  // Serialises every use of the slots and of temporarily loaded modules. Recursive, so that a
  // module that calls back into the reader on the same thread does not deadlock; `calling`
  // keeps such a call from unloading the module that is running.
  std::recursive_mutex mutex;
  std::array<Slot, 3> slots;
  int calling = 0;
  // A wanted module that make-sure-present just tried to install (library, CDID): the catalog's
  // following Load of the same module does not ask the user a second time.
  std::pair<std::string, std::string> tried;
  // Modules a slot could not use (slot, ID, registered path), reported once: a fuzzy query asks
  // for the key of every word, and one broken module would otherwise report once per word. The
  // list is forgotten when a registration changes and when the module list is read.
  std::set<std::tuple<size_t, std::string, std::string>> failed;

  void Report(const Reports& reports) {
    for (const auto& message : reports) platform.prompts.ErrorReport(message);
  }

  void Register(const std::string& id, const std::string& path, const std::string& cdid) {
    {
      std::lock_guard lock(mutex);
      failed.clear();
    }
    catalog->Settings().RegisterPlugIn(id, path, cdid);
  }

  std::string RegisteredPath(const std::string& id) {
    return catalog ? catalog->Settings().GetPlugInName(id) : std::string();
  }

  // --- with the mutex held ------------------------------------------------------------------

  bool UnloadSlot(Slot& slot, Reports& reports) {
    if (!slot.library) return true;
    if (calling > 0) return false;  // a module is running on this thread: keep it
    if (!slot.library->Unload()) {
      reports.push_back(Format(Tr(kEndError), {slot.path}));
      return false;
    }
    slot = Slot{};
    return true;
  }

  void UnloadAll(Reports& reports) {
    for (auto& slot : slots) UnloadSlot(slot, reports);
  }

  // Loads a module file for one call outside the slots. Empty path: nothing, no report.
  std::unique_ptr<DynamicLibrary> LoadTemporary(const std::string& path,
                                                const std::string& exportName, void*& entry,
                                                Reports& reports) {
    entry = nullptr;
    if (path.empty()) return nullptr;
    if (!Loadable(path)) {
      reports.push_back(NotFound(path));
      return nullptr;
    }
    auto library = platform.libraries.Load(path);
    if (!library) {
      reports.push_back(WrongFormat(path));
      return nullptr;
    }
    entry = library->Symbol(exportName);
    if (!entry) {
      reports.push_back(WrongFormat(path) + "\r" + Tr(kFunction) + exportName + "'");
      EndTemporary(*library, path, reports);
      return nullptr;
    }
    return library;
  }

  void EndTemporary(DynamicLibrary& library, const std::string& path, Reports& reports) {
    if (!library.Unload()) reports.push_back(Format(Tr(kEndError), {path}));
  }

  std::string ReadString(const std::string& path, const std::string& exportName, Reports& reports) {
    UnloadAll(reports);
    void* entry = nullptr;
    auto library = LoadTemporary(path, exportName, entry, reports);
    if (!library) return "";
    Buffer<abi::kStringBufferSize> buffer;
    ++calling;
    Entry<abi::StringFunction>(entry)(buffer.bytes.data());
    --calling;
    std::string text = buffer.Text();
    EndTemporary(*library, path, reports);
    return text;
  }

  bool CheckVersion(const std::string& path, Reports& reports) {
    UnloadAll(reports);
    void* entry = nullptr;
    auto library = LoadTemporary(path, abi::kExportVersionCheck, entry, reports);
    if (!library) return false;
    const int32_t major = catalog ? catalog->VersionMajor() : 0;
    const int32_t minor = catalog ? catalog->VersionMinor() : 0;
    ++calling;
    const bool accepted = Entry<abi::VersionCheckFunction>(entry)(minor, major) != 0;
    --calling;
    EndTemporary(*library, path, reports);
    return accepted;
  }

  // The entry point of the slot's export in the module registered as `id`, loading it when
  // needed; nullptr after a report.
  void* UseSlot(SlotKind kind, const std::string& id, Reports& reports) {
    Slot& slot = slots[kind];
    if (slot.library && !EqualsNoCaseAscii(Trim(slot.id), Trim(id))) UnloadAll(reports);
    if (slot.library) return slot.entry;
    const std::string path = RegisteredPath(id);
    const auto failure = std::make_tuple(static_cast<size_t>(kind), UpperAscii(Trim(id)), path);
    if (failed.count(failure)) return nullptr;  // reported before
    if (!Loadable(path)) {
      reports.push_back(WithRestart(NotFound(path)));
      failed.insert(failure);
      return nullptr;
    }
    auto library = platform.libraries.Load(path);
    void* entry = library ? library->Symbol(kSlotExport[kind]) : nullptr;
    if (!entry) {
      if (library && !library->Unload()) reports.push_back(Format(Tr(kEndError), {path}));
      reports.push_back(WithRestart(WrongFormat(path)));
      failed.insert(failure);
      return nullptr;
    }
    slot.library = std::move(library);
    slot.id = id;
    slot.path = path;
    slot.entry = entry;
    return entry;
  }
};

// --- construction -------------------------------------------------------------------------

TPlugInManager::TPlugInManager(Platform platform)
    : d_(std::make_unique<Impl>(std::move(platform))) {}

TPlugInManager::~TPlugInManager() {
  std::lock_guard lock(d_->mutex);
  for (auto& slot : d_->slots)
    if (slot.library) slot.library->Unload();
}

void TPlugInManager::Attach(TCalderwickData& catalog) {
  std::lock_guard lock(d_->mutex);
  d_->catalog = &catalog;
}

// --- reading module files -----------------------------------------------------------------

std::string TPlugInManager::ReadModuleString(const std::string& path,
                                             const std::string& exportName) {
  Impl::Reports reports;
  std::string text;
  {
    std::lock_guard lock(d_->mutex);
    text = d_->ReadString(path, exportName, reports);
  }
  d_->Report(reports);
  return text;
}

bool TPlugInManager::VersionCheck(const std::string& path) {
  Impl::Reports reports;
  bool accepted = false;
  {
    std::lock_guard lock(d_->mutex);
    accepted = d_->CheckVersion(path, reports);
  }
  d_->Report(reports);
  return accepted;
}

// --- registration -------------------------------------------------------------------------

std::string TPlugInManager::RegisterModule(const std::string& path) {
  if (!d_->catalog) return "";
  if (!IsAbsolute(path)) {
    d_->Report({NotFound(path)});
    return "";
  }
  const std::string file = Utf8Path(FsPath(path).lexically_normal());
  const std::string id = Trim(ReadModuleString(file, abi::kExportID));
  if (!ValidID(id)) {
    if (Loadable(file)) d_->Report({Format(Tr(kBadID), {file, Cp1252ToUtf8(id)})});
    return "";
  }
  const std::string key = Cp1252ToUtf8(id);
  d_->Register(key, file, "");
  return key;
}

bool TPlugInManager::UnregisterModule(const std::string& id) {
  if (!d_->catalog || Trim(id).empty()) return false;
  Impl::Reports reports;
  bool removed = false;
  {
    std::lock_guard lock(d_->mutex);
    d_->UnloadAll(reports);
    auto& reg = d_->catalog->Reg();
    if (reg.KeyExists(PlugInKey(id))) {
      reg.DeleteKey(PlugInKey(id));
      d_->failed.clear();
      removed = true;
    }
  }
  d_->Report(reports);
  return removed;
}

// --- the catalog's view -------------------------------------------------------------------

bool TPlugInManager::IsPresent(const std::string& name, const std::string& library) {
  d_->tried = {};
  if (!d_->catalog) return false;
  TCalderwickData& catalog = *d_->catalog;
  const std::string id = Cp1252ToUtf8(Trim(name));
  if (id.empty()) return false;
  const std::string path = catalog.Settings().GetPlugInName(id);
  const std::string cdid = catalog.Settings().GetPlugInCDID(id);
  // Not registered: the caller installs it from the collection that wants it.
  if (path.empty()) return false;
  if (Loadable(path)) return true;
  if (Trim(cdid).empty() || catalog.GetCDIndex(cdid) < 0) {
    d_->Report({std::string(Tr(kOrigin)) + " (ID=" + id + ")\r\r" + Tr(kRestoration)});
    return false;
  }
  // The copy is gone and its collection is known: install it again from there.
  while (!catalog.CDAvailable(cdid, false)) {
    const std::string question = std::string(Tr(kAdditionalModule)) + "\r\r" +
                                 Format(Tr(kInsertCD), {Cp1252ToUtf8(catalog.GetCDName(cdid))});
    if (!d_->platform.prompts.Question(question)) {
      d_->tried = {library, cdid};
      return false;
    }
    ClearPathCache();  // the user may have inserted the medium meanwhile
  }
  const std::string source = Trim(cdid);
  if (Install(library, source)) return true;
  d_->tried = {library, source};
  return false;
}

void TPlugInManager::Load(const std::string& library, const std::string& cdid) {
  if (Trim(cdid).empty()) {
    RegisterShippedModules();
    return;
  }
  if (!d_->tried.second.empty() && SameCDID(d_->tried.second, cdid) &&
      EqualsNoCaseAscii(d_->tried.first, library)) {
    d_->tried = {};
    return;
  }
  InstallFromCD(library, cdid);
}

void TPlugInManager::RegisterShippedModules() {
  if (!d_->catalog) return;
  const std::string dir = d_->platform.pluginDirectory;
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(FsPath(dir), ec)) return;
  std::vector<std::string> files;
  for (fs::directory_iterator it(FsPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8Path(it->path().filename());
    std::error_code fileEc;
    if (HasModuleSuffix(name) && it->is_regular_file(fileEc))
      files.push_back(Utf8Path(fs::absolute(it->path(), fileEc).lexically_normal()));
  }
  std::sort(files.begin(), files.end());
  auto& settings = d_->catalog->Settings();
  const std::string cacheDir = d_->catalog->Environment().cache_directory;
  ModuleIdCache ids(cacheDir.empty() ? "" : JoinPath(cacheDir, "shipped-modules.txt"));
  for (const auto& file : files) {
    std::string id;
    if (auto known = ids.Find(file)) {
      id = std::move(*known);
    } else {
      id = Trim(ReadModuleString(file, abi::kExportID));
      if (ValidID(id)) ids.Remember(file, id);
    }
    if (!ValidID(id)) continue;
    const std::string key = Cp1252ToUtf8(id);
    if (!Loadable(settings.GetPlugInName(key))) d_->Register(key, file, "");
  }
  ids.Save();
}

// --- installing from a collection ---------------------------------------------------------

void TPlugInManager::InstallFromCD(const std::string& library, const std::string& cdid) {
  Install(library, cdid);
}

bool TPlugInManager::Install(const std::string& library, const std::string& cdid) {
  if (!d_->catalog) return false;
  TCalderwickData& catalog = *d_->catalog;
  const std::string fileName = Cp1252ToUtf8(FileNameOf(library));
  if (catalog.GetCDIndex(cdid) < 0) {
    d_->Report({Format(Tr(kCDUnknown), {Trim(cdid)})});
    return false;
  }
  // 1.-2. The module file in the collection's "bin" directory, whatever the letter case; a
  // name with another platform's ending stands for this platform's module of the same name.
  const std::string binDir = JoinPath(catalog.GetCDPath(cdid), "bin");
  try {
    (void)JoinInside(binDir, fileName);  // a name leading outside "bin" is refused
  } catch (const EInOutError& e) {
    d_->Report({e.what()});
    return false;
  }
  std::string source;
  if (auto found = ResolveExisting(JoinPath(binDir, fileName)); found && RegularFile(*found)) {
    source = *found;
  } else if (const size_t dot = fileName.rfind('.'); dot != std::string::npos) {
    const std::string native = fileName.substr(0, dot) + kPlatformSuffix;
    if (auto other = ResolveExisting(JoinPath(binDir, native)); other && RegularFile(*other))
      source = *other;
  }
  if (source.empty()) {
    d_->Report({NotFound(NativeSeparators(JoinPath(binDir, fileName)))});
    return false;
  }
  source = Utf8Path(fs::absolute(FsPath(source)).lexically_normal());
  const std::string sourceName = Utf8Path(FsPath(source).filename());

  // The registered copy of the collection's own file is present as it is: nothing to load.
  for (const auto& other : catalog.Reg().SubKeys(keys::kPlugInRoot)) {
    const std::string path = catalog.Settings().GetPlugInName(other);
    if (Loadable(path) && SameContent(path, source)) return true;
  }
  // Reading the ID and version runs the module's code: only with the user's consent.
  if (!d_->platform.prompts.Question(
          Format(Tr(kLoadQuestion), {Cp1252ToUtf8(catalog.GetCDName(cdid)), sourceName})))
    return false;

  // 3.-4. Its identifier, then whether it accepts this reader.
  const std::string id = Trim(ReadModuleString(source, abi::kExportID));
  if (!ValidID(id)) {
    if (!id.empty()) d_->Report({Format(Tr(kBadID), {source, Cp1252ToUtf8(id)})});
    return false;
  }
  const std::string key = Cp1252ToUtf8(id);
  if (!VersionCheck(source)) {
    d_->Report({Format(Tr(kNewerReader), {sourceName, key})});
    return false;
  }

  // 5. A registered copy that exists is replaced only by a newer version.
  const std::string version = ReadModuleString(source, abi::kExportVersion);
  const std::string registered = catalog.Settings().GetPlugInName(key);
  if (Loadable(registered) &&
      !VersionNewer(version, ReadModuleString(registered, abi::kExportVersion)))
    return true;  // present in the same or a newer version

  // 6. Only with the user's consent: a module is code that runs in the reader.
  const std::string question =
      Format(Tr(kInstallQuestion),
             {Cp1252ToUtf8(catalog.GetCDName(cdid)), sourceName, key, Cp1252ToUtf8(version)});
  if (!d_->platform.prompts.Question(question)) return false;

  // 7. Copy into the per-user module directory (through a temporary file, so a reader never
  // sees half a module) and register the copy.
  std::string targetDir = d_->platform.userModuleDirectory;
  if (targetDir.empty()) targetDir = JoinPath(catalog.GetAppPath(), "modules");
  std::error_code ec;
  if (!d_->platform.pluginDirectory.empty() &&
      fs::equivalent(FsPath(targetDir), FsPath(d_->platform.pluginDirectory), ec)) {
    d_->Report({Format(Tr(kOwnDirectory), {targetDir})});
    return false;
  }
  fs::path target = FsPath(targetDir) / FsPath(sourceName);
  // Another module's copy of the same file name keeps its place: this one goes into a
  // directory of its collection.
  for (const auto& other : catalog.Reg().SubKeys(keys::kPlugInRoot)) {
    if (EqualsNoCaseAscii(Trim(other), Trim(key))) continue;
    if (catalog.Settings().GetPlugInName(other) == Utf8Path(target)) {
      target = FsPath(targetDir) / FsPath(Trim(cdid)) / FsPath(sourceName);
      break;
    }
  }
  Impl::Reports reports;
  bool copied = false;
  {
    std::lock_guard lock(d_->mutex);
    d_->UnloadAll(reports);  // the copy may replace a loaded file
    fs::create_directories(target.parent_path(), ec);
    fs::path temporary = target;
    temporary += ".part";
    if (!ec) fs::copy_file(FsPath(source), temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temporary, target, ec);
    if (ec) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      reports.push_back(std::string(Tr(kErrorNumber)) + std::to_string(ec.value()));
    } else {
      copied = true;
    }
  }
  d_->Report(reports);
  if (!copied) return false;
  d_->Register(key, Utf8Path(target), Trim(cdid));
  return true;
}

// --- calls through the slots --------------------------------------------------------------

std::string TPlugInManager::Phoneme(const std::string& libraryId, const std::string& word,
                                    int level) {
  const std::string id = Cp1252ToUtf8(Trim(libraryId));
  if (id.empty()) return "";
  Impl::Reports reports;
  std::string key;
  {
    std::lock_guard lock(d_->mutex);
    if (void* entry = d_->UseSlot(kPhoneticSlot, id, reports)) {
      Buffer<abi::kStringBufferSize> buffer;
      buffer.Put(word);
      ++d_->calling;
      Entry<abi::PhonemFunction>(entry)(buffer.bytes.data(), static_cast<int32_t>(level));
      --d_->calling;
      key = buffer.Text();
    }
  }
  d_->Report(reports);
  return key;
}

int32_t TPlugInManager::ShowShortInformation(const std::string& id, void* window,
                                             const void* record) {
  Impl::Reports reports;
  int32_t result = -1;
  {
    std::lock_guard lock(d_->mutex);
    if (void* entry = d_->UseSlot(kShortInfoSlot, Cp1252ToUtf8(Trim(id)), reports)) {
      ++d_->calling;
      result = Entry<abi::ShowKurzInfoFunction>(entry)(window, 0, record);
      --d_->calling;
    }
  }
  d_->Report(reports);
  return result;
}

int32_t TPlugInManager::RunMultimedia(const std::string& cdid, const std::string& moduleId) {
  if (!d_->catalog) return -1;
  TCalderwickData& catalog = *d_->catalog;
  if (catalog.GetCDIndex(cdid) < 0) {
    d_->Report({Format(Tr(kCDUnknown), {Trim(cdid)})});
    return -1;
  }
  const std::string mediaDir = JoinPath(StripTrailingSeparator(catalog.GetCDPath(cdid)), "media");
  const std::string programDir = StripTrailingSeparator(catalog.GetAppPath());
  Impl::Reports reports;
  int32_t result = -1;
  {
    std::lock_guard lock(d_->mutex);
    if (void* entry = d_->UseSlot(kMultimediaSlot, Cp1252ToUtf8(Trim(moduleId)), reports)) {
      Buffer<abi::kDirectoryBufferSize> media;
      Buffer<abi::kDirectoryBufferSize> program;
      media.Put(Utf8ToCp1252(NativeSeparators(mediaDir)));
      program.Put(Utf8ToCp1252(NativeSeparators(programDir)));
      ++d_->calling;
      result = Entry<abi::RunMMFunction>(entry)(0, media.bytes.data(), program.bytes.data());
      --d_->calling;
      media.Text();
      program.Text();
    }
  }
  d_->Report(reports);
  return result;
}

// --- the module list ----------------------------------------------------------------------

std::vector<ModuleInfo> TPlugInManager::ModuleList() {
  std::vector<ModuleInfo> rows;
  if (!d_->catalog) return rows;
  Impl::Reports reports;
  {
    std::lock_guard lock(d_->mutex);
    d_->UnloadAll(reports);
    d_->failed.clear();
    auto& settings = d_->catalog->Settings();
    d_->catalog->Reg().CreateKey(keys::kPlugInRoot);
    for (const auto& id : d_->catalog->Reg().SubKeys(keys::kPlugInRoot)) {
      ModuleInfo row;
      row.Location = settings.GetPlugInName(id);
      row.ID = id;
      // One report per module: the further strings are read only when the first one was.
      const size_t before = reports.size();
      const std::string moduleId = d_->ReadString(row.Location, abi::kExportID, reports);
      if (reports.size() == before && !row.Location.empty()) {
        if (!moduleId.empty()) row.ID = Cp1252ToUtf8(moduleId);
        row.Name = Cp1252ToUtf8(d_->ReadString(row.Location, abi::kExportName, reports));
        row.Version = Cp1252ToUtf8(d_->ReadString(row.Location, abi::kExportVersion, reports));
        row.Copyright = Cp1252ToUtf8(d_->ReadString(row.Location, abi::kExportCopyright, reports));
      }
      rows.push_back(std::move(row));
    }
  }
  d_->Report(reports);
  std::stable_sort(rows.begin(), rows.end(), [](const ModuleInfo& a, const ModuleInfo& b) {
    const std::string la = LowerAscii(a.Name), lb = LowerAscii(b.Name);
    return la != lb ? la < lb : LowerAscii(a.ID) < LowerAscii(b.ID);
  });
  return rows;
}

void TPlugInManager::UnloadAll() {
  Impl::Reports reports;
  {
    std::lock_guard lock(d_->mutex);
    d_->UnloadAll(reports);
  }
  d_->Report(reports);
}

// --- rules --------------------------------------------------------------------------------

bool TPlugInManager::VersionNewer(const std::string& candidate, const std::string& installed) {
  return VersionParts(candidate) > VersionParts(installed);
}

bool TPlugInManager::ValidID(const std::string& id) {
  if (id.empty() || id.size() > kMaxIDLength || Trim(id).empty()) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 && b != 0x7F && c != '\\' && c != '/';
  });
}

}  // namespace quillmar
