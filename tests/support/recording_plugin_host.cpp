#include "support/recording_plugin_host.h"

#include <algorithm>

#include "base/bytes.h"

namespace quillmar {

void RecordingPlugInHost::MarkPresent(const std::string& name, const std::string& library) {
  present_.emplace_back(name, library);
}

bool RecordingPlugInHost::IsPresent(const std::string& name, const std::string& library) {
  return std::any_of(present_.begin(), present_.end(), [&](const auto& entry) {
    return EqualsNoCaseAscii(entry.first, name) && EqualsNoCaseAscii(entry.second, library);
  });
}

void RecordingPlugInHost::Load(const std::string& library, const std::string& cdid) {
  calls.emplace_back(library, cdid);
}

}  // namespace quillmar
