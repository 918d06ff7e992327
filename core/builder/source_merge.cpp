#include <algorithm>
#include <map>
#include <set>

#include "base/errors.h"
#include "builder/source_parser.h"
#include "builder/source_scan.h"

namespace quillmar::builder {
namespace {

// Calls f for every inline element of a text, nested ones included.
template <typename F>
void ForEachInline(const std::vector<Inline>& items, F& f) {
  for (const Inline& item : items) {
    f(item);
    ForEachInline(item.children, f);
  }
}

template <typename F>
void ForEachInline(const SourceText& text, F& f) {
  for (const SourceParagraph& p : text.paragraphs) {
    ForEachInline(p.content, f);
    for (const auto& row : p.table.rows)
      for (const auto& cell : row) ForEachInline(cell, f);
  }
  for (const SourceNote& n : text.footnotes) ForEachInline(n.body, f);
  for (const SourceNote& n : text.notes) ForEachInline(n.body, f);
}

std::string Where(const SourcePlace& p) { return p.file + ":" + std::to_string(p.line); }

}  // namespace

SourceCollection MergeSources(std::vector<SourceCollection> parts) {
  SourceCollection all;
  for (SourceCollection& part : parts) {
    if (part.has_header) {
      if (all.has_header)
        RaiseSourceError(part.header.place, "second collection header (the first is at " +
                                                Where(all.header.place) + ")");
      all.has_header = true;
      all.header = std::move(part.header);
    }
    for (SourceText& t : part.texts) all.texts.push_back(std::move(t));
  }
  if (!all.has_header) throw Exception("no collection header (@collection) in any source file");

  std::map<std::string, const SourceText*> keys;
  std::set<int32_t> used;
  for (const SourceText& t : all.texts) {
    auto [it, fresh] = keys.emplace(t.key, &t);
    if (!fresh)
      RaiseSourceError(t.place, "text key '" + t.key + "' is used twice (first at " +
                                    Where(it->second->place) + ")");
    if (t.number != 0 && !used.insert(t.number).second)
      RaiseSourceError(t.place, "text number " + std::to_string(t.number) + " is used twice");
  }
  int32_t next = 1;
  for (SourceText& t : all.texts) {
    if (t.number != 0) continue;
    while (used.count(next) != 0) ++next;
    if (next > kMaxTextNumber) RaiseSourceError(t.place, "more than 255 texts");
    t.number = next;
    used.insert(next);
  }
  std::stable_sort(all.texts.begin(), all.texts.end(),
                   [](const SourceText& a, const SourceText& b) { return a.number < b.number; });

  std::map<std::string, SourcePlace> anchors;
  for (const SourceText& t : all.texts) {
    auto collect = [&](const Inline& item) {
      if (item.kind != InlineKind::kAnchor) return;
      auto [it, fresh] = anchors.emplace(item.target, item.place);
      if (!fresh)
        RaiseSourceError(item.place, "anchor '" + item.target + "' is defined twice (first at " +
                                         Where(it->second) + ")");
    };
    ForEachInline(t, collect);
  }
  for (const SourceText& t : all.texts) {
    auto check = [&](const Inline& item) {
      if ((item.kind == InlineKind::kPlaceLink || item.kind == InlineKind::kCrossReference) &&
          item.target.front() == '#' && anchors.count(item.target.substr(1)) == 0)
        RaiseSourceError(item.place, "link to unknown anchor '" + item.target.substr(1) + "'");
    };
    ForEachInline(t, check);
  }
  // Reference keys are numbered through the collection, since one lookup file serves it all.
  int32_t reference_key = 0;
  for (SourceText& t : all.texts)
    for (SourceParagraph& p : t.paragraphs) {
      const Inline* first = nullptr;
      for (Inline& item : p.content) {
        if (item.kind != InlineKind::kCrossReference) continue;
        if (first != nullptr)
          RaiseSourceError(item.place, "a paragraph has one {xref} (the first is at " +
                                           Where(first->place) + ")");
        item.number = ++reference_key;
        first = &item;
      }
    }
  all.header.has_cross_references = reference_key > 0;
  if (reference_key > 0)
    for (const SourceProperty& p : all.header.properties)
      if (p.key == 'p')
        RaiseSourceError(all.header.place,
                         "@property p and {xref} exclude each other (the builder writes the link "
                         "table)");
  for (SourceSchema& schema : all.header.schemas)
    for (SourceGroup& group : schema.groups) {
      group.text_numbers.clear();
      for (const std::string& key : group.text_keys) {
        auto it = std::find_if(all.texts.begin(), all.texts.end(),
                               [&](const SourceText& t) { return t.key == key; });
        if (it == all.texts.end())
          RaiseSourceError(group.place,
                           "group " + group.path + " names unknown text '" + key + "'");
        group.text_numbers.push_back(it->number);
      }
    }
  return all;
}

}  // namespace quillmar::builder
