#include "retrieval/hit_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "retrieval/hit_cache.h"
#include "retrieval/index_layout.h"

namespace quillmar::retrieval {

namespace {

constexpr int64_t kRecord = static_cast<int64_t>(index_layout::kFundstelleSize);
// Records per physical read: large reads keep mask searches over many words cheap.
constexpr int64_t kReadRecords = 8192;
// Records between two ranges that one read may run across rather than seek past (45 KB read
// cost less than another seek and read).
constexpr int64_t kMaxGap = 1024;

[[noreturn]] void NichtGefunden(const std::string& path) {
  throw EInOutError(UnusableFileText(path) + "(TFDA 001)");
}

// The range von.. could not be completed in a file of `size` bytes. Read in blocks of
// kBlockRecords records from von, the range ends either at a block that is missing altogether
// (002) or at one that is cut short (003).
[[noreturn]] void UnexpectedEnd(const std::string& path, int64_t von, int64_t size) {
  const int64_t block = kRecord * TFundstellenDateiAnfrage::kBlockRecords;
  const int64_t rest = size - von * kRecord;
  const char* code = (von < 0 || rest <= 0 || rest % block == 0) ? "002" : "003";
  throw EInOutError("unerwartetes Ende von '" + path + "' .(TFDA " + code + ")");
}

[[noreturn]] void Unreadable(const std::string& path) { NichtGefunden(path); }

TFundstellenDateiAnfrage::OpenHook& TheOpenHook() {
  static TFundstellenDateiAnfrage::OpenHook hook;
  return hook;
}

// The last record one read from record k of range r should take: the end of this range and of
// the ranges right behind it, as long as the read stays within kReadRecords records and skips no
// more than kMaxGap records between two ranges.
int64_t ReadEnd(std::span<const HitRange> ranges, size_t r, int64_t k) {
  int64_t last = ranges[r].Bis;
  for (size_t q = r + 1; q < ranges.size() && last - k + 1 < kReadRecords; ++q) {
    const int64_t qv = ranges[q].Von;
    if (ranges[q].Bis < qv) continue;
    if (qv <= last || qv > last + 1 + kMaxGap) break;
    last = ranges[q].Bis;
  }
  return last;
}

}  // namespace

void TFundstellenDateiAnfrage::SetOpenHook(OpenHook hook) { TheOpenHook() = std::move(hook); }

void TFundstellenDateiAnfrage::SetzeDateiName(const std::string& path) {
  if (!FileExists(path)) NichtGefunden(path);
  path_ = path;
  held_.reset();
  held_in_.reset();
  announced_ = false;
  BindIndex(nullptr);
}

void TFundstellenDateiAnfrage::Binden(const std::string& path) {
  held_.reset();
  held_in_.reset();
  announced_ = false;
  BindIndex(nullptr);
  // The path as spelled is stamped first (one look at the file); only a path that does not
  // exist so is resolved in any letter case.
  std::optional<FileStamp> stamp = StampFile(NativeSeparators(path));
  if (!stamp) {
    const std::optional<std::string> resolved = ResolveExisting(path);
    stamp = resolved ? StampFile(*resolved) : std::nullopt;
  }
  if (!stamp) NichtGefunden(path);
  path_ = path;
  held_ = stamp;
}

void TFundstellenDateiAnfrage::BindIndex(std::shared_ptr<const HitIndex> index) {
  index_ = std::move(index);
  index_in_.reset();
}

bool TFundstellenDateiAnfrage::ReadFromIndex(const HitRange& range,
                                             std::vector<TFundstelle>& hits) {
  if (!index_) return false;
  if (!index_in_) {
    AnnounceOpen(held_ ? held_->path : path_);
    index_in_ = std::make_unique<std::ifstream>();
    // Replaced or removed since it was opened: opened anew by the next search.
    if (!OpenForReading(*index_in_, index_->Path()) || !index_->SameFile(*index_in_)) {
      HitIndexStore::Instance().Forget(index_);
      BindIndex(nullptr);
      return false;
    }
  }
  HitIndex::Word word;
  const HitIndex::Lookup found =
      index_->Find(*index_in_, range.Von, range.Bis, word, index_buffer_);
  if (found == HitIndex::Lookup::kMissing) return false;
  hits.clear();
  if (found == HitIndex::Lookup::kFound && index_->Read(*index_in_, word, hits, index_buffer_))
    return true;
  hits.clear();
  HitIndexStore::Instance().Damaged(index_);
  BindIndex(nullptr);
  return false;
}

void TFundstellenDateiAnfrage::AnnounceOpen(const std::string& path) {
  if (announced_) return;
  if (const OpenHook& hook = TheOpenHook()) hook(path);
  announced_ = held_.has_value();
}

FileStamp TFundstellenDateiAnfrage::CurrentStamp() const {
  if (held_) return *held_;
  const std::optional<std::string> resolved = ResolveExisting(path_);
  if (!resolved) NichtGefunden(path_);
  const std::optional<FileStamp> stamp = StampFile(*resolved);
  if (!stamp) Unreadable(path_);
  return *stamp;
}

void TFundstellenDateiAnfrage::Laden() {
  liste_.Leeren();
  const HitRange range{Von, Bis};
  Read(std::span<const HitRange>(&range, 1), [this](size_t, std::span<const TFundstelle> hits) {
    for (const TFundstelle& h : hits) liste_.AnhaengenRoh(h, cd_);
    return true;
  });
}

int64_t TFundstellenDateiAnfrage::ReadRecords(std::ifstream& in, int64_t k, int64_t records,
                                              int64_t& size) {
  if (records == 0) return 0;
  buffer_.resize(static_cast<size_t>(records * kRecord));
  in.clear();
  in.seekg(k * kRecord);
  in.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(records * kRecord));
  const int64_t got = in ? records * kRecord : static_cast<int64_t>(in.gcount());
  if (got < records * kRecord) size = k * kRecord + got;  // the file has shrunk
  return got / kRecord;
}

void TFundstellenDateiAnfrage::Read(std::span<const HitRange> ranges, const Consumer& take) {
  if (ranges.empty()) return;
  const FileStamp file = CurrentStamp();
  if (!(held_ && held_in_)) AnnounceOpen(file.path);
  std::ifstream eigene;
  if (held_ && !held_in_) {
    held_in_ = std::make_unique<std::ifstream>();
    OpenForReading(*held_in_, file.path);
  }
  std::ifstream& in = held_ ? *held_in_ : eigene;
  if (!held_) OpenForReading(in, file.path);
  if (!in.is_open()) NichtGefunden(path_);
  in.clear();
  in.seekg(0, std::ios::end);
  int64_t size = static_cast<int64_t>(in.tellg());
  if (size < 0) NichtGefunden(path_);

  // The buffer holds the records first .. first + count - 1.
  int64_t first = 0;
  int64_t count = 0;
  for (size_t r = 0; r < ranges.size(); ++r) {
    const int64_t von = ranges[r].Von;
    const int64_t bis = ranges[r].Bis;
    if (bis < von) continue;
    if (von < 0) UnexpectedEnd(path_, von, size);
    int64_t k = von;
    while (k <= bis) {
      if (k < first || k >= first + count) {
        const int64_t wanted = std::min<int64_t>(ReadEnd(ranges, r, k) - k + 1, kReadRecords);
        const int64_t available = std::max<int64_t>(0, (size - k * kRecord) / kRecord);
        first = k;
        count = ReadRecords(in, k, std::min(wanted, available), size);
        if (count == 0) break;
      }
      const int64_t lastHere = std::min(bis, first + count - 1);
      const size_t m = static_cast<size_t>(lastHere - k + 1);
      hits_.resize(m);
      const uint8_t* p = buffer_.data() + static_cast<size_t>((k - first) * kRecord);
      for (size_t t = 0; t < m; ++t) hits_[t] = TFundstelle::Decode(p + t * kRecord);
      if (!take(r, std::span<const TFundstelle>(hits_.data(), m))) return;
      k = lastHere + 1;
    }
    if (k <= bis) UnexpectedEnd(path_, von, size);
  }
}

TFundstellenDateiAnfrage::SortedHits TFundstellenDateiAnfrage::SortedRange(const HitRange& range) {
  if (range.Bis < range.Von) return std::make_shared<const std::vector<TFundstelle>>();
  const FileStamp file = CurrentStamp();
  const HitCache::Datei stamp{file.path, file.size, file.mtime};
  HitCache& cache = HitCache::Instance();
  if (HitCache::Treffer cached = cache.Find(stamp, range.Von, range.Bis)) return cached;

  std::vector<TFundstelle> hits = LoadSorted(range);
  // The size is checked again: a file changed while being read is not kept for later searches.
  const std::optional<FileStamp> now = held_ ? held_ : StampFile(file.path);
  auto sorted = std::make_shared<const std::vector<TFundstelle>>(std::move(hits));
  if (now && now->size == file.size && now->mtime == file.mtime)
    cache.Store(stamp, range.Von, range.Bis, sorted);
  return sorted;
}

std::vector<TFundstelle> TFundstellenDateiAnfrage::LoadSorted(const HitRange& range) {
  std::vector<TFundstelle> hits;
  if (range.Bis < range.Von) return hits;
  const FileStamp file = CurrentStamp();
  // The range's hits, as many as the file can hold, in memory prepared in one go.
  hits.reserve(static_cast<size_t>(
      std::min<int64_t>(int64_t{range.Bis} - range.Von + 1, file.size / kRecord + 1)));
  PrepareLargeBlock(hits.data(), hits.capacity() * sizeof(TFundstelle));
  if (ReadFromIndex(range, hits)) return hits;
  Read(std::span<const HitRange>(&range, 1), [&](size_t, std::span<const TFundstelle> teil) {
    hits.insert(hits.end(), teil.begin(), teil.end());
    return true;
  });
  // A word's hits lie in the file by text and position; a text's headings come before its body
  // in HitKey order but not in the file, so most ranges are nearly sorted already.
  const auto kleiner = [](const TFundstelle& a, const TFundstelle& b) {
    return HitKey(a) < HitKey(b);
  };
  if (!std::is_sorted(hits.begin(), hits.end(), kleiner))
    std::stable_sort(hits.begin(), hits.end(), kleiner);
  return hits;
}

}  // namespace quillmar::retrieval
