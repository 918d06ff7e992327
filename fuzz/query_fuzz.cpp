// Feeds arbitrary query lines to the query evaluation over a small built collection, and
// arbitrary masks to the mask matcher. Syntax errors are answers (a status), never exceptions;
// crashes, hangs, sanitizer reports and broken invariants (abort) are findings:
// - the mask matcher agrees with a plain wildcard matcher on a fixed word set;
// - the result of a query is sorted and free of duplicates.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "builder/collection_writer.h"
#include "builder/source_parser.h"
#include "fuzz_check.h"
#include "retrieval/complex_query.h"
#include "retrieval/mask.h"
#include "retrieval/search_catalog.h"

namespace {

using namespace quillmar;
using namespace quillmar::retrieval;

using fuzz::Check;

constexpr char kSource[] =
    "@collection FUZZ0001\n@title Fuzz\n@version 1.0\n"
    "@text t\n@number 1\n@title One\n@lang en\n"
    "@heading In the beginning\n"
    "In the beginning God created the heaven and the earth.\n\n"
    "And the earth was without form, and void; and darkness was upon the face of the deep.\n\n"
    "And God said, Let there be light: and there was light. Deeds asses aa aba abcd.\n";

const std::string& CollectionDir() {
  static const std::string dir = [] {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillmar-query-fuzz-" + std::to_string(getpid()));
    builder::WriteCollection(builder::MergeSources({builder::ParseSource(kSource, "fuzz.qms")}),
                             path.string(), "");
    return path.string();
  }();
  return dir;
}

// '*' any run, '?' exactly one byte; everything else literal.
bool Wildcard(std::string_view m, std::string_view w) {
  if (m.empty()) return w.empty();
  if (m[0] == '*') return Wildcard(m.substr(1), w) || (!w.empty() && Wildcard(m, w.substr(1)));
  if (w.empty()) return false;
  return (m[0] == '?' || m[0] == w[0]) && Wildcard(m.substr(1), w.substr(1));
}

void FuzzMask(std::string_view mask) {
  if (mask.size() > 24 || !TMaske::IstMaske(mask)) return;
  // Literal parts only from a small alphabet, so matches happen.
  for (char c : mask)
    if (c != '*' && c != '?' && (c < 'a' || c > 'e')) return;
  TMaske m;
  m.Setzen(mask);
  bool literal = false;
  for (char c : mask) literal |= (c != '*' && c != '?');
  for (std::string_view w : {"a", "ab", "aba", "abcd", "deeds", "asses", "eeee", "abcabc", "bad",
                             "cab", "dacbe", "aaaaaaa"}) {
    // A mask of wildcards only matches nothing.
    Check(m.Passt(w) == (literal && Wildcard(mask, w)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 300) return 0;
  const std::string line(reinterpret_cast<const char*>(data), size);
  FuzzMask(line);

  static SearchCatalog katalog = [] {
    SearchCatalog k;
    CollectionSearchInfo info;
    info.CDID = "FUZZ0001";
    info.Path = CollectionDir();
    k.Hinzufuegen(info);
    return k;
  }();
  TKomplexAnfrage query(katalog, nullptr);
  query.Wortabstand = 20;
  query.Modus = 1;
  query.CDs = {"FUZZ0001"};
  try {
    query.Ausfuehren(line);
  } catch (const Exception&) {
    return 0;  // an internal error of the evaluation is reported, not a crash
  }
  const auto& hits = query.Ergebnis.EntryList();
  for (size_t i = 1; i < hits.size(); ++i)
    Check(HitVergleich(hits[i - 1].Fundstelle, hits[i - 1].CD.View(), hits[i].Fundstelle,
                       hits[i].CD.View()) < 0);
  return 0;
}
