#pragma once

#include <string>

namespace quillmar {

// The plug-in manager's own message box: a question with OK and Cancel, and the error report
// ("Error on loading/installing a modul." followed by the message). Texts are UTF-8 in the
// interface language.
//
// ErrorReport may be called on any thread (the search thread asks for phonetic keys); an
// implementation that shows dialogs hands reports from other threads to its user-interface
// thread and returns without waiting. Question is asked on the user-interface thread only.
class PlugInPrompts {
 public:
  virtual ~PlugInPrompts() = default;
  virtual bool Question(const std::string& text) = 0;
  virtual void ErrorReport(const std::string& message) = 0;
};

}  // namespace quillmar
