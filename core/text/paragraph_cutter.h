#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

class TDatei;

// One paragraph as read from a stream file: its bytes without separators and the text position
// of its first byte.
struct TAbsatzDataRecord {
  std::string text;
  int32_t start = 0;
};

// Cuts a stream into paragraphs at the separator 0x01 0x0B. The search for separators looks at
// byte pairs wherever they stand, backwards and forwards alike, so a paragraph read at any of
// its positions is the same paragraph; a position inside a separator belongs to the following
// paragraph. A separator that ends the file is followed by an empty paragraph.
class ParagraphCutter {
 public:
  // The byte at a 1-based position, or nothing when no more data can be read.
  using ByteAt = std::function<std::optional<char>(int32_t)>;

  ParagraphCutter(ByteAt byte_at, int32_t length);
  // Reads through a stream file reader, which must outlive the cutter; stops early when the
  // reader reports no more data.
  explicit ParagraphCutter(TDatei& stream_file);

  // The paragraph containing position p, nothing when p lies outside 1..length.
  std::optional<TAbsatzDataRecord> ReadAt(int32_t p) const;

  // All paragraphs of a stream held in memory, in order.
  static std::vector<TAbsatzDataRecord> Split(std::string_view bytes);

 private:
  bool IsSeparator(int32_t p) const;

  ByteAt byte_at_;
  int32_t length_;
};

}  // namespace quillmar
