#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/registry_store.h"

class QSettings;
class QVariant;

namespace quillmar {

// The settings store on QSettings: an INI file, or on Windows the registry's current-user hive.
//
// Key paths map "\" (or "/") to QSettings groups. Key and value names match without regard to
// case, as in the registry, also in an INI file on a case-sensitive system: an existing name is
// found whatever its spelling and keeps the spelling of its first write. A key exists once it is
// created, also when it holds nothing: every created key carries an empty marker value named "."
// (on Windows the key's default value), which the listings leave out; "." is therefore no valid
// value name, nor is a name that is empty or contains a separator.
//
// Every write is saved at once. In an INI file the save replaces the whole file atomically (a
// temporary file renamed over the old one); when it fails, the write raises EInOutError naming the
// file, the file stays as it was and the store forgets the failed change. Reads never touch the
// disk after the store has been opened.
//
// Integers read back as integers; in an INI file they are stored as text, so a string of digits
// reads as an integer too. Binary values keep their type. Listings are in case-insensitive name
// order, the order the registry itself keeps sub-keys in.
class QtRegistryStore : public RegistryStore {
 public:
  explicit QtRegistryStore(const std::string& iniPath);
  ~QtRegistryStore() override;
  QtRegistryStore(const QtRegistryStore&) = delete;
  QtRegistryStore& operator=(const QtRegistryStore&) = delete;

  // The user's store: the registry on Windows, elsewhere "quillmar.ini" in ConfigDirectory()
  // (the directory is created when missing).
  static std::unique_ptr<QtRegistryStore> OpenUserStore();

  // The INI file's path, or "HKEY_CURRENT_USER".
  const std::string& Location() const { return location_; }

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
  class Transaction;
  enum class Backend { kIniFile, kNativeRegistry };

  QtRegistryStore(Backend backend, const std::string& location);

  // Replaces the QSettings object by a fresh one on the same store (clears a sticky status).
  void Reopen();
  // Saves the changes of `tx`; on failure puts them back and raises EInOutError.
  void Commit(Transaction& tx);
  // Makes sure no status left from an earlier failure is taken for the next write's.
  void PrepareWrite();
  void Write(const std::string& key, const std::string& name, const QVariant& value);

  Backend backend_;
  std::string location_;
  mutable std::mutex mutex_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace quillmar
