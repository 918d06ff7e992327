#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "collection/registry_access.h"

namespace quillmar {

// A text window as the session keeps it: which text it shows, where, and its place in the main
// window's window area (x, y, width, height in pixels).
struct SessionWindow {
  std::string CDID;
  int32_t TextNr = 0;
  int32_t Layer = 1;
  int32_t Position = 0;
  std::array<int32_t, 4> Geometry{};
};

// A recently opened text; Title is UTF-8, the caption its window had.
struct RecentText {
  std::string CDID;
  int32_t TextNr = 0;
  int32_t Layer = 1;
  int32_t Position = 0;
  std::string Title;
};

// The reader's session in the settings store, key "Software\Quillmar\Reader\Session": the text
// windows open at the end of the last run ("WindowCount", "Window1" ...) and the recently opened
// texts, newest first ("Recent1" ... "Recent8"). Each entry is one string of fields separated by
// "|". Entries that do not parse are skipped.
class SessionStore {
 public:
  static constexpr size_t kMaxRecent = 8;
  static constexpr size_t kMaxWindows = 64;

  explicit SessionStore(RegistryAccess& reg) : reg_(reg) {}

  std::vector<SessionWindow> ReadWindows() const;
  // Replaces the stored windows.
  void WriteWindows(const std::vector<SessionWindow>& windows);

  std::vector<RecentText> ReadRecent() const;
  // Puts `text` first; an older entry of the same text and layer goes, and so does the oldest
  // entry beyond kMaxRecent.
  void AddRecent(const RecentText& text);

 private:
  RegistryAccess& reg_;
};

}  // namespace quillmar
