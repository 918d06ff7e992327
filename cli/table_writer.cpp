#include "cli/table_writer.h"

#include <cstdio>

namespace quillmar::cli {

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when none starts there (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a value above U+10FFFF).
size_t Utf8SequenceLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  return length;
}

void Escape(std::string& out, unsigned code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", code);
  out += buf;
}

}  // namespace

Cell Cell::NumberList(const std::vector<int32_t>& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size(); ++i) text += (i ? "," : "") + std::to_string(numbers[i]);
  return Cell(std::move(text), Kind::kNumberList, false);
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      Escape(out, 0xdc00 + c);
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7f)
          Escape(out, c);
        else
          out.push_back(static_cast<char>(c));
    }
    ++i;
  }
  return out + "\"";
}

std::string JsonObject(const std::vector<std::string>& columns, const std::vector<Cell>& fields) {
  std::string out = "{";
  for (size_t i = 0; i < fields.size() && i < columns.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(columns[i]) + ": ";
    switch (fields[i].GetKind()) {
      case Cell::Kind::kText:
        out += JsonString(fields[i].Text());
        break;
      case Cell::Kind::kNumber:
        out += fields[i].Text();
        break;
      case Cell::Kind::kBoolean:
        out += fields[i].BooleanValue() ? "true" : "false";
        break;
      case Cell::Kind::kNumberList:
        out += "[";
        for (char c : fields[i].Text()) out += c == ',' ? std::string(", ") : std::string(1, c);
        out += "]";
        break;
    }
  }
  return out + "}";
}

TableWriter::TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> columns,
                         bool header)
    : out_(out), format_(format), columns_(std::move(columns)) {
  if (format_ == OutputFormat::kJson) out_ << "[";
  if (header && (format_ == OutputFormat::kTsv || format_ == OutputFormat::kText)) {
    for (size_t i = 0; i < columns_.size(); ++i) out_ << (i ? "\t" : "") << columns_[i];
    out_ << '\n';
  }
}

TableWriter::~TableWriter() {
  if (format_ == OutputFormat::kJson) out_ << (first_ ? "]\n" : "\n]\n");
  out_.flush();
}

void TableWriter::Row(const std::vector<Cell>& fields) {
  switch (format_) {
    case OutputFormat::kJson:
      out_ << (first_ ? "\n  " : ",\n  ") << JsonObject(columns_, fields);
      break;
    case OutputFormat::kJsonl:
      // One line per row, flushed, so a consumer can act on each row as it comes.
      out_ << JsonObject(columns_, fields) << '\n' << std::flush;
      break;
    case OutputFormat::kTsv:
    case OutputFormat::kText:
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out_ << '\t';
        for (char c : fields[i].Text()) out_ << (c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
      }
      out_ << '\n';
      break;
  }
  first_ = false;
}

}  // namespace quillmar::cli
