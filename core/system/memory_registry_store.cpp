#include "system/memory_registry_store.h"

#include <cstddef>
#include <utility>

#include "base/bytes.h"

namespace quillmar {

namespace {

using Index = std::unordered_map<std::string, size_t>;

// The item of that name in `items` (a const or mutable vector), or nullptr.
template <typename Items>
auto Lookup(Items& items, const Index& index, const std::string& name) -> decltype(&items[0]) {
  const auto it = index.find(UpperAscii(name));
  return it == index.end() ? nullptr : &items[it->second];
}

// A key with everything below it.
template <typename Node>
size_t CountEntries(const Node& node) {
  size_t count = 1 + node.values.size();
  for (const auto& child : node.children) count += CountEntries(child);
  return count;
}

// Erases the item at `pos` and moves the positions behind it down by one.
template <typename Item>
void EraseAt(std::vector<Item>& items, Index& index, const std::string& name, size_t pos) {
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(pos));
  index.erase(UpperAscii(name));
  for (auto& entry : index)
    if (entry.second > pos) --entry.second;
}

}  // namespace

MemoryRegistryStore::MemoryRegistryStore(const MemoryRegistryStore& other) {
  std::lock_guard lock(other.mutex_);
  root_ = other.root_;
  entries_ = other.entries_;
}

MemoryRegistryStore& MemoryRegistryStore::operator=(const MemoryRegistryStore& other) {
  if (this == &other) return *this;
  Node copy;
  size_t entries = 0;
  {
    std::lock_guard lock(other.mutex_);
    copy = other.root_;
    entries = other.entries_;
  }
  std::lock_guard lock(mutex_);
  root_ = std::move(copy);
  entries_ = entries;
  return *this;
}

void MemoryRegistryStore::Swap(MemoryRegistryStore& other) {
  if (this == &other) return;
  std::scoped_lock lock(mutex_, other.mutex_);
  std::swap(root_, other.root_);
  std::swap(entries_, other.entries_);
}

size_t MemoryRegistryStore::EntryCount() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::optional<MemoryRegistryStore::ValueType> MemoryRegistryStore::TypeOf(
    const std::string& key, const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Value* v = FindValue(key, name);
  if (!v) return std::nullopt;
  if (std::holds_alternative<std::string>(*v)) return ValueType::kString;
  if (std::holds_alternative<int32_t>(*v)) return ValueType::kInteger;
  return ValueType::kBinary;
}

const MemoryRegistryStore::Node* MemoryRegistryStore::Find(const std::string& key) const {
  const Node* node = &root_;
  for (const auto& part : SplitKeyPath(key)) {
    node = Lookup(node->children, node->child_at, part);
    if (!node) return nullptr;
  }
  return node;
}

MemoryRegistryStore::Node* MemoryRegistryStore::Find(const std::string& key) {
  Node* node = &root_;
  for (const auto& part : SplitKeyPath(key)) {
    node = Lookup(node->children, node->child_at, part);
    if (!node) return nullptr;
  }
  return node;
}

MemoryRegistryStore::Node& MemoryRegistryStore::Make(const std::string& key) {
  Node* node = &root_;
  for (auto& part : SplitKeyPath(key)) {
    auto [it, added] = node->child_at.try_emplace(UpperAscii(part), node->children.size());
    if (added) {
      node->children.push_back(Node{std::move(part), {}, {}, {}, {}});
      ++entries_;
    }
    node = &node->children[it->second];
  }
  return *node;
}

const MemoryRegistryStore::Value* MemoryRegistryStore::FindValue(const std::string& key,
                                                                 const std::string& name) const {
  const Node* node = Find(key);
  if (!node) return nullptr;
  const auto* entry = Lookup(node->values, node->value_at, name);
  return entry ? &entry->second : nullptr;
}

void MemoryRegistryStore::Put(const std::string& key, const std::string& name, Value value) {
  std::lock_guard lock(mutex_);
  Node& node = Make(key);
  auto [it, added] = node.value_at.try_emplace(UpperAscii(name), node.values.size());
  if (added) {
    node.values.emplace_back(name, std::move(value));
    ++entries_;
  } else
    node.values[it->second].second = std::move(value);
}

bool MemoryRegistryStore::KeyExists(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return Find(key) != nullptr;
}

bool MemoryRegistryStore::ValueExists(const std::string& key, const std::string& name) const {
  std::lock_guard lock(mutex_);
  return FindValue(key, name) != nullptr;
}

std::optional<std::string> MemoryRegistryStore::ReadString(const std::string& key,
                                                           const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Value* v = FindValue(key, name);
  if (!v) return std::nullopt;
  if (auto s = std::get_if<std::string>(v)) return *s;
  if (auto i = std::get_if<int32_t>(v)) return std::to_string(*i);
  return std::nullopt;
}

std::optional<int32_t> MemoryRegistryStore::ReadInteger(const std::string& key,
                                                        const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Value* v = FindValue(key, name);
  if (!v) return std::nullopt;
  if (auto i = std::get_if<int32_t>(v)) return *i;
  if (auto s = std::get_if<std::string>(v)) return ParseInt32(*s);
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> MemoryRegistryStore::ReadBinary(const std::string& key,
                                                                    const std::string& name) const {
  std::lock_guard lock(mutex_);
  const Value* v = FindValue(key, name);
  if (!v) return std::nullopt;
  if (auto b = std::get_if<std::vector<uint8_t>>(v)) return *b;
  return std::nullopt;
}

void MemoryRegistryStore::CreateKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  Make(key);
}

void MemoryRegistryStore::WriteString(const std::string& key, const std::string& name,
                                      const std::string& value) {
  Put(key, name, value);
}

void MemoryRegistryStore::WriteInteger(const std::string& key, const std::string& name,
                                       int32_t value) {
  Put(key, name, value);
}

void MemoryRegistryStore::WriteBinary(const std::string& key, const std::string& name,
                                      const std::vector<uint8_t>& value) {
  Put(key, name, value);
}

std::vector<std::string> MemoryRegistryStore::SubKeys(const std::string& key) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  if (const Node* node = Find(key))
    for (const auto& child : node->children) names.push_back(child.name);
  return names;
}

std::vector<std::string> MemoryRegistryStore::ValueNames(const std::string& key) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  if (const Node* node = Find(key))
    for (const auto& [name, value] : node->values) names.push_back(name);
  return names;
}

void MemoryRegistryStore::DeleteKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto parts = SplitKeyPath(key);
  if (parts.empty()) {
    root_ = Node{};
    entries_ = 0;
    return;
  }
  const std::string last = parts.back();
  parts.pop_back();
  Node* node = &root_;
  for (const auto& part : parts) {
    node = Lookup(node->children, node->child_at, part);
    if (!node) return;
  }
  const auto it = node->child_at.find(UpperAscii(last));
  if (it == node->child_at.end()) return;
  entries_ -= CountEntries(node->children[it->second]);
  EraseAt(node->children, node->child_at, last, it->second);
}

void MemoryRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  std::lock_guard lock(mutex_);
  Node* node = Find(key);
  if (!node) return;
  const auto it = node->value_at.find(UpperAscii(name));
  if (it == node->value_at.end()) return;
  EraseAt(node->values, node->value_at, name, it->second);
  --entries_;
}

}  // namespace quillmar
