#include "cli/text_commands.h"

#include <fstream>
#include <string_view>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/paths.h"
#include "cli/session.h"
#include "cli/stream_dumper.h"
#include "cli/table_writer.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "collection/text_info.h"
#include "text/davur_ured.h"
#include "text/link_table.h"
#include "text/paragraph_cutter.h"
#include "text/plain_text.h"

namespace quillmar::cli {

namespace {

std::string ReadWholeFile(const std::string& name) {
  const std::string path = ResolveExisting(name).value_or(name);
  std::ifstream in;
  if (!OpenForReading(in, path)) throw EInOutError(UnusableFileText(path));
  std::string bytes = ReadAll(in);
  if (in.bad()) throw EInOutError("cannot read '" + path + "'");
  return bytes;
}

// Plain rendering as UTF-8, each CR LF one "\n"; with `unicodeGreek` Greek in Unicode.
std::string PlainUtf8(std::string_view bytes, bool unicodeGreek) {
  const std::string text = PlainTextUtf8(bytes, unicodeGreek);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// The stream file of the layer of text n; raises when there is none.
std::string LayerFile(TTextInfo& info, int32_t n, int layer) {
  if (n > info.RecordCount()) throw Exception("no text " + std::to_string(n));
  info.Select(n);
  if (info.CurrentText() != n) throw Exception("no text " + std::to_string(n));
  const std::string file = layer == 1   ? info.GetLayer1DateiName()
                           : layer == 2 ? info.GetLayer2DateiName()
                                        : info.GetLayer3DateiName();
  if (file.empty())
    throw Exception("text " + std::to_string(n) + " has no layer " + std::to_string(layer));
  return file;
}

}  // namespace

int RunShow(const Arguments& args, const std::string& argv0, std::ostream& out) {
  if (args.collections.size() != 1) throw UsageError("show needs one --collection DIR");
  if (args.text == 0) throw UsageError("show needs --text N");
  if (!args.positional.empty())
    throw UsageError("unexpected argument '" + args.positional[0] + "'");
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  TTextInfo info(&catalog.Prompts());
  if (!info.Load(catalog.GetTextInfoFile(session.Selected().front()))) throw AlreadyReported{};
  const std::string bytes = ReadWholeFile(LayerFile(info, args.text, args.layer));
  if (args.plain) {
    out << PlainUtf8(bytes, args.unicode);
    return 0;
  }
  for (const auto& paragraph : ParagraphCutter::Split(bytes))
    out << "--- position " << paragraph.start << "\n"
        << PlainUtf8(paragraph.text, args.unicode) << "\n";
  return 0;
}

int RunDumpStream(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 1 || !args.collections.empty())
    throw UsageError("dump-stream needs exactly one FILE");
  const std::string bytes = ReadWholeFile(args.positional[0]);
  StreamDumper dumper(out);
  int damaged = 0;
  for (const auto& paragraph : ParagraphCutter::Split(bytes))
    if (!dumper.Paragraph(paragraph.text, paragraph.start)) ++damaged;
  if (damaged == 0) return 0;
  err << "quillmar: " << damaged << " paragraph(s) could not be decoded\n";
  return 1;
}

int RunXref(const Arguments& args, const std::string& argv0, std::ostream& out, std::ostream& err) {
  if (args.collections.size() != 1) throw UsageError("xref needs one --collection DIR");
  if (!args.positional.empty())
    throw UsageError("unexpected argument '" + args.positional[0] + "'");
  Session session(argv0, args.collections);
  auto& catalog = session.Catalog();
  const std::string cdid = session.Selected().front();
  TDavurUredInterface lookups;
  lookups.Rebuild(catalog);
  const TCDInfo cd(catalog.GetCDPath(cdid));
  const std::string table = Trim(cd.GetLinkTableFileName());
  TTextInfo info(&catalog.Prompts());
  if (!info.Load(catalog.GetTextInfoFile(cdid))) throw AlreadyReported{};
  TableWriter rows(out, args.format, {"text", "position", "key", "link", "target"}, args.header);
  int problems = 0;
  for (int32_t n = 1; n <= info.RecordCount(); ++n) {
    info.Select(n);
    if (info.CurrentText() != n || info.GetLayer1DateiName().empty()) continue;
    const std::string bytes = ReadWholeFile(info.GetLayer1DateiName());
    for (const auto& paragraph : ParagraphCutter::Split(bytes)) {
      const std::string key = TDavurUredInterface::ReferenceKeyOf(paragraph.text);
      if (key.empty()) continue;
      const std::optional<std::string> link = lookups.LinkText(cdid, key);
      std::optional<LinkTableEntry> target;
      if (link && !table.empty())
        target = LinkTable::FindInTable(JoinPath(cd.DataPath(), table), LinkTable::ParseKey(*link));
      const std::string place = target ? target->cdid + " " + std::to_string(target->textNr) + " " +
                                             std::to_string(target->layer) + " " +
                                             std::to_string(target->paragraph)
                                       : std::string();
      rows.Row({n, paragraph.start, key, link.value_or(""), place});
      if (!target) {
        ++problems;
        err << "quillmar: text " << n << ", position " << paragraph.start << ": key " << key
            << (link ? " leads to no link-table record" : " is not in a lookup file") << "\n";
      }
    }
  }
  return problems == 0 ? 0 : 1;
}

}  // namespace quillmar::cli
