// The real program against hostile input, driven from outside under Wine:
// the generated config.ini and profile.cvp files, avatars that are no
// pictures, profile folders that are no plain folders, registry values of the
// wrong kind, and installation directories that are awkward to name. For
// each: no crash, the specified message or a clear one, and every byte that
// the operation does not own unchanged (compared by fingerprint).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../win/Support.h"
#include "Driver.h"
#include "ToolFixture.h"
#include "ToolWindows.h"

namespace {

using ui::kMainCaption;
using ui::kTitle;
const char* const kNotFound = ui::kNameNotFound;
const char kCannotLoad[] = "Cannot load avatar.";
using ui::Sorted;
using ui::Strings;

std::string Corpus(const std::string& folder) { return ui::Join(ui::EnvPath("CANTIVOX_HOSTILE"), folder); }

using support::FileFingerprint;
using support::FileNames;
using support::Fingerprint;
using support::FingerprintOf;

// ---- The program and its windows ---------------------------------------------

using ui::ConfigureWindow;
using ManagerWindow = ui::ProfileManagerWindow;
using EditorWindow = ui::ProfileEditorWindow;

class HostileTest : public ui::ToolTest {
 protected:
  HostileTest() : ToolTest("hostile") {}

  std::string Label(const char* caption) { return ui::Label(Main(), caption); }
  // Opens the editor on a list entry; a box that shows first is answered by
  // `before`.
  EditorWindow Modify(const ManagerWindow& m, int index, const std::function<void()>& before = nullptr) {
    ui::ClickItem(m.list, index);
    ui::Click(m.Button("Modify"));
    if (before) before();
    return EditorWindow(Shoot(ui::WaitWindow(Pid(), "Profile")));
  }
};

// ---- config.ini ------------------------------------------------------------------

// What the configuration window shows for each generated file; the screen of
// the test display is 1024 x 768.
const ui::ConfigView kGame{"1280", "1024", false, 2, "D:\\Karaoke\\Songs", 1};
const ui::ConfigView& kDefaults = ui::kConfigDefaults;

const struct {
  const char* file;
  ui::ConfigView shown;
} kConfigViews[] = {
    {"binary-around-keys.ini", kGame},
    {"binary.ini", kDefaults},
    {"bom-only.ini", kDefaults},
    {"cr-only.ini", kGame},
    {"ctrl-z.ini", kGame},
    {"duplicates.ini", {"1280", "1024", true, 2, "first", 1}},
    {"empty.ini", kDefaults},
    {"huge-10mb.ini", kGame},
    {"lf-only.ini", kGame},
    // The resolution's first 2047 characters hold no "x": the screen size stays.
    {"long-lines.ini", {"1024", "768", true, 2, "D:\\" + std::string(2044, 's'), 0}},
    {"no-final-line-end.ini", kGame},
    {"no-line-ends.ini", kDefaults},
    {"nul-bytes.ini", {"1024", "768", true, 2, "D:\\Kara", 0}},
    {"other-case.ini", {"1280", "1024", false, 2, "D:\\Karaoke\\Songs", 1}},
    {"too-big-17mb.ini", kDefaults},
    {"utf16be-bom.ini", kGame},
    {"utf16le-bom.ini", kGame},
    {"utf8-bom.ini", kGame},
};

TEST_F(HostileTest, ConfigFilesShowWhatTheyHoldAndSaveOnlyTheFiveKeys) {
  Strings known;
  for (const auto& v : kConfigViews) known.push_back(v.file);
  ASSERT_EQ(FileNames(Corpus("config")), known) << "every generated file needs its expectation here";

  const std::string config = game_ / "config.ini";
  for (const auto& v : kConfigViews) {
    SCOPED_TRACE(v.file);
    const std::string original = ui::ReadFileBytes(ui::Join(Corpus("config"), v.file));
    ui::WriteFileBytes(config, original);
    const ConfigureWindow w = OpenConfigure();
    ExpectNoMessageBox();
    ui::ExpectShows(w, v.shown);

    ui::Click(w.Button("Save"));
    if (original.size() > (16 << 20)) {  // the program's size limit for INI files, seen from outside
      // Far larger than any config.ini: never rewritten, and Save says so.
      Acknowledge("Unable to write to " + config + ".", ui::Icon::Error);
      ui::Click(w.Button("Cancel"));
      ui::WaitGone(w.dialog);
      EXPECT_EQ(FileFingerprint(config), FingerprintOf(original));
      continue;
    }
    ui::WaitGone(w.dialog);
    EXPECT_EQ(FileFingerprint(config), FileFingerprint(ui::Join(Corpus("config-saved"), v.file)))
        << "more than the five keys changed";
  }
}

// ---- profile.cvp -----------------------------------------------------------------

struct ProfileView {
  const char* file;
  std::string name, login;
  bool locked;
};

const ProfileView kProfileViews[] = {
    {"binary-around-keys.cvp", "Anna", "anna", true},
    {"binary.cvp", "", "", false},
    {"cr-only.cvp", "Anna", "anna", true},
    {"duplicates.cvp", "First", "", false},
    {"empty.cvp", "", "", false},
    {"huge-10mb.cvp", "Anna", "anna", true},
    {"long-lines.cvp", std::string(2047, 'N'), std::string(2047, 'l'), false},
    {"no-line-ends.cvp", "", "", false},
    {"normal.cvp", "Anna", "anna", true},
    {"nul-bytes.cvp", "Ann", "", true},
    {"other-case.cvp", "Caps", "caps", false},
    {"utf16le-bom.cvp", "Zo\xEB", "zoe", true},
    {"utf8-bom.cvp", "Anna", "anna", true},
};

std::string Stem(const std::string& file) { return file.substr(0, file.rfind('.')); }

TEST_F(HostileTest, ProfileFilesAreListedEditedAndSavedKeepingTheRest) {
  Strings known, listed;
  for (const ProfileView& v : kProfileViews) {
    known.push_back(v.file);
    listed.push_back(v.name.empty() ? kNotFound : v.name);
  }
  ASSERT_EQ(FileNames(Corpus("profile")), known) << "every generated file needs its expectation here";

  std::map<std::string, std::string> originals;
  for (const ProfileView& v : kProfileViews) {
    originals[v.file] = ui::ReadFileBytes(ui::Join(Corpus("profile"), v.file));
    MakeProfile(Stem(v.file), originals[v.file]);
  }
  ManagerWindow m = OpenManager();
  EXPECT_EQ(Sorted(m.Items()), Sorted(listed));
  CloseManager(m);
  for (const ProfileView& v : kProfileViews) ui::RemoveTree(Folder(Stem(v.file)));

  // One at a time, so that the one list entry is the file's.
  for (const ProfileView& v : kProfileViews) {
    SCOPED_TRACE(v.file);
    MakeProfile(Stem(v.file), originals[v.file]);
    m = OpenManager();
    const EditorWindow e = Modify(m, 0);
    EXPECT_EQ(ui::Text(e.name), v.name);
    EXPECT_EQ(ui::Text(e.login), v.login);
    EXPECT_EQ(ui::Checked(e.locked), v.locked);
    Press(e, "Save");
    ExpectNoMessageBox();
    EXPECT_EQ(FileFingerprint(ProfileFile(Stem(v.file))), FileFingerprint(ui::Join(Corpus("profile-saved"), v.file)))
        << "more than the profile's own keys changed";
    CloseManager(m);
    ui::RemoveTree(Folder(Stem(v.file)));
  }
}

// ---- Avatars -----------------------------------------------------------------------

TEST_F(HostileTest, AvatarsThatAreNoPicturesAreReportedAndKept) {
  const Strings avatars = FileNames(Corpus("avatar"));
  ASSERT_EQ(avatars.size(), 14u) << "scripts/make-hostile writes 14 avatars";
  std::map<std::string, Fingerprint> before;
  for (const std::string& avatar : avatars) {
    const std::string folder = "av-" + Stem(avatar);
    MakeProfile(folder, "[profile]\r\nname=" + Stem(avatar) + "\r\navatar=" + avatar + "\r\n");
    ui::WriteFileBytes(ui::Join(Folder(folder), avatar), ui::ReadFileBytes(ui::Join(Corpus("avatar"), avatar)));
    before[folder + "\\" + avatar] = FileFingerprint(ui::Join(Folder(folder), avatar));
    before[folder + "\\profile.cvp"] = FileFingerprint(ProfileFile(folder));
  }

  const ManagerWindow m = OpenManager();
  for (const std::string& avatar : avatars) {
    SCOPED_TRACE(avatar);
    const bool shows = avatar == "valid.jpg";
    const EditorWindow e = Modify(m, m.IndexOf(Stem(avatar)), [&] {
      if (!shows) Acknowledge(kCannotLoad, ui::Icon::None);
    });
    ExpectNoMessageBox();
    Press(e, "Cancel");
  }
  for (const auto& [file, print] : before) EXPECT_EQ(FileFingerprint(ui::Join(Profiles(), file)), print) << file;

  // Chosen with "Set", the decoder's error is reported; nothing is written
  // until "Save".
  const EditorWindow e = Modify(m, m.IndexOf("valid"));
  for (const char* avatar : {"zero-bytes.jpg", "huge-dimensions.jpg", "png-named.jpg"}) {
    SCOPED_TRACE(avatar);
    ui::Click(e.Button("Set"));
    const HWND open = Shoot(ui::WaitWindow(Pid(), "Open"));
    ui::TypeIntoOpenDialog(open, ui::Join(Corpus("avatar"), avatar));
    const ui::MsgBox box = ui::WaitMessageBox(Pid());
    Shoot(box.hwnd);
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.icon, ui::Icon::Error);
    EXPECT_EQ(box.text.rfind("JPEG error #", 0), 0u) << box.text;
    EXPECT_EQ(box.text.back(), '.');
    ui::Answer(box, "OK");
  }
  Press(e, "Cancel");
  for (const auto& [file, print] : before) EXPECT_EQ(FileFingerprint(ui::Join(Profiles(), file)), print) << file;

  // Saved after the message, the profile loses its "avatar" key; the file
  // it named stays.
  const std::string folder = "av-truncated-scan";
  const std::string original = ui::ReadFileBytes(ProfileFile(folder));
  Press(Modify(m, m.IndexOf("truncated-scan"), [&] { Acknowledge(kCannotLoad, ui::Icon::None); }), "Save");
  EXPECT_EQ(ui::ReadFileBytes(ProfileFile(folder)), "[profile]\r\nname=truncated-scan\r\nlogin=\r\nlocked=no\r\n");
  EXPECT_EQ(FileFingerprint(ui::Join(Folder(folder), "truncated-scan.jpg")),
            before[folder + "\\truncated-scan.jpg"]);
}

// ---- Profile folders that are no plain folders ------------------------------------

// Opens a file or folder as another program holding it would: nobody else may
// read, write or delete it meanwhile.
HANDLE HoldExclusively(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

TEST_F(HostileTest, ProfileFoldersThatAreLinksFilesHiddenOrHeld) {
  ui::TempDir elsewhere;
  const std::string kept = elsewhere / "kept";
  ui::MakeDirs(kept + "\\photos");
  ui::WriteFileBytes(kept + "\\profile.cvp", "[profile]\r\nname=Linked\r\n");
  ui::WriteFileBytes(kept + "\\photos\\holiday.jpg", "the user's own pictures");
  const Fingerprint keptProfile = FileFingerprint(kept + "\\profile.cvp");
  const Fingerprint keptPhoto = FileFingerprint(kept + "\\photos\\holiday.jpg");

  MakeProfile("plain", "[profile]\r\nname=Plain\r\n");
  ui::MakeDirs(Profiles());
  ui::WriteFileBytes(Folder("a-file"), "[profile]\r\nname=A file\r\n");
  MakeProfile("hidden", "[profile]\r\nname=Hidden\r\n");
  SetFileAttributesA(Folder("hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  MakeProfile("system", "[profile]\r\nname=System\r\n");
  SetFileAttributesA(Folder("system").c_str(), FILE_ATTRIBUTE_SYSTEM);
  ui::MakeDirs(ProfileFile("cvp-is-folder"));
  MakeProfile("held", "[profile]\r\nname=Held\r\n");
  wineunix::MakeDirectoryLink(Folder("linked"), kept);
  struct Cleanup {
    std::string link;
    ~Cleanup() {
      try {
        wineunix::RemoveTree(link);
      } catch (const std::exception&) {
      }
    }
  } cleanup{Folder("linked")};

  const HANDLE held = HoldExclusively(ProfileFile("held"));
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const ManagerWindow m = OpenManager();
  EXPECT_EQ(Sorted(m.Items()), (Strings{kNotFound, kNotFound, "Linked", "Plain"}));

  // A profile file that cannot be written: the write error names it. The
  // list keeps its order when it is filled again.
  std::vector<int> unnamed;
  const Strings items = m.Items();
  for (int i = 0; i < static_cast<int>(items.size()); ++i)
    if (items[i] == kNotFound) unnamed.push_back(i);
  ASSERT_EQ(unnamed.size(), 2u);
  for (int index : unnamed) {
    const EditorWindow e = Modify(m, index);
    EXPECT_EQ(ui::Text(e.name), "");
    ui::SetText(e.name, "New name");
    ui::Click(e.Button("Save"));
    const ui::MsgBox box = ui::WaitMessageBox(Pid());
    Shoot(box.hwnd);
    EXPECT_EQ(box.icon, ui::Icon::Error);
    EXPECT_TRUE(box.text == "Unable to write to " + ProfileFile("held") + "." ||
                box.text == "Unable to write to " + ProfileFile("cvp-is-folder") + ".")
        << box.text;
    ui::Answer(box, "OK");
    ui::WaitUntil([&] { return !IsWindow(e.dialog); }, "the editor destroyed");
  }
  CloseHandle(held);

  // Deleting the linked profile leaves the user's folder it leads to.
  ui::ClickItem(m.list, m.IndexOf("Linked"));
  ui::Click(m.Button("Delete"));
  ui::Answer(ExpectBox("Sure to delete profile \"linked\" from HDD ? This is cannot be undone! Be warned !",
                       ui::Icon::Warning, "Warning", {"Yes", "No"}),
             "Yes");
  Acknowledge(
      "Cannot delete the profile folder \"linked\": it is a link to another folder, and the files there are not "
      "the profile's to delete. Remove the link yourself if the profile is to go.",
      ui::Icon::Error);
  EXPECT_EQ(FileFingerprint(kept + "\\profile.cvp"), keptProfile);
  EXPECT_EQ(FileFingerprint(kept + "\\photos\\holiday.jpg"), keptPhoto);
  EXPECT_EQ(Sorted(m.Items()), (Strings{kNotFound, kNotFound, "Linked", "Plain"}));
}

// ---- The registry record -------------------------------------------------------------

struct RegistryCase {
  const char* what;
  std::function<void(const std::string& gameDir)> record;
  std::string box;  // the error box at start, or none
  bool toolsEnabled;  // false: no installation directory is known
  std::optional<std::string> version = std::nullopt;  // the version shown, where it matters
};

TEST_F(HostileTest, RegistryValuesOfTheWrongKindOrSize) {
  const std::string longDir = "C:\\" + std::string(3000, 'd');
  const std::string longVersion(3000, 'v');
  const std::string notFound = ") to Cantivox but this directory doesnt exists! Please reinstall Cantivox.";
  const RegistryCase cases[] = {
      {"empty directory", [](const std::string&) { ui::SetRegistryString("InstallDir", ""); },
       "Found path (" + notFound, false},
      {"no terminator, nothing stored",
       [](const std::string&) { ui::SetRegistryValue("InstallDir", REG_SZ, ""); }, "Found path (" + notFound,
       false},
      {"directory over 2047 characters", [&](const std::string&) { ui::SetRegistryString("InstallDir", longDir); },
       "Found path (" + longDir + notFound, false},
      {"unexpanded variable",
       [](const std::string&) { ui::SetRegistryValue("InstallDir", REG_EXPAND_SZ, std::string("%TEMP%\0", 7)); },
       "Found path (%TEMP%" + notFound, false},
      {"multi-string",
       [](const std::string& dir) { ui::SetRegistryValue("InstallDir", REG_MULTI_SZ, dir + '\0' + '\0'); },
       "Invalid data type for 'InstallDir'.", false},
      {"binary", [](const std::string& dir) { ui::SetRegistryValue("InstallDir", REG_BINARY, dir); },
       "Invalid data type for 'InstallDir'.", false},
      {"no type, no data", [](const std::string&) { ui::SetRegistryValue("InstallDir", REG_NONE, ""); },
       "Invalid data type for 'InstallDir'.", false},
      {"directory as a number", [](const std::string&) { ui::SetRegistryDword("InstallDir", 42); },
       "Invalid data type for 'InstallDir'.", false},
      // The version read before the directory check stays shown.
      {"directory without a game",
       [](const std::string& dir) {
         ui::MakeDirs(dir + "\\empty");
         ui::SetRegistryString("InstallDir", dir + "\\empty\\");
         ui::SetRegistryString("InstallVer", "1.0");
       },
       "Found path (" + game_.Path() + "\\empty\\" + notFound, false, "1.0"},
      {"version as a number",
       [](const std::string& dir) {
         ui::SetRegistryString("InstallDir", dir);
         ui::SetRegistryDword("InstallVer", 7);
       },
       "Invalid data type for 'InstallVer'.", true},
      {"version as binary",
       [](const std::string& dir) {
         ui::SetRegistryString("InstallDir", dir);
         ui::SetRegistryValue("InstallVer", REG_BINARY, std::string("\x01\x02", 2));
       },
       "Invalid data type for 'InstallVer'.", true},
      {"version over 2047 characters",
       [&](const std::string& dir) {
         ui::SetRegistryString("InstallDir", dir);
         ui::SetRegistryString("InstallVer", longVersion);
       },
       "", true, longVersion},
      {"directory followed by a NUL and more",
       [](const std::string& dir) { ui::SetRegistryValue("InstallDir", REG_SZ, dir + '\0' + "junk" + '\0'); }, "",
       true},
  };
  for (const RegistryCase& c : cases) {
    SCOPED_TRACE(c.what);
    ui::DeleteRegistryKey();
    c.record(game_.Path());
    app_.emplace(ui::Process::Start(exe_));
    main_ = nullptr;
    // A registry error reaches the general error report; a record that
    // names no game gets its own error box.
    if (!c.box.empty()) {
      const ui::MsgBox box = ui::WaitMessageBox(Pid());
      Shoot(box.hwnd);
      const bool reported = c.box.rfind("Invalid data type", 0) == 0;
      EXPECT_EQ(box.caption, reported ? kTitle : "Error");
      EXPECT_EQ(box.text, c.box);
      // Wine widens a box to its longest word, so that the icon of a path of
      // thousands of letters lies off the screen.
      if (c.box.size() < 1000) {
        EXPECT_EQ(box.icon, ui::Icon::Error) << ui::IconName(box.icon);
      }
      ui::Answer(box, "OK");
    }
    main_ = Shoot(ui::WaitWindow(Pid(), kMainCaption));
    // The remaining start-up steps were skipped: no second box.
    ExpectNoMessageBox(500);
    ui::ExpectToolsEnabled(Main(), c.toolsEnabled);
    // A start-up cut short by an error shows no directory, though it knows one.
    if (!c.toolsEnabled || c.box.empty()) {
      EXPECT_EQ(Label("Directory:"),
                c.toolsEnabled ? game_.Path() : "Wrong or none directory in registry. Please reinstall Cantivox!");
    }
    if (c.version) {
      EXPECT_EQ(Label("Version:"), *c.version);
    }
    app_->Kill();
  }
}

// ---- Installation directories ---------------------------------------------------------

// The game's folder under a name that is awkward for paths: the tool finds it,
// reads and writes its files there and starts the game in it.
class InstallDirTest : public HostileTest {
 protected:
  // The tool started from elsewhere on a record naming `recorded`, or beside
  // the game in `dir` without a record.
  void Check(const std::string& dir, const std::string& recorded, bool besideGame) {
    ui::DeleteRegistryKey();
    ui::InstallGame(dir);
    std::string exe = exe_;
    if (besideGame)
      exe = ui::InstallTools(dir);
    else
      ui::SetRegistryString("InstallDir", recorded);
    MakeProfileIn(dir, "here", "[profile]\r\nname=Here\r\n");
    app_.emplace(ui::Process::Start(exe));
    main_ = Shoot(ui::WaitWindow(Pid(), kMainCaption));
    ExpectNoMessageBox();
    // Beside the game the directory is the tool's own, with no trailing
    // separator but at a drive root.
    EXPECT_EQ(Label("Directory:"), besideGame ? StripSeparator(dir) : recorded);
    ui::ExpectToolsEnabled(Main(), true);

    const ConfigureWindow w = OpenConfigure();
    ui::Click(w.Button("Save"));
    ui::WaitGone(w.dialog);
    ExpectNoMessageBox();
    EXPECT_EQ(ui::ReadFileBytes(ui::Join(dir, "config.ini")),
              "[Graphics]\r\nResolution=1024x768\r\nFullScreen=On\r\nScreens=1\r\n[Net]\r\nUpdateChannel=0\r\n");

    const ManagerWindow m = OpenManager();
    EXPECT_EQ(m.Items(), Strings{"Here"});
    CloseManager(m);

    ui::Click(ui::Find(Main(), "Run Cantivox", "Button"));
    const auto records = ui::WaitLaunchRecords(dir, 1);
    EXPECT_EQ(records.back().cwd, StripSeparator(dir));
    app_->Kill();
    main_ = nullptr;
  }
  void MakeProfileIn(const std::string& dir, const std::string& folder, const std::string& text) {
    ui::MakeDirs(ui::Join(dir, "Profiles\\" + folder));
    ui::WriteFileBytes(ui::Join(dir, "Profiles\\" + folder + "\\profile.cvp"), text);
  }
  static std::string StripSeparator(std::string dir) {
    if (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    return dir;
  }
};

// Letters of the ANSI code page, as a user's folder name may hold them.
std::string AnsiLetters() {
  const wchar_t wide[] = L"Spiele \u00C4\u00F6\u00FC\u00DF \u00E9";
  char text[64] = {};
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text, sizeof text, nullptr, &lossy);
  return lossy ? std::string() : std::string(text);
}

TEST_F(InstallDirTest, BlanksLettersOfTheCodePageAndATrailingSeparator) {
  {
    SCOPED_TRACE("blanks");
    const std::string dir = game_ / "Program Files (x86)\\Canti vox  2";
    Check(dir, dir, false);
  }
  const std::string letters = AnsiLetters();
  if (letters.empty()) GTEST_SKIP() << "the ANSI code page lacks the letters of this test";
  {
    SCOPED_TRACE("letters of the code page");
    const std::string dir = game_ / letters;
    Check(dir, dir, false);
  }
  {
    SCOPED_TRACE("letters of the code page, tool beside the game");
    const std::string dir = game_ / (letters + " 2");
    Check(dir, dir, true);
  }
  {
    SCOPED_TRACE("trailing separator");
    const std::string dir = game_ / "trailing";
    Check(dir, dir + "\\", false);
  }
}

TEST_F(InstallDirTest, AtTheRootOfADrive) {
  ui::TempDir volume;
  const wineunix::MappedDrive drive(wineunix::FreeDriveLetter(), volume.Path());
  ui::WaitUntil([&] { return ui::DirExists(drive.Root()); }, "the new drive " + drive.Root());
  {
    SCOPED_TRACE("recorded");
    Check(drive.Root(), drive.Root(), false);
  }
  ui::RemoveTree(ui::Join(drive.Root(), "config.ini"));
  ui::RemoveTree(ui::Join(drive.Root(), "Cantivox.log"));
  {
    SCOPED_TRACE("tool beside the game");
    Check(drive.Root(), "", true);
  }
}

}  // namespace
