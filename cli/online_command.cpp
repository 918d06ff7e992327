#include "cli/online_command.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/language.h"
#include "cli/module_http_client.h"
#include "cli/session.h"
#include "cli/table_writer.h"
#include "online/file_download.h"
#include "online/inet_info.h"
#include "online/online_service.h"
#include "platform/app_paths.h"

namespace quillmar::cli {

namespace {

std::string U(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }

// Runs one download to its end. Reports a failure on `err`.
bool Download(const std::string& target, const HttpRequest& request, const std::string& argv0,
              std::ostream& err) {
  ModuleHttpClient client(NetworkModulePath(argv0));
  FileDownload download(client);
  std::optional<DownloadResult> result;
  FileDownload::Events events;
  events.finished = [&](const DownloadResult& r) { result = r; };
  download.Start(target, request, events);
  client.RunPending();
  if (!result) result = DownloadResult{false, false, "the transfer ended without a report"};
  if (!result->ok) {
    err << "quillmar: " << Tr(kDownloadFailed) << " " << request.url << ": " << result->error
        << "\n";
    return false;
  }
  return true;
}

// The listed entries of the stored list; a withdrawn list is reported on `err`.
int PrintOffers(TCalderwickData& catalog, const Arguments& args, std::ostream& out,
                std::ostream& err) {
  const OfferList offers = ListOffers(RemoteListFile(catalog), CurrentListingContext(catalog));
  if (offers.notice) err << "quillmar: " << Tr(kServiceNoticeText) << "\n";
  TableWriter table(out, args.format, {"id", "kind", "major", "minor", "cdid", "caption", "target"},
                    args.header);
  for (const TINetInfoRecord& r : offers.entries)
    table.Row({r.Id, r.Kind, r.Major, r.Minor, U(r.CDID), U(r.Caption), U(r.Target)});
  return 0;
}

bool IsDocument(int32_t kind) {
  return kind == kDocument || kind == kReaderDocument || kind == kCollectionDocument;
}

}  // namespace

int RunOnline(const Arguments& args, const std::string& argv0, std::ostream& out,
              std::ostream& err) {
  if (!args.collections.empty())
    throw UsageError("online works on the installed collections, not on --collection");
  const std::string action = args.positional.empty() ? "" : args.positional[0];
  if (action != "refresh" && action != "list" && action != "get")
    throw UsageError(action.empty()
                         ? "online needs refresh, list or get"
                         : "unknown online action '" + action + "' (refresh, list or get)");
  if (!args.url.empty() && action != "refresh") throw UsageError("--url is for online refresh");
  const size_t wanted = action == "get" ? 2 : 1;
  if (args.positional.size() != wanted)
    throw UsageError(action == "get" ? "online get needs exactly one entry id"
                                     : "unexpected argument '" + args.positional[1] + "'");
  Session session(argv0, {});
  TCalderwickData& catalog = session.Catalog();
  catalog.ScanCDs();  // collection entries are listed for installed collections only

  if (action == "refresh") {
    const std::string url = args.url.empty() ? catalog.Settings().GetOnline() : args.url;
    if (!Download(RemoteListFile(catalog), OnlineRequest(catalog, url, false), argv0, err))
      return 1;
    return PrintOffers(catalog, args, out, err);
  }
  if (action == "list") return PrintOffers(catalog, args, out, err);

  const std::optional<int32_t> id = ParseInt32(args.positional[1]);
  if (!id) throw UsageError("online get needs a number, not '" + args.positional[1] + "'");
  const OfferList offers = ListOffers(RemoteListFile(catalog), CurrentListingContext(catalog));
  const TINetInfoRecord* entry = nullptr;
  for (const TINetInfoRecord& r : offers.entries)
    if (r.Id == *id) entry = &r;
  if (!entry) {
    err << "quillmar: the online list has no entry " << *id << "\n";
    return 1;
  }
  if (!IsDocument(entry->Kind)) {
    err << "quillmar: entry " << *id << " is no document (kind " << entry->Kind << ")\n";
    return 1;
  }
  const std::string file = EntryFile(catalog, entry->Id, false);
  if (!std::filesystem::exists(file)) {
    const std::string address = WebAddress(U(entry->Target));
    if (address.empty()) {
      err << "quillmar: entry " << *id << " names no http or https address: " << U(entry->Target)
          << "\n";
      return 1;
    }
    if (!Download(file, OnlineRequest(catalog, address, false), argv0, err)) return 1;
  }
  out << file << "\n";
  return 0;
}

}  // namespace quillmar::cli
