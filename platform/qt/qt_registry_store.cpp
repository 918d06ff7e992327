#include "platform/qt/qt_registry_store.h"

#include <QByteArray>
#include <QEvent>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "platform/settings_texts.h"

namespace quillmar {

namespace {

constexpr char kNativeLocation[] = "HKEY_CURRENT_USER";

// The empty value every created key holds, so that a key without values or sub-keys exists in an
// INI file too. In the Windows registry QSettings maps "." to the key's default value.
const QString& Marker() {
  static const QString marker = QStringLiteral(".");
  return marker;
}

// QSettings asks itself, through a posted event, to save pending changes later in the thread it
// lives in. Every change here is saved at once under the store's lock, so that request must not
// run behind the lock's back.
class ExplicitSettings : public QSettings {
 public:
  using QSettings::QSettings;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) return true;
    return QSettings::event(event);
  }
};

QStringList SplitKey(const std::string& key) {
  QStringList parts;
  for (const auto& part : SplitKeyPath(key)) parts.push_back(QString::fromStdString(part));
  return parts;
}

bool ValidValueName(const std::string& name) {
  return !name.empty() && name != "." && name.find_first_of("/\\") == std::string::npos;
}

QString Join(const QString& group, const QString& child) {
  return group.isEmpty() ? child : group + u'/' + child;
}

// The direct sub-groups (or values) of a group as QSettings spells them.
QStringList Children(QSettings& settings, const QString& group, bool groups) {
  if (!group.isEmpty()) settings.beginGroup(group);
  QStringList names = groups ? settings.childGroups() : settings.childKeys();
  if (!group.isEmpty()) settings.endGroup();
  return names;
}

// The stored spelling of `wanted` among `names`: the exact one if present, else the first that
// differs only in letter case.
std::optional<QString> Match(const QStringList& names, const QString& wanted) {
  if (names.contains(wanted)) return wanted;
  for (const QString& name : names)
    if (name.compare(wanted, Qt::CaseInsensitive) == 0) return name;
  return std::nullopt;
}

// The stored path of an existing key ("" for the root).
std::optional<QString> FindKey(QSettings& settings, const QStringList& parts) {
  const QString exact = parts.join(u'/');
  if (parts.isEmpty() || settings.contains(Join(exact, Marker()))) return exact;
  QString group;
  for (const QString& part : parts) {
    const auto match = Match(Children(settings, group, true), part);
    if (!match) return std::nullopt;
    group = Join(group, *match);
  }
  return group;
}

// The stored path of an existing value.
std::optional<QString> FindValue(QSettings& settings, const std::string& key,
                                 const std::string& name) {
  if (!ValidValueName(name)) return std::nullopt;
  const QStringList parts = SplitKey(key);
  const QString wanted = QString::fromStdString(name);
  const QString exact = Join(parts.join(u'/'), wanted);
  if (settings.contains(exact)) return exact;
  const auto group = FindKey(settings, parts);
  if (!group) return std::nullopt;
  const auto match = Match(Children(settings, *group, false), wanted);
  if (!match) return std::nullopt;
  return Join(*group, *match);
}

bool IsIntegerType(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return true;
    default:
      return false;
  }
}

std::optional<int32_t> AsInteger(const QVariant& v) {
  if (IsIntegerType(v)) {
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
      return std::nullopt;
    return static_cast<int32_t>(n);
  }
  if (v.typeId() == QMetaType::QString) return ParseInt32(v.toString().toStdString());
  return std::nullopt;
}

std::optional<std::string> AsString(const QVariant& v) {
  if (v.typeId() == QMetaType::QString) return v.toString().toStdString();
  if (IsIntegerType(v)) return v.toString().toStdString();
  // An INI line edited by hand with an unquoted comma reads as a list.
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(u", ").toStdString();
  return std::nullopt;
}

// Every stored entry at `path` itself and below it (the value of that name in the parent key and
// the whole key of that name), enough to put that part of the store back as it was.
struct Region {
  QString path;
  std::vector<std::pair<QString, QVariant>> entries;
};

Region Capture(QSettings& settings, const QString& path) {
  Region region{path, {}};
  if (!path.isEmpty() && settings.contains(path))
    region.entries.emplace_back(path, settings.value(path));
  if (!path.isEmpty()) settings.beginGroup(path);
  const QStringList below = settings.allKeys();
  if (!path.isEmpty()) settings.endGroup();
  for (const QString& name : below) {
    const QString full = Join(path, name);
    region.entries.emplace_back(full, settings.value(full));
  }
  return region;
}

void Restore(QSettings& settings, const Region& region) {
  if (region.path.isEmpty())
    settings.clear();
  else
    settings.remove(region.path);
  for (const auto& [path, value] : region.entries) settings.setValue(path, value);
}

std::vector<std::string> SortedNames(const QStringList& names) {
  QStringList sorted;
  for (const QString& name : names)
    if (name != Marker()) sorted.push_back(name);
  std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(sorted.size()));
  for (const QString& name : sorted) out.push_back(name.toStdString());
  return out;
}

std::unique_ptr<QSettings> OpenSettings(bool native, const std::string& location) {
  std::unique_ptr<QSettings> settings;
  if (native)
    settings = std::make_unique<ExplicitSettings>(QString::fromUtf8(kNativeLocation),
                                                  QSettings::NativeFormat);
  else
    settings =
        std::make_unique<ExplicitSettings>(QString::fromStdString(location), QSettings::IniFormat);
  // Never fall back to writing the file in place: a failed save must leave the old file whole.
  settings->setAtomicSyncRequired(true);
  return settings;
}

}  // namespace

// The parts of the store one write changes, captured before the change so that a failed save
// can be undone.
class QtRegistryStore::Transaction {
 public:
  explicit Transaction(QSettings& settings) : settings_(settings) {}

  void Touch(const QString& path) { regions_.push_back(Capture(settings_, path)); }
  bool Empty() const { return regions_.empty(); }
  void RollBack(QSettings& settings) const {
    for (auto it = regions_.rbegin(); it != regions_.rend(); ++it) Restore(settings, *it);
  }

  // The stored path of a key, created with all its parents where missing.
  QString MakeKey(const QStringList& parts) {
    QString group;
    for (const QString& part : parts) {
      const auto match = Match(Children(settings_, group, true), part);
      group = Join(group, match ? *match : part);
      const QString marker = Join(group, Marker());
      if (!settings_.contains(marker)) {
        Touch(marker);
        settings_.setValue(marker, QString());
      }
    }
    return group;
  }

 private:
  QSettings& settings_;
  std::vector<Region> regions_;
};

QtRegistryStore::QtRegistryStore(const std::string& iniPath)
    : QtRegistryStore(Backend::kIniFile, iniPath) {}

QtRegistryStore::QtRegistryStore(Backend backend, const std::string& location)
    : backend_(backend),
      location_(location),
      settings_(OpenSettings(backend == Backend::kNativeRegistry, location)) {}

QtRegistryStore::~QtRegistryStore() = default;

#ifdef _WIN32
std::unique_ptr<RegistryStore> QtRegistryStore::OpenUserRegistry() {
  return std::unique_ptr<RegistryStore>(
      new QtRegistryStore(Backend::kNativeRegistry, kNativeLocation));
}
#endif

void QtRegistryStore::Reopen() {
  settings_.reset();
  settings_ = OpenSettings(backend_ == Backend::kNativeRegistry, location_);
}

void QtRegistryStore::PrepareWrite() {
  if (settings_->status() != QSettings::NoError) Reopen();
}

void QtRegistryStore::Commit(Transaction& tx) {
  if (tx.Empty()) return;
  settings_->sync();
  QSettings::Status status = settings_->status();
  if (status == QSettings::FormatError) {
    // The file on disk had lines QSettings could not parse. That is reported whether or not the
    // save then succeeded; a fresh object tells: it saves again only if changes are still
    // pending, and a file QSettings wrote itself always parses.
    Reopen();
    status = settings_->status();
  }
  if (status == QSettings::NoError) return;
  tx.RollBack(*settings_);
  Reopen();
  throw EInOutError(Format(Tr(kCannotSaveSettings), {location_}));
}

void QtRegistryStore::Write(const std::string& key, const std::string& name,
                            const QVariant& value) {
  if (!ValidValueName(name)) RaiseInternalError("QRS-WV 001");
  std::lock_guard lock(mutex_);
  PrepareWrite();
  Transaction tx(*settings_);
  const QString group = tx.MakeKey(SplitKey(key));
  const QString wanted = QString::fromStdString(name);
  const auto existing = Match(Children(*settings_, group, false), wanted);
  const QString path = Join(group, existing ? *existing : wanted);
  tx.Touch(path);
  settings_->setValue(path, value);
  Commit(tx);
}

bool QtRegistryStore::KeyExists(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return FindKey(*settings_, SplitKey(key)).has_value();
}

bool QtRegistryStore::ValueExists(const std::string& key, const std::string& name) const {
  std::lock_guard lock(mutex_);
  return FindValue(*settings_, key, name).has_value();
}

std::optional<std::string> QtRegistryStore::ReadString(const std::string& key,
                                                       const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto path = FindValue(*settings_, key, name);
  if (!path) return std::nullopt;
  return AsString(settings_->value(*path));
}

std::optional<int32_t> QtRegistryStore::ReadInteger(const std::string& key,
                                                    const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto path = FindValue(*settings_, key, name);
  if (!path) return std::nullopt;
  return AsInteger(settings_->value(*path));
}

std::optional<std::vector<uint8_t>> QtRegistryStore::ReadBinary(const std::string& key,
                                                                const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto path = FindValue(*settings_, key, name);
  if (!path) return std::nullopt;
  const QVariant value = settings_->value(*path);
  if (value.typeId() != QMetaType::QByteArray) return std::nullopt;
  const QByteArray bytes = value.toByteArray();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void QtRegistryStore::CreateKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  PrepareWrite();
  Transaction tx(*settings_);
  tx.MakeKey(SplitKey(key));
  Commit(tx);
}

void QtRegistryStore::WriteString(const std::string& key, const std::string& name,
                                  const std::string& value) {
  Write(key, name, QVariant(QString::fromStdString(value)));
}

void QtRegistryStore::WriteInteger(const std::string& key, const std::string& name, int32_t value) {
  Write(key, name, QVariant(static_cast<int>(value)));
}

void QtRegistryStore::WriteBinary(const std::string& key, const std::string& name,
                                  const std::vector<uint8_t>& value) {
  Write(key, name,
        QVariant(QByteArray(reinterpret_cast<const char*>(value.data()),
                            static_cast<qsizetype>(value.size()))));
}

std::vector<std::string> QtRegistryStore::SubKeys(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto group = FindKey(*settings_, SplitKey(key));
  if (!group) return {};
  return SortedNames(Children(*settings_, *group, true));
}

std::vector<std::string> QtRegistryStore::ValueNames(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto group = FindKey(*settings_, SplitKey(key));
  if (!group) return {};
  return SortedNames(Children(*settings_, *group, false));
}

void QtRegistryStore::DeleteKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  PrepareWrite();
  const auto path = FindKey(*settings_, SplitKey(key));
  if (!path) return;
  Transaction tx(*settings_);
  tx.Touch(*path);
  if (path->isEmpty()) {
    settings_->clear();
  } else {
    // QSettings removes a value of the key's name in the parent key too; that value is no part
    // of the key and is put back.
    std::optional<QVariant> same_named_value;
    if (settings_->contains(*path)) same_named_value = settings_->value(*path);
    settings_->remove(*path);
    if (same_named_value) settings_->setValue(*path, *same_named_value);
  }
  Commit(tx);
}

void QtRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  std::lock_guard lock(mutex_);
  PrepareWrite();
  const auto path = FindValue(*settings_, key, name);
  if (!path) return;
  Transaction tx(*settings_);
  tx.Touch(*path);
  // QSettings removes a sub-key of the value's name too; that key is put back.
  settings_->beginGroup(*path);
  const QStringList below = settings_->allKeys();
  settings_->endGroup();
  std::vector<std::pair<QString, QVariant>> keep;
  for (const QString& name_below : below) {
    const QString full = Join(*path, name_below);
    keep.emplace_back(full, settings_->value(full));
  }
  settings_->remove(*path);
  for (const auto& [full, value] : keep) settings_->setValue(full, value);
  Commit(tx);
}

}  // namespace quillmar
