#include "online/online_service.h"

#include "base/bytes.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"

namespace quillmar {

std::vector<std::string> InstalledCDs(const TCalderwickData& catalog) {
  std::vector<std::string> ids;
  for (const TCRrecord& cd : catalog.CDs()) ids.push_back(cd.CDID);
  return ids;
}

ListingContext CurrentListingContext(const TCalderwickData& catalog) {
  return {catalog.VersionMajor(), catalog.VersionMinor(), InstalledCDs(catalog), OleToday()};
}

std::string RemoteListFile(TCalderwickData& catalog) {
  return JoinPath(catalog.GetDownloadDir(), kRemoteListFile);
}

std::string EntryFile(TCalderwickData& catalog, int32_t id, bool installer) {
  return JoinPath(catalog.GetDownloadDir(), EntryFileName(id, installer));
}

HttpRequest OnlineRequest(TCalderwickData& catalog, const std::string& url, bool automatic) {
  HttpRequest request;
  request.url = url;
  request.user_agent = ReaderAgent(catalog.VersionMajor(), catalog.VersionMinor(), automatic);
  request.referer = ReferenceText(InstalledCDs(catalog));
  request.proxy_host = Trim(catalog.Settings().GetProxyServer());
  if (!request.proxy_host.empty()) {
    // No port (the setting's default 0) or an impossible one means the usual proxy port 80.
    const int32_t port = catalog.Settings().GetPort();
    request.proxy_port = port >= 1 && port <= 65535 ? port : 80;
  }
  return request;
}

}  // namespace quillmar
