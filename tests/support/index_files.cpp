#include "support/index_files.h"

#include <algorithm>
#include <span>

#include "base/bytes.h"
#include "retrieval/index_layout.h"
#include "retrieval/word_key.h"
#include "support/temp_dir.h"

namespace quillmar::test {

namespace layout = index_layout;

namespace {

void PutDate(std::span<uint8_t> r, size_t at, const retrieval::TDatum& d) {
  r[at + layout::kTagOffset] = d.Tag;
  r[at + layout::kMonatOffset] = d.Monat;
  WriteUInt16(r, at + layout::kJahrOffset, d.Jahr);
  WriteUInt16(r, at + layout::kJahr2Offset, d.Jahr2);
}

}  // namespace

std::vector<uint8_t> EncodeHit(const retrieval::TFundstelle& h) {
  std::vector<uint8_t> r(layout::kFundstelleSize, 0);
  r[layout::kTextNrOffset] = h.TextNr;
  WriteInt32(r, layout::kPositionOffset, h.Position);
  r[layout::kTextteilOffset] = h.Textteil;
  WriteUInt16(r, layout::kSeiteOffset, h.Seite);
  WriteUInt16(r, layout::kZeileOffset, h.Zeile);
  WriteUInt16(r, layout::kAbsatzKennung1Offset, h.AbsatzKennung1);
  WriteUInt16(r, layout::kWortNrOffset, h.WortNr);
  r[layout::kSpracheOffset] = h.Sprache;
  PutDate(r, layout::kDatum1Offset, h.Datum1);
  PutDate(r, layout::kDatum2Offset, h.Datum2);
  r[layout::kKapitelOffset] = h.Kapitel;
  r[layout::kUnterkapitelOffset] = h.Unterkapitel;
  r[layout::kAbsatzKennung2Offset] = h.AbsatzKennung2;
  WriteInt32(r, layout::kAbsatzKennung3Offset, h.AbsatzKennung3);
  return r;
}

std::string WriteIndexFiles(const std::string& dataDir, std::vector<IndexWord> words) {
  std::stable_sort(words.begin(), words.end(), [](const IndexWord& a, const IndexWord& b) {
    return WortVergleich(a.word, b.word) < 0;
  });
  std::string wortlst;
  std::string fundst;
  int32_t next = 0;
  for (const IndexWord& w : words) {
    std::vector<uint8_t> r(layout::kWortRecordSize, 0);
    WriteShortString(r, layout::kWortOffset, layout::kWortCapacity, w.word);
    WriteInt32(r, layout::kVonOffset, next);
    WriteInt32(r, layout::kBisOffset, next + static_cast<int32_t>(w.hits.size()) - 1);
    next += static_cast<int32_t>(w.hits.size());
    wortlst.append(r.begin(), r.end());
    for (const retrieval::TFundstelle& h : w.hits) {
      const std::vector<uint8_t> e = EncodeHit(h);
      fundst.append(e.begin(), e.end());
    }
  }
  WriteFile(dataDir + "/wortlst.dat", wortlst);
  WriteFile(dataDir + "/fundst.dat", fundst);
  return fundst;
}

}  // namespace quillmar::test
