#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillmar {
class TCalderwickData;
}  // namespace quillmar

namespace quillmar::retrieval {

// What the retrieval engine needs to know about one collection. Taken from the catalog on the
// user-interface thread before a search starts, so the search thread never touches the settings
// store or the catalog.
struct CollectionSearchInfo {
  std::string CDID;
  std::string Name;  // title, Windows-1252 bytes; empty when unknown
  std::string Path;  // root directory, without trailing separator
  std::string FSID;  // fuzzy library identifier; empty when the collection has no fuzzy search
  std::string FSWordFiles[4];  // s1wl.dat .. s4wl.dat; empty where missing
  std::string FSLinkFiles[4];  // s1lnk.dat .. s4lnk.dat; empty where missing
  uint16_t NoDateMarker = 0;
  uint16_t YearOffset = 0;
  std::string TextInfoFile;  // full path of the text catalog; empty when it cannot be named
};

// How a search reads a word's hits: from fundst.dat alone, or from a current derived hit index
// (HitIndex) where there is one: beside the collection files, or in the per-user cache
// directory, where one is built on first use for collections that have none.
enum class HitIndexUse { kOff, kBeside, kBesideOrCache };

// The collections a search may touch, by identifier (compared after trimming and upper-casing).
class SearchCatalog {
 public:
  void Hinzufuegen(CollectionSearchInfo info);
  // The collection's data; an unknown identifier gives a record with only CDID set (empty paths),
  // so its files are reported missing like those of a collection that is not installed. The
  // reference stays valid until the same thread asks again.
  const CollectionSearchInfo& Info(const std::string& cdid) const;

  // Derived hit indexes: how they are used and where the cache keeps those it builds (the
  // per-user cache directory; empty: none are built). FromCatalog takes the catalog's.
  HitIndexUse HitIndexes = HitIndexUse::kBesideOrCache;
  std::string CacheDirectory;

  // A snapshot of the given collections as the catalog knows them now.
  static SearchCatalog FromCatalog(TCalderwickData& catalog, const std::vector<std::string>& cdids);

 private:
  std::map<std::string, CollectionSearchInfo> cds_;
};

}  // namespace quillmar::retrieval
