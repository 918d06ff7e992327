#pragma once

#include <string>
#include <utility>
#include <vector>

#include "system/plugin_host.h"

namespace quillmar {

// A PlugInHost that loads nothing: it answers IsPresent from a list of plug-ins marked present
// and records every Load call. It stands in for the plug-in manager in tests of the catalog.
class RecordingPlugInHost : public PlugInHost {
 public:
  // Marks a plug-in as present. Names and libraries compare without regard to ASCII letter case,
  // as file names do on the reader's home system.
  void MarkPresent(const std::string& name, const std::string& library);

  bool IsPresent(const std::string& name, const std::string& library) override;
  void Load(const std::string& library, const std::string& cdid) override;

  // Every Load call as (library, cdid), in order.
  std::vector<std::pair<std::string, std::string>> calls;

 private:
  std::vector<std::pair<std::string, std::string>> present_;
};

}  // namespace quillmar
