#pragma once

#include <string>

namespace quillmar {

// The catalog's view of the plug-in manager: which plug-ins a collection wants and whether they
// are there. The plug-in manager implements it; until then a host that only records the calls.
class PlugInHost {
 public:
  virtual ~PlugInHost() = default;
  // Whether the plug-in with this name and library is loaded or registered already.
  virtual bool IsPresent(const std::string& name, const std::string& library) = 0;
  // Load (or install) a library that a collection asks for; cdid is empty for the start-up
  // hand-over of the multimedia library.
  virtual void Load(const std::string& library, const std::string& cdid) = 0;
};

}  // namespace quillmar
