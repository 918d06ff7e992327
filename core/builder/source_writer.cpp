#include "builder/source_writer.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "base/codepage.h"
#include "text/greek_input.h"

namespace quillmar::builder {
namespace {

bool IsWhite(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsHebrew(char32_t c) { return c >= 0x0590 && c <= 0x05FF; }
bool IsCantillation(char32_t c) { return c >= 0x0591 && c <= 0x05AF; }
bool IsCombining(char32_t c) { return c >= 0x0300 && c <= 0x036F; }
// A control character other than white space: the source format refuses it.
bool IsControl(char32_t c) { return (c < 0x20 && !IsWhite(c)) || c == 0x7F; }
bool NeedsEscape(char32_t c) {
  return c == '\\' || c == '{' || c == '}' || c == '|' || c == '%' || c == '@';
}

}  // namespace

void SourceWriter::CloseHebrew() {
  if (!hebrew_) return;
  while (!paragraph_.empty() && paragraph_.back() == ' ') {
    paragraph_.pop_back();
    pendingBlank_ = true;
  }
  paragraph_ += '}';
  hebrew_ = false;
}

void SourceWriter::Text(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(utf8, pos);
    if (IsWhite(c)) {
      // A Greek mark after a blank has no letter to sit on.
      greek_.clear();
      pendingBlank_ = true;
      continue;
    }
    if (IsHebrew(c) && IsCantillation(c)) continue;
    if (hebrew_ && !IsHebrew(c)) CloseHebrew();
    if (pendingBlank_ && !paragraph_.empty() && paragraph_.back() != ' ') paragraph_ += ' ';
    pendingBlank_ = false;
    content_ = true;
    const std::string_view raw = utf8.substr(start, pos - start);
    if (IsHebrew(c)) {
      greek_.clear();
      if (!hebrew_) {
        paragraph_ += "{hebrew:";
        hebrew_ = true;
      }
      if (CharToByte(c, CodePage::k1255) == 0) {
        paragraph_ += '?';
        ++replaced_;
      } else {
        paragraph_ += raw;
      }
      ++written_;
    } else if (IsGreekCharacter(c)) {
      // Each Greek letter with its marks must have a transliteration.
      const bool mark = IsCombining(c);
      std::string candidate = mark ? greek_ + std::string(raw) : std::string(raw);
      if ((mark && greek_.empty()) || TransliterateGreek(candidate).error != std::string::npos) {
        ++replaced_;
        if (!mark) {
          paragraph_ += '?';
          ++written_;
          greek_.clear();
        }
        continue;
      }
      greek_ = std::move(candidate);
      paragraph_ += raw;
      ++written_;
    } else {
      greek_.clear();
      if (IsControl(c) || CharToByte(c, CodePage::k1252) == 0) {
        ++replaced_;
        if (!IsCombining(c)) {
          paragraph_ += '?';
          ++written_;
        }
        continue;
      }
      if (NeedsEscape(c)) paragraph_ += '\\';
      paragraph_ += raw;
      ++written_;
    }
  }
}

void SourceWriter::Markup(std::string_view qms, bool content) {
  CloseHebrew();
  greek_.clear();
  if (qms != "}" && pendingBlank_ && !paragraph_.empty() && paragraph_.back() != ' ')
    paragraph_ += ' ';
  if (qms != "}") pendingBlank_ = false;
  paragraph_ += qms;
  if (content) content_ = true;
}

SourceWriter::OpenedElement SourceWriter::OpenElement(std::string_view qms) {
  OpenedElement element;
  element.content = content_;
  Markup(qms);
  element.at = paragraph_.size() - qms.size();
  element.written = written_;
  return element;
}

bool SourceWriter::CloseElement(const OpenedElement& element) {
  // Kept also when the paragraph it was opened in has ended meanwhile (nothing to take back).
  if (written_ != element.written || paragraph_.size() < element.at) {
    Markup("}");
    return true;
  }
  // Nothing but markup since the opening: no Hebrew run was opened (it opens with a letter).
  // Blanks inside count as none: the opening took the blank before it.
  paragraph_.resize(element.at);
  greek_.clear();
  pendingBlank_ = false;
  content_ = element.content;
  return false;
}

std::string SourceWriter::Take() {
  CloseHebrew();
  std::string taken = std::move(paragraph_);
  paragraph_.clear();
  greek_.clear();
  pendingBlank_ = false;
  content_ = false;
  while (!taken.empty() && taken.back() == ' ') taken.pop_back();
  return taken;
}

void SourceWriter::EndParagraph() {
  const bool content = content_;
  std::string text = Take();
  if (!content) return;
  out_ += text;
  out_ += "\n\n";
}

void SourceWriter::EndText() {
  EndParagraph();
  // Directives that are no content: page and line marks wait for a paragraph or heading after
  // them, and these do not take them.
  static const std::set<std::string_view> kNoContent = {
      "number", "title", "long", "short", "lang",    "date",    "align",
      "indent", "lines", "line", "page",  "chapter", "section", "subsection"};
  const auto name = [](std::string_view line) {
    return line.substr(1, std::min(line.find(' '), line.size()) - 1);
  };
  // Back from the end over blank lines and such directives.
  size_t from = out_.size();
  while (from > 0) {
    const size_t newline = from >= 2 ? out_.rfind('\n', from - 2) : std::string::npos;
    const size_t begin = newline == std::string::npos ? 0 : newline + 1;
    std::string_view line(out_.data() + begin, from - begin);
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (!line.empty() && (line.front() != '@' || !kNoContent.contains(name(line)))) break;
    from = begin;
  }
  // Those lines again, without the marks.
  std::string tail;
  for (size_t at = from; at < out_.size();) {
    const size_t end = std::min(out_.find('\n', at), out_.size() - 1) + 1;
    const std::string_view line(out_.data() + at, end - at);
    std::string_view body = line;
    if (body.ends_with('\n')) body.remove_suffix(1);
    const bool mark = body.starts_with('@') && (name(body) == "page" || name(body) == "line");
    if (!mark) tail += line;
    at = end;
  }
  out_.resize(from);
  out_ += tail;
}

void SourceWriter::Directive(std::string_view name, std::string_view value) {
  EndParagraph();
  out_ += '@';
  out_ += name;
  if (!value.empty()) {
    out_ += ' ';
    out_ += value;
  }
  out_ += '\n';
}

void SourceWriter::Line(std::string_view line) {
  out_ += line;
  out_ += '\n';
}

std::string SourceWriter::Value(std::string_view utf8, size_t max) {
  std::string collapsed;
  bool blank = false;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(utf8, pos);
    if (IsWhite(c)) {
      blank = !collapsed.empty();
      continue;
    }
    if (blank) collapsed += ' ';
    blank = false;
    collapsed.append(utf8, start, pos - start);
  }
  const std::string text = TransliterateGreek(collapsed).text;
  std::string out;
  size_t count = 0;
  pos = 0;
  while (pos < text.size() && count < max) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(text, pos);
    if (IsCombining(c)) continue;
    ++count;
    if (IsControl(c) || CharToByte(c, CodePage::k1252) == 0) {
      out += '?';
      continue;
    }
    if (NeedsEscape(c)) out += '\\';
    out.append(text, start, pos - start);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool SourceWriter::FitsCp1252(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size())
    if (CharToByte(DecodeUtf8(utf8, pos), CodePage::k1252) == 0) return false;
  return true;
}

std::string SourceWriter::SummaryTail() const {
  std::string unknown;
  for (const auto& [name, count] : unknown_) {
    if (!unknown.empty()) unknown += ", ";
    unknown += name + " (" + std::to_string(count) + ")";
  }
  std::string tail;
  if (!unknown.empty()) tail += "; kept as text: " + unknown;
  if (replaced_ > 0)
    tail += "; " + std::to_string(replaced_) + " characters without a form replaced";
  return tail;
}

void StyleStack::Open(std::string_view opening) {
  styles_.push_back({std::string(opening), w_.OpenElement(opening)});
}

void StyleStack::Close() {
  if (styles_.size() > suspended_) w_.CloseElement(styles_.back().element);
  styles_.pop_back();
  suspended_ = std::min(suspended_, styles_.size());
}

void StyleStack::Suspend() {
  for (size_t k = styles_.size(); k > suspended_; --k) w_.CloseElement(styles_[k - 1].element);
  suspended_ = styles_.size();
}

void StyleStack::Resume() {
  for (size_t k = 0; k < suspended_; ++k) styles_[k].element = w_.OpenElement(styles_[k].opening);
  suspended_ = 0;
}

}  // namespace quillmar::builder
