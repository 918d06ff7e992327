#pragma once

#include <string>

#include "system/program_launcher.h"

namespace quillmar {

// Starts programs through QProcess and opens documents through the desktop's handlers
// (QDesktopServices).
class QtProgramLauncher : public ProgramLauncher {
 public:
  bool StartDetached(const std::string& program) override;
  bool OpenDocument(const std::string& path) override;
};

}  // namespace quillmar
