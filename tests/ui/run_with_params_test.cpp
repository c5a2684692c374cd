// "Run Cantivox with parametrs", driven from outside: what the user picks
// reaches the stand-in game as its command line, started in the game's own
// directory.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "ToolFixture.h"

namespace {

using ui::kMainCaption;
const char kCaption[] = "Run Cantivox with parametrs";
const char kWorkedExample[] =
    " -OpenGL -1024x768 -editmididelay100 -editwavevolume50 -filtering2"
    " -logsongerrors -drawbgoff -debug -nolimit";

class RunSpecialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::DeleteRegistryKey();
    installDir_ = root_ / "Cantivox game with blanks";
    ui::MakeDirs(installDir_);
    ui::InstallGame(installDir_);
    ui::SetRegistryString("InstallDir", installDir_);
    // The tool lives and runs elsewhere, so the game's directory can only
    // come from the launch request.
    app_.emplace(ui::Process::Start(ui::InstallTools(toolDir_.Path()), "", toolCwd_.Path()));
    main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  }
  void TearDown() override { ui::DeleteRegistryKey(); }

  HWND OpenComposer() {
    ui::Click(ui::Find(main_, "Run Cantivox with special params", "Button"));
    return ui::WaitWindow(app_->Id(), kCaption);
  }
  HWND Item(HWND composer, const std::string& group, const std::string& caption) {
    return ui::FindInGroup(ui::Find(composer, group, "Button"), caption, "Button");
  }
  void Choose(HWND composer, const std::string& group, const std::string& caption) {
    ui::Click(Item(composer, group, caption));
  }
  void Check(HWND composer, const std::vector<std::string>& boxes) {
    for (const std::string& box : boxes) ui::Click(ui::Find(composer, box, "Button"));
  }
  ui::MsgBox Run(HWND composer) {
    ui::Click(ui::Find(composer, "Run Cantivox", "Button"));
    return ui::WaitMessageBox(app_->Id());
  }
  bool AnyLaunchWithin(int ms) {
    return ui::PollFor([&] { return !ui::ReadLaunchLog(installDir_).empty(); }, ms);
  }
  // The shell puts one blank between the program and the parameters; the
  // composed text brings its own leading blank.
  std::string CommandLine(const std::string& parameters) const {
    return "\"" + installDir_ + "\\Cantivox.exe\"" + (parameters.empty() ? "" : " " + parameters);
  }

  ui::TempDir root_;
  ui::TempDir toolDir_;
  ui::TempDir toolCwd_;
  std::string installDir_;
  std::optional<ui::Process> app_;
  HWND main_ = nullptr;
};

TEST_F(RunSpecialTest, WorkedExampleReachesTheGameAsItsCommandLine) {
  HWND composer = OpenComposer();
  ui::SaveScreenshot(composer, "run-special");
  // Switches first and filtering before the edit-mode settings: the text
  // keeps its own order whatever the order of the clicks.
  Check(composer, {"No FPS limit", "Debug", "Song errors", "Don't draw BG"});
  Choose(composer, "Texture filtering", "Medium");
  Choose(composer, "Edit Mode - Wave volume", "50%");
  Choose(composer, "Edit Mode - Midi delay", "100ms");
  Choose(composer, "Resolution", "1024x768");
  Choose(composer, "Renderer", "OpenGL");

  const ui::MsgBox box = Run(composer);
  EXPECT_EQ(box.caption, "Information");
  EXPECT_EQ(box.icon, ui::Icon::Information);
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(box.text, std::string("Cantivox will run with this parametrs:\n\r") + kWorkedExample);
  ui::SaveScreenshot(box.hwnd, "run-special-confirm");
  ui::Answer(box, "Yes");

  const auto records = ui::WaitLaunchRecords(installDir_, 1);
  EXPECT_EQ(records[0].cmdline, CommandLine(kWorkedExample));
  EXPECT_EQ(records[0].cwd, installDir_);
  // The window stays open with its choices.
  EXPECT_TRUE(ui::Visible(composer));
  EXPECT_TRUE(ui::Checked(Item(composer, "Renderer", "OpenGL")));
  EXPECT_TRUE(ui::Checked(Item(composer, "Texture filtering", "Medium")));
  EXPECT_TRUE(ui::Checked(ui::Find(composer, "Debug", "Button")));
}

TEST_F(RunSpecialTest, EverySwitchInLayoutOrderAfterTheRadioPiecesAndNoStartsNothing) {
  HWND composer = OpenComposer();
  Check(composer, {"No FPS limit", "Benchmark", "Debug", "No BG music", "No mouse", "Force clear BG",
                   "Don't draw effects", "Don't draw FG", "Don't draw BG", "Song warnings",
                   "Song errors", "No errors"});
  Choose(composer, "Texture filtering", "Very Low");
  Choose(composer, "Edit Mode - Wave volume", "33%");
  ui::SaveScreenshot(composer, "run-special-all-switches");

  const ui::MsgBox box = Run(composer);
  EXPECT_EQ(box.text,
            "Cantivox will run with this parametrs:\n\r -editwavevolume33 -filtering0 -noerrors"
            " -logsongerrors -logsongwarnings -drawbgoff -drawfgoff -draweffectsoff"
            " -forceclearbackground -mouseoff -nobgmusic -debug -benchmark -nolimit");
  ui::Answer(box, "No");
  EXPECT_FALSE(AnyLaunchWithin(1000));
  EXPECT_TRUE(ui::Visible(composer));
  EXPECT_TRUE(ui::Checked(ui::Find(composer, "No errors", "Button")));
}

TEST_F(RunSpecialTest, AllDefaultsSaySoAndEachYesStartsTheGameAgain) {
  HWND composer = OpenComposer();
  ui::MsgBox box = Run(composer);
  EXPECT_EQ(box.text, "Cantivox will run with default parametrs!");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
  ui::Answer(box, "Yes");
  auto records = ui::WaitLaunchRecords(installDir_, 1);
  EXPECT_EQ(records[0].cmdline, CommandLine(""));
  EXPECT_EQ(records[0].cwd, installDir_);

  // A second run from the same opening, with a changed choice.
  Choose(composer, "Renderer", "Direct3d");
  box = Run(composer);
  EXPECT_EQ(box.text, "Cantivox will run with this parametrs:\n\r -Direct3d");
  ui::Answer(box, "Yes");
  records = ui::WaitLaunchRecords(installDir_, 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].cmdline, CommandLine(" -Direct3d"));
  EXPECT_EQ(records[1].cwd, installDir_);
}

TEST_F(RunSpecialTest, EnterRunsEscAndCloseBoxCloseAndEachOpeningStartsFromDefaults) {
  HWND composer = OpenComposer();
  // The focus starts on a radio button: Enter presses the default button.
  ui::PressKey(ui::FocusedWindow(composer), VK_RETURN);
  ui::MsgBox box = ui::WaitMessageBox(app_->Id());
  EXPECT_EQ(box.text, "Cantivox will run with default parametrs!");
  ui::Answer(box, "No");

  Choose(composer, "Renderer", "OpenGL");
  ui::Click(ui::Find(composer, "Song warnings", "Button"));
  ui::PressKey(ui::FocusedWindow(composer), VK_ESCAPE);
  ui::WaitGone(composer);
  EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
  EXPECT_TRUE(ui::Visible(main_));

  composer = OpenComposer();
  EXPECT_TRUE(ui::Checked(Item(composer, "Renderer", "Default")));
  EXPECT_FALSE(ui::Checked(Item(composer, "Renderer", "OpenGL")));
  EXPECT_FALSE(ui::Checked(ui::Find(composer, "Song warnings", "Button")));
  for (const char* group : {"Resolution", "Texture filtering", "Edit Mode - Midi delay",
                            "Edit Mode - Wave volume"})
    EXPECT_TRUE(ui::Checked(Item(composer, group, "Default"))) << group;

  ui::Close(composer);
  ui::WaitGone(composer);
  composer = OpenComposer();
  ui::Click(ui::Find(composer, "Cancel", "Button"));
  ui::WaitGone(composer);
  EXPECT_FALSE(AnyLaunchWithin(500));
}

// Each press starts the game again.
TEST_F(RunSpecialTest, MainWindowRunStartsTheGameInItsDirectoryWithoutParameters) {
  ui::Click(ui::Find(main_, "Run Cantivox", "Button"));
  ui::Click(ui::Find(main_, "Run Cantivox", "Button"));
  const auto records = ui::WaitLaunchRecords(installDir_, 2);
  for (const auto& record : records) {
    EXPECT_EQ(record.cmdline, CommandLine(""));
    EXPECT_EQ(record.cwd, installDir_);
  }
  EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
}

}  // namespace

namespace {

// The switches are whatever check boxes stand inside the tagged group boxes.
// Should the window's layout no longer keep to that (changed here from
// outside, as a careless edit of the layout would), composing stops with an
// error report naming the control, before anything is asked or launched;
// the window stays open.
TEST_F(RunSpecialTest, LayoutThatBreaksTheSwitchGroupsIsRefused) {
  const HWND composer = OpenComposer();
  auto expectRefusal = [&](const std::string& text) {
    ui::Click(ui::Find(composer, "Run Cantivox", "Button"));
    const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
    EXPECT_EQ(box.caption, ui::kTitle);
    EXPECT_EQ(box.icon, ui::Icon::Error) << ui::IconName(box.icon);
    EXPECT_EQ(box.text, text);
    ui::Answer(box, "OK");
    EXPECT_FALSE(ui::PollFor([&] { return ui::FindMessageBox(app_->Id()).has_value(); }, 300))
        << "a question after the error";
    EXPECT_TRUE(ui::Visible(composer));
  };

  // A radio button moved into the "Log" group.
  const HWND openGl = Item(composer, "Renderer", "OpenGL");
  const HWND noErrors = ui::Find(composer, "No errors", "Button");
  const RECT log = ui::ScreenRect(ui::Find(composer, "Log", "Button"));
  const RECT before = ui::ScreenRect(openGl);
  POINT place{ui::ScreenRect(noErrors).left, log.bottom - (before.bottom - before.top) - 2};
  ScreenToClient(composer, &place);
  SetWindowPos(openGl, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ui::SaveScreenshot(composer, "run-special-broken-layout");
  expectRefusal("'OpenGL' in switch group 'Log' is not a check box.");

  // Put back, the window composes again.
  POINT back{before.left, before.top};
  ScreenToClient(composer, &back);
  SetWindowPos(openGl, nullptr, back.x, back.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ui::Click(ui::Find(composer, "Run Cantivox", "Button"));
  ui::Answer(ui::WaitMessageBox(app_->Id()), "No");

  // A tagged group that is no group box any more.
  const HWND other = ui::Find(composer, "Other", "Button");
  SetWindowLongA(other, GWL_STYLE, (GetWindowLongA(other, GWL_STYLE) & ~BS_TYPEMASK) | BS_PUSHBUTTON);
  expectRefusal("Switch group 'Other' is not a group box.");
  EXPECT_FALSE(AnyLaunchWithin(500));
}

}  // namespace
