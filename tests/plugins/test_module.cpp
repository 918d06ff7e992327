// A plug-in module for the tests, built several times with different compile definitions:
//   TEST_MODULE_ID, TEST_MODULE_NAME, TEST_MODULE_VERSION  the strings the module reports
//   TEST_MODULE_PHONEM       1: exports "phonem" (the word in capitals, the option's digit added)
//   TEST_MODULE_FILL         1: "phonem" and "name" fill all 255 bytes without a zero byte
//   TEST_MODULE_MIN_MAJOR    VersionCheck accepts readers from TEST_MODULE_MIN_MAJOR.0 up to
//                            (not including) TEST_MODULE_MIN_MAJOR + 1
// ShowKurzInfo returns the record's first byte plus `zero`; RunMM the length of the media
// directory plus 1000 times the length of the program directory.

#include <cstdint>
#include <cstring>

#ifndef TEST_MODULE_PHONEM
#define TEST_MODULE_PHONEM 1
#endif
#ifndef TEST_MODULE_FILL
#define TEST_MODULE_FILL 0
#endif
#ifndef TEST_MODULE_MIN_MAJOR
#define TEST_MODULE_MIN_MAJOR 1
#endif

#if defined(_WIN32)
#define TEST_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr size_t kBufferSize = 255;

void Put(char* buffer, const char* text) {
  std::strncpy(buffer, text, kBufferSize - 1);
  buffer[kBufferSize - 1] = 0;
}

}  // namespace

TEST_MODULE_EXPORT void ID(char* buffer) { Put(buffer, TEST_MODULE_ID); }

TEST_MODULE_EXPORT void name(char* buffer) {
#if TEST_MODULE_FILL
  std::memset(buffer, 'N', kBufferSize);
#else
  Put(buffer, TEST_MODULE_NAME);
#endif
}

TEST_MODULE_EXPORT void version(char* buffer) { Put(buffer, TEST_MODULE_VERSION); }

TEST_MODULE_EXPORT void copyright(char* buffer) { Put(buffer, "(c) Quillmar tests"); }

TEST_MODULE_EXPORT int32_t VersionCheck(int32_t second, int32_t first) {
  (void)second;
  return first == TEST_MODULE_MIN_MAJOR ? 1 : 0;
}

#if TEST_MODULE_PHONEM
TEST_MODULE_EXPORT void phonem(char* buffer, int32_t option) {
#if TEST_MODULE_FILL
  (void)option;
  std::memset(buffer, 'X', kBufferSize);
#else
  size_t n = 0;
  for (; n < kBufferSize - 2 && buffer[n] != 0; ++n)
    if (buffer[n] >= 'a' && buffer[n] <= 'z') buffer[n] = static_cast<char>(buffer[n] - 'a' + 'A');
  buffer[n] = static_cast<char>('0' + option % 10);
  buffer[n + 1] = 0;
#endif
}
#endif

TEST_MODULE_EXPORT int32_t ShowKurzInfo(void* window, int32_t zero, const void* record) {
  (void)window;
  return zero + static_cast<int32_t>(*static_cast<const unsigned char*>(record));
}

TEST_MODULE_EXPORT int32_t RunMM(int32_t zero, char* mediaDir, char* programDir) {
  return zero + static_cast<int32_t>(std::strlen(mediaDir) + 1000 * std::strlen(programDir));
}
