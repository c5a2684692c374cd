#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ProfileStore.h"
#include "Support.h"
#include "core/Random.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/Error.h"
#include "toolkit/WideText.h"

namespace ProfileStore {
// Found by GoogleTest through the argument's namespace.
void PrintTo(const Entry& entry, std::ostream* out) {
  *out << '{' << entry.name << ", " << FromWide(entry.folder, CP_UTF8) << '}';
}
}  // namespace ProfileStore

namespace {

using ProfileStore::Entry;
using ProfileStore::SaveOutcome;
using ProfileStore::Values;

using namespace support;

// An installation directory of its own for each test, with or without its
// Profiles folder.
class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeDir(Profiles()); }

  std::string Profiles() const { return install_ + "\\Profiles"; }
  std::string Folder(const std::string& name) const { return Profiles() + "\\" + name; }
  std::string File(const std::string& folder) const { return Folder(folder) + "\\profile.cvp"; }

  // A profile folder with a profile file holding `text`.
  void MakeProfile(const std::string& folder, const std::string& text) {
    MakeDir(Folder(folder));
    WriteBytes(File(folder), text);
  }

  std::vector<Entry> SortedProfiles() const {
    auto entries = ProfileStore::Enumerate(install_);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.folder < b.folder; });
    return entries;
  }

  TempFolder scratch_{"profiles"};
  const std::string install_ = scratch_.Path();
};

TEST_F(ProfileStoreTest, EnumerationListsProfileFoldersOnly) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\n");
  MakeProfile("twin", "[profile]\r\nname=Anna\r\n");
  MakeProfile("noname", "[profile]\r\nlogin=x\r\n[other]\r\nname=Wrong\r\n");
  MakeDir(Folder("nofile"));
  WriteBytes(Folder("plain.cvp"), "[profile]\r\nname=File\r\n");
  for (DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    const std::string folder = attribute == FILE_ATTRIBUTE_HIDDEN ? "hidden" : "system";
    MakeProfile(folder, "[profile]\r\nname=Secret\r\n");
    ASSERT_TRUE(SetFileAttributesA(Folder(folder).c_str(), FILE_ATTRIBUTE_DIRECTORY | attribute));
    ASSERT_TRUE(GetFileAttributesA(Folder(folder).c_str()) & attribute) << "the platform must keep the bit";
  }

  const std::vector<Entry> expected = {
      {"Anna", L"anna"},
      {"Error - Name not found", L"nofile"},
      {"Error - Name not found", L"noname"},
      {"Anna", L"twin"},
  };
  EXPECT_EQ(SortedProfiles(), expected);
}

// Two folders whose names differ in a letter outside the code page: each is
// listed, read and deleted by its own name, never through the other's.
TEST_F(ProfileStoreTest, FoldersThatDifferBeyondTheCodePageStayApart) {
  const std::wstring lukasz = L"\u0141ukasz";  // Łukasz
  ASSERT_TRUE(CreateDirectoryW(ToWide(Folder("")).append(lukasz).c_str(), nullptr));
  const std::string text = "[profile]\r\nname=Lukasz from Lodz\r\n";
  HANDLE file = CreateFileW(ProfileStore::ProfileFile(install_, lukasz).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, 0, nullptr);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  CloseHandle(file);
  MakeProfile("Lukasz", "[profile]\r\nname=Lukasz\r\n");
  EXPECT_EQ(SortedProfiles(), (std::vector<Entry>{{"Lukasz", L"Lukasz"}, {"Lukasz from Lodz", lukasz}}));
  EXPECT_EQ(ProfileStore::Read(IniFile(ProfileStore::ProfileFile(install_, lukasz))).name, "Lukasz from Lodz");
  ProfileStore::Delete(install_, lukasz, [](const HeldFolder& held) { EXPECT_TRUE(ClearHeldFolder(held).Complete()); });
  EXPECT_EQ(SortedProfiles(), (std::vector<Entry>{{"Lukasz", L"Lukasz"}}));
}

TEST_F(ProfileStoreTest, EnumerationWithoutProfilesFolderIsEmpty) {
  ASSERT_TRUE(RemoveDirectoryA(Profiles().c_str()));
  EXPECT_TRUE(ProfileStore::Enumerate(install_).empty());
  EXPECT_TRUE(ProfileStore::Enumerate(install_ + "\\missing").empty());
}

TEST_F(ProfileStoreTest, NewFolderTakesNumbersFromTheProgramsGenerator) {
  struct Case {
    const char* name;
    std::vector<const char*> existing;
    const char* folder;
  } cases[] = {
      {"Anna", {}, "Anna"},
      {"Anna", {"Anna"}, "Anna0"},
      {"Anna", {"Anna", "Anna0"}, "Anna67387906"},
      // The folder of all profiles always exists: a number alone.
      {"", {}, "0"},
      // "COM0" is a device: the next number is drawn instead.
      {"COM", {"COM"}, "COM67387906"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* folder : c.existing) MakeDir(Folder(folder));
    SetRandomSeed(0);
    EXPECT_EQ(ProfileStore::NewProfileFile(install_, c.name), ToWide(File(c.folder)));
    ProfileStore::CreateProfileFolder(ToWide(File(c.folder)));
    EXPECT_TRUE(Exists(Folder(c.folder)));
    ClearDirectoryTree(Profiles());
  }
  // Without a clash nothing is drawn.
  SetRandomSeed(12345);
  ProfileStore::NewProfileFile(install_, "Fresh");
  EXPECT_EQ(RandomSeed(), 12345u);
}

TEST_F(ProfileStoreTest, NameThatIsNoFolderNameIsRefusedBeforeAnythingIsCreated) {
  MakeDir(Folder("Anna"));
  for (const char* name : {"..", ".", "..\\..\\Evil", "a/b", "C:\\Evil", "Anna.", "Anna ", "CON", "nul.txt",
                           "LPT1", "who?", "a|b", "tab\tname"}) {
    EXPECT_THROW(ProfileStore::NewProfileFile(install_, name), Error) << name;
    EXPECT_FALSE(ProfileStore::NewProfileNameProblem(name).empty()) << name;
  }
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((install_ + "\\*").c_str(), &data);
  std::vector<std::string> names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Profiles"}));
}

TEST_F(ProfileStoreTest, CreatingAFolderMakesOneLevelOnly) {
  ASSERT_TRUE(RemoveDirectoryA(Profiles().c_str()));
  const std::wstring file = ProfileStore::NewProfileFile(install_, "Anna");
  ProfileStore::CreateProfileFolder(file);
  EXPECT_FALSE(Exists(Profiles()));
  // The first write then tells.
  IniFile ini(file);
  Values values{"Anna", "", false, "", L""};
  try {
    ProfileStore::Save(ini, values);
    FAIL() << "saved into a missing folder";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + FromWide(file));
  }
}

TEST_F(ProfileStoreTest, ReadingForTheEditor) {
  struct Case {
    const char* text;
    Values expected;
  } cases[] = {
      {"[profile]\r\nname=Anna\r\nlogin=anna1\r\nlocked=yes\r\navatar=avatar.jpg\r\n",
       {"Anna", "anna1", true, "avatar.jpg", L""}},
      {"[PROFILE]\r\nNAME=Upper\r\nLocked=no\r\n", {"Upper", "", false, "", L""}},
      {"[profile]\r\nlocked=Yes\r\n", {"", "", false, "", L""}},
      {"[profile]\r\nlocked=YES\r\n", {"", "", false, "", L""}},
      {"[profile]\r\nlocked=\r\nname=\r\n", {"", "", false, "", L""}},
      {"[other]\r\nname=Elsewhere\r\nlocked=yes\r\n", {"", "", false, "", L""}},
      {"", {"", "", false, "", L""}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string folder = "p" + std::to_string(n++);
    MakeProfile(folder, c.text);
    const Values values = ProfileStore::Read(IniFile(File(folder)));
    EXPECT_EQ(values.name, c.expected.name);
    EXPECT_EQ(values.login, c.expected.login);
    EXPECT_EQ(values.locked, c.expected.locked);
    EXPECT_EQ(values.avatarName, c.expected.avatarName);
    EXPECT_TRUE(values.avatarPath.empty());
  }
  // A folder without a file reads as one without keys.
  MakeDir(Folder("empty"));
  EXPECT_EQ(ProfileStore::Read(IniFile(File("empty"))).name, "");
}

TEST_F(ProfileStoreTest, SavingKeepsEverythingElseOfTheFile) {
  MakeProfile("anna",
              "; written by the game\r\n"
              "[game]\r\nscore=120\r\nname=NotThis\r\n"
              "[profile]\r\nname=Anna\r\nlevel=7\r\nlocked=YES\r\nlogin=old\r\nextra=keep me\r\n"
              "[stats]\r\nsongs=3\r\n");
  IniFile ini(File("anna"));
  Values values = ProfileStore::Read(ini);
  EXPECT_FALSE(values.locked);
  values.name = "Anna B";
  EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);

  EXPECT_EQ(ReadBytes(File("anna")),
            "; written by the game\r\n"
            "[game]\r\nscore=120\r\nname=NotThis\r\n"
            "[profile]\r\nname=Anna B\r\nlevel=7\r\nlocked=no\r\nlogin=old\r\nextra=keep me\r\n"
            "[stats]\r\nsongs=3\r\n");
}

TEST_F(ProfileStoreTest, NewProfileWithoutPictureHasNoAvatarKey) {
  MakeDir(Folder("new"));
  IniFile ini(File("new"));
  Values values{"New", "login", true, "", L""};
  EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);
  EXPECT_EQ(ReadBytes(File("new")), "[profile]\r\nname=New\r\nlogin=login\r\nlocked=yes\r\n");
}

TEST_F(ProfileStoreTest, ChosenPictureIsCopiedAsAvatarJpg) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\navatar=old.jpg\r\n");
  WriteBytes(Folder("anna") + "\\old.jpg", "old picture");
  WriteBytes(install_ + "\\chosen.jpeg", "chosen picture");
  IniFile ini(File("anna"));
  Values values = ProfileStore::Read(ini);
  values.avatarPath = ToWide(install_ + "\\chosen.jpeg");
  EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);
  EXPECT_EQ(values.avatarName, "avatar.jpg");
  EXPECT_EQ(ReadBytes(Folder("anna") + "\\avatar.jpg"), "chosen picture");
  EXPECT_EQ(IniFile(File("anna")).ReadString("profile", "avatar", "-"), "avatar.jpg");
  // A stored picture under another name stays where it was.
  EXPECT_EQ(ReadBytes(Folder("anna") + "\\old.jpg"), "old picture");
}

// The stored avatar kept as it is, also under another spelling of its name:
// never copied onto itself.
TEST_F(ProfileStoreTest, StoredAvatarInPlaceWritesNothingForIt) {
  for (const std::string stored : {"avatar.jpg", "AVATAR.JPG"}) {
    SCOPED_TRACE(stored);
    RemoveTree(Folder("anna"));
    MakeProfile("anna", "[profile]\r\nname=Anna\r\navatar=" + stored + "\r\n");
    WriteBytes(Folder("anna") + "\\avatar.jpg", "picture");
    IniFile ini(File("anna"));
    Values values = ProfileStore::Read(ini);
    values.avatarPath = ToWide(Folder("anna") + "\\" + stored);
    EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);
    EXPECT_EQ(ReadBytes(Folder("anna") + "\\avatar.jpg"), "picture");
    EXPECT_EQ(IniFile(File("anna")).ReadString("profile", "avatar", "-"), "avatar.jpg");
  }
}

TEST_F(ProfileStoreTest, RemovedAvatarLosesKeyAndFile) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\navatar=avatar.jpg\r\nafter=1\r\n");
  WriteBytes(Folder("anna") + "\\avatar.jpg", "picture");
  IniFile ini(File("anna"));
  Values values = ProfileStore::Read(ini);
  EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);
  EXPECT_FALSE(Exists(Folder("anna") + "\\avatar.jpg"));
  EXPECT_FALSE(IniFile(File("anna")).ValueExists("profile", "avatar"));
  EXPECT_EQ(IniFile(File("anna")).ReadString("profile", "after", "-"), "1");
}

TEST_F(ProfileStoreTest, StoredAvatarNameOutsideTheFolderIsNeverDeleted) {
  WriteBytes(install_ + "\\victim.jpg", "not ours");
  WriteBytes(Profiles() + "\\victim.jpg", "not ours");
  for (const std::string& stored : {std::string("..\\victim.jpg"), std::string("..\\..\\victim.jpg"),
                                   install_ + "\\victim.jpg", std::string("..")}) {
    SCOPED_TRACE(stored);
    RemoveTree(Folder("anna"));
    MakeProfile("anna", "[profile]\r\nname=Anna\r\navatar=" + stored + "\r\n");
    IniFile ini(File("anna"));
    Values values = ProfileStore::Read(ini);
    ASSERT_EQ(values.avatarName, stored);
    EXPECT_FALSE(ProfileStore::StoredAvatarPath(ToWide(File("anna")), values.avatarName));
    EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::Saved);
    EXPECT_FALSE(IniFile(File("anna")).ValueExists("profile", "avatar"));
    EXPECT_TRUE(Exists(install_ + "\\victim.jpg"));
    EXPECT_TRUE(Exists(Profiles() + "\\victim.jpg"));
    EXPECT_TRUE(Exists(Folder("anna")));
    RemoveTree(Folder("anna"));
  }
}

TEST_F(ProfileStoreTest, FailedCopyDropsTheAvatarKeyAndKeepsTheOtherValues) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\nlocked=no\r\navatar=avatar.jpg\r\n");
  IniFile ini(File("anna"));
  Values values = ProfileStore::Read(ini);
  values.name = "Renamed";
  values.locked = true;
  values.avatarPath = ToWide(install_ + "\\gone.jpg");
  EXPECT_EQ(ProfileStore::Save(ini, values), SaveOutcome::AvatarNotCopied);
  EXPECT_EQ(values.avatarName, "");
  EXPECT_EQ(ReadBytes(File("anna")), "[profile]\r\nname=Renamed\r\nlocked=yes\r\nlogin=\r\n");
  EXPECT_STREQ(ProfileStore::kAvatarCopyFailed, "Cannot copy avatar file to profile folder!");
}

TEST_F(ProfileStoreTest, LineBreakInAValueWritesNothing) {
  const std::string before = "[profile]\r\nname=Anna\r\nlogin=anna\r\n";
  MakeProfile("anna", before);
  IniFile ini(File("anna"));
  for (Values values : {Values{"Anna", "two\r\nlines", false, "", L""}, Values{"new\nname", "anna", true, "", L""}}) {
    EXPECT_THROW(ProfileStore::Save(ini, values), Error);
    EXPECT_EQ(ReadBytes(File("anna")), before);
  }
}

TEST_F(ProfileStoreTest, DeletingEmptiesAndRemovesTheFolder) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\n");
  MakeDir(Folder("anna") + "\\sub");
  WriteBytes(Folder("anna") + "\\sub\\deep.txt", "x");
  WriteBytes(Folder("anna") + "\\avatar.jpg", "x");
  SetFileAttributesA((Folder("anna") + "\\avatar.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
  MakeProfile("bert", "[profile]\r\nname=Bert\r\n");

  int cleared = 0;
  ProfileStore::Delete(install_, L"anna", [&](const HeldFolder& held) {
    ++cleared;
    EXPECT_TRUE(ClearHeldFolder(held).Complete());
  });
  EXPECT_EQ(cleared, 1);
  EXPECT_FALSE(Exists(Folder("anna")));
  EXPECT_EQ(SortedProfiles(), (std::vector<Entry>{{"Bert", L"bert"}}));
}

TEST_F(ProfileStoreTest, DeleteThatLeavesSomethingBehindIsSilent) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\n");
  EXPECT_NO_THROW(ProfileStore::Delete(install_, L"anna", [](const HeldFolder&) {}));
  EXPECT_EQ(SortedProfiles(), (std::vector<Entry>{{"Anna", L"anna"}}));
}

TEST_F(ProfileStoreTest, FolderNameWindowsReadsAsAnotherPathIsNotCleared) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\n");
  for (const wchar_t* folder : {L"", L".", L"..", L"anna.", L"ann?", L"*", L"..\\Profiles"}) {
    bool cleared = false;
    EXPECT_THROW(ProfileStore::Delete(install_, folder, [&](const HeldFolder&) { cleared = true; }), Error)
        << FromWide(folder);
    EXPECT_FALSE(cleared) << FromWide(folder);
  }
  EXPECT_TRUE(Exists(File("anna")));
}

}  // namespace
