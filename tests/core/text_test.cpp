#include <gtest/gtest.h>

#include "core/Random.h"
#include "core/Text.h"

namespace {

TEST(TextTest, UpperAsciiFoldsOnlyAToZ) {
  EXPECT_EQ(UpperAscii("c:\\games\\cantivox\\"), "C:\\GAMES\\CANTIVOX\\");
  EXPECT_EQ(UpperAscii("Mixed 123 {x}"), "MIXED 123 {X}");
  // Accented letters of the ANSI code page stay as they are.
  EXPECT_EQ(UpperAscii("\xE1nna"), "\xE1NNA");
  EXPECT_EQ(UpperAscii(""), "");
}

TEST(TextTest, TrailingSeparator) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"", "\\"},
      {"C:\\Games", "C:\\Games\\"},
      {"C:\\Games\\", "C:\\Games\\"},
      {"C:", "C:\\"},
      {"Temp\\\\", "Temp\\\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(IncludeTrailingSeparator(c.path), c.expected) << c.path;
}

TEST(TextTest, TrailByteOfDoubleByteCharacterIsNoSeparator) {
  // In Shift-JIS 0x95 0x5C is one character whose second byte is '\'.
  SetLeadBytePredicate([](unsigned char c) { return c >= 0x81 && c <= 0x9F; });
  EXPECT_FALSE(EndsWithSeparator("C:\\\x95\x5C"));
  EXPECT_EQ(IncludeTrailingSeparator("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
  EXPECT_EQ(ExtractFileDir("C:\\\x95\x5C"), "C:\\");
  SetLeadBytePredicate(nullptr);
  EXPECT_TRUE(EndsWithSeparator("C:\\\x95\x5C"));
}

TEST(TextTest, FileParts) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  } cases[] = {
      {"C:\\Games\\Cantivox\\Cantivox.exe", "C:\\Games\\Cantivox", "Cantivox.exe", "exe"},
      {"C:\\Cantivox.exe", "C:\\", "Cantivox.exe", "exe"},
      {"\\Cantivox.exe", "\\", "Cantivox.exe", "exe"},
      {"C:file.jpeg", "C:", "file.jpeg", "jpeg"},
      {"Z:\\with blanks\\a.b.JPG", "Z:\\with blanks", "a.b.JPG", "JPG"},
      {"noext", "", "noext", ""},
      {"C:\\dir.d\\noext", "C:\\dir.d", "noext", ""},
      {"\\\\server\\share", "\\\\server", "share", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileDir(c.path), c.dir) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
  }
}

// What a folder clearing may walk: an absolute path below a root. Had one
// of the refused ones slipped through, clearing would empty a drive.
TEST(PathTest, RootsOfAbsolutePathsAndWhatLiesBelowThem) {
  struct Case {
    const char* path;
    size_t root;
    bool below;
  } cases[] = {
      {"C:\\Games\\Temp", 3, true},
      {"c:/games/temp/", 3, true},
      {"C:\\", 3, false},
      {"C:\\\\", 3, false},
      {"Z:/", 3, false},
      {"C:", 0, false},
      {"C:Temp", 0, false},
      {"\\Games\\Temp", 0, false},
      {"Temp\\", 0, false},
      {".\\Temp", 0, false},
      {"", 0, false},
      {"\\\\server\\share", 14, false},
      {"\\\\server\\share\\", 15, false},
      {"\\\\server\\share\\Temp", 15, true},
      {"//server/share/a/b/", 15, true},
      {"\\\\server", 0, false},
      {"\\\\", 0, false},
      {"\\\\\\share\\Temp", 0, false},
      {"\\\\server\\\\Temp", 0, false},
      {"\\\\?\\C:\\Games\\Temp", 0, false},
      {"\\\\.\\C:\\Temp", 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AbsoluteRootLength(c.path), c.root) << "'" << c.path << "'";
    EXPECT_EQ(NamesBelowRoot(c.path), c.below) << "'" << c.path << "'";
  }
}

TEST(PathTest, ADoubleByteServerNameEndsAtARealSeparatorOnly) {
  // 0x81 0x5C is one character of code page 932, not a separator.
  SetLeadBytePredicate([](unsigned char c) { return c >= 0x81 && c <= 0x9F; });
  EXPECT_EQ(AbsoluteRootLength("\\\\a\x81\\b\\share\\Temp"), 13u);
  EXPECT_TRUE(NamesBelowRoot("\\\\a\x81\\b\\share\\Temp"));
  SetLeadBytePredicate(nullptr);
  EXPECT_EQ(AbsoluteRootLength("\\\\a\x81\\b\\share\\Temp"), 7u);
}

TEST(RandomTest, UnseededSequenceRepeatsEveryRun) {
  SetRandomSeed(0);
  EXPECT_EQ(Random(2147483647), 0);
  EXPECT_EQ(Random(2147483647), 67387906);
  // Every draw moves the generator once, whatever the range.
  SetRandomSeed(0);
  Random(16711680);
  Random(1000);
  SetRandomSeed(0);
  Random(1);
  Random(1);
  const uint32_t afterTwo = RandomSeed();
  SetRandomSeed(0);
  Random(16711680);
  Random(1000);
  EXPECT_EQ(RandomSeed(), afterTwo);
}

TEST(RandomTest, StaysInRange) {
  SetRandomSeed(12345);
  for (int i = 0; i < 10000; ++i) {
    const int32_t colour = Random(16711680);
    ASSERT_GE(colour, 0);
    ASSERT_LT(colour, 16711680);
    const int32_t interval = Random(1000);
    ASSERT_GE(interval, 0);
    ASSERT_LT(interval, 1000);
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
}

}  // namespace
