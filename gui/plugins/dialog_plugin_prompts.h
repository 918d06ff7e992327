#pragma once

#include <QObject>
#include <string>

#include "system/plugin_prompts.h"

namespace quillmar::gui {

// The plug-in manager's prompts as TPIMForm boxes. Create it on the user-interface thread: it
// lives there, and error reports from any other thread (the search thread asks the phonetic
// module) are queued to it and shown there, while the reporting thread goes on at once. A
// report still queued when the object is destroyed is dropped.
class DialogPlugInPrompts : public QObject, public PlugInPrompts {
  Q_OBJECT

 public:
  DialogPlugInPrompts() = default;

  // The question box; false (Cancel) when asked from another thread, which must never open a
  // window.
  bool Question(const std::string& text) override;
  void ErrorReport(const std::string& message) override;
};

}  // namespace quillmar::gui
