#pragma once

#include <QIcon>

namespace quillmar::gui {

// The reader's own application icon, drawn for it (a scalable drawing; null where the system
// cannot draw scalable images).
QIcon ApplicationIcon();

// A tool bar icon: the desktop theme's icon `themeName` when the theme has one, else the bundled
// drawing `bundled` (a file name in the icon resources without ".svg"). Null when neither can be
// drawn; the tool button then shows its text.
QIcon ToolIcon(const char* themeName, const char* bundled);

}  // namespace quillmar::gui
