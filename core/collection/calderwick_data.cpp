#include "collection/calderwick_data.h"

#include <filesystem>
#include <fstream>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/cd_info.h"
#include "collection/fixed_record_file.h"
#include "collection/not_found.h"
#include "collection/registry_keys.h"
#include "collection/text_info.h"

namespace quillmar {

namespace {

constexpr char kAnnounceFile[] = "announce.txt";
constexpr char kDownloadDir[] = "Download";
constexpr LangText kCannotCreateDirectory{"Das Verzeichnis '%s' kann nicht angelegt werden.",
                                          "Cannot create the directory '%s'."};
constexpr char kMultimediaLibrary[] = "mmpi10.dll";
constexpr char kKRVTMarker[] = "bin/mauninst.exe";

constexpr LangText kNotValidDirectory{"Der Pfad '%s' verweist auf kein gültiges Datenverzeichnis.",
                                      "The path '%s' is not a valid data directory."};
constexpr LangText kNoWholeRecord{
    "'%s' enthält keinen vollständigen Datensatz (die Datei ist leer oder abgeschnitten).",
    "'%s' holds no whole record (the file is empty or cut short)."};
constexpr LangText kNoTextCatalog{"'%s' nennt keinen Textkatalog.", "'%s' names no text catalog."};
constexpr LangText kDamagedCollection{"Die Sammlung '%s' in '%s' kann nicht benutzt werden.",
                                      "The collection '%s' in '%s' cannot be used."};
constexpr LangText kCDNotAvailable{"Diese Operation bezieht sich auf eine nicht verfügbare CD-ROM.",
                                   "This operation requires a currently non available CD-ROM."};

std::string WithSeparator(const std::string& directory) {
  std::string out = StripTrailingSeparator(directory);
  if (out.empty() || (out.back() != '/' && out.back() != '\\')) out.push_back(kNativeSeparator);
  return out;
}

// "<CD>" + sep + "data" + sep + name: how stored paths name a file in a collection's data
// directory, independent of where the collection lives now.
std::string CDDataPlaceholder(const std::string& name) {
  return JoinPath(JoinPath("<CD>", "data"), name);
}

bool IsKRVT(const std::string& cdid) { return SameCDID(cdid, kKRVT0001); }

// What is wrong with a file of fixed-size records; empty when nothing is. With `needsRecord` a
// file without a whole record is damaged too.
std::string RecordFileDamage(const std::string& path, size_t recordSize, bool needsRecord) {
  if (!IsRegularFile(path)) return UnusableFileText(path);
  const std::optional<int64_t> count = FixedRecordFile(path, recordSize).TryCount();
  if (!count) return UnusableFileText(path);
  if (needsRecord && *count == 0) return Format(Tr(kNoWholeRecord), {path});
  return {};
}

}  // namespace

std::string CollectionDamage(const std::string& root) {
  const TCDInfo info(root);
  const std::string meta = ResolvePath(JoinPath(JoinPath(info.Path(), "ID"), "metainfo.dat"));
  if (!info.IsKRVT()) {
    // Without its header record the metadata names neither the title nor the text catalog.
    if (std::string damage = RecordFileDamage(meta, TCDInfo::kRecordSize, true); !damage.empty())
      return damage;
  }
  const std::string name = Trim(info.GetTextInfoFileName());
  if (name.empty()) return Format(Tr(kNoTextCatalog), {meta});
  std::string catalog;
  try {
    catalog = ResolvePath(JoinInside(info.DataPath(), name));
  } catch (const EInOutError& e) {
    return e.what();
  }
  // An empty text catalog is a collection without texts, not a damaged one.
  return RecordFileDamage(catalog, TTextInfo::kRecordSize, false);
}

std::string DamagedCollectionText(const TCRrecord& cd) {
  const std::string name = Trim(cd.Name).empty() ? Trim(cd.CDID) : Cp1252ToUtf8(cd.Name);
  return Format(Tr(kDamagedCollection), {name, StripTrailingSeparator(cd.Path)}) + "\n" + cd.Damage;
}

TCalderwickData::TCalderwickData(Platform platform)
    : reg_(platform.registry),
      drives_(platform.drives),
      prompts_(platform.prompts),
      plugins_(platform.plugins),
      env_(std::move(platform.environment)),
      settings_(reg_, env_) {
  settings_.OnUCFontWritten([this](bool set) { ucfont_set_ = set; });
  ucfont_set_ = !settings_.GetUCFont().empty();
}

void TCalderwickData::StartUp() {
  settings_.WriteApplication(env_.executable_path);
  SetCurrentLanguage(settings_.GetLanguage());
  plugins_.Load(kMultimediaLibrary, "");
}

std::string TCalderwickData::CDKey(const std::string& cdid) {
  return std::string(keys::kCDRoot) + "\\" + Trim(cdid);
}

// --- scanning -------------------------------------------------------------------------------

bool TCalderwickData::Probe(const std::string& directory, TCRrecord& record) const {
  const std::string root = StripTrailingSeparator(directory);
  if (root.empty()) return false;
  // The first identity file whose name makes a usable identifier: one that is empty or holds a
  // key separator would address the wrong settings key.
  for (const auto& file : ListFiles(JoinPath(root, "id"), ".hid")) {
    const std::string cdid = Trim(file.substr(0, std::min<size_t>(file.size() - 4, 8)));
    if (cdid.empty() || cdid.find_first_of("/\\") != std::string::npos) continue;
    record = TCRrecord{};
    record.CDID = cdid;
    record.Path = WithSeparator(root);
    const TCDInfo info(root);
    record.Name = info.Name();
    record.MinorVersion = info.MinorVersion();
    record.MajorVersion = info.MajorVersion();
    return true;
  }
  if (FileExists(JoinPath(root, kKRVTMarker))) {
    record = TCRrecord{};
    record.CDID = kKRVT0001;
    record.Path = WithSeparator(root);
    record.Name = kKRVTTitle;
    record.MinorVersion = 0;
    record.MajorVersion = 1;
    return true;
  }
  return false;
}

void TCalderwickData::WriteSchemaKey(const std::string& cdid,
                                     const std::vector<std::string>& schemas) {
  const std::string key = CDKey(cdid) + "\\" + keys::kSchemaKey;
  for (size_t i = 0; i < schemas.size(); ++i)
    reg_.WriteString(key, std::to_string(i), CDDataPlaceholder(Cp1252ToUtf8(schemas[i])));
  reg_.WriteString(key, keys::kSchemaCurrent, "0");
}

void TCalderwickData::Register(size_t index, bool localDrive) {
  TCRrecord& cd = cds_[index];
  const std::string key = CDKey(cd.CDID);
  std::vector<std::string> schemas;
  if (IsKRVT(cd.CDID)) {
    cd.Name = kKRVTTitle;
    cd.MinorVersion = 0;
    cd.MajorVersion = 1;
  } else {
    const TCDInfo info(cd.Path);
    cd.Name = info.Name();
    cd.MinorVersion = info.MinorVersion();
    cd.MajorVersion = info.MajorVersion();
    schemas = info.GetSchemas();
  }
  // A collection is registered whole or not at all, in one save.
  reg_.WriteTogether([&] {
    reg_.WriteString(key, keys::kCDPath, cd.Path);
    reg_.WriteString(key, keys::kCDName, Cp1252ToUtf8(cd.Name));
    reg_.WriteBool(key, keys::kCDLocal, localDrive);
    if (!schemas.empty()) WriteSchemaKey(cd.CDID, schemas);
  });
}

std::vector<std::string> TCalderwickData::ScanDrives() {
  std::vector<std::string> drives = drives_.OpticalDrivesWithMedium();
  const std::string extra = settings_.GetCDROMDrive();
  if (extra.empty()) return drives;
#ifdef _WIN32
  // A drive letter: only its first character counts.
  const std::string letter = UpperAscii(extra.substr(0, 1)) + ":";
  bool known = false;
  for (const auto& d : drives)
    known = known || EqualsNoCaseAscii(d.substr(0, 1), extra.substr(0, 1));
  if (!known) drives.push_back(letter);
#else
  // Elsewhere the setting names a directory (a mount point or a copy of a CD).
  const std::string dir = StripTrailingSeparator(extra);
  bool known = false;
  for (const auto& d : drives) known = known || StripTrailingSeparator(d) == dir;
  if (!known) drives.push_back(dir);
#endif
  return drives;
}

bool TCalderwickData::AnnounceDirectory(const std::string& directory) {
  TCRrecord record;
  if (!Probe(directory, record)) {
    prompts_.ShowError(Format(Tr(kNotValidDirectory), {directory}));
    return false;
  }
  // Registered, a collection that cannot be read would only come back greyed on every start.
  record.Damage = CollectionDamage(record.Path);
  if (!record.Damage.empty()) {
    prompts_.ShowError(DamagedCollectionText(record));
    return false;
  }
  cds_.push_back(record);
  Register(cds_.size() - 1, false);
  if (!IsRegistered(record.CDID)) registered_.push_back(Trim(record.CDID));
  // Without this, a collection known only through its announcement would search dates without
  // its year offset and fuzzy words without its fuzzy-search files until the next scan.
  Complete(cds_.back());
  return true;
}

void TCalderwickData::ReadAnnouncement() {
  const std::string file = JoinPath(GetAppPath(), kAnnounceFile);
  std::string line;
  {
    std::lock_guard lock(announce_lock_);
    if (!FileExists(file)) return;
    const std::string real = ResolvePath(file);
    {
      std::ifstream in;
      if (OpenForReading(in, real)) std::getline(in, line);
    }
    std::error_code ec;
    std::filesystem::remove(FsPath(real), ec);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!line.empty()) AnnounceDirectory(line);
}

void TCalderwickData::TakeBackRegistered() {
  for (const auto& name : reg_.SubKeys(keys::kCDRoot)) {
    const std::string cdid = UpperAscii(Trim(name));
    const std::string key = CDKey(name);
    const auto local = reg_.ReadBool(key, keys::kCDLocal);
    if (!local || *local || GetCDIndex(cdid) >= 0) continue;
    TCRrecord cd;
    cd.CDID = cdid;
    cd.Name = Utf8ToCp1252(reg_.ReadString(key, keys::kCDName).value_or(""));
    cd.Path = reg_.ReadString(key, keys::kCDPath).value_or("");
    if (IsKRVT(cdid)) {
      cd.MajorVersion = 1;
    } else {
      const TCDInfo info(cd.Path);
      cd.MinorVersion = info.MinorVersion();
      cd.MajorVersion = info.MajorVersion();
    }
    cds_.push_back(cd);
  }
}

void TCalderwickData::EnsureFSKey(const std::string& cdid, const std::string& fsId) {
  const std::string key = CDKey(cdid) + "\\" + keys::kFSKey;
  for (int level = 1; level <= 4; ++level) {
    const std::string n = std::to_string(level);
    reg_.ReadStringDef(key, n + "a", CDDataPlaceholder("s" + n + "wl.dat"));
    reg_.ReadStringDef(key, n + "b", CDDataPlaceholder("s" + n + "lnk.dat"));
  }
  reg_.ReadStringDef(key, keys::kFSID, Cp1252ToUtf8(fsId));
}

void TCalderwickData::ScanCDs() {
  // 1. The registered collections.
  reg_.CreateKey(keys::kCDRoot);
  registered_ = reg_.SubKeys(keys::kCDRoot);

  // 2.-5. Collections in optical drives; new ones are registered as drive collections.
  cds_.clear();
  for (const auto& drive : ScanDrives()) {
    TCRrecord record;
    if (Probe(drive, record)) cds_.push_back(record);
  }
  for (size_t i = 0; i < cds_.size(); ++i)
    if (!IsRegistered(cds_[i].CDID)) Register(i, true);

  // 6. A directory that an installer announced.
  ReadAnnouncement();

  // 7. Registered hard-disk collections not found so far.
  TakeBackRegistered();

  // 8.-11. Per collection: wanted plug-ins, fuzzy-search files, date markers, tree schemas.
  for (auto& cd : cds_) Complete(cd);
}

void TCalderwickData::Complete(TCRrecord& cd) {
  // A damaged collection asks for no plug-in and gets no keys: it cannot be read anyway.
  cd.Damage = Present(cd) ? CollectionDamage(cd.Path) : std::string();
  if (!cd.Damage.empty()) return;
  const TCDInfo info(cd.Path);
  for (const auto& plugin : info.PlugIns())
    if (!plugins_.IsPresent(plugin.Name, plugin.Library)) plugins_.Load(plugin.Library, cd.CDID);
  if (const std::string fsId = info.GetFSLibraryID(); !fsId.empty()) EnsureFSKey(cd.CDID, fsId);
  cd.NoDateMarker = info.GetNoDateMarker();
  cd.YearOffset = info.GetYearOffset();
  if (GetCurrentSchema(cd.CDID).empty()) {
    if (const auto schemas = info.GetSchemas(); !schemas.empty()) WriteSchemaKey(cd.CDID, schemas);
  }
}

// --- lookups --------------------------------------------------------------------------------

int TCalderwickData::GetCDIndex(const std::string& cdid) const {
  for (size_t i = 0; i < cds_.size(); ++i)
    if (SameCDID(cds_[i].CDID, cdid)) return static_cast<int>(i);
  return -1;
}

std::string TCalderwickData::GetCDPath(const std::string& cdid) const {
  const int i = GetCDIndex(cdid);
  if (i < 0) RaiseInternalError("AD-TPD-CDP-1");
  return StripTrailingSeparator(cds_[static_cast<size_t>(i)].Path);
}

std::string TCalderwickData::GetCDName(const std::string& cdid) {
  const int i = GetCDIndex(cdid);
  if (i >= 0) return cds_[static_cast<size_t>(i)].Name;
  return Utf8ToCp1252(reg_.ReadString(CDKey(cdid), keys::kCDName).value_or(""));
}

bool TCalderwickData::IsRegistered(const std::string& cdid) const {
  for (const auto& name : registered_)
    if (SameCDID(name, cdid)) return true;
  return false;
}

std::string TCalderwickData::GetCurrentSchema(const std::string& cdid) {
  const int i = GetCDIndex(cdid);
  if (i < 0) RaiseInternalError("AD-TPD-GCS-1");
  const std::string key = CDKey(cdid) + "\\" + keys::kSchemaKey;
  if (!reg_.KeyExists(key)) return "";
  const std::string current = reg_.ReadString(key, keys::kSchemaCurrent).value_or("");
  std::string value = current.empty() ? "" : reg_.ReadString(key, current).value_or("");
  if (value.empty()) {
    value = reg_.ReadString(key, "0").value_or("");
    reg_.WriteString(key, keys::kSchemaCurrent, "0");
  }
  if (value.empty()) return "";
  return NativeSeparators(ReplaceFirst(value, "<CD>", GetCDPath(cdid)));
}

std::string TCalderwickData::GetFSFile(const std::string& cdid, int level, char kind,
                                       const char* badLevel, const char* unknownCD) {
  if (level < 1 || level > 4) RaiseInternalError(badLevel);
  if (GetCDIndex(cdid) < 0) RaiseInternalError(unknownCD);
  const std::string key = CDKey(cdid) + "\\" + keys::kFSKey;
  const std::string name = std::to_string(level) + kind;
  const auto value = reg_.ReadString(key, name);
  if (!value) return "";
  std::string path = ReplaceFirst(*value, "<CD>", GetCDPath(cdid));
  if (path.find("<APP>") != std::string::npos) path = ReplaceFirst(path, "<APP>", GetAppPath());
  if (!FileExists(path)) return "";
  return ResolvePath(path);
}

std::string TCalderwickData::GetFSWordFile(const std::string& cdid, int level) {
  return GetFSFile(cdid, level, 'a', "AD-TPD-GFWF-1", "AD-TPD-GFWF-2");
}

std::string TCalderwickData::GetFSLinkFile(const std::string& cdid, int level) {
  return GetFSFile(cdid, level, 'b', "AD-TPD-GFLF-1", "AD-TPD-GFLF-2");
}

std::string TCalderwickData::GetFSID(const std::string& cdid) {
  return Utf8ToCp1252(reg_.ReadString(CDKey(cdid) + "\\" + keys::kFSKey, keys::kFSID).value_or(""));
}

std::string TCalderwickData::GetTextInfoFile(const std::string& cdid) const {
  const TCDInfo info(GetCDPath(cdid));
  return ResolvePath(JoinInside(info.DataPath(), info.GetTextInfoFileName()));
}

std::string TCalderwickData::GetTextName(const std::string& cdid, int32_t textNo) {
  if (GetCDIndex(cdid) < 0) RaiseInternalError("AD-TPD-GNA-1");
  TTextInfo info(&prompts_);
  if (!info.Load(GetTextInfoFile(cdid)) || textNo < 1 || textNo > info.RecordCount())
    RaiseInternalError("AD-TPD-GNA-2");
  info.Select(textNo);
  if (info.CurrentText() != textNo) RaiseInternalError("AD-TPD-GNA-2");
  return info.GetLongTextName();
}

std::string TCalderwickData::AuxFile(const std::string& cdid, const char* krvtName,
                                     CDInfoGetter property, bool inDataDirectory) {
  if (IsKRVT(cdid)) return JoinPath(GetAppPath(), krvtName);
  if (GetCDIndex(cdid) < 0) return "";
  const std::string root = GetCDPath(cdid);
  const TCDInfo info(root);
  const std::string name = (info.*property)();
  if (name.empty()) return "";
  return JoinInside(inDataDirectory ? info.DataPath() : root, name);
}

std::string TCalderwickData::GetLiFile(const std::string& cdid) {
  return AuxFile(cdid, "kv1li.dat", &TCDInfo::GetLiFileName, true);
}
std::string TCalderwickData::GetWbFile(const std::string& cdid) {
  return AuxFile(cdid, "kv1wb.dat", &TCDInfo::GetWbFileName, true);
}
std::string TCalderwickData::GetKiFile(const std::string& cdid) {
  return AuxFile(cdid, "kv1ki.dat", &TCDInfo::GetKiFileName, true);
}
std::string TCalderwickData::GetAbFile(const std::string& cdid) {
  return AuxFile(cdid, "kv1ab.dat", &TCDInfo::GetAboutFileName, false);
}

bool TCalderwickData::CDAvailable(const std::string& cdid, bool ask) {
  const int i = GetCDIndex(cdid);
  if (i < 0) {
    std::string message = Tr(kCDNotAvailable);
    if (const std::string name = GetCDName(cdid); !name.empty())
      message += "\r\r'" + Cp1252ToUtf8(name) + "'";
    prompts_.ShowError(message);
    return false;
  }
  const TCRrecord& cd = cds_[static_cast<size_t>(i)];
  for (;;) {
    if (Present(cd)) return true;
    if (!ask) return false;
    if (TNotFoundForm::ShowCDNotFound(prompts_, cd.Name, StripTrailingSeparator(cd.Path)) !=
        PromptResult::kRetry)
      return false;
    ClearPathCache();  // the user may have inserted the medium meanwhile
  }
}

bool TCalderwickData::CDUsable(const std::string& cdid, bool ask) {
  if (!CDAvailable(cdid, ask)) return false;
  TCRrecord& cd = cds_[static_cast<size_t>(GetCDIndex(cdid))];
  cd.Damage = CollectionDamage(cd.Path);
  if (cd.Damage.empty()) return true;
  if (ask) prompts_.ShowError(DamagedCollectionText(cd));
  return false;
}

bool TCalderwickData::Present(const TCRrecord& cd) {
  const std::string root = StripTrailingSeparator(cd.Path);
  return FileExists(IsKRVT(cd.CDID) ? JoinPath(root, kKRVTMarker)
                                    : JoinPath(JoinPath(root, "ID"), Trim(cd.CDID) + ".hid"));
}

std::string TCalderwickData::GetDownloadDir() {
  const std::string dir = JoinPath(GetAppPath(), kDownloadDir);
  std::error_code ec;
  std::filesystem::create_directories(FsPath(dir), ec);
  if (!std::filesystem::is_directory(FsPath(dir), ec))
    throw EInOutError(Format(Tr(kCannotCreateDirectory), {dir}));
  return dir;
}

}  // namespace quillmar
