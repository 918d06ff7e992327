#pragma once

#include "base/language.h"

namespace quillmar {

// Messages of the settings stores. "%s" is the settings file or registry location.
inline constexpr LangText kCannotSaveSettings{
    "Die Einstellungen können nicht in '%s' gespeichert werden.",
    "Cannot save the settings to '%s'."};

}  // namespace quillmar
