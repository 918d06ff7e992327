#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace quillmar {

// The IDs of the program's own modules, remembered in a file of the cache directory by module
// file, size and modification time. Reading a module's ID means loading the module, and loading
// a viewer module maps the whole GUI library: with the IDs remembered, a start loads only the
// modules that are new or changed since the last one, and the command-line tool maps no GUI code.
//
// The file is derived data: a missing, unreadable or foreign file remembers nothing, and a file
// that cannot be written is left as it was. Only valid IDs are remembered; a module that fails
// to load is asked again at the next start.
class ModuleIdCache {
 public:
  // `path` empty: nothing is remembered or saved.
  explicit ModuleIdCache(std::string path);

  // The ID remembered for `file` if its size and modification time are still the same.
  std::optional<std::string> Find(const std::string& file) const;
  // Remembers `id` for `file` as it is now on disk.
  void Remember(const std::string& file, const std::string& id);
  // Writes the entries that Find answered or Remember added since construction (others belong
  // to modules no longer there), when they differ from the file read.
  void Save();

 private:
  struct Entry {
    uint64_t size = 0;
    int64_t modified = 0;
    std::string id;
    bool operator==(const Entry&) const = default;
  };
  static std::optional<Entry> Stamp(const std::string& file);

  std::string path_;
  std::map<std::string, Entry> read_;
  mutable std::map<std::string, Entry> used_;
};

}  // namespace quillmar
