#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmar {

// A hierarchical key/value store with the shape of the Windows registry's current-user hive.
// Keys are paths separated by "\" ("Software\Quillmar\Reader\Options"); a key holds named values
// and sub-keys. Strings are UTF-8. Booleans are stored as integers 0/1 by the callers.
//
// Implementations: the registry itself or an INI file (platform library), and an in-memory
// store for tests and for commands that must not touch the user's settings.
//
// Implementations are safe to call from several threads; each call is atomic on its own.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual bool KeyExists(const std::string& key) const = 0;
  virtual bool ValueExists(const std::string& key, const std::string& name) const = 0;

  // std::nullopt when the key or value is missing or holds another type that cannot stand for
  // the requested one (an integer written as the text "12" reads as 12).
  virtual std::optional<std::string> ReadString(const std::string& key,
                                                const std::string& name) const = 0;
  virtual std::optional<int32_t> ReadInteger(const std::string& key,
                                             const std::string& name) const = 0;
  virtual std::optional<std::vector<uint8_t>> ReadBinary(const std::string& key,
                                                         const std::string& name) const = 0;

  // Writes create the key and all its parents. They throw EInOutError when the store cannot be
  // saved; the previously saved state then stays intact.
  virtual void CreateKey(const std::string& key) = 0;
  virtual void WriteString(const std::string& key, const std::string& name,
                           const std::string& value) = 0;
  virtual void WriteInteger(const std::string& key, const std::string& name, int32_t value) = 0;
  virtual void WriteBinary(const std::string& key, const std::string& name,
                           const std::vector<uint8_t>& value) = 0;

  // Names of the direct sub-keys and of the values of a key, in stored order. Empty for a
  // missing key.
  virtual std::vector<std::string> SubKeys(const std::string& key) const = 0;
  virtual std::vector<std::string> ValueNames(const std::string& key) const = 0;

  // Removes a key with all its values and sub-keys; a missing key is no error.
  virtual void DeleteKey(const std::string& key) = 0;
  virtual void DeleteValue(const std::string& key, const std::string& name) = 0;

  // Runs `changes`, whose writes belong together: a store kept in a file saves them in one save
  // after the last, so they reach the file all or none, and a record of many values costs one
  // save. Reads within `changes` see the writes before them. When `changes` throws, its writes
  // are dropped; when the save fails, EInOutError leaves the saved state intact. Calls may nest;
  // the outermost saves. Other threads meanwhile neither see the group's writes nor join it.
  virtual void WriteTogether(const std::function<void()>& changes) { changes(); }
};

// The components of a key path; "\" and "/" both separate, empty components are dropped.
std::vector<std::string> SplitKeyPath(const std::string& key);

}  // namespace quillmar
