#include "cli/console.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#endif

namespace quillmar::cli {

#ifdef _WIN32

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) out.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return out;
}

Utf8Console::Utf8Console() : input_(GetConsoleCP()), output_(GetConsoleOutputCP()) {
  // Without a console (output redirected from a service, say) both are 0 and nothing changes.
  if (output_ != 0) SetConsoleOutputCP(CP_UTF8);
  if (input_ != 0) SetConsoleCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  if (output_ != 0) SetConsoleOutputCP(output_);
  if (input_ != 0) SetConsoleCP(input_);
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

#endif

}  // namespace quillmar::cli
