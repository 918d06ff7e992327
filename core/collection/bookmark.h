#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "system/file_writer.h"

namespace quillmar {

class TCalderwickData;

// One bookmark: a place in a text. Strings are Windows-1252 bytes.
struct TBookmarkRecord {
  int32_t Id = 0;              // 1 or greater, unique in the store
  std::string Title;           // at most 80 bytes
  std::string CDID;            // at most 8 bytes
  std::string CDName;          // the collection's name, at most 80 bytes
  int32_t TextNo = 0;          // text number in the collection's text catalog
  int32_t Layer = 1;           // 1 main text, 2 footnote text, 3 scholia/remarks text
  int32_t FirstParagraph = 0;  // text positions
  int32_t LastParagraph = 0;
};
using TBookmarkRecords = std::vector<TBookmarkRecord>;

// The user's bookmarks: kept in memory for the whole run, stored in "<program directory>/Bookmark/
// bookmark.dat" (docs/formats/bookmark.md), each with an optional note file "bNNNN.txt" beside it.
// bookmark.dat and the notes are replaced atomically: a failed write leaves the previous file as
// it was and raises EInOutError.
//
// One store per run, used from the user-interface thread; a lock serialises every operation.
class TBookmark {
 public:
  static constexpr size_t kRecordSize = 192;
  static constexpr size_t kTitleCap = 80;
  static constexpr size_t kCDIDCap = 8;
  static constexpr size_t kCDNameCap = 80;
  // Records beyond this many are ignored when loading; a store holds tens of bookmarks.
  static constexpr int64_t kMaxRecords = 1 << 20;

  // Loads the store from `programDirectory` + "/Bookmark" (Load). A failed load leaves the store
  // empty and its message in LoadError(). Files are written through `writer` (which must
  // outlive the store), or through a StandardFileWriter when it is null.
  explicit TBookmark(const std::string& programDirectory, FileWriter* writer = nullptr);
  // The program directory of the catalog (GetAppPath).
  explicit TBookmark(TCalderwickData& catalog, FileWriter* writer = nullptr);
  // Saves a modified store; errors are swallowed here, so callers that want to report them call
  // Save first.
  ~TBookmark();
  TBookmark(const TBookmark&) = delete;
  TBookmark& operator=(const TBookmark&) = delete;

  // Creates the bookmark directory when missing and reads bookmark.dat (a trailing partial
  // record is ignored; records whose identifier is below 1 or repeats an earlier one get a fresh
  // identifier). Raises EInOutError when an existing bookmark.dat cannot be read; until a Load
  // succeeds, Save refuses to replace the file.
  void Load();
  // The message of the last failed Load; empty after a successful one.
  const std::string& LoadError() const { return load_error_; }
  // Writes the list when it was changed: bookmark.dat replaced atomically, or deleted when the
  // list is empty. Raises EInOutError on failure (the list stays modified).
  void Save();

  int32_t Count() const;
  bool Modified() const;
  // Record i (0-based); "BM-GI-1" for an index outside 0 ... Count - 1.
  TBookmarkRecord GetItem(int32_t i) const;
  // Replaces record i, keeping its identifier; strings are cut to their fields. "BM-SI-1".
  void SetItem(int32_t i, const TBookmarkRecord& record);
  // Index of the last record with identifier `id`, or -1.
  int32_t IndexOf(int32_t id) const;
  // Appends the record under a new identifier (the largest present + 1, 1 for an empty store)
  // and returns it. A note file left under that identifier is removed: a new bookmark has no
  // note.
  int32_t Add(const TBookmarkRecord& record);
  // Removes the bookmark and its note file; "BM-DI-1" when `id` is not present.
  void Delete(int32_t id);

  // The note's lines in UTF-8, without line ends; empty when there is no note file. A file that
  // starts with the UTF-8 byte order mark is read as UTF-8, any other as Windows-1252.
  // EInOutError when a note file exists but cannot be read.
  std::vector<std::string> LoadNote(int32_t id) const;
  // Replaces the note file atomically with the UTF-8 `lines`, each ended by CR LF: in
  // Windows-1252 when every character has a byte there, otherwise in UTF-8 after the byte order
  // mark, so no character is lost. EInOutError on failure.
  void SaveNote(int32_t id, const std::vector<std::string>& lines);

  const std::string& Directory() const { return directory_; }
  const std::string& FileName() const { return file_name_; }
  // "b" + the identifier padded with zeros to four digits + ".txt", in Directory().
  std::string NoteFileName(int32_t id) const;

 private:
  static TBookmarkRecord Cut(TBookmarkRecord record);
  // Replaces a file through writer_; EInOutError naming it when that fails.
  void ReplaceFile(const std::string& path, std::string_view bytes);

  StandardFileWriter standard_writer_;
  FileWriter* writer_;

  mutable std::mutex lock_;
  bool modified_ = false;
  bool loaded_ = false;
  TBookmarkRecords items_;
  std::string directory_;
  std::string file_name_;
  std::string load_error_;
};

}  // namespace quillmar
