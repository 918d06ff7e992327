#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar::builder {

// Collects the bytes of one stream file in memory, so that the writers know the text position
// (1-based byte offset) of everything they write.
class StreamBuilder {
 public:
  // Text position of the next byte written.
  int32_t NextPosition() const { return static_cast<int32_t>(bytes_.size()) + 1; }
  bool Empty() const { return bytes_.empty(); }
  const std::string& Bytes() const { return bytes_; }

  // Escape byte + code byte.
  void Code(char code);
  // Raw Windows-1252 bytes; escape bytes in `text` are dropped so that text never forms codes.
  void Text(std::string_view text);
  // Decimal number followed by the terminator code.
  void NumberArgument(int32_t n);
  // Text followed by the terminator code.
  void TextArgument(std::string_view text);

 private:
  std::string bytes_;
};

}  // namespace quillmar::builder
