#pragma once

#include <QLockFile>
#include <memory>
#include <string>

namespace quillmar::gui {

// The single-instance guard: a lock file that the first running reader holds until it ends.
// A lock left behind by a process that no longer runs is taken over.
class SingleInstance {
 public:
  static constexpr char kLockName[] = "quillmar-reader.lock";

  // Takes the lock in `directory` (created when missing). Null when another running process
  // holds it.
  static std::unique_ptr<QLockFile> Acquire(const std::string& directory);
};

}  // namespace quillmar::gui
