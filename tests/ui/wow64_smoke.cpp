// A smoke test of the 32-bit program we ship, in a 64-bit (WoW64) prefix as
// on a 64-bit Windows: one start of the program, through its main window,
// Configure, the profile editor's JPEG avatar and Exit. scripts/test runs it
// on every machine, with CANTIVOX_TOOLS_EXE naming the 32-bit program; where
// 32-bit Wine runs only under the emulator, a 32-bit program takes a minute
// or more to show its first window, hence the one start and the long waits.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Driver.h"
#include "ToolFixture.h"
#include "ToolWindows.h"

namespace {

// Long enough for an emulated start on a busy machine; a wait ends as soon as
// what it waits for is there.
constexpr int kSlow = 600000;

// Drawn for the profile tests: 200 x 100, red at the top turning blue at the
// bottom, with a white disc in the middle; the editor shows it 100 x 50,
// centred, in rows 25 to 74.
constexpr COLORREF kRedTop = RGB(0xc0, 0x39, 0x2b);
constexpr COLORREF kBlueBottom = RGB(0x29, 0x80, 0xb9);

class Wow64Smoke : public ui::ToolTest {
 protected:
  Wow64Smoke() : ToolTest("wow64", false) {}

  HWND WaitTop(const char* caption) { return ui::WaitWindow(Pid(), caption, kSlow); }
  void Press(HWND dialog, const char* button) {
    ui::Click(ui::Find(dialog, button, "Button"));
    ui::WaitGone(dialog, kSlow);
  }
  // The editor paints the picture soon after it shows, even emulated.
  ::testing::AssertionResult AvatarShows(HWND avatar, int x, int y, COLORREF colour) {
    COLORREF seen = 0;
    if (ui::PollFor([&] { return ui::Near(seen = ui::ScreenPixel(avatar, x, y), colour, 40); }, 60000))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << x << "," << y << " the avatar shows 0x" << std::hex << seen;
  }
};

TEST_F(Wow64Smoke, ShippedProgramStartsConfiguresShowsAnAvatarAndExits) {
  // The installer's record (the fixture wrote InstallDir) lies in the 32-bit
  // view of the registry, where the 64-bit prefix keeps it apart.
  ui::SetRegistryString("InstallVer", "1.1.0 final");
  const std::string config = game_ / "config.ini";
  ui::WriteFileBytes(config,
                     "; Cantivox settings\r\n[Graphics]\r\nResolution=800x600\r\nFullScreen=On\r\nScreens=2\r\n"
                     "[Sound]\r\nVolume=80\r\n[Net]\r\nUpdateChannel=1\r\n");
  MakeProfile("p", "[profile]\r\nname=P\r\nlogin=p\r\nlocked=no\r\navatar=avatar.jpg\r\n");
  ui::WriteFileBytes(Folder("p") + "\\avatar.jpg",
                     ui::ReadFileBytes(ui::Join(ui::EnvPath("CANTIVOX_PROFILE_PICTURES"), "wide.jpg")));

  app_.emplace(ui::Process::Start(exe_));
  main_ = WaitTop(ui::kMainCaption);
  // Emulated, the window shows a while before it has painted, and was once
  // seen erased again after: the picture is one that shows the banner's
  // dark top left corner.
  ui::SaveScreenshotShowing(main_, "wow64-main-window", POINT{10, 10}, GetSysColor(COLOR_BTNFACE), kSlow);
  {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Pid());
    ASSERT_NE(process, nullptr);
    BOOL wow64 = FALSE;
    EXPECT_TRUE(IsWow64Process(process, &wow64));
    CloseHandle(process);
    EXPECT_TRUE(wow64) << "the program does not run as a 32-bit process in a 64-bit prefix";
  }
  EXPECT_EQ(ui::Text(main_), ui::kMainCaption);
  EXPECT_EQ(ui::Label(main_, "Version:"), "1.1.0 final");
  EXPECT_EQ(ui::Label(main_, "Directory:"), game_.Path());

  ui::Click(ui::Find(main_, "Configuration", "Button"));
  const ui::ConfigureWindow configure(WaitTop("Configure"));
  ui::ExpectShows(configure, {"800", "600", true, 2, "Default", 1});
  ui::Click(configure.fullOff);
  Press(configure.dialog, "Save");
  EXPECT_EQ(ui::ReadFileBytes(config),
            "; Cantivox settings\r\n[Graphics]\r\nResolution=800x600\r\nFullScreen=Off\r\nScreens=2\r\n"
            "[Sound]\r\nVolume=80\r\n[Net]\r\nUpdateChannel=1\r\n");

  ui::Click(ui::Find(main_, "Profile manager", "Button"));
  const ui::ProfileManagerWindow manager(WaitTop("Profile Manager"));
  EXPECT_EQ(manager.Items(), ui::Strings{"P"});
  ui::Click(manager.Button("Modify"));
  const ui::ProfileEditorWindow editor(WaitTop("Profile"));
  EXPECT_EQ(ui::Text(editor.name), "P");
  // The picture's middle and both its ends, the right way up.
  EXPECT_TRUE(AvatarShows(editor.avatar, 50, 50, RGB(255, 255, 255)));
  EXPECT_TRUE(AvatarShows(editor.avatar, 10, 27, kRedTop));
  EXPECT_TRUE(AvatarShows(editor.avatar, 10, 72, kBlueBottom));
  Press(editor.dialog, "Cancel");
  Press(manager.dialog, "Exit");

  ui::Click(ui::Find(main_, "Exit", "Button"));
  ASSERT_TRUE(app_->WaitExit(kSlow));
  EXPECT_EQ(app_->ExitCode(), 0u);
}

}  // namespace
