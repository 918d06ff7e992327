#pragma once

#include <string>
#include <vector>

#include "online/inet_info.h"
#include "system/http_client.h"

namespace quillmar {

class TCalderwickData;

// What the reader and the command-line tool share of the online list: where it lives, which
// entries a reader lists, and how its requests look.

// The installed collections' ids in catalog order.
std::vector<std::string> InstalledCDs(const TCalderwickData& catalog);
// The running reader's version, its installed collections and today's date.
ListingContext CurrentListingContext(const TCalderwickData& catalog);
// "<download directory>/remote.dat"; the directory is created (EInOutError when it cannot be).
std::string RemoteListFile(TCalderwickData& catalog);
// "<download directory>/<id>.dat" or ".exe".
std::string EntryFile(TCalderwickData& catalog, int32_t id, bool installer);

// A GET of `url` as the reader makes it: its agent (with " auto" for the automatic refresh), the
// installed collections as reference, and the proxy of the "ProxyServer" and "Port" settings.
HttpRequest OnlineRequest(TCalderwickData& catalog, const std::string& url, bool automatic);

}  // namespace quillmar
