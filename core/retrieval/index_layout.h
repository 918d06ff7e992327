#pragma once

#include <cstddef>

// Byte layouts of the word index files in a collection's data directory. All integers are
// little-endian. docs/formats/wortlst.md and docs/formats/fundst.md describe both files.
namespace quillmar::index_layout {

inline constexpr const char* kWortListeName = "wortlst.dat";
inline constexpr const char* kFundstellenName = "fundst.dat";

// wortlst.dat: no header, 40-byte records sorted by WortVergleich.
// [0] length 0..30 | [1..30] word, Windows-1252 | [31] pad | [32..35] Von | [36..39] Bis
inline constexpr size_t kWortRecordSize = 40;
inline constexpr size_t kWortCapacity = 30;
inline constexpr size_t kWortOffset = 0;  // length byte; the word follows
inline constexpr size_t kVonOffset = 32;  // int32: 0-based index of the first hit in fundst.dat
inline constexpr size_t kBisOffset = 36;  // int32: 0-based index of the last hit (inclusive)

// fundst.dat: no header, 44-byte hit records, the hits of one word contiguous.
// [0] text | [4..7] position | [8] text part | [10..11] page | [12..13] line
// [14..15] paragraph key 1 | [16..17] word number | [18] language | [20..25] date 1
// [26..31] date 2 | [33] chapter | [34] sub-chapter | [36] paragraph key 2
// [40..43] paragraph key 3; bytes 1-3, 9, 19, 32, 35, 37-39 reserved (written 0)
inline constexpr size_t kFundstelleSize = 44;
inline constexpr size_t kTextNrOffset = 0;           // uint8
inline constexpr size_t kPositionOffset = 4;         // int32
inline constexpr size_t kTextteilOffset = 8;         // uint8
inline constexpr size_t kSeiteOffset = 10;           // uint16
inline constexpr size_t kZeileOffset = 12;           // uint16
inline constexpr size_t kAbsatzKennung1Offset = 14;  // uint16
inline constexpr size_t kWortNrOffset = 16;          // uint16
inline constexpr size_t kSpracheOffset = 18;         // uint8
inline constexpr size_t kDatum1Offset = 20;          // TDatum, 6 bytes
inline constexpr size_t kDatum2Offset = 26;          // TDatum, 6 bytes
inline constexpr size_t kKapitelOffset = 33;         // uint8
inline constexpr size_t kUnterkapitelOffset = 34;    // uint8
inline constexpr size_t kAbsatzKennung2Offset = 36;  // uint8
inline constexpr size_t kAbsatzKennung3Offset = 40;  // int32

// TDatum, 6 bytes: [0] day (0 unknown) | [1] month (0 unknown) | [2..3] year | [4..5] second year
inline constexpr size_t kDatumSize = 6;
inline constexpr size_t kTagOffset = 0;
inline constexpr size_t kMonatOffset = 1;
inline constexpr size_t kJahrOffset = 2;
inline constexpr size_t kJahr2Offset = 4;

}  // namespace quillmar::index_layout
