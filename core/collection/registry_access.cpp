#include "collection/registry_access.h"

namespace quillmar {

std::optional<bool> RegistryAccess::ReadBool(const std::string& key,
                                             const std::string& name) const {
  auto v = store_.ReadInteger(key, name);
  if (!v) return std::nullopt;
  return *v != 0;
}

bool RegistryAccess::ReadBoolDef(const std::string& key, const std::string& name, bool def) {
  if (auto v = ReadBool(key, name)) return *v;
  WriteBool(key, name, def);
  return def;
}

int32_t RegistryAccess::ReadIntegerDef(const std::string& key, const std::string& name,
                                       int32_t def) {
  if (auto v = store_.ReadInteger(key, name)) return *v;
  store_.WriteInteger(key, name, def);
  return def;
}

std::string RegistryAccess::ReadStringDef(const std::string& key, const std::string& name,
                                          const std::string& def) {
  if (auto v = store_.ReadString(key, name)) return *v;
  store_.WriteString(key, name, def);
  return def;
}

std::vector<uint8_t> RegistryAccess::ReadBinaryDef(const std::string& key, const std::string& name,
                                                   const std::vector<uint8_t>& def) {
  if (auto v = store_.ReadBinary(key, name); v && v->size() == kBinarySize) return *v;
  store_.WriteBinary(key, name, def);
  return def;
}

}  // namespace quillmar
