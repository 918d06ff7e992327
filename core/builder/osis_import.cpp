// OSIS documents and diatheke's OSIS verse listings to the collection source. docs/importers.md
// lists the mapping.

#include <algorithm>
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

// The last dot-separated part of an osisID ("Gen.1.2" -> "2"); the first of several IDs.
std::string_view LastPart(std::string_view osisId) {
  osisId = osisId.substr(0, osisId.find(' '));
  const size_t dot = osisId.rfind('.');
  return dot == std::string_view::npos ? osisId : osisId.substr(dot + 1);
}

std::string_view FirstPart(std::string_view osisId) {
  osisId = osisId.substr(0, osisId.find(' '));
  return osisId.substr(0, osisId.find('.'));
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

class OsisImport {
 public:
  void File(const ImportFile& file);
  ImportResult Result(const std::string& id);

 private:
  void Listing(const ImportFile& file);
  void Document(const ImportFile& file, const pugi::xml_document& doc);
  void Structure(const xml_node& n, int nesting);
  void Inline(const xml_node& n, int nesting);
  void InlineChildren(const xml_node& n, int nesting) {
    for (xml_node c : n.children()) Inline(c, nesting + 1);
  }
  void StartBook(const std::string& title, std::string_view key);
  void StartChapter(std::string_view number);
  void StartVerse(std::string_view number);
  void EndVerse() { EndParagraph(); }
  // Every paragraph break goes through these: the styles open around it close first.
  void EndParagraph() {
    styles_.Suspend();
    w_.EndParagraph();
  }
  void Heading(const xml_node& title, int nesting);
  void Style(const xml_node& n, int nesting, std::string_view opening);
  void BeforeContent();
  void Check(const xml_node& n, int nesting) {
    if (nesting > xml::kMaxDepth) xml::TooDeep(*file_, n);
  }
  // The work's title, once: the collection's title, and the title of a text that holds what
  // stands outside any book, whose title has less room.
  void SetTitle(std::string_view text) {
    if (!title_.empty()) return;
    title_ = w_.Value(text, 128);
    textTitle_ = w_.Value(text, 80);
  }

  SourceWriter w_;
  const ImportFile* file_ = nullptr;
  std::string title_, textTitle_;
  std::string lang_ = "other";  // the document's xml:lang as the source's @lang
  std::set<std::string> keys_;
  bool bookOpen_ = false;
  bool inNote_ = false;
  bool inHeading_ = false;
  StyleStack styles_{w_};
  std::string pendingLine_;
  int lastPage_ = 0;
  int chaptersInBook_ = 0;
  int books_ = 0, chapters_ = 0, verses_ = 0, notes_ = 0, headings_ = 0;
};

void OsisImport::StartBook(const std::string& title, std::string_view key) {
  styles_.Suspend();
  w_.EndText();
  w_.Line("");
  const std::string textKey = import::TextKey(key, keys_);
  w_.Directive("text", textKey);
  // A book whose name leaves no title (nothing of it has a Windows-1252 form) is called by its
  // key, which is never empty and needs no escapes.
  w_.Directive("title", title.empty() ? textKey : title);
  w_.Directive("lang", lang_);
  bookOpen_ = true;
  chaptersInBook_ = 0;
  lastPage_ = 0;
  pendingLine_.clear();
  ++books_;
}

void OsisImport::StartChapter(std::string_view number) {
  if (!bookOpen_) StartBook(textTitle_, "book");
  EndParagraph();
  // Chapters are pages too: the page of a chapter is its number.
  const std::string page = import::PageNumber(number, lastPage_);
  w_.Directive("page", page);
  if (chaptersInBook_ < 255) {
    w_.Directive("chapter", "Chapter " + w_.Value(number.empty() ? page : number, 40));
    ++chaptersInBook_;
  }
  pendingLine_.clear();
  ++chapters_;
}

void OsisImport::StartVerse(std::string_view number) {
  if (!bookOpen_) StartBook(textTitle_, "book");
  EndParagraph();
  int32_t n = 0;
  pendingLine_ = ParseInt(TrimView(number), 1, 65535, n) ? std::to_string(n) : "";
  ++verses_;
}

void OsisImport::BeforeContent() {
  if (!bookOpen_) StartBook(textTitle_, "book");
  if (!pendingLine_.empty() && !w_.InParagraph() && !inHeading_) {
    w_.Directive("line", pendingLine_);
    pendingLine_.clear();
  }
  if (!inHeading_ && !inNote_) styles_.Resume();
}

void OsisImport::Style(const xml_node& n, int nesting, std::string_view opening) {
  BeforeContent();
  styles_.Open(opening);
  InlineChildren(n, nesting);
  styles_.Close();
}

void OsisImport::Heading(const xml_node& title, int nesting) {
  if (!bookOpen_) StartBook(textTitle_, "book");
  // A heading stands before the verse it introduces: the verse's text so far is its own
  // paragraph, and the verse's line number waits for the text after the heading.
  styles_.Suspend();
  const std::string verse = w_.Take();
  if (!verse.empty()) w_.Line(verse + "\n");
  inHeading_ = true;
  InlineChildren(title, nesting);
  inHeading_ = false;
  const std::string content = w_.Take();
  if (content.empty()) return;
  w_.Directive("heading", content);
  ++headings_;
}

void OsisImport::Inline(const xml_node& n, int nesting) {
  Check(n, nesting);
  if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
    if (!w_.InParagraph() && IsBlank(n.value())) return;
    BeforeContent();
    w_.Text(n.value());
    return;
  }
  if (n.type() != pugi::node_element) return;
  const std::string_view name = LocalName(n);
  const std::string_view type = n.attribute("type").value();
  if (name == "note") {
    if (inNote_ || type == "x-strongsMarkup" || type == "strongsMarkup") return;
    BeforeContent();
    // A note stands in the main text, not in a style: the styles around it close before it and
    // open again after it.
    styles_.Suspend();
    const std::string mark = import::NoteMark(n.attribute("n").value());
    // A note with nothing to show is left out: the builder refuses an empty one.
    const auto opened = w_.OpenElement(mark.empty() ? "{fn:" : "{fn " + mark + ":");
    inNote_ = true;
    InlineChildren(n, nesting);
    inNote_ = false;
    if (w_.CloseElement(opened)) ++notes_;
  } else if (name == "title") {
    if (inNote_ || inHeading_) {
      InlineChildren(n, nesting);
    } else {
      Heading(n, nesting);
    }
  } else if (name == "transChange" || (name == "hi" && type == "italic") || name == "foreign") {
    Style(n, nesting, "{i:");
  } else if (name == "hi" && type == "bold") {
    Style(n, nesting, "{b:");
  } else if (name == "divineName" || (name == "hi" && type == "small-caps")) {
    Style(n, nesting, "{small:");
  } else if (name == "lb" || name == "milestone" || name == "l" || name == "lg") {
    if (w_.InParagraph()) w_.Text(" ");
    InlineChildren(n, nesting);
  } else if (name == "q") {
    if (const std::string_view marker = n.attribute("marker").value(); !marker.empty()) {
      BeforeContent();
      w_.Text(marker);
    }
    InlineChildren(n, nesting);
  } else if (name == "rdg" || name == "figure" || name == "index") {
    // Not part of the running text.
  } else if (name == "verse" || name == "chapter" || name == "div" || name == "p") {
    // Inside a note or heading these are only their text. Elsewhere they break the paragraph,
    // and the styles around them close before the break and open again after it.
    if (inNote_ || inHeading_) {
      InlineChildren(n, nesting);
    } else {
      Structure(n, nesting);
    }
  } else {
    static const std::set<std::string_view> kPlain = {
        "w",           "seg",    "name",     "reference",  "catchWord", "abbr",
        "inscription", "date",   "hi",       "item",       "list",      "label",
        "speaker",     "speech", "rdgGroup", "mentioned",  "term",      "a",
        "salute",      "signed", "closer",   "transChange"};
    if (!kPlain.contains(name)) w_.Unknown(std::string(name));
    InlineChildren(n, nesting);
  }
}

void OsisImport::Structure(const xml_node& n, int nesting) {
  Check(n, nesting);
  if (n.type() != pugi::node_element) {
    Inline(n, nesting);
    return;
  }
  const std::string_view name = LocalName(n);
  const bool start = n.attribute("sID") || (!n.attribute("eID") && n.first_child());
  const bool milestoneEnd = !n.attribute("sID") && n.attribute("eID");
  if (name == "header") return;
  if (name == "div" && std::string_view(n.attribute("type").value()) == "book") {
    const std::string_view id = n.attribute("osisID").value();
    const xml_node title = Child(n, "title");
    std::string name_ = w_.Value(AllText(title), 80);
    if (name_.empty()) name_ = w_.Value(id, 80);
    StartBook(name_, id.empty() ? "book" : FirstPart(id));
    for (xml_node c : n.children())
      if (c != title) Structure(c, nesting + 1);
    EndParagraph();
    return;
  }
  if (name == "chapter") {
    if (milestoneEnd) return;
    std::string_view number = n.attribute("n").value();
    if (number.empty()) number = LastPart(n.attribute("osisID").value());
    if (start || n.attribute("osisID")) StartChapter(number);
    for (xml_node c : n.children()) Structure(c, nesting + 1);
    return;
  }
  if (name == "verse") {
    if (milestoneEnd) {
      EndVerse();
      return;
    }
    std::string_view number = n.attribute("n").value();
    if (number.empty()) number = LastPart(n.attribute("osisID").value());
    StartVerse(number);
    if (!n.attribute("sID")) {
      InlineChildren(n, nesting);
      EndVerse();
    }
    return;
  }
  if (name == "osis" || name == "osisText" || name == "div" || name == "p" || name == "lg" ||
      name == "list" || name == "item") {
    for (xml_node c : n.children()) Structure(c, nesting + 1);
    if (name == "p" && pendingLine_.empty()) EndParagraph();
    return;
  }
  Inline(n, nesting);
}

void OsisImport::Document(const ImportFile& file, const pugi::xml_document& doc) {
  const xml_node root = doc.document_element();
  const xml_node work = Child(Child(Child(root, "osisText"), "header"), "work");
  SetTitle(AllText(Child(work, "title")));
  SetTitle(import::Stem(file.name));
  const std::string lang =
      import::LanguageOf(Child(root, "osisText").attribute("xml:lang").value());
  lang_ = lang.empty() ? "other" : lang;
  Structure(root, 0);
  w_.EndParagraph();
}

// diatheke's listing: "Book C:V: <OSIS fragment>" per verse, a line "(Module)" at the end.
void OsisImport::Listing(const ImportFile& file) {
  std::string_view rest = file.bytes;
  size_t lineNumber = 0;
  std::string book, chapter;
  struct Verse {
    size_t line = 0;
    size_t offset = 0;  // of the fragment in the file
    std::string book, chapter, verse, fragment;
    std::string heading;  // a heading diatheke writes in front of the reference
  };
  std::vector<Verse> verses;
  std::string module;
  size_t offset = 0;
  while (!rest.empty()) {
    const size_t eol = rest.find('\n');
    std::string_view line = rest.substr(0, eol);
    const size_t lineOffset = offset;
    offset += eol == std::string_view::npos ? rest.size() : eol + 1;
    rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    // "Book C:V: ": the reference ends at the first ": " after "C:V".
    const size_t colon = line.find(": ");
    bool isVerse = false;
    Verse v;
    if (colon != std::string_view::npos) {
      const std::string_view ref = line.substr(0, colon);
      const size_t space = ref.rfind(' ');
      const size_t cv = ref.rfind(':');
      if (space != std::string_view::npos && cv != std::string_view::npos && cv > space) {
        int32_t c = 0, n = 0;
        if (ParseInt(ref.substr(space + 1, cv - space - 1), 0, 65535, c) &&
            ParseInt(ref.substr(cv + 1), 0, 65535, n)) {
          v.book = std::string(ref.substr(0, space));
          // A heading stands before the reference, two blanks in front of the book's name.
          if (const size_t gap = v.book.rfind("  "); gap != std::string::npos) {
            v.heading = v.book.substr(0, gap);
            v.book = std::string(TrimView(std::string_view(v.book).substr(gap + 2)));
          }
          v.chapter = std::to_string(c);
          v.verse = std::to_string(n);
          v.fragment = std::string(line.substr(colon + 2));
          v.line = lineNumber;
          v.offset = lineOffset + colon + 2;
          isVerse = true;
        }
      }
    }
    if (isVerse) {
      verses.push_back(std::move(v));
    } else if (line.size() > 2 && line.front() == '(' && line.back() == ')') {
      module = std::string(line.substr(1, line.size() - 2));
    } else if (!verses.empty()) {
      verses.back().fragment += "\n" + std::string(line);
    } else if (!IsBlank(line)) {
      throw Exception(file.name + ":" + std::to_string(lineNumber) +
                      ": neither an OSIS document nor a diatheke verse listing");
    }
  }
  SetTitle(module.empty() ? import::Stem(file.name) : module);
  for (const Verse& v : verses) {
    if (v.book != book) {
      StartBook(w_.Value(v.book, 80), v.book);
      book = v.book;
      chapter.clear();
    }
    if (v.chapter != chapter) {
      StartChapter(v.chapter);
      chapter = v.chapter;
    }
    const std::string title = v.heading.empty() ? "" : "<title>" + v.heading + "</title>";
    const std::string wrapped = "<v>" + title + v.fragment + "</v>";
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                        pugi::encoding_utf8);
    if (!result) {
      const ptrdiff_t at =
          std::max<ptrdiff_t>(0, result.offset - 3 - static_cast<ptrdiff_t>(title.size()));
      throw Exception(xml::Place(file, static_cast<ptrdiff_t>(v.offset) + at) + ": " +
                      result.description());
    }
    StartVerse(v.verse);
    InlineChildren(doc.document_element(), 1);
    EndVerse();
  }
}

void OsisImport::File(const ImportFile& file) {
  file_ = &file;
  const size_t first = file.bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string::npos && file.bytes[first] == '<') {
    pugi::xml_document doc;
    xml::Load(doc, file);
    Document(file, doc);
  } else {
    Listing(file);
  }
}

ImportResult OsisImport::Result(const std::string& id) {
  w_.EndText();
  ImportResult r;
  r.source = "@collection " + id + "\n@title " + (title_.empty() ? id : title_) + "\n" + w_.Out();
  r.summary = "OSIS: " + std::to_string(books_) + " books, " + std::to_string(chapters_) +
              " chapters, " + std::to_string(verses_) + " verses, " + std::to_string(notes_) +
              " notes, " + std::to_string(headings_) + " headings";
  r.summary += w_.SummaryTail();
  return r;
}

}  // namespace

ImportResult ImportOsis(const std::vector<ImportFile>& files, const ImportOptions& options) {
  OsisImport import;
  for (const ImportFile& file : files) import.File(file);
  return import.Result(import::CollectionId(files, options));
}

}  // namespace quillmar::builder
