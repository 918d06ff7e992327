#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "text/paragraph_sink.h"
#include "text/stream_codes.h"

namespace quillmar::test {

inline std::string Hex(char c) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto b = static_cast<unsigned char>(c);
  return std::string{'{', kDigits[b >> 4], kDigits[b & 15], '}'};
}

// Records what the paragraph parser emits, as the words themselves and as a compact event log:
// "W bytes @pos fN" (word), "M bytes @pos fN" (margin word), each followed by " Lkind/number"
// for a link word and " Ttarget" for a link record; "C1"/"C0", "J1"/"J0", "I<mode>", "N<number>".
// Escape bytes show as "~" and other control bytes as "{HH}" in the log.
class RecordingSink : public ParagraphSink {
 public:
  void AddWord(const StreamWord& word) override { Word("W ", word); }
  void AddMarginWord(const StreamWord& word) override { Word("M ", word); }
  void SetCentred(bool on) override { log.push_back(on ? "C1" : "C0"); }
  void SetJustified(bool on) override { log.push_back(on ? "J1" : "J0"); }
  void SetIndentMode(uint8_t mode) override { log.push_back("I" + std::to_string(mode)); }
  void SetParagraphNumber(int32_t n) override { log.push_back("N" + std::to_string(n)); }

  std::vector<std::string> log;
  std::vector<StreamWord> words;  // words and margin words in order

 private:
  void Word(const char* kind, const StreamWord& w) {
    std::string shown;
    for (char c : w.bytes) {
      if (c == stream::kEscape) {
        shown += '~';
      } else if (static_cast<unsigned char>(c) < 0x20) {
        shown += Hex(c);
      } else {
        shown += c;
      }
    }
    std::string entry = kind + shown + " @" + std::to_string(w.start_position) + " f" +
                        std::to_string(stream::FontNumber(w.font_code));
    if (w.link) entry += " L" + std::to_string(w.link_kind) + "/" + std::to_string(w.link_number);
    if (w.has_link_record) entry += " T" + w.link_target;
    log.push_back(entry);
    words.push_back(w);
  }
};

}  // namespace quillmar::test

namespace quillmar::test {

// Stream bytes written readably: "~" stands for the escape byte 0x01 and "{HH}" for the byte
// with hexadecimal value HH.
inline std::string S(std::string_view readable) {
  std::string out;
  for (size_t i = 0; i < readable.size(); ++i) {
    if (readable[i] == '~') {
      out += stream::kEscape;
    } else if (readable[i] == '{' && i + 3 < readable.size() && readable[i + 3] == '}') {
      out += static_cast<char>(std::stoi(std::string(readable.substr(i + 1, 2)), nullptr, 16));
      i += 3;
    } else {
      out += readable[i];
    }
  }
  return out;
}

// The code of the internal error that `run` raises, or "" when it raises none.
template <typename Run>
std::string ErrorCode(Run&& run) {
  try {
    run();
  } catch (const InternalError& e) {
    return e.Code();
  }
  return "";
}

}  // namespace quillmar::test
