#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "system/registry_store.h"

class QSettings;
class QVariant;

namespace quillmar {

// The settings store on QSettings: on Windows the registry's current-user hive (the user's
// store there), or an INI file, which serves to test the key mapping on any system. Outside
// Windows the user's settings live in a FileRegistryStore instead (OpenUserStore).
//
// Key paths map "\" (or "/") to QSettings groups. Key and value names match without regard to
// case, as in the registry, also in an INI file on a case-sensitive system: an existing name is
// found whatever its spelling and keeps the spelling of its first write. A key exists once it is
// created, also when it holds nothing: every created key carries an empty marker value named "."
// (on Windows the key's default value), which the listings leave out; "." is therefore no valid
// value name, nor is a name that is empty or contains a separator.
//
// Every write is saved at once. When QSettings reports the save as failed, the write raises
// EInOutError naming the location and the store forgets the failed change. An INI file is
// written to a temporary file that is renamed over the old one, but that is not safe: Qt 6.4's
// QSaveFile::commit ignores an error of its final flush, so a save that runs into a full disk or
// a file-size limit can rename a cut-off file over the good one and report success. Reads never
// touch the disk after the store has been opened.
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

#ifdef _WIN32
  // The store on the registry's current-user hive.
  static std::unique_ptr<RegistryStore> OpenUserRegistry();
#endif

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
