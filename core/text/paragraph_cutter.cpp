#include "text/paragraph_cutter.h"

#include "collection/datei.h"
#include "text/stream_codes.h"

namespace quillmar {

ParagraphCutter::ParagraphCutter(ByteAt byte_at, int32_t length)
    : byte_at_(std::move(byte_at)), length_(length) {}

ParagraphCutter::ParagraphCutter(TDatei& stream_file)
    : byte_at_([&stream_file](int32_t p) -> std::optional<char> {
        const char c = stream_file.Zeichen(p);
        if (stream_file.KeineDatenMehr()) return std::nullopt;
        return c;
      }),
      length_(stream_file.DateiLen()) {}

bool ParagraphCutter::IsSeparator(int32_t p) const {
  if (p < 1 || p >= length_) return false;
  const std::optional<char> a = byte_at_(p);
  if (!a || *a != stream::kEscape) return false;
  const std::optional<char> b = byte_at_(p + 1);
  return b && *b == stream::kParagraphSeparator;
}

std::optional<TAbsatzDataRecord> ParagraphCutter::ReadAt(int32_t p) const {
  if (p < 1 || p > length_) return std::nullopt;
  if (p == length_ && p > 1) --p;
  int32_t start = 1;
  for (; p >= 1; --p) {
    if (!byte_at_(p)) {
      // The data is gone (a vanished file): stop rather than probe every earlier byte.
      start = p + 1;
      break;
    }
    if (IsSeparator(p)) {
      start = p + 2;
      break;
    }
  }
  TAbsatzDataRecord record;
  record.start = start;
  for (int32_t k = start; k <= length_ && !IsSeparator(k); ++k) {
    const std::optional<char> c = byte_at_(k);
    if (!c) break;
    record.text += *c;
  }
  return record;
}

std::vector<TAbsatzDataRecord> ParagraphCutter::Split(std::string_view bytes) {
  std::vector<TAbsatzDataRecord> out;
  TAbsatzDataRecord current;
  current.start = 1;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == stream::kEscape && i + 1 < bytes.size() &&
        bytes[i + 1] == stream::kParagraphSeparator) {
      out.push_back(std::move(current));
      current = TAbsatzDataRecord{};
      current.start = static_cast<int32_t>(i + 3);
      ++i;
    } else {
      current.text += bytes[i];
    }
  }
  if (!bytes.empty()) out.push_back(std::move(current));
  return out;
}

}  // namespace quillmar
