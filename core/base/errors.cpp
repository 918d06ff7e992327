#include "base/errors.h"

#include "base/language.h"

namespace quillmar {

namespace {
constexpr LangText kInternalError{"Interner Fehler (%s). Bitte mitteilen.",
                                  "Internal error (%s). Please report."};
constexpr LangText kReportTo{"Fehlerberichte bitte an support@quillmar.example.org senden.",
                             "Please send error reports to support@quillmar.example.org."};
}  // namespace

std::string InternalErrorText(const std::string& code) {
  return Format(Tr(kInternalError), {code}) + "\r" + Tr(kReportTo);
}

InternalError::InternalError(const std::string& code)
    : Exception(InternalErrorText(code)), code_(code) {}

void RaiseInternalError(const std::string& code) { throw InternalError(code); }

}  // namespace quillmar
