// TEI P5 to the collection source. docs/importers.md lists the mapping.

#include <array>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "builder/import.h"
#include "builder/import_common.h"
#include "builder/source_scan.h"
#include "builder/source_writer.h"
#include "builder/xml_input.h"

namespace quillmar::builder {
namespace {

using pugi::xml_node;
using xml::AllText;
using xml::Child;
using xml::LocalName;

// Where inline content stands; it decides which elements the source allows there.
enum class Place { kParagraph, kNote, kMargin, kCell };

constexpr int kMaxChapters = 255;  // per level and parent, as the chapter file counts them

bool IsDiv(std::string_view name) {
  return name == "div" ||
         (name.size() == 4 && name.starts_with("div") && name[3] >= '1' && name[3] <= '7');
}

// Elements whose content is a sequence of blocks rather than running text.
bool IsBlock(std::string_view name) {
  static const std::set<std::string_view> kBlocks = {
      "p",         "ab",           "lg",       "l",        "head",   "table",    "figure",
      "list",      "sp",           "speaker",  "stage",    "quote",  "opener",   "closer",
      "trailer",   "byline",       "dateline", "salute",   "signed", "epigraph", "argument",
      "docAuthor", "floatingText", "cit",      "castList", "label",  "item"};
  return IsDiv(name) || kBlocks.contains(name);
}

bool HasBlockChildren(const xml_node& n) {
  for (xml_node c : n.children())
    if (c.type() == pugi::node_element && IsBlock(LocalName(c)) && LocalName(c) != "label")
      return true;
  return false;
}

// Inline elements whose text is kept as it is without being counted as unknown.
bool IsPlainInline(std::string_view name) {
  static const std::set<std::string_view> kPlain = {
      "q",         "said",     "quote",     "name",     "persName", "placeName", "orgName",
      "rs",        "date",     "num",       "seg",      "w",        "pc",        "c",
      "add",       "unclear",  "supplied",  "ref",      "cit",      "bibl",      "gloss",
      "mentioned", "soCalled", "distinct",  "label",    "item",     "list",      "speaker",
      "stage",     "measure",  "geogName",  "roleName", "surname",  "forename",  "time",
      "span",      "s",        "phr",       "cl",       "author",   "lem",       "sp",
      "opener",    "closer",   "signed",    "salute",   "dateline", "byline",    "argument",
      "epigraph",  "trailer",  "docAuthor", "sic",      "orig",     "reg",       "corr",
      "abbr",      "expan",    "ex",        "am",       "hi",       "emph",      "foreign",
      "term",      "title"};
  return kPlain.contains(name);
}

// The xml:lang in force at the node.
std::string_view XmlLang(xml_node n) {
  for (; n; n = n.parent())
    if (pugi::xml_attribute a = n.attribute("xml:lang")) return a.value();
  return "";
}

class TeiImport {
 public:
  explicit TeiImport(const ImportOptions& options) : options_(options) {}

  void File(const ImportFile& file);
  ImportResult Result(const std::string& id);

 private:
  void Division(const xml_node& div, int depth, int nesting);
  void Blocks(const xml_node& parent, int depth, int nesting);
  void Block(const xml_node& n, int depth, int nesting);
  void Inline(const xml_node& n, Place place, int nesting);
  void InlineChildren(const xml_node& n, Place place, int nesting);
  void Paragraph(const xml_node& n, int nesting);
  void VerseGroup(const xml_node& lg, int nesting);
  void Table(const xml_node& table, int nesting);
  void Picture(const xml_node& figure, Place place);
  void Page(const xml_node& pb, Place place);
  void Note(const xml_node& note, Place place, int nesting);
  void Heading(const xml_node& head, int nesting);
  // Opens a text when none is open, then writes what waits for the next paragraph (language,
  // page, margin number).
  void BeforeContent(const xml_node& n);
  void StartText(const std::string& title, std::string_view keyBase);
  std::string LineMark(const xml_node& l);
  void Check(const xml_node& n, int nesting) {
    if (nesting > xml::kMaxDepth) xml::TooDeep(*file_, n);
  }

  const ImportOptions& options_;
  SourceWriter w_;
  // The styles of the running text (only a paragraph's text has marks and notes to suspend them).
  StyleStack styles_{w_};
  const ImportFile* file_ = nullptr;
  std::string fileTitle_, fileAuthor_, firstTitle_;
  bool textOpen_ = false;
  std::set<std::string> keys_;
  std::string lang_;
  std::string pendingPage_, pendingMargin_;
  int lastPage_ = 0;
  int lastLine_ = 0;
  std::array<int, 4> chapterCounts_{};
  int texts_ = 0, chapters_ = 0, pages_ = 0, notes_ = 0, verseLines_ = 0, tables_ = 0;
  std::vector<ImportedPicture> pictures_;
  std::set<std::string> pictureNames_;
  int missingPictures_ = 0;
};

void TeiImport::StartText(const std::string& title, std::string_view keyBase) {
  w_.EndText();
  w_.Line("");
  w_.Directive("text", import::TextKey(keyBase, keys_));
  w_.Directive("title", title.empty() ? "Untitled" : title);
  if (!fileAuthor_.empty()) w_.Directive("long", fileAuthor_);
  textOpen_ = true;
  lang_.clear();
  chapterCounts_ = {};
  lastLine_ = 0;
  ++texts_;
}

void TeiImport::BeforeContent(const xml_node& n) {
  if (!textOpen_) StartText(fileTitle_, import::Stem(file_->name));
  std::string lang = import::LanguageOf(XmlLang(n));
  if (lang.empty()) lang = "other";
  if (lang != lang_) {
    w_.Directive("lang", lang);
    lang_ = lang;
  }
  if (!pendingPage_.empty()) {
    w_.Directive("page", pendingPage_);
    pendingPage_.clear();
  }
  if (!pendingMargin_.empty()) {
    const auto margin = w_.OpenElement("{margin:");
    w_.Text(pendingMargin_);
    w_.CloseElement(margin);
    pendingMargin_.clear();
  }
}

void TeiImport::File(const ImportFile& file) {
  file_ = &file;
  pugi::xml_document doc;
  xml::Load(doc, file);
  const xml_node root = doc.document_element();
  const xml_node header = Child(root, "teiHeader");
  const xml_node titleStmt = Child(Child(header, "fileDesc"), "titleStmt");
  fileTitle_ = w_.Value(AllText(Child(titleStmt, "title")), 80);
  fileAuthor_ = w_.Value(AllText(Child(titleStmt, "author")), 40);
  if (firstTitle_.empty()) firstTitle_ = w_.Value(AllText(Child(titleStmt, "title")), 128);
  textOpen_ = false;
  pendingPage_.clear();
  pendingMargin_.clear();
  // TEI or teiCorpus: every text's body (a group holds further texts).
  std::vector<xml_node> bodies;
  auto collect = [&](auto&& self, const xml_node& n, int nesting) -> void {
    Check(n, nesting);
    for (xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = LocalName(c);
      if (name == "body") bodies.push_back(c);
      if (name == "TEI" || name == "text" || name == "group") self(self, c, nesting + 1);
    }
  };
  collect(collect, root, 0);
  if (bodies.empty()) throw Exception(xml::Place(file, root.offset_debug()) + ": no TEI text body");
  for (const xml_node& body : bodies) Blocks(body, 0, 1);
  w_.EndParagraph();
  pendingPage_.clear();  // a page break at the very end starts nothing
}

void TeiImport::Blocks(const xml_node& parent, int depth, int nesting) {
  for (xml_node c : parent.children()) Block(c, depth, nesting + 1);
}

void TeiImport::Block(const xml_node& n, int depth, int nesting) {
  Check(n, nesting);
  if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
    const std::string_view text = n.value();
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
    if (!w_.InParagraph()) BeforeContent(n.parent());
    w_.Text(text);
    return;
  }
  if (n.type() != pugi::node_element) return;
  const std::string_view name = LocalName(n);
  if (IsDiv(name)) {
    Division(n, depth + 1, nesting);
  } else if (name == "head") {
    Heading(n, nesting);
  } else if (name == "p" || name == "ab" || name == "speaker" || name == "stage" ||
             name == "byline" || name == "dateline" || name == "salute" || name == "signed" ||
             name == "docAuthor" || name == "trailer") {
    w_.EndParagraph();
    Paragraph(n, nesting);
  } else if (name == "lg") {
    w_.EndParagraph();
    if (Child(n, "lg")) {
      Blocks(n, depth, nesting);  // stanzas
    } else {
      VerseGroup(n, nesting);
    }
  } else if (name == "l") {
    w_.EndParagraph();
    VerseGroup(n, nesting);
  } else if (name == "table") {
    Table(n, nesting);
  } else if (name == "figure") {
    w_.EndParagraph();
    BeforeContent(n);
    Picture(n, Place::kParagraph);
    w_.EndParagraph();
  } else if (name == "pb") {
    Page(n, Place::kParagraph);
  } else if (name == "milestone") {
    if (const std::string_view number = n.attribute("n").value(); !number.empty()) {
      if (w_.InParagraph()) {
        const auto margin = w_.OpenElement("{margin:");
        w_.Text(number);
        w_.CloseElement(margin);
      } else {
        pendingMargin_ = number;
      }
    }
  } else if (name == "list") {
    w_.EndParagraph();
    for (xml_node item : n.children()) {
      if (item.type() != pugi::node_element) continue;
      if (LocalName(item) == "item" || LocalName(item) == "label") {
        Paragraph(item, nesting + 1);
      } else {
        Block(item, depth, nesting + 1);
      }
    }
  } else if (name == "note" || name == "lb" || name == "hi" || name == "foreign" ||
             name == "emph" || name == "q" || name == "title" || name == "term" ||
             name == "graphic" || !HasBlockChildren(n)) {
    // Running text at the level of blocks: it joins (or starts) a paragraph.
    if (!w_.InParagraph()) BeforeContent(n);
    Inline(n, Place::kParagraph, nesting);
  } else {
    if (!IsPlainInline(name) && name != "sp" && name != "floatingText" && name != "castList" &&
        name != "body" && name != "front" && name != "back")
      w_.Unknown(std::string(name));
    w_.EndParagraph();
    Blocks(n, depth, nesting);
    w_.EndParagraph();
  }
}

void TeiImport::Division(const xml_node& div, int depth, int nesting) {
  w_.EndParagraph();
  const xml_node head = Child(div, "head");
  const std::string headText = AllText(head);
  const std::string_view type = div.attribute("type").value();
  const std::string_view n = div.attribute("n").value();
  // A name from the type and number ("Book 1"), for a division whose head cannot name it.
  std::string label;
  if (!type.empty()) {
    label = std::string(type);
    label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
  }
  if (!n.empty()) label += (label.empty() ? "" : " ") + std::string(n);
  bool headUsed = false;

  if (options_.textLevel > 0 && depth == options_.textLevel) {
    const bool headFits = !headText.empty() && !Child(head, "note");
    std::string title = headFits ? w_.Value(headText, 80) : w_.Value(label, 80);
    if (title.empty()) title = fileTitle_;
    StartText(title, import::Stem(file_->name) + "-" +
                         (n.empty() ? std::to_string(texts_ + 1) : std::string(n)));
    headUsed = headFits;
  } else if (options_.textLevel > 0 && depth < options_.textLevel) {
    Blocks(div, depth, nesting);  // divisions above the texts only hold them
    return;
  } else {
    const int level = depth - options_.textLevel;  // 1 chapter, 2 section, 3 subsection
    if (level >= 1 && level <= 3) {
      // The chapter file needs an enclosing chapter for each level, and counts at most 255.
      bool enclosed = true;
      for (int l = 1; l < level; ++l) enclosed = enclosed && chapterCounts_[l] > 0;
      if (enclosed && chapterCounts_[level] < kMaxChapters) {
        BeforeContent(div);
        // The head names the chapter when it is short plain Windows-1252 text; otherwise it
        // stays a heading of its own below a chapter named after the division.
        const bool headFits = !headText.empty() && !Child(head, "note") &&
                              SourceWriter::FitsCp1252(headText) &&
                              w_.Value(headText, 61) == w_.Value(headText, 60);
        std::string name = headFits ? w_.Value(headText, 60) : w_.Value(label, 60);
        if (name.empty()) name = "Chapter " + std::to_string(chapterCounts_[level] + 1);
        static constexpr const char* kDirectives[] = {"", "chapter", "section", "subsection"};
        w_.Directive(kDirectives[level], name);
        ++chapterCounts_[level];
        for (int l = level + 1; l <= 3; ++l) chapterCounts_[l] = 0;
        ++chapters_;
        headUsed = headFits;
      }
    }
  }
  for (xml_node c : div.children()) {
    if (headUsed && c == head) continue;
    Block(c, depth, nesting + 1);
  }
  w_.EndParagraph();
}

void TeiImport::Heading(const xml_node& head, int nesting) {
  w_.EndParagraph();
  BeforeContent(head);
  InlineChildren(head, Place::kParagraph, nesting);
  const std::string content = w_.Take();
  if (!content.empty()) w_.Directive("heading", content);
}

void TeiImport::Paragraph(const xml_node& n, int nesting) {
  BeforeContent(n);
  InlineChildren(n, Place::kParagraph, nesting);
  w_.EndParagraph();
}

std::string TeiImport::LineMark(const xml_node& l) {
  int32_t number = 0;
  if (ParseInt(TrimView(l.attribute("n").value()), 1, 65535, number)) {
    lastLine_ = number;
  } else if (lastLine_ < 65535) {
    number = ++lastLine_;
  } else {
    number = lastLine_;
  }
  ++verseLines_;
  return "{line " + std::to_string(number) + "}";
}

void TeiImport::VerseGroup(const xml_node& lg, int nesting) {
  BeforeContent(lg);
  if (LocalName(lg) == "l") {
    w_.Markup(LineMark(lg), false);
    InlineChildren(lg, Place::kParagraph, nesting);
  } else {
    for (xml_node c : lg.children()) {
      if (c.type() == pugi::node_element && LocalName(c) == "head") {
        Heading(c, nesting + 1);
        BeforeContent(lg);
      } else {
        Inline(c, Place::kParagraph, nesting + 1);
      }
    }
  }
  w_.EndParagraph();
}

void TeiImport::Table(const xml_node& table, int nesting) {
  w_.EndParagraph();
  BeforeContent(table);
  const std::string title = w_.Value(AllText(Child(table, "head")), 80);
  std::vector<std::string> lines;
  for (xml_node row : table.children()) {
    if (row.type() != pugi::node_element || LocalName(row) != "row") continue;
    std::string line;
    for (xml_node cell : row.children()) {
      if (cell.type() != pugi::node_element || LocalName(cell) != "cell") continue;
      InlineChildren(cell, Place::kCell, nesting + 2);
      line += "| " + w_.Take() + " ";
    }
    if (!line.empty()) lines.push_back(std::move(line));
  }
  // A table without a row that has a cell has nothing to show (and the source format refuses a
  // table without rows): it is left out.
  if (lines.empty()) return;
  w_.Directive("table", title.empty() ? "Table" : title);
  for (const std::string& line : lines) w_.Line(line);
  w_.Line("@end");
  ++tables_;
}

void TeiImport::Picture(const xml_node& figure, Place place) {
  const xml_node graphic = LocalName(figure) == "graphic" ? figure : Child(figure, "graphic");
  std::string text = AllText(Child(figure, "head"));
  if (text.empty()) text = AllText(Child(figure, "figDesc"));
  if (TrimView(text).empty()) text = "Figure";
  const std::string caption = w_.Value(text, 80);
  const std::string_view url = graphic.attribute("url").value();
  if (!graphic || url.empty() || place == Place::kMargin ||
      (options_.pictureExists && !options_.pictureExists(file_->name, std::string(url)))) {
    if (graphic && !url.empty()) ++missingPictures_;
    w_.Text(text);
    return;
  }
  // The name in media/: the file's own name when it is a valid one, else a numbered one.
  std::string name;
  const std::string_view base = url.substr(url.find_last_of("/\\") + 1);
  bool valid = !base.empty() && base.size() <= 23;
  for (char c : base) valid = valid && IsNameChar(c);
  if (valid) {
    name = std::string(base);
  } else {
    const size_t dot = base.rfind('.');
    std::string ext = dot == std::string_view::npos ? "" : std::string(base.substr(dot));
    // The extension is kept only when it is itself valid in a name.
    bool validExt = ext.size() <= 6;
    for (char c : ext) validExt = validExt && IsNameChar(c);
    if (!validExt) ext.clear();
    name = "picture" + std::to_string(pictures_.size() + 1) + ext;
  }
  if (pictureNames_.insert(name).second) pictures_.push_back({file_->name, std::string(url), name});
  w_.Markup("{pic " + name + ":");
  w_.Markup(caption);
  w_.Markup("}");
}

void TeiImport::Page(const xml_node& pb, Place place) {
  const std::string_view n = pb.attribute("n").value();
  if (place != Place::kParagraph) return;  // notes, margin notes and cells have no pages
  const std::string number = import::PageNumber(n, lastPage_);
  ++pages_;
  if (w_.InParagraph()) {
    styles_.Suspend();
    w_.Markup("{page " + number + "}", false);
    return;
  }
  std::string value = number;
  if (number != TrimView(n) && !TrimView(n).empty()) value += " " + w_.Value(n, 180);
  pendingPage_ = value;
}

void TeiImport::Note(const xml_node& note, Place place, int nesting) {
  const bool margin = std::string_view(note.attribute("place").value()).starts_with("margin");
  if (place != Place::kParagraph) {
    // Notes cannot stand in notes, margin notes or table cells: the text in brackets.
    w_.Text(" [");
    InlineChildren(note, place, nesting);
    w_.Text("]");
    return;
  }
  // A note stands in the running text, not in a style. One with nothing to show is left out: the
  // builder refuses an empty one.
  styles_.Suspend();
  if (margin) {
    const auto opened = w_.OpenElement("{margin:");
    InlineChildren(note, Place::kMargin, nesting);
    if (w_.CloseElement(opened)) ++notes_;
    return;
  }
  const std::string mark = import::NoteMark(note.attribute("n").value());
  const auto opened = w_.OpenElement(mark.empty() ? "{fn:" : "{fn " + mark + ":");
  InlineChildren(note, Place::kNote, nesting);
  if (w_.CloseElement(opened)) ++notes_;
}

void TeiImport::InlineChildren(const xml_node& n, Place place, int nesting) {
  for (xml_node c : n.children()) Inline(c, place, nesting + 1);
}

void TeiImport::Inline(const xml_node& n, Place place, int nesting) {
  Check(n, nesting);
  if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
    if (place == Place::kParagraph) styles_.Resume();
    w_.Text(n.value());
    return;
  }
  if (n.type() != pugi::node_element) return;
  const std::string_view name = LocalName(n);
  const bool lines = place == Place::kParagraph;
  if (name == "hi" || name == "emph" || name == "title" || name == "term" || name == "foreign") {
    std::string_view rend = n.attribute("rend").value();
    const std::string lang = import::LanguageOf(n.attribute("xml:lang").value());
    std::string open;
    if (lang == "other" && std::string_view(n.attribute("xml:lang").value()).starts_with("he")) {
      InlineChildren(n, place, nesting);  // Hebrew letters are set in the Hebrew font anyway
      return;
    }
    if (rend.find("bold") != std::string_view::npos) {
      open = "{b:";
    } else if (rend.find("ital") != std::string_view::npos || name == "emph" || name == "title" ||
               name == "term" || (name == "foreign" && lang != "grc") ||
               (name == "hi" && rend.empty())) {
      open = "{i:";
    }
    if (open.empty()) {
      InlineChildren(n, place, nesting);
    } else {
      if (place == Place::kParagraph) styles_.Resume();
      styles_.Open(open);
      InlineChildren(n, place, nesting);
      styles_.Close();
    }
  } else if (name == "note") {
    Note(n, place, nesting);
  } else if (name == "lb") {
    int32_t number = 0;
    if (lines && ParseInt(TrimView(n.attribute("n").value()), 1, 65535, number)) {
      styles_.Suspend();
      w_.Markup("{line " + std::to_string(number) + "}", false);
    } else if (std::string_view(n.attribute("break").value()) != "no") {
      w_.Text(" ");
    }
  } else if (name == "pb") {
    Page(n, place);
  } else if (name == "milestone") {
    if (const std::string_view number = n.attribute("n").value(); lines && !number.empty()) {
      styles_.Suspend();
      const auto margin = w_.OpenElement("{margin:");
      w_.Text(number);
      w_.CloseElement(margin);
    }
  } else if (name == "l") {
    if (lines) {
      styles_.Suspend();
      w_.Markup(LineMark(n), false);
    }
    InlineChildren(n, place, nesting);
    if (!lines) w_.Text(" ");
  } else if (name == "figure" || name == "graphic") {
    Picture(n, place);
  } else if (name == "choice") {
    // The corrected, regularised or expanded reading.
    for (const char* wanted : {"corr", "reg", "expan"}) {
      if (const xml_node c = Child(n, wanted)) {
        InlineChildren(c, place, nesting);
        return;
      }
    }
    for (xml_node c : n.children()) {
      if (c.type() == pugi::node_element) {
        InlineChildren(c, place, nesting);
        return;
      }
    }
  } else if (name == "app") {
    if (const xml_node lem = Child(n, "lem")) InlineChildren(lem, place, nesting);
  } else if (name == "gap") {
    w_.Text("[\xE2\x80\xA6]");
  } else if (name == "del" || name == "ptr" || name == "anchor" || name == "figDesc" ||
             name == "rdg" || name == "index") {
    // Not part of the running text.
  } else if (name == "table") {
    InlineChildren(n, place, nesting);
  } else {
    if (!IsPlainInline(name) && !IsBlock(name)) w_.Unknown(std::string(name));
    InlineChildren(n, place, nesting);
  }
}

ImportResult TeiImport::Result(const std::string& id) {
  w_.EndText();
  ImportResult r;
  r.source = "@collection " + id + "\n@title " + (firstTitle_.empty() ? id : firstTitle_) + "\n" +
             w_.Out();
  r.pictures = pictures_;
  r.summary = "TEI: " + std::to_string(texts_) + " texts, " + std::to_string(chapters_) +
              " chapters, " + std::to_string(pages_) + " page breaks, " + std::to_string(notes_) +
              " notes, " + std::to_string(verseLines_) + " verse lines, " +
              std::to_string(pictures_.size()) + " pictures, " + std::to_string(tables_) +
              " tables";
  if (missingPictures_ > 0)
    r.summary += "; " + std::to_string(missingPictures_) + " missing pictures kept as captions";
  r.summary += w_.SummaryTail();
  return r;
}

}  // namespace

ImportResult ImportTei(const std::vector<ImportFile>& files, const ImportOptions& options) {
  TeiImport import(options);
  for (const ImportFile& file : files) import.File(file);
  return import.Result(import::CollectionId(files, options));
}

}  // namespace quillmar::builder
