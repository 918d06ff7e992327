#include "platform/qt_dynamic_library.h"

#include <QFileInfo>
#include <QLibrary>
#include <QString>
#include <map>
#include <mutex>

namespace quillmar {

namespace {

// One QLibrary per file, shared by every object that loaded it, with a count of its users. Qt
// shares the system handle among QLibrary objects of a file as well, but does not count every
// object's load, so unloading one object could unmap the code that another one still calls.
struct SharedLibrary {
  explicit SharedLibrary(const QString& path) : library(path) {
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
  }
  QLibrary library;
  int users = 0;
};

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::map<QString, std::shared_ptr<SharedLibrary>>& Loaded() {
  static std::map<QString, std::shared_ptr<SharedLibrary>> loaded;
  return loaded;
}

class QtDynamicLibrary : public DynamicLibrary {
 public:
  QtDynamicLibrary(std::shared_ptr<SharedLibrary> shared, QString key)
      : shared_(std::move(shared)), key_(std::move(key)) {}

  // An object dropped without Unload leaves the library loaded, as QLibrary does.
  ~QtDynamicLibrary() override {
    std::lock_guard lock(Lock());
    if (loaded_ && --shared_->users == 0) Loaded().erase(key_);
  }

  void* Symbol(const std::string& name) override {
    std::lock_guard lock(Lock());
    if (!loaded_) return nullptr;
    return reinterpret_cast<void*>(shared_->library.resolve(name.c_str()));
  }

  bool Unload() override {
    std::lock_guard lock(Lock());
    if (!loaded_) return true;
    if (shared_->users == 1) {
      if (!shared_->library.unload()) return false;  // still loaded; may be asked again
      Loaded().erase(key_);
    }
    --shared_->users;
    loaded_ = false;
    return true;
  }

 private:
  std::shared_ptr<SharedLibrary> shared_;
  QString key_;
  bool loaded_ = true;
};

}  // namespace

std::unique_ptr<DynamicLibrary> QtDynamicLibraries::Load(const std::string& path) {
  const QFileInfo file(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
  // Only an existing file named by an absolute path: QLibrary would otherwise search the
  // system's library path and try names with a prefix or suffix added.
  if (!file.isAbsolute() || !file.isFile()) return nullptr;
  const QString key = file.canonicalFilePath();
  std::lock_guard lock(Lock());
  auto& shared = Loaded()[key];
  if (!shared) {
    shared = std::make_shared<SharedLibrary>(key);
    if (!shared->library.load()) {
      Loaded().erase(key);
      return nullptr;
    }
  }
  ++shared->users;
  return std::make_unique<QtDynamicLibrary>(shared, key);
}

}  // namespace quillmar
