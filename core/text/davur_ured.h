#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/creference_lookup.h"

namespace quillmar {

class TAbsaetze;
class TAbsatz;
class TCalderwickData;
struct TWortListRecord;

// Link kind of the temporary cross-reference links; resolved through the collection's link
// table like every kind-102 link.
inline constexpr uint8_t kKindCrossReference = 102;

// What one text window remembers between two mouse moves: the reference key it handled last, so
// that moving within one paragraph does not repeat the lookup.
struct CrossReferenceMemory {
  std::string lastKey;
};

// Turns paragraphs of a text into links to other places when the text's collection supplies
// cross-reference lookup files (docs/formats/cross-reference.md). A paragraph's reference key is
// the code-25 number of its first word that carries one, written in decimal and ended by a full
// stop ("17."); a lookup file maps keys to link-table keys. The marked words carry a kind-102
// link whose target is that link-table key.
//
// Each lookup file belongs to one collection, and a text only ever asks the files of its own
// collection, in the order they were added; the first that knows the key answers.
class TDavurUredInterface {
 public:
  TDavurUredInterface();
  ~TDavurUredInterface();
  TDavurUredInterface(const TDavurUredInterface&) = delete;
  TDavurUredInterface& operator=(const TDavurUredInterface&) = delete;

  // Opens the lookup file for the collection `cdid`. A missing file is the internal error
  // "RFU-SFN 001" (nothing is added).
  void AddLookUpFile(const std::string& cdid, const std::string& fileName);
  void Clear();
  size_t Count() const { return lookups_.size(); }
  // Clears the list and adds, for every collection of the catalog, each lookup file its metadata
  // lists (type-9 records, files in its data directory). Files that do not exist (a medium that
  // is not inserted) are passed over.
  void Rebuild(const TCalderwickData& catalog);

  // The link text for a reference key of the collection: the record's second text, or else its
  // first number when that is at least 1. Nothing for an empty key or an unknown one. Raises
  // EInOutError when a lookup file cannot be read.
  std::optional<std::string> LinkText(const std::string& cdid, std::string_view key);

  // The key text of a code-25 number: its digits and a full stop, so that no key is the
  // beginning of another ("1." does not begin "12.") and the lookup's prefix rule never mixes
  // paragraphs up.
  static std::string KeyOf(int32_t number);
  // The paragraph's reference key; empty when no word carries a code-25 number.
  static std::string ReferenceKey(const TAbsatz& paragraph);
  // The same for a paragraph's stream bytes (what the command-line tool lists).
  static std::string ReferenceKeyOf(std::string_view paragraphText);
  // Whether a word of the paragraph (margin words included) carries a link of another kind.
  static bool HasOwnLink(const TAbsatz& paragraph);
  // Gives every word of the paragraph a kind-102 link to `linkText`.
  static void MarkLink(TAbsatz& paragraph, const std::string& linkText);
  // Takes every kind-102 link off the document's words; true when there was one.
  static bool RemoveLinks(TAbsaetze& doc);

  // The mouse is over `word`: when its paragraph's key is not empty and differs from the last
  // key of the window, the window's kind-102 links are removed and, unless the paragraph has a
  // link of its own, the key is remembered and the paragraph is marked when the collection's
  // lookup knows the key. True when the document's links changed (it needs drawing).
  bool LinkParagraphOf(TAbsaetze& doc, const TWortListRecord* word, const std::string& cdid,
                       CrossReferenceMemory& memory);
  // Ctrl went down: marks every shown paragraph (the last one included) that has a known key and
  // no link of its own. True when a paragraph was marked.
  bool LinkShownParagraphs(TAbsaetze& doc, const std::string& cdid);

 private:
  struct Entry {
    std::string cdid;
    std::unique_ptr<TCReferenceLookUp> lookUp;
  };
  std::vector<Entry> lookups_;
};

}  // namespace quillmar
