#pragma once
// What the end-to-end tests of the tool share: its captions, and a fixture
// with a game installed and recorded in the registry and the tool installed
// apart from it, started on first use.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Driver.h"
#include "ToolWindows.h"

namespace ui {

inline constexpr char kMainCaption[] = "Cantivox Official Tools 0.2.1.7";
inline constexpr char kTitle[] = "Cantivox Tools  0.2.1.7";
// The main window's buttons that need a known installation.
inline constexpr const char* kNeedInstallation[] = {"Profile manager", "Configuration", "Maintenance",
                                                    "Run Cantivox with special params", "Run Cantivox"};

// What the profile list shows for a profile whose file names no one.
inline constexpr char kNameNotFound[] = "Error - Name not found";

using Strings = std::vector<std::string>;
inline Strings Sorted(Strings items) {
  std::sort(items.begin(), items.end());
  return items;
}

// The value the main window shows beside a label ("Directory:", "Version:").
inline std::string Label(HWND main, const char* caption) { return Text(FindRightOf(Find(main, caption, "Static"))); }
// Rests the mouse on a control and returns the text of the tooltip that
// shows, or "" when none shows within `ms`. A tip still showing for another
// control is waited away first.
inline std::string TipOf(DWORD pid, HWND control, int ms = 3000) {
  const auto shownTip = [pid] {
    for (HWND top : TopWindows(pid))
      if (ClassOf(top) == "tooltips_class32") return Text(top);
    return std::string();
  };
  SetCursorPos(0, 0);
  WaitUntil([&] { return shownTip().empty(); }, "no tooltip showing");
  const RECT box = ScreenRect(control);
  SetCursorPos((box.left + box.right) / 2, (box.top + box.bottom) / 2);
  std::string tip;
  PollFor([&] { return !(tip = shownTip()).empty(); }, ms);
  SetCursorPos(0, 0);
  return tip;
}

inline void ExpectToolsEnabled(HWND main, bool enabled) {
  for (const char* caption : kNeedInstallation)
    EXPECT_EQ(Enabled(Find(main, caption, "Button")), enabled) << caption;
  EXPECT_TRUE(Enabled(Find(main, "About", "Button")));
  EXPECT_TRUE(Enabled(Find(main, "Exit", "Button")));
}

// What the configuration window shows, as a user reads it.
struct ConfigView {
  std::string width, height;
  bool fullOn;
  int monitor;  // 1 or 2
  std::string songs;
  int channel;  // 0 stable, 1 experimental, 2 developer
};
// No file: the screen of the test display and the layout's defaults.
inline const ConfigView kConfigDefaults{"1024", "768", true, 1, "Default", 0};

inline void ExpectShows(const ConfigureWindow& w, const ConfigView& v) {
  EXPECT_EQ(Text(w.width), v.width);
  EXPECT_EQ(Text(w.height), v.height);
  EXPECT_EQ(Checked(w.fullOn), v.fullOn);
  EXPECT_EQ(Checked(w.fullOff), !v.fullOn);
  EXPECT_EQ(w.Monitor(), v.monitor);
  EXPECT_EQ(Text(w.songsDir), v.songs);
  EXPECT_EQ(w.Channel(), v.channel);
}

class ToolTest : public ::testing::Test {
 protected:
  // Screenshots are named "<shots>-<test>-<count>"; the main window is
  // among them if `shootMain`.
  explicit ToolTest(std::string shots, bool shootMain = true) : shots_(std::move(shots)), shootMain_(shootMain) {}

  void SetUp() override {
    DeleteRegistryKey();
    InstallGame(game_.Path());
    SetRegistryString("InstallDir", game_.Path());
    exe_ = InstallTools(tools_.Path());
  }
  void TearDown() override {
    if (app_) app_->Kill();
    DeleteRegistryKey();
  }

  DWORD Pid() const { return app_->Id(); }
  // Starts the program and waits for its main window.
  HWND Start(const std::string& exe) {
    app_.emplace(Process::Start(exe));
    main_ = WaitWindow(Pid(), kMainCaption);
    return shootMain_ ? Shoot(main_) : main_;
  }
  // The main window, the tool started first where it does not run yet.
  HWND Main() { return main_ ? main_ : Start(exe_); }
  // Every window the test opens, as it first shows, named after the test.
  HWND Shoot(HWND top) {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    SaveScreenshot(top, shots_ + "-" + test + "-" + std::to_string(++shotCount_));
    return top;
  }
  void ExpectNoMessageBox(int ms = 300) {
    const std::optional<MsgBox> box = MessageBoxWithin(Pid(), ms);
    EXPECT_FALSE(box.has_value()) << "a box says: " << box->text;
  }
  // The next message box, as it must show.
  MsgBox ExpectBox(const std::string& text, Icon icon, const std::string& caption = kTitle,
                   const std::vector<std::string>& buttons = {"OK"}) {
    const MsgBox box = WaitMessageBox(Pid());
    Shoot(box.hwnd);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, icon) << IconName(box.icon);
    EXPECT_EQ(box.buttons, buttons);
    return box;
  }
  // A box with the title and OK alone, answered.
  void Acknowledge(const std::string& text, Icon icon = Icon::None) { Answer(ExpectBox(text, icon), "OK"); }

  // The game's profile folders and their files.
  std::string Profiles() const { return game_ / "Profiles"; }
  std::string Folder(const std::string& folder) const { return Join(Profiles(), folder); }
  std::string ProfileFile(const std::string& folder) const { return Join(Folder(folder), "profile.cvp"); }
  void MakeProfile(const std::string& folder, const std::string& text) {
    MakeDirs(Folder(folder));
    WriteFileBytes(ProfileFile(folder), text);
  }

  // The tool windows, opened from the main window's buttons.
  ConfigureWindow OpenConfigure() {
    Click(Find(Main(), "Configuration", "Button"));
    return ConfigureWindow(Shoot(WaitWindow(Pid(), "Configure")));
  }
  ProfileManagerWindow OpenManager() {
    Click(Find(Main(), "Profile manager", "Button"));
    return ProfileManagerWindow(Shoot(WaitWindow(Pid(), "Profile Manager")));
  }
  void CloseManager(const ProfileManagerWindow& m) {
    Click(m.Button("Exit"));
    WaitGone(m.dialog);
  }
  // Closes the profile editor with one of its buttons and waits until the
  // manager has done what follows (saving, filling the list again).
  void Press(const ProfileEditorWindow& e, const char* button) {
    const HWND manager = GetWindow(e.dialog, GW_OWNER);
    Click(e.Button(button));
    // Hidden first, destroyed when its modal loop has ended; only then does
    // the manager go on, and a message sent now waits for it.
    WaitUntil([&] { return !IsWindow(e.dialog); }, "the editor destroyed");
    Settle(manager);
  }

  TempDir game_;
  TempDir tools_;
  std::string exe_;
  std::optional<Process> app_;
  HWND main_ = nullptr;

 private:
  std::string shots_;
  bool shootMain_;
  int shotCount_ = 0;
};

}  // namespace ui
