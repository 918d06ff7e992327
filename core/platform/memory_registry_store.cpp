#include "platform/memory_registry_store.h"

#include <algorithm>
#include <charconv>

#include "base/bytes.h"

namespace quillmar {

namespace {

std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : key) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

template <typename Range>
auto FindNamed(Range& range, const std::string& name) {
  return std::find_if(range.begin(), range.end(),
                      [&](const auto& item) { return EqualsNoCaseAscii(item.name, name); });
}

template <typename Range>
auto FindValueNamed(Range& range, const std::string& name) {
  return std::find_if(range.begin(), range.end(),
                      [&](const auto& item) { return EqualsNoCaseAscii(item.first, name); });
}

}  // namespace

const MemoryRegistryStore::Node* MemoryRegistryStore::Find(const std::string& key) const {
  const Node* node = &root_;
  for (const auto& part : SplitKey(key)) {
    auto it = FindNamed(node->children, part);
    if (it == node->children.end()) return nullptr;
    node = &*it;
  }
  return node;
}

MemoryRegistryStore::Node& MemoryRegistryStore::Make(const std::string& key) {
  Node* node = &root_;
  for (const auto& part : SplitKey(key)) {
    auto it = FindNamed(node->children, part);
    if (it == node->children.end()) {
      node->children.push_back(Node{part, {}, {}});
      node = &node->children.back();
    } else {
      node = &*it;
    }
  }
  return *node;
}

const MemoryRegistryStore::Value* MemoryRegistryStore::FindValue(const std::string& key,
                                                                 const std::string& name) const {
  const Node* node = Find(key);
  if (!node) return nullptr;
  auto it = FindValueNamed(node->values, name);
  return it == node->values.end() ? nullptr : &it->second;
}

void MemoryRegistryStore::Put(const std::string& key, const std::string& name, Value value) {
  std::lock_guard lock(mutex_);
  Node& node = Make(key);
  auto it = FindValueNamed(node.values, name);
  if (it == node.values.end())
    node.values.emplace_back(name, std::move(value));
  else
    it->second = std::move(value);
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
  if (auto s = std::get_if<std::string>(v)) {
    int32_t out = 0;
    const std::string t = Trim(*s);
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) return out;
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> MemoryRegistryStore::ReadBinary(
    const std::string& key, const std::string& name) const {
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
  auto parts = SplitKey(key);
  if (parts.empty()) {
    root_ = Node{};
    return;
  }
  const std::string last = parts.back();
  parts.pop_back();
  Node* node = &root_;
  for (const auto& part : parts) {
    auto it = FindNamed(node->children, part);
    if (it == node->children.end()) return;
    node = &*it;
  }
  auto it = FindNamed(node->children, last);
  if (it != node->children.end()) node->children.erase(it);
}

void MemoryRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  std::lock_guard lock(mutex_);
  const Node* found = Find(key);
  if (!found) return;
  Node& node = const_cast<Node&>(*found);
  auto it = FindValueNamed(node.values, name);
  if (it != node.values.end()) node.values.erase(it);
}

}  // namespace quillmar
