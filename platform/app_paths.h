#pragma once

#include <string>

#include "system/app_environment.h"

namespace quillmar {

// Where the reader keeps its own files. Paths are UTF-8 with native separators and no trailing
// separator.

// Directory of the settings file outside Windows: $QUILLMAR_CONFIG_DIR when set, else
// "quillmar" in the user's configuration directory (~/.config/quillmar on Linux). Not created.
std::string ConfigDirectory();

// The program directory (announce.txt, Bookmark, Download, result.tmp): on Windows the directory
// of the executable; elsewhere $QUILLMAR_DATA_DIR when set, else "quillmar" in the user's data
// directory (~/.local/share/quillmar on Linux), created when missing.
std::string DefaultProgramDirectory();

// The per-user cache directory, for files the program derives and can rebuild at any time (hit
// indexes of collections): $QUILLMAR_CACHE_DIR when set, else "quillmar" in the user's cache
// directory (~/.cache/quillmar on Linux). Not created.
std::string CacheDirectory();

// The program's own plug-in directory, where the modules shipped with it lie: $QUILLMAR_PLUGIN_DIR
// when set, else the first existing one of <exe dir>/plugins, <exe dir>/../plugins (the build
// tree: build/cli/quillmar and build/gui/quillmar-reader find build/plugins) and the installed
// module directory relative to the installed executables (<exe dir>/../lib/quillmar/plugins, or
// the library directory the build was configured with). Empty when none exists.
std::string PluginDirectory(const std::string& argv0 = {});

// The network module the command-line tool loads for HTTP: the first existing one of
// <exe dir>/quillmar_network and the installed module directory relative to the installed
// executables (with the platform's suffix for loadable modules). When none exists, the installed
// one's path, for the message that it is missing.
std::string NetworkModulePath(const std::string& argv0 = {});

// Where modules installed from collections go: the program directory + "/modules" (the default
// program directory, or the one given). Not created here.
std::string UserModuleDirectory();
std::string UserModuleDirectory(const std::string& programDirectory);

// The running program's facts: its executable (from the system, else from argv0), the default
// program directory, the cache directory and the build's version.
AppEnvironment CurrentAppEnvironment(const std::string& argv0);

}  // namespace quillmar
