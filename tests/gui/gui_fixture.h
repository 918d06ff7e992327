#pragma once

// Setup shared by the window tests: the sample collection built into a temporary directory, and
// a reader context on an in-memory settings store with scripted prompts.

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/language.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"
#include "collection/calderwick_data.h"
#include "gui/common/app_context.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"

namespace quillmar::test {

inline const std::filesystem::path kSampleDir =
    std::filesystem::path(QUILLMAR_SOURCE_DIR) / "samples/sample";
inline constexpr char kSampleCD[] = "QMSA0001";
inline constexpr char kOptionsKey[] = "Software\\Quillmar\\Reader\\Options";

// Builds the collection source `source` into `dir`, copying pictures from `media` (none when
// empty); with `index` also the word index in dir/data.
inline void BuildCollection(const std::string& source, const std::string& dir,
                            const std::string& media = {}, bool index = false) {
  const builder::IndexEntries entries = builder::WriteCollection(
      builder::MergeSources({builder::ParseSource(source, "source.qms")}), dir, media);
  if (index) builder::WriteIndex(entries, JoinPath(dir, "data"));
}

// Points the reader's configuration, data and cache directories into `dir`, builds the sample
// collection with its pictures (and with `index` its word index) into dir/cd and returns that
// directory.
inline std::string BuildSampleCollection(TempDir& dir, bool index = false) {
  qputenv("QUILLMAR_CONFIG_DIR", QByteArray::fromStdString(dir.Sub("config")));
  qputenv("QUILLMAR_DATA_DIR", QByteArray::fromStdString(dir.Sub("data")));
  qputenv("QUILLMAR_CACHE_DIR", QByteArray::fromStdString(dir.Sub("cache")));
  std::ifstream in(kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream source;
  source << in.rdbuf();
  const std::string collection = dir.Sub("cd");
  BuildCollection(source.str(), collection, (kSampleDir / "media").string(), index);
  return collection;
}

// A reader context on a copy of `store` with the language option set to `language`, and
// `collection` announced unless empty. `store` and `prompts` point into `context`.
struct TestContext {
  explicit TestContext(const std::string& collection = {}, int language = kEnglish,
                       const MemoryRegistryStore& initial = {}) {
    auto owned = std::make_unique<MemoryRegistryStore>(initial);
    owned->CreateKey(kOptionsKey);
    owned->WriteInteger(kOptionsKey, "language", language);
    auto scripted = std::make_unique<ScriptedPrompts>();
    store = owned.get();
    prompts = scripted.get();
    gui::AppContext::Parts parts{std::move(owned), std::make_unique<FakeDrives>(),
                                 std::move(scripted), "reader"};
    // The machine's fonts must not decide how the tests show Greek.
    parts.greekFonts = [] { return QStringList(); };
    context = std::make_unique<gui::AppContext>(std::move(parts));
    if (!collection.empty()) context->Catalog().AnnounceDirectory(collection);
  }
  TCalderwickData& Catalog() { return context->Catalog(); }

  MemoryRegistryStore* store = nullptr;
  ScriptedPrompts* prompts = nullptr;
  std::unique_ptr<gui::AppContext> context;
};

}  // namespace quillmar::test
