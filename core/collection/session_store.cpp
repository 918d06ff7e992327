#include "collection/session_store.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

namespace quillmar {

namespace {

constexpr char kSessionKey[] = "Software\\Quillmar\\Reader\\Session";
constexpr char kWindowCount[] = "WindowCount";
constexpr char kWindow[] = "Window";
constexpr char kRecent[] = "Recent";
constexpr char kSeparator = '|';

// The first `count` fields of `text` and, when `rest` is set, everything after them as one more
// field; nothing when there are too few.
std::optional<std::vector<std::string>> Fields(const std::string& text, size_t count, bool rest) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() < count) {
    const size_t end = text.find(kSeparator, start);
    if (end == std::string::npos) {
      fields.push_back(text.substr(start));
      start = text.size() + 1;
      break;
    }
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (rest) {
    if (start > text.size()) return std::nullopt;
    fields.push_back(text.substr(start));
  } else if (start <= text.size()) {
    return std::nullopt;  // more fields than expected
  }
  if (fields.size() != count + (rest ? 1 : 0)) return std::nullopt;
  return fields;
}

std::optional<int32_t> Number(const std::string& text) {
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// CDID | text | layer | position: the common head of both kinds of entry.
bool ReadHead(const std::vector<std::string>& f, std::string& cdid, int32_t& textNr, int32_t& layer,
              int32_t& position) {
  const auto t = Number(f[1]), l = Number(f[2]), p = Number(f[3]);
  if (f[0].empty() || !t || !l || !p) return false;
  cdid = f[0];
  textNr = *t;
  layer = *l;
  position = *p;
  return true;
}

std::string Head(const std::string& cdid, int32_t textNr, int32_t layer, int32_t position) {
  return cdid + kSeparator + std::to_string(textNr) + kSeparator + std::to_string(layer) +
         kSeparator + std::to_string(position);
}

std::string Name(const char* prefix, size_t i) { return prefix + std::to_string(i + 1); }

}  // namespace

std::vector<SessionWindow> SessionStore::ReadWindows() const {
  std::vector<SessionWindow> windows;
  const int32_t count = reg_.ReadInteger(kSessionKey, kWindowCount).value_or(0);
  for (size_t i = 0; i < static_cast<size_t>(std::max(count, 0)) && i < kMaxWindows; ++i) {
    const auto text = reg_.ReadString(kSessionKey, Name(kWindow, i));
    if (!text) continue;
    const auto f = Fields(*text, 8, false);
    SessionWindow w;
    if (!f || !ReadHead(*f, w.CDID, w.TextNr, w.Layer, w.Position)) continue;
    bool ok = true;
    for (size_t g = 0; g < 4; ++g) {
      const auto n = Number((*f)[4 + g]);
      ok = ok && n.has_value();
      if (n) w.Geometry[g] = *n;
    }
    if (ok) windows.push_back(w);
  }
  return windows;
}

void SessionStore::WriteWindows(const std::vector<SessionWindow>& windows) {
  // The windows reach the settings file together, in one save.
  reg_.WriteTogether([&] {
    const size_t count = std::min(windows.size(), kMaxWindows);
    for (size_t i = 0; i < count; ++i) {
      const SessionWindow& w = windows[i];
      std::string text = Head(w.CDID, w.TextNr, w.Layer, w.Position);
      for (int32_t g : w.Geometry) text += kSeparator + std::to_string(g);
      reg_.WriteString(kSessionKey, Name(kWindow, i), text);
    }
    reg_.WriteInteger(kSessionKey, kWindowCount, static_cast<int32_t>(count));
  });
}

std::vector<RecentText> SessionStore::ReadRecent() const {
  std::vector<RecentText> recent;
  for (size_t i = 0; i < kMaxRecent; ++i) {
    const auto text = reg_.ReadString(kSessionKey, Name(kRecent, i));
    if (!text || text->empty()) continue;
    const auto f = Fields(*text, 4, true);
    RecentText r;
    if (!f || !ReadHead(*f, r.CDID, r.TextNr, r.Layer, r.Position)) continue;
    r.Title = (*f)[4];
    recent.push_back(r);
  }
  return recent;
}

void SessionStore::AddRecent(const RecentText& text) {
  // The list reaches the settings file together, in one save.
  reg_.WriteTogether([&] {
    std::vector<RecentText> recent{text};
    for (const RecentText& r : ReadRecent())
      if (recent.size() < kMaxRecent &&
          !(r.CDID == text.CDID && r.TextNr == text.TextNr && r.Layer == text.Layer))
        recent.push_back(r);
    for (size_t i = 0; i < kMaxRecent; ++i)
      reg_.WriteString(kSessionKey, Name(kRecent, i),
                       i < recent.size() ? Head(recent[i].CDID, recent[i].TextNr, recent[i].Layer,
                                                recent[i].Position) +
                                               kSeparator + recent[i].Title
                                         : std::string());
  });
}

}  // namespace quillmar
