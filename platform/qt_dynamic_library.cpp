#include "platform/qt_dynamic_library.h"

#include <QFileInfo>
#include <QLibrary>
#include <QString>
#include <map>
#include <mutex>

namespace quillmar {

namespace {

// How many loaded QtDynamicLibrary objects each file has (by canonical path).
std::mutex& CountLock() {
  static std::mutex lock;
  return lock;
}
std::map<QString, int>& OpenCounts() {
  static std::map<QString, int> counts;
  return counts;
}

class QtDynamicLibrary : public DynamicLibrary {
 public:
  explicit QtDynamicLibrary(const QString& path) : library_(path) {
    library_.setLoadHints(QLibrary::ResolveAllSymbolsHint);
  }
  ~QtDynamicLibrary() override {
    // An object dropped without Unload leaves the library loaded (as QLibrary does); its count
    // goes so that other objects of the file can still unload it.
    if (loaded_) Forget();
  }

  bool Open() {
    if (!library_.load()) return false;
    key_ = QFileInfo(library_.fileName()).canonicalFilePath();
    std::lock_guard lock(CountLock());
    ++OpenCounts()[key_];
    loaded_ = true;
    return true;
  }

  void* Symbol(const std::string& name) override {
    if (!loaded_) return nullptr;
    return reinterpret_cast<void*>(library_.resolve(name.c_str()));
  }

  bool Unload() override {
    if (!loaded_) return true;
    std::lock_guard lock(CountLock());
    int& count = OpenCounts()[key_];
    // Another object still holds the file: Qt only counts this one down.
    const bool last = count <= 1;
    if (!library_.unload() && last) return false;
    loaded_ = false;
    if (--count <= 0) OpenCounts().erase(key_);
    return true;
  }

 private:
  void Forget() {
    std::lock_guard lock(CountLock());
    auto it = OpenCounts().find(key_);
    if (it != OpenCounts().end() && --it->second <= 0) OpenCounts().erase(it);
  }

  QLibrary library_;
  QString key_;
  bool loaded_ = false;
};

}  // namespace

std::unique_ptr<DynamicLibrary> QtDynamicLibraries::Load(const std::string& path) {
  const QFileInfo file(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
  // Only an existing file named by an absolute path: QLibrary would otherwise search the
  // system's library path and try names with a prefix or suffix added.
  if (!file.isAbsolute() || !file.isFile()) return nullptr;
  auto library = std::make_unique<QtDynamicLibrary>(file.absoluteFilePath());
  if (!library->Open()) return nullptr;
  return library;
}

}  // namespace quillmar
