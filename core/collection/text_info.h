#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "system/user_prompts.h"

namespace quillmar {

// One element of the content tree: a text (L1 = L2 = L3 = 0) or a chapter of it.
struct TextTreeInfo {
  uint8_t TextNr = 0;
  std::string Name;  // at most 80 characters; empty for chapters
  uint8_t L1 = 0, L2 = 0, L3 = 0;
  std::string Name1, Name2, Name3;  // the chapter's names for levels 1, 2 and 3
  int32_t Position = 0;             // start position of a chapter (1-based, layer 1)
};
using TTextTreeInfos = std::vector<TextTreeInfo>;

// Text-kind and language codes that restrict a search.
using TTextArtArray = std::vector<uint8_t>;
using TSprachArray = std::vector<uint8_t>;

// A page record; the empty one (no page) has number -1 and positions -1.
struct PageFileRecord {
  int32_t Number = -1;
  std::string Text;
  bool Arabic = true;                  // false: the number is shown in Roman numerals
  int32_t Position[3] = {-1, -1, -1};  // start position in layers 1, 2, 3
};

// Synchronisation targets of a visible range; -1 when not found.
struct SyncRange {
  int32_t AtFrom = -1;  // the target in force at the range's first position
  int32_t AtTo = -1;    // the target in force at the range's last position
  int32_t Target = -1;  // the target to synchronise on, within AtFrom … AtTo
};

// A collection's text catalog textinfo.dat (496-byte records, record N for text N) and the
// per-text chapter, page, picture and synchronisation files (docs/formats/). No file stays
// open between calls. Strings are the collection's Windows-1252 bytes; positions are 1-based
// byte positions in a text stream. An object belongs to one thread.
//
// Errors: operations that need a current text raise an internal error ("TTI-…") when there is
// none; a per-text file that is named but cannot be read raises EInOutError, and so does an
// unreadable catalog. A per-text file whose name is empty counts as a file without records.
class TTextInfo {
 public:
  static constexpr size_t kRecordSize = 496;         // textinfo.dat
  static constexpr size_t kChapterRecordSize = 200;  // chapter file

  // `prompts` (not owned, may be null: cancel at once) answers the file-not-found dialog of Load.
  explicit TTextInfo(UserPrompts* prompts = nullptr);
  TTextInfo(const TTextInfo&) = delete;
  TTextInfo& operator=(const TTextInfo&) = delete;

  // Binds the catalog file. While it does not exist the user is asked to retry or cancel;
  // false on cancel, which leaves the object unloaded. Either way no text is current afterwards.
  bool Load(const std::string& fileName);
  const std::string& FileName() const { return file_name_; }
  // Number of whole records in the catalog; 0 when it cannot be read.
  int32_t RecordCount() const;

  // Makes text n current. n outside the catalog raises "TTI-STN 001"; a record whose number is
  // neither n nor -1 raises "TTI-STN 002" (the current text stays as it was). An empty slot
  // (number -1) leaves no text current. Nothing happens when n is already current.
  void Select(int32_t n);
  int32_t CurrentText() const { return current_; }

  // File names of the current text, resolved case-insensitively and prefixed with the catalog's
  // directory when the text's files lie there; empty when the record names no file.
  std::string GetLayer1DateiName();   // "TTI-GTDN 001" without a current text
  std::string GetLayer2DateiName();   // "TTI-GFDN 001"
  std::string GetLayer3DateiName();   // "TTI-GSDN 001"
  std::string GetSeitenDateiName();   // "TTI-GSDN 002" page file
  std::string GetKapitelDateiName();  // "TTI-GKDN 001" chapter file
  std::string GetBildDateiName();     // "TTI-GBDN 001" picture file
  std::string GetSyncFileName();      // "TTI-GSYDN 001" synchronisation file

  // Fields of the current record; empty or false when no text is current.
  std::string Title() const;
  std::string LongLabel() const;
  std::string ShortLabel() const;
  bool HasMargin() const;

  // Short label + "/" + title, dropping the "/" when either is empty. "TTI-GATN 001".
  std::string GetShortTextName();
  // Long label (or, when empty, short label) + ": " + title, dropping the ": " when either side
  // is empty. "TTI-GALTN 001".
  std::string GetLongTextName();

  // Start position in `layer` (1 … 3) of the page whose text is `pageText`: a Roman numeral
  // (any case) matches a Roman page, a decimal number an Arabic page. -1 when there is no such
  // page, the text is empty or the layer is invalid. "TTI-GSP 001".
  int32_t GetSeitenPosition(const std::string& pageText, int layer);
  // The page that holds `position` in `layer`: the last page whose start in the layer is at or
  // before it (pages the layer lacks, start < 0, are passed over; the last page runs to the end
  // of the text). The empty page record when the position lies before the first page or the
  // layer is invalid. "TTI-GPS 001".
  PageFileRecord GetPositionSeite(int32_t position, int layer);

  // Name of picture `number`; empty when the picture file does not list it. "TTI-GBDN 001".
  std::string GetBildName(int32_t number);

  // Whether the current text has synchronisation points.
  bool HasSync() const;
  // The synchronisation target for the visible range from … to (positions in layer 1); -1 when
  // the text has none or fewer than two points.
  int32_t GetSyncTarget(int32_t from, int32_t to);
  SyncRange GetSyncRange(int32_t from, int32_t to);
  // The position of the first synchronisation point whose target is at least `target` (the last
  // point when none is); -1 when the text has fewer than two points. Windows that follow another
  // one go there.
  int32_t GetSyncPosition(int32_t target);

  // Takes a hit record of the hit file (44 bytes; chapter byte 33, sub-chapter byte 34) and
  // updates ChapterName from the chapter file: first name, plus "/" and second name when that is
  // not empty; empty when the chapter file has no such chapter. Bytes missing from a shorter
  // record read as 0. The file is read only when the chapter differs from the last one found.
  // "TTI-GKDN 001".
  void SetHitPosition(std::span<const uint8_t> hitRecord);
  const std::string& ChapterName() const { return chapter_name_; }

  // One element per text of the catalog, in catalog order (text numbers 1 … 255).
  TTextTreeInfos ListTexts();
  // The chapters directly below `parent` (a text or a chapter), in file order. A text that is
  // not present raises "TI-TTI-GSN-1", a chapter file without records "TI-TTI-GNS-2".
  TTextTreeInfos ListChapters(const TextTreeInfo& parent);

  // Layer shown for a hit's text part: 2 for footnotes (11), 3 for remarks (10), else 1.
  static int KindLayer(int code);

 private:
  using Record = std::array<uint8_t, kRecordSize>;
  struct SyncPoint {
    int32_t position;
    int32_t target;
  };

  void ResetText();
  std::string RecordString(size_t offset, size_t capacity) const;
  std::string FileNameAt(size_t offset, const char* errorCode) const;
  void RequireText(const char* errorCode) const;
  // Calls visit(previous, current) for each pair of consecutive points of the synchronisation
  // file until it returns false; `first` receives the first point and `last` the last one
  // visited. false (and no call) when the text has fewer than two points.
  template <typename Visit>
  bool WalkSync(SyncPoint& first, SyncPoint& last, Visit visit);

  UserPrompts* prompts_;
  std::string file_name_;
  int32_t current_ = -1;
  Record record_{};
  std::string dir_;  // where the current text's files lie when not where the record says
  std::array<uint8_t, kChapterRecordSize> chapter_{};
  bool chapter_valid_ = false;  // chapter_ holds the chapter that ChapterName names
  std::string chapter_name_;
  std::mutex list_lock_;
};

}  // namespace quillmar
