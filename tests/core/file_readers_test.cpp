#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/errors.h"
#include "collection/byte_file.h"
#include "collection/datei.h"
#include "collection/long_int_file.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int kInverted = 0xFF;

// Test content that changes at every position and never repeats with a short period, so a byte
// read from the wrong offset shows. The inverted content (mask kInverted) tells a byte still held
// in a window from one read anew.
char PatternByte(int64_t pos, int mask = 0) {
  return static_cast<char>(((pos * 7 + pos / 251) ^ mask) & 0xFF);
}

std::string Pattern(int64_t len, int mask = 0) {
  std::string bytes(static_cast<size_t>(len), '\0');
  for (int64_t i = 0; i < len; ++i) bytes[static_cast<size_t>(i)] = PatternByte(i + 1, mask);
  return bytes;
}

template <typename Reader>
void Bind(Reader& reader, const std::string& path, std::string_view bytes) {
  test::WriteFile(path, bytes);
  reader.SetDateiName(path);
}

template <typename Reader>
char ReadAt(Reader& reader, int32_t pos) {
  if constexpr (std::is_same_v<Reader, TDatei>)
    return reader.Zeichen(pos);
  else
    return static_cast<char>(reader.GetByte(pos));
}

// A reader of a `len`-byte file reads at `read_at` and must then hold positions first ... last:
// after the file is rewritten inverted, those read old bytes and their neighbours new ones.
struct WindowCase {
  int64_t len;
  int32_t read_at;
  int32_t first;
  int32_t last;
};

template <typename Reader>
void CheckWindows(std::initializer_list<WindowCase> cases) {
  test::TempDir dir;
  const std::string path = dir.Sub("stream.dat");
  for (const WindowCase& c : cases) {
    for (int32_t probe : {c.first - 1, c.first, c.last, c.last + 1}) {
      if (probe < 1 || probe > c.len) continue;
      SCOPED_TRACE(testing::Message()
                   << "len " << c.len << " read " << c.read_at << " probe " << probe);
      Reader reader;
      Bind(reader, path, Pattern(c.len));
      ASSERT_EQ(ReadAt(reader, c.read_at), PatternByte(c.read_at));
      test::WriteFile(path, Pattern(c.len, kInverted));
      const bool held = probe >= c.first && probe <= c.last;
      EXPECT_EQ(ReadAt(reader, probe), PatternByte(probe, held ? 0 : kInverted));
    }
  }
}

TEST(FileReaders, WindowsLandAsTheRecentringRuleSays) {
  CheckWindows<TDatei>({
      {10000, 1, 1, 10000},          // a 10000-byte file is held whole
      {10001, 10001, 2, 10001},      // read at the end: the last 10000 bytes
      {30000, 5199, 1, 10000},       // below 5200: the first 10000 bytes
      {30000, 5200, 200, 10199},     // from 5200 on: centred, Pos - 5000 ... Pos + 4999
      {30000, 24800, 19800, 29799},  // up to DateiLen - 5200 still centred
      {30000, 24801, 20001, 30000},  // beyond: the last 10000 bytes
  });
  CheckWindows<TByteFile>({
      {65536, 65536, 2, 65536},          // the last 65535 bytes
      {200000, 32966, 1, 65535},         // below 32967: the first 65535 bytes
      {200000, 32967, 200, 65734},       // centred: Pos - 32767 ... Pos + 32767
      {200000, 167033, 134266, 199800},  // up to DateiLen - 32967 still centred
      {200000, 167034, 134466, 200000},  // beyond: the last 65535 bytes
  });
}

template <typename Reader>
void CheckScans(int64_t len) {
  test::TempDir dir;
  const std::string bytes = Pattern(len);
  Reader reader;
  Bind(reader, dir.Sub("scan.dat"), bytes);
  std::string forward;
  std::string backward(bytes.size(), '\0');
  for (int32_t pos = 1; pos <= len; ++pos) forward.push_back(ReadAt(reader, pos));
  for (auto pos = static_cast<int32_t>(len); pos >= 1; --pos)
    backward[static_cast<size_t>(pos - 1)] = ReadAt(reader, pos);
  EXPECT_EQ(forward, bytes);
  EXPECT_EQ(backward, bytes);
}

TEST(FileReaders, ScansInBothDirectionsGiveTheFileBytes) {
  CheckScans<TDatei>(25123);
  CheckScans<TByteFile>(150321);
}

TEST(FileReaders, OutOfRangeReadsDifferentlySpelledEmptyAndMissingFiles) {
  test::TempDir dir;
  TDatei text;
  TByteFile bytes;
  test::WriteFile(dir.Sub("DATA/TEXT01.DAT"), "abc");
  text.SetDateiName(dir.path() + "\\data\\text01.dat");  // any case, either separator
  bytes.SetDateiName(dir.Sub("data/Text01.dat"));
  for (int32_t pos : {0, 4, -1, kMin, kMax}) {
    EXPECT_EQ(text.Zeichen(pos), 'X') << pos;
    EXPECT_EQ(bytes.GetByte(pos), 0) << pos;
    EXPECT_TRUE(text.KeineDatenMehr() && bytes.KeineDatenMehr()) << pos;
    EXPECT_EQ(text.Zeichen(3), 'c');
    EXPECT_EQ(bytes.GetByte(3), 'c');
    EXPECT_FALSE(text.KeineDatenMehr() || bytes.KeineDatenMehr()) << pos;
  }

  test::WriteFile(dir.Sub("empty.dat"), "");
  std::filesystem::create_directory(dir.Sub("folder"));  // a directory is no stream file
  // A named pipe is never opened: opening it would block until a writer comes.
  std::vector<std::pair<std::string, std::string>> cases = {
      {"empty.dat", ""},
      {"missing.dat", "File 'missing.dat' not found in '" + dir.path() + "'."},
      {"folder", "'" + dir.Sub("folder") + "' is a directory, not a file."}};
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.Sub("pipe").c_str(), 0600), 0);
  cases.emplace_back("pipe",
                     "'" + dir.Sub("pipe") + "' is not a regular file (a pipe or a device).");
#endif
  for (const auto& [name, message] : cases) {
    const bool exists = name == "empty.dat";
    text.SetDateiName(dir.Sub(name));
    EXPECT_TRUE(text.DateiLeer() && text.KeineDatenMehr()) << name;
    EXPECT_EQ(text.NoLangerAvailable(), !exists) << name;
    EXPECT_EQ(text.Zeichen(1), 'X');
    if (exists) {
      bytes.SetDateiName(dir.Sub(name));
    } else {
      try {
        bytes.SetDateiName(dir.Sub(name));
        ADD_FAILURE() << name;
      } catch (const EInOutError& e) {
        EXPECT_EQ(e.what(), message);
      }
    }
    EXPECT_TRUE(bytes.DateiLeer()) << name;  // the previous file's window is gone
    EXPECT_EQ(bytes.GetByte(1), 0);
  }
}

TEST(FileReaders, VanishedOrShrunkenFileNeverShowsStaleBytes) {
  test::TempDir dir;
  const std::string path = dir.Sub("f.dat");
  TDatei text;
  TByteFile bytes;
  Bind(text, path, Pattern(200000));
  bytes.SetDateiName(path);
  EXPECT_EQ(ReadAt(text, 1), PatternByte(1));   // window 1 ... 10000
  EXPECT_EQ(ReadAt(bytes, 1), PatternByte(1));  // window 1 ... 65535
  std::filesystem::remove(path);
  EXPECT_EQ(ReadAt(text, 10000), PatternByte(10000));
  EXPECT_EQ(ReadAt(bytes, 65535), PatternByte(65535));
  // Beyond the window TDatei answers ' ' and keeps its window; TByteFile raises and empties it.
  EXPECT_EQ(text.Zeichen(10001), ' ');
  EXPECT_TRUE(text.NoLangerAvailable() && text.KeineDatenMehr());
  EXPECT_EQ(ReadAt(text, 500), PatternByte(500));
  EXPECT_THROW(bytes.GetByte(65536), EInOutError);
  EXPECT_THROW(bytes.GetByte(1), EInOutError);

  test::WriteFile(path, Pattern(100000, kInverted));  // back, but shorter than when bound
  EXPECT_EQ(text.Zeichen(150000), 'X');
  EXPECT_TRUE(text.KeineDatenMehr() && !text.NoLangerAvailable());
  EXPECT_EQ(ReadAt(text, 100000), PatternByte(100000, kInverted));  // window 95000 ... 100000
  EXPECT_EQ(text.Zeichen(100001), 'X');
  EXPECT_EQ(ReadAt(bytes, 50), PatternByte(50, kInverted));
  EXPECT_THROW(bytes.GetByte(150000), EInOutError);
}

int32_t LongIntValue(int32_t i) {
  return static_cast<int32_t>(static_cast<uint32_t>(i) * 2654435761u);
}

TEST(TLongIntFile, LittleEndianValuesAndThePartialLastValue) {
  constexpr int32_t kCount = 40000;  // 160000 bytes: values straddle the 65535-byte windows
  std::string bytes;
  for (int32_t i = 1; i <= kCount; ++i)
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>(LongIntValue(i) >> (8 * k)));
  test::TempDir dir;
  const std::string path = dir.Sub("s1lnk.dat");
  TLongIntFile file;
  Bind(file, path, bytes);
  ASSERT_EQ(file.GetDataLen(), kCount);
  for (int32_t i = 1; i <= kCount; ++i) ASSERT_EQ(file.GetLongInt(i), LongIntValue(i)) << i;
  for (int32_t index : {kCount + 1, 0, -1, kMax, kMin, (1 << 30) + 1}) {  // 4 * index wraps
    EXPECT_EQ(file.GetLongInt(index), 0) << index;
    EXPECT_TRUE(file.KeineDatenMehr());
  }

  // 10 bytes: no whole number of values, but every byte there still reads.
  Bind(file, path, std::string("\x02\x00\x00\x00\x03\x00\x00\x00\x04\x86", 10));
  try {
    file.GetDataLen();
    ADD_FAILURE() << "a length of 10 must raise";
  } catch (const Exception& e) {
    EXPECT_EQ(dynamic_cast<const EInOutError*>(&e), nullptr) << "a general error, not a file one";
    EXPECT_EQ(std::string(e.what()), "Wrong file format in '" + path + "' (TLIF-GDL)");
  }
  EXPECT_EQ(file.GetLongInt(2), 3);
  EXPECT_EQ(file.GetLongInt(3), 0x8604);  // the missing high bytes read as 0
}

TEST(FileReaders, FilesBeyondTwoGigabytesAreClampedToTheLastAddressablePosition) {
  test::TempDir dir;
  const std::string path = dir.Sub("huge.dat");
  test::WriteFile(path, "head");
  std::error_code ec;
  std::filesystem::resize_file(path, (uintmax_t{1} << 31) + 4096, ec);  // sparse
  if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
  test::FlipByte(path, uintmax_t{kMax} - 1, 0x5A);
  TDatei text;
  TByteFile bytes;
  text.SetDateiName(path);
  bytes.SetDateiName(path);
  EXPECT_EQ(text.DateiLen(), kMax);
  EXPECT_EQ(bytes.GetDataLen(), kMax);
  EXPECT_EQ(text.Zeichen(kMax), '\x5A');
  EXPECT_EQ(bytes.GetByte(kMax), 0x5A);
  EXPECT_EQ(text.Zeichen(2), 'e');
  EXPECT_EQ(bytes.GetByte(4), 'd');
}

}  // namespace
}  // namespace quillmar
