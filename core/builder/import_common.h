#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "builder/import.h"

// What the importers share: identifiers, text keys, page numbers and languages.
namespace quillmar::builder::import {

// The collection identifier: the option's, or up to 8 letters and digits of the first file's
// name in upper case ("TEXTS001" when it has none).
std::string CollectionId(const std::vector<ImportFile>& files, const ImportOptions& options);

// A text key from `base` (letters, digits, "_", "-", "." kept), unique among `used`.
std::string TextKey(std::string_view base, std::set<std::string>& used);

// The file name without directories and extension.
std::string Stem(std::string_view name);

// The page number for a page named `n`: n itself when it is an arabic (1..65535) or roman
// number, otherwise the number after `last` (the caller keeps n as the page's label). `last`
// follows the arabic pages.
std::string PageNumber(std::string_view n, int& last);

// The source's @lang value for an xml:lang code, "" when it has none (grc, el, la, en, de, fr,
// es, it; other codes are "other").
std::string LanguageOf(std::string_view xmlLang);

// A note mark for {fn MARK:...}: the letters, digits and "*" of `n`, at most 10.
std::string NoteMark(std::string_view n);

}  // namespace quillmar::builder::import
