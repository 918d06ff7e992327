#include "builder/stream_builder.h"

#include "text/stream_codes.h"

namespace quillmar::builder {

void StreamBuilder::Code(char code) {
  bytes_.push_back(stream::kEscape);
  bytes_.push_back(code);
}

void StreamBuilder::Text(std::string_view text) {
  for (char c : text)
    if (c != stream::kEscape) bytes_.push_back(c);
}

void StreamBuilder::NumberArgument(int32_t n) {
  bytes_ += std::to_string(n);
  Code(stream::kTerminator);
}

void StreamBuilder::TextArgument(std::string_view text) {
  Text(text);
  Code(stream::kTerminator);
}

}  // namespace quillmar::builder
