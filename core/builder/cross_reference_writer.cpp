#include "builder/cross_reference_writer.h"

#include <algorithm>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "text/creference_lookup.h"
#include "text/davur_ured.h"
#include "text/link_table.h"

namespace quillmar::builder {
namespace {

std::string KeyText(int32_t key) { return TDavurUredInterface::KeyOf(key); }

}  // namespace

std::string CrossReferenceFileName(const SourceHeader& header) {
  return LowerAscii(header.id) + "xr.dat";
}

std::string LinkTableFileName(const SourceHeader& header) {
  return LowerAscii(header.id) + "lk.dat";
}

std::string CrossReferenceBytes(const std::vector<WrittenCrossReference>& references) {
  std::vector<const WrittenCrossReference*> sorted;
  for (const WrittenCrossReference& r : references) sorted.push_back(&r);
  // The lookup compares the stored keys as bytes; digits and the full stop need no folding.
  std::sort(sorted.begin(), sorted.end(),
            [](const auto* a, const auto* b) { return KeyText(a->key) < KeyText(b->key); });
  std::string out;
  for (const WrittenCrossReference* r : sorted) {
    std::vector<uint8_t> record(TCReferenceLookUp::kRecordSize, 0);
    WriteShortString(record, TCReferenceLookUp::kKeyOffset, TCReferenceLookUp::kTextCapacity,
                     KeyText(r->key));
    WriteShortString(record, TCReferenceLookUp::kSecondOffset, TCReferenceLookUp::kTextCapacity,
                     std::to_string(r->key));
    WriteInt32(record, TCReferenceLookUp::kNumbersOffset, r->key);
    WriteInt32(record, TCReferenceLookUp::kNumbersOffset + 4, 0);
    WriteInt32(record, TCReferenceLookUp::kNumbersOffset + 8, 0);
    out.append(record.begin(), record.end());
  }
  return out;
}

std::string LinkTableBytes(const std::vector<WrittenCrossReference>& references) {
  std::string out;
  for (const WrittenCrossReference& r : references) {
    const LinkTableEntry place = LinkTable::ParsePlace(r.target);
    if (place.textNr < 0 || place.textNr > 255 || place.layer < 0 || place.layer > 255)
      throw Exception("cross-reference target '" + r.target + "' does not fit the link table");
    std::vector<uint8_t> record(LinkTable::kRecordSize, 0);
    WriteInt32(record, LinkTable::kKeyOffset, r.key);
    WriteShortString(record, LinkTable::kCDIDOffset, LinkTable::kCDIDCapacity, place.cdid);
    record[LinkTable::kTextOffset] = static_cast<uint8_t>(place.textNr);
    record[LinkTable::kLayerOffset] = static_cast<uint8_t>(place.layer);
    WriteInt32(record, LinkTable::kParagraphOffset, place.paragraph);
    out.append(record.begin(), record.end());
  }
  return out;
}

}  // namespace quillmar::builder
