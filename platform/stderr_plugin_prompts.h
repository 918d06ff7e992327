#pragma once

#include <string>

#include "system/plugin_prompts.h"

namespace quillmar {

// The plug-in manager's prompts for the command-line tool: an error report is printed on stderr
// ("Error on loading/installing a modul." and the message), and a question is printed and
// answered no, since nobody is there to agree to installing a module.
class StderrPlugInPrompts : public PlugInPrompts {
 public:
  bool Question(const std::string& text) override;
  void ErrorReport(const std::string& message) override;
};

}  // namespace quillmar
