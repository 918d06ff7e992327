#pragma once

#include <map>
#include <mutex>
#include <variant>

#include "platform/registry_store.h"

namespace quillmar {

// A RegistryStore kept in memory. Key and value names compare case-insensitively, as in the
// Windows registry, and keep the spelling of their first write.
class MemoryRegistryStore : public RegistryStore {
 public:
  bool KeyExists(const std::string& key) const override;
  bool ValueExists(const std::string& key, const std::string& name) const override;
  std::optional<std::string> ReadString(const std::string& key,
                                        const std::string& name) const override;
  std::optional<int32_t> ReadInteger(const std::string& key,
                                     const std::string& name) const override;
  std::optional<std::vector<uint8_t>> ReadBinary(const std::string& key,
                                                 const std::string& name) const override;
  void CreateKey(const std::string& key) override;
  void WriteString(const std::string& key, const std::string& name,
                   const std::string& value) override;
  void WriteInteger(const std::string& key, const std::string& name, int32_t value) override;
  void WriteBinary(const std::string& key, const std::string& name,
                   const std::vector<uint8_t>& value) override;
  std::vector<std::string> SubKeys(const std::string& key) const override;
  std::vector<std::string> ValueNames(const std::string& key) const override;
  void DeleteKey(const std::string& key) override;
  void DeleteValue(const std::string& key, const std::string& name) override;

 private:
  using Value = std::variant<std::string, int32_t, std::vector<uint8_t>>;
  struct Node {
    std::string name;
    std::vector<std::pair<std::string, Value>> values;
    std::vector<Node> children;
  };

  const Node* Find(const std::string& key) const;
  Node& Make(const std::string& key);
  const Value* FindValue(const std::string& key, const std::string& name) const;
  void Put(const std::string& key, const std::string& name, Value value);

  mutable std::mutex mutex_;
  Node root_;
};

}  // namespace quillmar
