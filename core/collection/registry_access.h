#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/registry_store.h"

namespace quillmar {

// The read-with-default access to the settings store that every part of the reader uses: a read
// of a missing key or value creates the key, writes the default and returns it, so every value
// that was read once exists afterwards. Booleans are stored as integers 0/1.
class RegistryAccess {
 public:
  explicit RegistryAccess(RegistryStore& store) : store_(store) {}

  // See RegistryStore::WriteTogether.
  void WriteTogether(const std::function<void()>& changes) { store_.WriteTogether(changes); }

  static constexpr size_t kBinarySize = 12;  // binary values are date bounds of 12 bytes

  bool KeyExists(const std::string& key) const { return store_.KeyExists(key); }
  bool ValueExists(const std::string& key, const std::string& name) const {
    return store_.ValueExists(key, name);
  }

  bool ReadBoolDef(const std::string& key, const std::string& name, bool def);
  int32_t ReadIntegerDef(const std::string& key, const std::string& name, int32_t def);
  std::string ReadStringDef(const std::string& key, const std::string& name,
                            const std::string& def);
  // A stored value of another length than 12 bytes counts as missing.
  std::vector<uint8_t> ReadBinaryDef(const std::string& key, const std::string& name,
                                     const std::vector<uint8_t>& def);

  // Plain reads that never write.
  std::optional<std::string> ReadString(const std::string& key, const std::string& name) const {
    return store_.ReadString(key, name);
  }
  std::optional<int32_t> ReadInteger(const std::string& key, const std::string& name) const {
    return store_.ReadInteger(key, name);
  }
  std::optional<bool> ReadBool(const std::string& key, const std::string& name) const;

  void WriteBool(const std::string& key, const std::string& name, bool value) {
    store_.WriteInteger(key, name, value ? 1 : 0);
  }
  void WriteInteger(const std::string& key, const std::string& name, int32_t value) {
    store_.WriteInteger(key, name, value);
  }
  void WriteString(const std::string& key, const std::string& name, const std::string& value) {
    store_.WriteString(key, name, value);
  }
  void WriteBinary(const std::string& key, const std::string& name,
                   const std::vector<uint8_t>& value) {
    store_.WriteBinary(key, name, value);
  }

  void CreateKey(const std::string& key) { store_.CreateKey(key); }
  std::vector<std::string> SubKeys(const std::string& key) const { return store_.SubKeys(key); }
  void DeleteKey(const std::string& key) { store_.DeleteKey(key); }

  RegistryStore& Store() { return store_; }

 private:
  RegistryStore& store_;
};

}  // namespace quillmar
