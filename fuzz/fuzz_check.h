#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillmar::fuzz {

// A property every input must keep; a broken one ends the run as a finding, naming the file and
// line of the check. (__builtin_FILE and __builtin_LINE rather than std::source_location, which
// the clang of the fuzz build does not have.)
inline void Check(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (ok) return;
  const char* slash = std::strrchr(file, '/');
  std::fprintf(stderr, "ERROR: check failed at %s:%d\n", slash ? slash + 1 : file, line);
  std::abort();
}

}  // namespace quillmar::fuzz
