#include "text/plain_text.h"

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

}  // namespace

std::string PlainText(std::string_view bytes) {
  std::string out;
  int level = 0;
  bool skip = false;
  size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c != kEscape) {
      if (level == 0 && !skip) out += c;
      ++i;
      continue;
    }
    if (i + 1 >= bytes.size()) break;
    const char code = bytes[i + 1];
    i += 2;
    switch (EffectOf(code)) {
      case Effect::kNewParagraph:
        out += "\r\n";
        skip = false;
        level = 0;
        break;
      case Effect::kNewLine:
        out += "\r\n";
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
  return out;
}

}  // namespace quillmar
