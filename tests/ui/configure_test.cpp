// The configuration window and the game's config.ini, driven from outside.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../win/WineUnix.h"
#include "Driver.h"
#include "ToolFixture.h"
#include "ToolWindows.h"

namespace {

using ui::kMainCaption;
const char kResetQuestion[] =
    "This option will remove file config.ini from your computer and close this window. Run Cantivox to "
    "recreate it.";

// A file the game and its user wrote: everything but the five keys is theirs.
const char kForeignConfig[] =
    "; Cantivox settings\r\n"
    "\r\n"
    "[Graphics]\r\n"
    "Resolution = 800X600\r\n"
    "FULLSCREEN=on\r\n"
    "Screens=3\r\n"
    "VSync=1\r\n"
    "\r\n"
    "[Sound]\r\n"
    "  Volume  =  80  \r\n"
    "[Path]\r\n"
    "songs=default\r\n"
    "[Net]\r\n"
    "UpdateChannel=2\r\n"
    "Proxy=none";

using Window = ui::ConfigureWindow;

class ConfigureTest : public ui::ToolTest {
 protected:
  ConfigureTest() : ToolTest("configure", false) {}

  Window Open() { return OpenConfigure(); }
  void Save(const Window& w) {
    ui::Click(w.Button("Save"));
    ui::WaitGone(w.dialog);
  }
  void Cancel(const Window& w) {
    ui::Click(w.Button("Cancel"));
    ui::WaitGone(w.dialog);
  }
  std::string Config() { return ui::ReadFileBytes(config_); }

  const std::string config_ = game_ / "config.ini";
};

// What the window shows for a file, what a user then does, and the file
// its Save leaves: every byte but the five keys' values as it was.
TEST_F(ConfigureTest, ShowsTheStoredValuesAndSavesThemBackKeepingTheRest) {
  const std::string keys = "[Graphics]\r\nResolution=1024x768\r\nFullScreen=On\r\nScreens=1\r\n[Net]\r\nUpdateChannel=0\r\n";
  const std::string huge(100000, '9');
  const std::string brackets(300000, '[');
  const struct {
    const char* name;
    std::string file;
    ui::ConfigView shown;
    std::function<void(const Window&)> edit;
    std::string saved;
  } cases[] = {
      {"the game's and the user's keys around odd spellings", kForeignConfig,
       {"800", "600", true, 1, "default", 2},  // 3 screens is no choice of the window; a path, not the word Default
       [](const Window& w) { EXPECT_FALSE(ui::Enabled(w.developer)); },
       "; Cantivox settings\r\n\r\n[Graphics]\r\nResolution = 800x600\r\nFULLSCREEN=On\r\nScreens=1\r\nVSync=1\r\n\r\n"
       "[Sound]\r\n  Volume  =  80  \r\n[Path]\r\nsongs=default\r\n[Net]\r\nUpdateChannel=2\r\nProxy=none"},
      // The word Default removes the key; choices made in the window are written.
      {"values the window cannot use leave its defaults",
       "[Graphics]\nResolution=800\nFullScreen=1\nScreens=0\n[Path]\nSongs=Default\n[Net]\nUpdateChannel=3\n",
       ui::kConfigDefaults,
       [](const Window& w) {
         ui::Click(w.fullOff);
         ui::Click(w.monitor2);
         ui::Click(w.experimental);
       },
       "[Graphics]\nResolution=1024x768\nFullScreen=Off\nScreens=2\n[Path]\n[Net]\nUpdateChannel=1\n"},
      {"a resolution of three parts and an empty songs folder",
       "[Graphics]\r\nResolution=1024x768x32\r\n[Path]\r\nSongs=\r\n", {"1024", "768X32", true, 1, "", 0}, nullptr,
       "[Graphics]\r\nResolution=1024x768X32\r\nFullScreen=On\r\nScreens=1\r\n[Path]\r\nSongs=\r\n"
       "[Net]\r\nUpdateChannel=0\r\n"},
      // Save checks nothing: an empty width stays empty.
      {"no width", "[Graphics]\r\nResolution=x768\r\n", {"", "768", true, 1, "Default", 0}, nullptr,
       "[Graphics]\r\nResolution=x768\r\nFullScreen=On\r\nScreens=1\r\n[Net]\r\nUpdateChannel=0\r\n"},
      {"the developer channel stays until another is picked", "[Net]\nUpdateChannel=2\n",
       {"1024", "768", true, 1, "Default", 2},
       [](const Window& w) {
         ui::Click(w.stable);
         EXPECT_TRUE(ui::Checked(w.stable));
         EXPECT_FALSE(ui::Checked(w.developer));
         EXPECT_THROW(ui::Click(w.developer), ui::DriverError);  // a user cannot reach it
       },
       "[Net]\nUpdateChannel=0\n[Graphics]\nResolution=1024x768\nFullScreen=On\nScreens=1\n"},
      {"without a stored resolution a bad entry stays and is saved", "[Graphics]\r\nResolution=800\r\n",
       ui::kConfigDefaults,
       [this](const Window& w) {
         ui::SetText(w.height, "abc");
         ui::LeaveEdit(w.height);
         Acknowledge("'abc' is not a valid integer value");
         EXPECT_EQ(ui::Text(w.height), "abc");
       },
       "[Graphics]\r\nResolution=1024xabc\r\nFullScreen=On\r\nScreens=1\r\n[Net]\r\nUpdateChannel=0\r\n"},
      // The resolution's first 2047 characters hold no "x".
      {"a first line of 300000 brackets and a resolution of 100000 digits",
       brackets + "\r\n[Graphics]\r\nResolution=" + huge + "x1\r\n", ui::kConfigDefaults, nullptr,
       brackets + "\r\n" + keys},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::WriteFileBytes(config_, c.file);
    const Window w = Open();
    ui::ExpectShows(w, c.shown);
    ExpectNoMessageBox();
    if (c.edit) c.edit(w);
    Save(w);
    EXPECT_EQ(Config(), c.saved);
  }
}

TEST_F(ConfigureTest, SetDefaultRemovesTheSongsKeyAndACancelledBrowseChangesNothing) {
  ui::WriteFileBytes(config_, "[Path]\r\nSongs=C:\\Songs\r\nOther=1\r\n");
  const Window w = Open();
  EXPECT_EQ(ui::Text(w.songsDir), "C:\\Songs");
  EXPECT_EQ(ui::TipOf(app_->Id(), w.songsDir, 1500), "") << "a folder that fits has no tip";

  ui::Click(w.Button("Change directory"));
  const HWND browse = ui::WaitWindowWhere(
      app_->Id(), [&](HWND top) { return top != w.dialog && ui::ClassOf(top) == "#32770" && ui::Enabled(top); },
      ui::kTimeout,
      "the folder dialog");
  EXPECT_FALSE(ui::Enabled(w.dialog));  // modal to the whole program
  EXPECT_FALSE(ui::Enabled(main_));
  EXPECT_NO_THROW(ui::Find(browse, "Select new Songs directory", "Static"));
  Shoot(browse);
  ui::Click(ui::Find(browse, "Cancel", "Button"));
  ui::WaitGone(browse);
  EXPECT_EQ(ui::Text(w.songsDir), "C:\\Songs");

  ui::Click(w.Button("Set default"));
  EXPECT_EQ(ui::Text(w.songsDir), "Default");
  Save(w);
  EXPECT_EQ(Config(),
            "[Path]\r\nOther=1\r\n[Graphics]\r\nResolution=1024x768\r\nFullScreen=On\r\nScreens=1\r\n"
            "[Net]\r\nUpdateChannel=0\r\n");
}

TEST_F(ConfigureTest, AConfirmedFolderBecomesTheSongsDirectory) {
  const Window w = Open();
  ui::Click(w.Button("Change directory"));
  const HWND browse = ui::WaitWindowWhere(
      app_->Id(), [&](HWND top) { return top != w.dialog && ui::ClassOf(top) == "#32770" && ui::Enabled(top); },
      ui::kTimeout, "the folder dialog");
  // The tree opens at its root, the desktop, which is a file-system folder.
  ui::Click(ui::Find(browse, "OK", "Button"));
  ui::WaitGone(browse);
  const std::string chosen = ui::Text(w.songsDir);
  EXPECT_TRUE(ui::DirExists(chosen)) << chosen;
  Save(w);
  EXPECT_NE(Config().find("[Path]\r\nSongs=" + chosen + "\r\n"), std::string::npos) << Config();
}

// A folder too long for the label shows shortened, and whole as its tip.
TEST_F(ConfigureTest, ALongSongsFolderShowsWholeAsTheLabelsTip) {
  const std::string songs =
      "D:\\Music\\Karaoke\\Everything we ever sang at the long winter evenings\\Sorted by the year of the song\\1990s";
  ui::WriteFileBytes(config_, "[Path]\r\nSongs=" + songs + "\r\n");
  const Window w = Open();
  EXPECT_EQ(ui::Text(w.songsDir), songs);
  EXPECT_EQ(ui::TipOf(app_->Id(), w.songsDir), songs);
  Cancel(w);
}

// A songs folder whose name holds a line break (a Linux name, under Wine,
// as the folder dialog delivers it) cannot be stored: Save stops there, as
// at a failed write, with the resolution before it written and the settings
// after it not, and the window stays open.
TEST_F(ConfigureTest, ASongsFolderWithALineBreakStopsSave) {
  ui::WriteFileBytes(config_, "[Graphics]\r\nFullScreen=On\r\n");
  const Window w = Open();
  ui::Click(w.fullOff);
  ui::SetText(w.songsDir, "Z:\\home\\me\\my\nsongs");
  ui::Click(w.Button("Save"));
  Acknowledge(
      "The Songs directory holds a line break, which config.ini cannot store. Choose a folder whose name has no "
      "line break, or press Set default.",
      ui::Icon::Error);
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(Config(), "[Graphics]\r\nFullScreen=On\r\nResolution=1024x768\r\n");
  Cancel(w);
}

// Closing without Save writes nothing, and asks nothing of an edit left bad.
TEST_F(ConfigureTest, CancelEscAndTheCloseBoxWriteNothing) {
  ui::WriteFileBytes(config_, kForeignConfig);
  for (const bool bad : {false, true}) {
    for (const char* way : {"Cancel", "Esc", "close box"}) {
      SCOPED_TRACE(std::string(way) + (bad ? ", a bad width in focus" : ", other values chosen"));
      const Window w = Open();
      if (bad) {
        ui::Focus(w.width);
        ui::SetText(w.width, "abc");
      } else {
        ui::SetText(w.width, "640");
        ui::Click(w.fullOff);
        ui::Click(w.Button("Set default"));
      }
      if (way == std::string("Cancel"))
        ui::Click(w.Button("Cancel"));
      else if (way == std::string("Esc"))
        ui::PressKey(w.width, VK_ESCAPE);
      else
        ui::Close(w.dialog);
      ui::WaitGone(w.dialog);
      ExpectNoMessageBox();
      EXPECT_EQ(Config(), kForeignConfig);
    }
  }
}

TEST_F(ConfigureTest, EnterSaves) {
  const Window w = Open();
  ui::SetText(w.width, "1280");
  ui::PressKey(w.width, VK_RETURN);
  ui::WaitGone(w.dialog);
  EXPECT_EQ(Config().substr(0, 36), "[Graphics]\r\nResolution=1280x768\r\nFul");
}

TEST_F(ConfigureTest, LeavingABadResolutionRestoresTheStoredPart) {
  ui::WriteFileBytes(config_, "[Graphics]\r\nResolution=800x600\r\n");
  const Window w = Open();
  const struct {
    bool width;
    const char* typed;
    const char* message;
  } cases[] = {
      {true, "abc", "'abc' is not a valid integer value"},
      {true, "", "'' is not a valid integer value"},
      {true, "12 ", "'12 ' is not a valid integer value"},
      {false, "0", "Resolution must be bigger than 0"},
      {false, "-640", "Resolution must be bigger than 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const HWND edit = c.width ? w.width : w.height;
    const HWND other = c.width ? w.height : w.width;
    ui::SetText(other, "999");
    ui::SetText(edit, c.typed);
    ui::LeaveEdit(edit);
    Acknowledge(c.message);
    EXPECT_EQ(ui::Text(edit), c.width ? "800" : "600");
    EXPECT_EQ(ui::Text(other), "999");  // only the edit that was left
  }
  // Valid numbers, hexadecimal too, pass silently.
  for (const char* good : {"1280", " 42", "$400"}) {
    ui::SetText(w.width, good);
    ui::LeaveEdit(w.width);
    ExpectNoMessageBox();
    EXPECT_EQ(ui::Text(w.width), good);
  }
  Cancel(w);
  EXPECT_EQ(Config(), "[Graphics]\r\nResolution=800x600\r\n");
}

TEST_F(ConfigureTest, TwoBadEditsGiveOneMessageAtATime) {
  ui::WriteFileBytes(config_, "[Graphics]\r\nResolution=800\r\n");
  const Window w = Open();
  ui::SetText(w.width, "abc");
  ui::SetText(w.height, "xyz");
  // Tab from the width goes to the height; the width's box takes the focus
  // from the height, which must not be checked for that.
  ui::LeaveEdit(w.width);
  Acknowledge("'abc' is not a valid integer value");
  ExpectNoMessageBox();
  EXPECT_NO_THROW(ui::WaitUntil([&] { return ui::FocusedWindow(w.dialog) == w.height; }, "the focus back on the height"));
  ui::LeaveEdit(w.height);
  Acknowledge("'xyz' is not a valid integer value");
  ExpectNoMessageBox();
  Cancel(w);
}

TEST_F(ConfigureTest, AbortKeepsTheFileAndYesRemovesIt) {
  ui::WriteFileBytes(config_, kForeignConfig);
  Window w = Open();
  ui::Click(w.Button("Reset all setting to default !"));
  ui::MsgBox box = ExpectBox(kResetQuestion, ui::Icon::Warning, "Warning", {"Yes", "Abort"});
  ui::Answer(box, "Abort");
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(Config(), kForeignConfig);

  // Esc on the question answers Abort too.
  ui::Click(w.Button("Reset all setting to default !"));
  box = ui::WaitMessageBox(app_->Id());
  ui::PressKey(box.hwnd, VK_ESCAPE);
  ui::WaitGone(box.hwnd);
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(Config(), kForeignConfig);

  ui::SetText(w.width, "640");
  ui::Click(w.Button("Reset all setting to default !"));
  box = ui::WaitMessageBox(app_->Id());
  ui::Answer(box, "Yes");
  ui::WaitGone(w.dialog);
  EXPECT_FALSE(ui::FileExists(config_));

  // The next opening shows the screen and the layout's defaults, and a Save
  // makes a file of the written keys only.
  w = Open();
  ui::ExpectShows(w, ui::kConfigDefaults);
  Save(w);
  EXPECT_EQ(Config(),
            "[Graphics]\r\nResolution=1024x768\r\nFullScreen=On\r\nScreens=1\r\n[Net]\r\nUpdateChannel=0\r\n");
}

TEST_F(ConfigureTest, AFailedSaveReportsTheFileAndKeepsTheWindowOpen) {
  ui::WriteFileBytes(config_, kForeignConfig);
  ASSERT_TRUE(SetFileAttributesA(config_.c_str(), FILE_ATTRIBUTE_READONLY));
  const Window w = Open();
  ui::SetText(w.width, "640");
  ui::Click(w.Button("Save"));
  Acknowledge("Unable to write to " + config_ + ".", ui::Icon::Error);
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(Config(), kForeignConfig);

  // Once the file may be written again, the same window saves.
  ASSERT_TRUE(SetFileAttributesA(config_.c_str(), FILE_ATTRIBUTE_NORMAL));
  Save(w);
  EXPECT_NE(Config().find("Resolution = 640x600"), std::string::npos);

  // A directory in the file's place reads as no file, and Save says so.
  ui::RemoveTree(config_);
  ui::MakeDirs(config_);
  const Window d = Open();
  ui::ExpectShows(d, ui::kConfigDefaults);
  ui::Click(d.Button("Save"));
  Acknowledge("Unable to write to " + config_ + ".", ui::Icon::Error);
  Cancel(d);
  EXPECT_TRUE(ui::DirExists(config_));
}

// A config.ini that stays is said to stay, and the window stays open on it;
// a config.ini that is a link goes as a link, never taking the file it
// leads to.
TEST_F(ConfigureTest, ResetThatCannotDeleteSaysSoAndALinkGoesAlone) {
  ui::WriteFileBytes(config_, kForeignConfig);
  ASSERT_TRUE(SetFileAttributesA(config_.c_str(), FILE_ATTRIBUTE_READONLY));
  Window w = Open();
  ui::Click(w.Button("Reset all setting to default !"));
  ui::Answer(ui::WaitMessageBox(app_->Id()), "Yes");
  ui::Answer(ExpectBox("config.ini could not be deleted: " + config_ +
                           ". Close Cantivox, make sure the file is not read-only, and try again.",
                       ui::Icon::Error, "Error"),
             "OK");
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(Config(), kForeignConfig);
  // The window still works on the file once it may be written.
  ASSERT_TRUE(SetFileAttributesA(config_.c_str(), FILE_ATTRIBUTE_NORMAL));
  Save(w);

  const ui::TempDir elsewhere;
  const std::string players = elsewhere / "my config.ini";
  ui::WriteFileBytes(players, kForeignConfig);
  DeleteFileA(config_.c_str());
  wineunix::MakeFileLink(config_, players);
  // Wine cannot remove a link as a link: it stays, and what it leads to.
  w = Open();
  ui::Click(w.Button("Reset all setting to default !"));
  ui::Answer(ui::WaitMessageBox(app_->Id()), "Yes");
  ui::Answer(ExpectBox("config.ini could not be deleted: " + config_ +
                           " is a link to a file elsewhere, which is not the game's to delete. Delete the link "
                           "yourself.",
                       ui::Icon::Error, "Error"),
             "OK");
  EXPECT_TRUE(ui::Visible(w.dialog));
  EXPECT_EQ(ui::ReadFileBytes(players), kForeignConfig);
}

TEST_F(ConfigureTest, LayoutPlacesEveryControlAtItsPixelPlace) {
  const Window w = Open();
  POINT origin{0, 0};
  ClientToScreen(w.dialog, &origin);

  const struct {
    const char* name;
    HWND control;
    int x, y, width, height;
  } places[] = {
      {"GroupBox1", w.Button("Customize configuration"), 0, 0, 577, 170},
      {"gbScreens", w.Button("Screens"), 5, 15, 61, 74},
      {"rbMonitor1", w.monitor1, 22, 39, 38, 17},
      {"rbMonitor2", w.monitor2, 22, 62, 38, 17},
      {"GroupBox5", w.Button("Fullscreen"), 69, 15, 67, 74},
      {"rbFullON", w.fullOn, 83, 39, 38, 17},
      {"rbFullOFF", w.fullOff, 83, 62, 38, 17},
      {"GroupBox3", w.Button("Resolution"), 139, 15, 105, 74},
      {"Label3", ui::Find(w.dialog, "W:", "Static"), 147, 40, 14, 13},
      {"eResW", w.width, 167, 36, 61, 21},
      {"Label4", ui::Find(w.dialog, "H:", "Static"), 147, 63, 14, 13},
      {"eResH", w.height, 167, 60, 61, 21},
      {"GroupBox6", w.Button("Songs directory"), 247, 15, 324, 74},
      {"lSongsDir", w.songsDir, 250, 36, 305, 18},
      {"bSongsDir", w.Button("Change directory"), 263, 60, 137, 19},
      {"bSetDefSongsDir", w.Button("Set default"), 422, 60, 137, 19},
      {"gbChannel", w.Button("Update channel"), 5, 92, 239, 45},
      {"rbStable", w.stable, 19, 111, 56, 17},
      {"rbExperimental", w.experimental, 75, 111, 92, 17},
      {"rbDeveloper", w.developer, 167, 111, 74, 17},
      {"bResetSettings", w.Button("Reset all setting to default !"), 3, 143, 172, 25},
      {"bSave", w.Button("Save"), 383, 143, 91, 25},
      {"bClose", w.Button("Cancel"), 480, 143, 91, 25},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.name);
    RECT r = ui::ScreenRect(p.control);
    // Dialog units are 1.5 x 1.625 pixels: a pixel either way is rounding.
    EXPECT_NEAR(r.left - origin.x, p.x, 1);
    EXPECT_NEAR(r.top - origin.y, p.y, 1);
    EXPECT_NEAR(r.right - r.left, p.width, 1);
    EXPECT_NEAR(r.bottom - r.top, p.height, 1);
  }

  // The tab order is TabOrderTest's, which presses Tab through it.
  EXPECT_TRUE(GetWindowLongA(w.Button("Save"), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetDlgCtrlID(w.Button("Cancel")), IDCANCEL);
  Cancel(w);
}

}  // namespace
