#pragma once

#include <string>

#include "base/errors.h"

namespace quillmar::test {

// The code of the internal error `call` raises; "" when it raises none.
template <typename F>
std::string InternalCode(F call) {
  try {
    call();
  } catch (const InternalError& e) {
    return e.Code();
  }
  return "";
}

// The message of the error `call` raises; "" when it raises none.
template <typename F>
std::string MessageOf(F call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace quillmar::test
