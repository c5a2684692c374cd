// The order in which Tab moves the focus through each window, driven from
// outside with the Tab key itself; and the client size of each window.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "ToolFixture.h"
#include "ToolWindows.h"

namespace {

using ui::kMainCaption;

using Names = std::vector<std::string>;

Names Described(const std::vector<HWND>& controls) {
  Names names;
  for (HWND control : controls) names.push_back(ui::Describe(control));
  return names;
}

class TabOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::DeleteRegistryKey();
    ui::InstallGame(game_.Path());
    ui::MakeDirs(game_ / "Profiles");
    app_.emplace(ui::Process::Start(ui::InstallTools(game_.Path())));
    main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  }
  void TearDown() override { ui::DeleteRegistryKey(); }

  HWND OpenFromMain(const char* button, const char* caption) {
    ui::Click(ui::Find(main_, button, "Button"));
    return ui::WaitWindow(app_->Id(), caption);
  }

  // Puts the focus on the first control and presses Tab until it comes back
  // there; the controls in the order the focus visited them.
  static Names TabCycle(HWND dialog, HWND first) {
    ui::Focus(first);
    std::vector<HWND> visited{first};
    for (int press = 0; press < 40; ++press) {
      const HWND from = ui::FocusedWindow(dialog);
      ui::PressKey(from, VK_TAB);
      ui::PollFor([&] { return ui::FocusedWindow(dialog) != from; }, 2000);
      const HWND to = ui::FocusedWindow(dialog);
      if (to == first || to == from) break;
      visited.push_back(to);
    }
    return Described(visited);
  }
  // The cycle must visit exactly `expected`, starting from its first.
  static void ExpectTabOrder(HWND dialog, const std::vector<HWND>& expected) {
    EXPECT_EQ(TabCycle(dialog, expected.front()), Described(expected));
  }

  ui::TempDir game_;
  std::optional<ui::Process> app_;
  HWND main_ = nullptr;
};

TEST_F(TabOrderTest, MainWindowGoesAlongTheRowOfTools) {
  std::vector<HWND> expected;
  for (const char* caption : {"Profile manager", "Configuration", "Maintenance", "Run Cantivox with special params",
                              "Run Cantivox", "About", "Exit"})
    expected.push_back(ui::Find(main_, caption, "Button"));
  ExpectTabOrder(main_, expected);
}

// The top row (screens, full screen, width, height, the two songs folder
// buttons), then reset, Save, Cancel, and the update channel last. A group
// of radio buttons is one stop, at its selected button.
TEST_F(TabOrderTest, ConfigureGoesAlongTheTopRowThenTheButtonsThenTheChannel) {
  const ui::ConfigureWindow w(OpenFromMain("Configuration", "Configure"));
  ExpectTabOrder(w.dialog, {w.monitor1, w.fullOn, w.width, w.height, w.Button("Change directory"),
                            w.Button("Set default"), w.Button("Reset all setting to default !"), w.Button("Save"),
                            w.Button("Cancel"), w.stable});
  // The stop of a group moves with its selection.
  ui::Click(w.monitor2);
  ui::Click(w.experimental);
  ExpectTabOrder(w.dialog, {w.monitor2, w.fullOn, w.width, w.height, w.Button("Change directory"),
                            w.Button("Set default"), w.Button("Reset all setting to default !"), w.Button("Save"),
                            w.Button("Cancel"), w.experimental});
}

TEST_F(TabOrderTest, ProfileManagerStartsAtTheList) {
  const ui::ProfileManagerWindow m(OpenFromMain("Profile manager", "Profile Manager"));
  ExpectTabOrder(m.dialog, {m.list, m.Button("Add"), m.Button("Delete"), m.Button("Modify"), m.Button("Exit")});
}

// The settings first, then the avatar's buttons; the picture is no stop.
TEST_F(TabOrderTest, ProfileEditorGoesThroughTheSettingsThenTheAvatar) {
  const ui::ProfileManagerWindow m(OpenFromMain("Profile manager", "Profile Manager"));
  ui::Click(m.Button("Add"));
  const ui::ProfileEditorWindow e(ui::WaitWindow(app_->Id(), "Profile"));
  ExpectTabOrder(e.dialog, {e.name, e.login, e.locked, e.Button("Save"), e.Button("Cancel"), e.Button("Set"),
                            e.Button("Remove")});
}

TEST_F(TabOrderTest, MaintenanceGoesThroughTheBoxesThenClearAndCancel) {
  const HWND w = OpenFromMain("Maintenance", "Maintenance");
  ExpectTabOrder(w, {ui::Find(w, "Clear Temp directory", "Button"), ui::Find(w, "Clear covers cache", "Button"),
                     ui::Find(w, "Clear", "Button"), ui::Find(w, "Cancel", "Button")});
}

// OK, then the effect's button; the group with the note takes no focus.
TEST_F(TabOrderTest, AboutStartsAtOk) {
  const HWND w = OpenFromMain("About", "About");
  ExpectTabOrder(w, {ui::Find(w, "OK", "Button"), ui::Find(w, "Life with colors :)", "Button")});
}

// The composer's choices in the order they stand, from top to bottom, then
// its two buttons.
TEST_F(TabOrderTest, ComposerGoesFromTopToBottom) {
  const HWND w = OpenFromMain("Run Cantivox with special params", "Run Cantivox with parametrs");
  std::vector<HWND> expected;
  for (const char* group : {"Renderer", "Resolution", "Texture filtering", "Edit Mode - Midi delay",
                            "Edit Mode - Wave volume"})
    expected.push_back(ui::FindInGroup(ui::Find(w, group, "Button"), "Default", "Button"));
  for (const char* box : {"No errors", "Song errors", "Song warnings", "Don't draw BG", "Don't draw FG",
                          "Don't draw effects", "Force clear BG", "No mouse", "No BG music", "Debug", "Benchmark",
                          "No FPS limit", "Run Cantivox", "Cancel"})
    expected.push_back(ui::Find(w, box, "Button"));
  ExpectTabOrder(w, expected);
}

// Each window's client area comes out at its size in pixels exactly, not
// as near as dialog units round to.
TEST_F(TabOrderTest, EveryWindowComesOutAtItsPixelSize) {
  const struct {
    const char* button;  // in the main window; none for the main window
    const char* caption;
    LONG width, height;
  } windows[] = {
      {nullptr, kMainCaption, 669, 225},
      {"Run Cantivox with special params", "Run Cantivox with parametrs", 391, 569},
      {"Configuration", "Configure", 577, 170},
      {"Profile manager", "Profile Manager", 386, 348},
      {"Maintenance", "Maintenance", 214, 130},
      {"About", "About", 314, 233},
  };
  const auto expectSize = [](HWND window, LONG width, LONG height) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, width) << ui::Describe(window);
    EXPECT_EQ(client.bottom, height) << ui::Describe(window);
  };
  for (const auto& w : windows) {
    const HWND window = w.button ? OpenFromMain(w.button, w.caption) : main_;
    expectSize(window, w.width, w.height);
    if (window == main_) continue;
    if (std::string(w.caption) == "Profile Manager") {
      ui::Click(ui::Find(window, "Add", "Button"));
      const HWND editor = ui::WaitWindow(app_->Id(), "Profile");
      expectSize(editor, 353, 159);
      ui::PressKey(editor, VK_ESCAPE);
      ui::WaitGone(editor);
    }
    ui::PressKey(window, VK_ESCAPE);
    ui::WaitGone(window);
  }
}

}  // namespace
