#include "builder/import_common.h"

#include <cctype>

#include "builder/source_scan.h"

namespace quillmar::builder::import {

std::string Stem(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const size_t dot = name.find('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string CollectionId(const std::vector<ImportFile>& files, const ImportOptions& options) {
  if (!options.collectionId.empty()) return options.collectionId;
  std::string id;
  if (!files.empty()) {
    for (char c : Stem(files.front().name))
      if (IsAlnum(c) && id.size() < 8)
        id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return id.empty() ? "TEXTS001" : id;
}

std::string TextKey(std::string_view base, std::set<std::string>& used) {
  std::string key;
  for (char c : base)
    if (IsNameChar(c)) key += c;
  if (key.empty()) key = "text";
  std::string unique = key;
  for (int n = 2; used.contains(unique); ++n) unique = key + "-" + std::to_string(n);
  used.insert(unique);
  return unique;
}

std::string PageNumber(std::string_view n, int& last) {
  const std::string_view trimmed = TrimView(n);
  int32_t value = 0;
  if (ParseInt(trimmed, 1, 65535, value)) {
    last = value;
    return std::string(trimmed);
  }
  if (RomanValue(trimmed) > 0) return std::string(trimmed);
  if (last < 65535) ++last;
  return std::to_string(last);
}

std::string LanguageOf(std::string_view xmlLang) {
  std::string code(xmlLang.substr(0, xmlLang.find('-')));
  for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (code.empty()) return "";
  if (code == "grc" || code == "el" || code == "gre" || code == "ell") return "grc";
  if (code == "la" || code == "lat") return "la";
  if (code == "en" || code == "eng") return "en";
  if (code == "de" || code == "deu" || code == "ger") return "de";
  if (code == "fr" || code == "fra" || code == "fre") return "fr";
  if (code == "es" || code == "spa") return "es";
  if (code == "it" || code == "ita") return "it";
  return "other";
}

std::string NoteMark(std::string_view n) {
  std::string mark;
  for (char c : n)
    if ((IsAlnum(c) || c == '*') && mark.size() < 10) mark += c;
  return mark;
}

}  // namespace quillmar::builder::import
