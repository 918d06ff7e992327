#include "collection/ini_file.h"

#include <algorithm>
#include <fstream>
#include <string_view>

#include "base/bytes.h"
#include "base/paths.h"

namespace quillmar {

IniFile::IniFile(const std::string& path) {
  const auto real = ResolveExisting(path);
  if (!real) return;
  std::ifstream in;
  if (!OpenForReading(in, *real)) return;
  // No more than the file holds (and at most kMaxBytes) is allocated.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0);
  if (size <= 0) return;
  std::string text(std::min(static_cast<size_t>(size), kMaxBytes), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));

  Section* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      const std::string name = Trim(line.substr(1, close == std::string::npos ? close : close - 1));
      const size_t index = IndexOf(name);
      current = index != std::string::npos ? &sections_[index]
                                           : &sections_.emplace_back(Section{name, {}});
      continue;
    }
    const size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    current->values.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
}

size_t IniFile::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < sections_.size(); ++i)
    if (EqualsNoCaseAscii(sections_[i].name, name)) return i;
  return std::string::npos;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const size_t index = IndexOf(section);
  if (index == std::string::npos) return def;
  for (const auto& [k, v] : sections_[index].values)
    if (EqualsNoCaseAscii(k, key)) return v;
  return def;
}

}  // namespace quillmar
