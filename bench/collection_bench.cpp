// Costs of reading collection files: sequential scans through the windowed readers and the
// case-insensitive lookup of collection file names.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"
#include "collection/byte_file.h"
#include "collection/datei.h"

namespace {

namespace fs = std::filesystem;

// A scratch collection directory laid out in capitals, with one 4 MB stream file.
const std::string& Scratch() {
  static const std::string dir = [] {
    const fs::path root = fs::temp_directory_path() / "quillmar-bench";
    fs::create_directories(root / "DATA");
    std::ofstream out(root / "DATA" / "T001.TXT", std::ios::binary | std::ios::trunc);
    std::string block(4096, 'a');
    for (int i = 0; i < 1024; ++i)
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return root.string();
  }();
  return dir;
}

constexpr int32_t kStreamSize = 4 * 1024 * 1024;

void BM_DateiForwardScan(benchmark::State& state) {
  quillmar::TDatei file;
  file.SetDateiName(Scratch() + "/data/t001.txt");
  for (auto _ : state) {
    unsigned sum = 0;
    for (int32_t pos = 1; pos <= kStreamSize; ++pos)
      sum += static_cast<unsigned char>(file.Zeichen(pos));
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * kStreamSize);
}
BENCHMARK(BM_DateiForwardScan)->Unit(benchmark::kMillisecond);

void BM_DateiBackwardScan(benchmark::State& state) {
  quillmar::TDatei file;
  file.SetDateiName(Scratch() + "/data/t001.txt");
  for (auto _ : state) {
    unsigned sum = 0;
    for (int32_t pos = kStreamSize; pos >= 1; --pos)
      sum += static_cast<unsigned char>(file.Zeichen(pos));
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * kStreamSize);
}
BENCHMARK(BM_DateiBackwardScan)->Unit(benchmark::kMillisecond);

void BM_ByteFileForwardScan(benchmark::State& state) {
  quillmar::TByteFile file;
  file.SetDateiName(Scratch() + "/data/t001.txt");
  for (auto _ : state) {
    unsigned sum = 0;
    for (int32_t pos = 1; pos <= kStreamSize; ++pos) sum += file.GetByte(pos);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * kStreamSize);
}
BENCHMARK(BM_ByteFileForwardScan)->Unit(benchmark::kMillisecond);

// A name whose case differs from the disk's: resolved through the cached directory listings.
void BM_ResolveMixedCase(benchmark::State& state) {
  const std::string wanted = Scratch() + "\\data\\t001.txt";
  for (auto _ : state) benchmark::DoNotOptimize(quillmar::ResolvePath(wanted));
}
BENCHMARK(BM_ResolveMixedCase);

// A name spelled as on disk: one status call.
void BM_ResolveExact(benchmark::State& state) {
  const std::string wanted = Scratch() + "/DATA/T001.TXT";
  for (auto _ : state) benchmark::DoNotOptimize(quillmar::ResolvePath(wanted));
}
BENCHMARK(BM_ResolveExact);

}  // namespace
