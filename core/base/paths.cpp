#include "base/paths.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <unordered_map>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"

namespace fs = std::filesystem;

namespace quillmar {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

fs::path FsPath(std::string_view utf8) {
#ifdef _WIN32
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return fs::path(utf8);
#endif
}

std::string Utf8Path(const fs::path& path) {
#ifdef _WIN32
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
#else
  return path.string();
#endif
}

std::FILE* FOpenUtf8(std::string_view utf8, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(FsPath(utf8).c_str(), wideMode.c_str());
#else
  return std::fopen(std::string(utf8).c_str(), mode);
#endif
}

namespace {
constexpr LangText kIsDirectory{"'%s' ist ein Verzeichnis und keine Datei.",
                                "'%s' is a directory, not a file."};
constexpr LangText kNotRegular{"'%s' ist keine gewöhnliche Datei (eine Pipe oder ein Gerät).",
                               "'%s' is not a regular file (a pipe or a device)."};
constexpr LangText kNotFoundIn{"Datei '%s' nicht gefunden in '%s'.",
                               "File '%s' not found in '%s'."};
constexpr LangText kNotFound{"Datei '%s' nicht gefunden.", "File '%s' not found."};
constexpr LangText kOutside{
    "Die Sammlung nennt die Datei '%s', die außerhalb ihres Verzeichnisses '%s' liegt.",
    "The collection names the file '%s', which lies outside its directory '%s'."};
constexpr LangText kCannotOpen{"Die Datei '%s' kann nicht geöffnet werden.",
                               "Cannot open the file '%s'."};

// Per-directory listings, keyed by the directory's resolved path: lower-cased name -> real name.
// Bounded, since a session touches few directories; entries are re-listed when they go stale.
class ListingCache {
 public:
  std::optional<std::string> Find(const std::string& dir, const std::string& name) {
    const std::string key = LowerAscii(name);
    std::lock_guard lock(mutex_);
    auto it = listings_.find(dir);
    if (it != listings_.end()) {
      auto hit = it->second.find(key);
      if (hit != it->second.end()) {
        std::error_code ec;
        if (fs::exists(FsPath(dir) / FsPath(hit->second), ec)) return hit->second;
      }
      listings_.erase(it);  // stale or incomplete: list again
    }
    if (listings_.size() >= kMaxDirectories) listings_.clear();
    auto& listing = listings_[dir];
    std::error_code ec;
    for (fs::directory_iterator entry(FsPath(dir), ec), end; !ec && entry != end;
         entry.increment(ec)) {
      const std::string real = Utf8Path(entry->path().filename());
      listing.emplace(LowerAscii(real), real);  // first spelling wins when names differ by case
    }
    auto hit = listing.find(key);
    if (hit == listing.end()) return std::nullopt;
    return hit->second;
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    listings_.clear();
  }

 private:
  static constexpr size_t kMaxDirectories = 128;
  std::mutex mutex_;
  std::unordered_map<std::string, std::map<std::string, std::string>> listings_;
};

ListingCache& Cache() {
  static ListingCache cache;
  return cache;
}

}  // namespace

std::string NativeSeparators(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (IsSeparator(c)) c = kNativeSeparator;
  return out;
}

std::string StripTrailingSeparator(std::string_view path) {
  if (path.size() > 1 && IsSeparator(path.back())) path.remove_suffix(1);
  return std::string(path);
}

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  std::string out(a);
  while (!b.empty() && IsSeparator(b.front())) b.remove_prefix(1);
  if (!IsSeparator(out.back())) out.push_back(kNativeSeparator);
  out.append(b);
  return out;
}

std::string DirectoryOf(std::string_view path) {
  const auto at = path.find_last_of("/\\");
  if (at == std::string_view::npos) return {};
  if (at == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, at));
}

std::string FileNameOf(std::string_view path) {
  const auto at = path.find_last_of("/\\");
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::optional<std::string> ResolveExisting(std::string_view path) {
  if (path.empty()) return std::nullopt;
  const std::string native = NativeSeparators(path);
  std::error_code ec;
  if (fs::exists(FsPath(native), ec)) return native;
#ifdef _WIN32
  return std::nullopt;  // the file system already ignores case
#else
  // Walk the components, fixing the case of each one that does not exist as spelled.
  std::string resolved = native.front() == '/' ? "/" : "";
  std::string dir = resolved.empty() ? "." : "/";
  size_t pos = 0;
  while (pos < native.size()) {
    size_t end = native.find('/', pos);
    if (end == std::string::npos) end = native.size();
    const std::string part = native.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    std::string candidate = resolved.empty() ? part : JoinPath(resolved, part);
    if (part != ".." && !fs::exists(FsPath(candidate), ec)) {
      auto real = Cache().Find(dir, part);
      if (!real) return std::nullopt;
      candidate = resolved.empty() ? *real : JoinPath(resolved, *real);
    }
    resolved = candidate;
    dir = resolved;
  }
  if (resolved.empty() || !fs::exists(FsPath(resolved), ec)) return std::nullopt;
  return resolved;
#endif
}

std::string ResolvePath(std::string_view path) {
  auto real = ResolveExisting(path);
  return real ? *real : NativeSeparators(path);
}

bool FileExists(std::string_view path) {
  auto real = ResolveExisting(path);
  std::error_code ec;
  return real && fs::is_regular_file(FsPath(*real), ec);
}

bool DirectoryExists(std::string_view path) {
  auto real = ResolveExisting(path);
  std::error_code ec;
  return real && fs::is_directory(FsPath(*real), ec);
}

std::vector<std::string> ListFiles(std::string_view directory, std::string_view suffix) {
  std::vector<std::string> names;
  auto dir = ResolveExisting(directory);
  if (!dir) return names;
  const std::string want = LowerAscii(suffix);
  std::error_code ec;
  for (fs::directory_iterator entry(FsPath(*dir), ec), end; !ec && entry != end;
       entry.increment(ec)) {
    std::error_code type_ec;
    if (!entry->is_regular_file(type_ec)) continue;
    const std::string name = Utf8Path(entry->path().filename());
    if (name.size() >= want.size() && LowerAscii(name).ends_with(want)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsRegularFile(std::string_view path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(FsPath(path), ec);
}

bool OpenForReading(std::ifstream& in, std::string_view path) {
  if (!IsRegularFile(path)) {
    in.setstate(std::ios::failbit);
    return false;
  }
  in.open(FsPath(path), std::ios::binary);
  return in.is_open();
}

std::string ReadAll(std::ifstream& in) {
  std::string bytes;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0);
  if (size > 0 && in) {
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));  // a file that has shrunk meanwhile
  }
  // What a file that has grown meanwhile (or whose length is unknown) holds beyond.
  char more[4096];
  while (in && in.read(more, sizeof more).gcount() > 0)
    bytes.append(more, static_cast<size_t>(in.gcount()));
  return bytes;
}

std::string UnusableFileText(std::string_view path) {
  const std::string trimmed = Trim(path);
  if (const auto real = ResolveExisting(trimmed)) {
    std::error_code ec;
    if (fs::is_directory(FsPath(*real), ec)) return Format(Tr(kIsDirectory), {*real});
    if (!fs::is_regular_file(FsPath(*real), ec)) return Format(Tr(kNotRegular), {*real});
    return Format(Tr(kCannotOpen), {*real});
  }
  const std::string dir = DirectoryOf(trimmed);
  if (dir.empty()) return Format(Tr(kNotFound), {trimmed});
  return Format(Tr(kNotFoundIn), {FileNameOf(trimmed), ResolvePath(dir)});
}

bool StaysInside(std::string_view name) {
  if (name.empty() || IsSeparator(name.front()) || name.find(':') != std::string_view::npos)
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find_first_of("/\\", start), name.size());
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string JoinInside(std::string_view dir, std::string_view name) {
  if (!name.empty() && !StaysInside(name))
    // The name comes from a collection file: Windows-1252 bytes.
    throw EInOutError(Format(Tr(kOutside), {Cp1252ToUtf8(name), NativeSeparators(dir)}));
  return JoinPath(dir, name);
}

void ClearPathCache() { Cache().Clear(); }

}  // namespace quillmar
