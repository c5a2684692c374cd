// The program's file layers against hostile input under Wine: config.ini and
// profile.cvp files of every bad shape, avatars that are no pictures, profile
// folders that are no plain folders. The files come from scripts/make-hostile
// (built into <build>/hostile, named by CANTIVOX_HOSTILE); each table below
// names every file of its folder, so a file added to the script without an
// expectation fails here. Whatever a layer does not own must keep every byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ProfileStore.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"
#include "toolkit/IniFile.h"
#include "toolkit/WideText.h"
#include "toolkit/Picture.h"
#include "Support.h"

namespace {

// The ANSI spelling of a path the program keeps wide, for the helpers here,
// which name files within the code page.
std::string Ansi(const std::wstring& path) { return FromWide(path); }


using namespace support;

// ---- Files -------------------------------------------------------------------

std::string CorpusDir(const std::string& folder) {
  const char* root = std::getenv("CANTIVOX_HOSTILE");
  if (!root || !*root) throw std::runtime_error("CANTIVOX_HOSTILE is not set; ctest sets it");
  std::string path = std::string(root) + "\\" + folder;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Every file below a folder with its fingerprint.
std::map<std::string, Fingerprint> TreeFingerprints(const std::string& dir) {
  std::map<std::string, Fingerprint> tree;
  std::function<void(const std::string&)> walk = [&](const std::string& at) {
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA((at + "\\*").c_str(), &entry));
    if (!find) return;
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        walk(at + "\\" + name);
      else
        tree[at.substr(dir.size()) + "\\" + name] = FileFingerprint(at + "\\" + name);
    } while (FindNextFileA(find.Get(), &entry));
  };
  walk(dir);
  return tree;
}

// ---- config.ini ----------------------------------------------------------------

// What the configuration window reads from each file: "Screens" and
// "UpdateChannel" as integers (defaults -1 and 0), the rest as text.
struct ConfigCase {
  const char* file;
  int screens;
  std::string fullScreen;
  std::string resolution;
  std::string songs;
  int channel;
};

const ConfigCase kGame{"", 2, "Off", "1280x1024", "D:\\Karaoke\\Songs", 1};
const ConfigCase kNothing{"", -1, "", "", "Default", 0};

ConfigCase Like(const char* file, ConfigCase values) {
  values.file = file;
  return values;
}

const ConfigCase kConfigCases[] = {
    Like("binary-around-keys.ini", kGame),
    Like("binary.ini", kNothing),
    Like("bom-only.ini", kNothing),
    Like("cr-only.ini", kGame),
    Like("ctrl-z.ini", kGame),
    {"duplicates.ini", 2, "", "1280x1024", "first", 1},
    Like("empty.ini", kNothing),
    Like("huge-10mb.ini", kGame),
    Like("lf-only.ini", kGame),
    {"long-lines.ini", 2, "", std::string(2047, '9'), "D:\\" + std::string(2044, 's'), 0},
    Like("no-final-line-end.ini", kGame),
    Like("no-line-ends.ini", kNothing),
    {"nul-bytes.ini", 2, "", "1280", "D:\\Kara", 0},
    {"other-case.ini", 2, "oFF", "1280X1024", "D:\\Karaoke\\Songs", 1},
    // Past the size of any real config.ini: read as no file, never written.
    Like("too-big-17mb.ini", kNothing),
    Like("utf16be-bom.ini", kGame),
    Like("utf16le-bom.ini", kGame),
    Like("utf8-bom.ini", kGame),
};

// The keys a Save writes, in its order (scripts/make-hostile states each
// file's bytes after them). The songs folder holds a letter of the ANSI code
// page that a Unicode file must store as that letter.
struct Write {
  const char* section;
  const char* key;
  std::string value;
};
const Write kWrites[] = {
    {"Graphics", "Resolution", "640x480"},
    {"Path", "Songs", "E:\\Neue Lieder \xC4"},
    {"Graphics", "FullScreen", "On"},
    {"Graphics", "Screens", "1"},
    {"Net", "UpdateChannel", "0"},
};

TEST(HostileConfig, EveryFileHasItsExpectation) {
  std::vector<std::string> known;
  for (const ConfigCase& c : kConfigCases) known.push_back(c.file);
  EXPECT_EQ(FileNames(CorpusDir("config")), known);
}

TEST(HostileConfig, ReadAsTheGameWroteThemAndWrittenKeyByKey) {
  TempFolder install("config");
  const std::string path = install.Path() + "\\config.ini";
  for (const ConfigCase& c : kConfigCases) {
    SCOPED_TRACE(c.file);
    const std::string original = ReadBytes(CorpusDir("config") + "\\" + c.file);
    WriteBytes(path, original);
    {
      IniFile ini(path);
      EXPECT_EQ(ini.ReadInteger("Graphics", "Screens", -1), c.screens);
      EXPECT_EQ(ini.ReadString("Graphics", "FullScreen", ""), c.fullScreen);
      EXPECT_EQ(ini.ReadString("Graphics", "Resolution", ""), c.resolution);
      EXPECT_EQ(ini.ReadString("Path", "Songs", "Default"), c.songs);
      EXPECT_EQ(ini.ReadInteger("Net", "UpdateChannel", 0), c.channel);
    }
    EXPECT_EQ(FileFingerprint(path), FingerprintOf(original)) << "reading changed the file";

    IniFile ini(path);
    if (original.size() > static_cast<size_t>(kMaxIniFileSize)) {
      for (const Write& w : kWrites)
        EXPECT_EQ(ErrorOf([&] { ini.WriteString(w.section, w.key, w.value); }), "Unable to write to " + path);
      EXPECT_EQ(FileFingerprint(path), FingerprintOf(original));
      continue;
    }
    for (const Write& w : kWrites) ini.WriteString(w.section, w.key, w.value);
    for (const Write& w : kWrites) EXPECT_EQ(ini.ReadString(w.section, w.key, "(missing)"), w.value) << w.key;
    EXPECT_EQ(FileFingerprint(path), FileFingerprint(CorpusDir("config-written") + "\\" + c.file))
        << "more than the written keys changed";
  }
}

TEST(HostileConfig, AFileHeldByAnotherProgramReadsAsNoneAndRefusesWrites) {
  TempFolder install("held-config");
  const std::string path = install.Path() + "\\config.ini";
  const std::string original = ReadBytes(CorpusDir("config") + "\\lf-only.ini");
  WriteBytes(path, original);
  {
    const FileHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Path", "Songs", "Default"), "Default");
    EXPECT_EQ(ErrorOf([&] { ini.WriteString("Path", "Songs", "E:\\Songs"); }), "Unable to write to " + path);
    ini.DeleteKey("Graphics", "Screens");
  }
  EXPECT_EQ(FileFingerprint(path), FingerprintOf(original));
}

// ---- profile.cvp ---------------------------------------------------------------

struct ProfileCase {
  const char* file;
  std::string listed;  // the name the profile list shows
  std::string name, login;
  bool locked;
};

const std::string kNotFound = ProfileStore::kNameNotFound;

const ProfileCase kProfileCases[] = {
    {"binary-around-keys.cvp", "Anna", "Anna", "anna", true},
    {"binary.cvp", kNotFound, "", "", false},
    {"cr-only.cvp", "Anna", "Anna", "anna", true},
    // Only the first section of a name counts, and in it the first key.
    {"duplicates.cvp", "First", "First", "", false},
    {"empty.cvp", kNotFound, "", "", false},
    {"huge-10mb.cvp", "Anna", "Anna", "anna", true},
    {"long-lines.cvp", std::string(2047, 'N'), std::string(2047, 'N'), std::string(2047, 'l'), false},
    {"no-line-ends.cvp", kNotFound, "", "", false},
    {"normal.cvp", "Anna", "Anna", "anna", true},
    {"nul-bytes.cvp", "Ann", "Ann", "", true},
    // Names of keys in any case; the lock only for exactly "yes".
    {"other-case.cvp", "Caps", "Caps", "caps", false},
    {"utf16le-bom.cvp", "Zo\xEB", "Zo\xEB", "zoe", true},
    {"utf8-bom.cvp", "Anna", "Anna", "anna", true},
};

std::string Stem(const std::string& file) { return file.substr(0, file.rfind('.')); }

TEST(HostileProfiles, EveryFileHasItsExpectation) {
  std::vector<std::string> known;
  for (const ProfileCase& c : kProfileCases) known.push_back(c.file);
  EXPECT_EQ(FileNames(CorpusDir("profile")), known);
}

TEST(HostileProfiles, ListedReadAndSavedWithoutTouchingTheRest) {
  TempFolder install("profiles");
  CreateDirectoryA(Ansi(ProfileStore::ProfilesDir(install.Path())).c_str(), nullptr);
  std::map<std::string, std::string> originals;
  for (const ProfileCase& c : kProfileCases) {
    const std::string folder = Stem(c.file);
    CreateDirectoryA((Ansi(ProfileStore::ProfilesDir(install.Path())) + "\\" + folder).c_str(), nullptr);
    originals[folder] = ReadBytes(CorpusDir("profile") + "\\" + c.file);
    WriteBytes(Ansi(ProfileStore::ProfileFile(install.Path(), ToWide(folder))), originals[folder]);
  }

  std::map<std::string, std::string> listed;
  for (const auto& entry : ProfileStore::Enumerate(install.Path())) listed[Ansi(entry.folder)] = entry.name;
  for (const ProfileCase& c : kProfileCases) {
    SCOPED_TRACE(c.file);
    const std::string folder = Stem(c.file);
    const std::string file = Ansi(ProfileStore::ProfileFile(install.Path(), ToWide(folder)));
    EXPECT_EQ(listed[folder], c.listed);

    IniFile ini(file);
    ProfileStore::Values values = ProfileStore::Read(ini);
    EXPECT_EQ(values.name, c.name);
    EXPECT_EQ(values.login, c.login);
    EXPECT_EQ(values.locked, c.locked);
    EXPECT_EQ(FileFingerprint(file), FingerprintOf(originals[folder])) << "reading changed the file";

    // Saved back as the editor hands it over: the owned keys are written and
    // "avatar" goes; every other byte stays.
    EXPECT_EQ(ProfileStore::Save(ini, values), ProfileStore::SaveOutcome::Saved);
    EXPECT_EQ(FileFingerprint(file), FileFingerprint(CorpusDir("profile-saved") + "\\" + c.file));
  }
}

// ---- Avatars -------------------------------------------------------------------

TEST(HostileAvatars, OnlyThePictureLoadsAndEveryOtherFileIsAJpegError) {
  const std::string dir = CorpusDir("avatar");
  const std::vector<std::string> names = FileNames(dir);
  ASSERT_EQ(names.size(), 14u) << "scripts/make-hostile writes 14 avatars";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = dir + "\\" + name;
    const Fingerprint before = FileFingerprint(path);
    const std::string error = ErrorOf([&] { Picture::FromFile(path, 100, 100); });
    if (name == "valid.jpg")
      EXPECT_EQ(error, "(no error)");
    else
      EXPECT_TRUE(error.starts_with("JPEG error #") && error.size() > 12 &&
                  error.find_first_not_of("0123456789", 12) == std::string::npos)
          << error;
    EXPECT_EQ(FileFingerprint(path), before);
  }
}

// ---- Profile folders that are no plain folders ---------------------------------

// Opens a file or folder as another program holding it would: nobody else may
// read, write or delete it meanwhile.
FileHandle HoldExclusively(const std::string& path) {
  return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
}

class HostileFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(Profiles().c_str(), nullptr);
    MakeProfile("plain", "[profile]\r\nname=Plain\r\n");
    WriteBytes(Profiles() + "\\a-file", "[profile]\r\nname=File\r\n");
    MakeProfile("hidden", "[profile]\r\nname=Hidden\r\n");
    SetFileAttributesA(Folder("hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    MakeProfile("system", "[profile]\r\nname=System\r\n");
    SetFileAttributesA(Folder("system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA(Folder("cvp-is-folder").c_str(), nullptr);
    CreateDirectoryA(Ansi(ProfileStore::ProfileFile(install_.Path(), L"cvp-is-folder")).c_str(), nullptr);
    MakeProfile("held", "[profile]\r\nname=Held\r\n");

    // A folder elsewhere that the user keeps, linked in as a profile.
    CreateDirectoryA(Elsewhere().c_str(), nullptr);
    WriteBytes(Elsewhere() + "\\profile.cvp", "[profile]\r\nname=Linked\r\n");
    WriteBytes(Elsewhere() + "\\avatar.jpg", "the user's own picture");
    CreateDirectoryA((Elsewhere() + "\\photos").c_str(), nullptr);
    WriteBytes(Elsewhere() + "\\photos\\holiday.jpg", "more of the user's pictures");
    wineunix::MakeDirectoryLink(Folder("linked"), Elsewhere());
    wineunix::MakeDirectoryLink(Folder("dangling"), install_.Path() + "\\nowhere");
  }

  std::string Profiles() const { return Ansi(ProfileStore::ProfilesDir(install_.Path())); }
  std::string Folder(const std::string& name) const { return Profiles() + "\\" + name; }
  std::string Elsewhere() const { return elsewhere_.Path() + "\\kept"; }
  void MakeProfile(const std::string& folder, const std::string& text) {
    CreateDirectoryA(Folder(folder).c_str(), nullptr);
    WriteBytes(Ansi(ProfileStore::ProfileFile(install_.Path(), ToWide(folder))), text);
  }
  std::map<std::string, std::string> Listed() const {
    std::map<std::string, std::string> listed;
    for (const auto& entry : ProfileStore::Enumerate(install_.Path())) listed[Ansi(entry.folder)] = entry.name;
    return listed;
  }
  void Delete(const std::string& folder) {
    ProfileStore::Delete(install_.Path(), ToWide(folder), [](const HeldFolder& held) { (void)ClearHeldFolder(held); });
  }

  TempFolder install_{"folders"};
  TempFolder elsewhere_{"elsewhere"};
};

TEST_F(HostileFolders, OnlyVisibleFoldersAreListedAndUnreadableOnesHaveNoName) {
  const FileHandle held = HoldExclusively(Ansi(ProfileStore::ProfileFile(install_.Path(), L"held")));
  ASSERT_TRUE(held);
  const std::map<std::string, std::string> expected = {
      {"cvp-is-folder", kNotFound}, {"held", kNotFound}, {"linked", "Linked"}, {"plain", "Plain"}};
  EXPECT_EQ(Listed(), expected);
}

TEST_F(HostileFolders, SavingWhereNoProfileFileCanBeWrittenReportsTheFile) {
  const FileHandle held = HoldExclusively(Ansi(ProfileStore::ProfileFile(install_.Path(), L"held")));
  ASSERT_TRUE(held);
  for (const char* folder : {"held", "cvp-is-folder"}) {
    SCOPED_TRACE(folder);
    const std::string file = Ansi(ProfileStore::ProfileFile(install_.Path(), ToWide(folder)));
    IniFile ini(file);
    ProfileStore::Values values = ProfileStore::Read(ini);
    EXPECT_EQ(values.name, "");
    values.name = "New";
    EXPECT_EQ(ErrorOf([&] { ProfileStore::Save(ini, values); }), "Unable to write to " + file);
  }
}

// Deleting a profile whose folder is a link must not reach through it: the
// files lie outside the game's folder and belong to the user.
TEST_F(HostileFolders, DeletingALinkedProfileLeavesWhatItLinksTo) {
  const auto before = TreeFingerprints(Elsewhere());
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(ErrorOf([&] { Delete("linked"); }),
            "Cannot delete the profile folder \"linked\": it is a link to another folder, and the files there "
            "are not the profile's to delete. Remove the link yourself if the profile is to go");
  EXPECT_EQ(TreeFingerprints(Elsewhere()), before);
  EXPECT_EQ(Listed().count("linked"), 1u);

  // Windows reads "plain." as "plain": that profile must keep its files.
  EXPECT_EQ(ErrorOf([&] { Delete("plain."); }),
            "Cannot delete the profile folder \"plain.\": Windows cannot address it by this name. Rename or delete "
            "it yourself in a file manager");
  EXPECT_EQ(Listed().count("plain"), 1u);

  // A link inside a profile folder is not followed either.
  MakeProfile("with-link", "[profile]\r\nname=With link\r\n");
  wineunix::MakeDirectoryLink(Folder("with-link") + "\\photos", Elsewhere() + "\\photos");
  EXPECT_EQ(ErrorOf([&] { Delete("with-link"); }), "(no error)");
  EXPECT_EQ(TreeFingerprints(Elsewhere()), before);
}

TEST_F(HostileFolders, DeletingAHeldProfileLeavesItListed) {
  const FileHandle held = HoldExclusively(Folder("held"));
  ASSERT_TRUE(held);
  EXPECT_EQ(ErrorOf([&] { Delete("held"); }), "(no error)");
  EXPECT_EQ(Listed().count("held"), 1u);
  Delete("cvp-is-folder");
  Delete("plain");
  EXPECT_EQ(Listed(), (std::map<std::string, std::string>{{"held", "Held"}, {"linked", "Linked"}}));
}

}  // namespace
