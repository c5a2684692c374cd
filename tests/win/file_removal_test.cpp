// Every deletion and overwrite the program makes acts on the name in its own
// folder: a link there to a file elsewhere goes as a link, and the file it
// leads to keeps every byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ProfileStore.h"
#include "Support.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/IniFile.h"

namespace {

const char kPlayersFile[] = "the player's own file, kept on another disk";

using namespace support;

std::string Read(const std::string& path) { return Exists(path) ? ReadBytes(path) : "(cannot be read)"; }
void Write(const std::string& path, const std::string& bytes) { WriteBytes(path, bytes); }

class FileRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(Outside().c_str(), nullptr);
    CreateDirectoryA(Game().c_str(), nullptr);
    Write(Victim(), kPlayersFile);
    Write(ReadOnlyVictim(), kPlayersFile);
    ASSERT_TRUE(SetFileAttributesA(ReadOnlyVictim().c_str(), FILE_ATTRIBUTE_READONLY));
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

  TempFolder scratch_{"removal"};
  const std::string root_ = scratch_.Path();
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
