#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quillmar {

class TCalderwickData;
class TPlugInManager;
class PlugInPrompts;
class ProgramLauncher;

// Entry types of the multimedia tree.
inline constexpr int32_t kMediaShortInfo = 1000;
inline constexpr int32_t kMediaPresentation = 1500;
inline constexpr int32_t kMediaProgram = 9900;

// One record of a collection's short-information file (docs/formats/short-info.md): the caption
// (length byte + up to 80 characters) at its start, from byte 129 on ten parts of three strings
// of 129 bytes each (length byte + up to 128 characters).
inline constexpr size_t kShortInfoRecordSize = 3999;
inline constexpr size_t kShortInfoPartsOffset = 129;
inline constexpr size_t kShortInfoStringSize = 129;
inline constexpr int kShortInfoParts = 10;
inline constexpr size_t kShortInfoCaptionBytes = 80;  // capacity of the caption
inline constexpr size_t kShortInfoStringBytes = 128;  // capacity of each string of a part
inline constexpr size_t kShortInfoPartSize = 3 * kShortInfoStringSize;
// Records beyond this many are not read; a short-information file holds a handful.
inline constexpr size_t kMaxShortInfoRecords = 4096;

using ShortInfoRecord = std::array<uint8_t, kShortInfoRecordSize>;

// The whole records of a short-information file, at most kMaxShortInfoRecords of them, every
// length byte clamped to its field; a partial last record is ignored. Empty when the file is
// missing or cannot be read.
std::vector<ShortInfoRecord> ReadShortInfoFile(const std::string& path);

struct TShortInfoPart {
  std::string First;   // file names relative to the media directory
  std::string Second;  // (full paths once the entry has been handed out by TMultiMedia)
  std::string Third;   // a label for the viewer; Windows-1252 like the whole record
};

// One entry of the multimedia tree. An entry with an empty CDID is the empty entry of a
// collection's top-level node.
struct TMediaEntry {
  std::string CDID;
  int32_t Type = 0;
  std::string Caption;      // Windows-1252
  std::string ModuleID;     // type 1500: the multimedia module's identifier
  std::string ProgramPath;  // type 9900: the program or document inside the media directory
                            // (a native path: the collection path, "media" and the file name)
  // The entry comes from the presentation list: it runs only when its type is 1500, whatever
  // number the collection gave it.
  bool FromPresentationList = false;
  // Type 1000: the short-information record exactly as the module receives it.
  ShortInfoRecord ShortInfo{};

  bool Empty() const { return CDID.empty(); }
  // The parts of a type-1000 record up to the first one whose first string is empty.
  std::vector<TShortInfoPart> Parts() const;
};

// The entries of collection `cdid` as the multimedia tree lists them: the records of its
// short-information file, then its presentation (type-4) and program (type-5) metadata records.
// Every length byte of a short-information record is clamped to its field, and a partial last
// record is ignored. Empty when the catalog does not know the collection.
std::vector<TMediaEntry> ReadMediaEntries(TCalderwickData& catalog, const std::string& cdid);

// The entry with the first and second string of each of its parts made a full path in
// `mediaDir` (cut to 128 characters); strings that are empty stay empty, and a name that would
// leave the directory (absolute, a drive, a ".." component) becomes empty. Other types unchanged.
TMediaEntry WithMediaPaths(TMediaEntry entry, const std::string& mediaDir);

// The multimedia entries of one collection: its short-information file, the presentation
// (type-4) and program (type-5) records of its metadata, and running a chosen entry.
class TMultiMedia {
 public:
  struct Platform {
    TCalderwickData& catalog;
    TPlugInManager& plugins;
    PlugInPrompts& prompts;  // confirms program entries
    ProgramLauncher& launcher;
  };
  // What Run needs from the window it runs in.
  struct RunContext {
    void* window = nullptr;                 // handed to the short-information module
    std::function<void()> saveWindowState;  // around a presentation
    std::function<void()> restoreWindowState;
  };

  explicit TMultiMedia(Platform platform);

  // Remembers the collection and reloads its entries (short information, presentations,
  // programs, in this order).
  void SetCD(const std::string& cdid);
  // The collection path with "/media" appended; one trailing separator is removed.
  void SetMediaDir(const std::string& path);

  int Count() const;
  // A copy of entry i (0-based); for type 1000 the file names of each part are made full paths
  // in the media directory. An index outside the list raises the internal error "MM-GI-1".
  TMediaEntry GetEntry(int i) const;

  // Runs an entry: type 1000 through module "10001", type 1500 through its module, type 9900
  // after the user confirmed and only when it lies inside the media directory (programs start
  // detached, documents open with the desktop's handler). Other types, and
  // presentation-list entries of any type but 1500, do nothing. Refusals and failures are shown
  // through the catalog's UserPrompts; the modules report through the plug-in manager.
  void Run(const TMediaEntry& entry, const RunContext& context);

 private:
  // Type 9900: checks, asks and starts or opens the file; every refusal is shown to the user.
  void RunProgram(const TMediaEntry& entry);

  Platform platform_;
  mutable std::mutex lock_;  // held while the short-information file is read
  std::string cdid_;
  std::string media_dir_;
  std::vector<TMediaEntry> entries_;
};

}  // namespace quillmar
