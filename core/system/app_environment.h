#pragma once

#include <string>

namespace quillmar {

// Facts about the running program that only the platform knows.
struct AppEnvironment {
  // Full path of the running executable ("Application" setting).
  std::string executable_path;
  // Default of the "Path" setting, the program directory: beside the executable on Windows,
  // a writable per-user data directory elsewhere.
  std::string default_program_directory;
  // The reader's file version.
  int version_major = 0;
  int version_minor = 0;
  int version_build = 0;
};

}  // namespace quillmar
