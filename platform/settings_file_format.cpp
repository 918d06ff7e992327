#include "platform/settings_file_format.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/bytes.h"

namespace quillmar {

namespace {

using ValueType = MemoryRegistryStore::ValueType;

constexpr std::string_view kHeader = "; Quillmar settings\n";
constexpr std::string_view kIntegerPrefix = "dword:";
constexpr std::string_view kBinaryPrefix = "hex:";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kHexDigits[] = "0123456789abcdef";

bool IsBlank(char c) { return static_cast<uint8_t>(c) <= 32; }

// Length of the well-formed UTF-8 sequence at `pos`, or 0 when the bytes there are none.
size_t Utf8Length(std::string_view s, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t lead = byte(pos);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80;  // bounds of the second byte; they exclude overlong forms and surrogates
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() - pos < length || byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 0;
  return length;
}

bool NeedsEscape(std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    const auto c = static_cast<uint8_t>(s[pos]);
    if (c < 0x20 || c == 0x7F) return true;
    const size_t length = Utf8Length(s, pos);
    if (length == 0) return true;
    pos += length;
  }
  return false;
}

void AppendHexByte(std::string& out, uint8_t b) {
  out.push_back(kHexDigits[b >> 4]);
  out.push_back(kHexDigits[b & 0xF]);
}

void AppendQuoted(std::string& out, std::string_view s) {
  out.push_back('"');
  for (size_t pos = 0; pos < s.size();) {
    const char c = s[pos];
    const size_t length = Utf8Length(s, pos);
    if (c == '\\' || c == '"') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (length == 0 || static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
      out += "\\x";
      AppendHexByte(out, static_cast<uint8_t>(c));
    } else {
      out.append(s.substr(pos, length));
      pos += length;
      continue;
    }
    ++pos;
  }
  out.push_back('"');
}

// Section paths and value names: written as they are where the reader gets them back unchanged.
void AppendName(std::string& out, std::string_view name, bool section) {
  bool quote = name.empty() || IsBlank(name.front()) || IsBlank(name.back()) ||
               name.front() == '"' || NeedsEscape(name);
  if (!section)
    quote = quote || name.find('=') != std::string_view::npos || name.front() == ';' ||
            name.front() == '#' || name.front() == '[';
  if (quote)
    AppendQuoted(out, name);
  else
    out.append(name);
}

void AppendValue(std::string& out, const MemoryRegistryStore& tree, const std::string& key,
                 const std::string& name) {
  const auto type = tree.TypeOf(key, name);
  if (type == ValueType::kInteger) {
    const auto bits = static_cast<uint32_t>(tree.ReadInteger(key, name).value_or(0));
    out += kIntegerPrefix;
    for (int shift = 24; shift >= 0; shift -= 8)
      AppendHexByte(out, static_cast<uint8_t>(bits >> shift));
  } else if (type == ValueType::kBinary) {
    out += kBinaryPrefix;
    const auto bytes = tree.ReadBinary(key, name).value_or(std::vector<uint8_t>{});
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0) out.push_back(',');
      AppendHexByte(out, bytes[i]);
    }
  } else {
    AppendQuoted(out, tree.ReadString(key, name).value_or(""));
  }
}

void AppendValues(std::string& out, const MemoryRegistryStore& tree, const std::string& key) {
  for (const auto& name : tree.ValueNames(key)) {
    AppendName(out, name, false);
    out.push_back('=');
    AppendValue(out, tree, key, name);
    out.push_back('\n');
  }
}

// ---- Reading ----

// Bytes that are not UTF-8 replaced by U+FFFD.
void AppendRepaired(std::string& out, std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    const size_t length = Utf8Length(s, pos);
    if (length == 0) {
      out += kReplacement;
      ++pos;
    } else {
      out.append(s.substr(pos, length));
      pos += length;
    }
  }
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCaseAscii(s.substr(0, prefix.size()), prefix);
}

// The quoted string at the start of `s` (which starts with '"'); `s` is left behind the closing
// quote. std::nullopt when the quote is not closed. An unknown escape stands for itself,
// backslash included, so a hand-typed "C:\Users" survives.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  std::string out;
  size_t pos = 1;
  while (pos < s.size()) {
    const char c = s[pos];
    if (c == '"') {
      s.remove_prefix(pos + 1);
      return out;
    }
    if (c != '\\') {
      const size_t end = s.find_first_of("\"\\", pos);
      const size_t stop = end == std::string_view::npos ? s.size() : end;
      AppendRepaired(out, s.substr(pos, stop - pos));
      pos = stop;
      continue;
    }
    if (pos + 1 >= s.size()) return std::nullopt;
    const char e = s[pos + 1];
    pos += 2;
    switch (e) {
      case '\\':
      case '"':
        out.push_back(e);
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x':
        if (pos + 1 < s.size() && HexValue(s[pos]) >= 0 && HexValue(s[pos + 1]) >= 0) {
          out.push_back(static_cast<char>(HexValue(s[pos]) * 16 + HexValue(s[pos + 1])));
          pos += 2;
          break;
        }
        [[fallthrough]];
      default:
        out.push_back('\\');
        pos -= 1;  // the character after the backslash is read again as plain text
    }
  }
  return std::nullopt;
}

std::optional<int32_t> ParseInteger(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t bits = 0;
  for (char c : digits) {
    const int v = HexValue(c);
    if (v < 0) return std::nullopt;
    bits = bits << 4 | static_cast<uint32_t>(v);
  }
  return static_cast<int32_t>(bits);
}

std::optional<std::vector<uint8_t>> ParseBytes(std::string_view list) {
  std::vector<uint8_t> bytes;
  list = TrimView(list);
  if (list.empty()) return bytes;
  for (;;) {
    const size_t comma = list.find(',');
    const std::string_view item = TrimView(list.substr(0, comma));
    if (item.empty() || item.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : item) {
      const int v = HexValue(c);
      if (v < 0) return std::nullopt;
      value = value * 16 + v;
    }
    bytes.push_back(static_cast<uint8_t>(value));
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

// The key path of a section header line (trimmed, starting with '['), std::nullopt when the
// header cannot be parsed or the key exceeds the limits.
std::optional<std::string> ParseSection(std::string_view line) {
  if (line.size() < 2 || line.back() != ']') return std::nullopt;
  std::string_view inner = TrimView(line.substr(1, line.size() - 2));
  std::string path;
  if (!inner.empty() && inner.front() == '"') {
    auto quoted = TakeQuoted(inner);
    if (!quoted || !TrimView(inner).empty()) return std::nullopt;
    path = std::move(*quoted);
  } else {
    AppendRepaired(path, inner);
  }
  size_t depth = 0;
  bool in_part = false;
  for (char c : path) {
    const bool separator = c == '\\' || c == '/';
    if (!separator && !in_part) ++depth;
    in_part = !separator;
  }
  if (depth > kMaxSettingsKeyDepth || path.size() > kMaxSettingsKeyPath) return std::nullopt;
  return path;
}

// Reads one value line (trimmed, not a comment or section) into `tree`; a line that cannot be
// parsed is skipped.
void ParseValueLine(std::string_view line, const std::string& key, MemoryRegistryStore& tree) {
  std::string name;
  if (line.front() == '"') {
    auto quoted = TakeQuoted(line);
    line = TrimView(line);
    if (!quoted || line.empty() || line.front() != '=') return;
    name = std::move(*quoted);
    line.remove_prefix(1);
  } else {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    AppendRepaired(name, TrimView(line.substr(0, eq)));
    line.remove_prefix(eq + 1);
  }
  line = TrimView(line);
  if (!line.empty() && line.front() == '"') {
    auto value = TakeQuoted(line);
    line = TrimView(line);
    if (!value || (!line.empty() && line.front() != ';' && line.front() != '#')) return;
    tree.WriteString(key, name, *value);
  } else if (StartsWithNoCase(line, kIntegerPrefix)) {
    const auto value = ParseInteger(TrimView(line.substr(kIntegerPrefix.size())));
    if (!value) return;
    tree.WriteInteger(key, name, *value);
  } else if (StartsWithNoCase(line, kBinaryPrefix)) {
    const auto value = ParseBytes(line.substr(kBinaryPrefix.size()));
    if (!value) return;
    tree.WriteBinary(key, name, *value);
  } else {
    std::string value;
    AppendRepaired(value, line);
    tree.WriteString(key, name, value);
  }
}

}  // namespace

std::optional<std::string> FormatSettingsFile(const MemoryRegistryStore& tree) {
  if (tree.EntryCount() > kMaxSettingsEntries) return std::nullopt;
  std::string out(kHeader);
  AppendValues(out, tree, "");
  // Pre-order walk with an explicit stack: (key path, depth).
  std::vector<std::pair<std::string, size_t>> pending;
  const auto push_sub_keys = [&](const std::string& key, size_t depth) {
    const auto names = tree.SubKeys(key);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
      pending.emplace_back(key.empty() ? *it : key + '\\' + *it, depth + 1);
  };
  push_sub_keys("", 0);
  while (!pending.empty()) {
    auto [key, depth] = std::move(pending.back());
    pending.pop_back();
    if (depth > kMaxSettingsKeyDepth || key.size() > kMaxSettingsKeyPath) return std::nullopt;
    out.push_back('[');
    AppendName(out, key, true);
    out += "]\n";
    AppendValues(out, tree, key);
    if (out.size() > kMaxSettingsFileSize) return std::nullopt;
    push_sub_keys(key, depth);
  }
  return out;
}

bool ParseSettingsFile(std::string_view text, MemoryRegistryStore& tree) {
  if (text.size() > kMaxSettingsFileSize) return false;
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::optional<std::string> key = std::string();  // std::nullopt inside a broken section
  size_t lines = 0;  // entry lines; a file written here has one per key and value
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = TrimView(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (++lines > kMaxSettingsEntries) return false;
    if (line.front() == '[') {
      key = ParseSection(line);
      if (key) tree.CreateKey(*key);
    } else if (key) {
      ParseValueLine(line, *key, tree);
    }
    if (tree.EntryCount() > kMaxSettingsEntries) return false;
  }
  return true;
}

}  // namespace quillmar
