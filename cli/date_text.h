#pragma once

#include <optional>
#include <string>

#include "retrieval/hit_list.h"

namespace quillmar::cli {

// Reads a date as the search options accept it: d.m.yyyy, m.yyyy or yyyy, where any of
// ",", ".", "/", ":" and "\" separates the fields. The fields are read from the year backwards;
// a field that is not an optionally signed decimal number ends the reading and leaves the rest
// unknown ("5..1200" is the year 1200). Valid when the year is known and lies within
// -20000..20000, a day comes only with a month, the month is at most 12 and the day at most 31.
std::optional<retrieval::TDatumsGrenze> ParseDateText(const std::string& text);

// "The date <text> is not valid." and the accepted formats, in the current language.
std::string InvalidDateMessage(const std::string& text);

}  // namespace quillmar::cli
