#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quillmar {

class TCalderwickData;
class TTextInfo;

// What a print job prints: one layer of a catalogued text, or a stream file given by name (such
// as the generated result list). Strings are collection bytes (Windows-1252).
class TPPFFile {
 public:
  // Layer 1 text, 2 footnotes, 3 scholia.
  static constexpr uint8_t kText = 1;
  static constexpr uint8_t kFootnotes = 2;
  static constexpr uint8_t kScholia = 3;

  // A text of a collection: loads the collection's text catalog, selects the text and takes its
  // number, title and the stream file of `kind`. Not valid when the catalog cannot be loaded
  // (the user cancelled the not-found prompt), the text is not in it, the kind is not 1..3 or
  // the text has no file for that kind.
  TPPFFile(TCalderwickData& catalog, const std::string& cdid, int kind, int32_t textNr);
  // A stream file shown under a title; no collection, text number and kind 0. Valid.
  TPPFFile(const std::string& fileName, const std::string& title);
  ~TPPFFile();
  TPPFFile(const TPPFFile&) = delete;
  TPPFFile& operator=(const TPPFFile&) = delete;

  const std::string& CDID() const { return cdid_; }
  const std::string& FileName() const { return file_name_; }
  const std::string& Title() const { return title_; }
  uint8_t TextNr() const { return text_nr_; }
  uint8_t Kind() const { return kind_; }
  bool Valid() const { return valid_; }
  // The catalog of a collection text; none for a plain file.
  const TTextInfo* TextInfo() const { return text_info_.get(); }

  // The text a printed page's header line starts with: the catalog's long text name ("long
  // label: title") for a collection text, the title for a plain file, empty when not valid.
  std::string HeaderText() const;

 private:
  std::string cdid_;
  std::string file_name_;
  std::string title_;
  uint8_t text_nr_ = 0;
  uint8_t kind_ = 0;
  std::unique_ptr<TTextInfo> text_info_;
  bool valid_ = false;
};

}  // namespace quillmar
