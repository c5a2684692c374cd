#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Support.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/WideText.h"

namespace {

using namespace support;

void MakeFile(const std::string& path, DWORD attributes = 0) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, "data", 4, &written, nullptr);
  CloseHandle(file);
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
    // The test means nothing unless the platform really keeps the bits.
    ASSERT_EQ(Attributes(path) & attributes, attributes) << path;
  }
}

// Every entry below `dir`, as sorted relative paths; a link is listed but
// not followed.
std::vector<std::string> Listing(const std::string& dir, const std::string& prefix = "") {
  std::vector<std::string> names;
  for (const std::string& name : support::Names(dir)) {
    names.push_back(prefix + name);
    const DWORD a = Attributes(dir + "\\" + name);
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT))
      for (auto& inner : Listing(dir + "\\" + name, prefix + name + "\\")) names.push_back(inner);
  }
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

class DirectoryClearTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeDir(dir_); }

  std::string Path(const std::string& relative) const { return dir_ + "\\" + relative; }

  TempFolder scratch_{"clear"};
  const std::string root_ = scratch_.Path();  // holds the directory under test and what lies "outside" it
  const std::string dir_ = root_ + "\\Temp";  // the directory to clear
};

TEST_F(DirectoryClearTest, EmptiesNestedTreeWithReadOnlyHiddenAndSystemFiles) {
  for (const std::string suffix : {"", "\\"}) {
    SCOPED_TRACE("argument ends in '" + suffix + "'");
    MakeFile(Path("plain.txt"));
    MakeFile(Path("readonly.txt"), FILE_ATTRIBUTE_READONLY);
    MakeFile(Path("hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
    MakeFile(Path("all.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeDir(Path("a"));
    MakeFile(Path("a\\system.dat"), FILE_ATTRIBUTE_SYSTEM);
    MakeDir(Path("a\\b"));
    MakeFile(Path("a\\b\\readonly.txt"), FILE_ATTRIBUTE_READONLY);
    MakeDir(Path("a\\b\\c"));
    MakeFile(Path("a\\b\\c\\hidden readonly.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    MakeDir(Path("a\\b\\empty"));
    MakeDir(Path("hidden dir"));
    ASSERT_TRUE(SetFileAttributesA(Path("hidden dir").c_str(), FILE_ATTRIBUTE_HIDDEN));
    MakeFile(Path("hidden dir\\x"), FILE_ATTRIBUTE_READONLY);
    const DWORD dirBefore = Attributes(dir_);
    const DWORD parentBefore = Attributes(root_);

    const ClearOutcome outcome = ClearDirectoryTree(dir_ + suffix);

    EXPECT_FALSE(outcome.refused);
    EXPECT_EQ(outcome.remaining, 0);
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(Listing(dir_), Names{});
    EXPECT_EQ(Attributes(dir_), dirBefore);
    EXPECT_EQ(Attributes(root_), parentBefore);
  }
}

// Names with letters no ANSI code page holds together, reached exactly.
TEST_F(DirectoryClearTest, NamesBeyondTheCodePageAreCleared) {
  const std::wstring dir = ToWide(dir_);
  ASSERT_TRUE(CreateDirectoryW((dir + L"\\\u017B\u00F3\u0142\u0107").c_str(), nullptr));  // Żółć
  for (const wchar_t* name : {L"\u0141\u00F3d\u017A-D\u017Cem.mp3.tmp", L"\uFF21\uFF22\uFF23.tmp",
                              L"\u017B\u00F3\u0142\u0107\\Cz\u0119\u015B\u0107.tmp"}) {
    HANDLE file = CreateFileW((dir + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  EXPECT_TRUE(ClearDirectoryTree(dir_).Complete());
  EXPECT_EQ(Listing(dir_), Names{});
}

TEST_F(DirectoryClearTest, EmptyOrMissingDirectoryIsCompleteAndChangesNothing) {
  MakeFile(root_ + "\\file");
  const DWORD dirBefore = Attributes(dir_);
  for (const std::string& argument : {dir_, dir_ + "\\", root_ + "\\missing", root_ + "\\missing\\deeper\\",
                                      root_ + "\\file"}) {
    SCOPED_TRACE(argument);
    const ClearOutcome outcome = ClearDirectoryTree(argument);
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(Listing(root_), (Names{"Temp", "file"}));
    EXPECT_EQ(Attributes(dir_), dirBefore);
  }
}

// Enough files that several threads share the deleting where the machine
// has more than one core; each held file among them is counted once, and the
// directories that hold them stay.
TEST_F(DirectoryClearTest, ManyFilesGoTogetherAndEachHeldOneIsCounted) {
  Names expected;
  std::vector<HANDLE> held;
  for (int d = 0; d < 3; ++d) {
    // Appended rather than "d" + to_string(d): GCC 12 warns falsely
    // (-Wrestrict) on the inlined insert of the 64-bit build.
    std::string dir = "d";
    dir += std::to_string(d);
    MakeDir(Path(dir));
    for (int f = 0; f < 200; ++f) {
      const std::string file = dir + "\\f" + std::to_string(f);
      MakeFile(Path(file), f % 10 == 3 ? FILE_ATTRIBUTE_READONLY : 0);
      if (d == 0 || f % 50 != 3) continue;
      held.push_back(CreateFileA(Path(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
      ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
      expected.push_back(file);
    }
    if (d != 0) expected.push_back(dir);
  }
  std::sort(expected.begin(), expected.end());

  const ClearOutcome outcome = ClearDirectoryTree(dir_);
  for (HANDLE file : held) CloseHandle(file);

  EXPECT_EQ(Listing(dir_), expected);
  EXPECT_EQ(outcome.remaining, 2 * 4 + 2);
  for (const std::string& name : expected) {
    if (name.find('f') == std::string::npos) continue;
    EXPECT_EQ(Attributes(Path(name)), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE) << name << " as it was";
  }
  EXPECT_FALSE(outcome.Complete());
}

TEST_F(DirectoryClearTest, HeldFilesStayWithTheDirectoriesAboveThem) {
  MakeFile(Path("gone.txt"));
  MakeFile(Path("held at top.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  MakeDir(Path("a"));
  MakeFile(Path("a\\gone.txt"));
  MakeDir(Path("a\\b"));
  MakeFile(Path("a\\b\\held.txt"));
  MakeFile(Path("a\\b\\gone.txt"), FILE_ATTRIBUTE_READONLY);
  MakeDir(Path("a\\c"));
  MakeFile(Path("a\\c\\gone.txt"));
  MakeDir(Path("d"));
  MakeFile(Path("d\\gone.txt"));
  MakeFile(Path("d\\pending.txt"));
  // Held the way a running game holds its files: open without delete
  // sharing; and one with it, whose deletion waits until it is closed.
  std::vector<HANDLE> held;
  for (const char* name : {"held at top.txt", "a\\b\\held.txt", "d\\pending.txt"}) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (name[0] == 'd' ? FILE_SHARE_DELETE : 0);
    held.push_back(CreateFileA(Path(name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
  }

  const ClearOutcome outcome = ClearDirectoryTree(dir_);
  const Names left = Listing(dir_);
  for (HANDLE file : held) CloseHandle(file);

  EXPECT_EQ(left, (Names{"a", "a\\b", "a\\b\\held.txt", "d", "d\\pending.txt", "held at top.txt"}));
  EXPECT_EQ(outcome.remaining, 6);
  EXPECT_FALSE(outcome.refused);
  EXPECT_FALSE(outcome.Complete());
}

TEST_F(DirectoryClearTest, LinkToDirectoryOutsideIsNeverEntered) {
  // Two places outside the tree: one with content, and an empty one, which a
  // removal that follows the link would take away.
  const std::string outside = root_ + "\\outside";
  MakeDir(outside);
  MakeFile(outside + "\\keep.txt", FILE_ATTRIBUTE_READONLY);
  MakeDir(outside + "\\inner");
  MakeFile(outside + "\\inner\\keep too.txt");
  const std::string emptyOutside = root_ + "\\empty outside";
  MakeDir(emptyOutside);
  MakeFile(Path("gone.txt"));
  MakeDir(Path("sub"));
  wineunix::MakeDirectoryLink(Path("link"), outside);
  wineunix::MakeDirectoryLink(Path("sub\\link to empty"), emptyOutside);
  const Names outsideBefore = Listing(outside);

  const ClearOutcome outcome = ClearDirectoryTree(dir_);

  EXPECT_EQ(Listing(outside), outsideBefore);
  EXPECT_EQ(Attributes(outside + "\\keep.txt") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Exists(emptyOutside));
  EXPECT_FALSE(Exists(Path("gone.txt")));
  // Windows removes the links themselves. Wine only reaches the targets
  // through them, so there they stay (and go with the scratch folder), and
  // "sub" with its link: the count says so.
  const bool linkStayed = Exists(Path("link"));
  const bool innerLinkStayed = Exists(Path("sub\\link to empty"));
  EXPECT_EQ(outcome.remaining, linkStayed + 2 * innerLinkStayed);
  EXPECT_EQ(Exists(Path("sub")), innerLinkStayed);
}

// The decision alone, for arguments that must never reach a walk: had one of
// them slipped through, a test would clear a drive.
TEST(DirectoryClearPath, RefusesEmptyRootsAndRelativePaths) {
  for (const char* refused :
       {"", "C:", "C:\\", "c:/", "Z:\\", "C:\\\\", "C:\\Games\\..", "C:\\Games\\..\\..\\", "C:\\.", "\\", "/",
        "\\Games\\Temp", "Temp", "Temp\\", ".\\Temp", "C:Temp", "\\\\server\\share", "\\\\server\\share\\",
        "\\\\server\\share\\Temp\\..", "\\\\server", "\\\\", "\\\\\\share\\Temp", "\\\\?\\C:\\Games\\Temp",
        "\\\\.\\C:\\Temp"}) {
    EXPECT_FALSE(IsClearableDirectoryPath(refused)) << "'" << refused << "'";
  }
  for (const char* accepted : {"C:\\Games\\Cantivox\\Temp", "C:\\Games\\Cantivox\\Temp\\", "c:/games/temp",
                               "C:\\Games\\..\\Temp", "\\\\server\\share\\Temp", "\\\\server\\share\\a\\b\\"}) {
    EXPECT_TRUE(IsClearableDirectoryPath(accepted)) << "'" << accepted << "'";
  }
}

TEST_F(DirectoryClearTest, RefusedArgumentsClearNothing) {
  MakeFile(Path("stays.txt"));
  MakeDir(Path("sub"));
  MakeFile(Path("sub\\stays too.txt"));
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  // Each of these names the tree from the current directory, so a walk that
  // took them would empty it.
  for (const char* argument : {"Temp", "Temp\\", ".\\Temp", "C:Temp", "\\\\nosuchserver\\share\\"}) {
    SCOPED_TRACE(argument);
    const ClearOutcome outcome = ClearDirectoryTree(argument);
    EXPECT_TRUE(outcome.refused);
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(Listing(dir_), (Names{"stays.txt", "sub", "sub\\stays too.txt"}));
  }
}

}  // namespace
