#pragma once

#include <mutex>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "system/registry_store.h"

namespace quillmar {

// A RegistryStore kept in memory. Key and value names compare case-insensitively, as in the
// Windows registry, and keep the spelling of their first write. Each key indexes its sub-keys and
// values by name, so a lookup costs the same however many names a key holds.
class MemoryRegistryStore : public RegistryStore {
 public:
  enum class ValueType { kString, kInteger, kBinary };

  MemoryRegistryStore() = default;
  // Copies and swaps take the whole tree at once, each under the locks of the stores involved.
  MemoryRegistryStore(const MemoryRegistryStore& other);
  MemoryRegistryStore& operator=(const MemoryRegistryStore& other);
  void Swap(MemoryRegistryStore& other);

  // The type a value was written with; std::nullopt when the key or value is missing.
  std::optional<ValueType> TypeOf(const std::string& key, const std::string& name) const;
  // The number of keys (the root not counted) and values in the whole tree.
  size_t EntryCount() const;

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
  // Hashing and equality of names with ASCII letters folded, looked up by std::string_view, so
  // that a lookup copies no name.
  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // Positions in a node's `values` or `children` by name.
  using Index = std::unordered_map<std::string, size_t, FoldedHash, FoldedEqual>;
  struct Node {
    std::string name;
    std::vector<std::pair<std::string, Value>> values;
    std::vector<Node> children;
    Index value_at;
    Index child_at;
  };

  const Node* Find(const std::string& key) const;
  Node* Find(const std::string& key);
  Node& Make(const std::string& key);
  const Value* FindValue(const std::string& key, const std::string& name) const;
  template <typename Items>
  static auto Lookup(Items& items, const Index& index, std::string_view name)
      -> decltype(&items[0]);
  template <typename Item>
  static void EraseAt(std::vector<Item>& items, Index& index, Index::iterator at);
  void Put(const std::string& key, const std::string& name, Value value);

  mutable std::mutex mutex_;
  Node root_;
  size_t entries_ = 0;
  // The key last found or made, as it was spelled, and its node: values are mostly read and
  // written several to a key in a row. Nodes move when keys are added or removed; adding happens
  // only in Make, which then holds its own key here, and removing resets it.
  mutable std::string last_key_;
  mutable const Node* last_node_ = nullptr;
};

}  // namespace quillmar
