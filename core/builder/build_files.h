#pragma once

#include <string>
#include <string_view>

namespace quillmar::builder {

// File output of the collection writers. Every failure raises `EInOutError` naming the file.

// Creates the directory and its missing parents.
void MakeDirectories(const std::string& path);
// Writes the bytes as the whole new content of the file.
void WriteWholeFile(const std::string& path, std::string_view bytes);
// Copies a file byte for byte.
void CopyWholeFile(const std::string& from, const std::string& to);

}  // namespace quillmar::builder
