#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "system/dynamic_library.h"

namespace quillmar::test {

// Loads through another loader and counts the libraries loaded and not yet unloaded, so tests
// can see when the plug-in manager lets a module go.
class CountingLibraries : public DynamicLibraries {
 public:
  CountingLibraries(std::unique_ptr<DynamicLibraries> real, std::atomic<int>& open)
      : real_(std::move(real)), open_(open) {}

  std::unique_ptr<DynamicLibrary> Load(const std::string& path) override {
    auto library = real_->Load(path);
    if (!library) return nullptr;
    return std::make_unique<Counted>(std::move(library), open_);
  }

 private:
  class Counted : public DynamicLibrary {
   public:
    Counted(std::unique_ptr<DynamicLibrary> library, std::atomic<int>& open)
        : library_(std::move(library)), open_(open) {
      ++open_;
    }
    ~Counted() override {
      if (loaded_) --open_;
    }
    void* Symbol(const std::string& name) override { return library_->Symbol(name); }
    bool Unload() override {
      if (loaded_ && library_->Unload()) {
        loaded_ = false;
        --open_;
      }
      return !loaded_;
    }

   private:
    std::unique_ptr<DynamicLibrary> library_;
    std::atomic<int>& open_;
    bool loaded_ = true;
  };

  std::unique_ptr<DynamicLibraries> real_;
  std::atomic<int>& open_;
};

}  // namespace quillmar::test
