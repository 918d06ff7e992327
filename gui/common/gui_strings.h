#pragma once

// The conversions between the core's strings and the QStrings the windows show. The core hands
// out messages and captions as UTF-8 and collection text as Windows-1252 bytes; the windows need
// QStrings, and text typed by the user goes back to the collections as Windows-1252.

#include <QString>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "base/language.h"

namespace quillmar::gui {

// A caption or message in the current interface language.
inline QString Text(const LangText& text) { return QString::fromUtf8(Tr(text)); }

// UTF-8 bytes (a message the core built, a translated caption) as a QString.
inline QString Utf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Collection bytes (titles, labels, query history) as a QString.
inline QString FromCp1252(std::string_view bytes) { return Utf8(Cp1252ToUtf8(bytes)); }

// Text from a control as collection bytes.
inline std::string ToCp1252(const QString& text) { return Utf8ToCp1252(text.toStdString()); }

}  // namespace quillmar::gui
