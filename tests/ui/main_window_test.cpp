// The main window and the installation record, driven from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdlib>

#include "Driver.h"
#include "ToolFixture.h"

namespace {

using ui::kMainCaption;
using ui::kTitle;
const char kNonDefault[] = "Non default installation. Cannot read version.";
const char kReason[] = "Wrong or none directory in registry. Please reinstall Cantivox!";

// The names of the libraries a program imports, upper case, read from its
// file: the import directory's entries name each library by its address in
// the loaded image, which the section table turns into a file offset.
std::vector<std::string> ImportedLibraries(const std::string& exe) {
  const std::string image = ui::ReadFileBytes(exe);
  auto at = [&](size_t offset, size_t size) {
    if (offset > image.size() || size > image.size() - offset) throw std::runtime_error("truncated image");
    return image.data() + offset;
  };
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, at(0, sizeof dos), sizeof dos);
  // The file header is the same in both formats; the optional header
  // behind it, and the import directory in it, are laid out by its magic.
  const size_t fileHeaderAt = dos.e_lfanew + sizeof(DWORD);
  IMAGE_FILE_HEADER file;
  std::memcpy(&file, at(fileHeaderAt, sizeof file), sizeof file);
  const size_t optionalAt = fileHeaderAt + sizeof file;
  WORD magic = 0;
  std::memcpy(&magic, at(optionalAt, sizeof magic), sizeof magic);
  IMAGE_DATA_DIRECTORY importDirectory;
  if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    IMAGE_OPTIONAL_HEADER64 optional;
    std::memcpy(&optional, at(optionalAt, sizeof optional), sizeof optional);
    importDirectory = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  } else {
    IMAGE_OPTIONAL_HEADER32 optional;
    std::memcpy(&optional, at(optionalAt, sizeof optional), sizeof optional);
    importDirectory = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  }
  const size_t sectionsAt = optionalAt + file.SizeOfOptionalHeader;
  auto fileOffset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < file.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      std::memcpy(&section, at(sectionsAt + i * sizeof section, sizeof section), sizeof section);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    throw std::runtime_error("address outside the sections");
  };
  std::vector<std::string> names;
  const DWORD importsAt = importDirectory.VirtualAddress;
  for (size_t entry = fileOffset(importsAt);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR import;
    std::memcpy(&import, at(entry, sizeof import), sizeof import);
    if (import.Name == 0) break;
    const size_t nameAt = fileOffset(import.Name);
    std::string name(at(nameAt, 1), strnlen(at(nameAt, 1), image.size() - nameAt));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    names.push_back(name);
  }
  return names;
}

// Rows of the screen inside `window` (client coordinates, top included,
// bottom not) that hold text: pixels much darker than a button face.
std::vector<int> RowsWithText(HWND window, int left, int top, int right, int bottom) {
  std::vector<int> rows;
  HDC screen = GetDC(nullptr);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      POINT at{x, y};
      ClientToScreen(window, &at);
      const COLORREF colour = GetPixel(screen, at.x, at.y);
      if (GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 3 * 100) {
        rows.push_back(y);
        break;
      }
    }
  }
  ReleaseDC(nullptr, screen);
  return rows;
}

using ui::ScreenPixel;

// The game where a player has it, C:\Games\Cantivox, for the guide's
// picture: made afresh, and removed with all it holds when the object goes.
class PlayersInstallation {
 public:
  PlayersInstallation() {
    ui::RemoveTree(path_);
    ui::MakeDirs(path_);
  }
  ~PlayersInstallation() {
    ui::RemoveTree(path_);
    RemoveDirectoryA("C:\\Games");  // only when nothing else is there
  }
  PlayersInstallation(const PlayersInstallation&) = delete;
  PlayersInstallation& operator=(const PlayersInstallation&) = delete;
  const std::string& Path() const { return path_; }

 private:
  const std::string path_ = "C:\\Games\\Cantivox";
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::DeleteRegistryKey(); }
  void TearDown() override { ui::DeleteRegistryKey(); }

  // Starts the tool and waits for its main window.
  HWND Open(const std::string& exe) {
    app_.emplace(ui::Process::Start(exe));
    return ui::WaitWindow(app_->Id(), kMainCaption);
  }

  std::optional<ui::Process> app_;
};

TEST_F(MainWindowTest, RegisteredInstallationShowsTheRecord) {
  const PlayersInstallation game;
  ui::InstallGame(game.Path());
  ui::TempDir elsewhere;
  const std::string exe = ui::InstallTools(elsewhere.Path());
  ui::SetRegistryString("InstallDir", game.Path());
  ui::SetRegistryString("InstallVer", "1.1.0 final");

  HWND main = Open(exe);
  EXPECT_EQ(ui::Text(main), kMainCaption);
  // The task bar button carries the application title, with two blanks.
  EXPECT_NO_THROW(ui::WaitWindowWhere(
      app_->Id(), [](HWND w) { return ui::Text(w) == kTitle; }, ui::kTimeout, "the application window"));
  EXPECT_EQ(ui::Label(main, "Version:"), "1.1.0 final");
  EXPECT_EQ(ui::Label(main, "Directory:"), game.Path());
  ui::ExpectToolsEnabled(main, true);
  EXPECT_FALSE(ui::Visible(ui::Find(main, "Change directory", "Button")));
  EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
  ui::SaveScreenshot(main, "main-window");
}

// The tool beside a game works on that game, without a word: the recorded
// version shows where the record names it, in any letter case of ASCII and
// with a trailing separator; the record is never written.
TEST_F(MainWindowTest, ToolBesideAGameWorksOnIt) {
  ui::TempDir root;
  const std::string recorded = root / "recorded", other = root / "other", alone = root / "alone";
  const std::string beside = root / "beside", lower = root / "caf\xE9";
  for (const std::string& dir : {recorded, other, alone, beside, lower}) {
    ui::MakeDirs(dir);
    ui::InstallGame(dir);
  }
  std::string upper = recorded + "\\";
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const struct {
    const char* name;
    std::string toolDir;
    std::string record;  // empty: none
    std::string version, directory;
  } cases[] = {
      // The directory shown is the stored text, unchanged.
      {"the recorded game in other letter case, with a trailing separator", recorded, upper, "2.0", upper},
      {"another game than the recorded one", beside, other, kNonDefault, beside},
      {"no record", alone, "", kNonDefault, alone},
      {"the recorded game in other case of letters beyond ASCII", lower, root / "CAF\xC9", kNonDefault, lower},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::DeleteRegistryKey();
    if (!c.record.empty()) {
      ui::SetRegistryString("InstallDir", c.record);
      ui::SetRegistryString("InstallVer", "2.0");
    }
    HWND main = Open(ui::InstallTools(c.toolDir));
    EXPECT_EQ(ui::Label(main, "Version:"), c.version);
    EXPECT_EQ(ui::Label(main, "Directory:"), c.directory);
    ui::ExpectToolsEnabled(main, true);
    EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
    if (!c.record.empty()) {
      EXPECT_EQ(ui::ReadRegistryString("InstallDir"), c.record);
    }
    app_->Kill();
  }
}

TEST_F(MainWindowTest, NothingFoundReportsAndDisablesTools) {
  ui::TempDir elsewhere;
  app_.emplace(ui::Process::Start(ui::InstallTools(elsewhere.Path())));
  const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_EQ(box.text,
            "Found path () to Cantivox but this directory doesnt exists! Please reinstall Cantivox.");
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  ui::Answer(box, "OK");

  HWND main = ui::WaitWindow(app_->Id(), kMainCaption);
  EXPECT_EQ(ui::Label(main, "Directory:"), kReason);
  EXPECT_EQ(ui::Label(main, "Version:"), "");
  ui::ExpectToolsEnabled(main, false);
  ui::SaveScreenshot(main, "main-window-not-found");
}

// Only a file named Cantivox.exe makes an installation: a folder of that
// name beside the tool, or in the registered directory, is no game.
TEST_F(MainWindowTest, FolderNamedCantivoxExeIsNoGame) {
  const std::string notFound = ") to Cantivox but this directory doesnt exists! Please reinstall Cantivox.";
  ui::TempDir beside;
  ui::MakeDirs(beside / "Cantivox.exe");
  ui::TempDir registered;
  ui::MakeDirs(registered / "Cantivox.exe");
  const struct {
    const char* name;
    std::string toolDir;
    std::string record;  // empty: no record
  } cases[] = {
      {"beside the tool", beside.Path(), ""},
      {"in the registered directory", registered / "tool", registered.Path()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::DeleteRegistryKey();
    if (!c.record.empty()) ui::SetRegistryString("InstallDir", c.record);
    app_.emplace(ui::Process::Start(ui::InstallTools(c.toolDir)));
    const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
    EXPECT_EQ(box.text, "Found path (" + c.record + notFound);
    ui::Answer(box, "OK");
    HWND main = ui::WaitWindow(app_->Id(), kMainCaption);
    EXPECT_EQ(ui::Label(main, "Directory:"), kReason);
    ui::ExpectToolsEnabled(main, false);
    app_->Kill();
  }
}

TEST_F(MainWindowTest, EscExitAndCloseBoxEndTheProgram) {
  ui::TempDir game;
  ui::InstallGame(game.Path());
  const std::string exe = ui::InstallTools(game.Path());

  HWND main = Open(exe);
  ui::PressKey(main, VK_ESCAPE);
  EXPECT_TRUE(app_->WaitExit());

  main = Open(exe);
  ui::Click(ui::Find(main, "Exit", "Button"));
  EXPECT_TRUE(app_->WaitExit());

  main = Open(exe);
  ui::Close(main);
  EXPECT_TRUE(app_->WaitExit());
}



// The game's file went away after start-up: the user is told, and the tool
// goes on.
TEST_F(MainWindowTest, AGameThatCannotBeStartedIsReported) {
  ui::TempDir game;
  ui::InstallGame(game.Path());
  HWND main = Open(ui::InstallTools(game.Path()));
  ASSERT_TRUE(DeleteFileA((game / "Cantivox.exe").c_str()));
  ui::Click(ui::Find(main, "Run Cantivox", "Button"));
  const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_EQ(box.text, "Cantivox could not be started: " + (game / "Cantivox.exe") +
                          ". Check that the game is installed there, or reinstall Cantivox.");
  ui::Answer(box, "OK");
  EXPECT_TRUE(ui::Visible(main));
}

// When the tool cannot be started again after "Change directory", the one
// running stays, says so, and shows the directory it saved.
TEST_F(MainWindowTest, AFailedRestartKeepsTheToolRunning) {
  ui::TempDir game;
  ui::TempDir other;
  ui::InstallGame(game.Path());
  ui::InstallGame(other.Path());
  ui::TempDir tools;
  const std::string exe = ui::InstallTools(tools.Path());
  ui::SetRegistryString("InstallDir", game.Path());
  HWND main = Open(exe);
  // The program's file moves away while it runs: the shell finds nothing to
  // start under its name.
  ASSERT_TRUE(MoveFileA(exe.c_str(), (tools / "moved.exe").c_str()));
  // The button is hidden; its command still reaches the handler.
  const HWND change = ui::Find(main, "Change directory", "Button");
  PostMessageA(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(change), BN_CLICKED), reinterpret_cast<LPARAM>(change));
  ui::Answer(ui::WaitMessageBox(app_->Id()), "Yes");
  const HWND open = ui::WaitWindow(app_->Id(), "Open");
  ui::TypeIntoOpenDialog(open, other / "Cantivox.exe");

  const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, "Cantivox Tools could not be started again: " + exe +
                          ". The new directory is saved; start Cantivox Tools again yourself.");
  ui::Answer(box, "OK");
  EXPECT_TRUE(ui::Visible(main));
  EXPECT_EQ(ui::Label(main, "Directory:"), other.Path());
  EXPECT_EQ(ui::ReadRegistryString("InstallDir"), other.Path());
  EXPECT_FALSE(app_->WaitExit(500));
}

// A directory too long for its label shows its end, with the middle left
// out; the label's own text stays the whole path, for whoever reads it, and
// shows whole as the label's tooltip, as does a long version.
TEST_F(MainWindowTest, LongDirectoryShowsItsEndAndKeepsTheWholeText) {
  ui::TempDir root;
  const std::string start = root / "Games of the whole family\\Singing and dancing\\Karaoke for the long winter evenings";
  const std::string versionText = "1.1.0 final, the build for the people who read a version text to its very end, and then some more";
  ui::TempDir elsewhere;
  const std::string exe = ui::InstallTools(elsewhere.Path());
  // What the directory label shows of each folder, and its text.
  auto shown = [&](const std::string& dir) {
    ui::MakeDirs(dir);
    ui::InstallGame(dir);
    ui::SetRegistryString("InstallDir", dir);
    ui::SetRegistryString("InstallVer", versionText);
    HWND main = Open(exe);
    const HWND label = ui::FindRightOf(ui::Find(main, "Directory:", "Static"));
    EXPECT_EQ(ui::Text(label), dir);
    EXPECT_EQ(ui::Label(main, "Version:"), versionText);
    const std::vector<uint32_t> pixels = ui::StableCapture(ui::ScreenRect(label));
    ui::SaveScreenshot(main, "main-window-long-directory");
    EXPECT_EQ(ui::TipOf(app_->Id(), label), dir);
    EXPECT_EQ(ui::TipOf(app_->Id(), ui::FindRightOf(ui::Find(main, "Version:", "Static"))), versionText);
    app_->Kill();
    return pixels;
  };
  const std::vector<uint32_t> a = shown(start + "\\Middle one\\End A");
  // Only the last folder differs: what the label shows differs.
  EXPECT_NE(shown(start + "\\Middle one\\End B"), a) << "the end of the directory is not shown";
  // Only a folder in the middle differs: left out, it does not show.
  EXPECT_EQ(shown(start + "\\Middle two\\End A"), a) << "the directory is not shortened in its middle";
}

// The banner spans the window's whole width: its picture, 665 pixels wide,
// is stretched over the 669 of the window, so no band of the window's face
// shows at either side. Its gradient runs from dark blue to purple.
TEST_F(MainWindowTest, BannerFillsTheWindowsWidth) {
  ui::TempDir game;
  ui::InstallGame(game.Path());
  HWND main = Open(ui::InstallTools(game.Path()));
  const HWND banner = ui::FindNth(main, "CvPictureBox", 0);
  RECT client{}, mainClient{};
  GetClientRect(banner, &client);
  GetClientRect(main, &mainClient);
  POINT origin{0, 0};
  MapWindowPoints(banner, main, &origin, 1);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(client.right, mainClient.right);
  EXPECT_EQ(client.right, 669);
  EXPECT_EQ(client.bottom, 65);
  const COLORREF left = RGB(0x14, 0x21, 0x3D), right = RGB(0x5B, 0x2A, 0x86);
  const struct {
    int x;
    COLORREF colour;
  } columns[] = {{0, left}, {1, left}, {2, left}, {client.right - 3, right}, {client.right - 2, right},
                 {client.right - 1, right}};
  for (const auto& column : columns)
    for (int y : {1L, client.bottom / 2, client.bottom - 2}) {
      COLORREF seen = 0;
      EXPECT_TRUE(ui::PollFor([&] { return ui::Near(seen = ScreenPixel(banner, column.x, static_cast<int>(y)), column.colour, 24); }, 2000))
          << "at " << column.x << "," << y << " the banner shows " << std::hex << seen;
    }
  ui::SaveScreenshot(main, "main-window-banner");
}

// The file dialogs, the folder dialog and the shell are loaded when first
// used: imported, their libraries would be loaded at every start.
TEST(StartUpTest, DialogAndShellLibrariesAreNotImported) {
  const std::vector<std::string> imports = ImportedLibraries(ui::ToolsExe());
  EXPECT_NE(std::find(imports.begin(), imports.end(), "USER32.DLL"), imports.end()) << "the reading is wrong";
  for (const char* library : {"COMDLG32.DLL", "SHELL32.DLL", "OLE32.DLL"})
    EXPECT_EQ(std::find(imports.begin(), imports.end(), library), imports.end()) << library;
}

// The longest caption wraps to three lines in its button and stays clear of
// the button's edges.
TEST_F(MainWindowTest, WrappedToolCaptionFitsItsButton) {
  ui::TempDir game;
  ui::InstallGame(game.Path());
  HWND main = Open(ui::InstallTools(game.Path()));
  const HWND button = ui::Find(main, "Run Cantivox with special params", "Button");
  RECT client;
  GetClientRect(button, &client);
  std::vector<int> rows;
  ui::PollFor([&] { return !(rows = RowsWithText(button, 4, 0, client.right - 4, client.bottom)).empty(); }, 3000);
  ASSERT_FALSE(rows.empty()) << "the caption is not drawn";
  EXPECT_GE(rows.front(), 4) << "the first line touches the top edge";
  EXPECT_LE(rows.back(), client.bottom - 6) << "the last line touches the bottom edge";
  // Three lines of the dialog font: 13 pixels each under Wine.
  EXPECT_LE(rows.back() - rows.front(), 3 * 13 + 3) << "more than three lines";
}

}  // namespace
