// Feeds arbitrary bytes to one reader of collection or user files, chosen when the target is
// built (QUILLMAR_FUZZ_<NAME>, see fuzz/CMakeLists.txt). File readers get the bytes as files in
// a directory of their own; inputs of several files hold the files one after another, each
// ended by the marker kPartEnd (the seeds are written so by fuzz/make-seeds.sh).
// Errors (quillmar::Exception) are the expected answer to damaged input; crashes, hangs,
// sanitizer reports and broken invariants (abort) are findings.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "builder/import.h"
#include "builder/source_parser.h"
#include "collection/bookmark.h"
#include "collection/calderwick_data.h"
#include "collection/cd_info.h"
#include "collection/ini_file.h"
#include "collection/registry_access.h"
#include "collection/search_history.h"
#include "collection/text_info.h"
#include "fuzz_check.h"
#include "online/inet_info.h"
#include "platform/settings_file_format.h"
#include "plugins/multimedia.h"
#include "retrieval/file_cache.h"
#include "retrieval/hit_cache.h"
#include "retrieval/hit_file.h"
#include "retrieval/hit_index.h"
#include "retrieval/phonetic_conversion.h"
#include "retrieval/search_catalog.h"
#include "retrieval/word_file.h"
#include "retrieval/word_query.h"
#include "search_ui/search_settings.h"
#include "system/drive_list.h"
#include "system/memory_registry_store.h"
#include "system/plugin_host.h"
#include "system/user_prompts.h"
#include "text/creference_lookup.h"
#include "text/greek.h"
#include "text/greek_input.h"
#include "text/link_file.h"
#include "text/link_table.h"

namespace {

using namespace quillmar;
namespace fs = std::filesystem;

constexpr std::string_view kPartEnd = "\n--QM--\n";

using fuzz::Check;

// A directory of this process's own, made once with the subdirectories the readers use and
// removed at exit. It lies on tmpfs (/dev/shm) where there is one: creating, writing and
// removing files on a disk file system costs more than most readers' work on a small input.
// Every execution overwrites the files it uses, so nothing is created or removed per input.
const std::string& WorkDirectory() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string& dir = *new std::string([] {
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec)) base = fs::temp_directory_path();
    const fs::path p = base / ("quillmar-fuzz-" + std::to_string(getpid()));
    for (const char* sub : {"ID", "data", "Bookmark"}) fs::create_directories(p / sub);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(WorkDirectory(), ignored);
    });
    return p.string();
  }());
  return dir;
}

// The input cut into `count` parts at the markers; missing parts are empty.
[[maybe_unused]] std::vector<std::string_view> Parts(std::string_view bytes, size_t count) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    const size_t end = bytes.find(kPartEnd);
    if (end == std::string_view::npos) break;
    parts.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + kPartEnd.size());
  }
  parts.push_back(bytes);
  parts.resize(count);
  return parts;
}

// Replaces the file `name` (relative to the work directory, in one of its subdirectories) by
// `bytes` and answers its path.
[[maybe_unused]] std::string Put(const std::string& name, std::string_view bytes) {
  std::string path = JoinPath(WorkDirectory(), name);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();  // the harness's own failure, not a finding
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    std::abort();
  std::fclose(file);
  return path;
}

// A catalog with nothing installed, for readers that take one (made once: its construction is
// not what is tested).
[[maybe_unused]] TCalderwickData& EmptyCatalog() {
  struct System : DriveList, UserPrompts, PlugInHost {
    std::vector<std::string> OpticalDrivesWithMedium() const override { return {}; }
    PromptResult AskRetryCancel(const std::string&) override { return PromptResult::kCancel; }
    void ShowError(const std::string&) override {}
    void ShowInformation(const std::string&) override {}
    bool IsPresent(const std::string&, const std::string&) override { return false; }
    void Load(const std::string&, const std::string&) override {}
  };
  static System& system = *new System;
  static MemoryRegistryStore& store = *new MemoryRegistryStore;
  static TCalderwickData& catalog =
      *new TCalderwickData({store, system, system, system, AppEnvironment{}});
  return catalog;
}

// The fuzzy key of a word: the word itself, so that the queries below find keys of the lists.
class WordAsKey : public retrieval::PhoneticConversion {
 public:
  std::string Phoneme(const std::string&, const std::string& word, int) override { return word; }
};

template <typename F>
[[maybe_unused]] void Try(F f) {
  try {
    f();
  } catch (const Exception&) {
  }
}

void Run(std::string_view bytes) {
#if defined(QUILLMAR_FUZZ_METAINFO)
  Put("ID/metainfo.dat", bytes);
  Try([&] {
    const TCDInfo info(WorkDirectory());
    // GetRecord opens the file for each record: the first two and the last are enough.
    for (int32_t i : {1, 2, info.Count(), info.Count() + 1}) (void)info.GetRecord(i);
    (void)info.GetTextInfoFileName();
    (void)info.GetSchemas();
    (void)info.GetFSLibraryID();
    (void)info.VersionOK(1, 7);
    for (const auto& link : info.Links()) Check(link.FileName.size() < 4096);
  });
#elif defined(QUILLMAR_FUZZ_TEXTINFO)
  // The text catalog and the first text's chapter, page, picture and synchronisation files.
  const auto parts = Parts(bytes, 5);
  const std::string catalog = Put("data/textinfo.dat", parts[0]);
  Put("data/t001.kap", parts[1]);
  Put("data/t001.pag", parts[2]);
  Put("data/t001.bld", parts[3]);
  Put("data/t001.syn", parts[4]);
  Try([&] {
    TTextInfo info;
    if (!info.Load(catalog)) return;
    Try([&] { (void)info.ListTexts(); });
    for (int32_t n = 1; n <= info.RecordCount() && n <= 4; ++n) {
      Try([&] {
        info.Select(n);
        if (info.CurrentText() != n) return;
        (void)info.GetLongTextName();
        Try([&] {
          for (const auto& text : info.ListTexts()) (void)info.ListChapters(text);
        });
        Try([&] { (void)info.GetSeitenPosition("1", 1); });
        Try([&] { (void)info.GetPositionSeite(100, 1); });
        Try([&] { (void)info.GetBildName(1); });
        Try([&] { (void)info.GetSyncRange(1, 1000); });
        Try([&] { (void)info.GetSyncPosition(10); });
      });
    }
  });
#elif defined(QUILLMAR_FUZZ_LINK_TABLE)
  const std::string table = Put("data/lk.dat", bytes);
  for (int32_t key : {1, 2, 17, 1000, -1}) Try([&] { (void)LinkTable::FindInTable(table, key); });
#elif defined(QUILLMAR_FUZZ_XREF_LOOKUP)
  const std::string file = Put("data/xr.dat", bytes);
  Try([&] {
    TCReferenceLookUp lookup;
    lookup.SetFile(file);
    for (const char* key : {"1.", "17.", "a", "zz", "\xff"}) Try([&] { (void)lookup.LookUp(key); });
  });
#elif defined(QUILLMAR_FUZZ_WORD_INDEX)
  // The word list and the hit file: lookups of words, a scan as masks do, the hits of each find.
  // The process's caches know a file by its size and modification time, which a rewrite within
  // the same clock tick may keep: emptied, so that every input is read afresh.
  retrieval::FileCache::Instance().Leeren();
  retrieval::HitCache::Instance().Leeren();
  const auto parts = Parts(bytes, 2);
  const std::string words = Put("data/wortlst.dat", parts[0]);
  const std::string hits = Put("data/fundst.dat", parts[1]);
  Try([&] {
    retrieval::TWortDateiAnfrage lookup;
    lookup.SetzeDateiName(words);
    for (const char* word : {"the", "a", "zz", "histories", "\xe4"}) {
      Try([&] {
        lookup.Suche(word);
        if (!lookup.Gefunden()) return;
        retrieval::TFundstellenDateiAnfrage file;
        file.SetzeDateiName(hits);
        file.Von = lookup.Von();
        file.Bis = lookup.Bis();
        file.Laden();
      });
    }
  });
  Try([&] {
    retrieval::TLesenWortDatei reader;
    reader.SetzeDateiName(words);
    for (int32_t n = 1; n <= reader.Anzahl() && n <= 2000; ++n) (void)reader.Lies(n);
  });
#elif defined(QUILLMAR_FUZZ_HIT_INDEX)
  // The derived hit index: opened as if its recorded sources were current (taken from the input's
  // own header, so that the checks behind the header are reached), then every word of a range of
  // the table looked up and read. Damage must be refused, never decoded into hits out of range.
  const std::string path = Put("data/fundst.qmx", bytes);
  auto field = [&](size_t at) {
    uint64_t v = 0;
    for (size_t i = 0; i < 8 && at + i < bytes.size(); ++i)
      v |= uint64_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
    return static_cast<int64_t>(v);
  };
  retrieval::HitIndexSources sources;
  sources.wortListe = {"wortlst.dat", field(16), field(24)};
  sources.fundstellen = {"fundst.dat", field(32), field(40)};
  Try([&] {
    const auto index = retrieval::HitIndex::Open(path, sources);
    if (!index) return;
    std::ifstream in;
    if (!OpenForReading(in, path)) return;
    std::vector<uint8_t> buffer;
    retrieval::HitIndex::Word word;
    std::vector<retrieval::TFundstelle> hits;
    for (int32_t von = 0; von < 64; ++von) {
      for (int32_t bis : {von, von + 1, von + 7}) {
        if (index->Find(in, von, bis, word, buffer) != retrieval::HitIndex::Lookup::kFound)
          continue;
        hits.clear();
        if (index->Read(in, word, hits, buffer)) Check(hits.size() <= word.Hits());
      }
    }
  });
#elif defined(QUILLMAR_FUZZ_SCHEMA_INI)
  const IniFile ini(Put("data/schema1.ini", bytes));
  for (const auto& section : ini.Sections()) (void)ini.ReadString(section, "Name", "");
#elif defined(QUILLMAR_FUZZ_SETTINGS)
  // The settings file: what is read is written again and reads back the same.
  MemoryRegistryStore tree;
  if (ParseSettingsFile(bytes, tree)) {
    const auto text = FormatSettingsFile(tree);
    if (text) {
      MemoryRegistryStore again;
      Check(ParseSettingsFile(*text, again));
      Check(FormatSettingsFile(again) == text);
    }
  }
#elif defined(QUILLMAR_FUZZ_BOOKMARKS)
  Put("Bookmark/bookmark.dat", bytes);
  Put("Bookmark/b0001.txt", bytes.substr(0, 512));
  TBookmark store(WorkDirectory());
  for (int32_t i = 0; i < store.Count(); ++i) Check(store.GetItem(i).Id >= 1);
  Try([&] { (void)store.LoadNote(1); });
#elif defined(QUILLMAR_FUZZ_SOURCE)
  Try([&] { (void)builder::ParseSource(bytes, "fuzz.qms"); });
#elif defined(QUILLMAR_FUZZ_LINK_FILE)
  const std::string file = Put("data/links.dat", bytes);
  Try([&] {
    TLinkFile links(EmptyCatalog());
    links.Load(file);
    Check(links.Count() == bytes.size() / TLinkFile::kRecordSize);
    for (const char* cdid : {"QMSA0001", " qmsa0001 ", "", "\xff"}) {
      for (int32_t text : {0, 1, 2, -1}) {
        const LinkFileRecord record = links.Find(cdid, text);
        Check(record.TargetCDID.size() <= TLinkFile::kCDIDCapacity);
        Try([&] { (void)links.Resolve(record); });
      }
    }
  });
#elif defined(QUILLMAR_FUZZ_FUZZY)
  // A word list with the fuzzy word list and link file of level 1: fuzzy lookups, which lead
  // through the link file to records of the word list, and masks over the word list.
  retrieval::FileCache::Instance().Leeren();
  const auto parts = Parts(bytes, 3);
  Put("data/wortlst.dat", parts[0]);
  retrieval::CollectionSearchInfo cd;
  cd.CDID = "QMSA0001";
  cd.Path = WorkDirectory();
  cd.FSID = "QMPHONET";
  cd.FSWordFiles[0] = Put("data/s1wl.dat", parts[1]);
  cd.FSLinkFiles[0] = Put("data/s1lnk.dat", parts[2]);
  retrieval::SearchCatalog catalog;
  catalog.Hinzufuegen(cd);
  WordAsKey keys;
  Try([&] {
    retrieval::TWoerterAnfrage query(catalog, &keys);
    query.SetzeCD("QMSA0001");
    // The files change, not the words: a few of each kind are enough.
    const std::pair<int32_t, const char*> words[] = {{1, "kroesus"}, {1, "persian"}, {1, "zz"},
                                                     {0, "h*"},      {0, "?y*a"},    {0, "a"}};
    for (const auto& word : words) {
      Try([&] {
        query.Stufe = word.first;
        query.Suche(word.second);
      });
    }
  });
#elif defined(QUILLMAR_FUZZ_SHORT_INFO)
  // The short-information file: its records, their parts, and the parts' file names made paths
  // in the media directory, which must stay inside it.
  const std::string mediaDir = JoinPath(WorkDirectory(), "media");
  const std::string prefix = mediaDir + kNativeSeparator;
  for (const ShortInfoRecord& record : ReadShortInfoFile(Put("data/ki.dat", bytes))) {
    TMediaEntry entry;
    entry.CDID = "QMSA0001";
    entry.Type = kMediaShortInfo;
    entry.ShortInfo = record;
    Check(entry.Parts().size() <= kShortInfoParts);
    for (const TShortInfoPart& part : WithMediaPaths(entry, mediaDir).Parts()) {
      for (const std::string* name : {&part.First, &part.Second})
        Check(name->empty() || name->rfind(prefix, 0) == 0);
    }
  }
#elif defined(QUILLMAR_FUZZ_ONLINE)
  // The online list: its records, and the entries a reader would offer from it.
  const std::string file = Put("data/remote.dat", bytes);
  Try([&] {
    TINetInfo list;
    list.LoadList(file);
    Check(list.Count() == bytes.size() / kINetInfoRecordSize);
    for (size_t i = 0; i < list.Count() && i < 64; ++i) {
      const TINetInfoRecord record = list.Item(i);
      Check(list.IndexOfId(record.Id) >= static_cast<int>(i));
      Check(DecodeINetInfoRecord(
                reinterpret_cast<const uint8_t*>(EncodeINetInfoRecord(record).data()))
                .Target == record.Target);
      const std::string address = WebAddress(record.Target);
      Check(address.empty() || address.rfind("http://", 0) == 0 ||
            address.rfind("https://", 0) == 0);
    }
  });
  Try([&] {
    ListingContext context;
    context.major = 1;
    context.minor = 7;
    context.installed = {"QMSA0001", "KRVT0001"};
    context.today = 45000;
    const OfferList offers = ListOffers(file, context);
    for (const TINetInfoRecord& record : offers.entries) Check(IsListed(record, context));
  });
#elif defined(QUILLMAR_FUZZ_HISTORY)
  // The search history as the settings file stores it: every entry read, then a new one added
  // and read back.
  MemoryRegistryStore store;
  if (!ParseSettingsFile(bytes, store)) return;
  RegistryAccess reg(store);
  TCRrecords cds(2);
  cds[0].CDID = "QMSA0001";
  cds[0].Name = "Sample";
  cds[1].CDID = "KRVT0001";
  cds[1].Name = "Bible";
  SearchHistory history(
      reg, "Software\\Quillmar\\Reader\\3.1", [&]() -> const TCRrecords& { return cds; },
      [](const std::string& cdid, int32_t no) { return cdid + " " + std::to_string(no); });
  TSearchHistoryRecord last;
  for (int k = 1; k <= SearchHistory::kSlots; ++k) {
    if (!history.HistoryEntryExists(k)) continue;
    TSearchHistoryRecord record;
    history.GetHistoryRecord(k, record);
    // The record keeps what the file says; the search settings made from it keep a level the
    // search has.
    const int level = search_ui::SearchSettings::FromHistory(record).Stufe;
    Check(level >= 0 && level <= 4);
    last = record;
  }
  last.Question += "?";
  history.AddHistoryRecord(last);
  TSearchHistoryRecord again;
  history.GetHistoryRecord(1, again);
  Check(again.Question == last.Question);
#elif defined(QUILLMAR_FUZZ_GREEK)
  // Unicode Greek into the transliteration (text and query line), and each transliterated word
  // back into Unicode and code page 1253, as the display converts them word by word.
  if (bytes.size() > 2048) return;
  const GreekTransliteration text = TransliterateGreek(bytes);
  Check(text.error == std::string_view::npos || text.error < bytes.size());
  for (const bool flag : {false, true}) {
    const std::string query = TransliterateGreekQuery(bytes, flag, '.');
    (void)HasGreekMarks(query);
  }
  std::string_view rest = text.text;
  while (!rest.empty()) {
    const size_t blank = rest.find(' ');
    const std::string_view word = rest.substr(0, blank);
    rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    if (word.empty() || word.size() > 64) continue;
    (void)GreekToUtf8(word);
    (void)GreekToCp1253(word);
  }
#elif defined(QUILLMAR_FUZZ_TEI) || defined(QUILLMAR_FUZZ_OSIS)
  // One input file through the importer; what it writes must be a source the builder reads.
  builder::ImportOptions options;
  options.collectionId = "QMFZ0001";
  options.textLevel = bytes.empty() ? 0 : static_cast<unsigned char>(bytes.front()) % 3;
  builder::ImportResult result;
  try {
#if defined(QUILLMAR_FUZZ_TEI)
    result = builder::ImportTei({{"fuzz.xml", std::string(bytes)}}, options);
#else
    result = builder::ImportOsis({{"fuzz.xml", std::string(bytes)}}, options);
#endif
  } catch (const Exception&) {
    return;
  }
  (void)builder::ParseSource(result.source, "import.qms");
#else
#error "no fuzz target chosen"
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
