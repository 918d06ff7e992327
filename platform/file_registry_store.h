#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_file.h"
#include "system/memory_registry_store.h"
#include "system/registry_store.h"

namespace quillmar {

// The settings store in a text file of its own format (settings_file_format.h): the user's store
// outside Windows.
//
// The whole tree is kept in memory; the file is read at the first call. Before every call the
// file's stamp (size, modification time, inode) is compared with the one last read or written,
// and the file is read again when another process has replaced it, so a write never undoes a
// change that another process saved before it. Every write holds the lock file "<path>.lock"
// (LockFile) from reading the file again to the rename, so two processes writing at the same
// moment are serialised and neither loses a change.
//
// Every write that changes the tree saves the whole file at once and atomically: a new file in
// the same directory (created when missing), flushed to the disk, renamed over the old one. When
// that fails the write raises EInOutError naming the file, the file stays as it was and the tree
// is put back as it was before the write. A write that changes nothing saves nothing.
//
// A file that cannot be read (no permission, larger than the format's limits) is not overwritten:
// reads answer from what was read before (an empty store at first) and writes raise EInOutError
// until the file can be read again. A file that is missing is an empty store.
//
// WriteTogether groups writes into one such save: the file is not locked meanwhile, and the
// group's changes are applied again to the file as read under the lock at the end, so another
// process's save in between is kept as well.
//
// Names compare without regard to ASCII case and keep their first spelling; listings are in
// stored order (the file's order). One mutex guards each call.
class FileRegistryStore : public RegistryStore {
 public:
  explicit FileRegistryStore(std::string path);
  FileRegistryStore(const FileRegistryStore&) = delete;
  FileRegistryStore& operator=(const FileRegistryStore&) = delete;

  const std::string& Path() const { return path_; }

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
  void WriteTogether(const std::function<void()>& changes) override;

 private:
  using Change = std::function<void(MemoryRegistryStore&)>;

  // Reads the file again unless its stamp is the one last read or written. Needs mutex_.
  void Refresh() const;
  // The tree after Refresh(), with the writes of an open group, for one read under mutex_.
  const MemoryRegistryStore& Current() const;
  // Applies `change` to the tree and saves it; see the class comment for failures. Within a
  // group the change is kept for the group's save.
  void Modify(Change change);
  // Saves the file's tree, read again under the lock file, with `changes` applied. Needs mutex_.
  void Save(const std::vector<Change>& changes);
  // group_tree_ from tree_ and the group's changes. Needs mutex_.
  void RebuildGroupTree() const;
  // Whether a group is open on this thread. Needs mutex_.
  bool InGroup() const;

  enum class State {
    kUnread,   // the file could not be read; tried again at the next call
    kLoaded,   // tree_ mirrors the file of stamp_
    kRefused,  // the file of stamp_ exceeds the format's limits; tried again once it changes
  };

  const std::string path_;
  mutable std::mutex mutex_;
  mutable MemoryRegistryStore tree_;
  mutable State state_ = State::kUnread;
  mutable FileStamp stamp_;
  mutable std::string text_;  // the file text of tree_, to tell whether a write changed it

  // An open group (WriteTogether): its thread, its depth, its changes in order, and tree_ with
  // them applied (rebuilt when the file is read again). Other threads read and write tree_.
  std::thread::id group_thread_;
  int group_depth_ = 0;
  std::vector<Change> group_changes_;
  mutable MemoryRegistryStore group_tree_;
};

}  // namespace quillmar
