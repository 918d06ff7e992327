#include "collection/tree_info.h"

#include <algorithm>
#include <string_view>

#include "base/bytes.h"
#include "base/errors.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "collection/ini_file.h"
#include "collection/text_info.h"

namespace quillmar {

namespace {

constexpr char kNameKey[] = "name";
constexpr char kNameDefault[] = "...";
constexpr char kTextsKey[] = "texts";

std::string Cut(std::string name) {
  if (name.size() > TTreeInfo::kNameCap) name.resize(TTreeInfo::kNameCap);
  return name;
}

// The blank-separated tokens of a "texts" value.
std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    const size_t start = i;
    while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ') ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

}  // namespace

TTreeInfo::TTreeInfo(TCalderwickData& catalog, const TTreeRecord& key)
    : catalog_(catalog), key_(key) {
  if (key_.CDID.empty()) {
    ListCDs();
    return;
  }
  if (catalog_.GetCDIndex(key_.CDID) >= 0) {
    const TCDInfo info(catalog_.GetCDPath(key_.CDID));
    version_ok_ = info.VersionOK(catalog_.VersionMajor(), catalog_.VersionMinor());
    minor_ = info.MinorVersion();
    major_ = info.MajorVersion();
  }
  if (!key_.Schema.empty())
    ListGroups();
  else if (key_.TextNo != 0)
    ListChapters();
  else
    ListTexts();
}

std::vector<int32_t> TTreeInfo::SectionPath(const std::string& section) {
  std::vector<int32_t> parts;
  const std::string_view name(section);
  size_t start = 0;
  while (parts.size() < static_cast<size_t>(kMaxSectionParts)) {
    const size_t dot = name.find('.', start);
    const std::string_view part =
        name.substr(start, dot == std::string_view::npos ? dot : dot - start);
    const bool digits = !part.empty() && std::all_of(part.begin(), part.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    const auto number = digits ? ParseInt32(part) : std::nullopt;
    if (!number) break;
    parts.push_back(*number);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return parts;
}

TreeChild TTreeInfo::Child(std::string name) const {
  TreeChild child;
  child.Name = Cut(std::move(name));
  child.VersionOK = version_ok_;
  child.MinorVersion = minor_;
  child.MajorVersion = major_;
  child.Key.CDID = key_.CDID;
  return child;
}

bool TTreeInfo::OpenCatalog(TTextInfo& info, const char* unknownCode) {
  if (catalog_.GetCDIndex(key_.CDID) < 0) RaiseInternalError(unknownCode);
  return info.Load(catalog_.GetTextInfoFile(key_.CDID));
}

void TTreeInfo::ListCDs() {
  catalog_.ScanCDs();
  for (const TCRrecord& cd : catalog_.CDs()) {
    const TCDInfo info(cd.Path);
    TreeChild child;
    child.Name = Cut(cd.Name);
    child.VersionOK = info.VersionOK(catalog_.VersionMajor(), catalog_.VersionMinor());
    child.MinorVersion = info.MinorVersion();
    child.MajorVersion = info.MajorVersion();
    child.Key.CDID = cd.CDID;
    child.Damage = cd.Damage;
    if (cd.Damage.empty()) child.Key.Schema = catalog_.GetCurrentSchema(cd.CDID);
    items_.push_back(std::move(child));
  }
}

void TTreeInfo::ListGroups() {
  const IniFile schema(key_.Schema);
  const std::vector<int32_t> parent = SectionPath(key_.Section);
  for (const std::string& section : schema.Sections()) {
    const std::vector<int32_t> path = SectionPath(section);
    if (path.size() != parent.size() + 1 || !std::equal(parent.begin(), parent.end(), path.begin()))
      continue;
    TreeChild child = Child(schema.ReadString(section, kNameKey, kNameDefault));
    child.Key.Schema = key_.Schema;
    child.Key.Section = section;
    items_.push_back(std::move(child));
  }
  if (key_.Section.empty()) return;

  const std::string texts = Trim(schema.ReadString(key_.Section, kTextsKey, ""));
  if (texts.empty()) return;
  TTextInfo info(&catalog_.Prompts());
  if (!OpenCatalog(info, "AD-TTI-LTBL-1")) return;
  const int32_t count = info.RecordCount();
  for (const std::string_view token : Tokens(texts)) {
    const auto number = ParseInt32(token);
    if (!number || *number < 1 || *number > count) continue;
    try {
      info.Select(*number);
    } catch (const InternalError&) {
      continue;  // a damaged record: the text counts as not present
    }
    if (info.CurrentText() != *number) continue;
    TreeChild child = Child(info.GetShortTextName());
    child.Key.TextNo = *number;
    items_.push_back(std::move(child));
  }
}

void TTreeInfo::ListTexts() {
  TTextInfo info(&catalog_.Prompts());
  if (!OpenCatalog(info, "AD-TTI-LT-1")) return;
  for (const TextTreeInfo& text : info.ListTexts()) {
    TreeChild child = Child(text.Name);
    child.Key.TextNo = text.TextNr;
    items_.push_back(std::move(child));
  }
}

void TTreeInfo::ListChapters() {
  TTextInfo info(&catalog_.Prompts());
  if (!OpenCatalog(info, "AD-TTI-LT-1")) return;
  // Text numbers and chapter levels are bytes in the catalog and the chapter files.
  auto isByte = [](int32_t v) { return v >= 0 && v <= 255; };
  if (key_.TextNo < 1 || key_.TextNo > 255) RaiseInternalError("TI-TTI-GSN-1");
  if (!isByte(key_.L1) || !isByte(key_.L2) || !isByte(key_.L3)) return;
  TextTreeInfo parent;
  parent.TextNr = static_cast<uint8_t>(key_.TextNo);
  parent.L1 = static_cast<uint8_t>(key_.L1);
  parent.L2 = static_cast<uint8_t>(key_.L2);
  parent.L3 = static_cast<uint8_t>(key_.L3);
  for (const TextTreeInfo& chapter : info.ListChapters(parent)) {
    const std::string& name = chapter.L3 != 0   ? chapter.Name3
                              : chapter.L2 != 0 ? chapter.Name2
                                                : chapter.Name1;
    TreeChild child = Child(name);
    child.Key.TextNo = key_.TextNo;
    child.Key.L1 = chapter.L1;
    child.Key.L2 = chapter.L2;
    child.Key.L3 = chapter.L3;
    child.Key.Position = chapter.Position;
    items_.push_back(std::move(child));
  }
}

}  // namespace quillmar
