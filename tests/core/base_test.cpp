#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

TEST(CodePage, EveryByteSurvivesARoundTrip) {
  for (CodePage cp : {CodePage::k1252, CodePage::k1253, CodePage::k1255}) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(FromUtf8(ToUtf8(all, cp), cp), all);
  }
}

TEST(CodePage, KnownCharacters) {
  EXPECT_EQ(Cp1252ToUtf8("\x80 \xe4\xfc"), "\u20ac \u00e4\u00fc");
  EXPECT_EQ(ToUtf8("\xe1", CodePage::k1253), "\u03b1");
  EXPECT_EQ(ToUtf8("\xe0", CodePage::k1255), "\u05d0");
  EXPECT_EQ(Utf8ToCp1252("Stra\u00dfe \u03b1"),
            "Stra\xdf"
            "e ?");
  // Malformed UTF-8 (a lone continuation byte, a truncated sequence) becomes the replacement.
  EXPECT_EQ(Utf8ToCp1252("a\x80z\xc3"), "a?z?");
}

TEST(Language, InternalErrorTextFollowsTheLanguage) {
  SetCurrentLanguage(kGerman);
  EXPECT_EQ(InternalError("TTI-STN 001").what(), InternalErrorText("TTI-STN 001"));
  EXPECT_EQ(std::string(InternalError("X-1").what())
                .rfind("Interner Fehler (X-1). Bitte mitteilen.\r", 0),
            0u);
  SetCurrentLanguage(7);  // anything but 1 is English
  EXPECT_EQ(
      std::string(InternalError("X-1").what()).rfind("Internal error (X-1). Please report.\r", 0),
      0u);
  EXPECT_EQ(InternalError("X-1").Code(), "X-1");
}

TEST(Paths, CollectionFilesResolveWhateverTheirCase) {
  test::TempDir dir;
  test::WriteFile(dir.Sub("DATA/TEXTINFO.DAT"), "x");
  EXPECT_TRUE(FileExists(dir.path() + "\\data\\textinfo.dat"));
  EXPECT_TRUE(FileExists(dir.path() + "/Data/TextInfo.dat"));
  EXPECT_TRUE(DirectoryExists(dir.path() + "/data"));
  EXPECT_FALSE(FileExists(dir.path() + "/data"));
  EXPECT_FALSE(FileExists(dir.path() + "/data/missing.dat"));
  EXPECT_EQ(ResolvePath(dir.path() + "/data/textinfo.dat"), dir.Sub("DATA/TEXTINFO.DAT"));
  // A file that appears after a lookup missed is found: the cache does not keep stale misses.
  EXPECT_FALSE(FileExists(dir.path() + "/data/late.dat"));
  test::WriteFile(dir.Sub("DATA/LATE.DAT"), "x");
  EXPECT_TRUE(FileExists(dir.path() + "/data/late.dat"));
  EXPECT_EQ(ListFiles(dir.path() + "/data", ".DAT").size(), 2u);
}

TEST(Paths, Joining) {
  EXPECT_EQ(StripTrailingSeparator("a\\"), "a");
  EXPECT_EQ(StripTrailingSeparator("/"), "/");
  EXPECT_EQ(JoinPath("a/", "\\b"), std::string("a") + kNativeSeparator + "b");
  EXPECT_EQ(DirectoryOf("x\\y/z.dat"), "x\\y");
  EXPECT_EQ(FileNameOf("x\\y/z.dat"), "z.dat");
}

}  // namespace
}  // namespace quillmar
