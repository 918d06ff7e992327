#pragma once

#include <stdexcept>
#include <string>

namespace quillmar {

// The general error class: every failure that is not a file problem. Messages are UTF-8 and
// already in the interface language that was current when they were raised.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be opened, read, written or had an impossible size.
class EInOutError : public Exception {
 public:
  explicit EInOutError(const std::string& message) : Exception(message) {}
};

// A consistency check failed. Code() is the short code ("TTI-STN 001"); what() is the full
// internal-error text in the current language.
class InternalError : public Exception {
 public:
  explicit InternalError(const std::string& code);
  const std::string& Code() const { return code_; }

 private:
  std::string code_;
};

// "Internal error (<code>). Please report." plus the line naming where reports go.
std::string InternalErrorText(const std::string& code);

[[noreturn]] void RaiseInternalError(const std::string& code);

}  // namespace quillmar
