#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/colour_table.h"

namespace quillmar {

namespace retrieval {
struct TFundPosition;
}

// A range of text positions that colours the words starting in it. Colours come from the colour
// table of the device being drawn on.
class TMarkierung {
 public:
  virtual ~TMarkierung() = default;
  virtual std::unique_ptr<TMarkierung> Clone() const = 0;
  // Copies from another marking of the same class.
  virtual void Assign(const TMarkierung& other) = 0;
  virtual bool Contains(int32_t position) const = 0;
  virtual Color BackColour(int32_t position, const ColourTable& table) const = 0;
  virtual Color TextColour(int32_t position, const ColourTable& table) const = 0;
};

// A hit opened from a result list: the span Anfang..Ende, with up to five hit words. The fields
// are those of the hit's TFundPosition.
class TFundMarkierung : public TMarkierung {
 public:
  static constexpr int kMaxWords = 5;

  TFundMarkierung() = default;
  explicit TFundMarkierung(const retrieval::TFundPosition& hit);

  std::unique_ptr<TMarkierung> Clone() const override;
  void Assign(const TMarkierung& other) override;
  // TextNr != 0 and Anfang <= position <= Ende.
  bool Contains(int32_t position) const override;
  // Contained, and position is a hit word position or two bytes after one (a hit word position
  // may point at a font code directly in front of the word). The list ends at the first -1.
  bool IsHitWord(int32_t position) const;
  Color BackColour(int32_t position, const ColourTable& table) const override;
  Color TextColour(int32_t position, const ColourTable& table) const override;

  uint8_t Textteil = 0;
  uint8_t TextNr = 0;  // 0: the marking is inactive
  int32_t Anfang = -1;
  int32_t Ende = -1;
  int32_t WortPos[kMaxWords] = {-1, -1, -1, -1, -1};
  std::string CD;  // collection identifier, at most 8 bytes
};

// A user selection or a print range: From..To, both -1 when empty.
class TUserMarkierung : public TMarkierung {
 public:
  TUserMarkierung() = default;
  TUserMarkierung(int32_t from, int32_t to) : From(from), To(to) {}

  std::unique_ptr<TMarkierung> Clone() const override;
  // Copies both bounds, or empties the marking when `other` is not a user marking.
  void Assign(const TMarkierung& other) override;
  bool Contains(int32_t position) const override;
  Color BackColour(int32_t position, const ColourTable& table) const override;
  Color TextColour(int32_t position, const ColourTable& table) const override;

  int32_t From = -1;
  int32_t To = -1;
};

// The markings of one kind held by a document, a paragraph or the lines of a paragraph. Copies
// are deep.
class TMarkierungen {
 public:
  TMarkierungen() = default;
  TMarkierungen(const TMarkierungen& other) { *this = other; }
  TMarkierungen& operator=(const TMarkierungen& other);
  TMarkierungen(TMarkierungen&&) = default;
  TMarkierungen& operator=(TMarkierungen&&) = default;

  void Add(const TMarkierung& marking) { items_.push_back(marking.Clone()); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // Item 0..Count()-1 (the caller keeps the index in range).
  const TMarkierung& Item(int i) const { return *items_[static_cast<size_t>(i)]; }
  // The first item containing the position, or none.
  const TMarkierung* FirstContaining(int32_t position) const;

  // Some item contains the position.
  bool Contains(int32_t position) const { return FirstContaining(position) != nullptr; }
  // The colours of the last item containing the position; the normal colours when none does.
  Color BackColour(int32_t position, const ColourTable& table) const;
  Color TextColour(int32_t position, const ColourTable& table) const;

 private:
  std::vector<std::unique_ptr<TMarkierung>> items_;
};

// What a word at a position shows under the user and hit markings.
struct MarkingState {
  uint8_t Kind = 0;  // 0 none, 1 user marking, 2 hit word, 3 other word of a hit
  Color Text = 0;
  Color Back = 0;
};

// User markings win over hit markings; among hit markings the first containing one decides
// between hit word and span word, the last containing one gives the colours.
MarkingState MarkingStateAt(int32_t position, const TMarkierungen& user, const TMarkierungen& hit,
                            const ColourTable& table);

}  // namespace quillmar
