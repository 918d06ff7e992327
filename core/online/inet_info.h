#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"

namespace quillmar {

// One announcement of the online list, a 324-byte little-endian record of "remote.dat". Strings
// are Windows-1252 bytes; a length byte beyond a field's capacity is clamped to it.
struct TINetInfoRecord {
  int32_t Id = 0;    // the list item's data and the base name of downloaded files
  int32_t Kind = 0;  // see OnlineKind
  int32_t Major = 0;
  int32_t Minor = 0;    // the reader version the entry refers to
  std::string CDID;     // at most 15 bytes
  std::string Caption;  // at most 128 bytes
  std::string Target;   // at most 130 bytes: a web address or the file to download
  double Expiry = 0;    // OLE date: days since 30 December 1899, the fraction is the time of day
};

// The kinds of announcements.
enum OnlineKind : int32_t {
  kNewReader = 1,           // a newer reader to install
  kWebPage = 2,             // a web page
  kDocument = 3,            // a document shown in a text window
  kServiceNotice = 4,       // the service is being renewed: the whole list is withdrawn
  kReaderDocument = 5,      // a document for one reader version
  kCollectionDocument = 6,  // a document for one collection
  kCollectionPage = 9,      // a web page for one collection
  kReaderPage = 10,         // a web page for one reader version
};

inline constexpr size_t kINetInfoRecordSize = 324;

TINetInfoRecord DecodeINetInfoRecord(const uint8_t* record);
// The record's 324 bytes; strings are cut to their capacity, the reserved bytes are zero.
std::string EncodeINetInfoRecord(const TINetInfoRecord& record);

// The records of the last loaded list file. Loading replaces them all; the lock keeps a reader on
// another thread from seeing half a list.
class TINetInfo {
 public:
  // Empties the list and, when the file exists, reads its whole records (a trailing partial
  // record is ignored). Raises EInOutError when an existing file cannot be read.
  void LoadList(const std::string& fileName);
  size_t Count() const;
  TINetInfoRecord Item(size_t index) const;
  // The index of the last record with this id, or -1.
  int IndexOfId(int32_t id) const;

 private:
  mutable std::mutex lock_;
  std::vector<TINetInfoRecord> records_;
};

// Kinds 1, 2, 3, 5, 6, 9 and 10.
bool IsListedKind(const TINetInfoRecord& record);
// Whether the entry has not expired: today (a whole OLE day number) lies before the expiry's day.
bool IsCurrent(const TINetInfoRecord& record, int32_t today);
// Today's local date as an OLE day number.
int32_t OleToday();

// What decides which records a reader lists.
struct ListingContext {
  int32_t major = 0;
  int32_t minor = 0;                   // the running reader's version
  std::vector<std::string> installed;  // the installed collections' ids
  int32_t today = 0;                   // OLE day number
};

// Whether one record is listed: its kind is listed, its version or collection rule holds and it
// has not expired. Kind 4 is never listed (OfferList handles it).
bool IsListed(const TINetInfoRecord& record, const ListingContext& context);

struct OfferList {
  bool notice = false;  // a kind-4 record withdrew the list
  std::vector<TINetInfoRecord> entries;
};

// The listed entries of a list file, in file order. A kind-4 record anywhere empties the list and
// deletes the file, so that the next start shows nothing until a successful refresh. A missing
// file gives an empty list.
OfferList ListOffers(const std::string& fileName, const ListingContext& context);

// The message shown when the list was withdrawn.
inline constexpr LangText kServiceNoticeText{
    "Das Online-Angebot wird gerade erneuert. Versuchen Sie es später wieder.",
    "The online service is under construction. Try later again."};

// The address a web entry opens: trimmed, "http://" put in front when it names no scheme, and
// only the scheme and host lower-cased (paths and queries are case-sensitive). Empty when the
// target is not an http or https address with a host.
std::string WebAddress(std::string_view target);

// The User-Agent of the reader's requests: "reader 1.7", with " auto" for the automatic refresh.
std::string ReaderAgent(int32_t major, int32_t minor, bool automatic);
// The Referer of the reader's requests: each installed collection's id preceded by a blank
// (printable ASCII only, so the text is a valid header value).
std::string ReferenceText(const std::vector<std::string>& installed);

// The names in the download directory.
inline constexpr char kRemoteListFile[] = "remote.dat";
// "<id>.dat" for documents, "<id>.exe" for reader installers.
std::string EntryFileName(int32_t id, bool installer);

}  // namespace quillmar
