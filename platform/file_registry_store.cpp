#include "platform/file_registry_store.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "base/errors.h"
#include "base/language.h"
#include "platform/lock_file.h"
#include "platform/settings_file_format.h"
#include "platform/settings_texts.h"

namespace quillmar {

namespace {

[[noreturn]] void RaiseCannotSave(const std::string& path) {
  throw EInOutError(Format(Tr(kCannotSaveSettings), {path}));
}

// How long a writer waits for another process's save. A writer that was killed holds nothing:
// the system drops its lock.
constexpr std::chrono::milliseconds kLockWait{20000};

// Temporary files of writers killed before their rename ("<name>.XXXXXX" beside the file).
// Called under the lock, while no other writer has a temporary file.
void RemoveLeftOvers(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path file(path);
  const std::string prefix = file.filename().string() + ".";
  std::error_code ec;
  for (fs::directory_iterator entry(file.parent_path().empty() ? "." : file.parent_path(), ec), end;
       !ec && entry != end; entry.increment(ec)) {
    const std::string name = entry->path().filename().string();
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix) && !name.ends_with(".lock")) {
      std::error_code remove_ec;
      fs::remove(entry->path(), remove_ec);
    }
  }
}

}  // namespace

FileRegistryStore::FileRegistryStore(std::string path) : path_(std::move(path)) {}

void FileRegistryStore::Refresh() const {
  if (state_ != State::kUnread) {
    const auto now = StampFile(path_);
    if (now && *now == stamp_) return;
  }
  const FileContents file = ReadWholeFile(path_, kMaxSettingsFileSize);
  using Status = FileContents::Status;
  if (file.status == Status::kFailed) {
    state_ = State::kUnread;
    return;
  }
  MemoryRegistryStore fresh;
  if (file.status == Status::kTooLarge ||
      (file.status == Status::kRead && !ParseSettingsFile(file.bytes, fresh))) {
    state_ = State::kRefused;
    stamp_ = file.stamp;
    return;
  }
  tree_.Swap(fresh);
  state_ = State::kLoaded;
  stamp_ = file.stamp;
  text_ = FormatSettingsFile(tree_).value_or("");
  // Another process's save is kept under the open group's writes.
  if (group_depth_ > 0) RebuildGroupTree();
}

void FileRegistryStore::RebuildGroupTree() const {
  group_tree_ = tree_;
  for (const Change& change : group_changes_) change(group_tree_);
}

bool FileRegistryStore::InGroup() const {
  return group_depth_ > 0 && group_thread_ == std::this_thread::get_id();
}

const MemoryRegistryStore& FileRegistryStore::Current() const {
  Refresh();
  return InGroup() ? group_tree_ : tree_;
}

void FileRegistryStore::Modify(Change change) {
  std::lock_guard lock(mutex_);
  if (InGroup()) {
    Refresh();
    change(group_tree_);
    group_changes_.push_back(std::move(change));
    return;
  }
  Save({std::move(change)});
}

void FileRegistryStore::Save(const std::vector<Change>& changes) {
  // The lock file beside the settings file serialises read-modify-write between processes (the
  // reader, `quillmar register` in a shell): the file is read again under the lock, so no
  // process writes back a tree that misses another's change.
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::path(path_).parent_path();
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);  // a failure shows below
  LockFile file_lock(path_ + ".lock");
  if (!file_lock.Lock(kLockWait)) RaiseCannotSave(path_);
  RemoveLeftOvers(path_);
  Refresh();
  if (state_ != State::kLoaded) RaiseCannotSave(path_);
  MemoryRegistryStore next(tree_);
  for (const Change& change : changes) change(next);
  auto text = FormatSettingsFile(next);
  if (text && *text == text_) return;
  const auto stamp = text ? ReplaceFileAtomically(path_, *text) : std::nullopt;
  if (!stamp) RaiseCannotSave(path_);
  tree_.Swap(next);
  stamp_ = *stamp;
  text_ = std::move(*text);
}

void FileRegistryStore::WriteTogether(const std::function<void()>& changes) {
  size_t first = 0;  // this group's first change, among those of the groups around it
  bool joined = false;
  {
    std::lock_guard lock(mutex_);
    joined = group_depth_ == 0 || InGroup();
    if (joined) {
      if (group_depth_++ == 0) {
        Refresh();
        group_changes_.clear();
        group_tree_ = tree_;
        group_thread_ = std::this_thread::get_id();
      }
      first = group_changes_.size();
    }
  }
  // While another thread's group is open, this thread's writes are saved one by one.
  if (!joined) {
    changes();
    return;
  }
  try {
    changes();
  } catch (...) {
    std::lock_guard lock(mutex_);
    group_changes_.resize(first);
    if (--group_depth_ > 0) {
      RebuildGroupTree();
    } else {
      group_tree_ = MemoryRegistryStore();
    }
    throw;
  }
  std::lock_guard lock(mutex_);
  if (--group_depth_ > 0) return;
  std::vector<Change> group;
  group.swap(group_changes_);
  group_tree_ = MemoryRegistryStore();
  if (!group.empty()) Save(group);
}

bool FileRegistryStore::KeyExists(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return Current().KeyExists(key);
}

bool FileRegistryStore::ValueExists(const std::string& key, const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Current().ValueExists(key, name);
}

std::optional<std::string> FileRegistryStore::ReadString(const std::string& key,
                                                         const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Current().ReadString(key, name);
}

std::optional<int32_t> FileRegistryStore::ReadInteger(const std::string& key,
                                                      const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Current().ReadInteger(key, name);
}

std::optional<std::vector<uint8_t>> FileRegistryStore::ReadBinary(const std::string& key,
                                                                  const std::string& name) const {
  std::lock_guard lock(mutex_);
  return Current().ReadBinary(key, name);
}

std::vector<std::string> FileRegistryStore::SubKeys(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return Current().SubKeys(key);
}

std::vector<std::string> FileRegistryStore::ValueNames(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return Current().ValueNames(key);
}

void FileRegistryStore::CreateKey(const std::string& key) {
  Modify([key](MemoryRegistryStore& tree) { tree.CreateKey(key); });
}

void FileRegistryStore::WriteString(const std::string& key, const std::string& name,
                                    const std::string& value) {
  Modify([key, name, value](MemoryRegistryStore& tree) { tree.WriteString(key, name, value); });
}

void FileRegistryStore::WriteInteger(const std::string& key, const std::string& name,
                                     int32_t value) {
  Modify([key, name, value](MemoryRegistryStore& tree) { tree.WriteInteger(key, name, value); });
}

void FileRegistryStore::WriteBinary(const std::string& key, const std::string& name,
                                    const std::vector<uint8_t>& value) {
  Modify([key, name, value](MemoryRegistryStore& tree) { tree.WriteBinary(key, name, value); });
}

void FileRegistryStore::DeleteKey(const std::string& key) {
  Modify([key](MemoryRegistryStore& tree) { tree.DeleteKey(key); });
}

void FileRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  Modify([key, name](MemoryRegistryStore& tree) { tree.DeleteValue(key, name); });
}

}  // namespace quillmar
