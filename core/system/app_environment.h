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
  // The per-user cache directory (derived files the program can rebuild at any time, such as
  // hit indexes of collections); not created. Empty when there is none.
  std::string cache_directory;
  // The reader's file version.
  int version_major = 0;
  int version_minor = 0;
  int version_build = 0;
};

}  // namespace quillmar
