#include "text/davur_ured.h"

#include <cctype>

#include "base/bytes.h"
#include "base/paths.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "retrieval/word_key.h"
#include "text/document.h"
#include "text/paragraph.h"
#include "text/paragraph_parser.h"

namespace quillmar {

namespace {

bool SameCollection(std::string_view a, std::string_view b) {
  const std::string x = Trim(a);
  const std::string y = Trim(b);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(x[i])) !=
        std::toupper(static_cast<unsigned char>(y[i])))
      return false;
  }
  return true;
}

// Calls f(word) for every word of the paragraph; with margin words when `margin` is set.
template <typename Paragraph, typename F>
void ForWords(Paragraph& paragraph, bool margin, F f) {
  auto& lines = paragraph.Lines();
  for (int32_t l = 0; l < lines.Count(); ++l) {
    for (auto& word : lines.Line(l).Words()) f(word);
    if (margin)
      for (auto& word : lines.Line(l).MarginWords()) f(word);
  }
}

}  // namespace

std::string TDavurUredInterface::KeyOf(int32_t number) { return std::to_string(number) + "."; }

TDavurUredInterface::TDavurUredInterface() = default;
TDavurUredInterface::~TDavurUredInterface() = default;

void TDavurUredInterface::AddLookUpFile(const std::string& cdid, const std::string& fileName) {
  auto lookUp = std::make_unique<TCReferenceLookUp>();
  lookUp->SetFile(fileName);
  lookups_.push_back(Entry{cdid, std::move(lookUp)});
}

void TDavurUredInterface::Clear() { lookups_.clear(); }

void TDavurUredInterface::Rebuild(const TCalderwickData& catalog) {
  Clear();
  for (const TCRrecord& cd : catalog.CDs()) {
    const TCDInfo info(StripTrailingSeparator(cd.Path));
    for (const TCDLink& link : info.Links()) {
      const std::string name = Trim(link.FileName);
      // A name leading outside the collection is no lookup file of it.
      if (name.empty() || !StaysInside(name)) continue;
      const std::string file = JoinPath(info.DataPath(), name);
      if (!FileExists(file)) continue;
      AddLookUpFile(cd.CDID, file);
    }
  }
}

std::optional<std::string> TDavurUredInterface::LinkText(const std::string& cdid,
                                                         std::string_view key) {
  if (Normalisieren(key).empty()) return std::nullopt;
  for (Entry& entry : lookups_) {
    if (!SameCollection(entry.cdid, cdid)) continue;
    const CrossReferenceRecord record = entry.lookUp->LookUp(key);
    if (!record.SecondText.empty()) return record.SecondText;
    if (record.Numbers[0] >= 1) return std::to_string(record.Numbers[0]);
  }
  return std::nullopt;
}

std::string TDavurUredInterface::ReferenceKey(const TAbsatz& paragraph) {
  std::string key;
  ForWords(paragraph, false, [&](const TWortListRecord& word) {
    if (key.empty() && word.Code25Number >= 0) key = KeyOf(word.Code25Number);
  });
  return key;
}

std::string TDavurUredInterface::ReferenceKeyOf(std::string_view paragraphText) {
  // The first main-text word with a code-25 number, as the document would take it.
  class FirstKey : public ParagraphSink {
   public:
    void AddWord(const StreamWord& word) override {
      if (key.empty() && word.code25_number >= 0) key = KeyOf(word.code25_number);
    }
    void AddMarginWord(const StreamWord&) override {}
    void SetCentred(bool) override {}
    void SetJustified(bool) override {}
    void SetIndentMode(uint8_t) override {}
    void SetParagraphNumber(int32_t) override {}
    std::string key;
  } sink;
  ParagraphParser().Parse(paragraphText, 1, sink);
  return sink.key;
}

bool TDavurUredInterface::HasOwnLink(const TAbsatz& paragraph) {
  bool own = false;
  ForWords(paragraph, true, [&](const TWortListRecord& word) {
    if (word.Link && word.LinkKind != kKindCrossReference) own = true;
  });
  return own;
}

void TDavurUredInterface::MarkLink(TAbsatz& paragraph, const std::string& linkText) {
  ForWords(paragraph, false, [&](TWortListRecord& word) {
    word.Link = true;
    word.LinkKind = kKindCrossReference;
    word.LinkNumber = 0;
    word.LinkTarget = TLinkRecord{kKindCrossReference, linkText};
  });
}

bool TDavurUredInterface::RemoveLinks(TAbsaetze& doc) {
  bool removed = false;
  for (int32_t i = 0; i < doc.Count(); ++i) {
    ForWords(doc.Paragraph(i), true, [&](TWortListRecord& word) {
      if (!word.Link || word.LinkKind != kKindCrossReference) return;
      word.Link = false;
      word.LinkKind = 0;
      word.LinkNumber = 0;
      word.LinkTarget.reset();
      removed = true;
    });
  }
  return removed;
}

bool TDavurUredInterface::LinkParagraphOf(TAbsaetze& doc, const TWortListRecord* word,
                                          const std::string& cdid, CrossReferenceMemory& memory) {
  if (word == nullptr) return false;
  TAbsatz* paragraph = nullptr;
  for (int32_t i = 0; i < doc.Count() && paragraph == nullptr; ++i)
    if (doc.Paragraph(i).HoldsWord(word)) paragraph = &doc.Paragraph(i);
  if (paragraph == nullptr) return false;
  const std::string key = ReferenceKey(*paragraph);
  if (key.empty() || key == memory.lastKey) return false;
  bool changed = RemoveLinks(doc);
  if (HasOwnLink(*paragraph)) return changed;
  memory.lastKey = key;
  if (const auto text = LinkText(cdid, key)) {
    MarkLink(*paragraph, *text);
    changed = true;
  }
  return changed;
}

bool TDavurUredInterface::LinkShownParagraphs(TAbsaetze& doc, const std::string& cdid) {
  bool changed = false;
  if (lookups_.empty() || doc.FirstVisible() < 0) return false;
  for (int32_t i = doc.FirstVisible(); i <= doc.LastVisible() && i < doc.Count(); ++i) {
    TAbsatz& paragraph = doc.Paragraph(i);
    const std::string key = ReferenceKey(paragraph);
    if (key.empty() || HasOwnLink(paragraph)) continue;
    if (const auto text = LinkText(cdid, key)) {
      MarkLink(paragraph, *text);
      changed = true;
    }
  }
  return changed;
}

}  // namespace quillmar
