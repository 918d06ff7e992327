#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// Paths in the core are native path strings (UTF-8 outside Windows). Paths that come from a
// collection file, the settings store or a fixed constant may use "\" or "/"; both separate.
//
// Collection files are looked up without regard to letter case: a CD mastered as DATA/TEXTINFO.DAT
// answers to "data\textinfo.dat". Every collection file goes through ResolvePath.

inline constexpr char kNativeSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// The file-system path of a path string. Path strings are UTF-8 on every system, so on Windows
// this decodes UTF-8 (never the ANSI code page): every file open and file-system call goes
// through it, and folder names outside the ANSI code page work.
std::filesystem::path FsPath(std::string_view utf8);
// A file-system path as a path string (UTF-8).
std::string Utf8Path(const std::filesystem::path& path);
// std::fopen of a path string (on Windows through the wide-character call, for the same reason).
std::FILE* FOpenUtf8(std::string_view utf8, const char* mode);

// Both separators turned into the native one.
std::string NativeSeparators(std::string_view path);

// Removes one trailing "/" or "\" (not from a bare root such as "/").
std::string StripTrailingSeparator(std::string_view path);

// a + separator + b, with no doubled separator.
std::string JoinPath(std::string_view a, std::string_view b);

// The directory part of a path (without trailing separator); empty when there is none.
std::string DirectoryOf(std::string_view path);
// The last component of a path.
std::string FileNameOf(std::string_view path);

// The existing entry that `path` names, matching each component case-insensitively (ASCII) when
// the exact spelling is absent. std::nullopt when nothing matches.
std::optional<std::string> ResolveExisting(std::string_view path);

// ResolveExisting's answer, or the path with native separators when nothing exists, so that an
// error message names what was asked for.
std::string ResolvePath(std::string_view path);

bool FileExists(std::string_view path);       // an existing regular file, resolved
bool DirectoryExists(std::string_view path);  // an existing directory, resolved

// True when `path` (taken as it is, not resolved) names a regular file, after following links.
// Collection files are opened only then: a named pipe or a device in a file's place would block
// the open or a read for good.
bool IsRegularFile(std::string_view path);

// Opens `path` (taken as it is) for binary reading only when it is a regular file; otherwise the
// stream is left closed with its fail bit set. Answers whether the stream is open.
bool OpenForReading(std::ifstream& in, std::string_view path);
// The whole contents of a file opened for binary reading, with one read sized by its length
// rather than a copy byte by byte. A failed read leaves the stream's bad bit set.
std::string ReadAll(std::ifstream& in);

// A message for a collection file that cannot be used, naming it as it is on disk and what is
// wrong: a directory, not a regular file (a pipe or device), or, when missing, the name looked for
// and the directory searched. UTF-8 in the current language.
std::string UnusableFileText(std::string_view path);

// True when `name` (a file name taken from a collection file) stays inside the directory it is
// relative to: not empty, not absolute, no drive prefix ("C:"), no ".." component.
bool StaysInside(std::string_view name);

// `dir` joined with `name`, a file name taken from a collection file. Raises EInOutError naming
// the file and the directory when the name would lead outside the directory (StaysInside); an
// empty name gives `dir` itself.
std::string JoinInside(std::string_view dir, std::string_view name);

// Names of the regular files in a directory (resolved) whose names end in `suffix`, compared
// case-insensitively, in name order. Empty when the directory does not exist.
std::vector<std::string> ListFiles(std::string_view directory, std::string_view suffix);

// Forgets cached directory listings (after a medium change or in tests that rename files).
void ClearPathCache();

}  // namespace quillmar
