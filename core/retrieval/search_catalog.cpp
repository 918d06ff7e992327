#include "retrieval/search_catalog.h"

#include <exception>
#include <utility>

#include "base/bytes.h"
#include "collection/calderwick_data.h"

namespace quillmar::retrieval {

namespace {

std::string CdKey(const std::string& cdid) { return UpperAscii(Trim(cdid)); }

}  // namespace

void SearchCatalog::Hinzufuegen(CollectionSearchInfo info) {
  std::string key = CdKey(info.CDID);
  cds_[std::move(key)] = std::move(info);
}

const CollectionSearchInfo& SearchCatalog::Info(const std::string& cdid) const {
  const auto found = cds_.find(CdKey(cdid));
  if (found != cds_.end()) return found->second;
  // Per thread, so that the search thread and the user-interface thread may both ask about
  // collections the snapshot does not hold.
  thread_local CollectionSearchInfo unbekannt;
  unbekannt = CollectionSearchInfo{};
  unbekannt.CDID = cdid;
  return unbekannt;
}

SearchCatalog SearchCatalog::FromCatalog(TCalderwickData& catalog,
                                         const std::vector<std::string>& cdids) {
  SearchCatalog katalog;
  katalog.CacheDirectory = catalog.Environment().cache_directory;
  for (const std::string& cdid : cdids) {
    const int index = catalog.GetCDIndex(cdid);
    if (index < 0) continue;  // not reachable now: Info reports it without files
    const TCRrecord& cd = catalog.CDs()[static_cast<size_t>(index)];
    CollectionSearchInfo info;
    info.CDID = Trim(cd.CDID);
    info.Name = cd.Name;
    info.Path = catalog.GetCDPath(cdid);
    info.FSID = catalog.GetFSID(cdid);
    for (int level = 1; level <= 4; ++level) {
      info.FSWordFiles[level - 1] = catalog.GetFSWordFile(cdid, level);
      info.FSLinkFiles[level - 1] = catalog.GetFSLinkFile(cdid, level);
    }
    info.NoDateMarker = cd.NoDateMarker;
    info.YearOffset = cd.YearOffset;
    try {
      info.TextInfoFile = catalog.GetTextInfoFile(cdid);
    } catch (const std::exception&) {
      info.TextInfoFile.clear();  // unreadable metadata: the rows show no catalog fields
    }
    katalog.Hinzufuegen(std::move(info));
  }
  return katalog;
}

}  // namespace quillmar::retrieval
