#pragma once

#include <cstdio>
#include <filesystem>
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

// Names of the regular files in a directory (resolved) whose names end in `suffix`, compared
// case-insensitively, in name order. Empty when the directory does not exist.
std::vector<std::string> ListFiles(std::string_view directory, std::string_view suffix);

// Forgets cached directory listings (after a medium change or in tests that rename files).
void ClearPathCache();

}  // namespace quillmar
