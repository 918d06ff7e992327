#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace quillmar {

// The one older collection without metadata; it is recognised by "bin/mauninst.exe".
inline constexpr char kKRVT0001[] = "KRVT0001";
extern const char* const kKRVTTitle;      // its fixed title (Windows-1252)
extern const char* const kKRVTCopyright;  // its fixed copyright line (Windows-1252)

struct TCDLink {  // a type-9 record
  std::string Title;
  std::string FileName;  // a file in the collection's data directory
  std::string Third;
};

struct TCDPlugIn {  // a type-3 record
  std::string Name;
  std::string Library;
};

struct TCDMedia4 {  // a type-4 record
  int32_t Number = 0;
  std::string Text;
  std::string Code;
};

struct TCDMedia5 {  // a type-5 record
  std::string Text;
  std::string Code;
};

// A collection's metadata file ID/metainfo.dat (160-byte records; docs/formats/metainfo.md).
//
// The records are read once at construction; the getters answer from that snapshot, while
// GetRecord reads the file again each time (type -1 when it can no longer be read). Strings are
// the collection's Windows-1252 bytes. An object is meant to be created, used briefly on one
// thread and dropped; record reads are serialised by an internal mutex.
class TCDInfo {
 public:
  static constexpr size_t kRecordSize = 160;
  // Records beyond this many are ignored; metadata files hold tens of records.
  static constexpr int32_t kMaxRecords = 65536;

  // `path` is the collection's root directory; one trailing "/" or "\" is removed.
  explicit TCDInfo(const std::string& path);
  TCDInfo(const TCDInfo&) = delete;
  TCDInfo& operator=(const TCDInfo&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& DataPath() const { return data_path_; }  // Path + separator + "data"

  // Number of whole records in the file; 0 when it could not be read and for KRVT0001.
  int32_t Count() const { return count_; }
  // The lowest reader version the collection needs.
  int32_t MinorVersion() const { return minor_; }
  int32_t MajorVersion() const { return major_; }
  const std::string& Name() const { return name_; }
  const std::string& CDID() const { return cdid_; }
  const std::string& Copyright() const { return copyright_; }
  // True when the root holds "bin/mauninst.exe": the collection is KRVT0001 and has no
  // metadata file.
  bool IsKRVT() const { return is_krvt_; }

  // Record i (1-based), read from the file now. Its type (bytes 0-3) is -1 when the file or the
  // record cannot be read. i outside 1 … Count raises internal error "AD-TCI-GIR-1".
  std::array<uint8_t, kRecordSize> GetRecord(int32_t i) const;

  // Single-valued properties (type-1 records): the last record with the key counts, except for
  // the fuzzy library identifier, where the first counts. Empty when absent; for KRVT0001 only
  // the text catalog has a value ("textinfo.dat").
  std::string GetLiFileName() const;         // 'e' bibliography file (data directory)
  std::string GetWbFileName() const;         // 'f' reference-work file (data directory)
  std::string GetKiFileName() const;         // 'h' multimedia index file (data directory)
  std::string GetSetupFileName() const;      // 'i' setup program (relative to the root)
  std::string GetTextInfoFileName() const;   // 'j' text catalog (data directory)
  std::string GetAboutFileName() const;      // 'l' about text (relative to the root)
  std::string GetLinkTableFileName() const;  // 'p' link table (data directory)
  std::string GetFSLibraryID() const;        // 'o' fuzzy library identifier, first wins
  // Every 'm' value in file order, then, when there is at least one 'm', every 'n' value.
  std::vector<std::string> GetSchemas() const;
  // The first type-6 / type-7 value; 0 when there is none.
  uint16_t GetNoDateMarker() const;
  uint16_t GetYearOffset() const;

  // True when a reader of version major.minor can open the collection: the collection asks for
  // 0.0, or major.minor is at least the version it asks for.
  bool VersionOK(int32_t major, int32_t minor) const;

  const std::vector<TCDLink>& Links() const { return links_; }
  const std::vector<TCDPlugIn>& PlugIns() const { return plugins_; }
  const std::vector<TCDMedia4>& Media4() const { return media4_; }
  const std::vector<TCDMedia5>& Media5() const { return media5_; }

 private:
  using Record = std::array<uint8_t, kRecordSize>;

  void ReadMetadata();
  bool IsKRVTHeader() const;
  // The value of the first or last type-1 record with `key`; empty when none.
  std::string Property(char key, bool firstWins) const;

  std::string path_;
  std::string data_path_;
  std::string meta_path_;
  bool is_krvt_ = false;
  int32_t count_ = 0;
  int32_t minor_ = 0;
  int32_t major_ = 0;
  std::string name_;
  std::string cdid_;
  std::string copyright_;
  // The records that the scans see: those in front of the first record of type -1.
  std::vector<Record> records_;
  std::vector<TCDLink> links_;
  std::vector<TCDPlugIn> plugins_;
  std::vector<TCDMedia4> media4_;
  std::vector<TCDMedia5> media5_;
  mutable std::mutex lock_;
};

}  // namespace quillmar
