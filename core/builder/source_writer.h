#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Writing a collection source (.qms) from imported text: escapes, inline elements, paragraphs
// and directives, and the characters the collection cannot hold.
namespace quillmar::builder {

class SourceWriter {
 public:
  // Ordinary text (UTF-8). Runs of white space become one blank (none at the start of a
  // paragraph). Greek is kept in Unicode (the builder transliterates it); Hebrew letters are
  // set in {hebrew:...} (cantillation marks are dropped); a control character, any other
  // character without a Windows-1252 form, and a Greek letter or mark without a
  // transliteration, becomes "?" and is counted.
  void Text(std::string_view utf8);
  // Markup written as it is (an element opening such as "{i:", or "}"). `content`: it makes
  // the paragraph worth writing (a page or line mark alone does not).
  void Markup(std::string_view qms, bool content = true);
  // An inline element that the builder refuses with an empty body (a note, a margin note):
  // OpenElement writes its opening; CloseElement writes "}", or takes the opening and any
  // markup after it out again when no character was written since (a note of blanks, of marks
  // left out, of empty styles). CloseElement answers whether the element was kept.
  struct OpenedElement {
    size_t at = 0;
    int written = 0;
    bool content = false;
  };
  OpenedElement OpenElement(std::string_view qms);
  bool CloseElement(const OpenedElement& element);
  // Ends the current paragraph: writes it as one line when it has content.
  void EndParagraph();
  // Ends the current text (before the next @text, and at the end): ends the paragraph and takes
  // out the page and line marks that no paragraph or heading follows, which the builder refuses
  // (a page break after the last paragraph, a verse with nothing to show).
  void EndText();
  bool InParagraph() const { return content_; }
  // The inline content written since the last paragraph end, taken out (a table cell).
  std::string Take();
  // A directive line ("@chapter Name"); ends the current paragraph first. The value is written
  // as it is (see Value).
  void Directive(std::string_view name, std::string_view value);
  // A line written as it is (table rows, "@end").
  void Line(std::string_view line);
  // A directive value from text: white space collapsed, escaped, Greek transliterated (values
  // are Windows-1252), control characters and other characters without a Windows-1252 form
  // "?", cut to `max` characters.
  std::string Value(std::string_view utf8, size_t max);
  // Whether the text has a Windows-1252 form (a chapter name must).
  static bool FitsCp1252(std::string_view utf8);

  // Counts an element kept only as text, for the summary.
  void Unknown(const std::string& element) { ++unknown_[element]; }
  // The end of an import's summary line: the elements kept as text and the characters replaced
  // (empty when there were none).
  std::string SummaryTail() const;

  std::string& Out() { return out_; }

 private:
  void CloseHebrew();

  std::string out_;
  std::string paragraph_;
  std::string greek_;  // the Greek letter being written, with its marks (UTF-8)
  bool hebrew_ = false;
  bool pendingBlank_ = false;
  bool content_ = false;
  int written_ = 0;  // characters written by Text, to tell an empty element
  int replaced_ = 0;
  std::map<std::string, int> unknown_;
};

// The styles ({i:, {b:, {small:) open around an importer's current place, outermost first. The
// builder takes no paragraph break, note, margin note, page or line mark inside a style: before
// one, Suspend closes the open styles, and Resume opens them again before the next content, so
// that they still cover the same words. A style with nothing in it is taken out.
class StyleStack {
 public:
  explicit StyleStack(SourceWriter& writer) : w_(writer) {}

  // Writes the opening of a style inside the current ones.
  void Open(std::string_view opening);
  // Ends the innermost style (nothing to write when it was suspended and not resumed).
  void Close();
  void Suspend();
  // Opens the suspended styles again. Not inside a note or heading opened after Suspend: the
  // styles around the note stay outside it.
  void Resume();

 private:
  struct Style {
    std::string opening;
    SourceWriter::OpenedElement element;
  };
  SourceWriter& w_;
  std::vector<Style> styles_;
  size_t suspended_ = 0;  // the first `suspended_` styles are closed in the source
};

}  // namespace quillmar::builder
