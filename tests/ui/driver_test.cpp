// The driver's own tests: it drives the small fixture dialog and the
// stand-in game, so that a fault in the driver shows here and not as a
// puzzling failure of the program's end-to-end tests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

using ::testing::HasSubstr;

TEST(LaunchLog, RecordsSurviveAnyBytes) {
  const std::vector<launchlog::Record> records = {
      {"\"C:\\a b\\Cantivox.exe\" -x \"q\"", " -x \"q\"", "C:\\a b"},
      {"x", "", ""},
      {"line\nbreak]=cmdline[3]=x\n\n", "\n\n", "C:\\t\\"},
      {std::string("nul\0byte", 8), std::string(" \0", 2), "\xE9t\xE9"},
  };
  std::string log;
  for (const auto& r : records) log += launchlog::Format(r);
  const auto parsed = launchlog::Parse(log);
  ASSERT_EQ(parsed.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(parsed[i].cmdline, records[i].cmdline) << i;
    EXPECT_EQ(parsed[i].params, records[i].params) << i;
    EXPECT_EQ(parsed[i].cwd, records[i].cwd) << i;
  }
  // A record still being written, or a damaged one, ends the list.
  for (size_t cut = 1; cut < launchlog::Format(records.back()).size(); ++cut)
    EXPECT_EQ(launchlog::Parse(log.substr(0, log.size() - cut)).size(), records.size() - 1) << cut;
  EXPECT_TRUE(launchlog::Parse("cmdline[99]=short\nparams[0]=\ncwd[0]=\n\n").empty());
}

TEST(LaunchLog, ParameterPartDropsOnlyTheProgramName) {
  const struct {
    const char* cmdline;
    const char* params;
  } cases[] = {
      {"\"C:\\Program Files\\Cantivox.exe\" -a  b ", " -a  b "},
      {"C:\\Games\\Cantivox.exe -a", " -a"},
      {"Cantivox.exe\t-a", "\t-a"},
      {"\"C:\\x y\\Cantivox.exe\"-a", "-a"},
      {"\"C:\\x y\\Cantivox.exe\"", ""},
      {"Cantivox.exe", ""},
      {"\"unclosed -a", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(launchlog::ParameterPart(c.cmdline), c.params) << c.cmdline;
}

TEST(Files, TempDirGoesWithReadOnlyAndNestedContent) {
  std::string kept;
  {
    ui::TempDir dir;
    kept = dir.Path();
    ui::MakeDirs(dir / "a\\b\\c");
    ui::WriteFileBytes(dir / "a\\b\\c\\f.txt", "x");
    ui::WriteFileBytes(dir / "ro.txt", "y");
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ui::ReadFileBytes(dir / "a\\b\\c\\f.txt"), "x");
    ui::TempDir other;
    EXPECT_NE(other.Path(), dir.Path());
  }
  EXPECT_FALSE(ui::DirExists(kept));
  EXPECT_THROW(ui::ReadFileBytes(kept + "\\ro.txt"), ui::DriverError);
}

TEST(Files, EnvPathGivesWindowsPaths) {
  {
    ui::ScopedEnv env("CVX_DRIVER_PATH", "/work/main/build/x.exe");
    EXPECT_EQ(ui::EnvPath("CVX_DRIVER_PATH"), "Z:\\work\\main\\build\\x.exe");
  }
  {
    ui::ScopedEnv env("CVX_DRIVER_PATH", "Z:/a/b");
    EXPECT_EQ(ui::EnvPath("CVX_DRIVER_PATH"), "Z:\\a\\b");
  }
  EXPECT_THROW(ui::EnvPath("CVX_DRIVER_PATH"), ui::DriverError);
}

TEST(Registry, ValuesOfAnyTypeAndWholeKeys) {
  const std::string key = "SOFTWARE\\CantivoxDriverTest";
  ui::SetRegistryString("InstallDir", "C:\\Games\\Cantivox", key);
  ui::SetRegistryDword("InstallVer", 7, key);
  ui::SetRegistryValue("Raw", REG_BINARY, std::string("\x01\x00\x02", 3), key);
  ui::SetRegistryString("Deep", "1", key + "\\Sub\\Sub");
  EXPECT_EQ(ui::ReadRegistryString("InstallDir", key), "C:\\Games\\Cantivox");
  // A value of another type is not a string.
  EXPECT_EQ(ui::ReadRegistryString("InstallVer", key), std::nullopt);
  ui::DeleteRegistryValue("InstallDir", key);
  EXPECT_EQ(ui::ReadRegistryString("InstallDir", key), std::nullopt);
  ui::DeleteRegistryKey(key);
  EXPECT_EQ(ui::ReadRegistryString("Deep", key + "\\Sub\\Sub"), std::nullopt);
  ui::DeleteRegistryKey(key);  // already gone: no error
}

// ---- The stand-in game -------------------------------------------------------

TEST(Game, LogsCommandLineAndDirectoryOfEveryStart) {
  ui::TempDir install, work;
  const std::string game = ui::InstallGame(install.Path());
  const std::string args = "-Fullscreen  \"-Profile=A B\" x\\y";
  auto first = ui::Process::Start(game, args, work.Path());
  ASSERT_TRUE(first.WaitExit());
  EXPECT_EQ(first.ExitCode(), 0u);
  auto second = ui::Process::Start(game);
  ASSERT_TRUE(second.WaitExit());

  const auto records = ui::WaitLaunchRecords(install.Path(), 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].cmdline, "\"" + game + "\" " + args);
  EXPECT_EQ(records[0].params, " " + args);
  EXPECT_EQ(records[0].cwd, work.Path());
  EXPECT_EQ(records[1].params, "");
}

TEST(Game, DemoShowsWhatItWasStartedWith) {
  ui::TempDir install;
  ui::ScopedEnv demo("CANTIVOX_DEMO", "1");
  auto game = ui::Process::Start(ui::InstallGame(install.Path()), "-Demo", install.Path());
  HWND window = ui::WaitWindow(game.Id(), "Cantivox");
  EXPECT_THAT(ui::Text(ui::FindNth(window, "Static", 0)), HasSubstr("Parameters: -Demo"));
  ui::SaveScreenshot(window, "game-demo");
  // It would close itself after a few seconds; the test does not wait.
  ui::Close(window);
  EXPECT_TRUE(game.WaitExit(2000));
}

// ---- The fixture dialog ------------------------------------------------------

class Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ui::Process::Start(ui::EnvPath("CANTIVOX_UI_FIXTURE"), "-a \"b c\"", dir.Path());
    dlg = ui::WaitWindow(app.Id(), "Driver Fixture");
    value = ui::FindRightOf(ui::Find(dlg, "Name:", "Static"));
    list = ui::FindNth(dlg, "ListBox", 0);
  }
  ui::TempDir dir;
  ui::Process app;
  HWND dlg = nullptr, value = nullptr, list = nullptr;
};

TEST_F(Fixture, FindsAndReadsControls) {
  EXPECT_EQ(ui::Text(value), "none");
  EXPECT_EQ(ui::Text(ui::FindById(dlg, 117)), "args: -a \"b c\"|cwd:" + dir.Path());
  EXPECT_EQ(ui::FindNth(dlg, "Edit", 1), ui::FindById(dlg, 104));
  EXPECT_EQ(ui::Find(dlg, "&Add"), ui::Find(dlg, "Add", "button"));
  EXPECT_EQ(ui::ListItems(list),
            (std::vector<std::string>{"alpha", "beta", "gamma", std::string(500, 'z')}));
  EXPECT_EQ(ui::ListSelection(list), -1);
  HWND loud = ui::FindInGroup(ui::Find(dlg, "Options", "Button"), "Loud");
  EXPECT_FALSE(ui::Checked(loud));
  EXPECT_FALSE(ui::Enabled(ui::Find(dlg, "Never")));
  EXPECT_TRUE(ui::Enabled(ui::Find(dlg, "Add")));
  EXPECT_FALSE(ui::Visible(ui::Find(dlg, "Hidden")));
  EXPECT_TRUE(ui::Visible(value));
  EXPECT_FALSE(ui::FindMessageBox(app.Id()).has_value());

  // Failures name what is there, so that a test's failure explains itself.
  try {
    ui::Find(dlg, "Remove", "Button");
    ADD_FAILURE() << "found a button that is not there";
  } catch (const ui::DriverError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Button \"&Add\" #1"));
  }
  try {
    ui::WaitWindow(app.Id(), "Nothing", 100);
    ADD_FAILURE() << "found a window that is not there";
  } catch (const ui::DriverError& e) {
    EXPECT_THAT(e.what(), HasSubstr("\"Driver Fixture\""));
  }
  EXPECT_THROW(ui::Click(ui::Find(dlg, "Never")), ui::DriverError);
  EXPECT_THROW(ui::FindNth(dlg, "Edit", 2), ui::DriverError);
}

TEST_F(Fixture, TypesLeavesAndClicks) {
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  // A letter outside ASCII checks that text crosses over in the ANSI code
  // page both ways.
  ui::SetText(edit, "d\xE9lta");
  EXPECT_EQ(ui::Text(edit), "d\xE9lta");
  ui::LeaveEdit(edit);
  EXPECT_EQ(ui::Text(value), "left:d\xE9lta");
  EXPECT_EQ(ui::FocusedWindow(dlg), ui::FindNth(dlg, "Edit", 1));

  ui::Click(ui::Find(dlg, "Add"));
  EXPECT_EQ(ui::Text(value), "added");
  EXPECT_EQ(ui::ListItems(list).back(), "d\xE9lta");
  EXPECT_EQ(ui::ListSelection(list), 4);

  HWND loud = ui::Find(dlg, "Loud", "Button");
  ui::Click(loud);
  EXPECT_TRUE(ui::Checked(loud));
  EXPECT_EQ(ui::Text(value), "loud");

  ui::ClickItem(list, 1);
  EXPECT_EQ(ui::Text(value), "selected:beta");
  ui::DoubleClick(list);
  EXPECT_EQ(ui::Text(value), "open:beta");
  ui::DoubleClickItem(list, 4);
  EXPECT_EQ(ui::Text(value), "open:d\xE9lta");
  ui::DoubleClick(ui::FindById(dlg, 116));
  EXPECT_EQ(ui::Text(value), "picture");
}

TEST_F(Fixture, KeysReachDialogAndList) {
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  ui::SetText(edit, "epsilon");
  ui::Focus(edit);
  ui::PressKey(edit, VK_RETURN);
  ui::WaitText(value, "added");
  EXPECT_EQ(ui::ListItems(list).back(), "epsilon");

  ui::ClickItem(list, 0);
  ui::PressKey(list, VK_DELETE);
  ui::WaitText(value, "deleted:alpha");
  EXPECT_EQ(ui::ListItems(list).front(), "beta");

  ui::PressKey(list, VK_ESCAPE);
  ASSERT_TRUE(app.WaitExit(5000));
  EXPECT_EQ(app.ExitCode(), 2u);
}

TEST_F(Fixture, ReadsAndAnswersMessageBoxes) {
  ui::Click(ui::Find(dlg, "Ask"));
  ui::MsgBox box = ui::WaitMessageBox(app.Id());
  EXPECT_EQ(box.caption, "Driver Fixture");
  EXPECT_EQ(box.text, "Are you sure?");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(box.defaultButton, "Yes");
  EXPECT_EQ(box.icon, ui::Icon::Information);
  ui::SaveScreenshot(box.hwnd, "fixture-question");
  ui::Answer(box, "&No");
  ui::WaitText(value, "no");

  const struct {
    const char* button;
    ui::Icon icon;
    std::vector<std::string> buttons;
    const char* answer;
    const char* after;
  } cases[] = {
      {"Warn", ui::Icon::Warning, {"OK"}, "OK", "warned"},
      {"Plain", ui::Icon::None, {"OK"}, "OK", "plain"},
      {"Custom", ui::Icon::Warning, {"Yes", "Abort"}, "Abort", "custom:abort"},
  };
  for (const auto& c : cases) {
    ui::Click(ui::Find(dlg, c.button));
    box = ui::WaitMessageBox(app.Id());
    EXPECT_EQ(box.icon, c.icon) << c.button;
    EXPECT_EQ(box.buttons, c.buttons) << c.button;
    ui::Answer(box, c.answer);
    ui::WaitText(value, c.after);
  }

  // The leave check's box opens while the focus moves; the driver must not
  // wait for it to be answered.
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  ui::SetText(edit, "bad");
  ui::LeaveEdit(edit);
  box = ui::WaitMessageBox(app.Id());
  EXPECT_EQ(box.text, "'bad' is not a valid integer value.");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  ui::Answer(box, "OK");
  EXPECT_FALSE(ui::FindMessageBox(app.Id()).has_value());
}

TEST_F(Fixture, ScreenshotHasTheWindowSize) {
  const std::string path = ui::SaveScreenshot(dlg, "fixture");
  const RECT r = ui::ScreenRect(dlg);
  const std::string file = ui::ReadFileBytes(path);
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(file.data()), static_cast<int>(file.size()),
                                       &width, &height, &channels, 3);
  ASSERT_NE(rgb, nullptr) << stbi_failure_reason();
  EXPECT_EQ(width, r.right - r.left);
  EXPECT_EQ(height, r.bottom - r.top);
  // A painted dialog, not a blank: caption bar, face and text differ.
  const size_t size = static_cast<size_t>(width) * height * 3;
  size_t differing = 0;
  for (size_t i = 3; i < size; ++i) differing += rgb[i] != rgb[i % 3];
  EXPECT_GT(differing, size / 10);
  stbi_image_free(rgb);
}

TEST_F(Fixture, TypesAPathIntoTheOpenFileDialog) {
  ui::WriteFileBytes(dir / "pick me.txt", "x");
  ui::Click(ui::Find(dlg, "Browse..."));
  HWND open = ui::WaitWindow(app.Id(), "Open");
  ui::SaveScreenshot(open, "fixture-open");
  ui::SetText(ui::FindNth(open, "Edit", 0), dir / "pick me.txt");
  ui::Click(ui::Find(open, "Open", "Button"));
  ui::WaitText(value, "file:" + (dir / "pick me.txt"));
}

TEST(Process, EndsTheProgramWhenItGoes) {
  DWORD pid;
  {
    ui::TempDir dir;
    auto app = ui::Process::Start(ui::EnvPath("CANTIVOX_UI_FIXTURE"), "", dir.Path());
    pid = app.Id();
    ui::WaitWindow(pid, "Driver Fixture");
  }
  EXPECT_TRUE(ui::TopWindows(pid).empty());
}

// A program found by its id is held like one started here: its file can be
// told, and it ends with the object.
TEST(Process, AttachedProgramEndsWithTheObject) {
  ui::TempDir dir;
  const std::string exe = ui::EnvPath("CANTIVOX_UI_FIXTURE");
  auto upper = [](std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
  };
  auto started = ui::Process::Start(exe, "", dir.Path());
  ui::WaitWindow(started.Id(), "Driver Fixture");
  {
    auto attached = ui::Process::Attach(started.Id());
    EXPECT_EQ(attached.Id(), started.Id());
    EXPECT_TRUE(attached.Running());
    EXPECT_EQ(upper(attached.ImagePath()), upper(exe));
  }
  EXPECT_TRUE(started.WaitExit(5000));
}

}  // namespace
