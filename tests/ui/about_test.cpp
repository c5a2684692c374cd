// The About window, driven from outside: its texts, and the colour effect
// read back from the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"
#include "ToolFixture.h"

namespace {

using ui::kMainCaption;
const char kNote[] =
    "Found bug in this tool ? or maybe you have some idea for new options ?  Please report it at "
    CANTIVOX_REPORT_URL ". Thanks";
// The labels in the order the effect visits them.
const char* const kLabels[] = {"Version:", "0.2.1.7", "Cantivox Tools", "Cantivox Tools team", "Company:",
                               kNote};

// The colours of the pixels a window shows on the screen.
std::set<COLORREF> ScreenColours(HWND window) {
  std::set<COLORREF> colours;
  for (uint32_t pixel : ui::CaptureScreen(ui::ScreenRect(window)))
    colours.insert(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
  return colours;
}

bool Shows(HWND window, COLORREF colour) { return ScreenColours(window).count(colour) > 0; }

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::DeleteRegistryKey(); }
  void TearDown() override { ui::DeleteRegistryKey(); }

  void StartWithGame() {
    ui::InstallGame(dir_.Path());
    app_.emplace(ui::Process::Start(ui::InstallTools(dir_.Path())));
    main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  }
  HWND OpenAbout() {
    ui::Click(ui::Find(main_, "About", "Button"));
    return ui::WaitWindow(app_->Id(), "About");
  }
  std::vector<HWND> Labels(HWND about) {
    std::vector<HWND> labels;
    for (const char* text : kLabels) labels.push_back(ui::Find(about, text, "Static"));
    return labels;
  }
  void ExpectLayoutColours(HWND about) {
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (HWND label : Labels(about)) EXPECT_TRUE(Shows(label, text)) << ui::Describe(label);
  }

  ui::TempDir dir_;
  std::optional<ui::Process> app_;
  HWND main_ = nullptr;
};

TEST_F(AboutTest, ShowsTheToolsOwnVersionAndTexts) {
  StartWithGame();
  HWND about = OpenAbout();
  EXPECT_EQ(ui::Text(ui::FindRightOf(ui::Find(about, "Version:", "Static"))), "0.2.1.7");
  EXPECT_EQ(ui::Text(ui::FindRightOf(ui::Find(about, "Company:", "Static"))), "Cantivox Tools team");
  EXPECT_NO_THROW(ui::FindInGroup(ui::Find(about, "From author:", "Button"), kNote, "Static"));
  ExpectLayoutColours(about);
  ui::SaveScreenshot(about, "about");
}

// A fresh program's generator gives the first pass the colours 0, 14389566,
// 4560972, 5325866, 6220728, 1370560 for the labels in layout order, and
// 474 ms until the next pass: switched off at once, the labels keep them.
TEST_F(AboutTest, FirstPassPaintsTheLabelsInLayoutOrderFromTheGenerator) {
  StartWithGame();
  HWND about = OpenAbout();
  const std::vector<HWND> labels = Labels(about);
  HWND magic = ui::Find(about, "Life with colors :)", "Button");
  ui::Click(magic);
  ui::WaitUntil([&] { return Shows(labels[5], 1370560); }, "the note in its first colour");
  ui::Click(magic);
  ui::Settle(about);
  const COLORREF firstPass[] = {0, 14389566, 4560972, 5325866, 6220728, 1370560};
  for (size_t i = 0; i < labels.size(); ++i)
    EXPECT_TRUE(Shows(labels[i], firstPass[i])) << kLabels[i];
  ui::SaveScreenshot(about, "about-colours");
}

TEST_F(AboutTest, EffectChangesOnlyLabelsAndStopsWhenSwitchedOff) {
  StartWithGame();
  HWND about = OpenAbout();
  HWND title = ui::Find(about, "Cantivox Tools", "Static");
  HWND magic = ui::Find(about, "Life with colors :)", "Button");
  HWND group = ui::Find(about, "From author:", "Button");
  ui::Click(magic);
  ui::Settle(about);
  // The pressed button itself shows the mouse over it; OK shows only itself.
  const std::set<COLORREF> okBefore = ScreenColours(ui::Find(about, "OK", "Button"));
  // Several passes, each label a new colour.
  std::set<std::set<COLORREF>> titleLooks;
  ui::WaitUntil([&] {
    titleLooks.insert(ScreenColours(title));
    return titleLooks.size() >= 4;
  }, "the title in several colours");
  ui::SaveScreenshot(about, "about-effect-on");
  EXPECT_EQ(ScreenColours(ui::Find(about, "OK", "Button")), okBefore);
  EXPECT_TRUE(Shows(group, GetSysColor(COLOR_WINDOWTEXT))) << "the group's caption";

  ui::Click(magic);
  ui::Settle(about);
  Sleep(300);
  const std::set<COLORREF> stopped = ScreenColours(title);
  EXPECT_FALSE(stopped.count(GetSysColor(COLOR_WINDOWTEXT))) << "the title keeps a random colour";
  // Longer than the longest interval: no pass follows.
  Sleep(1200);
  EXPECT_EQ(ScreenColours(title), stopped);
}

TEST_F(AboutTest, ClosingWhileTheEffectRunsAndOpeningAgainStartsFromTheLayout) {
  StartWithGame();
  HWND about = OpenAbout();
  ui::Click(ui::Find(about, "Life with colors :)", "Button"));
  HWND title = ui::Find(about, "Cantivox Tools", "Static");
  ui::WaitUntil([&] { return !Shows(title, GetSysColor(COLOR_WINDOWTEXT)); }, "the effect to start");
  ui::Click(ui::Find(about, "OK", "Button"));
  ui::WaitGone(about);
  EXPECT_FALSE(ui::PollFor([&] { return ui::FindMessageBox(app_->Id()).has_value(); }, 500));
  EXPECT_TRUE(app_->Running());

  about = OpenAbout();
  ExpectLayoutColours(about);
  title = ui::Find(about, "Cantivox Tools", "Static");
  // The effect is off in the new window.
  EXPECT_FALSE(ui::PollFor([&] { return !Shows(title, GetSysColor(COLOR_WINDOWTEXT)); }, 1200));
}

TEST_F(AboutTest, EnterEscAndCloseBoxClose) {
  StartWithGame();
  // The focus starts on OK, the default button.
  HWND about = OpenAbout();
  ui::PressKey(ui::FocusedWindow(about), VK_RETURN);
  ui::WaitGone(about);
  about = OpenAbout();
  ui::PressKey(ui::FocusedWindow(about), VK_ESCAPE);
  ui::WaitGone(about);
  about = OpenAbout();
  ui::Close(about);
  ui::WaitGone(about);
  EXPECT_TRUE(ui::Visible(main_));
  EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
}

TEST_F(AboutTest, OpensWithoutAnInstallation) {
  app_.emplace(ui::Process::Start(ui::InstallTools(dir_.Path())));
  ui::Answer(ui::WaitMessageBox(app_->Id()), "OK");
  main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  HWND about = OpenAbout();
  EXPECT_EQ(ui::Text(ui::FindRightOf(ui::Find(about, "Version:", "Static"))), "0.2.1.7");
}

}  // namespace
