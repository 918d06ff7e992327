#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "base/errors.h"
#include "collection/byte_file.h"
#include "collection/datei.h"
#include "collection/long_int_file.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

// Test content: a byte pattern that changes at every position and never repeats with a short
// period, so a byte read from the wrong offset shows.
char PatternByte(int64_t pos) { return static_cast<char>((pos * 7 + pos / 251) & 0xFF); }

std::string Pattern(int64_t len) {
  std::string bytes(static_cast<size_t>(len), '\0');
  for (int64_t i = 0; i < len; ++i) bytes[static_cast<size_t>(i)] = PatternByte(i + 1);
  return bytes;
}

// The same length, every byte inverted: tells a byte still held in the window (old content)
// from one read anew (new content).
std::string Inverted(int64_t len) {
  std::string bytes = Pattern(len);
  for (char& c : bytes) c = static_cast<char>(~c);
  return bytes;
}

uint8_t Byte(char c) { return static_cast<uint8_t>(c); }

// One probe of the window position rule: a reader of a `len`-byte file reads at `read_at`, the
// file is then rewritten, and the probe position tells whether it was still in the window.
struct WindowCase {
  int64_t len;
  int32_t read_at;
  int32_t probe;
  bool held;
};

template <typename Reader>
char ReadAt(Reader& reader, int32_t pos) {
  if constexpr (std::is_same_v<Reader, TDatei>)
    return reader.Zeichen(pos);
  else
    return static_cast<char>(reader.GetByte(pos));
}

template <typename Reader>
void CheckWindow(const WindowCase& c) {
  SCOPED_TRACE(testing::Message() << "len " << c.len << " read " << c.read_at << " probe "
                                  << c.probe);
  test::TempDir dir;
  const std::string path = dir.Sub("stream.dat");
  test::WriteFile(path, Pattern(c.len));
  Reader reader;
  reader.SetDateiName(path);
  ASSERT_EQ(ReadAt(reader, c.read_at), PatternByte(c.read_at));
  test::WriteFile(path, Inverted(c.len));
  const char expected = c.held ? PatternByte(c.probe) : static_cast<char>(~PatternByte(c.probe));
  EXPECT_EQ(ReadAt(reader, c.probe), expected);
}

TEST(TDatei, WindowLandsAsTheRecentringRuleSays) {
  const WindowCase cases[] = {
      {10000, 1, 10000, true},       // a 10000-byte file is held whole
      {10001, 10001, 2, true},       // 10001 bytes read at the end: positions 2 ... 10001
      {10001, 10001, 1, false},      //
      {30000, 5199, 10001, false},   // below 5200: the first 10000 bytes
      {30000, 5200, 200, true},      // from 5200 on: centred, Pos - 5000 ... Pos + 4999
      {30000, 5200, 199, false},     //
      {30000, 5200, 10200, false},   //
      {30000, 24800, 29800, false},  // up to DateiLen - 5200 still centred
      {30000, 24801, 20001, true},   // beyond: the last 10000 bytes
      {30000, 24801, 20000, false},  //
  };
  for (const auto& c : cases) CheckWindow<TDatei>(c);
}

TEST(TByteFile, WindowLandsAsTheRecentringRuleSays) {
  const WindowCase cases[] = {
      {65536, 65536, 2, true},          // the last 65535 bytes
      {65536, 65536, 1, false},         //
      {200000, 32966, 65536, false},    // below 32967: the first 65535 bytes
      {200000, 32967, 200, true},       // centred: Pos - 32767 ... Pos + 32767
      {200000, 32967, 65735, false},    //
      {200000, 167033, 199801, false},  // DateiLen - 32967: still centred
      {200000, 167034, 134466, true},   // beyond: the last 65535 bytes
      {200000, 167034, 134465, false},  //
  };
  for (const auto& c : cases) CheckWindow<TByteFile>(c);
}

template <typename Reader>
void CheckScans(int64_t len) {
  test::TempDir dir;
  const std::string path = dir.Sub("scan.dat");
  const std::string bytes = Pattern(len);
  test::WriteFile(path, bytes);
  Reader reader;
  reader.SetDateiName(path);
  ASSERT_EQ(reader.DateiLen(), len);
  std::string forward;
  for (int32_t pos = 1; pos <= len; ++pos) forward.push_back(ReadAt(reader, pos));
  EXPECT_EQ(forward, bytes);
  EXPECT_FALSE(reader.KeineDatenMehr());
  std::string backward;
  for (int32_t pos = static_cast<int32_t>(len); pos >= 1; --pos)
    backward.insert(backward.begin(), ReadAt(reader, pos));
  EXPECT_EQ(backward, bytes);
  // Jumps across the file in both directions.
  for (int32_t pos : {static_cast<int32_t>(len), 1, static_cast<int32_t>(len / 2), 7,
                      static_cast<int32_t>(len - 6)})
    EXPECT_EQ(ReadAt(reader, pos), PatternByte(pos)) << pos;
}

TEST(TDatei, ScansInBothDirectionsGiveTheFileBytes) { CheckScans<TDatei>(25123); }

TEST(TByteFile, ScansInBothDirectionsGiveTheFileBytes) { CheckScans<TByteFile>(150321); }

TEST(TDatei, EmptyMissingAndDifferentlySpelledFiles) {
  TDatei fresh;
  EXPECT_TRUE(fresh.DateiLeer());
  EXPECT_TRUE(fresh.KeineDatenMehr());
  EXPECT_FALSE(fresh.NoLangerAvailable());

  test::TempDir dir;
  test::WriteFile(dir.Sub("empty.dat"), "");
  test::WriteFile(dir.Sub("DATA/TEXT01.DAT"), "abc");
  std::filesystem::create_directory(dir.Sub("folder"));
  TDatei reader;
  reader.SetDateiName(dir.Sub("empty.dat"));
  EXPECT_TRUE(reader.DateiLeer());
  EXPECT_FALSE(reader.NoLangerAvailable());
  EXPECT_EQ(reader.Zeichen(1), 'X');
  EXPECT_TRUE(reader.KeineDatenMehr());

  reader.SetDateiName(dir.path() + "\\data\\text01.dat");  // any case, either separator
  EXPECT_FALSE(reader.DateiLeer());
  EXPECT_EQ(reader.Zeichen(3), 'c');

  for (const char* absent : {"missing.dat", "folder"}) {  // a directory is no stream file
    reader.SetDateiName(dir.Sub(absent));
    EXPECT_TRUE(reader.NoLangerAvailable()) << absent;
    EXPECT_TRUE(reader.KeineDatenMehr());
    EXPECT_TRUE(reader.DateiLeer());
    EXPECT_EQ(reader.DateiLen(), 0);
    EXPECT_EQ(reader.Zeichen(1), 'X');
  }
}

TEST(TDatei, OutOfRangeReadsAreClearedByTheNextValidRead) {
  test::TempDir dir;
  test::WriteFile(dir.Sub("t.dat"), "hello");
  TDatei reader;
  reader.SetDateiName(dir.Sub("t.dat"));
  for (int32_t pos :
       {0, 6, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(reader.Zeichen(pos), 'X') << pos;
    EXPECT_TRUE(reader.KeineDatenMehr());
    EXPECT_EQ(reader.Zeichen(5), 'o');
    EXPECT_FALSE(reader.KeineDatenMehr());
  }
}

TEST(TDatei, VanishedFileAnswersFromTheWindowThenBlank) {
  test::TempDir dir;
  const std::string path = dir.Sub("t.dat");
  test::WriteFile(path, Pattern(30000));
  TDatei reader;
  reader.SetDateiName(path);
  EXPECT_EQ(reader.Zeichen(1), PatternByte(1));  // window 1 ... 10000
  std::filesystem::remove(path);

  EXPECT_EQ(reader.Zeichen(10000), PatternByte(10000));
  EXPECT_FALSE(reader.NoLangerAvailable());
  EXPECT_EQ(reader.Zeichen(10001), ' ');
  EXPECT_TRUE(reader.NoLangerAvailable());
  EXPECT_TRUE(reader.KeineDatenMehr());
  EXPECT_EQ(reader.Zeichen(500), PatternByte(500));  // the window is left as it was

  test::WriteFile(path, Pattern(30000));  // the medium is back
  EXPECT_EQ(reader.Zeichen(20000), PatternByte(20000));
  EXPECT_FALSE(reader.NoLangerAvailable());
}

TEST(TDatei, ShrunkenFileReadsAsOutOfRangeNeverAsStaleBytes) {
  test::TempDir dir;
  const std::string path = dir.Sub("t.dat");
  test::WriteFile(path, Pattern(30000));
  TDatei reader;
  reader.SetDateiName(path);
  EXPECT_EQ(reader.Zeichen(1), PatternByte(1));
  test::WriteFile(path, Inverted(15000));

  EXPECT_EQ(reader.Zeichen(20000), 'X');  // window 15000 ... 24999 holds only 15000 now
  EXPECT_TRUE(reader.KeineDatenMehr());
  EXPECT_FALSE(reader.NoLangerAvailable());
  EXPECT_EQ(reader.Zeichen(15000), static_cast<char>(~PatternByte(15000)));
  EXPECT_EQ(reader.Zeichen(16000), 'X');
  EXPECT_EQ(reader.Zeichen(14999), static_cast<char>(~PatternByte(14999)));
  test::TruncateFile(path, 0);
  EXPECT_EQ(reader.Zeichen(2), 'X');
}

TEST(TByteFile, EmptyMissingAndOutOfRange) {
  test::TempDir dir;
  test::WriteFile(dir.Sub("empty.dat"), "");
  TByteFile empty;
  empty.SetDateiName(dir.Sub("empty.dat"));
  EXPECT_TRUE(empty.DateiLeer());
  EXPECT_EQ(empty.GetByte(1), 0);
  EXPECT_TRUE(empty.KeineDatenMehr());

  TByteFile missing;
  EXPECT_THROW(missing.SetDateiName(dir.Sub("missing.dat")), EInOutError);
  EXPECT_EQ(missing.GetDataLen(), 0);
  EXPECT_EQ(missing.GetByte(1), 0);

  test::WriteFile(dir.Sub("B.DAT"), std::string("\x00\xff\x7f", 3));
  TByteFile bytes;
  bytes.SetDateiName(dir.Sub("b.dat"));
  EXPECT_EQ(bytes.GetDataLen(), 3);
  for (int32_t pos : {0, 4, -7}) {
    EXPECT_EQ(bytes.GetByte(pos), 0);
    EXPECT_TRUE(bytes.KeineDatenMehr());
    EXPECT_EQ(bytes.GetByte(2), 0xFF);
    EXPECT_FALSE(bytes.KeineDatenMehr());
  }
}

TEST(TByteFile, MissingOrShrunkenFileOnARefillRaises) {
  test::TempDir dir;
  const std::string path = dir.Sub("f.dat");
  test::WriteFile(path, Pattern(200000));
  TByteFile reader;
  reader.SetDateiName(path);
  EXPECT_EQ(reader.GetByte(1), Byte(PatternByte(1)));  // window 1 ... 65535
  std::filesystem::remove(path);
  EXPECT_EQ(reader.GetByte(65535), Byte(PatternByte(65535)));
  EXPECT_THROW(reader.GetByte(65536), EInOutError);
  EXPECT_THROW(reader.GetByte(1), EInOutError);  // the failed refill emptied the window

  test::WriteFile(path, Pattern(100000));  // back, but shorter than when it was bound
  EXPECT_EQ(reader.GetByte(50), Byte(PatternByte(50)));
  try {
    reader.GetByte(150000);
    ADD_FAILURE() << "a read past the shortened end must raise";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("f.dat"), std::string::npos) << e.what();
  }
  // Binding another file forgets the old window.
  test::WriteFile(dir.Sub("g.dat"), Inverted(100));
  reader.SetDateiName(dir.Sub("g.dat"));
  EXPECT_EQ(reader.GetByte(50), Byte(static_cast<char>(~PatternByte(50))));
}

TEST(TLongIntFile, LittleEndianValuesAndTheFormatError) {
  test::TempDir dir;
  const std::string path = dir.Sub("s1lnk.dat");
  test::WriteFile(path, std::string("\x01\x00\x00\x00\xff\xff\xff\xff", 8));
  TLongIntFile file;
  file.SetDateiName(path);
  EXPECT_EQ(file.GetDataLen(), 2);
  EXPECT_EQ(file.GetLongInt(1), 1);
  EXPECT_EQ(file.GetLongInt(2), -1);
  for (int32_t index :
       {3, 0, -1, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(file.GetLongInt(index), 0) << index;
    EXPECT_TRUE(file.KeineDatenMehr());
  }

  // 10 bytes: no whole number of values, but every byte there still reads.
  test::WriteFile(path, std::string("\x02\x00\x00\x00\x03\x00\x00\x00\x04\x86", 10));
  TLongIntFile odd;
  odd.SetDateiName(path);
  try {
    odd.GetDataLen();
    ADD_FAILURE() << "a length of 10 must raise";
  } catch (const EInOutError&) {
    ADD_FAILURE() << "the format error is a general error, not a file error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Wrong file format in '" + path + "' (TLIF-GDL)");
  }
  EXPECT_EQ(odd.GetLongInt(2), 3);
  EXPECT_EQ(odd.GetLongInt(3), 0x8604);  // the missing high bytes read as 0
}

TEST(TLongIntFile, ValuesStraddlingWindowEdgesReadWhole) {
  test::TempDir dir;
  const std::string path = dir.Sub("s3lnk.dat");
  constexpr int32_t kCount = 100000;  // 400000 bytes: several 65535-byte windows
  std::string bytes;
  for (int32_t i = 1; i <= kCount; ++i) {
    const auto v = static_cast<uint32_t>(i * 2654435761u);
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  }
  test::WriteFile(path, bytes);
  TLongIntFile file;
  file.SetDateiName(path);
  ASSERT_EQ(file.GetDataLen(), kCount);
  for (int32_t i = 1; i <= kCount; ++i)
    ASSERT_EQ(file.GetLongInt(i), static_cast<int32_t>(i * 2654435761u)) << i;
  for (int32_t i = kCount; i >= 1; i -= 97)
    ASSERT_EQ(file.GetLongInt(i), static_cast<int32_t>(i * 2654435761u)) << i;
}

TEST(FileReaders, FilesBeyondTwoGigabytesAreClampedToTheLastAddressablePosition) {
  test::TempDir dir;
  const std::string path = dir.Sub("huge.dat");
  test::WriteFile(path, "head");
  std::error_code ec;
  std::filesystem::resize_file(path, (uintmax_t{1} << 31) + 4096, ec);  // sparse
  if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
  test::FlipByte(path, uintmax_t{std::numeric_limits<int32_t>::max()} - 1, 0x5A);

  constexpr int32_t kLast = std::numeric_limits<int32_t>::max();
  TDatei text;
  text.SetDateiName(path);
  EXPECT_EQ(text.DateiLen(), kLast);
  EXPECT_EQ(text.Zeichen(kLast), '\x5A');
  EXPECT_EQ(text.Zeichen(kLast - 6000), '\0');
  EXPECT_EQ(text.Zeichen(2), 'e');

  TByteFile bytes;
  bytes.SetDateiName(path);
  EXPECT_EQ(bytes.GetDataLen(), kLast);
  EXPECT_EQ(bytes.GetByte(kLast), 0x5A);
  EXPECT_EQ(bytes.GetByte(kLast - 40000), 0);
  EXPECT_EQ(bytes.GetByte(4), 'd');
}

}  // namespace
}  // namespace quillmar
