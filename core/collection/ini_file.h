#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillmar {

// A read-only INI-style text file: "[section]" lines, each followed by "key=value" lines.
// Section and key names compare case-insensitively (ASCII); names and values are trimmed. Lines
// starting with ";" and lines without "=" are ignored. A section that appears twice is listed
// once, and within a section the first line with a key counts. A file that does not exist or
// cannot be read has no sections. Bytes are kept as they are (Windows-1252 on collections).
class IniFile {
 public:
  // Files larger than this are read only up to here; tree schemas are a few kilobytes.
  static constexpr size_t kMaxBytes = 4 * 1024 * 1024;

  // `path` is resolved case-insensitively and read at once.
  explicit IniFile(const std::string& path);

  // Section names in file order.
  std::vector<std::string> Sections() const;
  // The value of `key` in `section`; `def` when either is absent.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  // Index of the section called `name`, or npos.
  size_t IndexOf(const std::string& name) const;

  std::vector<Section> sections_;
};

}  // namespace quillmar
