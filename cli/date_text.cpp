#include "cli/date_text.h"

#include <charconv>
#include <vector>

#include "base/language.h"

namespace quillmar::cli {

namespace {

constexpr LangText kInvalidDate = {"Das eingegebene Datum %s ist ungültig.",
                                   "The date %s is not valid."};
constexpr LangText kValidFormats = {"Folgende Formate sind gültig: tt.mm.jjjj | mm.jjjj | jjjj.",
                                    "A date can be: dd.mm.yyyy | mm.yyyy | yyyy."};
constexpr int kMaxFields = 3;
constexpr long kYearLimit = 20000;

bool IsSeparator(char c) { return c == ',' || c == '.' || c == '/' || c == ':' || c == '\\'; }

// An optionally signed decimal number filling the whole field.
std::optional<long> FieldNumber(const std::string& field) {
  const char* first = field.data();
  const char* last = field.data() + field.size();
  if (first != last && *first == '+') ++first;
  long value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last) return std::nullopt;
  return value;
}

}  // namespace

std::optional<retrieval::TDatumsGrenze> ParseDateText(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (!IsSeparator(c)) {
      fields.back() += c;
    } else if (static_cast<int>(fields.size()) == kMaxFields) {
      return std::nullopt;  // a fourth field
    } else {
      fields.emplace_back();
    }
  }
  // Year, month, day: from the last field backwards.
  long values[kMaxFields] = {0, 0, 0};
  int known = 0;
  for (auto field = fields.rbegin(); field != fields.rend(); ++field, ++known) {
    const auto n = FieldNumber(*field);
    if (!n) break;
    values[known] = *n;
  }
  const long year = values[0], month = values[1], day = values[2];
  if (known == 0 || year < -kYearLimit || year > kYearLimit) return std::nullopt;
  if (month < 0 || month > 12 || day < 0 || day > 31 || (day != 0 && month == 0))
    return std::nullopt;
  retrieval::TDatumsGrenze date;
  date.Jahr = static_cast<int32_t>(year);
  date.Monat = static_cast<uint8_t>(month);
  date.Tag = static_cast<uint8_t>(day);
  return date;
}

std::string InvalidDateMessage(const std::string& text) {
  return Format(Tr(kInvalidDate), {text}) + "\n" + Tr(kValidFormats);
}

}  // namespace quillmar::cli
