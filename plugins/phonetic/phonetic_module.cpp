// The exports of the phonetic module (docs/plugins.md): identification, the version check and
// "phonem", which turns a word into the key of a fuzzy level. Every text buffer holds 255 bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "phonetic_rules.h"

#if defined(_WIN32)
#define QUILLMAR_EXPORT extern "C" __declspec(dllexport)
#else
#define QUILLMAR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

void Fill(char* buffer, const char* text) {
  const size_t n = std::min(std::strlen(text), quillmar::phonetic::kBufferSize - 1);
  std::memcpy(buffer, text, n);
  std::memset(buffer + n, 0, quillmar::phonetic::kBufferSize - n);
}

}  // namespace

QUILLMAR_EXPORT void ID(char* buffer) { Fill(buffer, "QMPHONET"); }
QUILLMAR_EXPORT void name(char* buffer) { Fill(buffer, "Quillmar phonetic matcher"); }
QUILLMAR_EXPORT void version(char* buffer) { Fill(buffer, "1.0.0.0"); }
QUILLMAR_EXPORT void copyright(char* buffer) { Fill(buffer, "(c) The Quillmar developers"); }

// Accepts reader 1.x and every later version: `second` is the minor, `first` the major number.
QUILLMAR_EXPORT int32_t VersionCheck(int32_t second, int32_t first) {
  (void)second;
  return first >= 1 ? 1 : 0;
}

QUILLMAR_EXPORT void phonem(char* buffer, int32_t option) {
  quillmar::phonetic::ConvertBuffer(buffer, option);
}
