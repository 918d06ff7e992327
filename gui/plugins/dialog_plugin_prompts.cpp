#include "gui/plugins/dialog_plugin_prompts.h"

#include <QThread>

#include "gui/common/gui_strings.h"
#include "gui/plugins/pim_form.h"

namespace quillmar::gui {

bool DialogPlugInPrompts::Question(const std::string& text) {
  if (QThread::currentThread() != thread()) return false;
  return TPIMForm::Ask(Utf8(text));
}

void DialogPlugInPrompts::ErrorReport(const std::string& message) {
  const QString text = Utf8(message);
  if (QThread::currentThread() == thread()) {
    TPIMForm::Report(text);
    return;
  }
  QMetaObject::invokeMethod(
      this, [text] { TPIMForm::Report(text); }, Qt::QueuedConnection);
}

}  // namespace quillmar::gui
