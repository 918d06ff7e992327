#include "system/memory_registry_store.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "base/bytes.h"

namespace quillmar {

namespace {

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Calls f with each part of a key path (parts are separated by backslashes or slashes; empty
// ones are skipped, as the Windows registry does), in order; stops when f returns false.
template <typename F>
bool ForEachPart(std::string_view key, F f) {
  size_t begin = 0;
  while (begin <= key.size()) {
    size_t end = key.find_first_of("\\/", begin);
    if (end == std::string_view::npos) end = key.size();
    if (end > begin && !f(key.substr(begin, end - begin))) return false;
    begin = end + 1;
  }
  return true;
}

// A key with everything below it.
template <typename Node>
size_t CountEntries(const Node& node) {
  size_t count = 1 + node.values.size();
  for (const auto& child : node.children) count += CountEntries(child);
  return count;
}

}  // namespace

size_t MemoryRegistryStore::FoldedHash::operator()(std::string_view name) const {
  // FNV-1a over the folded bytes.
  uint64_t h = 14695981039346656037ull;
  for (char c : name) h = (h ^ static_cast<unsigned char>(Folded(c))) * 1099511628211ull;
  return static_cast<size_t>(h);
}

bool MemoryRegistryStore::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

// The item of that name in `items` (a const or mutable vector), or nullptr.
template <typename Items>
auto MemoryRegistryStore::Lookup(Items& items, const Index& index, std::string_view name)
    -> decltype(&items[0]) {
  const auto it = index.find(name);
  return it == index.end() ? nullptr : &items[it->second];
}

// Erases the item `at` names and moves the positions behind it down by one.
template <typename Item>
void MemoryRegistryStore::EraseAt(std::vector<Item>& items, Index& index, Index::iterator at) {
  const size_t pos = at->second;
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(pos));
  index.erase(at);
  for (auto& entry : index)
    if (entry.second > pos) --entry.second;
}

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
  last_node_ = nullptr;
  return *this;
}

void MemoryRegistryStore::Swap(MemoryRegistryStore& other) {
  if (this == &other) return;
  std::scoped_lock lock(mutex_, other.mutex_);
  std::swap(root_, other.root_);
  std::swap(entries_, other.entries_);
  last_node_ = other.last_node_ = nullptr;
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
  if (last_node_ && key == last_key_) return last_node_;
  const Node* node = &root_;
  ForEachPart(key, [&](std::string_view part) {
    node = Lookup(node->children, node->child_at, part);
    return node != nullptr;
  });
  if (node) {
    last_key_ = key;
    last_node_ = node;
  }
  return node;
}

MemoryRegistryStore::Node* MemoryRegistryStore::Find(const std::string& key) {
  return const_cast<Node*>(std::as_const(*this).Find(key));
}

MemoryRegistryStore::Node& MemoryRegistryStore::Make(const std::string& key) {
  if (last_node_ && key == last_key_) return const_cast<Node&>(*last_node_);
  Node* node = &root_;
  ForEachPart(key, [&](std::string_view part) {
    auto it = node->child_at.find(part);
    if (it == node->child_at.end()) {
      it = node->child_at.emplace(std::string(part), node->children.size()).first;
      node->children.push_back(Node{std::string(part), {}, {}, {}, {}});
      ++entries_;
    }
    node = &node->children[it->second];
    return true;
  });
  last_key_ = key;
  last_node_ = node;
  return *node;
}

const MemoryRegistryStore::Value* MemoryRegistryStore::FindValue(const std::string& key,
                                                                 const std::string& name) const {
  const Node* node = Find(key);
  if (!node) return nullptr;
  const auto* entry = Lookup(node->values, node->value_at, std::string_view(name));
  return entry ? &entry->second : nullptr;
}

void MemoryRegistryStore::Put(const std::string& key, const std::string& name, Value value) {
  std::lock_guard lock(mutex_);
  Node& node = Make(key);
  const auto it = node.value_at.find(name);
  if (it == node.value_at.end()) {
    node.value_at.emplace(name, node.values.size());
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
  last_node_ = nullptr;
  // The key's parent and the key's last part.
  Node* parent = nullptr;
  Node* node = &root_;
  std::string_view last;
  if (!ForEachPart(key, [&](std::string_view part) {
        parent = node;
        last = part;
        node = Lookup(node->children, node->child_at, part);
        return node != nullptr;
      }))
    return;
  if (!parent) {
    root_ = Node{};
    entries_ = 0;
    return;
  }
  const auto it = parent->child_at.find(last);
  entries_ -= CountEntries(parent->children[it->second]);
  EraseAt(parent->children, parent->child_at, it);
}

void MemoryRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  std::lock_guard lock(mutex_);
  Node* node = Find(key);
  if (!node) return;
  const auto it = node->value_at.find(std::string_view(name));
  if (it == node->value_at.end()) return;
  EraseAt(node->values, node->value_at, it);
  --entries_;
}

}  // namespace quillmar
