// Saves never leave a player's file cut or mixed: a full disk, a write that
// fails halfway and a process killed at any moment leave the old bytes or
// the new ones, and no stray file that the next save would not remove.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>

#include "ProfileStore.h"
#include "Support.h"
#include "toolkit/FileSave.h"
#include "toolkit/IniFile.h"
#include "toolkit/WideText.h"

namespace {

using namespace support;

// A config.ini of 4,095 bytes with 800x600, as measured on a player's
// machine; 1920x1080 makes it two bytes longer, and one page more.
std::string Config(const std::string& resolution) {
  return "[Graphics]\r\nResolution=" + resolution + "\r\n[Scores]\r\n" + std::string(4051, 's') + "\r\n";
}
Fingerprint ConfigPrint(const std::string& resolution) { return FingerprintOf(Config(resolution)); }

std::vector<std::string> Strays(const std::string& dir) {
  std::vector<std::string> strays;
  for (const std::string& name : Names(dir))
    if (name.find(".cantivox-tools.tmp") != std::string::npos) strays.push_back(name);
  return strays;
}

// A file system of 64 KB mounted over a folder of its own, filled to leave
// `free` bytes; only root may mount one.
class FullDisk : public ::testing::Test {
 protected:
  void Mount(long free) {
    const std::string unix = wineunix::UnixPath(dir_.Path());
    wineunix::RunUnix("mount -t tmpfs -o size=64k cvx-full " + wineunix::Quoted(unix) + " && touch " +
                      wineunix::Quoted(unix + "/mounted"));
    if (!Exists(dir_ / "mounted")) GTEST_SKIP() << "a small file system can only be mounted by root";
    mounted_ = true;
    WriteBytes(dir_ / "config.ini", Config("800x600"));
    MakeDir(dir_ / "Profiles");
    MakeDir(dir_ / "Profiles\\anna");
    WriteBytes(dir_ / "Profiles\\anna\\profile.cvp", Profile("Anna"));
    // Filled until the file system refuses, then given back `free` bytes.
    wineunix::RunUnix("cat /dev/zero > " + wineunix::Quoted(unix + "/fill") + " 2>/dev/null; truncate -s -" +
                      std::to_string(free) + " " + wineunix::Quoted(unix + "/fill"));
  }
  void TearDown() override {
    if (mounted_) wineunix::RunUnix("umount -l " + wineunix::Quoted(wineunix::UnixPath(dir_.Path())));
  }
  static std::string Profile(const std::string& name) {
    return "[profile]\r\nname=" + name + "\r\nlogin=anna\r\nlocked=no\r\n[stats]\r\n" + std::string(4000, 's') +
           "\r\n";
  }

  TempFolder dir_{"full"};
  bool mounted_ = false;
};

// No room at all, and room for the first page of the new text only: each
// save that must grow its file fails with the write error, and the files
// keep every byte.
TEST_F(FullDisk, SavesThatDoNotFitLeaveTheFilesAsTheyWere) {
  for (const long free : {0L, 4096L}) {
    SCOPED_TRACE(std::to_string(free) + " bytes free");
    Mount(free);
    if (IsSkipped()) return;
    IniFile config(dir_ / "config.ini");
    EXPECT_EQ(ErrorOf([&] { config.WriteString("Graphics", "Resolution", "1920x1080"); }),
              "Unable to write to " + dir_ / "config.ini");
    EXPECT_EQ(FileFingerprint(dir_ / "config.ini"), ConfigPrint("800x600"));

    IniFile profile(dir_ / "Profiles\\anna\\profile.cvp");
    ProfileStore::Values values = ProfileStore::Read(profile);
    values.name = std::string(200, 'A');
    EXPECT_EQ(ErrorOf([&] { ProfileStore::Save(profile, values); }),
              "Unable to write to " + dir_ / "Profiles\\anna\\profile.cvp");
    EXPECT_EQ(FileFingerprint(dir_ / "Profiles\\anna\\profile.cvp"), FingerprintOf(Profile("Anna")));
    EXPECT_EQ(Strays(dir_.Path()), std::vector<std::string>{});
    EXPECT_EQ(Strays(dir_ / "Profiles\\anna"), std::vector<std::string>{});
    TearDown();
    mounted_ = false;
  }
}

// The writer fails after half the text: the file stays, and the new file
// goes with the failure.
TEST(FileSave, AWriteThatFailsHalfwayLeavesTheFileAndNoNewOne) {
  TempFolder dir("halfway");
  const std::string path = dir / "config.ini";
  WriteBytes(path, Config("800x600"));
  const std::string text = Config("1920x1080");
  const auto halfway = [&](HANDLE file) { return WriteAll(file, text.data(), text.size() / 2) && false; };
  EXPECT_EQ(SaveFile(ToWide(path), halfway, AtLink::Follow), SaveResult::Failed);
  EXPECT_EQ(FileFingerprint(path), ConfigPrint("800x600"));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"config.ini"});
}

// What the game relies on stays: the file's attributes, its name as the
// file system spells it, a link that leads elsewhere (written where it
// leads), and another hard link (refused, nothing written).
TEST(FileSave, ASaveKeepsWhatTheFileIs) {
  TempFolder dir("keeps");
  const std::string hidden = dir / "Config.INI";
  WriteBytes(hidden, Config("800x600"));
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  IniFile(dir / "config.ini").WriteString("Graphics", "Resolution", "1920x1080");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"Config.INI"});
  EXPECT_EQ(FileFingerprint(hidden), ConfigPrint("1920x1080"));
  EXPECT_EQ(Attributes(hidden), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  const std::string players = dir / "players.ini";
  WriteBytes(players, Config("800x600"));
  wineunix::MakeFileLink(dir / "linked.ini", players);
  IniFile(dir / "linked.ini").WriteString("Graphics", "Resolution", "1920x1080");
  EXPECT_EQ(FileFingerprint(players), ConfigPrint("1920x1080"));
  wineunix::RunUnix("test -L " + wineunix::Quoted(wineunix::UnixPath(dir.Path()) + "/linked.ini") + " && touch " +
                    wineunix::Quoted(wineunix::UnixPath(dir.Path()) + "/still a link"));
  EXPECT_TRUE(Exists(dir / "still a link"));

  ASSERT_TRUE(CreateHardLinkA((dir / "twin.ini").c_str(), players.c_str(), nullptr));
  EXPECT_EQ(ErrorOf([&] { IniFile(dir / "twin.ini").WriteString("Graphics", "Resolution", "800x600"); }),
            "Unable to write to " + dir / "twin.ini" +
                ": the file has other hard links, and a save would part it from them");
  EXPECT_EQ(FileFingerprint(players), ConfigPrint("1920x1080"));
}

// A program that saves in a loop, ended at varied moments: each time the
// file holds the old text or the new one, whole. A new file that a killed
// save left behind goes with the next save.
TEST(FileSave, AKilledSaveLeavesTheOldTextOrTheNew) {
  TempFolder dir("killed");
  const std::string path = dir / "config.ini";
  WriteBytes(path, Config("800x600"));
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string(self);
  command = "\"" + command.substr(0, command.rfind('\\')) + "\\save_loop.exe\" \"" + path + "\"";
  std::minstd_rand random(7);
  for (int kill = 0; kill < 120; ++kill) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = command;
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    // The loop starts after about 15 ms, and a save takes one or two.
    Sleep(10 + random() % 40);
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string now = ReadBytes(path);
    ASSERT_TRUE(now == Config("800x600") || now == Config("1920x1080"))
        << "after kill " << kill << ": " << now.size() << " bytes";
  }
  IniFile(path).WriteString("Graphics", "Resolution", "640x480");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"config.ini"});
}

}  // namespace
