#include "text/plain_text.h"

#include <vector>

#include "base/codepage.h"
#include "text/greek.h"
#include "text/stream_codes.h"

namespace quillmar {

using namespace stream;

namespace {

// What a code does to the walk: the suppression level (0 = output) and the skip flag that
// hides the rest of a table after its title.
enum class Effect { kNone, kNewParagraph, kNewLine, kLevel0, kLevel1, kLevel2, kUp, kSkip };

Effect EffectOf(char code) {
  switch (code) {
    case kParagraphSeparator:
      return Effect::kNewParagraph;
    case kLineNumber:
      return Effect::kNewLine;
    case kPageNumber:
    case kParagraphNumber:
    case kNumber25:
    case kSection1:
    case kSection2:
    case kSection3:
    case kLabel:
    case kMarginNote:
      return Effect::kLevel1;
    // Links with two terminated arguments. The table link and the cross-collection reference
    // belong here too: their number or target text must not leak into the output.
    case kFootnoteLink:
    case kScholionLink:
    case kPictureLink:
    case kRemarkLink:
    case kPlaceLink:
    case kReferenceLink:
    case kTableLink:
      return Effect::kLevel2;
    case kTerminator:
      return Effect::kUp;
    case kTitleEnd:
    case kCellStart:
    case kRowStart:
      return Effect::kSkip;
    case kWordCode2:
    case kWordCode3:
    case kWordCode4:
    case 'Z':
    case '[':
    case '\\':
    case ']':
      return Effect::kLevel0;
    default:
      break;
  }
  // Fonts 1..9 and the layout codes 0x0C..0x13 (not font 10).
  if ((code >= 0x01 && code <= 0x09) || (code >= kCentreOn && code <= kIndentFirstAlt))
    return Effect::kLevel0;
  return Effect::kNone;
}

// Renders `bytes` into `out`; with `greek`, records for each output byte whether it was set in
// the Greek font (`greek_font`: the font in force at the start).
void Render(std::string_view bytes, std::string& out, std::vector<bool>* greek, bool greek_font) {
  int level = 0;
  bool skip = false;
  size_t i = 0;
  auto put = [&](std::string_view s) {
    out += s;
    if (greek) greek->insert(greek->end(), s.size(), greek_font);
  };
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c != kEscape) {
      if (level == 0 && !skip) put(std::string_view(&c, 1));
      ++i;
      continue;
    }
    if (i + 1 >= bytes.size()) break;
    const char code = bytes[i + 1];
    i += 2;
    if (IsFontCode(code)) greek_font = code == kGreekFont;
    switch (EffectOf(code)) {
      case Effect::kNewParagraph:
        put("\r\n");
        skip = false;
        level = 0;
        greek_font = false;
        break;
      case Effect::kNewLine:
        put("\r\n");
        level = 1;
        break;
      case Effect::kLevel0:
        level = 0;
        break;
      case Effect::kLevel1:
        level = 1;
        break;
      case Effect::kLevel2:
        level = 2;
        break;
      case Effect::kUp:
        if (level > 0) --level;
        break;
      case Effect::kSkip:
        skip = true;
        break;
      case Effect::kNone:
        break;
    }
  }
}

bool IsPartBreak(char c) { return c == ' ' || c == '\r' || c == '\n'; }

}  // namespace

std::string PlainText(std::string_view bytes) {
  std::string out;
  Render(bytes, out, nullptr, false);
  return out;
}

std::string PlainTextUtf8(std::string_view bytes, bool unicodeGreek, bool startsInGreek) {
  std::string plain;
  std::vector<bool> greek;
  Render(bytes, plain, &greek, startsInGreek);
  if (!unicodeGreek) return Cp1252ToUtf8(plain);
  std::string out;
  size_t i = 0;
  while (i < plain.size()) {
    size_t end = i + 1;
    if (greek[i] && !IsPartBreak(plain[i])) {
      while (end < plain.size() && greek[end] && !IsPartBreak(plain[end])) ++end;
      out += GreekToUtf8(std::string_view(plain).substr(i, end - i));
    } else {
      while (end < plain.size() && !(greek[end] && !IsPartBreak(plain[end]))) ++end;
      out += Cp1252ToUtf8(std::string_view(plain).substr(i, end - i));
    }
    i = end;
  }
  return out;
}

}  // namespace quillmar
