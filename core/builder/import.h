#pragma once

#include <functional>
#include <string>
#include <vector>

// Importers of the XML formats scholars' texts come in: they write a collection source (.qms,
// docs/source-format.md) that the builder then reads like a hand-written one. docs/importers.md
// describes the mappings.
namespace quillmar::builder {

// One input file: its name (in messages, and the text key) and its bytes.
struct ImportFile {
  std::string name;
  std::string bytes;
};

struct ImportOptions {
  std::string collectionId;  // the @collection identifier; empty: from the first file's name
  // TEI: the nesting depth of the div elements that become texts; 0 = each file is one text.
  int textLevel = 0;
  // Whether a picture an input file refers to exists; a missing one keeps only its caption.
  // Unset: every picture is taken to exist.
  std::function<bool(const std::string& inputFile, const std::string& reference)> pictureExists;
};

// A picture the source names: the file the input refers to (as written, relative to its input
// file) and the name under which it must stand in the media directory.
struct ImportedPicture {
  std::string inputFile;  // the input file that names it
  std::string reference;  // the reference as written in that file
  std::string name;       // the name in media/
};

struct ImportResult {
  std::string source;  // the collection source, UTF-8
  std::vector<ImportedPicture> pictures;
  std::string summary;  // one line: what was made, and what was kept only as text
};

// TEI P5 files (one text each, or one per div of ImportOptions::textLevel). Malformed XML raises
// `Exception` "<file>:<line>:<column>: <what>".
ImportResult ImportTei(const std::vector<ImportFile>& files, const ImportOptions& options);

// OSIS documents and the verse listings of SWORD's "diatheke -f OSIS" (one "Book C:V: ..." line
// per verse). Books become texts, chapters chapters and pages, verses paragraphs with their
// number as line number.
ImportResult ImportOsis(const std::vector<ImportFile>& files, const ImportOptions& options);

}  // namespace quillmar::builder
