// Every deletion and overwrite the program makes acts on the name in its own
// folder: a link there to a file elsewhere goes as a link, and the file it
// leads to keeps every byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ProfileStore.h"
#include "WineUnix.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/IniFile.h"

namespace {

const char kPlayersFile[] = "the player's own file, kept on another disk";

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

std::string Read(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(cannot be read)";
  std::string bytes(4096, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

void Write(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

class FileRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "cvx-removal-" + std::to_string(GetCurrentProcessId());
    wineunix::RemoveTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
    CreateDirectoryA(Outside().c_str(), nullptr);
    CreateDirectoryA(Game().c_str(), nullptr);
    Write(Victim(), kPlayersFile);
    Write(ReadOnlyVictim(), kPlayersFile);
    ASSERT_TRUE(SetFileAttributesA(ReadOnlyVictim().c_str(), FILE_ATTRIBUTE_READONLY));
  }
  void TearDown() override {
    SetFileAttributesA(ReadOnlyVictim().c_str(), FILE_ATTRIBUTE_NORMAL);
    wineunix::RemoveTree(root_);
  }

  std::string Outside() const { return root_ + "\\outside"; }
  std::string Victim() const { return Outside() + "\\replay.dat"; }
  std::string ReadOnlyVictim() const { return Outside() + "\\songs.dat"; }
  std::string Game() const { return root_ + "\\game"; }

  // A link at `link` to one of the player's files; skips where none can be
  // made.
  void LinkTo(const std::string& link, const std::string& target) {
    if (wineunix::UnderWine())
      wineunix::MakeFileLink(link, target);
    else if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
      GTEST_SKIP() << "no file link can be made here";
  }
  void LinkToVictim(const std::string& link) { LinkTo(link, Victim()); }

  void ExpectVictimUntouched() {
    EXPECT_EQ(Read(Victim()), kPlayersFile);
    EXPECT_EQ(Read(ReadOnlyVictim()), kPlayersFile);
    EXPECT_EQ(Attributes(ReadOnlyVictim()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }

  std::string root_;
};

TEST_F(FileRemovalTest, ClearingRemovesLinksAsLinksAtEveryLevel) {
  const std::string temp = Game() + "\\Temp";
  CreateDirectoryA(temp.c_str(), nullptr);
  CreateDirectoryA((temp + "\\logs").c_str(), nullptr);
  Write(temp + "\\song.tmp", "cache");
  LinkToVictim(temp + "\\replay.lnk");
  LinkTo(temp + "\\logs\\last.log", ReadOnlyVictim());

  const ClearOutcome outcome = ClearDirectoryTree(temp);

  ExpectVictimUntouched();
  EXPECT_TRUE(outcome.Complete()) << outcome.remaining << " stayed";
  EXPECT_FALSE(Exists(temp + "\\replay.lnk"));
  EXPECT_FALSE(Exists(temp + "\\logs"));
  EXPECT_FALSE(Exists(temp + "\\song.tmp"));
}

TEST_F(FileRemovalTest, SingleFileRemovalTakesTheLinkAndLeavesReadOnlyFiles) {
  LinkToVictim(Game() + "\\covers.cache");
  EXPECT_TRUE(RemoveOwnFile(Game() + "\\covers.cache"));
  EXPECT_FALSE(Exists(Game() + "\\covers.cache"));
  ExpectVictimUntouched();

  // A read-only file is the user's decision: it stays as it was.
  Write(Game() + "\\config.ini", "[Graphics]\r\n");
  SetFileAttributesA((Game() + "\\config.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(RemoveOwnFile(Game() + "\\config.ini"));
  EXPECT_EQ(Read(Game() + "\\config.ini"), "[Graphics]\r\n");
  EXPECT_EQ(Attributes(Game() + "\\config.ini") & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  SetFileAttributesA((Game() + "\\config.ini").c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_TRUE(RemoveOwnFile(Game() + "\\never there.txt"));
}

TEST_F(FileRemovalTest, CopyReplacesALinkAndNotWhatItLeadsTo) {
  Write(root_ + "\\new.jpg", "new picture");
  LinkToVictim(Game() + "\\avatar.jpg");
  EXPECT_TRUE(CopyOverOwnFile(root_ + "\\new.jpg", Game() + "\\avatar.jpg"));
  EXPECT_EQ(Read(Game() + "\\avatar.jpg"), "new picture");
  ExpectVictimUntouched();

  // A copy that cannot be made leaves the target and no stray file.
  EXPECT_FALSE(CopyOverOwnFile(root_ + "\\missing.jpg", Game() + "\\avatar.jpg"));
  EXPECT_EQ(Read(Game() + "\\avatar.jpg"), "new picture");
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((Game() + "\\cvx*").c_str(), &entry);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << entry.cFileName;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(FileRemovalTest, ProfileAvatarThatIsALinkIsReplacedOrRemovedAsALink) {
  const std::string folder = Game() + "\\Profiles\\anna";
  CreateDirectoryA((Game() + "\\Profiles").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  Write(folder + "\\profile.cvp", "[profile]\r\nname=Anna\r\navatar=avatar.jpg\r\n");
  Write(root_ + "\\new.jpg", "new picture");
  LinkToVictim(folder + "\\avatar.jpg");

  IniFile ini(folder + "\\profile.cvp");
  ProfileStore::Values values = ProfileStore::Read(ini);
  values.avatarPath = root_ + "\\new.jpg";
  EXPECT_EQ(ProfileStore::Save(ini, values), ProfileStore::SaveOutcome::Saved);
  EXPECT_EQ(Read(folder + "\\avatar.jpg"), "new picture");
  ExpectVictimUntouched();

  SetFileAttributesA((folder + "\\avatar.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA((folder + "\\avatar.jpg").c_str());
  LinkToVictim(folder + "\\avatar.jpg");
  values.avatarPath.clear();  // Remove, then Save
  EXPECT_EQ(ProfileStore::Save(ini, values), ProfileStore::SaveOutcome::Saved);
  EXPECT_FALSE(Exists(folder + "\\avatar.jpg"));
  ExpectVictimUntouched();

  LinkToVictim(folder + "\\stats.dat");
  ProfileStore::Delete(Game(), "anna", [](const std::string& dir) { (void)ClearDirectoryTree(dir); });
  EXPECT_FALSE(Exists(folder));
  ExpectVictimUntouched();
}

}  // namespace
