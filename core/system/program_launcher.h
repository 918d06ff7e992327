#pragma once

#include <string>

namespace quillmar {

// Starts programs and opens documents the way the desktop does. Paths are UTF-8.
class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts the program as a detached process with no arguments; false when it could not start.
  virtual bool StartDetached(const std::string& program) = 0;
  // Opens a document with the desktop's handler for its type; false when none took it.
  virtual bool OpenDocument(const std::string& path) = 0;
};

}  // namespace quillmar
