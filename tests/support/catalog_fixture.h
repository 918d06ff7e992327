#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "base/language.h"
#include "collection/calderwick_data.h"
#include "support/collection_writer.h"
#include "support/fakes.h"
#include "support/recording_plugin_host.h"
#include "support/temp_dir.h"
#include "system/memory_registry_store.h"

namespace quillmar::test {

// A catalog over collections written into a temporary directory and found in fake optical
// drives, with an in-memory settings store, scripted prompts and a reader of version 1.7. The
// program directory is <temp>/program. English is the interface language.
struct CatalogFixture {
  CatalogFixture() {
    env.executable_path = "/usr/bin/quillmar-reader";
    env.default_program_directory = dir.Sub("program");
    env.version_major = 1;
    env.version_minor = 7;
    std::filesystem::create_directories(dir.Sub("program"));
    SetCurrentLanguage(kEnglish);
    catalog = std::make_unique<TCalderwickData>(
        TCalderwickData::Platform{store, drives, prompts, plugins, env});
  }

  // Writes a collection at <temp>/<name> and puts it into a drive; returns its root.
  std::string AddCollection(const std::string& name, const CollectionSpec& layout) {
    const std::string root = WriteCollection(dir.Sub(name), layout);
    drives.drives.push_back(root);
    return root;
  }

  TempDir dir;
  AppEnvironment env;
  MemoryRegistryStore store;
  FakeDrives drives;
  ScriptedPrompts prompts;
  RecordingPlugInHost plugins;
  std::unique_ptr<TCalderwickData> catalog;
};

}  // namespace quillmar::test
