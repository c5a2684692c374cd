// "Change directory", driven from outside: the question, the open dialog,
// the refusals, and the restart on the new folder. The button is hidden in
// this build; the tests show it, as a build that offers it would.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "ToolFixture.h"

namespace {

using ui::kMainCaption;
using ui::kTitle;
const char kQuestion[] = "Application will restart after change directory. Continue ?";
const char kInvalid[] = "Invaild directory :). Nothing changed.";

// The open dialog's controls.
constexpr int kFileTypes = 0x470;  // cmb1
constexpr int kLookIn = 0x471;     // cmb2

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

struct MainWindowSearch {
  DWORD notThis;
  HWND found;
};

BOOL CALLBACK FindOtherMainWindow(HWND window, LPARAM lp) {
  auto& search = *reinterpret_cast<MainWindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (pid == search.notThis || !IsWindowVisible(window) || std::string(caption) != kMainCaption) return TRUE;
  search.found = window;
  return FALSE;
}

class ChangeDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::DeleteRegistryKey();
    current_ = root_ / "Current game";
    other_ = root_ / "Other game";
    for (const std::string& dir : {current_, other_}) {
      ui::MakeDirs(dir);
      ui::InstallGame(dir);
    }
    ui::WriteFileBytes(ui::Join(other_, "notes.txt"), "notes");
    ui::WriteFileBytes(ui::Join(other_, "Setup.exe"), "MZ");
    ui::SetRegistryString("InstallDir", current_);
    ui::SetRegistryString("InstallVer", "1.1.0 final");
    exe_ = ui::InstallTools(toolDir_.Path());
    app_ = ui::Process::Start(exe_);
    main_ = ui::WaitWindow(app_.Id(), kMainCaption);
  }
  void TearDown() override {
    // An instance the tool started itself, left over by a failed test,
    // would be taken for the next test's.
    for (int left = 5; left > 0; --left) {
      const HWND main = OtherMainWindow(app_.Id(), 0);
      if (!main) break;
      DWORD pid = 0;
      GetWindowThreadProcessId(main, &pid);
      ui::Process::Attach(pid).Kill();
    }
    ui::DeleteRegistryKey();
  }

  // Shows the hidden button and presses it: the question comes.
  ui::MsgBox Press() {
    const HWND button = ui::Find(main_, "Change directory", "Button");
    ShowWindow(button, SW_SHOWNA);
    ui::Click(button);
    return ui::WaitMessageBox(app_.Id());
  }
  HWND PressAndConfirm() {
    ui::Answer(Press(), "Yes");
    return ui::WaitWindow(app_.Id(), "Open");
  }
  void Choose(const std::string& path) {
    const HWND open = PressAndConfirm();
    ui::TypeIntoOpenDialog(open, path);
    ui::WaitUntil([&] { return !IsWindow(open); }, "the open dialog closed");
    ui::Settle(main_);
  }
  void ExpectNothingChanged() {
    EXPECT_EQ(ui::ReadRegistryString("InstallDir"), current_);
    EXPECT_TRUE(app_.Running());
    EXPECT_EQ(ui::Label(main_, "Directory:"), current_);
  }
  // The main window of another instance of the tool than the one started
  // here, once it shows.
  static HWND OtherMainWindow(DWORD notThis, int timeoutMs = ui::kTimeout) {
    MainWindowSearch search{notThis, nullptr};
    ui::PollFor(
        [&] {
          EnumWindows(FindOtherMainWindow, reinterpret_cast<LPARAM>(&search));
          return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
  }

  ui::TempDir root_;
  ui::TempDir toolDir_;
  std::string current_, other_, exe_;
  ui::Process app_;
  HWND main_ = nullptr;
};

// Only Yes to the question opens the dialog. The dialog lists the game
// executable alone, may be resized, and takes no file or folder that does
// not exist; cancelled, it changes nothing.
TEST_F(ChangeDirectoryTest, AsksFirstAndOffersTheGameExecutableOnly) {
  const ui::MsgBox question = Press();
  EXPECT_EQ(question.caption, "Information");
  EXPECT_EQ(question.text, kQuestion);
  EXPECT_EQ(question.icon, ui::Icon::Information) << ui::IconName(question.icon);
  EXPECT_EQ(question.buttons, (std::vector<std::string>{"Yes", "No"}));
  ui::Answer(question, "No");
  EXPECT_FALSE(ui::PollFor(
      [&] {
        for (HWND w : ui::TopWindows(app_.Id()))
          if (ui::Text(w) == "Open") return true;
        return ui::FindMessageBox(app_.Id()).has_value();
      },
      1000))
      << "something opened after No";

  const HWND open = PressAndConfirm();
  EXPECT_TRUE(GetWindowLongA(open, GWL_STYLE) & WS_THICKFRAME) << "the dialog cannot be resized";
  const HWND types = ui::FindById(open, kFileTypes);
  EXPECT_EQ(ui::Text(types), "Cantivox Installation Directory");
  EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 1);
  // In a folder with the game, a text file and another program, only the
  // game shows.
  ui::TypeIntoOpenDialog(open, other_);
  const HWND list = ui::FindNth(open, "SysListView32", 0);
  ui::WaitText(ui::FindById(open, kLookIn), "Other game");
  EXPECT_FALSE(ui::PollFor([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != 1; }, 1000))
      << SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) << " entries listed";
  ui::SaveScreenshot(open, "change-directory");
  // A file or a folder that does not exist: the dialog says so and stays.
  for (const char* missing : {"Missing.exe", "No folder\\Cantivox.exe"}) {
    ui::TypeIntoOpenDialog(open, ui::Join(other_, missing));
    const std::optional<ui::MsgBox> box = ui::MessageBoxWithin(app_.Id(), 3000);
    ASSERT_TRUE(box.has_value()) << missing << " taken";
    EXPECT_EQ(box->icon, ui::Icon::Error) << missing;
    ui::Answer(*box, "OK");
    EXPECT_TRUE(ui::Visible(open)) << missing;
  }
  ui::Click(ui::Find(open, "Cancel", "Button"));
  ui::WaitUntil([&] { return !IsWindow(open); }, "the open dialog closed");
  EXPECT_FALSE(ui::MessageBoxWithin(app_.Id(), 500).has_value());
  ExpectNothingChanged();
}

// The game's own folder again changes nothing, without a word; a file of
// another name is refused, even in a folder that holds the game.
TEST_F(ChangeDirectoryTest, SameFolderOrAnotherFileChangesNothing) {
  Choose(ui::Join(current_, "Cantivox.exe"));
  EXPECT_FALSE(ui::MessageBoxWithin(app_.Id(), 1000).has_value());
  ExpectNothingChanged();

  Choose(ui::Join(other_, "notes.txt"));
  const ui::MsgBox box = ui::WaitMessageBox(app_.Id());
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, kInvalid);
  EXPECT_FALSE(box.hasIcon());
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  ui::Answer(box, "OK");
  ExpectNothingChanged();
  EXPECT_EQ(OtherMainWindow(app_.Id(), 1000), nullptr) << "the tool started again";
}

// The game in another folder, its name in capitals: the registry records
// that folder, the tool starts again from its own file and shows it, and
// the old instance ends.
TEST_F(ChangeDirectoryTest, GameInAnotherFolderIsRecordedAndTheToolRestarts) {
  Choose(ui::Join(other_, "CANTIVOX.EXE"));
  EXPECT_TRUE(app_.WaitExit()) << "the old instance still runs";
  const HWND main = OtherMainWindow(app_.Id());
  ASSERT_NE(main, nullptr) << "no new instance";
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  ui::Process again = ui::Process::Attach(pid);
  EXPECT_EQ(Upper(again.ImagePath()), Upper(exe_));
  EXPECT_EQ(ui::ReadRegistryString("InstallDir"), other_);
  EXPECT_EQ(ui::ReadRegistryString("InstallVer"), "1.1.0 final");
  EXPECT_EQ(ui::Label(main, "Directory:"), other_);
  EXPECT_EQ(ui::Label(main, "Version:"), "1.1.0 final");
  EXPECT_FALSE(ui::FindMessageBox(pid).has_value());
  ui::SaveScreenshot(main, "change-directory-restarted");
  ui::Click(ui::Find(main, "Exit", "Button"));
  EXPECT_TRUE(again.WaitExit());
}

}  // namespace
