#include "plugins/module_id_cache.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "base/paths.h"
#include "system/file_writer.h"

namespace quillmar {

namespace {

constexpr char kHeader[] = "quillmar module IDs 1";
// Far more than any plug-in directory needs; a larger file is not this program's.
constexpr uintmax_t kMaxFileSize = 1 << 20;

bool Storable(const std::string& text) { return text.find_first_of("\t\r\n") == std::string::npos; }

}  // namespace

ModuleIdCache::ModuleIdCache(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  std::error_code ec;
  const auto size = std::filesystem::file_size(FsPath(path_), ec);
  if (ec || size > kMaxFileSize) return;
  std::ifstream in(FsPath(path_), std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return;
  // <size> TAB <modified> TAB <ID> TAB <file>
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Entry entry;
    std::string file;
    char tab1 = 0, tab2 = 0;
    if (!(fields >> entry.size) || !fields.get(tab1) || !(fields >> entry.modified) ||
        !fields.get(tab2) || !std::getline(fields, entry.id, '\t') || !std::getline(fields, file))
      continue;
    if (tab1 != '\t' || tab2 != '\t' || entry.id.empty() || file.empty()) continue;
    read_[file] = std::move(entry);
  }
}

std::optional<ModuleIdCache::Entry> ModuleIdCache::Stamp(const std::string& file) {
  std::error_code ec;
  const std::filesystem::path p = FsPath(file);
  const auto size = std::filesystem::file_size(p, ec);
  if (ec) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(p, ec);
  if (ec) return std::nullopt;
  Entry entry;
  entry.size = size;
  entry.modified = static_cast<int64_t>(modified.time_since_epoch().count());
  return entry;
}

std::optional<std::string> ModuleIdCache::Find(const std::string& file) const {
  const auto it = read_.find(file);
  if (it == read_.end()) return std::nullopt;
  const auto now = Stamp(file);
  if (!now || now->size != it->second.size || now->modified != it->second.modified)
    return std::nullopt;
  used_[file] = it->second;
  return it->second.id;
}

void ModuleIdCache::Remember(const std::string& file, const std::string& id) {
  if (path_.empty() || !Storable(file) || !Storable(id) || id.empty()) return;
  auto entry = Stamp(file);
  if (!entry) return;
  entry->id = id;
  used_[file] = std::move(*entry);
}

void ModuleIdCache::Save() {
  if (path_.empty() || used_ == read_) return;
  std::ostringstream out;
  out << kHeader << '\n';
  for (const auto& [file, entry] : used_)
    out << entry.size << '\t' << entry.modified << '\t' << entry.id << '\t' << file << '\n';
  std::error_code ec;
  std::filesystem::create_directories(FsPath(path_).parent_path(), ec);
  if (StandardFileWriter().ReplaceFile(path_, out.str())) read_ = used_;
}

}  // namespace quillmar
