#pragma once

// What the Qt viewer modules share: filling the 255-byte text buffers of the common exports and
// reading the Windows-1252 strings the reader hands in.

#include <QFileInfo>
#include <QLocale>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quillmar::modules {

// The size of the buffers of the exports ID, name, version and copyright.
inline constexpr size_t kTextBufferSize = 255;

// Copies `text` into a caller's 255-byte buffer, cut and zero-terminated.
inline void FillBuffer(char* buffer, std::string_view text) {
  if (buffer == nullptr) return;
  const size_t length = text.size() < kTextBufferSize ? text.size() : kTextBufferSize - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

// Windows-1252 bytes as a QString (the five unassigned bytes stand for themselves).
inline QString FromCp1252(std::string_view bytes) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.append(byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(byte));
  }
  return text;
}

// A path handed in by the reader. The strings are Windows-1252; a path that names no file that
// way is read as UTF-8 (the native encoding of file names outside Windows).
inline QString PathFromReader(std::string_view bytes) {
  const QString cp1252 = FromCp1252(bytes);
  if (QFileInfo::exists(cp1252)) return cp1252;
  const QString utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return QFileInfo::exists(utf8) ? utf8 : cp1252;
}

// A picture fitted into `room`: a large one scaled down smoothly, a small one enlarged by a whole
// factor with its pixels kept sharp (icons and maps of a few pixels stay legible).
inline QPixmap FitPicture(const QPixmap& picture, const QSize& room) {
  if (picture.isNull() || room.isEmpty()) return picture;
  if (picture.width() > room.width() || picture.height() > room.height())
    return picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  const int factor = std::min(room.width() / picture.width(), room.height() / picture.height());
  if (factor < 2) return picture;
  return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The module's own texts follow the desktop's language: German or English.
inline bool GermanDesktop() { return QLocale().language() == QLocale::German; }
inline QString Say(const char* german, const char* english) {
  return QString::fromUtf8(GermanDesktop() ? german : english);
}

}  // namespace quillmar::modules

// Defines the exports every viewer module has: its identifier, name, version and copyright, and
// a VersionCheck that accepts any reader from version 1.0 on.
#define QUILLMAR_VIEWER_MODULE(id, displayName)                                                  \
  extern "C" {                                                                                   \
  Q_DECL_EXPORT void ID(char* buffer) { quillmar::modules::FillBuffer(buffer, id); }             \
  Q_DECL_EXPORT void name(char* buffer) { quillmar::modules::FillBuffer(buffer, displayName); }  \
  Q_DECL_EXPORT void version(char* buffer) { quillmar::modules::FillBuffer(buffer, "1.0.0.0"); } \
  Q_DECL_EXPORT void copyright(char* buffer) {                                                   \
    quillmar::modules::FillBuffer(buffer, "(c) The Quillmar developers");                        \
  }                                                                                              \
  Q_DECL_EXPORT int32_t VersionCheck(int32_t /*second*/, int32_t first) { return first >= 1; }   \
  }
