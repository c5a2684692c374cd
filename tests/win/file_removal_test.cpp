// Every deletion the program makes acts on the name in its own folder: a link
// there to a file elsewhere goes as a link where the platform can remove it
// so, and stays (counted) where it cannot; the file it leads to keeps every
// byte and attribute.
#include <gtest/gtest.h>
#include <windows.h>

#include <new>
#include <utility>
#include <string>

#include "ProfileStore.h"
#include "Support.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/IniFile.h"
#include "toolkit/WideText.h"

namespace {

const char kPlayersFile[] = "the player's own file, kept on another disk";

using namespace support;

std::string Read(const std::string& path) { return Exists(path) ? ReadBytes(path) : "(cannot be read)"; }

class FileRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(Outside().c_str(), nullptr);
    CreateDirectoryA(Game().c_str(), nullptr);
    CreateDirectoryA(Temp().c_str(), nullptr);
    WriteBytes(Victim(), kPlayersFile);
    WriteBytes(ReadOnlyVictim(), kPlayersFile);
    ASSERT_TRUE(SetFileAttributesA(ReadOnlyVictim().c_str(), FILE_ATTRIBUTE_READONLY));
  }

  std::string Outside() const { return root_ + "\\outside"; }
  std::string Victim() const { return Outside() + "\\replay.dat"; }
  std::string ReadOnlyVictim() const { return Outside() + "\\songs.dat"; }
  std::string Game() const { return root_ + "\\game"; }
  std::string Temp() const { return Game() + "\\Temp"; }

  // A link at `link` to one of the player's files; skips where none can be
  // made.
  void LinkTo(const std::string& link, const std::string& target) {
    if (wineunix::UnderWine())
      wineunix::MakeFileLink(link, target);
    else if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
      GTEST_SKIP() << "no file link can be made here";
  }

  void ExpectVictimsUntouched() {
    EXPECT_EQ(Read(Victim()), kPlayersFile);
    EXPECT_EQ(Read(ReadOnlyVictim()), kPlayersFile);
    EXPECT_EQ(Attributes(ReadOnlyVictim()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }

  TempFolder scratch_{"removal"};
  const std::string root_ = scratch_.Path();
};

// Links at every level, one of them to a folder that differs from the game's
// own only in letter case, which Wine keeps apart. Windows removes the links
// themselves; Wine opens what they lead to, so there they stay and are
// counted.
TEST_F(FileRemovalTest, ClearingNeverReachesWhatLinksLeadTo) {
  // Made from the Unix side: Windows would take "GAME" for "game".
  const std::string twin = root_ + "\\GAME";
  wineunix::RunUnix("mkdir -p " + wineunix::Quoted(wineunix::UnixPath(root_) + "/GAME/Temp"));
  WriteBytes(twin + "\\Temp\\save.dat", kPlayersFile);
  MakeDir(Temp() + "\\logs");
  WriteBytes(Temp() + "\\song.tmp", "cache");
  LinkTo(Temp() + "\\replay.lnk", Victim());
  LinkTo(Temp() + "\\logs\\last.log", ReadOnlyVictim());
  LinkTo(Temp() + "\\save.dat", twin + "\\Temp\\save.dat");

  const ClearOutcome outcome = ClearDirectoryTree(Temp());

  ExpectVictimsUntouched();
  EXPECT_EQ(Read(twin + "\\Temp\\save.dat"), kPlayersFile);
  EXPECT_FALSE(Exists(Temp() + "\\song.tmp"));
  const int linksLeft = Exists(Temp() + "\\replay.lnk") + Exists(Temp() + "\\save.dat");
  const bool innerLeft = Exists(Temp() + "\\logs\\last.log");
  EXPECT_EQ(outcome.remaining, linksLeft + 2 * innerLeft);
  EXPECT_EQ(outcome.links, linksLeft + innerLeft);
  EXPECT_EQ(outcome.Complete(), outcome.remaining == 0);
}

// One name for each kind of single file the program removes: a link, a
// read-only file (the user's decision: it stays as it was), and none at all.
TEST_F(FileRemovalTest, SingleFileRemovalNeverReachesWhatALinkLeadsTo) {
  LinkTo(Game() + "\\covers.cache", Victim());
  EXPECT_EQ(RemoveOwnFile(Game() + "\\covers.cache"),
            Exists(Game() + "\\covers.cache") ? Removal::IsLink : Removal::Removed);
  ExpectVictimsUntouched();

  WriteBytes(Game() + "\\config.ini", "[Graphics]\r\n");
  SetFileAttributesA((Game() + "\\config.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(RemoveOwnFile(Game() + "\\config.ini"), Removal::Stayed);
  EXPECT_EQ(Read(Game() + "\\config.ini"), "[Graphics]\r\n");
  EXPECT_EQ(Attributes(Game() + "\\config.ini") & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  SetFileAttributesA((Game() + "\\config.ini").c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(RemoveOwnFile(Game() + "\\never there.txt"), Removal::Removed);
}

// A read-only file in Temp with a second name elsewhere: the name in Temp
// goes, and the other keeps the attribute both names share.
TEST_F(FileRemovalTest, AFileWithAnotherHardLinkKeepsItsAttributes) {
  ASSERT_TRUE(CreateHardLinkA((Temp() + "\\songs.dat").c_str(), ReadOnlyVictim().c_str(), nullptr));
  EXPECT_TRUE(ClearDirectoryTree(Temp()).Complete());
  EXPECT_FALSE(Exists(Temp() + "\\songs.dat"));
  ExpectVictimsUntouched();
}

// Another program swaps a folder of Temp for a link to the player's own
// folder after the walk has listed it, just before its first file goes. The
// walk holds the folder it listed, so nothing of the player's is deleted or
// emptied, and the outcome says that something stayed.
TEST_F(FileRemovalTest, AFolderSwappedForALinkMidWalkLeavesWhereItLeads) {
  MakeDir(Temp() + "\\songs");
  WriteBytes(Temp() + "\\songs\\replay.dat", "cache");
  ClearControl control;
  bool swapped = false;
  control.beforeEachFile = [&](const std::wstring&) {
    if (std::exchange(swapped, true)) return;
    wineunix::RunUnix("mv " + wineunix::Quoted(wineunix::UnixPath(Temp() + "\\songs")) + " " +
                      wineunix::Quoted(wineunix::UnixPath(Temp()) + "/moved") + " && ln -s " +
                      wineunix::Quoted(wineunix::UnixPath(Outside())) + " " +
                      wineunix::Quoted(wineunix::UnixPath(Temp()) + "/songs"));
  };

  const ClearOutcome outcome = ClearDirectoryTree(Temp(), &control);

  ASSERT_TRUE(swapped);
  ExpectVictimsUntouched();
  EXPECT_FALSE(outcome.Complete());
  wineunix::RemoveTree(Temp() + "\\songs");
}

// A failure in the middle of a batch, on whichever thread deletes that file:
// the file stays and is counted, and the rest goes.
TEST_F(FileRemovalTest, AnAllocationFailureWhileDeletingLeavesOnlyThatFile) {
  for (int i = 0; i < 200; ++i) WriteBytes(Temp() + "\\f" + std::to_string(i), "x");
  ClearControl control;
  control.beforeEachFile = [](const std::wstring& name) {
    if (name == L"f7") throw std::bad_alloc();
  };
  const ClearOutcome outcome = ClearDirectoryTree(Temp(), &control);
  EXPECT_EQ(outcome.remaining, 1);
  EXPECT_EQ(FileNames(Temp()), std::vector<std::string>{"f7"});
}

TEST_F(FileRemovalTest, ProfileAvatarThatIsALinkIsNeverWrittenThrough) {
  const std::string folder = Game() + "\\Profiles\\anna";
  MakeDir(Game() + "\\Profiles");
  MakeDir(folder);
  WriteBytes(folder + "\\profile.cvp", "[profile]\r\nname=Anna\r\navatar=avatar.jpg\r\n");
  WriteBytes(root_ + "\\new.jpg", "new picture");
  LinkTo(folder + "\\avatar.jpg", Victim());

  // A new picture is not copied over what the link leads to.
  IniFile ini(folder + "\\profile.cvp");
  ProfileStore::Values values = ProfileStore::Read(ini);
  values.avatarPath = ToWide(root_ + "\\new.jpg");
  EXPECT_EQ(ProfileStore::Save(ini, values), ProfileStore::SaveOutcome::AvatarNotCopied);
  ExpectVictimsUntouched();

  // Removed, then saved: the link may stay, what it leads to does.
  values = ProfileStore::Read(ini);
  values.avatarName = "avatar.jpg";
  values.avatarPath.clear();
  EXPECT_EQ(ProfileStore::Save(ini, values), ProfileStore::SaveOutcome::Saved);
  ExpectVictimsUntouched();

  ProfileStore::Delete(Game(), L"anna", [](const HeldFolder& held) { (void)ClearHeldFolder(held); });
  ExpectVictimsUntouched();
}

}  // namespace
