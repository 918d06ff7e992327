#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmar {

class TCalderwickData;
class TTextInfo;

// The key of a content-tree node, from which its children are computed. Strings other than
// Schema (a native path) are the collection's Windows-1252 bytes.
struct TTreeRecord {
  std::string CDID;     // empty for the root
  std::string Schema;   // tree schema file of a group node; empty otherwise
  std::string Section;  // schema section of a group node; empty for the collection itself
  int32_t TextNo = 0;   // text of a text or chapter node; 0 otherwise
  int32_t L1 = 0, L2 = 0, L3 = 0;  // chapter levels of a chapter node
  int32_t Position = 0;            // start position of a chapter node in its text stream
};

// One child of a node.
struct TreeChild {
  std::string Name;  // caption, at most 150 bytes
  // The collection's required version is met by the running program.
  bool VersionOK = true;
  int32_t MinorVersion = 0;
  int32_t MajorVersion = 0;
  TTreeRecord Key;  // the key of the child's own children
  // A collection that cannot be read: why (TCRrecord::Damage). Such a node has no children.
  std::string Damage;
};
using TTreeRecords = std::vector<TreeChild>;

// Computes the children of one content-tree node at construction. The level is chosen from the
// key: no collection - the catalogued collections (after a fresh scan); a schema - the groups of
// a tree schema section and the texts it names; a text - the chapters below the key's levels;
// else all texts of the collection. Tree schema files: docs/formats/tree-schema.md.
//
// Raises "AD-TTI-LTBL-1" (group texts) or "AD-TTI-LT-1" (text and chapter levels) when the key's
// collection is not catalogued; errors of the text catalog pass through ("TI-TTI-GSN-1" for a
// text that is not present, "TI-TTI-GNS-2" for an empty chapter file, EInOutError).
class TTreeInfo {
 public:
  static constexpr size_t kNameCap = 150;
  // Parts of a section path; further parts are ignored.
  static constexpr int kMaxSectionParts = 30;

  TTreeInfo(TCalderwickData& catalog, const TTreeRecord& key);

  const TTreeRecord& Key() const { return key_; }
  const TTreeRecords& Items() const { return items_; }

  // The numeric parts of a section name ("2.1.3" -> 2, 1, 3), up to the first part that is not
  // a decimal number ("1.a" -> 1).
  static std::vector<int32_t> SectionPath(const std::string& section);

 private:
  void ListCDs();
  void ListGroups();
  void ListTexts();
  void ListChapters();
  // Loads the collection's text catalog into `info`; false when the user cancelled. Raises
  // `unknownCode` when the collection is not catalogued.
  bool OpenCatalog(TTextInfo& info, const char* unknownCode);
  // A child carrying the version of the key's collection.
  TreeChild Child(std::string name) const;

  TCalderwickData& catalog_;
  TTreeRecord key_;
  TTreeRecords items_;
  bool version_ok_ = false;
  int32_t minor_ = 0;
  int32_t major_ = 0;
};

}  // namespace quillmar
