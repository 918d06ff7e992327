#include "collection/settings_store.h"

#include <charconv>

#include "base/bytes.h"
#include "base/language.h"
#include "base/paths.h"
#include "collection/registry_keys.h"

namespace quillmar {

namespace {

// Value names of the common key.
constexpr char kPath[] = "Path";
constexpr char kLanguage[] = "language";
constexpr char kCDROMDrive[] = "CDROMDrive";
constexpr char kProxyServer[] = "ProxyServer";
constexpr char kPort[] = "Port";
constexpr char kOnline[] = "Online";
constexpr char kApplication[] = "Application";

// Value names of the version key's options.
constexpr char kBorderWidth[] = "BorderWidth";
constexpr char kParaBlank[] = "ParaBlank";
constexpr char kLineSpacing[] = "LineSpacing";
constexpr char kSLQ[] = "SLQ";
constexpr char kTBVisible[] = "TBVisible";
constexpr char kBlocksatz[] = "Blocksatz";
constexpr char kUCFont[] = "UCFont";
constexpr char kSmartLinks[] = "smrtlnk2";
constexpr char kFont[] = "Font";
constexpr char kFontSize[] = "FontSize";
constexpr char kLinkColor[] = "LinkColor";
constexpr char kBackColor[] = "BackColor";
constexpr char kRelations[] = "Relations";
constexpr char kNavWinSize[] = "NavWinSize";
constexpr char kPBorders[] = "PBorders";
constexpr char kResultDocFormat[] = "ResultDocFormat";

constexpr char kPlugInName[] = "Name";
constexpr char kPlugInCDID[] = "CDID";

std::string PlugInKey(const std::string& id) {
  return std::string(keys::kPlugInRoot) + "\\" + Trim(id);
}

template <size_t N>
std::array<int32_t, N> ToArray(const std::vector<int32_t>& v) {
  std::array<int32_t, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = v[i];
  return out;
}

}  // namespace

SettingsStore::SettingsStore(RegistryAccess& reg, const AppEnvironment& env)
    : reg_(reg), env_(env) {}

std::string SettingsStore::VersionKey() const {
  return std::string(keys::kReaderRoot) + "\\" + std::to_string(env_.version_major) + "." +
         std::to_string(env_.version_minor);
}

std::string SettingsStore::VersionOptionsKey() const { return VersionKey() + "\\Options"; }

// A setting of the common key with the old-key fallback: a value missing from the common key
// is taken from the older key (which gets the default when it lacks it too) and copied over.
std::string SettingsStore::ReadCommonString(const char* name, const std::string& def) {
  if (auto v = reg_.ReadString(keys::kOptions, name)) return *v;
  const std::string value = reg_.ReadStringDef(keys::kOldOptions, name, def);
  reg_.WriteString(keys::kOptions, name, value);
  return value;
}

int32_t SettingsStore::ReadCommonInteger(const char* name, int32_t def) {
  if (auto v = reg_.ReadInteger(keys::kOptions, name)) return *v;
  const int32_t value = reg_.ReadIntegerDef(keys::kOldOptions, name, def);
  reg_.WriteInteger(keys::kOptions, name, value);
  return value;
}

std::string SettingsStore::GetPath() {
  const bool fallback = !reg_.ValueExists(keys::kOptions, kPath);
  std::string path =
      StripTrailingSeparator(ReadCommonString(kPath, env_.default_program_directory));
  if (fallback) SetPath(path);
  return path;
}

void SettingsStore::SetPath(const std::string& path) {
  reg_.WriteString(keys::kOptions, kPath, path);
  reg_.WriteString(keys::kOldOptions, kPath, path);
}

int SettingsStore::GetLanguage() {
  return NormalizeLanguage(ReadCommonInteger(kLanguage, kEnglish));
}

void SettingsStore::SetLanguage(int language) {
  reg_.WriteInteger(keys::kOptions, kLanguage, language);
}

std::string SettingsStore::GetCDROMDrive() { return ReadCommonString(kCDROMDrive, ""); }
void SettingsStore::SetCDROMDrive(const std::string& drive) {
  reg_.WriteString(keys::kOptions, kCDROMDrive, drive);
}
std::string SettingsStore::GetProxyServer() { return ReadCommonString(kProxyServer, ""); }
void SettingsStore::SetProxyServer(const std::string& host) {
  reg_.WriteString(keys::kOptions, kProxyServer, host);
}
int32_t SettingsStore::GetPort() { return ReadCommonInteger(kPort, 0); }
void SettingsStore::SetPort(int32_t port) { reg_.WriteInteger(keys::kOptions, kPort, port); }

std::string SettingsStore::GetOnline() {
  return reg_.ReadStringDef(keys::kOptions, kOnline, kDefaultOnline);
}
void SettingsStore::SetOnline(const std::string& url) {
  reg_.WriteString(keys::kOptions, kOnline, url);
}

void SettingsStore::WriteApplication(const std::string& executable) {
  reg_.WriteString(keys::kOptions, kApplication, executable);
  reg_.WriteString(keys::kOldOptions, kApplication, executable);
}

std::string SettingsStore::GetHelpFile() {
  return JoinPath(GetPath(), GetLanguage() == kGerman ? "rhelp_d.hlp" : "rhelp_e.hlp");
}

std::string SettingsStore::ReadOptionString(const char* name, const std::string& def) {
  return reg_.ReadStringDef(VersionOptionsKey(), name, def);
}
int32_t SettingsStore::ReadOptionInteger(const char* name, int32_t def) {
  return reg_.ReadIntegerDef(VersionOptionsKey(), name, def);
}
bool SettingsStore::ReadOptionBool(const char* name, bool def) {
  return reg_.ReadBoolDef(VersionOptionsKey(), name, def);
}

int32_t SettingsStore::GetBorderWidth() { return ReadOptionInteger(kBorderWidth, 60); }
void SettingsStore::SetBorderWidth(int32_t v) {
  reg_.WriteInteger(VersionOptionsKey(), kBorderWidth, v);
}
int32_t SettingsStore::GetParaBlank() { return ReadOptionInteger(kParaBlank, 3); }
void SettingsStore::SetParaBlank(int32_t v) {
  reg_.WriteInteger(VersionOptionsKey(), kParaBlank, v);
}
int32_t SettingsStore::GetLineSpacing() { return ReadOptionInteger(kLineSpacing, 5); }
void SettingsStore::SetLineSpacing(int32_t v) {
  reg_.WriteInteger(VersionOptionsKey(), kLineSpacing, v);
}
bool SettingsStore::GetSLQ() { return ReadOptionBool(kSLQ, false); }
void SettingsStore::SetSLQ(bool on) { reg_.WriteBool(VersionOptionsKey(), kSLQ, on); }
bool SettingsStore::GetTBVisible() { return ReadOptionBool(kTBVisible, true); }
void SettingsStore::SetTBVisible(bool on) { reg_.WriteBool(VersionOptionsKey(), kTBVisible, on); }
bool SettingsStore::GetBlocksatz() { return ReadOptionBool(kBlocksatz, true); }
void SettingsStore::SetBlocksatz(bool on) { reg_.WriteBool(VersionOptionsKey(), kBlocksatz, on); }
std::string SettingsStore::GetUCFont() { return ReadOptionString(kUCFont, ""); }
void SettingsStore::SetUCFont(const std::string& face) {
  reg_.WriteString(VersionOptionsKey(), kUCFont, face);
  if (on_ucfont_) on_ucfont_(!face.empty());
}
bool SettingsStore::GetSmartLinks() { return ReadOptionBool(kSmartLinks, false); }
void SettingsStore::SetSmartLinks(bool on) { reg_.WriteBool(VersionOptionsKey(), kSmartLinks, on); }
std::string SettingsStore::GetFont() { return ReadOptionString(kFont, "Times New Roman"); }
void SettingsStore::SetFont(const std::string& face) {
  reg_.WriteString(VersionOptionsKey(), kFont, face);
}
int32_t SettingsStore::GetFontSize() { return ReadOptionInteger(kFontSize, 15); }
void SettingsStore::SetFontSize(int32_t v) { reg_.WriteInteger(VersionOptionsKey(), kFontSize, v); }
int32_t SettingsStore::GetLinkColor() { return ReadOptionInteger(kLinkColor, kDefaultLinkColor); }
void SettingsStore::SetLinkColor(int32_t v) {
  reg_.WriteInteger(VersionOptionsKey(), kLinkColor, v);
}
int32_t SettingsStore::GetBackColor() { return ReadOptionInteger(kBackColor, kDefaultBackColor); }
void SettingsStore::SetBackColor(int32_t v) {
  reg_.WriteInteger(VersionOptionsKey(), kBackColor, v);
}

std::vector<int32_t> SettingsStore::ParseIntList(const std::string& text, size_t count,
                                                 int32_t fill) {
  std::vector<int32_t> out(count, fill);
  size_t pos = 0;
  for (size_t i = 0; i < count; ++i) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size()) break;
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    int32_t value = 0;
    auto [stop, ec] = std::from_chars(text.data() + pos, text.data() + end, value);
    if (ec == std::errc() && stop == text.data() + end) out[i] = value;
    pos = end;
  }
  return out;
}

std::string SettingsStore::FormatIntList(const std::vector<int32_t>& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out.push_back(' ');
    out += std::to_string(values[i]);
  }
  return out;
}

std::vector<int32_t> SettingsStore::ReadOptionList(const char* name, const char* def, size_t count,
                                                   int32_t fill) {
  return ParseIntList(ReadOptionString(name, def), count, fill);
}

void SettingsStore::WriteOptionList(const char* name, const std::vector<int32_t>& values) {
  reg_.WriteString(VersionOptionsKey(), name, FormatIntList(values));
}

std::array<int32_t, SettingsStore::kFontCount> SettingsStore::GetRelations() {
  return ToArray<kFontCount>(ReadOptionList(kRelations, kDefaultRelations, kFontCount, 100));
}
void SettingsStore::SetRelations(const std::array<int32_t, kFontCount>& percent) {
  WriteOptionList(kRelations, {percent.begin(), percent.end()});
}

std::array<int32_t, 2> SettingsStore::GetNavWinSize() {
  return ToArray<2>(ReadOptionList(kNavWinSize, "0 0", 2, 0));
}
void SettingsStore::SetNavWinSize(const std::array<int32_t, 2>& size) {
  WriteOptionList(kNavWinSize, {size.begin(), size.end()});
}

std::array<int32_t, 4> SettingsStore::GetPBorders() {
  const auto s = ReadOptionList(kPBorders, "10 10 10 10", 4, 10);
  return {s[0], s[1], s[3], s[2]};
}
void SettingsStore::SetPBorders(const std::array<int32_t, 4>& b) {
  WriteOptionList(kPBorders, {b[0], b[1], b[3], b[2]});
}

std::array<bool, 7> SettingsStore::GetResultDocFormat() {
  const auto s = ReadOptionList(kResultDocFormat, "0 0 0 0 1 1 1", 7, 0);
  std::array<bool, 7> on{};
  for (size_t i = 0; i < on.size(); ++i) on[i] = s[i] == 0;
  return on;
}
void SettingsStore::SetResultDocFormat(const std::array<bool, 7>& flags) {
  std::vector<int32_t> s;
  for (bool on : flags) s.push_back(on ? 0 : 1);
  WriteOptionList(kResultDocFormat, s);
}

void SettingsStore::RegisterPlugIn(const std::string& id, const std::string& name,
                                   const std::string& cdid) {
  reg_.WriteString(PlugInKey(id), kPlugInName, name);
  reg_.WriteString(PlugInKey(id), kPlugInCDID, cdid);
}

std::string SettingsStore::GetPlugInName(const std::string& id) {
  return reg_.ReadString(PlugInKey(id), kPlugInName).value_or("");
}

std::string SettingsStore::GetPlugInCDID(const std::string& id) {
  return reg_.ReadString(PlugInKey(id), kPlugInCDID).value_or("");
}

std::vector<std::string> SettingsStore::ListPlugIns() {
  reg_.CreateKey(keys::kPlugInRoot);
  std::vector<std::string> names;
  for (const auto& id : reg_.SubKeys(keys::kPlugInRoot)) names.push_back(GetPlugInName(id));
  return names;
}

}  // namespace quillmar
