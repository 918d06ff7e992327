#include "cli/catalog_commands.h"

#include <filesystem>
#include <system_error>

#include "base/codepage.h"
#include "base/paths.h"
#include "cli/session.h"
#include "cli/table_writer.h"
#include "collection/cd_info.h"
#include "collection/text_info.h"
#include "plugins/multimedia.h"

namespace quillmar::cli {

namespace {

std::string U(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }

std::string Version(int32_t major, int32_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

void NeedOneCollection(const Arguments& args) {
  if (args.collections.size() != 1) throw UsageError(args.command + " needs one --collection DIR");
  if (!args.positional.empty())
    throw UsageError("unexpected argument '" + args.positional[0] + "'");
}

}  // namespace

int RunCollections(const Arguments& args, const std::string& argv0, std::ostream& out) {
  if (!args.positional.empty())
    throw UsageError("unexpected argument '" + args.positional[0] + "'");
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  if (args.collections.empty()) catalog.ScanCDs();
  TableWriter table(out, args.format, {"cdid", "name", "path", "version", "available"},
                    args.header);
  for (const auto& cd : catalog.CDs()) {
    table.Row({cd.CDID, U(cd.Name), StripTrailingSeparator(cd.Path),
               Version(cd.MajorVersion, cd.MinorVersion),
               Cell::Boolean(catalog.CDAvailable(cd.CDID, false))});
  }
  return 0;
}

int RunRegister(const Arguments& args, const std::string& argv0, std::ostream& out) {
  if (args.positional.size() != 1 || !args.collections.empty())
    throw UsageError("register needs exactly one directory");
  Session session(argv0, {});
  auto& catalog = session.Catalog();
  // The settings keep the path for every later start, from any working directory.
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(FsPath(args.positional[0]), ec);
  const std::string dir = ec ? args.positional[0] : Utf8Path(absolute.lexically_normal());
  if (!catalog.AnnounceDirectory(dir)) return 1;
  const auto& cd = catalog.CDs().back();
  out << "registered " << cd.CDID << " (" << U(cd.Name) << ") at "
      << StripTrailingSeparator(cd.Path) << "\n";
  return 0;
}

int RunTexts(const Arguments& args, const std::string& argv0, std::ostream& out) {
  NeedOneCollection(args);
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  TTextInfo info(&catalog.Prompts());
  if (!info.Load(catalog.GetTextInfoFile(session.Selected().front()))) throw AlreadyReported{};
  TableWriter table(out, args.format, {"number", "name"}, args.header);
  for (int32_t n = 1; n <= info.RecordCount(); ++n) {
    info.Select(n);
    if (info.CurrentText() != n) continue;  // an empty slot
    table.Row({n, U(info.GetLongTextName())});
  }
  return 0;
}

int RunInfo(const Arguments& args, const std::string& argv0, std::ostream& out) {
  NeedOneCollection(args);
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  const std::string cdid = session.Selected().front();
  const TCDInfo info(catalog.GetCDPath(cdid));
  TableWriter table(out, args.format, {"field", "value"}, args.header);
  table.Row({"identifier", cdid});
  table.Row({"title", U(info.Name())});
  table.Row({"required-version", Version(info.MajorVersion(), info.MinorVersion())});
  table.Row({"copyright", U(info.Copyright())});
  table.Row({"no-date-marker", info.GetNoDateMarker()});
  table.Row({"year-offset", info.GetYearOffset()});
  const std::pair<const char*, std::string> properties[] = {
      {"text-catalog", info.GetTextInfoFileName()}, {"bibliography", info.GetLiFileName()},
      {"reference-work", info.GetWbFileName()},     {"multimedia-index", info.GetKiFileName()},
      {"setup-program", info.GetSetupFileName()},   {"about-text", info.GetAboutFileName()},
      {"link-table", info.GetLinkTableFileName()},  {"fuzzy-library", info.GetFSLibraryID()}};
  for (const auto& [name, value] : properties)
    if (!value.empty()) table.Row({name, U(value)});
  for (const auto& schema : info.GetSchemas()) table.Row({"schema", U(schema)});
  for (const auto& p : info.PlugIns())
    table.Row({"plug-in", U(p.Name) + " (" + U(p.Library) + ")"});
  for (const auto& m : info.Media4())
    table.Row({"media", std::to_string(m.Number) + " " + U(m.Text) + " [" + U(m.Code) + "]"});
  for (const auto& m : info.Media5()) table.Row({"media", U(m.Text) + " [" + U(m.Code) + "]"});
  for (const auto& l : info.Links())
    table.Row({"linked-file", U(l.Title) + ": " + U(l.FileName) + " " + U(l.Third)});
  return 0;
}

int RunMedia(const Arguments& args, const std::string& argv0, std::ostream& out) {
  NeedOneCollection(args);
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  const std::string cdid = session.Selected().front();
  const std::string mediaDir = JoinPath(catalog.GetCDPath(cdid), "media");
  TableWriter table(out, args.format, {"index", "type", "caption", "target"}, args.header);
  const std::vector<TMediaEntry> entries = ReadMediaEntries(catalog, cdid);
  for (size_t i = 0; i < entries.size(); ++i) {
    const TMediaEntry entry = WithMediaPaths(entries[i], mediaDir);
    // What the entry runs: the module, the program, or the files of the short information.
    std::string target;
    if (entry.FromPresentationList) {
      target = U(entry.ModuleID);
    } else if (entry.Type == kMediaProgram) {
      target = entry.ProgramPath;  // a native path already
    } else {
      for (const TShortInfoPart& part : entry.Parts())
        for (const std::string* file : {&part.First, &part.Second})
          if (!file->empty()) target += (target.empty() ? "" : "; ") + U(*file);
    }
    table.Row({i, entry.Type, U(entry.Caption), target});
  }
  return 0;
}

}  // namespace quillmar::cli
