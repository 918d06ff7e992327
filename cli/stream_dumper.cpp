#include "cli/stream_dumper.h"

#include <cstdio>

#include "base/codepage.h"
#include "base/errors.h"
#include "text/paragraph_parser.h"
#include "text/simple_table.h"
#include "text/stream_codes.h"

namespace quillmar::cli {

namespace {

std::string HexByte(char c) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(c));
  return buf;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

std::string StreamDumper::Shown(std::string_view bytes) {
  std::string raw;  // Windows-1252 with the codes spelled out
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (bytes[i] == stream::kEscape && i + 1 < bytes.size())
      raw += "{" + HexByte(bytes[++i]) + "}";
    else if (b < 0x20 || b == 0x7F)
      raw += "\\x" + HexByte(bytes[i]);
    else
      raw += bytes[i];
  }
  return Cp1252ToUtf8(raw);
}

bool StreamDumper::Paragraph(std::string_view text, int32_t start) {
  out_ << "paragraph\t" << start << "\t" << text.size() << "\n";
  last_ = StreamWord{};
  try {
    if (TSimpleTable::TableStart(text) != std::string_view::npos) {
      const TSimpleTable table(text.substr(TSimpleTable::TableStart(text)));
      out_ << "table\t" << table.RowCount() << "\t" << table.ColCount() << "\t"
           << Shown(table.Title()) << "\n";
    } else {
      ParagraphParser().Parse(text, start, *this);
    }
    return true;
  } catch (const Exception& e) {
    std::string message = e.what();
    for (char& c : message)
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    out_ << "error\t" << message << "\n";
    return false;
  }
}

void StreamDumper::SetCentred(bool on) { out_ << "centred\t" << OnOff(on) << "\n"; }
void StreamDumper::SetJustified(bool on) { out_ << "justified\t" << OnOff(on) << "\n"; }
void StreamDumper::SetIndentMode(uint8_t mode) { out_ << "indent\t" << int{mode} << "\n"; }
void StreamDumper::SetParagraphNumber(int32_t number) {
  out_ << "paragraph-number\t" << number << "\n";
}

void StreamDumper::Word(const char* kind, const StreamWord& w) {
  if (w.page_number != last_.page_number || w.page_numbering != last_.page_numbering)
    out_ << "page\t" << w.page_number << "\t" << (w.page_numbering ? "arabic" : "roman") << "\n";
  if (w.line_number != last_.line_number) out_ << "line\t" << w.line_number << "\n";
  if (w.code25_number != last_.code25_number) out_ << "number25\t" << w.code25_number << "\n";
  if (w.label != last_.label) out_ << "label\t" << Shown(w.label) << "\n";
  out_ << kind << "\t" << w.start_position << "\t" << HexByte(w.font_code) << "\t" << Shown(w.bytes)
       << "\n";
  if (w.link)
    out_ << "link\t" << int{w.link_kind} << "\t" << w.link_number << "\t" << Shown(w.link_target)
         << "\n";
  last_ = w;
}

}  // namespace quillmar::cli
