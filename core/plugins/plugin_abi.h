#pragma once

// The binary interface between the reader and its plug-in modules (docs/plugins.md). A module is
// a shared library of the platform (.dll, .so, .dylib) that exports some of these functions with
// C linkage and the platform's default C calling convention. Text is Windows-1252 and
// zero-terminated; the caller owns every buffer, zero-fills it before the call and forces its
// last byte to zero after it.

#include <cstddef>
#include <cstdint>

namespace quillmar::plugin_abi {

inline constexpr size_t kStringBufferSize = 255;     // ID, name, version, copyright, phonem
inline constexpr size_t kDirectoryBufferSize = 512;  // RunMM's two directories

inline constexpr char kExportID[] = "ID";
inline constexpr char kExportName[] = "name";
inline constexpr char kExportVersion[] = "version";
inline constexpr char kExportCopyright[] = "copyright";
inline constexpr char kExportVersionCheck[] = "VersionCheck";
inline constexpr char kExportPhonem[] = "phonem";
inline constexpr char kExportShowKurzInfo[] = "ShowKurzInfo";
inline constexpr char kExportRunMM[] = "RunMM";

extern "C" {
// ID, name, version, copyright: fill a 255-byte buffer.
using StringFunction = void (*)(char* buffer);
// Non-zero when the module accepts the reader's version X.Y, called as (Y, X).
using VersionCheckFunction = int32_t (*)(int32_t second, int32_t first);
// Overwrites the word in the 255-byte buffer with its phonetic key; option = fuzzy level 1..4.
using PhonemFunction = void (*)(char* buffer, int32_t option);
// Shows the short information of a multimedia record; `zero` is 0.
using ShowKurzInfoFunction = int32_t (*)(void* window, int32_t zero, const void* record);
// Runs a collection's presentation; two 512-byte buffers with the media and program directory.
using RunMMFunction = int32_t (*)(int32_t zero, char* mediaDir, char* programDir);
}

}  // namespace quillmar::plugin_abi
