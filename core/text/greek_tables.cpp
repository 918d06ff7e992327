#include "text/greek_tables.h"

namespace quillmar {
namespace {

#include "text/greek_tables.inc"

}  // namespace

std::span<const GreekPairKey> GreekPairKeys() { return kGreekPairKeys; }
std::span<const GreekTokenKey> GreekFirstTokenKeys() { return kGreekFirstTokenKeys; }
std::span<const GreekTokenKey> GreekLaterTokenKeys() { return kGreekLaterTokenKeys; }

}  // namespace quillmar
