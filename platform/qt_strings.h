#pragma once

#include <QString>
#include <string>

namespace quillmar {

// Conversions at the Qt boundary. Core strings that are not collection bytes are UTF-8.
inline QString ToQString(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string FromQString(const QString& s) { return s.toStdString(); }

}  // namespace quillmar
